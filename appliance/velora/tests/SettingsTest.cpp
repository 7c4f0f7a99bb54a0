// The settings dialog: its checks of sound cards and devices and their messages, the mount point,
// window modes and sizes, the colour key, Default while a plug-in plays; and the remote control
// switched on from it, with the reader program sending keys from a pseudo-terminal.
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "playlist/Controller.h"
#include "PaneFixture.h"
#include "panes/Panes.h"
#include "window/Remote.h"
#include "dialogs/Settings.h"

namespace velora::testing {
namespace {

using namespace photon;
namespace t = photon::test;

class SettingsDialog : public PaneTest {
protected:
    void SetUp() override
    {
        PaneTest::SetUp();
        OnOpenSettings(nullptr, nullptr, nullptr);
        t::RunUntilIdle();
        ASSERT_NE(t::Find("dvd_advancedlg"), nullptr);
        ASSERT_EQ(mplayer.bAdvanceDlgOpen, 1);
    }
    void TearDown() override
    {
        CloseSettingsDialog();
        PaneTest::TearDown();
    }
    // Types a value and returns the message it brought up ("" for none), closing it.
    std::string Enter(const char* field, int value)
    {
        t::EnterNumber(t::Find(field), value);
        std::string text = ErrorText();
        CloseError();
        return text;
    }
};

TEST(ColourKey, StartUpAndDefaultPackItTheSameWay)
{
    // Maximum in the second reserved word, minimum in the third; the first is not the key's.
    MvVideoSettingInfo video{};
    video.reserve_1 = 7;
    video.reserve_3 = 0x123456;
    PresetVideoSettings(video);
    EXPECT_EQ(video.reserve_1, 7u);
    EXPECT_EQ(video.reserve_2, 0xFFFFFFu);
    EXPECT_EQ(video.reserve_3, 0u);
    EXPECT_EQ(video.brightness, 500u);
    EXPECT_EQ(video.contrast, 500u);
    EXPECT_EQ(video.saturation, 500u);
}

TEST_F(SettingsDialog, SoundCardAndDeviceChecksRevertWithTheirMessages)
{
    // The null output has one card with one PCM device and no digital output.
    const int stored = static_cast<int>(mplayer.setup.audio.pcmPlaybackCardA);
    EXPECT_EQ(Enter("pcmPlaybackCardA", 1), "audio card1 is invalid. ( Range 0 to 0 )\n");
    EXPECT_EQ(t::Value(t::Find("pcmPlaybackCardA")), stored);
    EXPECT_EQ(Enter("pcmPlaybackCardA", 0), "");
    EXPECT_EQ(mplayer.setup.audio.pcmPlaybackCardA, 0u);
    EXPECT_EQ(mplayer.params.audio.pcmPlaybackCardA, 0u);
    EXPECT_EQ(Enter("pcmPlaybackDeviceA", 2), "device 2 is invalid for PCM(A) Playback card 0. ( Range 0 to 0 )\n");
    EXPECT_EQ(Enter("pcmPlaybackDeviceA", 0), "");
    EXPECT_EQ(mplayer.setup.audio.pcmPlaybackDeviceA, 0u);
    EXPECT_EQ(Enter("spdifPlaybackCard", 3), "audio card 3 is invalid. ( Range 0 to 0 )\n");
    // With card -1 no device check runs.
    EXPECT_EQ(Enter("pcmPlaybackCardB", -1), "");
    EXPECT_EQ(Enter("pcmPlaybackDeviceB", 5), "");
    EXPECT_EQ(Enter("spdifPlaybackCard", 0), " device -1 on card 0 is an invalid SPDIF playback device\n");
    EXPECT_EQ(Enter("spdifPlaybackDevice", 0), " device 0 on card 0 is an invalid SPDIF playback device\n");
    // The record fields are never open to the user.
    EXPECT_TRUE(t::Flags(t::Find("pcmRecordCard")) & Pt_BLOCKED);
}

TEST_F(SettingsDialog, MountPointWindowModesColourKeyAndDefault)
{
    // A path that names no drive is refused and the stored one comes back.
    snprintf(mplayer.setup.mountPoint, sizeof mplayer.setup.mountPoint, "/fs/cd0");
    PtSetResource(t::Find("driveMountPoint"), Pt_ARG_TEXT_STRING, "/nonexistent/cd", 0);
    t::TypeText(t::Find("driveMountPoint"), "");
    t::Key(t::Find("driveMountPoint"), Pk_Return);
    EXPECT_EQ(ErrorText(), "Unable to access specified drive. Resetting to old value.");
    CloseError();
    EXPECT_EQ(t::Text(t::Find("driveMountPoint")), "/fs/cd0");
    const std::string tooLong(1100, 'x');
    PtSetResource(t::Find("driveMountPoint"), Pt_ARG_TEXT_STRING, tooLong.c_str(), 0);
    t::Key(t::Find("driveMountPoint"), Pk_Return);
    EXPECT_EQ(ErrorText(), " Mount Point String too long. Resetting to default");
    CloseError();

    // The pages sit behind tabs: the Window page's controls are out of reach until it is chosen.
    EXPECT_FALSE(PtWidgetIsRealized(t::Find("dvd_windowMode")));
    t::SelectPanel(t::Find("advPages"), "Window");
    ASSERT_TRUE(PtWidgetIsRealized(t::Find("dvd_windowMode")));
    EXPECT_FALSE(PtWidgetIsRealized(t::Find("driveMountPoint")));

    // Fixed window modes set the size and hide the size fields; "custom" shows them again.
    EXPECT_EQ(t::Rows(t::Find("dvd_windowMode")),
              (std::vector<std::string>{"custom", "home entertainment", "640 x 480", "800 x 600"}));
    t::SelectRow(t::Find("dvd_windowMode"), 4);
    EXPECT_EQ(mplayer.setup.videoWnd.size.w, 800);
    EXPECT_EQ(mplayer.setup.videoWnd.size.h, 600);
    EXPECT_FALSE(PtWidgetIsRealized(t::Find("dvd_windowWidth")));
    t::SelectRow(t::Find("dvd_windowMode"), 1);
    EXPECT_TRUE(PtWidgetIsRealized(t::Find("dvd_windowWidth")));
    EXPECT_EQ(t::Value(t::Find("dvd_windowWidth")), 800);
    t::SelectRow(t::Find("dvd_windowMode"), 2);
    EXPECT_EQ(mplayer.setup.bHomeEntertainment, 1u);
    t::SelectRow(t::Find("dvd_windowMode"), 1);
    EXPECT_EQ(mplayer.setup.bHomeEntertainment, 0u);
    // A size typed below the picture's minimum is raised to it.
    mplayer.videoInfo.min_size = {320, 240};
    mplayer.setup.videoSetting.bKeepAspectRatio = 0;
    t::EnterNumber(t::Find("dvd_windowWidth"), 100);
    EXPECT_EQ(mplayer.setup.videoWnd.size.w, 320);
    // Keeping the aspect ratio, a typed size is applied 100 ms later.
    mplayer.setup.videoSetting.bKeepAspectRatio = 1;
    t::EnterNumber(t::Find("dvd_windowWidth"), 500);
    EXPECT_EQ(mplayer.setup.videoWnd.size.w, 320);
    t::AdvanceClock(100);
    EXPECT_EQ(mplayer.setup.videoWnd.size.w, 500);
    mplayer.setup.videoSetting.bKeepAspectRatio = 0;

    // The colour key's bytes: red minimum 16 over a minimum of 0 gives 0x100000.
    t::Click(t::Find("adv_usingSigmaButton"));
    EXPECT_EQ(mplayer.setup.reserve_1, 0u);  // on a page not shown
    t::SelectPanel(t::Find("advPages"), "Decoder");
    t::Click(t::Find("adv_usingSigmaButton"));
    EXPECT_EQ(mplayer.setup.reserve_1, 1u);
    EXPECT_FALSE(t::Flags(t::Find("redMin")) & Pt_BLOCKED);
    mplayer.setup.videoSetting.reserve_3 = 0;
    t::EnterNumber(t::Find("redMin"), 16);
    EXPECT_EQ(mplayer.setup.videoSetting.reserve_3, 0x100000u);
    EXPECT_EQ(mplayer.params.videoSetting.reserve_3, 0x100000u);
    t::EnterNumber(t::Find("blueMin"), 0x2A);
    EXPECT_EQ(mplayer.setup.videoSetting.reserve_3, 0x10002Au);
    t::Click(t::Find("adv_usingSoftwareButton"));
    EXPECT_EQ(mplayer.setup.reserve_1, 0u);
    EXPECT_TRUE(t::Flags(t::Find("redMin")) & Pt_BLOCKED);

    // Default restores the defaults and the colour key's full range.
    t::Click(t::Find("advDefaultButton"));
    EXPECT_EQ(mplayer.setup.videoSetting.reserve_2, 0xFFFFFFu);
    EXPECT_EQ(mplayer.setup.videoSetting.reserve_3, 0u);
    EXPECT_EQ(mplayer.setup.videoSetting.brightness, 500u);
    EXPECT_EQ(t::Value(t::Find("redMax")), 255);
    t::SelectPanel(t::Find("advPages"), "Color");
    EXPECT_TRUE(PtWidgetIsRealized(t::Find("brightnessSlider")));
    Screenshot(t::Find("dvd_advancedlg"), "velora-settings.png");
}

TEST_F(SettingsDialog, DefaultWhileAPluginPlaysOnlyTellsTheUser)
{
    std::ofstream(scratch + "/disc.toc") << "Disc\n60000\n";
    snprintf(mplayer.setup.mountPoint, sizeof mplayer.setup.mountPoint, "%s", scratch.c_str());
    mplayer.bManualPlay = 1;
    OnLaunchCdAudio(nullptr, nullptr, nullptr);
    ASSERT_TRUE(RunUntil([] { return mplayer.pluginCtrl && mplayer.pluginCtrl->lastState == MV_STOPPED; }));
    RefreshSettingsDialog();
    EXPECT_TRUE(t::Flags(t::Find("pcmPlaybackCardA")) & Pt_BLOCKED);
    mplayer.setup.videoSetting.brightness = 123;
    t::Click(t::Find("advDefaultButton"));
    EXPECT_EQ(ErrorText(), "Unable to proceed  Please close plugin first");
    CloseError();
    EXPECT_EQ(mplayer.setup.videoSetting.brightness, 123u);
}

TEST_F(SettingsDialog, RemoteControlReadsKeysFromASerialPort)
{
    // A regular file is no serial port: refused, and the field goes back to the default.
    const std::string file = scratch + "/not-a-port";
    std::ofstream(file) << "x";
    PtSetResource(t::Find("adv_serialPort"), Pt_ARG_TEXT_STRING, file.c_str(), 0);
    ::testing::internal::CaptureStderr();
    t::Click(t::Find("adv_remoteCtrlButton"));
    // The console says what came of it: not switched on.
    const std::string refused = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(refused.find("remote  control is Desactivated remote_pid = "), std::string::npos) << refused;
    EXPECT_EQ(refused.find("Activated"), std::string::npos) << refused;
    EXPECT_EQ(ErrorText(), file + " is an invalid serial port... Resetting to default\n");
    CloseError();
    EXPECT_EQ(t::Text(t::Find("adv_serialPort")), "/dev/ser1");
    EXPECT_FALSE(t::Flags(t::Find("adv_remoteCtrlButton")) & Pt_SET);
    EXPECT_EQ(mplayer.bRemoteCtrl, 0);

    // A pseudo-terminal is: the reader starts on it and its keys reach the player.
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    PtSetResource(t::Find("adv_serialPort"), Pt_ARG_TEXT_STRING, name, 0);
    ::testing::internal::CaptureStderr();
    t::Click(t::Find("adv_remoteCtrlButton"));
    const std::string started = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(started.find("remote  control is Activated remote_pid = " + std::to_string(remote.pid) + " "),
              std::string::npos)
        << started;
    ASSERT_EQ(ErrorText(), "");
    EXPECT_EQ(mplayer.bRemoteCtrl, 1);
    EXPECT_EQ(mplayer.serialPort, name);
    EXPECT_GT(remote.pid, 0);
    EXPECT_TRUE(t::Flags(t::Find("adv_serialPort")) & Pt_BLOCKED);
    mplayer.params.audio.volume = mplayer.setup.audio.volume = 40;
    remote.lastTime = {};
    const std::string keys = "VOL_UP\nVOL_DOWN\nVOL_DOWN\n";
    ASSERT_EQ(write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    ASSERT_TRUE(RunUntilFromOutside([] { return mplayer.params.audio.volume == 30; })) << mplayer.params.audio.volume;

    // The dialog shown again sets the button from the running remote; a real click switches it
    // off: the reader ends and the field is open again.
    RefreshSettingsDialog();
    EXPECT_TRUE(t::Flags(t::Find("adv_remoteCtrlButton")) & Pt_SET);
    t::RealClick(t::Find("adv_remoteCtrlButton"));
    EXPECT_FALSE(t::Flags(t::Find("adv_remoteCtrlButton")) & Pt_SET);
    EXPECT_EQ(mplayer.bRemoteCtrl, 0);
    EXPECT_EQ(remote.pid, -1);
    EXPECT_FALSE(t::Flags(t::Find("adv_serialPort")) & Pt_BLOCKED);
    if (mplayer.bRemoteCtrl) TerminateRemoteControl();  // a failed check leaves no reader behind
    close(master);
    close(slave);
}

}  // namespace
}  // namespace velora::testing

namespace velora::testing {
namespace {

// The dialog shows what is kept, after real clicks too: the decoder button of the choice ticked
// and the other not; of a group of video choices only the one chosen last; the mixer chosen in
// "Using:" shown again.
TEST_F(SettingsDialog, TheDecoderVideoAndMixerChoicesShowWhatIsKept)
{
    ASSERT_TRUE(t::HaveRealInput());
    mplayer.setup.reserve_1 = 0;
    RefreshSettingsDialog();
    t::RunUntilIdle();
    ASSERT_FALSE(t::Flags(t::Find("adv_usingSigmaButton")) & Pt_BLOCKED);
    EXPECT_TRUE(t::Flags(t::Find("adv_usingSoftwareButton")) & Pt_SET);
    EXPECT_FALSE(t::Flags(t::Find("adv_usingSigmaButton")) & Pt_SET);
    t::SelectPanel(t::Find("advPages"), "Decoder");
    t::RealClick(t::Find("adv_usingSigmaButton"));
    EXPECT_EQ(mplayer.setup.reserve_1, 1u);
    EXPECT_TRUE(t::Flags(t::Find("adv_usingSigmaButton")) & Pt_SET);
    EXPECT_FALSE(t::Flags(t::Find("adv_usingSoftwareButton")) & Pt_SET);
    t::RealClick(t::Find("adv_usingSoftwareButton"));
    EXPECT_EQ(mplayer.setup.reserve_1, 0u);
    EXPECT_TRUE(t::Flags(t::Find("adv_usingSoftwareButton")) & Pt_SET);
    EXPECT_FALSE(t::Flags(t::Find("adv_usingSigmaButton")) & Pt_SET);

    mplayer.setup.reserve_1 = 1;  // the TV choices are the hardware decoder's
    RefreshSettingsDialog();
    t::RunUntilIdle();
    t::SelectPanel(t::Find("advPages"), "Video");
    t::RealClick(t::Find("adv_tvStandardNtscButton"));
    t::RealClick(t::Find("adv_tvStandardPalButton"));
    const MvVideoSettingInfo& v = mplayer.setup.videoSetting;
    EXPECT_EQ(v.bTvStandardPal, 1u);
    EXPECT_EQ(v.bTvStandardNtsc + v.bTvStandardMultiSystem + v.bTvStandardPal60Hz, 0u);
    EXPECT_TRUE(t::Flags(t::Find("adv_tvStandardPalButton")) & Pt_SET);
    for (const char* other :
         {"adv_tvStandardNtscButton", "adv_tvStandardMultiSystemButton", "adv_tvStandardPal60HzButton"})
        EXPECT_FALSE(t::Flags(t::Find(other)) & Pt_SET) << other;
    t::RealClick(t::Find("adv_videoModeVgaButton"));
    t::RealClick(t::Find("adv_videoModeTvButton"));
    EXPECT_TRUE(t::Flags(t::Find("adv_videoModeTvButton")) & Pt_SET);
    EXPECT_FALSE(t::Flags(t::Find("adv_videoModeVgaButton")) & Pt_SET);
    EXPECT_FALSE(t::Flags(t::Find("adv_videoModeHdtvButton")) & Pt_SET);
    mplayer.setup.reserve_1 = 0;

    t::SelectPanel(t::Find("advPages"), "General");
    t::SelectRow(t::Find("driveMixerCtrl"), 3);
    t::RunUntilIdle();
    EXPECT_EQ(mplayer.setup.audio.mixerDevice, 3u);
    RefreshSettingsDialog();
    t::RunUntilIdle();
    const unsigned short* row = nullptr;
    PtGetResource(t::Find("driveMixerCtrl"), Pt_ARG_CBOX_SEL_ITEM, &row, 0);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(*row, 3);
    mplayer.setup.audio.mixerDevice = 1;
}

// The decoder choice is drawn as chosen: the chosen box shows the theme's filled tick (its blue),
// the other none, when the dialog opens and after a real click on the other choice.
TEST_F(SettingsDialog, TheChosenDecoderIsDrawnTicked)
{
    ASSERT_TRUE(t::HaveRealInput());
    // The pixels of the button's own drawing that are the tick's blue, once the tick has faded in.
    auto blue = [this](const char* button) {
        for (int i = 0; i < 60; ++i) {
            t::RunUntilIdle();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const std::string png = Screenshot(t::Find(button), (std::string("velora-") + button + ".png").c_str());
        GdkPixbuf* picture = gdk_pixbuf_new_from_file(png.c_str(), nullptr);
        if (!picture) return -1;
        const int channels = gdk_pixbuf_get_n_channels(picture), stride = gdk_pixbuf_get_rowstride(picture);
        const guchar* pixels = gdk_pixbuf_read_pixels(picture);
        int count = 0;
        for (int y = 0; y < gdk_pixbuf_get_height(picture); ++y)
            for (int x = 0; x < gdk_pixbuf_get_width(picture); ++x) {
                const guchar* p = pixels + y * stride + x * channels;
                if (p[2] > 150 && p[0] < 130 && p[2] > p[1] + 40) ++count;
            }
        g_object_unref(picture);
        return count;
    };
    mplayer.setup.reserve_1 = 0;
    RefreshSettingsDialog();
    t::SelectPanel(t::Find("advPages"), "Decoder");
    EXPECT_GT(blue("adv_usingSoftwareButton"), 100);
    EXPECT_LT(blue("adv_usingSigmaButton"), 20);
    t::RealClick(t::Find("adv_usingSigmaButton"));
    EXPECT_EQ(mplayer.setup.reserve_1, 1u);
    EXPECT_GT(blue("adv_usingSigmaButton"), 100);
    EXPECT_LT(blue("adv_usingSoftwareButton"), 20);
    mplayer.setup.reserve_1 = 0;
}

}  // namespace
}  // namespace velora::testing
