// xAP messages addressed to the appliance ("dkv.dkvZephra." & its name): on-screen display
// (a text page, a pushed address or a caller-ID datagram) and speech.

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/RandomToken.h"
#include "core/SpeechMaker.h"
#include "core/Zephra.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"
#include "vb/Conversions.h"
#include "vb/Strings.h"

namespace zephra {

using namespace ztext;

namespace {

// An item of the message; "Unknown" when the section or key is absent.
std::string Item(const vb::ObjectRef& message, const std::string& section, const std::string& key) {
    if (!message) vb::raise(vb::errors::ObjectNotSet);
    std::vector<vb::Variant> args = {section, key};
    return vb::CStr(message->call("GetItem", vb::Method, args));
}

bool Present(const std::string& value) { return value != kXapUnknown; }

}  // namespace

void Zephra::ReceiveXapMessageOSD(const vb::ObjectRef& message) {
    if (vb::Try([&] {
            const std::string text = Item(message, kXapDisplay, "Text");
            if (Present(text)) {
                const std::string duration = Item(message, kXapDisplay, "Duration");
                const vb::Variant seconds(duration);
                PushTextCommand(text, "", vb::IsNumeric(seconds) ? vb::CInt(seconds) : int16_t{0});
                return;
            }
            const std::string url = Item(message, kXapDisplay, "URL");
            if (Present(url)) {
                SendPushIISPage(vb::Replace(url, kHttp, "", 1, -1, vb::CompareMethod::Text), "");
                Waitsecs(state_.settings.PushDelay);
                ToggleBrowserControl("");
                return;
            }
            const std::string line1 = Item(message, kXapCallerId, "Line1");
            if (!Present(line1)) return;
            std::string line2 = Item(message, kXapCallerId, "Line2");
            if (!Present(line2)) line2.clear();
            SendUDPCID(line1, line2, "");
        }))
        return;
    vb::Try([&] { WriteLog(state_.Host(), kSource, kLogReceiveXapMessageOSD); });
}

void Zephra::ReceiveXapMessageTTS(const vb::ObjectRef& message) {
    if (vb::Try([&] {
            std::string section = kXapTtsSpeak;
            std::string text = Item(message, section, "say");
            if (!Present(text)) {
                section = kXapVoiceSpeak;
                text = Item(message, section, "say");
                if (!Present(text)) return;
            }
            const vb::Variant volume(Item(message, section, "volume"));
            std::string voice = Item(message, section, "voice");
            if (!Present(voice)) voice = state_.settings.T2WVoice;
            // The plug-in-wide counter that the other speak paths share.
            const int32_t counter = (state_.TempFileCounter + 1) % 10;
            const std::string file = kTempFilePrefix + std::to_string(counter) + kWavExtension;
            // The speech is made off the loop, which serves meanwhile; the appliance is told to
            // play it once it is written, and it waits until the appliance's queue has sent it. A
            // message beyond the speech waiting is dropped whole.
            PluginState& state = state_;
            const Zephra* self = this;
            auto play = [&state, self, file](bool written) {
                if (!written) return;
                for (const ZephraEntry& slot : state.appliances.slots) {
                    if (slot.Object.get() != self) continue;
                    std::string tag;
                    if (!vb::Try([&] { tag = slot.Object->Wav(file, RandomToken()); }))
                        vb::Try([&] { WriteLog(state.Host(), kSource, kLogReceiveXapMessageTTS); });
                    if (!tag.empty())
                        XapSpeechMaker(state).Handed([weak = std::weak_ptr<Zephra>(slot.Object), tag] {
                            const std::shared_ptr<Zephra> zephra = weak.lock();
                            return zephra && zephra->CommandWaiting(tag);
                        });
                    return;
                }
            };
            if (!XapSpeechMaker(state_).Queue(text, voice, state_.Host().GetAppPath() + kTempFolderPath + file, play))
                return;
            state_.TempFileCounter = counter;
            if (vb::IsNumeric(volume)) SetVolumeControl(vb::CInt(volume), RandomToken());
        }))
        return;
    vb::Try([&] { WriteLog(state_.Host(), kSource, kLogReceiveXapMessageTTS); });
}

}  // namespace zephra
