#include "RingFront.h"

#include <algorithm>

#include "BriskoSettings.h"
#include "CoreMessages.h"

namespace brisko::core {

namespace {

using namespace messages;

constexpr unsigned long kStartPercentCeiling = 86;  // the start percent grows while below it
constexpr unsigned long kStartPercentStep = 10;
// The longest run the frame search may need past a candidate header: the longest frame, its
// padding, the following header and the gap allowed before it.
constexpr unsigned long kLongestFrameRun = 2900;
constexpr double kHighWaterMark = 0.95;

}  // namespace

RingFront::RingFront(RingBuffer& ring, DecoderFront& front, const std::atomic<bool>& stop,
                     std::atomic<unsigned long>& startPercent, unsigned long ringSize, bool refillOnUnderflow,
                     std::FILE* log)
    : ring_(ring),
      front_(front),
      stop_(stop),
      startPercent_(startPercent),
      ringSize_(ringSize),
      refillOnUnderflow_(refillOnUnderflow),
      log_(log)
{
}

bool RingFront::Read(unsigned long minBytes) { return Ring_Read_Ptr(&ring_, &p_, &len_, minBytes, 0) == 0; }

unsigned long RingFront::StartFill() const { return PrefillBytes(ringSize_, startPercent_); }

bool RingFront::RunCut() { return RingGetBytesInBuffer(&ring_) > len_; }

bool RingFront::Ended() { return RingEndOfData(&ring_); }

void RingFront::Consumed(unsigned long n) { Report_Bytes_Read(&ring_, n); }

void RingFront::Print(const char* text)
{
    if (log_) std::fputs(text, log_);
}

bool RingFront::ParseHeader(std::string& error)
{
    for (;;) {
        if (stop_) return false;
        front_.end_of_data = RunIsTheLast();
        std::size_t n = len_;
        const int r = ParseSequenceHeader(front_, p_, n);
        if (r >= 0) {
            Consumed(static_cast<unsigned long>(r));
            return true;
        }
        if (r == kFrontSkip) {
            // A tag longer than the run: drop it and fill up again.
            Consumed(n);
            if (!Read(StartFill())) return false;
            continue;
        }
        if (r == kFrontNeedData && (RunCut() || (!front_.end_of_data && Ended()))) {
            if (!Read(len_)) return false;
            continue;
        }
        return ParseFailed(r, error);
    }
}

bool RingFront::ParseFailed(int result, std::string& error)
{
    if (result == kFrontNeedData) {
        if (!front_.end_of_data) error = kBufferInsufficient;
        Print(kNotEnoughData);
        return false;
    }
    Print(result == kFrontNullBuffer ? kNullFramePointer : kHeaderParseError);
    error = kStreamRefused;
    return false;
}

void RingFront::DecodeFrames(Player& player, std::uint8_t* pcm, std::string& error)
{
    unsigned long minBytes = 0;
    while (player.CheckPauseAndSeek(minBytes) && Read(minBytes) && !stop_) {
        minBytes = 0;
        front_.end_of_data = RunIsTheLast();
        std::size_t n = len_;
        int outbytes = 0;
        const int r = DecodeAudioFrame(front_, p_, n, pcm, outbytes);
        if (r == kFrontOk || r == kFrontFormatChanged) {
            if (!player.PlayFrame(r == kFrontFormatChanged, n, outbytes)) return;
        } else if (r == kFrontNeedData) {
            minBytes = NeedMore();
        } else if (r == kFrontNoSync) {
            minBytes = NoSync(n);
        } else if (r == kFrontSkip || r == kFrontBadFrame) {
            Consumed(n);
        } else {
            error = kStreamRefused;
            return;
        }
    }
}

// No complete frame in the run. Returns the bytes that must be buffered before the next try.
unsigned long RingFront::NeedMore()
{
    if (front_.end_of_data) {
        // A trailing incomplete frame: consumed, and it gives no sound.
        Consumed(len_);
        return 0;
    }
    if (RunCut() || Ended()) return len_;
    if (len_ >= static_cast<unsigned long>(ring_.ulBuffSize * kHighWaterMark)) {
        // The ring holds all it will take and still no frame: what lies before the last
        // candidate header is not a stream.
        Consumed(len_ - kLongestFrameRun);
        return 0;
    }
    return Underflow();
}

// The decoder caught up with the reader: buffer longer after each stall.
unsigned long RingFront::Underflow()
{
    const unsigned long start = startPercent_;
    if (start < kStartPercentCeiling) startPercent_ = start + kStartPercentStep;
    if (!refillOnUnderflow_) return len_;
    return std::max(len_, StartFill());
}

// No frame start in the run: drop what cannot begin one and go on with what follows.
unsigned long RingFront::NoSync(std::size_t droppable)
{
    if (front_.end_of_data) {
        Print(kDecodeError);
        Consumed(len_);
        return 0;
    }
    if (RunCut() || Ended()) return len_;
    if (droppable == 0) return len_;  // a few bytes that may begin a header: wait for more
    Print(kDecodeError);
    Consumed(droppable);
    return 0;
}

}  // namespace brisko::core
