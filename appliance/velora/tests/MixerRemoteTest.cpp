// The host mixer on a simulated sound card (volume and balance written to the card, changes made
// by another program followed, mute), the outside mixer program started once at a time, and
// the remote control's messages: the repeat filter on the layer's clock and the keypad.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <fstream>

#include "dialogs/Dialogs.h"
#include "playlist/Controller.h"
#include "window/MainWindow.h"
#include "mixer/Mixer.h"
#include "PaneFixture.h"
#include "panes/Panes.h"
#include "player/PluginHost.h"
#include "window/Remote.h"
#include "window/Transport.h"
#include "qnx/MediaLibrary.h"
#include "qnx/SimulatedSound.h"

namespace velora::testing {
namespace {

using namespace photon;
namespace t = photon::test;

class MixerAndRemote : public PaneTest {};

int ManualClock(timespec* now)
{
    const unsigned long ms = t::Now();
    now->tv_sec = static_cast<time_t>(ms / 1000);
    now->tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    return 0;
}

WendrelMsg Message(uint32_t command, int keypad = 0)
{
    WendrelMsg msg{};
    msg.CommandType = command;
    msg.KeypadNum = keypad;
    return msg;
}

TEST_F(MixerAndRemote, HostMixerFollowsTheCardAndOtherPrograms)
{
    CloseAudio();
    auto card = qnx::SimulatedSound::Install();
    card->SetMixerRange(0, 31);
    card->SetLevels(31, 31);
    ASSERT_EQ(InitAudio(), 1);
    EXPECT_EQ(t::Value(t::Find("PtSlider_volume")), 100);
    EXPECT_EQ(mplayer.setup.audio.volume, 100u);

    // Setting the volume writes both channels to the card.
    EXPECT_EQ(AudioVolume(&audioCtrl, 50), 50);
    int left = 0, right = 0;
    card->Levels(left, right);
    EXPECT_EQ(left, 16);
    EXPECT_EQ(right, 16);

    // Another program turns the left channel down: the slider and the settings follow.
    card->SetLevels(0, 31);
    ASSERT_TRUE(RunUntil([] { return t::Value(t::Find("PtSlider_volume")) == 100; }));
    EXPECT_EQ(mplayer.params.audio.volume, 100u);
    EXPECT_EQ(GET_BALANCE(audioCtrl.group), 100);
    card->SetLevels(8, 8);
    ASSERT_TRUE(RunUntil([] { return t::Value(t::Find("PtSlider_volume")) == 25; }));

    // Mute without a plug-in mutes the card's group and is kept in the settings.
    AudioVolumeMute(1);
    EXPECT_NE(card->MixerGroup().mute, 0u);
    EXPECT_EQ(mplayer.setup.audio.reserve_1, 1u);
    AudioVolumeMute(0);
    EXPECT_EQ(card->MixerGroup().mute, 0u);

    // A failed write closes the mixer before opening it again: still one mixer open, and it works.
    EXPECT_EQ(card->OpenMixers(), 1);
    card->FailMixerWrites(-EIO);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(AudioVolume(&audioCtrl, 75), 75);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              " snd_mixer_group_read error: " + std::string(strerror(EIO)) + "\n");
    EXPECT_EQ(card->OpenMixers(), 1);
    ASSERT_NE(audioCtrl.mixerHandle, nullptr);
    EXPECT_EQ(AudioVolume(&audioCtrl, 50), 50);
    card->Levels(left, right);
    EXPECT_EQ(left, 16);
    card->FailMixerWrites(-EIO);
    ::testing::internal::CaptureStdout();
    AudioVolumeMute(1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              " snd_mixer_group_read error: " + std::string(strerror(EIO)) + "\n");
    EXPECT_EQ(card->OpenMixers(), 1);
    EXPECT_EQ(card->MixerGroup().mute, 0u);
    AudioVolumeMute(1);
    EXPECT_NE(card->MixerGroup().mute, 0u);
    AudioVolumeMute(0);

    CloseAudio();
    EXPECT_EQ(mplayer.mixer, nullptr);
    qnx::SimulatedSound::Uninstall();
    ASSERT_EQ(InitAudio(), 1);
}

// The start-up audio check on a card without a digital output: the S/PDIF playback device goes
// back to its default and the conflict is shown, the card it names is kept.
TEST_F(MixerAndRemote, TheStartUpAudioCheckResetsTheSpdifDeviceAndKeepsItsCard)
{
    auto card = qnx::SimulatedSound::Install();
    MvAudioMediaInfo audio{};
    qnx::MvGetMpDefaultSetting(&mplayer.setup);
    audio = mplayer.setup.audio;
    audio.spdifPlaybackCard = 0;
    audio.spdifPlaybackDevice = 0;
    EXPECT_EQ(VerifyAudioSetting(&audio), 1);
    EXPECT_EQ(audio.spdifPlaybackCard, 0u);
    EXPECT_EQ(audio.spdifPlaybackDevice, mplayer.setup.audio.spdifPlaybackDevice);
    EXPECT_NE(ErrorText().find("Audio setting conflict"), std::string::npos) << ErrorText();
    while (bErrorDlg) errdlg_done(nullptr, nullptr, nullptr);
    qnx::SimulatedSound::Uninstall();
}

TEST_F(MixerAndRemote, TheMixerProgramRunsOnceAtATime)
{
    const std::string log = scratch + "/mixer.log";
    setenv("ZEPHRA_MIXER_LOG", log.c_str(), 1);
    OnLaunchMixer(nullptr, nullptr, nullptr);
    ASSERT_GT(mixerPid, 0) << ErrorText();
    const pid_t first = mixerPid;
    OnLaunchMixer(nullptr, nullptr, nullptr);
    EXPECT_EQ(mixerPid, first);
    ASSERT_TRUE(RunUntilFromOutside([&] {
        std::ifstream in(log);
        std::string l;
        return static_cast<bool>(std::getline(in, l));
    }));
    kill(first, SIGTERM);
    ASSERT_TRUE(RunUntilFromOutside([] { return mixerPid == 0; }));
    std::ifstream in(log);
    std::string line, all;
    while (std::getline(in, line)) all += line + "\n";
    EXPECT_EQ(all, "started " + std::to_string(first) + "\n");

    // The mixer beside the player starts without being on the path (as in an installed tree
    // whose bin folder is not on PATH); neither beside it nor on the path, the user is told.
    const std::string path = getenv("PATH");
    setenv("PATH", scratch.c_str(), 1);
    std::remove(log.c_str());
    OnLaunchMixer(nullptr, nullptr, nullptr);
    ASSERT_GT(mixerPid, 0) << ErrorText();
    const pid_t beside = mixerPid;
    ASSERT_TRUE(RunUntilFromOutside([&] {
        std::ifstream in(log);
        std::string l;
        return static_cast<bool>(std::getline(in, l));
    }));
    kill(beside, SIGTERM);
    ASSERT_TRUE(RunUntilFromOutside([] { return mixerPid == 0; }));
    const std::string folder = ProgramFolder();
    SetProgramFolder(scratch);
    OnLaunchMixer(nullptr, nullptr, nullptr);
    SetProgramFolder(folder);
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(mixerPid, 0);
    EXPECT_EQ(ErrorText().rfind("Unable to start mixer ", 0), 0u) << ErrorText();
    unsetenv("ZEPHRA_MIXER_LOG");
}

TEST_F(MixerAndRemote, RepeatFilterLetsOnlyHeldKeysRepeatWithinHalfASecond)
{
    RemoteClock = ManualClock;
    EXPECT_EQ(RemoteElapsedMs({10, 900000000}, {11, 100000000}), 200);
    t::AdvanceClock(1000);
    mplayer.params.audio.volume = mplayer.setup.audio.volume = 30;
    WendrelMsg up = Message(CMD_PLUGIN_VOL_UP);
    OnRemoteControlMessage(&up);
    t::AdvanceClock(200);
    OnRemoteControlMessage(&up);
    EXPECT_EQ(mplayer.params.audio.volume, 50u);
    EXPECT_EQ(t::Value(t::Find("PtSlider_volume")), 50);

    // Play/pause is no held key: a second one 200 ms later is dropped, one 600 ms later is not.
    // (Without a plug-in the play face starts auto-play.)
    t::AdvanceClock(1000);
    mplayer.bAutoPlay = 0;
    WendrelMsg play = Message(CMD_PLUGIN_PLAY_PAUSE);
    OnRemoteControlMessage(&play);
    EXPECT_EQ(mplayer.bAutoPlay, 1);
    mplayer.bAutoPlay = 0;
    t::AdvanceClock(200);
    OnRemoteControlMessage(&play);
    EXPECT_EQ(mplayer.bAutoPlay, 0);
    t::AdvanceClock(600);
    OnRemoteControlMessage(&play);
    EXPECT_EQ(mplayer.bAutoPlay, 1);
    mplayer.bAutoPlay = 0;

    // Mute flips the mute button and the sound with it; commands outside the remote's range do
    // nothing.
    t::AdvanceClock(1000);
    const bool muted = t::Flags(t::Find("muteButton")) & Pt_SET;
    WendrelMsg mute = Message(CMD_PLUGIN_MUTE);
    OnRemoteControlMessage(&mute);
    EXPECT_NE(static_cast<bool>(t::Flags(t::Find("muteButton")) & Pt_SET), muted);
    EXPECT_EQ(mplayer.setup.audio.reserve_1, muted ? 0u : 1u);
    OnRemoteControlMessage(&mute);  // within 500 ms: dropped
    EXPECT_NE(static_cast<bool>(t::Flags(t::Find("muteButton")) & Pt_SET), muted);
    t::AdvanceClock(1000);
    OnRemoteControlMessage(&mute);
    EXPECT_EQ(static_cast<bool>(t::Flags(t::Find("muteButton")) & Pt_SET), muted);
    EXPECT_EQ(mplayer.setup.audio.reserve_1, muted ? 1u : 0u);
    // Muted by the remote, unmuted by a real click on the button.
    if (!muted) {
        t::AdvanceClock(1000);
        OnRemoteControlMessage(&mute);
    }
    ASSERT_TRUE(t::Flags(t::Find("muteButton")) & Pt_SET);
    ASSERT_EQ(mplayer.setup.audio.reserve_1, 1u);
    t::RealClick(t::Find("muteButton"));
    EXPECT_FALSE(t::Flags(t::Find("muteButton")) & Pt_SET);
    EXPECT_EQ(mplayer.setup.audio.reserve_1, 0u);
    t::AdvanceClock(1000);
    WendrelMsg odd = Message(99);
    OnRemoteControlMessage(&odd);
    EXPECT_EQ(CommandCanRepeat(&odd), 0);
    EXPECT_EQ(CommandCanRepeat(&up), 1);
}

TEST_F(MixerAndRemote, KeypadEnterGoesToTheTrackByNumberAndAudioKeysCycleOnlyRealLists)
{
    RemoteClock = ManualClock;
    std::ofstream(scratch + "/disc.toc") << "Keypad Disc\n60000\n60000\n60000\n60000\n";
    snprintf(mplayer.setup.mountPoint, sizeof mplayer.setup.mountPoint, "%s", scratch.c_str());
    mplayer.bManualPlay = 1;
    mplayer.bAutoPlay = 0;
    OnLaunchCdAudio(nullptr, nullptr, nullptr);
    ASSERT_TRUE(RunUntil([] {
        return ControllerGetPlaylistCount() == 4 && mplayer.pluginCtrl && mplayer.pluginCtrl->lastState == MV_STOPPED;
    }));
    ASSERT_EQ(ControllerGetActiveTrack(), 0);
    Journal("tarrow.so");
    t::AdvanceClock(1000);
    WendrelMsg enter = Message(CMD_PLUGIN_ENTER, 3);
    OnRemoteControlMessage(&enter);
    EXPECT_EQ(ControllerGetActiveTrack(), 2);
    EXPECT_EQ(Journal("tarrow.so"), "SEEK_RELATIVE\n");
    // Audio and subtitle keys belong to the DVD plug-in only.
    t::AdvanceClock(1000);
    WendrelMsg audio = Message(CMD_PLUGIN_SELECT_AUDIO);
    OnRemoteControlMessage(&audio);
    EXPECT_EQ(Journal("tarrow.so"), "");
    cbBaseClose();
    ControllerDeleteAll();

    setenv("QUENBY_AUDIO", "English", 1);
    OnLaunchDvd(nullptr, nullptr, nullptr);
    ASSERT_TRUE(
        RunUntil([] { return t::Find("dvd_audioComboBox") && t::Rows(t::Find("dvd_audioComboBox")).size() == 1; }));
    Journal("quenby.so");
    t::AdvanceClock(1000);
    OnRemoteControlMessage(&audio);  // one audio stream: nothing to move to
    WendrelMsg subtitle = Message(CMD_PLUGIN_SELECT_SUBTITLE);
    t::AdvanceClock(1000);
    OnRemoteControlMessage(&subtitle);
    EXPECT_EQ(Journal("quenby.so"), "SELECT_SUBTITLE delta=2\n");
    unsetenv("QUENBY_AUDIO");
}

}  // namespace
}  // namespace velora::testing
