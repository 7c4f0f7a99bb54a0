// What the outputs' channels report, filled the same way by every output.
#include "SoundBackend.h"

#include <cstring>

namespace qnx::sound {

void FillChannelInfo(snd_pcm_channel_info_t &info, const char *subname)
{
    int32_t channel = info.channel;
    info = {};
    info.channel = channel;
    std::strncpy(info.subname, subname, sizeof info.subname - 1);
    for (int format = SND_PCM_SFMT_U8; format <= SND_PCM_SFMT_S16_BE; ++format)
        info.formats |= 1u << format;
    info.min_rate = 4000;
    info.max_rate = 192000;
    info.min_voices = 1;
    info.max_voices = 8;
    info.min_fragment_size = 64;
    info.max_fragment_size = 1 << 20;
    info.max_buffer_size = 1 << 22;
    SoftGroupId(info.mixer_gid);
}

void FillSetup(snd_pcm_channel_setup_t &setup, const snd_pcm_channel_params_t &params)
{
    setup.mode = params.mode;
    setup.format = params.format;
    setup.buf.block.frag_size = params.buf.block.frag_size;
    setup.buf.block.frags = params.buf.block.frags_max;
    setup.buf.block.frags_min = params.buf.block.frags_min;
    setup.buf.block.frags_max = params.buf.block.frags_max;
    setup.mixer_device = 0;
    SoftGroupId(setup.mixer_gid);
}

void ClearStatus(snd_pcm_channel_status_t &status, int32_t mode)
{
    int32_t channel = status.channel;
    status = {};
    status.channel = channel;
    status.mode = mode;
}

bool ParamsAcceptable(const snd_pcm_channel_params_t &params)
{
    return FormatBytesPerSample(params.format.format) != 0 && params.format.rate > 0 && params.format.voices > 0 &&
           params.buf.block.frag_size > 0 && params.buf.block.frags_max > 0;
}

}  // namespace qnx::sound
