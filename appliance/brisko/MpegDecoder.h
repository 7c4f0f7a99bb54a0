// The MPEG audio decoder (Layers I, II and III; MPEG-1, MPEG-2 and MPEG-2.5) as an object: every
// piece of decoding state lives in the object, so a process may run any number of decoders.
// Set it up from a stream's first frame header, then decode one frame at a time into PCM.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "brisko/FrameHeader.h"

namespace brisko {

// The output format fixed at set-up.
struct DecodeInfo {
    int channels = 0;    // output channels, 1 or 2
    int outvalues = 0;   // output values per frame, all channels together
    int samprate = 0;    // output rate in Hz (the stream's rate shifted right by the reduction)
    int bits = 0;        // 16 (signed, machine order) or 8 (unsigned, 128 = silence)
    int framebytes = 0;  // frame length without padding, as given to set-up
    int type = 0;        // always 0
};

struct DecodeResult {
    int in_bytes = 0;   // bytes consumed: the frame with its padding; 0 when nothing was decoded
    int out_bytes = 0;  // bytes of PCM written
};

// Bits of the set-up's `convert` argument.
enum ConvertCode : int {
    kConvertStereo = 0,  // keep both channels
    kConvertMono = 1,    // mix to mono
    kConvertLeft = 2,    // left channel only
    kConvertRight = 3,   // right channel only
    kConvert8Bit = 8,    // 8-bit unsigned output
};

class MpegDecoder {
public:
    // The largest PCM output of one frame, in bytes.
    static constexpr std::size_t kMaxPcmBytes = 1152 * 2 * 2;

    MpegDecoder();
    ~MpegDecoder();
    MpegDecoder(const MpegDecoder&) = delete;
    MpegDecoder& operator=(const MpegDecoder&) = delete;

    // Sets the decoder up for one stream. reduction: 0 full, 1 half, 2 quarter rate (clamped);
    // transform: ignored; convert: ConvertCode bits; frequency_limit in Hz (below 1000 counts as
    // 1000). Returns 1 when the stream can be decoded, 0 when not (reserved or inconsistent header
    // values, a Layer II bitrate and mode that are not allowed, MPEG-2.5 Layer I or II).
    int audio_decode_init(const FrameHeader& h, int framebytes, int reduction, int transform, int convert,
                          int frequency_limit);

    // Follows a change between one channel and two within the stream set up (the same version,
    // layer and sample rate): the output layout follows the new channel mode, while the bit
    // reservoir and each channel's filterbank and synthesis histories carry on. Returns 0 (the
    // set-up unchanged) when the decoder cannot take the new mode.
    int audio_decode_mode(const FrameHeader& h);

    // Decodes the frame that starts at `bs` (at most `avail` bytes are read) into `pcm`, which must
    // hold kMaxPcmBytes. Returns {0, 0} when no set-up was made, the bytes do not start a frame of
    // the stream set up, or the frame is longer than `avail`.
    DecodeResult audio_decode(const std::uint8_t* bs, std::size_t avail, void* pcm);

    // The output format of the current set-up.
    void audio_decode_info(DecodeInfo& info) const;

    struct State;

private:
    std::unique_ptr<State> s_;
};

}  // namespace brisko
