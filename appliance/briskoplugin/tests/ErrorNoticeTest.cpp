// An error of a player, reported on its own thread, is shown in the GUI's notice box (on a
// virtual display): title "briskoplugin error", the error text, one button "OK"; the loop goes on
// while it is up, and the instance repeats no more. The browser driver's time limit ends the
// page with such a box up, and its quiet mode still prints its errors.
#include <gtest/gtest.h>

#include <unistd.h>

#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "InstanceRecord.h"
#include "PlayerContext.h"
#include "photon/PhotonTest.h"
#include "photon/PtApp.h"

namespace {

int g_done[2] = {-1, -1};
std::atomic<bool> g_finished{false};

int OnDone(int fd, void *, unsigned)
{
    char b;
    [[maybe_unused]] ssize_t n = read(fd, &b, 1);
    g_finished = true;
    return photon::Pt_END;
}

TEST(ErrorNotice, APlayersErrorIsShownInANoticeBox)
{
    setenv("ZEPHRA_MEDIA_SETTINGS", "/nonexistent/media.conf", 1);
    ASSERT_EQ(photon::PtInit(nullptr), 0) << "no display";
    ASSERT_EQ(pipe(g_done), 0);
    photon::PtAppAddFd(nullptr, g_done[0], photon::Pt_FD_READ, OnDone, nullptr);

    NPP_t instance{};
    char type[] = "audio/mpeg";
    char name[] = "loop", value[] = "true";
    char *argn[] = {name}, *argv[] = {value};
    ASSERT_EQ(NPP_New(type, &instance, NP_EMBED, 1, argn, argv, nullptr), NPERR_NO_ERROR);
    auto *record = static_cast<InstanceRecord *>(instance.pdata);
    MvPluginCtrl *ctrl = record->ctrl;

    photon::test::AnswerDialog(1);
    std::thread player([ctrl] {
        briskoplugin::ReportError(ctrl, "MPEG Audio Plugin: error in parsing frame header");
        [[maybe_unused]] ssize_t n = write(g_done[1], "x", 1);
    });
    while (!g_finished) photon::PtProcessEvent();
    player.join();

    const auto seen = photon::test::DialogsSeen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, "notice");
    EXPECT_EQ(seen[0].title, "briskoplugin error");
    EXPECT_EQ(seen[0].message, "MPEG Audio Plugin: error in parsing frame header");
    EXPECT_EQ(seen[0].buttons, (std::vector<std::string>{"OK"}));
    EXPECT_EQ(record->error, 1);
    EXPECT_EQ(NPP_Destroy(&instance, nullptr), NPERR_NO_ERROR);
}

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// embed-play -q -t 1500 with an output that cannot be opened (as on a machine without a sound
// device): the player's box waits for an OK nobody gives, yet the program ends soon after the
// limit, with status 1 and a line that says why; the embed whose file is missing is named on
// standard output although the log is quiet.
TEST(ErrorNotice, TheDriversTimeLimitEndsThePageWithTheBoxUpAndQuietKeepsErrors)
{
    const std::string dir = NOTICE_WORKDIR;
    std::filesystem::create_directories(dir);
    const std::string mp3 = dir + "/tone.mp3", missing = dir + "/missing.mp3";
    std::filesystem::remove(missing);
    ASSERT_EQ(std::system(("ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=3 -ac 2 '" + dir +
                           "/tone.wav' && lame --quiet '" + dir + "/tone.wav' '" + mp3 + "'")
                              .c_str()),
              0);
    const std::string out = dir + "/out", err = dir + "/err";
    const std::string command =
        "ZEPHRA_AUDIO_SINK=alsa:zephra-no-such-device ZEPHRA_MEDIA_SETTINGS=/nonexistent "
        "timeout -s KILL 120 '" EMBED_PLAY_PATH "' -q -t 1500 '" BRISKOPLUGIN_PATH "' '" +
        mp3 + "' '" + missing + "' >'" + out + "' 2>'" + err + "'";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(WIFEXITED(status)) << "killed after 120 s: the box held the program";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_LT(took, std::chrono::seconds(60));
    const std::string said = ReadAll(err);
    EXPECT_NE(said.find("embed-play: a player had not ended 3000 ms after the page's time limit"), std::string::npos)
        << said;
    const std::string logged = ReadAll(out);
    EXPECT_NE(logged.find("embed 2: cannot fetch file://" + missing + ": " + missing + ": No such file or directory"),
              std::string::npos)
        << logged;
    EXPECT_EQ(logged.find("NPP_Write"), std::string::npos) << "quiet logs no calls";
}

}  // namespace
