// The script operations with work of their own: speech files, caller ID and datagrams,
// the queue reset, the slideshow's coordination, the jukebox, and those that pass their
// arguments on to another module.

#include "callerid/UdpServer.h"
#include "callerid/XapReceive.h"
#include "core/ApplianceLookups.h"
#include "core/FanOut.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/SettingsReader.h"
#include "core/SpeechToWav.h"
#include "core/Zephra.h"
#include "host/HostTexts.h"
#include "host/OneString.h"
#include "host/ScriptOperations.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"
#include "web/SlideshowPage.h"

namespace zephra {

namespace {

using namespace hosttext;

constexpr int32_t kSpeechFiles = 10;

void LogTagged(PluginState& state, const std::string& text) {
    vb::Try([&] { WriteLog(state.Host(), kSource, text); });
}

// The parts of a one text split at every ";", when there are exactly `count`.
std::optional<std::vector<std::string>> ExactParts(const std::string& s, std::size_t count) {
    if (s.find(';') == std::string::npos) return std::nullopt;
    std::vector<std::string> parts = vb::Split(s, ";");
    if (parts.size() != count) return std::nullopt;
    return parts;
}

// The caller-ID datagram to every subscribed client; the name and number as the server
// rewrote them go back into the caller's variables.
void SendCallerId(PluginState& state, vb::Variant& line1, vb::Variant& line2) {
    std::string name = vb::CStr(line1);
    std::string number = vb::CStr(line2);
    UDPSendCID(state, name, number, "");
    line1 = vb::Variant(name);
    line2 = vb::Variant(number);
}

}  // namespace

std::string ZephraTextToWav(PluginState& state, const std::string& sText) {
    state.TempFileCounter = (state.TempFileCounter + 1) % kSpeechFiles;
    const std::string file = kTempFile + std::to_string(state.TempFileCounter) + kWavExtension;
    return TextToWavFile(state, sText, file) ? file : std::string();
}

int16_t ZephraWavTime(PluginState& state, const std::string& filename) {
    return vb::CInt(vb::Variant(ComputeWavTime(state, filename)));
}

// Slots that hold no appliance object are passed over.
void ZephraResetQueue(PluginState& state) {
    if (!state.appliances.slots[0].Object) return;
    std::vector<std::shared_ptr<Zephra>> appliances;
    for (const ZephraEntry& slot : state.appliances.slots) appliances.push_back(slot.Object);
    for (const std::shared_ptr<Zephra>& zephra : appliances) {
        if (!zephra) continue;
        zephra->ResetQueue();
        zephra->LetPowerCycleCount(0);
    }
}

vb::Variant ZephraZCID(PluginState& state, vb::Variant& sLine1, vb::Variant& sLine2) {
    SendCallerId(state, sLine1, sLine2);
    return {};
}

vb::Variant ZephraZCIDEx(PluginState& state, const std::string& s) {
    const OneString a = SplitOneString(s);
    vb::Variant line1(a.split ? a.names : s);
    vb::Variant line2(a.split ? a.rest : std::string());
    return ZephraZCID(state, line1, line2);
}

void SendCID(PluginState& state, vb::Variant& sLine1, vb::Variant& sLine2) { SendCallerId(state, sLine1, sLine2); }

std::string SendCommand(PluginState& state, const std::string& sCommand, const std::string& sParm,
                        const std::string& /*sIPx*/) {
    UDPSendCommand(state, sCommand, sParm, "");
    return "";
}

std::string ZephraSendCIDEx(PluginState& state, const std::string& s) {
    const auto parts = ExactParts(s, 3);
    return parts ? ZephraSendCID(state, (*parts)[0], (*parts)[1], (*parts)[2]) : "";
}

std::string ZephraSendCID(PluginState& state, const std::string& which, const std::string& sLine1,
                          const std::string& sLine2) {
    return InternalSendCID(state, which, sLine1, sLine2);
}

std::string ZephraSendHspCID(PluginState& state, const std::string& which) { return InternalSendHspCID(state, which); }

std::string ZephraSendHspBrowserCID(PluginState& state, const std::string& which) {
    return InternalSendHspBrowserCID(state, which);
}

bool ZephraSlideshowCoordination(PluginState& state, const vb::Variant& sClient, const vb::Variant& sAction) {
    bool goOn = false;
    if (!vb::Try([&] { goOn = vb::CStr(sAction) != kLinksAction && state.SlideshowMenuState != 2; }))
        LogTagged(state, kCoordinationTag);
    std::string client;
    if (!vb::Try([&] { client = vb::CStr(sClient); })) LogTagged(state, kCoordinationTag);
    for (const ZephraEntry& slot : state.appliances.slots) {
        if (slot.IP != client) continue;
        std::shared_ptr<Zephra> zephra = slot.Object;
        if (!zephra) break;
        if (!vb::Try([&] { zephra->LetSlideshow(goOn); })) LogTagged(state, kCoordinationTag);
        if (goOn) {
            if (!vb::Try([&] { zephra->LetMailLED("off"); })) LogTagged(state, kCoordinationTag);
            if (!vb::Try([&] { zephra->LetTopLED("Off"); })) LogTagged(state, kCoordinationTag);
        }
        break;
    }
    return goOn;
}

void ZephraReloadSettings(PluginState& state) { InitZephraUtilities(state); }

std::string ZephraSlideshowASP(PluginState& state, const vb::ObjectRef& request, const vb::ObjectRef& response) {
    return ZephraSlideshow_ASP(state, vb::Variant(request), vb::Variant(response));
}

void ZephraOnXapMessage(PluginState& state, const vb::ObjectRef& message) { OnXapMessage(state, message); }

void ZephraSorvex(PluginState& state, const std::string& which, const std::string& sCommand) {
    ZephraObjects appliances;
    if (!vb::Try([&] { appliances = GetZephraObjects(state, which); })) return LogTagged(state, kSorvexTag);
    for (const std::shared_ptr<Zephra>& zephra : appliances) {
        if (vb::Try([&] {
                QueueTimer& form = state.QueueTimerForm();
                const std::string& port = state.settings.SorvexCommandPort;
                if (form.ConnectSorvex(zephra->IP(), port)) form.SendSorvex(sCommand);
                else WriteLog(state.Host(), kSource, kNoSorvex + zephra->Name() + " / " + zephra->IP() + ":" + port);
            }))
            continue;
        LogTagged(state, kSorvexTag);
    }
}

void ZephraSorvexEx(PluginState& state, const std::string& sCommand) { ZephraSorvex(state, "", sCommand); }

std::string ZephraMP3Load(PluginState&, const std::string&, const std::string&) { return ""; }
std::string ZephraMP3(PluginState&, const std::string&, const std::string&) { return ""; }
std::string ZephraMP3Save(PluginState&, const std::string&, const std::string&) { return ""; }
std::string ZephraMP3Clear(PluginState&, const std::string&) { return ""; }
std::string ZephraMP3Status(PluginState&, const std::string&) { return ""; }

}  // namespace zephra
