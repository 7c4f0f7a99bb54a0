// The audio device opened for what the decoder actually produces: its rate (after the reduction
// and the bitrate limit), its channels (after the conversion) and its sample width.
#include <cstring>

#include "BriskoCore.h"

namespace brisko::core {

namespace {

constexpr int kFragsMax = 4;
constexpr int kFragSize = 16384;
constexpr uint32_t kNotSet = 0xFFFFFFFFu;

// The direct digital output when it is switched on and configured, else the normal device.
void ChoosePlaybackDevice(MvPluginData* pd, int& card, int& device)
{
    const MvAudioMediaInfo& audio = g_Setup.audio;
    const bool digital =
        pd->bDirectDigitalAudioOn && audio.spdifPlaybackCard != kNotSet && audio.spdifPlaybackDevice != kNotSet;
    card = static_cast<int>(digital ? audio.spdifPlaybackCard : audio.pcmPlaybackCardA);
    device = static_cast<int>(digital ? audio.spdifPlaybackDevice : audio.pcmPlaybackDeviceA);
}

// 8-bit output is unsigned; 16-bit output is signed in the machine's order.
int SampleFormat(int bits)
{
    if (bits == 8) return qnx::SND_PCM_SFMT_U8;
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ || __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__);
    return __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? qnx::SND_PCM_SFMT_S16_LE : qnx::SND_PCM_SFMT_S16_BE;
}

}  // namespace

int OpenOutputDevice(MvPluginData* pd, const DecodeInfo& info)
{
    AudioDevice* dev = &pd->StdAudioDevice;
    int card = 0, device = 0;
    ChoosePlaybackDevice(pd, card, device);
    if (OpenAudioDevice(dev, card, device) != 0) return -1;
    if (InitAudioDevice(dev, info.samprate, info.channels, info.bits, SampleFormat(info.bits), kFragsMax, kFragSize,
                        qnx::SND_PCM_START_FULL) == 0)
        return 0;
    char reason[sizeof dev->errtext];
    std::memcpy(reason, dev->errtext, sizeof reason);
    DestroyAudioDevice(dev);
    std::memcpy(dev->errtext, reason, sizeof reason);
    return -1;
}

}  // namespace brisko::core
