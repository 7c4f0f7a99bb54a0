// The decoder front fed from the media ring, as both MPEG players run it on their decoder thread:
// the run of bytes the ring hands out, the first frame header, and frame after frame with the
// steps for a run that holds no whole frame (more bytes, lost sync, a tag to drop).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "brisko/DecoderFront.h"
#include "media/RingBuff.h"

namespace brisko::core {

class RingFront {
public:
    // What the player does between frames and with each decoded frame.
    class Player {
    public:
        // Pauses while asked, and seeks (minBytes back to 0 after a seek); false when the player
        // is to stop.
        virtual bool CheckPauseAndSeek(unsigned long& minBytes) = 0;
        // Plays a decoded frame (outbytes of PCM; consumed bytes of the run to be reported read);
        // false ends the playing.
        virtual bool PlayFrame(bool formatChanged, std::size_t consumed, int outbytes) = 0;

    protected:
        ~Player() = default;
    };

    // ringSize and startPercent give the start fill (the percent grows after each underflow);
    // refillOnUnderflow: after an underflow wait for the start fill again. The faults of the
    // stream are printed to log, or not at all when it is null.
    RingFront(RingBuffer& ring, DecoderFront& front, const std::atomic<bool>& stop,
              std::atomic<unsigned long>& startPercent, unsigned long ringSize, bool refillOnUnderflow, std::FILE* log);

    // The next run of bytes, once more than minBytes are buffered or the data has ended; false
    // when everything was consumed.
    bool Read(unsigned long minBytes);
    // The first run: the start fill.
    bool Prefill() { return Read(StartFill()); }
    unsigned long StartFill() const;
    const unsigned char* Run() const { return p_; }
    unsigned long RunLength() const { return len_; }

    // The header of the first frame from the run (the bytes before it and the header reported
    // read). False on a stop or when the data ended, error untouched; or on a fault, with its
    // error text in error.
    bool ParseHeader(std::string& error);

    // Plays frame after frame into pcm (MpegDecoder::kMaxPcmBytes) until the data ends, a stop
    // is asked or the player ends it; a stream the decoder refuses leaves its error text in
    // error.
    void DecodeFrames(Player& player, std::uint8_t* pcm, std::string& error);

private:
    // The run handed out stops at the ring's end while more bytes lie beyond it.
    bool RunCut();
    bool Ended();
    // No byte will come after this run: the data has ended, and the run holds all that is left.
    // The end is asked first, so a reader that finishes after the run was taken is not missed.
    bool RunIsTheLast() { return Ended() && !RunCut(); }
    void Consumed(unsigned long n);
    void Print(const char* text);
    bool ParseFailed(int result, std::string& error);
    unsigned long NeedMore();
    unsigned long Underflow();
    unsigned long NoSync(std::size_t droppable);

    RingBuffer& ring_;
    DecoderFront& front_;
    const std::atomic<bool>& stop_;
    std::atomic<unsigned long>& startPercent_;
    unsigned long ringSize_;
    bool refillOnUnderflow_;
    std::FILE* log_;
    unsigned char* p_ = nullptr;  // the run the ring handed out
    unsigned long len_ = 0;
};

}  // namespace brisko::core
