// The output that accepts everything and plays nothing.
#include "SoundBackend.h"

#include <cerrno>
#include <cstring>

namespace qnx::sound {

namespace {

class NullPcm : public BasicPcm {
    void Consume(const unsigned char *, size_t, const snd_pcm_format_t &) override {}
};

class NullSink : public Sink {
public:
    int Cards() override { return 1; }

    int OpenPcm(int card, int device, std::unique_ptr<PcmStream> &out) override
    {
        if (card != 0 || device != 0)
            return -ENODEV;
        out = std::make_unique<NullPcm>();
        return 0;
    }

    int CardInfo(int card, snd_ctl_hw_info_t &info) override
    {
        if (card != 0)
            return -ENODEV;
        info = {};
        info.pcmdevs = 1;
        info.mixerdevs = 1;
        std::strncpy(info.id, "Null", sizeof info.id - 1);
        std::strncpy(info.name, "Zephra null output", sizeof info.name - 1);
        return 0;
    }

    int OpenMixer(int card, int device, std::unique_ptr<Mixer> &out) override
    {
        if (card != 0 || device != 0)
            return -ENODEV;
        out = mixer_.Open();
        return out ? 0 : -ENOMEM;
    }

private:
    SoftMixerState mixer_;
};

}  // namespace

std::shared_ptr<Sink> MakeNullSink()
{
    return std::make_shared<NullSink>();
}

}  // namespace qnx::sound
