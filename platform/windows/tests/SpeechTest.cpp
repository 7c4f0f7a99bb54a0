#include "windows/SpVoice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <thread>

#include "windows/testing/ErrorNumber.h"
#include "windows/testing/TempAppFolder.h"
#include "windows/FileSystemObject.h"

namespace windows {
namespace {

using testing::errorNumber;
using testing::TempAppFolder;

struct Wave {
    uint16_t format = 0, channels = 0, bits = 0;
    uint32_t rate = 0, riffSize = 0, dataSize = 0;
    std::string data;
};

uint32_t le(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

// Reads the header on its own, not through wav/WavHeader.h: an independent check of the writer.
Wave parse(const std::string& bytes) {
    Wave w;
    EXPECT_GE(bytes.size(), 44u);
    if (bytes.size() < 44) return w;
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(bytes.substr(36, 4), "data");
    w.riffSize = le(bytes, 4, 4);
    w.format = static_cast<uint16_t>(le(bytes, 20, 2));
    w.channels = static_cast<uint16_t>(le(bytes, 22, 2));
    w.rate = le(bytes, 24, 4);
    w.bits = static_cast<uint16_t>(le(bytes, 34, 2));
    w.dataSize = le(bytes, 40, 4);
    w.data = bytes.substr(44);
    return w;
}

// What the plug-in's speech routine does, step by step.
Wave speak(const TempAppFolder& app, const std::string& text, const SpObjectToken* voice = nullptr) {
    std::filesystem::create_directories(app.path() / "HTML" / "ZephraTemp");
    SpVoice v;
    if (voice) v.Voice(*voice);
    auto stream = std::make_shared<SpFileStream>();
    stream->Format().Type(22);
    stream->Open("C:\\HTML\\ZephraTemp\\ZephraTempFile1.wav", 3, false);
    v.AudioOutputStream(stream);
    v.Speak(text, 0);
    stream->Close();
    return parse(app.read("HTML/ZephraTemp/ZephraTempFile1.wav"));
}

TEST(Speech, SpeaksA22050Hz16BitMonoWaveThatGrowsWithTheText) {
    TempAppFolder app;
    app.write("HTML/ZephraTemp/ZephraTempFile1.wav", std::string(2'000'000, 'x'));  // overwritten
    Wave shortWave = speak(app, "Hello.");
    EXPECT_EQ(shortWave.format, 1);
    EXPECT_EQ(shortWave.channels, 1);
    EXPECT_EQ(shortWave.rate, 22050u);
    EXPECT_EQ(shortWave.bits, 16);
    EXPECT_EQ(shortWave.dataSize, shortWave.data.size());
    EXPECT_EQ(shortWave.riffSize, shortWave.data.size() + 36);
    EXPECT_GT(shortWave.data.size(), 22050u / 4);  // some tenths of a second of speech
    EXPECT_LT(shortWave.data.size(), 2'000'000u);

    Wave longWave = speak(app, "Hello. There is someone at the front door, and the kitchen light is on.");
    EXPECT_GT(longWave.data.size(), 3 * shortWave.data.size());
}

TEST(Speech, MarkupIsReadAsPlainText) {
    TempAppFolder app;
    Wave plain = speak(app, "hello");
    Wave tagged = speak(app, "<speak>hello</speak>");
    Wave phonemes = speak(app, "[[h@loU]]");
    Wave pause = speak(app, "<break time=\"20s\"/>");
    EXPECT_GT(tagged.data.size(), plain.data.size() * 3 / 2);
    EXPECT_GT(phonemes.data.size(), plain.data.size() * 3 / 2);
    EXPECT_LT(pause.data.size(), 20u * 22050 * 2);
}

TEST(Speech, VoicesAreListedAndOneIsChosenByItsDescription) {
    TempAppFolder app;
    SpVoice voice;
    auto voices = voice.GetVoices();
    ASSERT_FALSE(voices.empty());
    for (const auto& v : voices) EXPECT_FALSE(v.GetDescription().empty());
    EXPECT_EQ(voice.Voice().GetDescription(), "English (America)");

    auto germanVoice = std::find_if(voices.begin(), voices.end(),
                                    [](const SpObjectToken& t) { return t.GetDescription() == "German"; });
    ASSERT_NE(germanVoice, voices.end());
    // The engine varies its output a little from call to call; a language changes it a lot.
    const std::string text = "Guten Tag, wie geht es Ihnen? Ich bin heute leider nicht zu Hause.";
    double english = static_cast<double>(speak(app, text).data.size());
    double german = static_cast<double>(speak(app, text, &*germanVoice).data.size());
    EXPECT_GT(std::abs(german - english), english * 0.05);
    voice.Voice(*germanVoice);
    EXPECT_EQ(voice.Voice().GetDescription(), "German");
}

TEST(Speech, VoicesOnSeveralThreadsSpeakOneAtATime) {
    TempAppFolder app;
    std::filesystem::create_directories(app.path() / "HTML" / "ZephraTemp");
    const std::string texts[4] = {"one", "two two two", "three three three three three", "four"};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&, i] {
            SpVoice voice;
            auto stream = std::make_shared<SpFileStream>();
            stream->Open("\\HTML\\ZephraTemp\\t" + std::to_string(i) + ".wav");
            voice.AudioOutputStream(stream);
            for (int round = 0; round < 3; ++round) voice.Speak(texts[i]);
            stream->Close();
        });
    for (auto& t : threads) t.join();
    size_t sizes[4];
    for (int i = 0; i < 4; ++i) {
        Wave w = parse(app.read("HTML/ZephraTemp/t" + std::to_string(i) + ".wav"));
        EXPECT_EQ(w.dataSize, w.data.size());
        sizes[i] = w.data.size();
    }
    EXPECT_LT(sizes[0], sizes[1]);
    EXPECT_LT(sizes[1], sizes[2]);
    EXPECT_LT(sizes[3], sizes[2]);
}

TEST(Speech, StreamsRaiseForWhatTheyCannotDo) {
    TempAppFolder app;
    SpFileStream stream;
    EXPECT_EQ(errorNumber([&] { stream.Format().Type(20); }), 5);
    EXPECT_EQ(stream.Format().Type(), 22);
    EXPECT_EQ(errorNumber([&] { stream.Open("\\HTML\\Missing\\a.wav", 3); }), 76);
    EXPECT_EQ(errorNumber([&] { stream.Open("\\a.wav", 0); }), 5);
    SpVoice voice;
    EXPECT_EQ(errorNumber([&] { voice.Speak("no stream"); }), 5);
    voice.AudioOutputStream(std::make_shared<SpFileStream>());
    EXPECT_EQ(errorNumber([&] { voice.Speak("closed stream"); }), 5);
}

}  // namespace
}  // namespace windows
