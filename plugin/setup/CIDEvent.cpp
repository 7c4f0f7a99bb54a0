// The host event that runs when the host's phone program reports a caller: created by the
// settings writer when a phone line and an event group are set, and moved to the line and group
// of each later save.

#include <memory>
#include <string>

#include "automation/CallByName.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "homeseer/HostEvent.h"
#include "homeseer/ListEnumerator.h"
#include "setup/SetupTexts.h"
#include "setup/ZephraSetup.h"
#include "vb/Conversions.h"
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

// `found` gets the event that matched.
Search SearchEvents(PluginState& state, const std::string& name, vb::ObjectRef& found) {
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
                vb::ObjectRef next = events->GetNext();
                if (Named(next, wanted)) {
                    found = std::move(next);
                    return Search::Found;
                }
            }
            if (!restart) return Search::NotFound;
        }
        return Search::CutShort;
    }
    const int32_t count = hs.EventCount();
    for (int32_t i = 1; i <= count; ++i) {
        if (++visits > kMaxVisits) return Search::CutShort;
        std::shared_ptr<homeseer::HostEvent> event = hs.GetEvent(i);
        if (Named(event, wanted)) {
            found = std::move(event);
            return Search::Found;
        }
    }
    return Search::NotFound;
}

// The search, with its failures logged; an error ends it without a match.
Search FindEventLogged(PluginState& state, const std::string& name, vb::ObjectRef* found = nullptr) {
    Search result = Search::NotFound;
    vb::ObjectRef match;
    if (!vb::Try([&] { result = SearchEvents(state, name, match); })) {
        vb::Try([&] { WriteLog(state.Host(), kSource, kFindEventTag); });
        vb::Err().Clear();
        return Search::NotFound;
    }
    if (result == Search::CutShort)
        vb::Try([&] { WriteLog(state.Host(), kSource, kFindEventTag + std::string(kWalkCutShort)); });
    vb::Err().Clear();
    if (found) *found = std::move(match);
    return result;
}

void LogCreateError(PluginState& state) {
    vb::Try([&] { WriteLog(state.Host(), kSource, kCreateEventTag); });
    vb::Err().Clear();
}

}  // namespace

bool FindEvent(PluginState& state, const std::string& name) { return FindEventLogged(state, name) == Search::Found; }

// An event that may exist (a search cut short) is not made a second time. One that exists takes
// the saved line and group, so that calls on the new line are announced and the old line's are not.
void CreateCIDEvent(PluginState& state, const std::string& group, int16_t line) {
    vb::ObjectRef existing;
    const Search search = FindEventLogged(state, kCIDEventName, &existing);
    if (search == Search::Found && existing) {
        const bool moved = vb::Try([&] {
            const vb::Variant event{existing};
            if (vb::CLng(automation::getProperty(event, "phone_line")) != line)
                automation::letProperty(event, "phone_line", vb::Variant(line));
            if (vb::CStr(automation::getProperty(event, "Group")) != group)
                automation::letProperty(event, "Group", vb::Variant(group));
        });
        if (!moved) LogCreateError(state);
        return;
    }
    if (search != Search::NotFound) return;
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
    if (!created) LogCreateError(state);
}

}  // namespace zephra
