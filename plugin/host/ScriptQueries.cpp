// The script operations that read appliances and the appliance table, and those that set
// a property of the selected appliances.

#include <cmath>

#include "automation/CallByName.h"
#include "core/ApplianceLookups.h"
#include "core/PluginState.h"
#include "core/Zephra.h"
#include "host/HostTexts.h"
#include "host/OneString.h"
#include "host/ScriptOperations.h"
#include "vb/Conversions.h"
#include "vb/Math.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

constexpr const char* kBacklightOn = "Backlight On";

// The property of the one appliance the name finds, or `none`.
template <class Result, class Read>
Result OfOne(PluginState& state, const std::string& whichOne, Result none, Read&& read) {
    std::shared_ptr<Zephra> zephra = GetOneZephraObject(state, whichOne);
    return zephra ? read(*zephra) : none;
}

// True when any selected appliance answers true.
template <class Ask>
bool AnyOf(PluginState& state, const std::string& which, Ask&& ask) {
    bool result = false;
    for (const std::shared_ptr<Zephra>& zephra : GetZephraObjects(state, which)) result = ask(*zephra) || result;
    return result;
}

// A field of every slot of the table, joined with ",".
template <class Field>
std::string JoinedSlots(PluginState& state, Field&& field) {
    std::string text;
    const std::vector<ZephraEntry>& slots = state.appliances.slots;
    for (std::size_t i = 0; i < slots.size(); ++i) text += (i ? "," : "") + field(slots[i]);
    return text;
}

}  // namespace

bool ZephraSlideshowStatus(PluginState& state, const std::string& whichOne) {
    return OfOne(state, whichOne, false, [](Zephra& z) { return z.Slideshow(); });
}

int16_t ZephraSoundsVolumeStatus(PluginState& state, const std::string& whichOne) {
    return OfOne(state, whichOne, int16_t{0}, [](Zephra& z) { return z.SoundsVolume(); });
}

// An appliance not configured answers as one whose volume is not known yet.
int16_t ZephraVolumeStatus(PluginState& state, const std::string& whichOne) {
    return OfOne(state, whichOne, int16_t{-1}, [](Zephra& z) { return z.Volume(); });
}

std::string ZephraBacklightStatus(PluginState& state, const std::string& whichOne) {
    return OfOne(state, whichOne, std::string(),
                 [](Zephra& z) { return std::string(z.Backlight() == kBacklightOn ? "On" : "Off"); });
}

std::string ZephraMailLEDStatus(PluginState& state, const std::string& whichOne) {
    return OfOne(state, whichOne, std::string(), [](Zephra& z) { return z.MailLED(); });
}

std::string ZephraTopLEDStatus(PluginState& state, const std::string& whichOne) {
    return OfOne(state, whichOne, std::string(), [](Zephra& z) { return z.TopLED(); });
}

std::string ZephraSleepStatus(PluginState& state, const std::string& whichOne) {
    return OfOne(state, whichOne, std::string(),
                 [](Zephra& z) { return std::string(z.SleepStatus() ? "awake" : "sleep"); });
}

bool ZephraPluginDisableStatus(PluginState& state, const std::string& whichOne) {
    return OfOne(state, whichOne, false, [](Zephra& z) { return z.DisablePlugin(); });
}

// A name that finds no appliance answers 0, as the other whole-number getters do.
int16_t ZephraGetSlideGroup(PluginState& state, const std::string& whichOne) {
    return OfOne(state, whichOne, int16_t{0}, [](Zephra& z) { return z.SlideGroup(); });
}

bool ZephraIsSpeaking(PluginState& state, const std::string& which) {
    return AnyOf(state, which, [](Zephra& z) { return z.isSpeaking(); });
}

bool ZephraCommandBusy(PluginState& state, const std::string& which, const std::string& sTag) {
    return AnyOf(state, which, [&](Zephra& z) { return z.CommandBusy(sTag); });
}

bool ZephraCommandBusyEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraCommandBusy(state, a.names, a.rest);
}

std::string ZephraPluginDisable(PluginState& state, const std::string& which, bool bDisable) {
    for (const std::shared_ptr<Zephra>& zephra : GetZephraObjects(state, which)) zephra->LetDisablePlugin(bDisable);
    return "";
}

std::string ZephraPluginDisableEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraPluginDisable(state, a.names, TruthOf(a));
}

void ZephraSetSlideGroup(PluginState& state, const std::string& which, int16_t iGroup) {
    for (const std::shared_ptr<Zephra>& zephra : GetZephraObjects(state, which)) zephra->LetSlideGroup(iGroup);
}

void ZephraSetSlideGroupEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    ZephraSetSlideGroup(state, a.names, WholeNumberOf(a.rest));
}

std::string ZephraNames(PluginState& state) {
    return JoinedSlots(state, [](const ZephraEntry& slot) { return slot.Name; });
}

std::string ZEPHRAIPS(PluginState& state) {
    return JoinedSlots(state, [](const ZephraEntry& slot) { return slot.IP; });
}

std::string ZephraIP(PluginState& state, const std::string& whichOne) {
    const std::string wanted = vb::Trim(vb::LCase(whichOne));
    for (const ZephraEntry& slot : state.appliances.slots)
        if (vb::Trim(vb::LCase(slot.Name)) == wanted) return slot.IP;
    return "";
}

std::string ZephraIPLookup(PluginState& state, const std::string& whichIP) {
    const std::string wanted = vb::Trim(whichIP);
    for (const ZephraEntry& slot : state.appliances.slots)
        if (vb::Trim(slot.IP) == wanted) return slot.Name;
    return "";
}

std::string ZephraWhoSent(PluginState& state, const vb::ObjectRef& request) {
    const vb::Variant ip =
        automation::callByName(vb::Variant(request), "ServerVariables", {vb::Variant(hosttext::kRemoteAddress)});
    return ZephraIPLookup(state, vb::CStr(ip));
}

std::string ZephraNextPicture(PluginState& state) {
    const std::vector<std::string>& pictures = state.settings.SlideFiles.files;
    if (pictures.empty()) return "";
    const auto index = static_cast<std::size_t>(std::floor(vb::Rnd() * static_cast<double>(pictures.size())));
    return pictures[std::min(index, pictures.size() - 1)];
}

}  // namespace zephra
