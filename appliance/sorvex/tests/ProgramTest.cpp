// The jukebox program itself on a virtual display: its command port across a quick restart,
// the port lines of its preferences, a port it cannot have, and a missing button picture.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "SorvexTesting.h"

extern char** environ;

namespace sorvex {
namespace {

using testing::Client;
using testing::ScratchFolder;

// A port that is free now (the system's choice, released at once).
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool Connects(int port) {
    Client client("127.0.0.1", port);
    return client.connected();
}

// One run of the program with its output in files.
class Jukebox {
public:
    // `wrapper`: a command the program runs under (another display's); `prefsName`: its
    // preferences file in the folder.
    Jukebox(const ScratchFolder& folder, const std::string& uiDirectory, const std::string& name,
            const std::string& wrapper = "", const std::string& prefsName = "prefs")
        : folder_(folder) {
        out_ = folder / (name + ".out");
        err_ = folder / (name + ".err");
        const std::string prefs = folder / prefsName, music = folder / "music";
        std::filesystem::create_directories(music);
        const std::string command = "exec " + wrapper + " env ZEPHRA_PHOTON_UI_DIR='" + uiDirectory +
                                    "' '" SORVEX_PROGRAM "' -f '" + prefs + "' '" + music + "' >'" + out_ + "' 2>'" +
                                    err_ + "'";
        const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
        EXPECT_EQ(::posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    }
    ~Jukebox() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    // Waits until the port answers or the program has ended.
    bool listensOn(int port) {
        for (int i = 0; i < 2000; ++i) {
            if (Connects(port)) return true;
            if (ended()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    bool ended() {
        if (pid_ <= 0) return true;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        pid_ = -1;
        return true;
    }
    int waitForEnd() {
        for (int i = 0; i < 3000 && !ended(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return status_;
    }
    std::string errors() const { return ScratchFolder::readFile(err_); }
    // The processor time the program and its ended children have used so far, in clock ticks.
    long cpuTicks() const {
        const std::string stat = ScratchFolder::readFile("/proc/" + std::to_string(pid_) + "/stat");
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        long ticks = 0;
        for (int i = 3; i <= 17 && fields >> field; ++i)
            if (i >= 14) ticks += std::atol(field.c_str());
        return ticks;
    }

private:
    const ScratchFolder& folder_;
    std::string out_, err_;
    pid_t pid_ = -1;
    int status_ = -1;
};

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("ZEPHRA_PHOTON_SCOPE", folder.path().c_str(), 1);
        setenv("ZEPHRA_AUDIO_SINK", "null", 1);
        setenv("HOME", folder.path().c_str(), 1);
    }
    void prefs(const std::string& text) { folder.write("prefs", "shuffle 0\n" + text); }
    // The main window's title bar names, as the display lists them.
    std::string windows() {
        const std::string list = folder / "windows";
        std::system(("xwininfo -root -tree > '" + list + "' 2>&1").c_str());
        return ScratchFolder::readFile(list);
    }

    ScratchFolder folder;
};

TEST_F(ProgramTest, ARestartKeepsItsPortAndOnlyTheLastPortLineListens) {
    const int unused = FreePort(), port = FreePort();
    ASSERT_NE(unused, port);
    prefs("port " + std::to_string(unused) + "\nport " + std::to_string(port) + "\n");
    {
        Jukebox jukebox(folder, SORVEX_UI_DIR, "first");
        ASSERT_TRUE(jukebox.listensOn(port)) << jukebox.errors();
        EXPECT_FALSE(Connects(unused));
        // "quit": the jukebox closes its side first, which then lingers in TIME_WAIT.
        Client client("127.0.0.1", port);
        client.send("quit\n");
        ASSERT_TRUE(client.awaitReceived("200 OK\n"));
        EXPECT_EQ(jukebox.waitForEnd(), 0);
        client.close();
    }
    // The preferences written at the end keep the last port only.
    EXPECT_TRUE(testing::holds(folder.read("prefs"), "port " + std::to_string(port) + "\n"));
    EXPECT_FALSE(testing::holds(folder.read("prefs"), "port " + std::to_string(unused) + "\n"));
    Jukebox again(folder, SORVEX_UI_DIR, "second");
    ASSERT_TRUE(again.listensOn(port)) << again.errors();
    EXPECT_EQ(again.errors().find("bind"), std::string::npos) << again.errors();
    Client client("127.0.0.1", port);
    client.send("status\n");
    EXPECT_TRUE(client.awaitReceived("mode stop\n200 OK\n"));
    EXPECT_EQ(client.received(), "mode stop\n200 OK\n");
}

TEST_F(ProgramTest, APortInUseIsReportedOnTheConsoleAndInTheWindow) {
    // Another program holds the port.
    const int holder = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(holder, 1), 0);
    socklen_t size = sizeof address;
    ::getsockname(holder, reinterpret_cast<sockaddr*>(&address), &size);
    const int port = ntohs(address.sin_port);
    prefs("port " + std::to_string(port) + "\n");
    Jukebox jukebox(folder, SORVEX_UI_DIR, "busy");
    std::string shown;
    for (int i = 0; i < 2000 && !testing::holds(shown, "Sorvex Alert"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        shown = windows();
    }
    EXPECT_TRUE(testing::holds(shown, "\"Sorvex Alert\"")) << shown;
    const std::string errors = jukebox.errors();
    EXPECT_TRUE(testing::holds(errors, "bind: Address already in use\n")) << errors;
    EXPECT_TRUE(testing::holds(errors, "Command port " + std::to_string(port) +
                                           " could not be opened (Address already in use): no network control\n"))
        << errors;
    ::close(holder);
}

TEST_F(ProgramTest, AMissingButtonPictureEndsTheProgram) {
    // The window's file without the hidden label of one picture.
    const std::string ui = folder / "ui";
    std::filesystem::copy(SORVEX_UI_DIR, ui, std::filesystem::copy_options::recursive);
    std::string window = ScratchFolder::readFile(ui + "/Sorvex.ui");
    const std::size_t image = window.find("<object class=\"GtkImage\" id=\"PauseDisabledImage\">");
    ASSERT_NE(image, std::string::npos);
    const std::size_t at = window.rfind("<child>", image);
    ASSERT_NE(at, std::string::npos);
    window.erase(at, window.find("</child>", image) + 8 - at);
    folder.write("ui/Sorvex.ui", window);
    prefs("");
    Jukebox jukebox(folder, ui, "nopicture");
    EXPECT_EQ(jukebox.waitForEnd(), 1);
    EXPECT_TRUE(testing::holds(jukebox.errors(), "Can't get playback control image: No such file or directory\n"))
        << jukebox.errors();
}

// One jukebox per display: a second one on another display of the same user starts and runs
// beside the first; one more on the first's display hands over to it and ends with status 1,
// also when it was started with another runtime folder.
TEST_F(ProgramTest, OneJukeboxPerDisplay) {
    unsetenv("ZEPHRA_PHOTON_SCOPE");
    const std::string run = folder / "run";
    std::filesystem::create_directories(run);
    std::filesystem::permissions(run, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
    const int first = FreePort(), second = FreePort();
    ASSERT_NE(first, second);
    prefs("port " + std::to_string(first) + "\n");
    folder.write("other.prefs", "port " + std::to_string(second) + "\n");
    Jukebox here(folder, SORVEX_UI_DIR, "here");
    ASSERT_TRUE(here.listensOn(first)) << here.errors();
    {
        Jukebox elsewhere(folder, SORVEX_UI_DIR, "elsewhere", "'" ON_VIRTUAL_DISPLAY "'", "other.prefs");
        const bool runs = elsewhere.listensOn(second);
        EXPECT_TRUE(runs) << elsewhere.errors();
        if (runs) {
            // Ended through its port, so that its display goes with it.
            Client client("127.0.0.1", second);
            client.send("quit\n");
            EXPECT_EQ(elsewhere.waitForEnd(), 0) << elsewhere.errors();
        }
    }
    Jukebox again(folder, SORVEX_UI_DIR, "again", "", "other.prefs");
    EXPECT_EQ(again.waitForEnd(), 1) << again.errors();
    EXPECT_EQ(again.errors(), "");
    {
        // Another runtime folder (another login on the same display) is still the same display.
        const std::string other = folder / "other-run";
        std::filesystem::create_directories(other);
        std::filesystem::permissions(other, std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", other.c_str(), 1);
        Jukebox another(folder, SORVEX_UI_DIR, "another", "", "other.prefs");
        EXPECT_EQ(another.waitForEnd(), 1) << another.errors();
        EXPECT_EQ(another.errors(), "");
        setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
    }
    EXPECT_TRUE(Connects(first));
    EXPECT_FALSE(Connects(second));
    unsetenv("XDG_RUNTIME_DIR");
}

// On a machine without a sound device the player ends at once: the jukebox says so once, on
// the console and in the window, with what the player said, and stops; it does not start the
// player again and again (repeat is on), and its status says it is stopped.
TEST_F(ProgramTest, WithoutASoundDeviceAFailedPlayIsReportedOnceAndStops) {
    unsetenv("ZEPHRA_AUDIO_SINK");
    // No sound device whatever this machine has: the sound library knows none.
    folder.write("no-sound.conf", "\n");
    setenv("ALSA_CONFIG_PATH", (folder / "no-sound.conf").c_str(), 1);
    setenv("PULSE_SERVER", (folder / "no-server").c_str(), 1);
    const int port = FreePort();
    prefs("repeat 1\nport " + std::to_string(port) + "\n");
    const std::string music = folder / "music";
    std::filesystem::create_directories(music);
    ASSERT_EQ(std::system(("ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=30:sample_rate=8000 "
                           "-ac 1 -b:a 8k '" +
                           music + "/long.mp3'")
                              .c_str()),
              0);
    Jukebox jukebox(folder, SORVEX_UI_DIR, "nosound");
    const bool listening = jukebox.listensOn(port);
    unsetenv("ALSA_CONFIG_PATH");
    unsetenv("PULSE_SERVER");
    ASSERT_TRUE(listening) << jukebox.errors();
    auto status = [&] {
        Client client("127.0.0.1", port);
        client.send("status\n");
        for (int i = 0; i < 3000 && !testing::holds(client.received(), "200 OK\n") && !client.poll(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return client.received();
    };
    {
        Client client("127.0.0.1", port);
        client.send("launch " + music + "/long.mp3\n");
        for (int i = 0; i < 3000 && !client.poll() && client.received().empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(client.received(), "200 OK\n");
    }
    const std::string said = "madplay ended before playing " + music + "/long.mp3: audio: No such file or directory\n";
    for (int i = 0; i < 3000 && !testing::holds(jukebox.errors(), said); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(testing::holds(jukebox.errors(), said)) << jukebox.errors();
    std::string shown;
    for (int i = 0; i < 2000 && !testing::holds(shown, "Sorvex Alert"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        shown = windows();
    }
    EXPECT_TRUE(testing::holds(shown, "\"Sorvex Alert\"")) << shown;
    EXPECT_EQ(status(), "mode stop\n200 OK\n");
    // Settled (the alert drawn), then three seconds more: still stopped, the player not started
    // again, the processor idle (the players it started count with it).
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const long before = jukebox.cpuTicks();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const long used = jukebox.cpuTicks() - before;
    EXPECT_LT(used, ::sysconf(_SC_CLK_TCK) / 5) << used << " ticks in 3 s";
    EXPECT_EQ(status(), "mode stop\n200 OK\n");
    const std::string errors = jukebox.errors();
    EXPECT_EQ(errors.find(said), errors.rfind(said)) << errors;
    EXPECT_FALSE(jukebox.ended());
}

// Named pipes in the music folder, where a jukebox that opened them would wait for a writer for
// good: a list file, a track table and a track that are pipes, and a folder whose page
// description and cover picture are pipes. The jukebox starts in that folder, refuses each pipe
// with a line on the console, plays the list's tracks around its pipe, and its port answers
// throughout. The player is never started on a pipe.
TEST_F(ProgramTest, NamedPipesInTheMusicFolderAreRefusedAndTheJukeboxAnswersOn) {
    const int port = FreePort();
    prefs("repeat 0\nport " + std::to_string(port) + "\n");
    const std::string music = folder / "music", more = music + "/more";
    std::filesystem::create_directories(more);
    for (const char* name : {"one", "two"})
        ASSERT_EQ(std::system(("ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=1:sample_rate=8000 "
                               "-ac 1 -b:a 8k '" +
                               music + "/" + name + ".mp3'")
                                  .c_str()),
                  0);
    for (const std::string& pipe :
         {music + "/pipe.mp3", music + "/pipe.m3u", music + "/table.txt", more + "/index.phj", more + "/cover.jpg"})
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0) << pipe;
    folder.write("music/list.m3u", "one.mp3\npipe.mp3\ntwo.mp3\n");
    // The real player, noting each track it is started on.
    const std::string started = folder / "started";
    folder.write("bin/madplay", "#!/bin/sh\nfor last; do :; done\necho \"$last\" >> '" + started +
                                    "'\nPATH=${PATH#*:} exec madplay \"$@\"\n");
    ::chmod((folder / "bin/madplay").c_str(), 0755);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    setenv("PATH", (folder / "bin" + ":" + path).c_str(), 1);
    Jukebox jukebox(folder, SORVEX_UI_DIR, "pipes");
    const bool listening = jukebox.listensOn(port);
    setenv("PATH", path.c_str(), 1);
    ASSERT_TRUE(listening) << jukebox.errors();
    // One line, then "status": what the jukebox answered within a minute.
    auto ask = [&](const std::string& line) {
        Client client("127.0.0.1", port);
        client.send(line + "\nstatus\n");
        for (int i = 0; i < 6000 && !testing::holds(client.received(), "mode ") && !client.poll(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (int i = 0; i < 500 && !testing::holds(client.received(), "\n200 OK\n") && !client.poll(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return client.received();
    };
    // Started in the folder with the track table that is a pipe.
    EXPECT_EQ(ask("stop"), "200 OK\nmode stop\n200 OK\n") << jukebox.errors();
    EXPECT_EQ(ask("launch " + music + "/pipe.mp3"), "200 OK\nmode stop\n200 OK\n") << jukebox.errors();
    EXPECT_EQ(ask("launch " + music + "/pipe.m3u"), "200 OK\nmode stop\n200 OK\n") << jukebox.errors();
    EXPECT_EQ(ask("launch " + more), "200 OK\nmode stop\n200 OK\n") << jukebox.errors();
    // The list: its first track, then the pipe refused, then the track after it.
    EXPECT_TRUE(testing::holds(ask("launch " + music + "/list.m3u"), "200 OK\nmode ")) << jukebox.errors();
    for (int i = 0; i < 3000 && !testing::holds(folder.read("started"), "two.mp3"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(folder.read("started"), music + "/one.mp3\n" + music + "/two.mp3\n");
    const std::string answer = ask("stop");
    EXPECT_EQ(answer, "200 OK\nmode stop\n200 OK\n") << jukebox.errors();
    const std::string errors = jukebox.errors();
    for (const std::string& pipe :
         {music + "/pipe.mp3", music + "/pipe.m3u", music + "/table.txt", more + "/index.phj"})
        EXPECT_TRUE(testing::holds(errors, pipe + ": not a regular file\n")) << pipe << "\n" << errors;
    // The pipe track is refused when launched alone and again where the list meets it.
    const std::string refused = music + "/pipe.mp3: not a regular file\n";
    EXPECT_NE(errors.find(refused), errors.rfind(refused)) << errors;
    {
        Client client("127.0.0.1", port);
        client.send("quit\n");
        for (int i = 0; i < 3000 && !client.poll(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(jukebox.waitForEnd(), 0) << jukebox.errors();
}

// A client of its own thread that sends one line every `every`, with at most five lines not
// answered yet (a longer backlog would only keep a busy machine's jukebox busy after the test).
class Sender {
public:
    Sender(int port, std::vector<std::string> lines, std::chrono::milliseconds every)
        : thread_([this, port, lines = std::move(lines), every] { run(port, lines, every); }) {}
    ~Sender() { stop(); }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    int sent() const { return sent_; }

private:
    void run(int port, const std::vector<std::string>& lines, std::chrono::milliseconds every) {
        Client client("127.0.0.1", port);
        int answered = 0;
        auto collect = [&] {
            const bool closed = client.poll();
            answered += static_cast<int>(std::count(client.received().begin(), client.received().end(), '\n'));
            client.clearReceived();
            return closed;
        };
        for (std::size_t i = 0; !stop_ && client.connected(); ++i) {
            client.send(lines[i % lines.size()] + "\n");
            ++sent_;
            const auto next = std::chrono::steady_clock::now() + every;
            while (!stop_ && (std::chrono::steady_clock::now() < next || sent_ - answered >= 5)) {
                if (collect()) return;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
    }

    std::atomic<bool> stop_{false};
    std::atomic<int> sent_{0};
    std::thread thread_;
};

// The sanitized jukebox is several times slower: its long list is shorter, still shown in progress.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kLongList = 20000;
#else
constexpr int kLongList = 100000;
#endif

// Three clients at once while the jukebox shows the progress of a long list: a 100,000-entry
// list launched every second, "prev" every 10 ms, "clear" and "save" every 30 ms, repeat on.
// Each command runs whole before the next: the jukebox answers on, its list and the saved
// file stay whole, and it ends cleanly when asked.
TEST_F(ProgramTest, ConcurrentClientsDuringALongListLeaveTheJukeboxWhole) {
    const int port = FreePort();
    prefs("shuffle 1\nrepeat 1\nport " + std::to_string(port) + "\n");
    const std::string music = folder / "music";
    std::filesystem::create_directories(music);
    ASSERT_EQ(std::system(("ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=1:sample_rate=8000 "
                           "-ac 1 -b:a 8k '" +
                           music + "/one.mp3'")
                              .c_str()),
              0);
    std::string list;
    for (int i = 0; i < kLongList; ++i) list += "one.mp3\n";
    folder.write("music/big.m3u", list);
    Jukebox jukebox(folder, SORVEX_UI_DIR, "concurrent");
    ASSERT_TRUE(jukebox.listensOn(port)) << jukebox.errors();
    {
        Sender launcher(port, {"launch " + music + "/big.m3u"}, std::chrono::milliseconds(1000));
        Sender stepper(port, {"prev"}, std::chrono::milliseconds(10));
        Sender clearer(port, {"clear", "save r.m3u"}, std::chrono::milliseconds(30));
        std::this_thread::sleep_for(std::chrono::seconds(6));
        ASSERT_FALSE(jukebox.ended()) << jukebox.errors();
        launcher.stop();
        stepper.stop();
        clearer.stop();
    }
    // Whatever waited has run: the jukebox answers, then saves its last list whole.
    {
        Client client("127.0.0.1", port);
        client.send("launch " + music + "/big.m3u\nstatus\n");
        for (int i = 0; i < 3000 && !testing::holds(client.received(), "mode ") && !client.poll(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_TRUE(testing::holds(client.received(), "200 OK\nmode play\n")) << client.received();
        client.send("save whole.m3u\nstatus\n");
        const std::string before = client.received();
        for (int i = 0; i < 3000 && client.received().size() < before.size() + 16 && !client.poll(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        client.send("quit\n");
        for (int i = 0; i < 3000 && !client.poll(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(jukebox.waitForEnd(), 0) << jukebox.errors();
    const std::string saved = folder.read("music/whole.m3u");
    std::size_t entries = 0;
    for (std::size_t at = saved.find("one.mp3\r\n"); at != std::string::npos; at = saved.find("one.mp3\r\n", at + 1))
        ++entries;
    EXPECT_EQ(entries, static_cast<std::size_t>(kLongList));
    const std::string errors = jukebox.errors();
    EXPECT_FALSE(testing::holds(errors, "AddressSanitizer")) << errors;
    EXPECT_FALSE(testing::holds(errors, "runtime error")) << errors;
    EXPECT_FALSE(testing::holds(errors, "Couldn't")) << errors;
}

}  // namespace
}  // namespace sorvex

namespace sorvex {
namespace {

// An unknown option: the usage line alone, on standard output, and status 1, before any window.
TEST(SorvexOptions, AnUnknownOptionPrintsTheUsageOnStandardOutput) {
    testing::ScratchFolder folder;
    const std::string out = folder / "out", err = folder / "err";
    const std::string command = std::string(SORVEX_PROGRAM) + " -z >" + out + " 2>" + err + "; test $? -eq 1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(testing::ScratchFolder::readFile(out), "Usage: sorvex [-x|y|w|h num] [-f config-file] [starting-dir]\n");
    EXPECT_EQ(testing::ScratchFolder::readFile(err), "");
}

}  // namespace
}  // namespace sorvex
