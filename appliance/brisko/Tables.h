// The numeric tables of the MPEG audio standards, generated at build time from the data files in
// tables/ by tablegen/MpegTableGen.cpp. Read-only; shared by every decoder object.
#pragma once

#include <cstdint>

namespace brisko::tables {

// Bitrates in kbit/s by [layer: 0 = Layer I, 1 = II, 2 = III][version bit: 0 = MPEG-2/2.5, 1 = MPEG-1]
// [bitrate index]. Index 0 (free format) and 15 (not allowed) hold 0.
extern const int kBitrateKbps[3][2][16];

// Sample rates in Hz by [0 = MPEG-1, 1 = MPEG-2, 2 = MPEG-2.5][sample-rate index]; index 3 holds -1.
extern const int kSampleRateHz[3][4];

// One Layer II allocation table: per subband the width of its allocation field and, per allocation
// value, the quantiser class 1..17 (3, 5, 7, 9, 15, 31, ... 65535 levels); 0 = no samples.
struct L2AllocTable {
    int sblimit;
    std::uint8_t nbal[32];
    std::uint8_t cls[32][16];
};
// The four MPEG-1 tables (27, 30, 8 and 12 subbands) and the lower-sampling-frequency table (30).
extern const L2AllocTable kL2Alloc[5];

// Scale-factor band boundaries by rate row (44100, 48000, 32000, 22050, 24000, 16000, 11025, 12000,
// 8000: row = 3 x kind + sample-rate index with kind 0 MPEG-1, 1 MPEG-2, 2 MPEG-2.5).
extern const short kSfbLong[9][23];   // lines 0..576
extern const short kSfbShort[9][14];  // lines of one short window 0..192

// Synthesis window D[i] x 65536 (every coefficient is an exact multiple of 1/65536).
extern const int kSynthWindow65536[512];

// Layer III big-value code tables in packed lookup form. A (sub-)table starts with a head word
// 0xFF0000ww (lookup width w in the low byte) followed by 2^w entries. An entry with a non-zero
// byte 3 is a leaf: byte 0 = non-zero values of the pair, byte 1 = x, byte 2 = y, byte 3 = code
// bits consumed at this level. An entry with byte 3 = 0 is the distance in words from the head word
// to the sub-table's head word; the w bits are consumed.
struct HuffTable {
    const std::uint32_t* words;  // null for table selections without data (0, 4, 14)
    int linbits;
};
extern const HuffTable kHuffTables[32];

// Count-1 table A indexed by the next 6 bits: (code length << 4) | pattern (v = 8, w = 4, x = 2, y = 1).
extern const std::uint8_t kQuadA[64];

}  // namespace brisko::tables
