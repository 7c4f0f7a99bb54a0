#include "mixer/Mixer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dialogs/Dialogs.h"
#include "panes/Panes.h"
#include "player/PluginHost.h"
#include "player/VeloraTexts.h"

namespace velora {

using namespace photon;

AudioCtrl audioCtrl;
pid_t mixerPid = 0;

namespace {

constexpr const char* kCouldNotConnect = "Could not connect to the audio driver.\n( May not be running.)";
constexpr const char* kNoLastVolume = "Unable to read last volume setting";
constexpr const char* kUnableToStartMixer = "Unable to start mixer %s\n";
constexpr const char* kMixerProgram = "mixer";
constexpr unsigned kAllChannels = 0xFFFFFFFFu;

AudioCtrl* Attached() { return static_cast<AudioCtrl*>(mplayer.mixer); }

void StoreVolume(int v) { mplayer.setup.audio.volume = mplayer.params.audio.volume = static_cast<uint32_t>(v); }

void ShowMute(bool on)
{
    if (PtWidget_t* mute = W("muteButton"))
        PtSetResource(mute, Pt_ARG_FLAGS, on ? static_cast<long>(Pt_SET) : 0L, Pt_SET);
}

// Closes control and mixer and stops watching them, leaving the record attached.
void CloseHandles(AudioCtrl* ac)
{
    if (ac->mixerFd >= 0) PtAppRemoveFd(nullptr, ac->mixerFd);
    if (ac->ctlFd >= 0 && ac->ctlFd != ac->mixerFd) PtAppRemoveFd(nullptr, ac->ctlFd);
    int err;
    if (ac->ctlHandle && (err = qnx::snd_ctl_close(ac->ctlHandle)) < 0)
        fprintf(stderr, " snd_ctl_close error: %s\n", qnx::snd_strerror(err));
    if (ac->mixerHandle && (err = qnx::snd_mixer_close(ac->mixerHandle)) < 0)
        fprintf(stderr, " snd_mixer_close error: %s\n", qnx::snd_strerror(err));
    ac->ctlHandle = nullptr;
    ac->mixerHandle = nullptr;
    ac->mixerFd = ac->ctlFd = -1;
    free(ac->groups.pgroups);
    ac->groups = {};
}

// A write the mixer refused leaves it in doubt: it is closed and opened again, so that no second
// pair of handles is opened over the first.
void Reopen(AudioCtrl* ac)
{
    CloseHandles(ac);
    AudioOpenMixer(ac);
}

bool ReadGroupTable(AudioCtrl* ac)
{
    for (;;) {
        free(ac->groups.pgroups);
        ac->groups = {};
        int err = qnx::snd_mixer_groups(ac->mixerHandle, &ac->groups);
        if (err < 0) {
            fprintf(stderr, "snd_mixer_groups error: %s\n", qnx::snd_strerror(err));
            return false;
        }
        const int size = ac->groups.groups_over;
        if (size <= 0) return false;
        ac->groups = {};
        ac->groups.groups_size = size;
        ac->groups.pgroups = static_cast<qnx::snd_mixer_gid_t*>(calloc(size, sizeof(qnx::snd_mixer_gid_t)));
        if (!ac->groups.pgroups) return false;
        err = qnx::snd_mixer_groups(ac->mixerHandle, &ac->groups);
        if (err < 0) {
            fprintf(stderr, "snd_mixer_groups error: %s\n", qnx::snd_strerror(err));
            return false;
        }
        if (ac->groups.groups_over <= 0) return ac->groups.groups > 0;
    }
}

}  // namespace

int AudioOpenMixer(AudioCtrl* ac)
{
    int err;
    if ((err = qnx::snd_ctl_open(&ac->ctlHandle, ac->card)) < 0) {
        fprintf(stderr, "snd_ctl_open error: %s\n", qnx::snd_strerror(err));
        ac->ctlHandle = nullptr;
        return 0;
    }
    if ((err = qnx::snd_ctl_hw_info(ac->ctlHandle, &ac->hwInfo)) < 0) {
        fprintf(stderr, "snd_ctl_hw_info error: %s\n", qnx::snd_strerror(err));
        CloseHandles(ac);
        return 0;
    }
    if ((err = qnx::snd_mixer_open(&ac->mixerHandle, ac->card, ac->device)) < 0) {
        fprintf(stderr, "snd_mixer_open error: %s\n", qnx::snd_strerror(err));
        ac->mixerHandle = nullptr;
        CloseHandles(ac);
        return 0;
    }
    if ((err = qnx::snd_mixer_info(ac->mixerHandle, &ac->mixerInfo)) < 0) {
        fprintf(stderr, "snd_mixer_info error: %s\n", qnx::snd_strerror(err));
        CloseHandles(ac);
        return 0;
    }
    ac->ctlFd = qnx::snd_ctl_file_descriptor(ac->ctlHandle);
    if (ac->ctlFd < 0) fprintf(stderr, "snd_ctl_file_descriptor error: %s\n", qnx::snd_strerror(ac->ctlFd));
    ac->mixerFd = qnx::snd_mixer_file_descriptor(ac->mixerHandle);
    if (ac->mixerFd < 0) fprintf(stderr, "snd_mixer_file_descriptor error: %s\n", qnx::snd_strerror(ac->mixerFd));
    if (ac->ctlFd >= 0) PtAppAddFd(nullptr, ac->ctlFd, Pt_FD_READ, mixer_update, ac);
    if (ac->mixerFd >= 0) PtAppAddFd(nullptr, ac->mixerFd, Pt_FD_READ, mixer_update, ac);
    if (!ReadGroupTable(ac)) {
        CloseHandles(ac);
        return 0;
    }
    qnx::snd_mixer_sort_gid_table(ac->groups.pgroups, ac->groups.groups, qnx::snd_mixer_default_weights);
    ac->currentGroup = 0;
    ac->group = {};
    ac->group.gid = ac->groups.pgroups[ac->currentGroup];
    if ((err = qnx::snd_mixer_group_read(ac->mixerHandle, &ac->group)) < 0)
        fprintf(stderr, " snd_mixer_group_read error: %s\n", qnx::snd_strerror(err));
    ac->volume = GET_VOLUME(ac->group);
    return 1;
}

int InitAudio()
{
    AudioCtrl* ac = Attached();
    if (!ac) {
        audioCtrl = AudioCtrl{};
        ac = &audioCtrl;
        mplayer.mixer = ac;
        if (!AudioOpenMixer(ac)) {
            popup_error(kCouldNotConnect);
            mplayer.mixer = nullptr;
            return 0;
        }
    }
    const int v = AudioVolume(ac, -1);
    if (v >= 0) {
        if (PtWidget_t* slider = W("PtSlider_volume")) PtSetResource(slider, Pt_ARG_GAUGE_VALUE, v, 0);
        StoreVolume(v);
        return 1;
    }
    popup_error(kNoLastVolume);
    return 0;
}

int AudioVolume(AudioCtrl* ac, int v)
{
    if (!ac || ac->mixerFd < 0) return 0;
    int err = qnx::snd_mixer_group_read(ac->mixerHandle, &ac->group);
    if (err < 0) {
        fprintf(stderr, " snd_mixer_group_read error: %s\n", qnx::snd_strerror(err));
        return 0;
    }
    if (v < 0) {
        ac->volume = GET_VOLUME(ac->group);
        return ac->volume;
    }
    SET_VOLUME(ac->group, v);
    if ((err = qnx::snd_mixer_group_write(ac->mixerHandle, &ac->group)) < 0) {
        fprintf(stderr, " snd_mixer_group_read error: %s\n", qnx::snd_strerror(err));
        Reopen(ac);
    }
    ac->volume = v;
    return v;
}

void AudioVolume(int volume) { AudioVolume(Attached(), volume); }

void CloseAudio()
{
    AudioCtrl* ac = Attached();
    if (!ac || !ac->ctlHandle) return;
    CloseHandles(ac);
    mplayer.mixer = nullptr;
}

void AudioVolumeMute(int on)
{
    mplayer.setup.audio.reserve_1 = mplayer.params.audio.reserve_1 = static_cast<uint32_t>(on);
    if (mplayer.pluginCtrl) {
        mplayer.params.delta = on;
        SendCommand(CMD_PLUGIN_MUTE, MVP_DELTA);
        return;
    }
    AudioCtrl* ac = Attached();
    if (!ac || !ac->mixerHandle) return;
    ac->group.mute = on ? kAllChannels : 0;
    if (int err = qnx::snd_mixer_group_write(ac->mixerHandle, &ac->group); err < 0) {
        printf(" snd_mixer_group_read error: %s\n", qnx::snd_strerror(err));
        Reopen(ac);
    }
}

int mixer_update(int, void*, unsigned)
{
    AudioCtrl* ac = Attached();
    if (!ac || !ac->mixerHandle) {
        fprintf(stderr, "could not initialize snd_mixer_read\n");
        return Pt_CONTINUE;
    }
    qnx::snd_mixer_callbacks_t callbacks{};
    callbacks.private_data = ac;
    callbacks.group = mixer_callback_group;
    qnx::snd_mixer_read(ac->mixerHandle, &callbacks);
    return Pt_CONTINUE;
}

void mixer_callback_group(void* mixer, int reason, qnx::snd_mixer_gid_t*)
{
    if (reason != qnx::SND_MIXER_READ_GROUP_VALUE) return;
    auto* ac = static_cast<AudioCtrl*>(mixer);
    if (!ac || !ac->mixerHandle || qnx::snd_mixer_group_read(ac->mixerHandle, &ac->group) < 0) return;
    ac->volume = GET_VOLUME(ac->group);
    if (PtWidget_t* slider = W("PtSlider_volume")) PtSetResource(slider, Pt_ARG_GAUGE_VALUE, ac->volume, 0);
    StoreVolume(ac->volume);
    ShowMute(ac->group.mute != 0);
}

void OnMixerTerminate(void* pidVariable, int) { *static_cast<pid_t*>(pidVariable) = 0; }

int OnLaunchMixer(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    if (mixerPid > 0) return Pt_CONTINUE;
    const char* argv[] = {kMixerProgram, nullptr};
    // The mixer installed beside the player comes before any other on PATH.
    const std::string program = HelperProgram(kMixerProgram);
    mixerPid = PtSpawn(program.c_str(), argv, nullptr, nullptr, OnMixerTerminate, &mixerPid, nullptr);
    if (mixerPid <= 0) {
        char text[256];
        snprintf(text, sizeof text, kUnableToStartMixer, strerror(errno));
        popup_error(text);
        mixerPid = 0;
    }
    return Pt_CONTINUE;
}

}  // namespace velora
