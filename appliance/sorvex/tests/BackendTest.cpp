// The decoder back-ends: their arguments and outputs, the lines they read at fixed positions,
// and the programs' lives, against stand-in programs and once against the real ones.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include "Backends.h"
#include "FakePlayers.h"
#include "SorvexTesting.h"

namespace sorvex {
namespace {

using testing::FakePlayers;
using testing::RunUntil;
using testing::ScratchFolder;

class RecordingListener : public BackendListener {
public:
    void setTrackTitle(const std::string& text) override { events.push_back("title " + text); }
    void setArtist(const std::string& text) override { events.push_back("artist " + text); }
    void setAlbum(const std::string& text) override { events.push_back("album " + text); }
    void setElapsed(int seconds) override { events.push_back("elapsed " + std::to_string(seconds)); }
    void setLength(int seconds) override { events.push_back("length " + std::to_string(seconds)); }
    void playNext() override {
        events.push_back("next");
        if (onNext) onNext();
    }
    void stopPlayback() override { events.push_back("stop"); }
    bool saw(const std::string& event) const { return std::find(events.begin(), events.end(), event) != events.end(); }
    std::vector<std::string> events;
    std::function<void()> onNext;
};

const AudioOutput kNull{AudioOutput::Kind::Null, ""};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) all.push_back(line);
    return all;
}

TEST(Backends, ChoiceArgumentsAndOutputs) {
    const Backends table = MakeBackends(1, 7.0, kNull);
    EXPECT_EQ(FindBackend(table, "/m/x.MP3")->name(), "madplay");
    EXPECT_EQ(FindBackend(table, "x.mp2")->name(), "madplay");
    EXPECT_EQ(FindBackend(table, "x.ogg")->name(), "ogg123");
    EXPECT_EQ(FindBackend(table, "x.wav"), nullptr);
    EXPECT_EQ(FindBackend(table, "mp3"), nullptr);
    EXPECT_FALSE(HasExtension(nullptr, ".mp3"));

    // The replay-gain switch and the added decibels go as separate arguments.
    EXPECT_EQ(MadplayBackend(1, 7.0, kNull).arguments("/m/a.mp3"),
              (std::vector<std::string>{"madplay", "-v", "-G", "-a", "7.00", "-o", "null:", "/m/a.mp3"}));
    EXPECT_EQ(MadplayBackend(0, 7.0, {AudioOutput::Kind::Wav, "/tmp/o.wav"}).arguments("a.mp3"),
              (std::vector<std::string>{"madplay", "-v", "-o", "wave:/tmp/o.wav", "a.mp3"}));
    EXPECT_EQ(MadplayBackend(0, 7.0, {}).arguments("a.mp3"), (std::vector<std::string>{"madplay", "-v", "a.mp3"}));
    EXPECT_EQ(Ogg123Backend(kNull).arguments("b.ogg"),
              (std::vector<std::string>{"ogg123", "-v", "-d", "null", "b.ogg"}));
    EXPECT_EQ(Ogg123Backend({AudioOutput::Kind::Wav, "/o.wav"}).arguments("b.ogg"),
              (std::vector<std::string>{"ogg123", "-v", "-d", "wav", "-f", "/o.wav", "b.ogg"}));

    setenv("ZEPHRA_AUDIO_SINK", "wav:/tmp/x.wav", 1);
    EXPECT_EQ(AudioOutputFromEnvironment().kind, AudioOutput::Kind::Wav);
    EXPECT_EQ(AudioOutputFromEnvironment().path, "/tmp/x.wav");
    setenv("ZEPHRA_AUDIO_SINK", "null", 1);
    EXPECT_EQ(AudioOutputFromEnvironment().kind, AudioOutput::Kind::Null);
    unsetenv("ZEPHRA_AUDIO_SINK");
}

TEST(Backends, MadplayLines) {
    MadplayBackend madplay(1, 7.0, kNull);
    RecordingListener listener;
    madplay.setListener(&listener);
    for (const char* line :
         {"   Title: My Song", "Title : x", "Artist:", "   Album:   Best Of", "Genre: Pop",
          " 00:01:05 Layer III, 128 kbps, 44100 Hz, joint stereo (MS), no CRC", " 01:02:05 x", " 00:", " 00:01:0",
          "78 frames decoded (0:00:02.0)", "78 frames", "> stopped", "no colon here"})
        madplay.parseLine(line);
    // The progress line carries the time played (hours included) and no length; the summary
    // line does not end the track: the end of the output does.
    EXPECT_EQ(listener.events,
              (std::vector<std::string>{"title My Song", "artist ", "album Best Of", "elapsed 65", "elapsed 3725",
                                        // short progress lines read as far as they go
                                        "elapsed 0", "elapsed 60", "stop"}));
}

TEST(Backends, Ogg123Lines) {
    Ogg123Backend ogg(kNull);
    RecordingListener listener;
    ogg.setListener(&listener);
    for (const char* line :
         {"Time: 01:05.20 [00:59.80] of 02:05.00  ( 19.7 kbps)  Output Buffer  22.2%",
          "Time: 01:06.00 [00:59.00] of 02:05.00", "Time: ", "Title: Ogg Song\r",
          "Time: 1:02:05.00 [00:00.00] of 1:02:05.00 (EOS)", "Total Seconds: 125", "Done.", "Done. ", "Artist: A: B"})
        ogg.parseLine(line);
    // The length comes with every time line and is told when it changes.
    EXPECT_EQ(listener.events,
              (std::vector<std::string>{"elapsed 65", "length 125", "elapsed 66", "elapsed 0", "title Ogg Song",
                                        "elapsed 3725", "length 3725", "length 125", "artist A: B"}));
}

TEST(Backends, StandInProgramsPlayPauseAndStop) {
    FakePlayers fakes;
    for (const char* program : {"madplay", "ogg123"}) {
        SCOPED_TRACE(program);
        const Backends table = MakeBackends(1, 7.0, kNull);
        PlayerBackend& backend = *FindBackend(table, program == std::string("madplay") ? "a.mp3" : "b.ogg");
        RecordingListener listener;
        backend.setListener(&listener);

        // A child of the jukebox that is not the player: stopping the player must not reap it.
        const pid_t other = ::fork();
        if (other == 0) ::_exit(7);

        // The summary line is not the end: the program plays out its last buffer undisturbed,
        // and the end of its output moves the list on, once.
        fakes.mode("end");
        const std::string drained = fakes.argsFile() + ".drained";
        std::filesystem::remove(drained);
        ASSERT_EQ(backend.start("/music/track"), 0);
        EXPECT_TRUE(backend.isPlaying());
        const pid_t player = backend.pid();
        ASSERT_TRUE(RunUntil([&] { return listener.saw("next"); }));
        EXPECT_TRUE(std::filesystem::exists(drained));
        EXPECT_FALSE(backend.isPlaying());
        EXPECT_EQ(::kill(player, 0), -1);  // reaped
        // An unreadable file has no known length: zero, so that the last track's does not linger.
        if (program == std::string("madplay")) {
            EXPECT_EQ(listener.events, (std::vector<std::string>{"length 0", "title Fake Song", "artist Fake Artist",
                                                                 "album Fake Album", "elapsed 65", "next"}));
            EXPECT_EQ(lines(fakes.args()),
                      (std::vector<std::string>{"-v", "-G", "-a", "7.00", "-o", "null:", "/music/track"}));
        } else {
            EXPECT_EQ(listener.events, (std::vector<std::string>{"length 0", "title Ogg Song", "artist Ogg Artist",
                                                                 "length 125", "elapsed 65", "next"}));
            EXPECT_EQ(lines(fakes.args()), (std::vector<std::string>{"-v", "-d", "null", "/music/track"}));
        }
        backend.stop();
        EXPECT_FALSE(backend.isPlaying());
        int status = 0;
        EXPECT_EQ(::waitpid(other, &status, 0), other);
        EXPECT_EQ(WEXITSTATUS(status), 7);

        // A paused track is resumed before it is interrupted, so that it can end at once: the
        // program heard the interrupt (a paused one never does, and is killed after the grace).
        fakes.mode("heed");
        const std::string interrupted = fakes.argsFile() + ".interrupted";
        std::filesystem::remove(interrupted);
        listener.events.clear();
        ASSERT_EQ(backend.start("/music/track"), 0);
        // Paused once it plays, as a user would: a program interrupted before it has set itself
        // up (a busy machine starts it slowly) ends without a note.
        ASSERT_TRUE(RunUntil([&] { return listener.saw("elapsed 65"); }));
        backend.pauseToggle();
        backend.stop();
        EXPECT_FALSE(backend.isPlaying());
        EXPECT_EQ(ScratchFolder::readFile(interrupted), "interrupted\n");

        // The end of the program's output moves on as well, and the program is reaped.
        listener.events.clear();
        fakes.mode("eof");
        ASSERT_EQ(backend.start("/music/track"), 0);
        const pid_t ended = backend.pid();
        ASSERT_TRUE(RunUntil([&] { return listener.saw("next"); }));
        EXPECT_FALSE(backend.isPlaying());
        EXPECT_EQ(::kill(ended, 0), -1);
    }
}

TEST(Backends, ProgramsThatFailToStart) {
    FakePlayers fakes;
    const Backends table = MakeBackends(0, 7.0, kNull);
    PlayerBackend& madplay = *table[0];

    // A program that ignores the interrupt is ended all the same.
    fakes.mode("deaf");
    ASSERT_EQ(madplay.start("a.mp3"), 0);
    const pid_t deaf = madplay.pid();
    madplay.stop();
    EXPECT_EQ(::kill(deaf, 0), -1);

    fakes.mode("mute");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(madplay.start("a.mp3"), -1);
    EXPECT_EQ(table[1]->start("b.ogg"), -1);
    std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("reading from madplay: "), std::string::npos);
    EXPECT_NE(errors.find("reading from player: "), std::string::npos);
    EXPECT_FALSE(madplay.isPlaying());
    EXPECT_EQ(madplay.start(nullptr), -1);

    const std::string path = std::getenv("PATH");
    setenv("PATH", "/nonexistent/one:/nonexistent/two", 1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(madplay.start("a.mp3"), -1);
    errors = ::testing::internal::GetCapturedStderr();
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(errors,
              "madplay: No such file or directory\nLooked in the following directories:\n"
              "\t/nonexistent/one\n\t/nonexistent/two\nMake sure madplay is in one of them and is executable.\n");

    ::chmod((fakes.folder() / "bin/madplay").c_str(), 0644);
    ::testing::internal::CaptureStderr();
    ReportSpawnFailure("madplay", EACCES);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "madplay: Permission denied\nMake sure madplay is executable (run \"chmod +x\" on it.)\n");
}

// The Debian programs on short files made by ffmpeg, into a WAV file and into nothing.
TEST(Backends, RealProgramsOnShortFiles) {
    ScratchFolder folder;
    const std::string mp3 = folder / "tone.mp3", ogg = folder / "tone.ogg";
    const std::string make = "ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=1 ";
    ASSERT_EQ(std::system((make + "-metadata title='Real Tone' -metadata artist='Oscillator' " + mp3).c_str()), 0);
    ASSERT_EQ(std::system((make + "-c:a libvorbis -metadata title='Ogg Tone' " + ogg).c_str()), 0);

    const std::string wav = folder / "out.wav";
    for (const AudioOutput& output : {AudioOutput{AudioOutput::Kind::Wav, wav}, kNull}) {
        const Backends table = MakeBackends(1, 7.0, output);
        for (const std::string& file : {mp3, ogg}) {
            SCOPED_TRACE(file);
            RecordingListener listener;
            PlayerBackend& backend = *FindBackend(table, file.c_str());
            backend.setListener(&listener);
            ASSERT_EQ(backend.start(file.c_str()), 0);
            ASSERT_TRUE(RunUntil([&] { return listener.saw("next"); }, std::chrono::seconds(30)));
            backend.stop();
            EXPECT_TRUE(listener.saw(file == mp3 ? "title Real Tone" : "title Ogg Tone"));
            if (file == mp3) {
                EXPECT_TRUE(listener.saw("artist Oscillator"));
            }
            EXPECT_TRUE(listener.saw("elapsed 1"));
            EXPECT_EQ(listener.events.front(), "length 1");
            if (output.kind == AudioOutput::Kind::Wav) {
                const std::string written = ScratchFolder::readFile(wav);
                ASSERT_GT(written.size(), 44u + 40000u);
                EXPECT_EQ(written.substr(0, 4), "RIFF");
                std::filesystem::remove(wav);
            }
        }
    }
}

}  // namespace
}  // namespace sorvex
