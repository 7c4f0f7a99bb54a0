#include "brisko/MpegDecoder.h"

#include "brisko/DecoderState.h"

namespace brisko {

MpegDecoder::MpegDecoder() : s_(std::make_unique<State>()) {}

MpegDecoder::~MpegDecoder() = default;

int MpegDecoder::audio_decode_init(const FrameHeader& h, int framebytes, int reduction, int /*transform*/, int convert,
                                   int frequency_limit)
{
    State& s = *s_;
    s.ready = false;
    s.decode = nullptr;
    s.info = DecodeInfo{};
    if (reduction < 0) reduction = 0;
    if (reduction > 2) reduction = 2;
    if (frequency_limit < 1000) frequency_limit = 1000;
    if (h.sync != 1 && h.sync != 2) return 0;
    s.reduction = reduction;
    s.convert = convert;
    s.frequency_limit = frequency_limit;
    int ok = 0;
    if (h.option == 1) ok = L3audio_decode_init(s, h, framebytes, reduction, convert, frequency_limit);
    else ok = L12audio_decode_init(s, h, framebytes, reduction, convert, frequency_limit);
    s.ready = ok != 0;
    return ok;
}

int MpegDecoder::audio_decode_mode(const FrameHeader& h)
{
    State& s = *s_;
    const FrameHeader old = s.setup;
    if (!s.ready || h.sync != old.sync || h.id != old.id || h.option != old.option || h.sr_index != old.sr_index)
        return 0;
    int ok;
    if (h.option == 1) {
        ok = L3audio_decode_mode(s, h);
    } else {
        // Layers I and II keep nothing from frame to frame but the synthesis history.
        const SynthState synth = s.synth;
        const int framebytes = s.info.framebytes;
        ok = L12audio_decode_init(s, h, framebytes, s.reduction, s.convert, s.frequency_limit);
        if (!ok) L12audio_decode_init(s, old, framebytes, s.reduction, s.convert, s.frequency_limit);
        s.synth = synth;
    }
    return ok;
}

DecodeResult MpegDecoder::audio_decode(const std::uint8_t* bs, std::size_t avail, void* pcm)
{
    State& s = *s_;
    if (!s.ready || !bs || !pcm) return {};
    return s.decode(s, bs, avail, pcm);
}

void MpegDecoder::audio_decode_info(DecodeInfo& info) const { info = s_->info; }

}  // namespace brisko
