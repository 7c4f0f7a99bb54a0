// xAP messages addressed to the appliance ("dkv.dkvZephra." & its name): on-screen display
// (a text page, a pushed address or a caller-ID datagram) and speech.

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/RandomToken.h"
#include "core/SpeechToWav.h"
#include "core/Zephra.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"
#include "vb/Conversions.h"
#include "vb/Strings.h"

namespace zephra {

using namespace ztext;

namespace {

// An item of the message; "Unknown" when the section or key is absent.
std::string item(const vb::ObjectRef& message, const std::string& section, const std::string& key) {
    if (!message) vb::raise(vb::errors::ObjectNotSet);
    std::vector<vb::Variant> args = {section, key};
    return vb::CStr(message->call("GetItem", vb::Method, args));
}

bool present(const std::string& value) { return value != kXapUnknown; }

}  // namespace

void Zephra::ReceiveXapMessageOSD(const vb::ObjectRef& message) {
    if (vb::Try([&] {
            const std::string text = item(message, kXapDisplay, "Text");
            if (present(text)) {
                const std::string duration = item(message, kXapDisplay, "Duration");
                const vb::Variant seconds(duration);
                PushTextCommand(text, "", vb::IsNumeric(seconds) ? vb::CInt(seconds) : int16_t{0});
                return;
            }
            const std::string url = item(message, kXapDisplay, "URL");
            if (present(url)) {
                SendPushIISPage(vb::Replace(url, kHttp, "", 1, -1, vb::CompareMethod::Text), "");
                Waitsecs(state_.settings.PushDelay);
                ToggleBrowserControl("");
                return;
            }
            const std::string line1 = item(message, kXapCallerId, "Line1");
            if (!present(line1)) return;
            std::string line2 = item(message, kXapCallerId, "Line2");
            if (!present(line2)) line2.clear();
            SendUDPCID(line1, line2, "");
        }))
        return;
    vb::Try([&] { WriteLog(state_.host(), kSource, kLogReceiveXapMessageOSD); });
}

void Zephra::ReceiveXapMessageTTS(const vb::ObjectRef& message) {
    if (vb::Try([&] {
            std::string section = kXapTtsSpeak;
            std::string text = item(message, section, "say");
            if (!present(text)) {
                section = kXapVoiceSpeak;
                text = item(message, section, "say");
                if (!present(text)) return;
            }
            const vb::Variant volume(item(message, section, "volume"));
            if (vb::IsNumeric(volume)) SetVolumeControl(vb::CInt(volume), RandomToken());
            std::string voice = item(message, section, "voice");
            if (!present(voice)) voice = state_.settings.T2WVoice;
            // The plug-in-wide counter that the other speak paths share.
            state_.TempFileCounter = (state_.TempFileCounter + 1) % 10;
            const std::string file = kTempFilePrefix + std::to_string(state_.TempFileCounter) + kWavExtension;
            SpeakToFile(state_, text, voice, state_.host().GetAppPath() + kTempFolderPath + file);
            Wav(file, RandomToken());
        }))
        return;
    vb::Try([&] { WriteLog(state_.host(), kSource, kLogReceiveXapMessageTTS); });
}

}  // namespace zephra
