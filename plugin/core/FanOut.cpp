#include "core/FanOut.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "core/ApplianceLookups.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/RandomToken.h"
#include "core/RefusalLog.h"
#include "core/SpeechToWav.h"
#include "core/StatusText.h"
#include "core/Zephra.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/Format.h"
#include "vb/Strings.h"
#include "windows/FileSystemObject.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kSpeakTag = "InternalSpeak";
constexpr const char* kSendCIDTag = "InternalSendCID ";
constexpr const char* kHspCIDTag = "InternalSendHspCID ";
constexpr const char* kTempFolderPath = "\\HTML\\ZephraTemp\\";
constexpr const char* kSpeechRefused = "InternalSpeak refused a speech for \"";
constexpr const char* kNoFreeFile = "\": all ten speech files still wait to be played";
constexpr const char* kAlwaysAwake = "always awake";
constexpr const char* kAwake = "awake";
constexpr const char* kUnknown = "Unknown";
constexpr const char* kCrLf = "\r\n";
constexpr const char* kCallTimeFormat = "dddd h:mm AMPM";
constexpr int32_t kCallerIdAction = 0;

using Action = std::function<void(Zephra&, const std::string& token)>;
using Step = std::function<void()>;

// A step under an error handler that logs `tag` and goes on; without a tag the failure
// reaches the caller.
void Handled(PluginState& state, const std::string& tag, const Step& body) {
    if (tag.empty()) {
        body();
        return;
    }
    if (vb::Try(body)) return;
    if (!vb::Try([&] { WriteLog(state.Host(), kSource, tag); })) vb::Err().Clear();
}

// The fan-out pattern. Under an error handler a failing appliance counts as not served and
// the next one is tried.
std::string FanOut(PluginState& state, const std::string& selector, const std::string& tag, const Action& action) {
    const std::string token = RandomToken();
    bool all = true;
    ZephraObjects objects;
    Handled(state, tag, [&] { objects = GetZephraObjects(state, selector); });
    for (const std::shared_ptr<Zephra>& z : objects) {
        bool served = false;
        Handled(state, tag, [&] {
            if (!IsAvailable(state, *z)) return;
            const uint32_t refused = z->CommandsRefused();
            action(*z, token);
            served = z->CommandsRefused() == refused;  // a command it refused was not served
        });
        all = all && served;
    }
    return all ? token : std::string();
}

void Wake(Zephra& z) {
    if (z.Sleep() != kAlwaysAwake) z.LetSleep(kAwake);
}

// The caller text "number : name" split at its first ":"; p 0 when it has none.
struct CallerText {
    explicit CallerText(const std::string& text) : text(text), colon(vb::InStr(text, ":")) {}
    std::string Name() const { return vb::Trim(vb::Mid(text, colon + 1)); }
    std::string Number() const { return vb::Trim(vb::Left(text, colon - 1)); }
    const std::string& text;
    int32_t colon;
};

// The names of the caller-ID appliances that can take commands now, joined with ",".
std::string AvailableCallerIdAppliances(PluginState& state) {
    std::string list;
    for (const ZephraEntry& slot : state.appliances.slots)
        if (slot.Object && slot.DoCID && IsAvailable(state, *slot.Object)) list += "," + slot.Name;
    return list.size() > 1 ? list.substr(1) : std::string();
}

struct SpeechRefusalPart {
    std::unique_ptr<RefusalLog> log;
};

RefusalLog& SpeechRefusals(PluginState& state) {
    std::unique_ptr<RefusalLog>& log = state.Part<SpeechRefusalPart>().log;
    if (!log)
        log = std::make_unique<RefusalLog>([&state](const std::string& line) {
            if (!vb::Try([&] { WriteLog(state.Host(), kSource, line); })) vb::Err().Clear();
        });
    return *log;
}

// A copy of the spoken file in the temporary folder; one not made whole is removed and the
// failure raised.
void CopySpeech(PluginState& state, const std::string& from, const std::string& to) {
    const std::string folder = state.Host().GetAppPath() + kTempFolderPath;
    const windows::FileSystemObject fso;
    if (vb::Try([&] { fso.CopyFile(folder + from, folder + to, true); })) return;
    const vb::ErrObject failure = vb::Err();
    vb::Try([&] { fso.DeleteFile(folder + to, true); });
    vb::Err().Raise(failure.Number, failure.Source, failure.Description);
}

}  // namespace

std::string InternalSpeak(PluginState& state, const std::string& selector, const std::string& text) {
    const std::string tag = kSpeakTag + selector;
    const std::string token = RandomToken();
    bool all = true;
    ZephraObjects objects;
    Handled(state, tag, [&] { objects = GetZephraObjects(state, selector); });
    // Each appliance speaks from its own ten files, so one that does not fetch its speeches
    // holds up only its own: it alone is refused when all ten still wait.
    std::vector<std::pair<std::shared_ptr<Zephra>, std::string>> takers;
    for (const std::shared_ptr<Zephra>& z : objects) {
        bool taken = false;
        Handled(state, tag, [&] {
            if (!IsAvailable(state, *z)) return;
            const std::string file = z->FreeSpeechName();
            if (file.empty()) {
                SpeechRefusals(state).Note(kSpeechRefused + z->Name() + kNoFreeFile, z->Name());
                return;
            }
            takers.emplace_back(z, file);
            taken = true;
        });
        all = all && taken;
    }
    if (takers.empty()) return {};
    // Spoken once; the other appliances get copies of the file.
    const std::string& spoken = takers.front().second;
    bool written = false;
    Handled(state, tag, [&] { written = TextToWavFile(state, text, spoken); });
    if (!written) return {};  // no appliance is sent a speech that was not written
    for (const auto& taker : takers) {
        // Named apart: the naming check's compiler cannot capture a structured binding in a lambda.
        const std::shared_ptr<Zephra>& z = taker.first;
        const std::string& file = taker.second;
        bool served = false;
        Handled(state, tag, [&] {
            if (file != spoken) CopySpeech(state, spoken, file);
            const uint32_t refused = z->CommandsRefused();
            z->Wav(file, token);
            served = z->CommandsRefused() == refused;  // a command it refused was not served
        });
        all = all && served;
    }
    return all ? token : std::string();
}

std::string InternalWav(PluginState& state, const std::string& selector, const std::string& file) {
    return FanOut(state, selector, "", [&](Zephra& z, const std::string& token) { z.Wav(file, token); });
}

std::string InternalText(PluginState& state, const std::string& selector, const std::string& text) {
    return FanOut(state, selector, "", [&](Zephra& z, const std::string& token) {
        z.PushTextMessage(text, token);
        Wake(z);
    });
}

std::string InternalSendCID(PluginState& state, const std::string& selector, const std::string& line1,
                            const std::string& line2) {
    return FanOut(state, selector, kSendCIDTag + selector, [&](Zephra& z, const std::string& token) {
        z.SendUDPCID(line1, line2, token);
        Wake(z);
    });
}

std::string InternalSendHspBrowserCID(PluginState& state, const std::string& selector) {
    return FanOut(state, selector, "",
                  [&](Zephra& z, const std::string&) { state.services.MessageCIDEvent(state, false, z.IP()); });
}

std::string InternalSendHspCID(PluginState& state, const std::string& selector) {
    const ZephraSettings& s = state.settings;
    auto step = [&](const Step& body) { Handled(state, kHspCIDTag, body); };
    std::string text;
    std::string sel = selector;
    if (s.ZcidCIDResponse) {
        ZephraObjects objects;
        step([&] { objects = GetZephraObjects(state, selector); });
        for (const std::shared_ptr<Zephra>& z : objects)
            step([&] {
                if (!z->DoCID()) return;
                text = state.services.MessageCIDEvent(state, true, z->IP());
                Wake(*z);
            });
    }
    if (selector.empty()) step([&] { sel = AvailableCallerIdAppliances(state); });
    if (text.empty() && (s.BrowserCIDResponse || s.SoundCIDResponse || s.CIDSentry || state.IsSetup))
        step([&] { text = state.services.MessageCIDEvent(state, false, ""); });
    const CallerText caller(text);
    if (s.CIDSentry)
        step([&] {
            if (caller.colon == 0) {
                state.services.SendCIDToOtherClients(state, "", text);
            } else {
                state.services.SendCIDToOtherClients(state, caller.Name(), caller.Number());
            }
        });
    if (state.IsSetup)
        step([&] {
            if (caller.colon == 0) {
                state.services.XapCID(state, kUnknown, kUnknown, vb::Trim(text));
            } else {
                state.services.XapCID(state, caller.Name(), caller.Name(), caller.Number());
            }
        });
    const std::string& device = s.CIDDeviceCode;
    step([&] { state.Host().SetDeviceString(device, FormatValue(state, kCallerIdAction, text)); });
    if (s.GenerateCIDEvent)
        step([&] {
            state.QueueTimerForm().Timer4.Enabled(true);
            state.Host().SetDeviceStatus(device, homeseer::kStatusOn);
        });
    step([&] { state.Host().SetDeviceLastChange(device, vb::Now()); });
    step([&] { state.services.SendXapBSC(state, device); });
    if (s.SoundCIDResponse)
        step([&] {
            const std::string& wav = state.modem.CallerWav;
            if (!wav.empty()) {
                InternalWav(state, sel, wav);
            } else {
                InternalSpeak(state, sel, caller.colon > 0 ? caller.Name() : text);
            }
        });
    if (s.BrowserCIDResponse)
        step([&] {
            InternalText(state, sel,
                         vb::Replace(text, ":", kCrLf) + kCrLf + vb::formatDate(vb::Now(), kCallTimeFormat));
        });
    if (s.LogCID) step([&] { state.Host().Writelog(kSource, text); });
    return {};
}

}  // namespace zephra
