#include "Layer1Writer.h"

#include <cmath>

namespace brisko::test {

namespace {

struct BitWriter {
    std::vector<std::uint8_t>& out;
    std::uint32_t acc = 0;
    int n = 0;
    void put(std::uint32_t v, int bits)
    {
        for (int i = bits - 1; i >= 0; --i) {
            acc = acc << 1 | ((v >> i) & 1);
            if (++n == 8) {
                out.push_back(static_cast<std::uint8_t>(acc));
                acc = 0;
                n = 0;
            }
        }
    }
};

constexpr int kBitrate[2][16] = {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
                                 {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}};
constexpr int kRate[2][3] = {{22050, 24000, 16000}, {44100, 48000, 32000}};

}  // namespace

std::vector<std::uint8_t> writeLayer1(const Layer1Stream& s)
{
    std::vector<std::uint8_t> out;
    const int nch = s.mode == 3 ? 1 : 2;
    const int bound = s.mode == 1 ? 4 * (s.modeExt + 1) : 32;
    const int alloc = 6;  // 7-bit samples
    const int maxCode = (1 << alloc) - 1;
    const int slots = 12 * kBitrate[s.id][s.brIndex] * 1000 / kRate[s.id][s.srIndex];
    const double pi = 4.0 * std::atan(1.0);
    long t = 0;
    for (int f = 0; f < s.frames; ++f) {
        std::size_t start = out.size();
        BitWriter w{out};
        w.put(0xFFF, 12);
        w.put(s.id, 1);
        w.put(3, 2);  // Layer I
        w.put(s.crc ? 0 : 1, 1);
        w.put(s.brIndex, 4);
        w.put(s.srIndex, 2);
        w.put(0, 1);  // padding
        w.put(0, 1);
        w.put(s.mode, 2);
        w.put(s.modeExt, 2);
        w.put(0, 4);  // copyright, original, emphasis
        if (s.crc) w.put(0xBEEF, 16);
        for (int sb = 0; sb < 32; ++sb)
            for (int ch = 0; ch < (sb < bound ? nch : 1); ++ch) w.put(sb < s.subbands ? alloc : 0, 4);
        for (int sb = 0; sb < s.subbands; ++sb)
            for (int ch = 0; ch < nch; ++ch) w.put(20 + (sb + 3 * ch + f / 8) % 8, 6);
        for (int n = 0; n < 12; ++n, ++t)
            for (int sb = 0; sb < 32; ++sb)
                for (int ch = 0; ch < (sb < bound ? nch : 1); ++ch) {
                    if (sb >= s.subbands) continue;
                    double freq = 0.01 + 0.013 * sb + 0.007 * ch;
                    int v = static_cast<int>(std::lround(0.8 * maxCode * std::sin(2 * pi * freq * t + sb)));
                    w.put(static_cast<std::uint32_t>(v + maxCode), alloc + 1);
                }
        while (out.size() - start < static_cast<std::size_t>(4 * slots) || w.n) w.put(0, 1);
    }
    return out;
}

}  // namespace brisko::test
