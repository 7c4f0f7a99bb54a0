// Speech to WAV files: the voice read afresh at each call and found without regard to case,
// the line for a voice that is not installed, the file's format, and playing times.

#include "core/SpeechToWav.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

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
    // Told once: later speech with the same missing voice writes nothing more, another missing voice is told.
    TextToWavFile(bed.state, "Hello again", "three.wav");
    TextToWavFile(bed.state, "And again", "four.wav");
    EXPECT_EQ(bed.Log().size(), 1u);
    bed.host->SaveIniSetting("T2W", "T2WVoice", "Nobody", "dkvZephraUtilities.ini");
    TextToWavFile(bed.state, "Hello", "five.wav");
    EXPECT_EQ(bed.Log(), (Strings{"dkvZephra Debug|Voice Microsoft Mary requested, but not an installed voice ",
                                  "dkvZephra Debug|Voice Nobody requested, but not an installed voice "}));
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

// A RIFF file of `dataBytes` sample bytes at `byteRate`, with `extra` chunks before the samples;
// `declared` overrides the data chunk's size field. Built byte by byte, not with wav/WavHeader.h,
// so that the reader is checked against a writer of its own.
std::string Riff(uint32_t byteRate, uint32_t dataBytes, const std::string& extra = "",
                 std::optional<uint32_t> declared = std::nullopt) {
    std::string w;
    auto le = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) w.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    w += "RIFF";
    le(36 + static_cast<uint32_t>(extra.size()) + dataBytes, 4);
    w += "WAVEfmt ";
    le(16, 4), le(1, 2), le(1, 2), le(byteRate / 2, 4), le(byteRate, 4), le(2, 2), le(16, 2);
    w += extra;
    w += "data";
    le(declared.value_or(dataBytes), 4);
    w += std::string(dataBytes, '\0');
    return w;
}

TEST(ComputeWavTime, AFileWithAHeaderIsTimedFromItsOwnFormat) {
    PluginTestBed bed;
    // 5.77 s of 22 050 Hz 16-bit mono is 6 s, not the 16 s its size gives at 15 667 bytes a second.
    bed.app.write("HTML/speech.wav", Riff(44100, 254457));
    EXPECT_EQ(ComputeWavTime(bed.state, "speech.wav"), 6);
    // 2.5 s rounds to the even neighbour; another format keeps its own rate.
    bed.app.write("HTML/half.wav", Riff(44100, 110250));
    EXPECT_EQ(ComputeWavTime(bed.state, "half.wav"), 2);
    bed.app.write("HTML/cd.wav", Riff(176400, 176400 * 3));
    EXPECT_EQ(ComputeWavTime(bed.state, "cd.wav"), 3);
    // A chunk before the samples is stepped over (odd sizes are padded).
    std::string list = "LIST";
    list += std::string("\x05\0\0\0abcde\0", 10);
    bed.app.write("HTML/listed.wav", Riff(44100, 44100 * 4, list));
    EXPECT_EQ(ComputeWavTime(bed.state, "listed.wav"), 4);
    // A writer that never filled the size in: the samples that are there count.
    bed.app.write("HTML/open.wav", Riff(44100, 44100 * 3, "", 0xffffffffu));
    EXPECT_EQ(ComputeWavTime(bed.state, "open.wav"), 3);
    // A header cut short falls back to the file's size.
    bed.app.write("HTML/cut.wav", Riff(44100, 0).substr(0, 30) + std::string(156670 - 30, '\0'));
    EXPECT_EQ(ComputeWavTime(bed.state, "cut.wav"), 10);

    EXPECT_TRUE(bed.Log().empty());

    // What the speech routine writes is timed by its samples.
    bed.app.write("HTML/ZephraTemp/old.txt", "");
    TextToWavFile(bed.state, "The front door is open and the back door is open too", "said.wav");
    const std::string said = bed.app.read("HTML/ZephraTemp/said.wav");
    ASSERT_GT(said.size(), 44u);
    const double seconds = static_cast<double>(Le(said, 40, 4)) / Le(said, 28, 4);
    EXPECT_EQ(ComputeWavTime(bed.state, "C:\\HTML\\ZephraTemp\\said.wav"),
              static_cast<int32_t>(std::nearbyint(seconds)));
}

}  // namespace
}  // namespace zephra
