// The playing time the plug-in gives a spoken file in zephra-host: the file's own length, from
// its header, in whole seconds.

#include <gtest/gtest.h>

#include <cmath>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

uint32_t little(const std::string& bytes, std::size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

TEST(SpeechTime, ASpokenFileIsTimedByItsOwnLength) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-speech-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen"});
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        host.writeLine("f = ZephraTextToWav(\"The front door has been open for five minutes, please close it now\")");
        host.writeLine("? \"<\" & f & \"|\" & ZephraWavTime(hs.GetAppPath & \"\\HTML\\ZephraTemp\\\" & f) & \">\"");
        const std::optional<std::string> answer = host.waitForLine("= <");
        ASSERT_TRUE(answer);
        const std::string text = answer->substr(3, answer->size() - 4);
        const std::string file = text.substr(0, text.find('|'));
        const std::string wav = folder.read("HTML/ZephraTemp/" + file);
        ASSERT_GT(wav.size(), 44u);
        ASSERT_EQ(wav.substr(36, 4), "data");
        const double seconds = static_cast<double>(little(wav, 40)) / little(wav, 28);
        EXPECT_GT(seconds, 1.0);
        EXPECT_EQ(text.substr(text.find('|') + 1), std::to_string(static_cast<int>(std::nearbyint(seconds))))
            << seconds << " s in " << wav.size() << " bytes";
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
