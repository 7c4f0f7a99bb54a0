// The appliance platform's sound library as the media plug-ins and players use it: PCM playback
// through the plug-in interface, the card's control device, and mixer groups.
//
// The output behind it is chosen by the environment variable ZEPHRA_AUDIO_SINK:
//   alsa[:DEVICE]  the real sound card through ALSA ("default" when no device is named);
//                  the default when a sound card exists
//   wav:PATH       every PCM byte that would be played goes into the WAV file PATH
//                  (rewritten when a stream opens with another format; its header is
//                  completed at every close and when the program ends); with "%d" in
//                  PATH each channel opened gets a file of its own, %d its number from 1
//   null           nothing is played, at a card's pace (a play takes its real time)
//   null:fast      nothing is played, at once
// Without the variable and without a card every open fails with "No such device".
// Tests install a simulated device instead (qnx/SimulatedSound.h).
//
// Functions return 0 (or a count) on success and a negative error number on failure, whose text
// snd_strerror gives. Handles are not shared between threads without the caller's lock, except
// that status, write, drain and flush may come from different threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

namespace qnx {

struct snd_pcm_t;
struct snd_ctl_t;
struct snd_mixer_t;

// ---- Constants -------------------------------------------------------------------------

enum : int32_t {
    SND_PCM_OPEN_PLAYBACK = 1,
    SND_PCM_CHANNEL_PLAYBACK = 0,
    SND_PCM_MODE_BLOCK = 1,
    SND_PCM_START_DATA = 1,  // playback starts with the first write
    SND_PCM_START_FULL = 2,  // playback starts when the queue is full (or at flush)
    SND_PCM_START_GO = 3,    // as SND_PCM_START_FULL here
    SND_PCM_STOP_STOP = 1,
    PLUGIN_DISABLE_MMAP = 2,
};

// Sample formats.
enum : int32_t {
    SND_PCM_SFMT_U8 = 0,
    SND_PCM_SFMT_S8 = 1,
    SND_PCM_SFMT_U16_LE = 2,
    SND_PCM_SFMT_U16_BE = 3,
    SND_PCM_SFMT_S16_LE = 4,
    SND_PCM_SFMT_S16_BE = 5,
};

// Channel status (snd_pcm_channel_status_t::status).
enum : int32_t {
    SND_PCM_STATUS_NOTREADY = 0,
    SND_PCM_STATUS_READY = 1,  // set up, not prepared (also after drain or flush)
    SND_PCM_STATUS_PREPARED = 2,
    SND_PCM_STATUS_RUNNING = 3,
    SND_PCM_STATUS_UNDERRUN = 4,  // the queue ran empty while playing; prepare again
    SND_PCM_STATUS_OVERRUN = 5,
    SND_PCM_STATUS_ERROR = 10000,
};

// Channel capability bit of snd_pcm_channel_info_t::flags: direct digital output.
constexpr uint32_t SND_PCM_CHNINFO_DIGITAL = 0x10000;

// Mixer channel bits and volume entries.
enum : uint32_t {
    SND_MIXER_CHN_MASK_FRONT_LEFT = 1u << 0,
    SND_MIXER_CHN_MASK_FRONT_RIGHT = 1u << 1,
    SND_MIXER_CHN_MASK_FRONT_CENTER = 1u << 2,
    SND_MIXER_CHN_MASK_REAR_LEFT = 1u << 3,
    SND_MIXER_CHN_MASK_REAR_RIGHT = 1u << 4,
};
enum : int {
    SND_MIXER_CHN_FRONT_LEFT = 0,
    SND_MIXER_CHN_FRONT_RIGHT = 1,
    SND_MIXER_CHN_FRONT_CENTER = 2,
    SND_MIXER_CHN_REAR_LEFT = 3,
    SND_MIXER_CHN_REAR_RIGHT = 4,
    SND_MIXER_CHN_WOOFER = 5,
};

// Mixer event codes passed to the callbacks of snd_mixer_read.
enum : int {
    SND_MIXER_READ_REBUILD = 0,
    SND_MIXER_READ_GROUP_VALUE = 6,  // a group's levels or mute changed
};

// ---- Records -----------------------------------------------------------------------------

struct snd_mixer_gid_t {
    int32_t type;
    char name[32];
    int32_t index;
};

struct snd_pcm_format_t {
    int32_t interleave;
    int32_t format;  // SND_PCM_SFMT_*
    int32_t rate;    // Hz
    int32_t voices;  // channels
};

struct snd_pcm_channel_info_t {
    int32_t channel;  // in: SND_PCM_CHANNEL_PLAYBACK
    char subname[36];
    uint32_t flags;
    uint32_t formats;  // bit per SND_PCM_SFMT_* code
    int32_t min_rate, max_rate, min_voices, max_voices;
    int32_t max_buffer_size, min_fragment_size, max_fragment_size;
    int32_t mixer_device;       // the mixer device of the channel
    snd_mixer_gid_t mixer_gid;  // the mixer group of the channel
};

struct snd_pcm_channel_params_t {
    int32_t channel;
    int32_t mode;  // SND_PCM_MODE_BLOCK
    snd_pcm_format_t format;
    int32_t start_mode;  // SND_PCM_START_*
    int32_t stop_mode;
    struct {
        struct {
            int32_t frag_size, frags_min, frags_max;
        } block;
    } buf;
};

struct snd_pcm_channel_setup_t {
    int32_t channel;  // in: SND_PCM_CHANNEL_PLAYBACK
    int32_t mode;
    snd_pcm_format_t format;
    struct {
        struct {
            int32_t frag_size, frags, frags_min, frags_max;
        } block;
    } buf;
    int32_t mixer_device;
    snd_mixer_gid_t mixer_gid;  // type 0 and empty name: no mixer group
};

struct snd_pcm_channel_status_t {
    int32_t channel;  // in: SND_PCM_CHANNEL_PLAYBACK
    int32_t mode;
    int32_t status;    // SND_PCM_STATUS_*
    int32_t frag;      // fragments played
    int32_t count;     // bytes queued, not yet played
    int32_t free;      // bytes of free room in the queue
    int32_t underrun;  // underruns since open
    int32_t overrun;
};

struct snd_ctl_hw_info_t {
    uint32_t type;
    uint32_t hwdepdevs, pcmdevs, mixerdevs, mididevs, timerdevs;
    char id[16];
    char abbreviation[16];
    char name[32];
    char longname[80];
};

struct snd_mixer_info_t {
    uint32_t type;
    uint32_t attrib;
    uint32_t elements;
    uint32_t groups;
    char id[64];
    char name[64];
};

struct snd_mixer_groups_t {
    int32_t groups_size;  // in: room in pgroups
    int32_t groups;       // out: groups stored
    int32_t groups_over;  // out: groups that did not fit
    snd_mixer_gid_t *pgroups;
};

struct snd_mixer_group_t {
    snd_mixer_gid_t gid;  // in: the group to read or write
    uint32_t caps;
    uint32_t channels;  // SND_MIXER_CHN_MASK_* bits
    int32_t min, max;
    union {
        int32_t values[32];
        struct {
            int32_t front_left, front_right, front_center, rear_left, rear_right, woofer;
        } names;
    } volume;
    uint32_t mute;  // per-channel mute bits
    uint32_t capture;
};

struct snd_mixer_eid_t {
    int32_t type;
    char name[36];
    int32_t index;
};

struct snd_mixer_callbacks_t {
    void *private_data;
    void (*rebuild)(void *private_data);
    void (*element)(void *private_data, int cmd, snd_mixer_eid_t *eid);
    void (*group)(void *private_data, int cmd, snd_mixer_gid_t *gid);
};

struct snd_mixer_weight_entry_t {
    const char *name;
    int weight;
};

// ---- Calls -----------------------------------------------------------------------------

int snd_cards();                       // number of sound cards
const char *snd_strerror(int errnum);  // text of a (negative or positive) error number

int snd_pcm_open(snd_pcm_t **handle, int card, int device, int mode);
int snd_pcm_close(snd_pcm_t *handle);
int snd_pcm_file_descriptor(snd_pcm_t *handle, int channel);
int snd_pcm_plugin_info(snd_pcm_t *handle, snd_pcm_channel_info_t *info);
int snd_pcm_plugin_set_disable(snd_pcm_t *handle, unsigned plugins);
int snd_pcm_plugin_params(snd_pcm_t *handle, snd_pcm_channel_params_t *params);
int snd_pcm_plugin_prepare(snd_pcm_t *handle, int channel);
int snd_pcm_plugin_setup(snd_pcm_t *handle, snd_pcm_channel_setup_t *setup);
int snd_pcm_plugin_status(snd_pcm_t *handle, snd_pcm_channel_status_t *status);
// Queues PCM; blocks while the queue is full. A short count means the channel stopped (see status).
ssize_t snd_pcm_plugin_write(snd_pcm_t *handle, const void *buffer, size_t size);
// Queues silence that only completes the last fragment before a close. A device plays it;
// an output without fragments (a file) leaves it out, so that it holds the stream exactly.
ssize_t snd_pcm_plugin_write_padding(snd_pcm_t *handle, const void *buffer, size_t size);
// Stops playback and discards what is queued; the channel must be prepared again.
int snd_pcm_plugin_playback_drain(snd_pcm_t *handle);
int snd_pcm_playback_drain(snd_pcm_t *handle);
// Plays out what is queued and waits for it; the channel must be prepared again. Result: 0.
int snd_pcm_plugin_flush(snd_pcm_t *handle, int channel);

int snd_ctl_open(snd_ctl_t **handle, int card);
int snd_ctl_close(snd_ctl_t *handle);
int snd_ctl_file_descriptor(snd_ctl_t *handle);
int snd_ctl_hw_info(snd_ctl_t *handle, snd_ctl_hw_info_t *info);

int snd_mixer_open(snd_mixer_t **handle, int card, int device);
int snd_mixer_close(snd_mixer_t *handle);
int snd_mixer_file_descriptor(snd_mixer_t *handle);  // readable while change events are pending
int snd_mixer_info(snd_mixer_t *handle, snd_mixer_info_t *info);
int snd_mixer_groups(snd_mixer_t *handle, snd_mixer_groups_t *groups);
int snd_mixer_group_read(snd_mixer_t *handle, snd_mixer_group_t *group);
int snd_mixer_group_write(snd_mixer_t *handle, snd_mixer_group_t *group);
// Delivers the pending change events to the callbacks; returns the number delivered.
int snd_mixer_read(snd_mixer_t *handle, snd_mixer_callbacks_t *callbacks);
// Sorts group ids by the weight table (lower weight first; unknown names last, then by name).
void snd_mixer_sort_gid_table(snd_mixer_gid_t *list, int count, const snd_mixer_weight_entry_t *table);
extern const snd_mixer_weight_entry_t snd_mixer_default_weights[];

}  // namespace qnx
