#pragma once
// The host mixer: the sound card's mixer group worked directly while no plug-in is loaded,
// changes made by other programs followed, mute, and the outside mixer program.

#include <sys/types.h>

#include "mixer/MixerLevels.h"
#include "player/Velora.h"
#include "qnx/asoundlib.h"

namespace velora {

struct AudioCtrl {
    qnx::snd_mixer_t* mixerHandle = nullptr;
    qnx::snd_ctl_t* ctlHandle = nullptr;
    qnx::snd_ctl_hw_info_t hwInfo{};
    qnx::snd_mixer_info_t mixerInfo{};
    qnx::snd_mixer_groups_t groups{};
    qnx::snd_mixer_group_t group{};
    int mixerFd = -1, ctlFd = -1;
    int card = 0, device = 0;
    int currentGroup = 0;
    int volume = 0;
};

extern AudioCtrl audioCtrl;
// The process id of the mixer program while it runs, else 0.
extern pid_t mixerPid;

// Opens control and mixer of card 0, device 0, watches both descriptors, sorts the groups and
// reads the first. 1, or 0 after a line on standard error.
int AudioOpenMixer(AudioCtrl* ac);
// v >= 0 sets the volume, v < 0 reads it. The volume, or 0.
int AudioVolume(AudioCtrl* ac, int v);
// Descriptor callback: delivers the mixer's change events.
int mixer_update(int fd, void* data, unsigned mode);
void mixer_callback_group(void* mixer, int reason, qnx::snd_mixer_gid_t* gid);
void OnMixerTerminate(void* pidVariable, int status);

}  // namespace velora
