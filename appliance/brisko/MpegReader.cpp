#include "brisko/MpegReader.h"

#include <cstring>

namespace brisko {

namespace {

// Bytes kept in the buffer before each attempt, so that a free-format search and the largest
// frame always find their data.
constexpr std::size_t kLookAhead = 16384;

}  // namespace

MpegReader::MpegReader(const ByteSource& src, std::size_t bufferSize)
    : src_(src), buf_(bufferSize < 32768 ? 32768 : bufferSize)
{
}

void MpegReader::setMode(int reduction, int convert, int freqLimit, std::uint32_t maxBitrate)
{
    InitAudioDecoderMode(front_, reduction, 0, 0, convert, freqLimit, maxBitrate);
}

bool MpegReader::readMore()
{
    if (begin_ > 0) {
        std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (eof_ || end_ == buf_.size()) return true;
    std::int64_t r = src_.read(src_.ctx, buf_.data() + end_, buf_.size() - end_);
    if (r < 0) {
        // Decode what arrived before the error; the end then reports it.
        readError_ = true;
        eof_ = true;
        return true;
    }
    if (r == 0) eof_ = true;
    end_ += static_cast<std::size_t>(r);
    return true;
}

bool MpegReader::fill()
{
    while (!eof_ && end_ - begin_ < kLookAhead)
        if (!readMore()) return false;
    return true;
}

int MpegReader::finish()
{
    begin_ = end_;
    return readError_ ? -1 : 0;
}

int MpegReader::next(PcmFrame& frame)
{
    for (;;) {
        if (!fill()) return -1;
        const std::uint8_t* p = buf_.data() + begin_;
        std::size_t len = end_ - begin_;
        if (len == 0) return finish();
        const bool full = len == buf_.size();

        if (!started_) {
            if (!kindChecked_) {
                kindChecked_ = true;
                if (OtherSoundFile(p, len)) return finish();
            }
            // The plug-in's test of a stream: the first header counts once frames follow it, and
            // at the end of the data a run of frames that ends there.
            front_.end_of_data = eof_;
            int r = ParseSequenceHeader(front_, p, len);
            if (r >= 0) {
                drop(static_cast<std::size_t>(r));
                started_ = true;
                announce_ = true;
            } else if (r == kFrontSkip) {
                drop(len);
            } else if (r == kFrontRefused) {
                // The first stream found cannot be decoded: search on past its header.
                ++front_.errors;
                int at = ScanForMPEG_l(p, end_ - begin_);
                drop(at >= 0 ? static_cast<std::size_t>(at) + 1 : 1);
            } else if (eof_) {
                return finish();
            } else if (full) {
                // No header in a full buffer: the bytes are not a stream; keep the last few.
                drop(len - 3);
            } else if (!readMore()) {
                return -1;
            }
            continue;
        }

        front_.end_of_data = eof_;
        int outbytes = 0;
        int r = DecodeAudioFrame(front_, p, len, pcm_, outbytes);
        if (r == kFrontOk || r == kFrontFormatChanged) {
            drop(len);
            if (r == kFrontFormatChanged) announce_ = true;
            if (outbytes <= 0) continue;
            frame.data = pcm_;
            frame.bytes = static_cast<std::size_t>(outbytes);
            frame.format = FrontInfo(front_);
            frame.format_changed = announce_;
            announce_ = false;
            return 1;
        }
        if (r == kFrontNeedData || (r == kFrontNoSync && len == 0)) {
            if (eof_) return finish();
            if (full) drop(1);
            else if (!readMore()) return -1;
            continue;
        }
        drop(len > 0 ? len : 1);  // kFrontNoSync, kFrontSkip, kFrontBadFrame
    }
}

}  // namespace brisko
