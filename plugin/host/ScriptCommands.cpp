// The script operations that queue commands on the selected appliances, and their one-text
// twins.

#include "host/ScriptOperations.h"

#include "core/ApplianceLookups.h"
#include "core/Checkout.h"
#include "core/FanOut.h"
#include "core/Housekeeping.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/RandomToken.h"
#include "core/Zephra.h"
#include "host/OneString.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

// The command fan-out: one token for the call; each available appliance of the selection
// gets `act(appliance, token)`; the token when every selected appliance was available and
// refused none of the commands.
template <class Act>
std::string FanOut(PluginState& state, const std::string& which, Act&& act) {
    const std::string token = RandomToken();
    bool all = true;
    for (const std::shared_ptr<Zephra>& zephra : GetZephraObjects(state, which)) {
        const bool ok = IsAvailable(state, *zephra);
        all = all && ok;
        if (!ok) continue;
        const uint32_t refused = zephra->CommandsRefused();
        act(*zephra, token);
        all = all && zephra->CommandsRefused() == refused;
    }
    return all ? token : "";
}

bool Holds(const std::string& text, const char* word) { return vb::InStr(text, word, vb::CompareMethod::Text) > 0; }

}  // namespace

std::string ZephraSleep(PluginState& state, const std::string& which, const std::string& sAction) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) { z.SetSleep(sAction, token); });
}

std::string ZephraSpeak(PluginState& state, const std::string& which, const std::string& sText) {
    return InternalSpeak(state, which, sText);
}

std::string ZephraWav(PluginState& state, const std::string& which, const std::string& wavFile) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) { z.Wav(wavFile, token); });
}

std::string ZephraLED(PluginState& state, const std::string& which, const std::string& sAction) {
    const std::string ledState = Holds(sAction, "blink") ? "blink" : Holds(sAction, "off") ? "off" : "on";
    const bool mail = Holds(sAction, "mail");
    const bool top = !mail && Holds(sAction, "top");
    return FanOut(state, which, [&](Zephra& z, const std::string& token) {
        if (!mail) z.SetTopLED(ledState, token);
        if (!top) z.SetMailLED(ledState, token);
    });
}

std::string ZephraSounds(PluginState& state, const std::string& which, int16_t iSound) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) { z.SetSounds(iSound, token); });
}

std::string ZephraSoundsVolume(PluginState& state, const std::string& which, int16_t iSoundLevel) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) { z.SetSoundsVolume(iSoundLevel, token); });
}

std::string ZephraScreen(PluginState& state, const std::string& which, const std::string& sAction) {
    return ZephraBacklight(state, which, sAction);
}

std::string ZephraBacklight(PluginState& state, const std::string& which, const std::string& sAction) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) { z.SetBacklight(sAction, token); });
}

std::string ZephraRefreshSleepStatus(PluginState& state, const std::string& which) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) { z.RefreshSleepStatus(token); });
}

vb::Variant ZephraWaitsecs(PluginState& state, const std::string& which, int16_t seconds) {
    return vb::Variant(
        FanOut(state, which, [&](Zephra& z, const std::string& token) { z.SetWaitsecs(seconds, token); }));
}

std::string ZephraToggleBrowserFullscreen(PluginState& state, const std::string& which) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) { z.ToggleBrowserFullScreen(token); });
}

std::string ZephraVolume(PluginState& state, const std::string& which, int16_t iVolume) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) { z.SetVolume(iVolume, token); });
}

std::string ZephraSetBrowserScreen(PluginState& state, const std::string& which, bool bFullScreen) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) { z.SetBrowserScreen(bFullScreen, token); });
}

std::string ZephraPushIISPage(PluginState& state, const std::string& which, const std::string& webPage) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) { z.PushIISPage(webPage, token); });
}

std::string ZephraPushFullscreen(PluginState& state, const std::string& which, const std::string& webPage) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) {
        z.PushPage(webPage, "");
        z.Waitsecs(state.settings.PushDelay);
        z.ToggleBrowserFullScreen(token);
    });
}

vb::Variant ZephraPushPage(PluginState& state, const std::string& which, const std::string& webPage) {
    return vb::Variant(FanOut(state, which, [&](Zephra& z, const std::string& token) { z.PushPage(webPage, token); }));
}

std::string ZephraTopLed(PluginState& state, const std::string& which, const std::string& sState) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) { z.SetTopLED(sState, token); });
}

std::string ZephraMailLed(PluginState& state, const std::string& which, const std::string& sState) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) { z.SetMailLED(sState, token); });
}

std::string ZephraText(PluginState& state, const std::string& which, const std::string& sMessage) {
    return InternalText(state, which, sMessage);
}

std::string ZephraCyclePower(PluginState& state, const std::string& which) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) { z.CyclePower(token); });
}

std::string ZephraTest(PluginState& state, const std::string& which) {
    return FanOut(state, which, [&](Zephra& z, const std::string&) { MainTest(state, z); });
}

std::string ZephraSlideshow(PluginState& state, const std::string& which) {
    return FanOut(state, which, [&](Zephra& z, const std::string& token) {
        z.ShowSlideshow(token);
        if (state.QueueTimerForm().Timer3.Enabled()) return;
        state.housekeeping.SlideshowMinutesLeft = 0;
        UpdateSlideshow(state);
    });
}

std::string ZephraExecute(PluginState& state, const std::string& which, const std::string& sCommand) {
    FanOut(state, which, [&](Zephra& z, const std::string& token) { z.Execute(sCommand, token); });
    return "";
}

std::string ZephraSendCommand(PluginState& state, const std::string& which, const std::string& sCommand,
                              const std::string& sParm, const std::string& /*sIPx*/) {
    FanOut(state, which, [&](Zephra& z, const std::string& token) { z.SendUDPCommand(sCommand, sParm, token); });
    return "";
}

// --- One-text twins ------------------------------------------------------------------------

std::string ZephraSleepEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraSleep(state, a.names, a.rest);
}

std::string ZephraSpeakEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraSpeak(state, a.names, a.rest);
}

std::string ZephraWavEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraWav(state, a.names, a.rest);
}

std::string ZephraLEDEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraLED(state, a.names, a.rest);
}

std::string ZephraSoundsEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraSounds(state, a.names, WholeNumberOf(a.rest));
}

std::string ZephraSoundsVolumeEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraSoundsVolume(state, a.names, WholeNumberOf(a.rest));
}

std::string ZephraBacklightEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraBacklight(state, a.names, a.rest);
}

vb::Variant ZephraWaitsecsEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraWaitsecs(state, a.names, WholeNumberOf(a.rest));
}

std::string ZephraVolumeEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraVolume(state, a.names, WholeNumberOf(a.rest));
}

std::string ZephraSetBrowserScreenEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraSetBrowserScreen(state, a.names, TruthOf(a));
}

std::string ZephraPushIISPageEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraPushIISPage(state, a.names, a.rest);
}

std::string ZephraPushFullscreenEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraPushFullscreen(state, a.names, a.rest);
}

vb::Variant ZephraPushPageEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraPushPage(state, a.names, a.rest);
}

std::string ZephraTopLedEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraTopLed(state, a.names, a.rest);
}

std::string ZephraMailLedEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraMailLed(state, a.names, a.rest);
}

std::string ZephraTextEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraText(state, a.names, a.rest);
}

std::string ZephraExecuteEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    return ZephraExecute(state, a.names, a.rest);
}

std::string ZephraSendCommandEx(PluginState& state, const std::string& s) {
    if (s.find(';') == std::string::npos) return "";
    const std::vector<std::string> parts = vb::Split(s, ";");
    if (parts.size() != 4) return "";
    return ZephraSendCommand(state, parts[0], parts[1], parts[2], parts[3]);
}

}  // namespace zephra
