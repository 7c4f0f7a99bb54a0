// The sound library's calls: each hands over to the output in force.
#include "qnx/asoundlib.h"
#include "SoundBackend.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qnx {

struct snd_pcm_t {
    std::shared_ptr<sound::Sink> sink;
    std::unique_ptr<sound::PcmStream> stream;
};

struct snd_ctl_t {
    std::shared_ptr<sound::Sink> sink;
    snd_ctl_hw_info_t info{};
    int fd = -1;
};

struct snd_mixer_t {
    std::shared_ptr<sound::Sink> sink;
    std::unique_ptr<sound::Mixer> mixer;
};

const snd_mixer_weight_entry_t snd_mixer_default_weights[] = {
    {"Master", 0}, {"Master Mono", 1}, {"Headphone", 2}, {"PCM", 10},  {"Synth", 20},
    {"Line", 30},  {"CD", 40},         {"Mic", 50},      {nullptr, 0},
};

int snd_cards()
{
    return sound::CurrentSink()->Cards();
}

const char *snd_strerror(int errnum)
{
    const char *text = strerrordesc_np(errnum < 0 ? -errnum : errnum);
    return text ? text : "Unknown error";
}

int snd_pcm_open(snd_pcm_t **handle, int card, int device, int mode)
{
    if (!handle)
        return -EINVAL;
    *handle = nullptr;
    if (mode != SND_PCM_OPEN_PLAYBACK)
        return -EINVAL;
    auto pcm = std::make_unique<snd_pcm_t>();
    pcm->sink = sound::CurrentSink();
    int result = pcm->sink->OpenPcm(card, device, pcm->stream);
    if (result < 0)
        return result;
    *handle = pcm.release();
    return 0;
}

int snd_pcm_close(snd_pcm_t *handle)
{
    if (!handle)
        return -EINVAL;
    delete handle;
    return 0;
}

int snd_pcm_file_descriptor(snd_pcm_t *handle, int channel)
{
    if (!handle || channel != SND_PCM_CHANNEL_PLAYBACK)
        return -EINVAL;
    return handle->stream->FileDescriptor();
}

int snd_pcm_plugin_info(snd_pcm_t *handle, snd_pcm_channel_info_t *info)
{
    if (!handle || !info || info->channel != SND_PCM_CHANNEL_PLAYBACK)
        return -EINVAL;
    return handle->stream->Info(*info);
}

int snd_pcm_plugin_set_disable(snd_pcm_t *handle, unsigned)
{
    return handle ? 0 : -EINVAL;
}

int snd_pcm_plugin_params(snd_pcm_t *handle, snd_pcm_channel_params_t *params)
{
    if (!handle || !params || params->channel != SND_PCM_CHANNEL_PLAYBACK)
        return -EINVAL;
    return handle->stream->Params(*params);
}

int snd_pcm_plugin_prepare(snd_pcm_t *handle, int channel)
{
    if (!handle || channel != SND_PCM_CHANNEL_PLAYBACK)
        return -EINVAL;
    return handle->stream->Prepare();
}

int snd_pcm_plugin_setup(snd_pcm_t *handle, snd_pcm_channel_setup_t *setup)
{
    if (!handle || !setup || setup->channel != SND_PCM_CHANNEL_PLAYBACK)
        return -EINVAL;
    return handle->stream->Setup(*setup);
}

int snd_pcm_plugin_status(snd_pcm_t *handle, snd_pcm_channel_status_t *status)
{
    if (!handle || !status || status->channel != SND_PCM_CHANNEL_PLAYBACK)
        return -EINVAL;
    return handle->stream->Status(*status);
}

ssize_t snd_pcm_plugin_write(snd_pcm_t *handle, const void *buffer, size_t size)
{
    if (!handle || (!buffer && size))
        return -EINVAL;
    return handle->stream->Write(buffer, size);
}

ssize_t snd_pcm_plugin_write_padding(snd_pcm_t *handle, const void *buffer, size_t size)
{
    if (!handle || (!buffer && size))
        return -EINVAL;
    return handle->stream->WritePadding(buffer, size);
}

int snd_pcm_plugin_playback_drain(snd_pcm_t *handle)
{
    return handle ? handle->stream->Drain() : -EINVAL;
}

int snd_pcm_playback_drain(snd_pcm_t *handle)
{
    return snd_pcm_plugin_playback_drain(handle);
}

int snd_pcm_plugin_flush(snd_pcm_t *handle, int channel)
{
    if (!handle || channel != SND_PCM_CHANNEL_PLAYBACK)
        return -EINVAL;
    return handle->stream->Flush();
}

int snd_ctl_open(snd_ctl_t **handle, int card)
{
    if (!handle)
        return -EINVAL;
    *handle = nullptr;
    auto ctl = std::make_unique<snd_ctl_t>();
    ctl->sink = sound::CurrentSink();
    int result = ctl->sink->CardInfo(card, ctl->info);
    if (result < 0)
        return result;
    // Nothing is ever signalled on the control device; its descriptor only has to be pollable.
    ctl->fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (ctl->fd < 0)
        return -errno;
    *handle = ctl.release();
    return 0;
}

int snd_ctl_close(snd_ctl_t *handle)
{
    if (!handle)
        return -EINVAL;
    close(handle->fd);
    delete handle;
    return 0;
}

int snd_ctl_file_descriptor(snd_ctl_t *handle)
{
    return handle ? handle->fd : -EINVAL;
}

int snd_ctl_hw_info(snd_ctl_t *handle, snd_ctl_hw_info_t *info)
{
    if (!handle || !info)
        return -EINVAL;
    *info = handle->info;
    return 0;
}

int snd_mixer_open(snd_mixer_t **handle, int card, int device)
{
    if (!handle)
        return -EINVAL;
    *handle = nullptr;
    auto mixer = std::make_unique<snd_mixer_t>();
    mixer->sink = sound::CurrentSink();
    int result = mixer->sink->OpenMixer(card, device, mixer->mixer);
    if (result < 0)
        return result;
    *handle = mixer.release();
    return 0;
}

int snd_mixer_close(snd_mixer_t *handle)
{
    if (!handle)
        return -EINVAL;
    delete handle;
    return 0;
}

int snd_mixer_file_descriptor(snd_mixer_t *handle)
{
    return handle ? handle->mixer->FileDescriptor() : -EINVAL;
}

int snd_mixer_info(snd_mixer_t *handle, snd_mixer_info_t *info)
{
    if (!handle || !info)
        return -EINVAL;
    return handle->mixer->Info(*info);
}

int snd_mixer_groups(snd_mixer_t *handle, snd_mixer_groups_t *groups)
{
    if (!handle || !groups || (groups->groups_size > 0 && !groups->pgroups))
        return -EINVAL;
    return handle->mixer->Groups(*groups);
}

int snd_mixer_group_read(snd_mixer_t *handle, snd_mixer_group_t *group)
{
    if (!handle || !group)
        return -EINVAL;
    return handle->mixer->GroupRead(*group);
}

int snd_mixer_group_write(snd_mixer_t *handle, snd_mixer_group_t *group)
{
    if (!handle || !group)
        return -EINVAL;
    return handle->mixer->GroupWrite(*group);
}

int snd_mixer_read(snd_mixer_t *handle, snd_mixer_callbacks_t *callbacks)
{
    if (!handle)
        return -EINVAL;
    return handle->mixer->Read(callbacks);
}

void snd_mixer_sort_gid_table(snd_mixer_gid_t *list, int count, const snd_mixer_weight_entry_t *table)
{
    if (!list || count <= 0)
        return;
    auto weight = [table](const snd_mixer_gid_t &gid) {
        for (const snd_mixer_weight_entry_t *entry = table; entry && entry->name; ++entry)
            if (std::strncmp(entry->name, gid.name, sizeof gid.name) == 0)
                return entry->weight;
        return 1 << 30;
    };
    std::stable_sort(list, list + count, [&](const snd_mixer_gid_t &a, const snd_mixer_gid_t &b) {
        int wa = weight(a), wb = weight(b);
        if (wa != wb)
            return wa < wb;
        int byName = std::strncmp(a.name, b.name, sizeof a.name);
        return byName != 0 ? byName < 0 : a.index < b.index;
    });
}

}  // namespace qnx
