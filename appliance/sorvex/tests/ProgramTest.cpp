// The jukebox program itself on a virtual display: its command port across a quick restart,
// the port lines of its preferences, a port it cannot have, and a missing button picture.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

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
    Jukebox(const ScratchFolder& folder, const std::string& uiDirectory, const std::string& name) : folder_(folder) {
        out_ = folder / (name + ".out");
        err_ = folder / (name + ".err");
        const std::string prefs = folder / "prefs", music = folder / "music";
        std::filesystem::create_directories(music);
        const std::string command = "exec env ZEPHRA_PHOTON_UI_DIR='" + uiDirectory + "' '" SORVEX_PROGRAM "' -f '" +
                                    prefs + "' '" + music + "' >'" + out_ + "' 2>'" + err_ + "'";
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
