#pragma once
// GSM 06.10 full-rate frames in the WAV49 layout (two frames packed into 65 bytes), decoded with
// libgsm. One decoder per stream keeps the frame memory from block to block.

#include <cstdint>

struct gsm_state;

namespace plimsa {

class GsmDecoder {
public:
    // Creates the libgsm decoder with WAV49 framing; usable() is false when libgsm refuses.
    GsmDecoder();
    ~GsmDecoder();
    GsmDecoder(const GsmDecoder&) = delete;
    GsmDecoder& operator=(const GsmDecoder&) = delete;

    bool usable() const { return handle_ != nullptr; }
    // Starts the next frame as the first half of a block (after a seek).
    void restartBlock();
    // Decodes one frame: the first half of a block reads 33 bytes, the second 32; 160 samples.
    void decodeFrame(const uint8_t* frame, int16_t* samples);

private:
    gsm_state* handle_;
};

// Bytes of one WAV49 block, of its first half, and samples per frame.
inline constexpr uint32_t kGsmBlockBytes = 65;
inline constexpr uint32_t kGsmFirstHalfBytes = 33;
inline constexpr uint32_t kGsmFrameSamples = 160;

// Decodes the whole 65-byte blocks of the input, and the first half of a trailing piece of 33 to
// 64 bytes. Returns the output bytes (640 per block), or -1 without a decoder or when the input is
// shorter than a half block.
int GSMDecompress(GsmDecoder* decoder, const uint8_t* input, uint32_t n, uint8_t* output, uint32_t capacity);

}  // namespace plimsa
