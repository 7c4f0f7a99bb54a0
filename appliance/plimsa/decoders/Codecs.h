#pragma once
// The codec switch: turns the sample data of one read unit into what the audio device takes
// (unsigned 8-bit, or signed 16-bit little-endian). The readers pick the codec and its state.

#include <cstdint>
#include <memory>

#include "plimsa/decoders/GsmDecoder.h"

namespace plimsa {

// Codec identifiers, as the readers store them in the stream record.
enum CodecId : uint32_t {
    kCodecCopy8 = 1,            // unsigned 8-bit PCM, copied
    kCodecSigned8 = 2,          // signed 8-bit PCM to unsigned (top bit flipped)
    kCodecBigEndian16 = 3,      // signed 16-bit big-endian PCM, bytes swapped
    kCodecCopy16 = 4,           // signed 16-bit little-endian PCM, copied
    kCodecMuLaw = 5,            // G.711 mu-law bytes
    kCodecALaw = 6,             // G.711 A-law bytes
    kCodecImaAdpcm = 9,         // IMA ADPCM blocks
    kCodecMsAdpcm = 10,         // MS ADPCM blocks
    kCodecGsm = 11,             // GSM 06.10 in 65-byte WAV49 blocks
    kCodecLittleEndian24 = 12,  // signed 24-bit little-endian PCM, top 16 bits kept
    kCodecLittleEndian32 = 13,  // signed 32-bit little-endian PCM, top 16 bits kept
};

// What a decoder needs beyond the bytes: the lookup table, the block layout, the GSM decoder.
// One per open stream; the GSM decoder lives as long as the stream.
struct CodecState {
    const int16_t* table = nullptr;  // mu-law / A-law expansion table
    uint16_t channels = 0;           // IMA and MS ADPCM
    uint16_t blockAlign = 0;         // IMA and MS ADPCM: bytes of one block
    std::unique_ptr<GsmDecoder> gsm;
};

// Output bytes that one call may produce for at most inputBytes of input, for any codec.
uint32_t OutputCapacity(uint32_t inputBytes);

// Decodes n bytes of input into output (room for `capacity` bytes). Returns the output bytes;
// 0 when there is nothing to output (an unknown codec also prints "Unknown decompress code");
// -1 when the input cannot be decoded (a block shorter than its header, a bad predictor,
// no GSM decoder), which ends the stream.
int decompress(const uint8_t* input, uint32_t n, uint8_t* output, uint32_t capacity, CodecState& state,
               uint32_t codecId);

}  // namespace plimsa
