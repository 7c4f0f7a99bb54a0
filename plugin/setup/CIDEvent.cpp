// The host event that runs when the host's phone program reports a caller: created once, by
// the settings writer, when a phone line and an event group are set.

#include <memory>
#include <string>

#include "automation/CallByName.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "homeseer/HostEvent.h"
#include "homeseer/ListEnumerator.h"
#include "setup/SetupTexts.h"
#include "setup/ZephraSetup.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

using namespace setuptext;

namespace {

// A host that keeps reporting changes, or claims more events than it can hold, does not
// keep the walk going for ever.
constexpr int kMaxPasses = 8;
constexpr int64_t kMaxVisits = 100000;
constexpr const char* kWalkCutShort = "the walk over the host's events was cut short";

enum class Search { Found, NotFound, CutShort };

bool Named(const vb::ObjectRef& event, const std::string& wanted) {
    return event && vb::LCase(vb::CStr(automation::getProperty(vb::Variant(event), "Name"))) == wanted;
}

Search SearchEvents(PluginState& state, const std::string& name) {
    const std::string wanted = vb::LCase(name);
    homeseer::Host& hs = state.Host();
    int64_t visits = 0;
    if (state.UseDeviceRefs) {
        std::shared_ptr<homeseer::ListEnumerator> events = hs.GetEventEnumerator();
        if (!events) return Search::NotFound;
        for (int pass = 0; pass < kMaxPasses; ++pass) {
            bool restart = false;
            while (!events->Finished()) {
                if (++visits > kMaxVisits) return Search::CutShort;
                if (events->CountChanged()) restart = true;
                if (Named(events->GetNext(), wanted)) return Search::Found;
            }
            if (!restart) return Search::NotFound;
        }
        return Search::CutShort;
    }
    const int32_t count = hs.EventCount();
    for (int32_t i = 1; i <= count; ++i) {
        if (++visits > kMaxVisits) return Search::CutShort;
        std::shared_ptr<homeseer::HostEvent> event = hs.GetEvent(i);
        if (Named(event, wanted)) return Search::Found;
    }
    return Search::NotFound;
}

// The search, with its failures logged; an error ends it without a match.
Search FindEventLogged(PluginState& state, const std::string& name) {
    Search result = Search::NotFound;
    if (!vb::Try([&] { result = SearchEvents(state, name); })) {
        vb::Try([&] { WriteLog(state.Host(), kSource, kFindEventTag); });
        vb::Err().Clear();
        return Search::NotFound;
    }
    if (result == Search::CutShort)
        vb::Try([&] { WriteLog(state.Host(), kSource, kFindEventTag + std::string(kWalkCutShort)); });
    vb::Err().Clear();
    return result;
}

}  // namespace

bool FindEvent(PluginState& state, const std::string& name) { return FindEventLogged(state, name) == Search::Found; }

// An event that may exist (a search cut short) is not made a second time.
void CreateCIDEvent(PluginState& state, const std::string& group, int16_t line) {
    if (FindEventLogged(state, kCIDEventName) != Search::NotFound) return;
    const bool created = vb::Try([&] {
        homeseer::Host& hs = state.Host();
        std::shared_ptr<homeseer::HostEvent> made =
            state.UseDeviceRefs ? hs.NewEventEx(kCIDEventName) : hs.GetEvent(hs.NewEvent(kCIDEventName));
        const vb::Variant event{vb::ObjectRef(made)};
        automation::letProperty(event, "scripts", vb::Variant(std::string(kCIDEventScript)));
        automation::letProperty(event, "ev_abs_time", vb::Variant(kCIDEventAbsTime));
        automation::letProperty(event, "phone_line", vb::Variant(line));
        automation::letProperty(event, "phone_event", vb::Variant(kCIDPhoneEvent));
        automation::letProperty(event, "Group", vb::Variant(group));
        automation::letProperty(event, "misc",
                                state.UseDeviceRefs ? vb::Variant(kCIDMiscNewer) : vb::Variant(kCIDMiscOlder));
    });
    if (!created) {
        vb::Try([&] { WriteLog(state.Host(), kSource, kCreateEventTag); });
        vb::Err().Clear();
    }
}

}  // namespace zephra
