// The output that accepts everything and plays nothing.
#include "SoundBackend.h"

namespace qnx::sound {

namespace {

class NullPcm : public BasicPcm {
    void Consume(const unsigned char *, size_t, const snd_pcm_format_t &) override {}
};

class NullSink : public SoftCard {
public:
    NullSink() : SoftCard("Null", "Zephra null output") {}

private:
    std::unique_ptr<PcmStream> NewPcm() override { return std::make_unique<NullPcm>(); }
};

}  // namespace

std::shared_ptr<Sink> MakeNullSink()
{
    return std::make_shared<NullSink>();
}

}  // namespace qnx::sound
