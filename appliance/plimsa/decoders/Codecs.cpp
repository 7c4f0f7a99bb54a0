#include "plimsa/decoders/Codecs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "plimsa/decoders/G711.h"
#include "plimsa/decoders/ImaAdpcm.h"
#include "plimsa/decoders/MsAdpcm.h"
#include "plimsa/decoders/SampleOut.h"

namespace plimsa {

namespace {

constexpr const char* kUnknownDecompressCode = "Unknown decompress code\n";

// A GSM block of 65 bytes yields 640; every other codec at most four output bytes per input byte.
constexpr uint32_t kLargestGrowth = 10;

int Copy(const uint8_t* input, uint32_t n, uint8_t* output) {
    if (n != 0) std::memcpy(output, input, n);
    return static_cast<int>(n);
}

int FlipSign(const uint8_t* input, uint32_t n, uint8_t* output) {
    for (uint32_t i = 0; i < n; ++i) output[i] = input[i] ^ 0x80;
    return static_cast<int>(n);
}

// Whole 16-bit samples only: a stray last byte is no sample.
int SwapBytes(const uint8_t* input, uint32_t n, uint8_t* output) {
    const uint32_t bytes = n & ~1u;
    for (uint32_t i = 0; i < bytes; i += 2) {
        output[i] = input[i + 1];
        output[i + 1] = input[i];
    }
    return static_cast<int>(bytes);
}

int Copy16(const uint8_t* input, uint32_t n, uint8_t* output) { return Copy(input, n & ~1u, output); }

// Little-endian samples of `width` bytes: the two most significant bytes are the 16-bit sample.
int TopSixteenBits(const uint8_t* input, uint32_t n, uint8_t* output, uint32_t width) {
    uint32_t offset = 0;
    for (uint32_t i = 0; i + width <= n; i += width) {
        output[offset++] = input[i + width - 2];
        output[offset++] = input[i + width - 1];
    }
    return static_cast<int>(offset);
}

}  // namespace

uint32_t OutputCapacity(uint32_t inputBytes) { return inputBytes * kLargestGrowth + 2 * kGsmFrameSamples * 2; }

int decompress(const uint8_t* input, uint32_t n, uint8_t* output, uint32_t capacity, CodecState& state,
               uint32_t codecId) {
    // The codecs that never write more bytes than they read are kept inside the output area here.
    const uint32_t bytes = std::min(n, capacity);
    switch (codecId) {
    case kCodecCopy8: return Copy(input, bytes, output);
    case kCodecSigned8: return FlipSign(input, bytes, output);
    case kCodecBigEndian16: return SwapBytes(input, bytes, output);
    case kCodecCopy16: return Copy16(input, bytes, output);
    case kCodecLittleEndian24: return TopSixteenBits(input, bytes, output, 3);
    case kCodecLittleEndian32: return TopSixteenBits(input, bytes, output, 4);
    case kCodecMuLaw:
    case kCodecALaw:
        if (!state.table) return -1;
        return MuALawDecompress(input, std::min(n, capacity / 2), output, state.table);
    case kCodecImaAdpcm: return imaAdpcmDecompress(input, n, output, capacity, state.channels, state.blockAlign);
    case kCodecMsAdpcm: return msAdpcmDecompress(input, n, output, capacity, state.channels, state.blockAlign);
    case kCodecGsm: return GSMDecompress(state.gsm.get(), input, n, output, capacity);
    default: std::fputs(kUnknownDecompressCode, stderr); return 0;
    }
}

}  // namespace plimsa
