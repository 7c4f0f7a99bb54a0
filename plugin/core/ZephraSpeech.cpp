// Speech and WAV files for the appliance: the file is placed under the host's web folder
// (spoken there, or copied there from a network or drive path under a rotating name) and
// the appliance is told to fetch and play it, with a time-out that grows with the file.

#include "core/PluginState.h"
#include "core/SpeechToWav.h"
#include "core/Zephra.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"
#include "vb/Strings.h"

namespace zephra {

using namespace ztext;

namespace {

constexpr int32_t kWavTimeoutBase = 20000;

}  // namespace

std::string Zephra::TempName(int32_t counter, const std::string& extension) const {
    return kTempFilePrefix + vb::Replace(Name_, " ", "") + std::to_string(counter) + extension;
}

// The next of the ten rotating names of this appliance's temporary files.
std::string Zephra::NextTempName(const std::string& extension) {
    TempFileCounter_ = (TempFileCounter_ + 1) % 10;
    return TempName(TempFileCounter_, extension);
}

std::string Zephra::FreeSpeechName() {
    for (int32_t step = 1; step <= 10; ++step) {
        const int32_t counter = (TempFileCounter_ + step) % 10;
        const std::string name = TempName(counter, kWavExtension);
        if (HoldsFile(name)) continue;
        TempFileCounter_ = counter;
        return name;
    }
    return {};
}

std::string Zephra::SendWav(const std::string& file, const std::string& tag) {
    std::string result;
    std::string local = file;
    int32_t timeout = kWavTimeoutBase;
    Step(kLogSendWav, [&] {
        if (vb::InStr(file, "\\\\") == 0 && vb::InStr(file, ":") == 0) return;
        local = NextTempName(kWavExtension);
        FileSystem_->CopyFile(file, state_.Host().GetAppPath() + kTempFolderPath + local, true);
    });
    Step(kLogSendWav, [&] {
        if (vb::InStr(local, kTempFilePrefix) > 0) local = kTempFolderUrl + local;
    });
    Step(kLogSendWav, [&] {
        timeout = ComputeWavTime(state_, state_.Host().GetAppPath() + kHtmlFolderPath + local) * 1000 + kWavTimeoutBase;
    });
    Step(kLogSendWav, [&] { result = AsyncCommand(kLoadWav + FetchAddress(local), timeout, tag); });
    return result;
}

std::string Zephra::TextToWav(const std::string& text) {
    std::string name;
    Step(kLogTextToWav, [&] {
        name = NextTempName(kWavExtension);
        if (!TextToWavFile(state_, text, name)) name.clear();  // not written: nothing to send
    });
    return name;
}

std::string Zephra::SendSpeak(const std::string& text, const std::string& tag) {
    const std::string file = TextToWav(text);
    return file.empty() ? std::string() : SendWav(file, tag);
}

std::string Zephra::Wav(const std::string& file, const std::string& tag) { return SendWav(file, tag); }

std::string Zephra::Speak(const std::string& text, const std::string& tag) { return SendSpeak(text, tag); }

int32_t Zephra::WavTime(const std::string& file) { return ComputeWavTime(state_, file); }

// The spoken file is measured where it was written, in the temporary folder.
int32_t Zephra::SpeakTime(const std::string& text) {
    const std::string file = TextToWav(text);
    if (file.empty()) return 0;
    return ComputeWavTime(state_, state_.Host().GetAppPath() + kTempFolderPath + file);
}

}  // namespace zephra
