// An error of a player, reported on its own thread, is shown in the GUI's notice box (on a
// virtual display): title "briskoplugin error", the error text, one button "OK"; the loop goes on
// while it is up, and the instance repeats no more.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdlib>
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

}  // namespace
