// Frame header parsing, the free-format length search and the tables generated from the data files.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "brisko/FrameHeader.h"
#include "brisko/L3Huffman.h"
#include "brisko/Synthesis.h"
#include "brisko/Tables.h"

namespace brisko {
namespace {

int lengthOf(std::vector<std::uint8_t> bytes)
{
    FrameHeader h;
    return head_info(bytes.data(), bytes.size(), h);
}

TEST(FrameHeader, LengthsAndRefusals)
{
    FrameHeader h;
    std::uint8_t l3[4] = {0xFF, 0xFB, 0x90, 0x64};
    EXPECT_EQ(head_info(l3, 4, h), 417);
    EXPECT_EQ(h.sync, 1);
    EXPECT_EQ(h.id, 1);
    EXPECT_EQ(h.option, 1);
    EXPECT_EQ(h.mode, 1);
    int bitrate = 0;
    EXPECT_EQ(head_info2(l3, 4, h, bitrate), 417);
    EXPECT_EQ(bitrate, 128000);
    EXPECT_EQ(lengthOf({0xFF, 0xFB, 0x92, 0x64}), 417) << "the padding slot is not counted";
    EXPECT_EQ(lengthOf({0xFF, 0xFB, 0xF0, 0x64}), 0) << "bitrate index 15";
    EXPECT_EQ(lengthOf({0xFF, 0xFB, 0x9C, 0x64}), 0) << "sample-rate index 3";
    EXPECT_EQ(lengthOf({0xFF, 0xFB, 0x90, 0x66}), 0) << "emphasis 2";
    EXPECT_EQ(lengthOf({0xFF, 0xF9, 0x90, 0x64}), 0) << "layer code 0";
    EXPECT_EQ(lengthOf({0xFF, 0x7B, 0x90, 0x64}), 0) << "no sync";
    // MPEG-2.5 Layer III, 32 kbit/s at 11.025 kHz.
    std::uint8_t l25[4] = {0xFF, 0xE3, 0x40, 0xC4};
    EXPECT_EQ(head_info(l25, 4, h), 208);
    EXPECT_EQ(h.sync, 2);
    EXPECT_EQ(HeaderSampleRate(h), 11025);
    EXPECT_EQ(lengthOf({0xFF, 0xEB, 0x40, 0xC4}), 0) << "MPEG-2.5 with the version bit set is reserved";
    // MPEG-2 Layer III, 64 kbit/s at 22.05 kHz: 1440 x 64 / 441.
    EXPECT_EQ(lengthOf({0xFF, 0xF3, 0x80, 0xC4}), 208);
    // Layer I and II, MPEG-1 44.1 kHz: index 11 of Layer I is 352 kbit/s.
    std::uint8_t l1[4] = {0xFF, 0xFF, 0xB0, 0x00};
    EXPECT_EQ(head_info(l1, 4, h), 4 * (240 * 352 / 882));
    EXPECT_EQ(HeaderKbps(h), 352);
    EXPECT_EQ(lengthOf({0xFF, 0xFD, 0x80, 0x00}), 2880 * 128 / 882);
}

// A free-format stream: frames of `size` bytes (+ padding slots) with the given header.
std::vector<std::uint8_t> freeFormat(std::uint8_t b1, std::uint8_t b2, int size, int slot, int frames)
{
    std::vector<std::uint8_t> out;
    for (int f = 0; f < frames; ++f) {
        std::size_t start = out.size();
        out.insert(out.end(), {0xFF, b1, b2, 0x00});
        out.resize(start + size + ((b2 >> 1) & 1) * slot, 0x11);
    }
    return out;
}

TEST(FrameHeader, FreeFormatLength)
{
    auto l3 = freeFormat(0xFB, 0x00, 600, 1, 6);
    EXPECT_EQ(lengthOf(l3), 600);
    auto padded = freeFormat(0xFB, 0x02, 600, 1, 6);
    EXPECT_EQ(lengthOf(padded), 600) << "the caller adds the slot";
    auto l1 = freeFormat(0xFF, 0x02, 196, 4, 12);
    EXPECT_EQ(lengthOf(l1), 196) << "a padded Layer I frame is the distance less 4 bytes";
    EXPECT_EQ(lengthOf(std::vector<std::uint8_t>(l3.begin(), l3.begin() + 26)), 0) << "too short to search";
    FrameHeader h;
    int bitrate = 0;
    EXPECT_EQ(head_info2(l3.data(), l3.size(), h, bitrate), 600);
    EXPECT_EQ(bitrate, 882 * 1000 * 600 / 2880);
    // A successor beyond byte 1999 is found by the first scan from 24, but not after a false
    // candidate has moved the search start past 1999.
    auto far = freeFormat(0xFB, 0x00, 2100, 1, 4);
    EXPECT_EQ(lengthOf(far), 2100);
    auto fooled = far;
    fooled[2000] = 0xFF, fooled[2001] = 0xFB;
    EXPECT_EQ(lengthOf(fooled), 0);
}

TEST(Tables, ValuesTheStandardsGive)
{
    EXPECT_EQ(tables::kBitrateKbps[0][1][11], 352);
    EXPECT_EQ(tables::kBitrateKbps[2][1][14], 320);
    EXPECT_EQ(tables::kBitrateKbps[1][0][14], 160);
    EXPECT_EQ(tables::kSampleRateHz[2][2], 8000);
    EXPECT_EQ(tables::kSfbLong[0][21], 418);
    EXPECT_EQ(tables::kSfbLong[2][21], 550);
    EXPECT_EQ(tables::kSfbLong[8][6], 72);
    EXPECT_EQ(tables::kSfbLong[4][18], 332);
    EXPECT_EQ(tables::kSfbShort[0][12], 136);
    const int sblimits[5] = {27, 30, 8, 12, 30};
    for (int t = 0; t < 5; ++t) EXPECT_EQ(tables::kL2Alloc[t].sblimit, sblimits[t]);
    EXPECT_EQ(tables::kL2Alloc[0].nbal[0], 4);
    EXPECT_EQ(tables::kL2Alloc[0].nbal[26], 2);
    EXPECT_EQ(tables::kL2Alloc[0].cls[26][3], 17) << "65535 levels";
    EXPECT_EQ(tables::kHuffTables[16].linbits, 1);
    EXPECT_EQ(tables::kHuffTables[31].linbits, 13);
    EXPECT_EQ(tables::kHuffTables[4].words, nullptr);
}

TEST(Tables, SynthesisWindowInWalkingOrder)
{
    const float* w = wincoef_addr();
    const double row0[16] = {0,
                             0.000442505,
                             -0.003250122,
                             0.007003784,
                             -0.031082153,
                             0.078628540,
                             -0.100311279,
                             0.572036743,
                             -1.144989014,
                             -0.572036743,
                             -0.100311279,
                             -0.078628540,
                             -0.031082153,
                             -0.007003784,
                             -0.003250122,
                             -0.000442505};
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(w[k], row0[k], 1e-9) << k;
    const double out16[8] = {-0.00158691395, -0.0239105206,  -0.148422241,   -0.976852417,
                             0.152206421,    0.000686645973, -0.00222778297, 0.0000762940035};
    for (int k = 0; k < 8; ++k) EXPECT_NEAR(w[256 + k], out16[k], 1e-8) << k;
    const float* c = dct_coef_addr();
    EXPECT_NEAR(c[0], 0.5 / std::cos(3.14159265358979 / 64), 1e-7);
    EXPECT_NEAR(c[30], 0.5 / std::cos(3.14159265358979 / 4), 1e-7);
}

BitGetter reader(const std::vector<std::uint8_t>& bytes)
{
    static std::vector<std::uint8_t> keep;
    keep = bytes;
    keep.resize(bytes.size() + 16, 0);
    BitGetter b;
    b.init(keep.data());
    b.end_bit = static_cast<int>(8 * bytes.size());
    return b;
}

TEST(Huffman, PairsEscapesAndQuadruples)
{
    int xy[4] = {};
    // Table 1: '1' is (0,0); '000' is (1,1), followed by the sign of x and the sign of y.
    auto b = reader({0b10001000, 0b01000000});  // 1 | 000 s=1 s=0 | 001 s=0 ...
    unpack_huff(b, xy, 4, 1);
    EXPECT_EQ(xy[0], 0);
    EXPECT_EQ(xy[1], 0);
    EXPECT_EQ(xy[2], -1);
    EXPECT_EQ(xy[3], 1);
    // Table 16 with linbits 1: x = 15 followed by escape bit 1 gives 16, its sign after the escape.
    // The code of (15, 0) is taken from the packed table's first level.
    const std::uint32_t* t = tables::kHuffTables[16].words;
    ASSERT_NE(t, nullptr);
    int found = -1;
    int w = t[0] & 0xFF;
    for (int v = 0; v < (1 << w); ++v)
        if ((t[1 + v] >> 24) && ((t[1 + v] >> 8) & 0xFF) == 15 && ((t[1 + v] >> 16) & 0xFF) == 0) found = v;
    if (found >= 0) {
        int len = t[1 + found] >> 24;
        unsigned code = static_cast<unsigned>(found) >> (w - len);
        // code, escape bit 1, sign 1, then zeros
        unsigned bits = (code << 2 | 0b11) << (32 - len - 2);
        auto b2 = reader({static_cast<std::uint8_t>(bits >> 24), static_cast<std::uint8_t>(bits >> 16),
                          static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits)});
        int e[2] = {};
        unpack_huff(b2, e, 2, 16);
        EXPECT_EQ(e[0], -16);
        EXPECT_EQ(e[1], 0);
    }
    // Count-1 table B: 1111 is four zeros without sign bits; 0000 is four ones with four signs.
    int q[16] = {};
    auto b3 = reader({0b11110000, 0b10100000});
    EXPECT_EQ(unpack_huff_quad(b3, q, 8, 12, 1), 8);
    EXPECT_EQ(q[0], 0);
    EXPECT_EQ(q[3], 0);
    EXPECT_EQ(q[4], -1);
    EXPECT_EQ(q[5], 1);
    EXPECT_EQ(q[6], -1);
    EXPECT_EQ(q[7], 1);
    // No non-zero quadruple: 0 lines.
    auto b4 = reader({0xFF, 0xFF});
    EXPECT_EQ(unpack_huff_quad(b4, q, 16, 16, 1), 0);
    // Last non-zero quadruple at index 3 with pattern 1100 (x and y zero): 14 lines.
    auto b5 = reader({0xFF, 0xF3, 0x00});  // 1111 1111 1111 0011 + signs 00
    EXPECT_EQ(unpack_huff_quad(b5, q, 16, 24, 1), 14);
}

}  // namespace
}  // namespace brisko
