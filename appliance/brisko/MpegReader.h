// A pull decoder over a byte source: reads, skips tags (however large), finds frames and yields
// PCM frames with their format until the stream ends. For programs that decode whole files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "brisko/ByteSource.h"
#include "brisko/DecoderFront.h"

namespace brisko {

struct PcmFrame {
    const void* data = nullptr;
    std::size_t bytes = 0;
    DecodeInfo format;
    bool format_changed = false;  // first frame, or a frame whose format differs from the last
};

class MpegReader {
public:
    explicit MpegReader(const ByteSource& src, std::size_t bufferSize = 65536);

    // Output wishes as InitAudioDecoderMode takes them; before the first call of next().
    void setMode(int reduction, int convert, int freqLimit, std::uint32_t maxBitrate);
    void setLog(FrontLog log) { front_.log = log; }

    // 1 with a frame, 0 at the end of the stream, -1 at the end when a read failed (the frames
    // read before the error are decoded first).
    int next(PcmFrame& frame);

    std::uint64_t errors() const { return front_.errors; }
    bool started() const { return started_; }

private:
    bool readMore();
    bool fill();
    int finish();
    void drop(std::size_t n) { begin_ += n; }

    ByteSource src_;
    std::vector<std::uint8_t> buf_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    bool readError_ = false;
    bool started_ = false;
    bool kindChecked_ = false;  // the start of the data was looked at for other sound files
    bool announce_ = true;
    DecoderFront front_;
    alignas(16) std::uint8_t pcm_[MpegDecoder::kMaxPcmBytes];
};

}  // namespace brisko
