// Speech to WAV files: the voice read afresh at each call and found without regard to case,
// the line for a voice that is not installed, the file's format, and playing times.

#include "core/SpeechToWav.h"

#include <gtest/gtest.h>

#include "core/tests/PluginTestBed.h"
#include "vb/Strings.h"
#include "windows/SpVoice.h"

namespace zephra {
namespace {

using testing::PluginTestBed;
using Strings = std::vector<std::string>;

uint32_t Le(const std::string& b, std::size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

TEST(SpeechToWav, SpeaksWithTheConfiguredVoiceReadAtEachCall) {
    PluginTestBed bed;
    bed.app.write("HTML/ZephraTemp/old.txt", "");
    const std::string installed = windows::SpVoice().GetVoices().front().GetDescription();
    bed.host->SaveIniSetting("T2W", "T2WVoice", "\"" + vb::UCase(installed) + "\"", "dkvZephraUtilities.ini");
    bed.app.write("HTML/ZephraTemp/one.wav", std::string(100000, 'x'));  // overwritten
    TextToWavFile(bed.state, "Hello", "one.wav");
    EXPECT_EQ(bed.state.settings.T2WVoice, vb::UCase(installed));
    EXPECT_TRUE(bed.Log().empty());
    const std::string wav = bed.app.read("HTML/ZephraTemp/one.wav");
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(Le(wav, 22, 2), 1u);      // mono
    EXPECT_EQ(Le(wav, 24, 4), 22050u);  // samples a second
    EXPECT_EQ(Le(wav, 34, 2), 16u);     // bits
    EXPECT_EQ(Le(wav, 40, 4), wav.size() - 44);
    EXPECT_LT(wav.size(), 100000u);

    // The setting is read again at the next call: a voice that is not installed is logged
    // even with debug lines off, and the default voice speaks.
    bed.host->SaveIniSetting("T2W", "T2WVoice", "Microsoft Mary", "dkvZephraUtilities.ini");
    TextToWavFile(bed.state, "Hello", "two.wav");
    EXPECT_EQ(bed.Calls("GetIniSetting"), (Strings{"T2W|T2WVoice|Microsoft Mary|dkvZephraUtilities.ini",
                                                   "T2W|T2WVoice|Microsoft Mary|dkvZephraUtilities.ini"}));
    EXPECT_EQ(bed.Log(), Strings{"dkvZephra Debug|Voice Microsoft Mary requested, but not an installed voice "});
    EXPECT_GT(bed.app.read("HTML/ZephraTemp/two.wav").size(), 44u);
}

TEST(SpeechToWav, AFolderThatIsMissingIsLoggedStepByStep) {
    PluginTestBed bed;
    SpeakToFile(bed.state, "Hello", "", bed.app.path().string() + "\\HTML\\NoSuchFolder\\x.wav");
    const Strings log = bed.Log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "dkvZephra|SpeakToFile Line 0 Path not found");
}

TEST(ComputeWavTime, RoundsTheSizeAt15667BytesASecondHalvesToEven) {
    PluginTestBed bed;
    bed.app.write("HTML/ten.wav", std::string(156670, '\0'));
    bed.app.write("HTML/under.wav", std::string(7833, '\0'));
    bed.app.write("HTML/over.wav", std::string(23501, '\0'));
    bed.app.write("HTML/half.wav", std::string(15667 * 5 / 2 - 1, '\0'));
    bed.app.write("HTML/ZephraTemp/deep.wav", std::string(156670, '\0'));
    EXPECT_EQ(ComputeWavTime(bed.state, "ten.wav"), 10);
    EXPECT_EQ(ComputeWavTime(bed.state, "under.wav"), 0);
    EXPECT_EQ(ComputeWavTime(bed.state, "over.wav"), 2);
    EXPECT_EQ(ComputeWavTime(bed.state, "half.wav"), 2);
    EXPECT_EQ(ComputeWavTime(bed.state, ""), 0);
    EXPECT_EQ(ComputeWavTime(bed.state, "missing.wav"), 0);
    // A bare name lies in "\HTML\", not in the temporary folder; a path is taken as it is.
    EXPECT_EQ(ComputeWavTime(bed.state, "deep.wav"), 0);
    EXPECT_EQ(ComputeWavTime(bed.state, "C:\\HTML\\ZephraTemp\\deep.wav"), 10);
    EXPECT_TRUE(bed.Log().empty());
}

}  // namespace
}  // namespace zephra
