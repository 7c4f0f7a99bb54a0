// The one card of an output that keeps its mixer in memory.
#include "SoundBackend.h"

#include <cerrno>
#include <cstring>

namespace qnx::sound {

int SoftCard::Cards()
{
    return 1;
}

int SoftCard::OpenPcm(int card, int device, std::unique_ptr<PcmStream> &out)
{
    if (card != 0 || device != 0)
        return -ENODEV;
    out = NewPcm();
    return 0;
}

int SoftCard::CardInfo(int card, snd_ctl_hw_info_t &info)
{
    if (card != 0)
        return -ENODEV;
    info = {};
    info.pcmdevs = 1;
    info.mixerdevs = 1;
    std::strncpy(info.id, id_, sizeof info.id - 1);
    std::strncpy(info.name, name_, sizeof info.name - 1);
    return 0;
}

int SoftCard::OpenMixer(int card, int device, std::unique_ptr<Mixer> &out)
{
    if (card != 0 || device != 0)
        return -ENODEV;
    out = mixer_.Open();
    return out ? 0 : -ENOMEM;
}

}  // namespace qnx::sound
