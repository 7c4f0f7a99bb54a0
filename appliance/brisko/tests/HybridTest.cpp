// The Layer III hybrid filterbank against a plain, double-precision IMDCT with the four windows
// written out from their formulas: long, start, short and stop blocks, mixed or not, and the
// mono mix's summing transform.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "StreamTools.h"
#include "brisko/L3Hybrid.h"

namespace brisko {
namespace {

const double kPi = std::acos(-1.0);

// Window of a 36-point block of type 0 (normal), 1 (start) or 3 (stop).
double longWindow(int type, int i)
{
    const double normal = std::sin(kPi / 36 * (i + 0.5));
    if (type == 1) {
        if (i < 18) return normal;
        if (i < 24) return 1.0;
        if (i < 30) return std::sin(kPi / 12 * (i - 18 + 0.5));
        return 0.0;
    }
    if (type == 3) {
        if (i < 6) return 0.0;
        if (i < 12) return std::sin(kPi / 12 * (i - 6 + 0.5));
        if (i < 18) return 1.0;
        return normal;
    }
    return normal;
}

// One channel of the filterbank as written in the standard: per subband an n-point IMDCT
// x_i = sum_k X_k cos(pi / 2n (2i + 1 + n/2)(2k + 1)), windowed (three overlapped short windows
// for type 2), the first half added to the previous block's second half. The two lowest subbands
// of a mixed block take the normal window.
struct PlainHybrid {
    double overlap[32][18] = {};

    void granule(const std::vector<float>& lines, int type, bool mixed, double out[18][32])
    {
        for (int sb = 0; sb < 32; ++sb) {
            const float* X = lines.data() + 18 * sb;
            const int bt = mixed && sb < 2 ? 0 : type;
            double z[36] = {};
            if (bt != 2) {
                for (int i = 0; i < 36; ++i) {
                    double x = 0;
                    for (int k = 0; k < 18; ++k) x += X[k] * std::cos(kPi / 72 * (2 * i + 1 + 18) * (2 * k + 1));
                    z[i] = x * longWindow(bt, i);
                }
            } else {
                // Window w's six lines are interleaved: X[w], X[w + 3], ..., X[w + 15].
                for (int w = 0; w < 3; ++w)
                    for (int i = 0; i < 12; ++i) {
                        double x = 0;
                        for (int k = 0; k < 6; ++k)
                            x += X[w + 3 * k] * std::cos(kPi / 24 * (2 * i + 1 + 6) * (2 * k + 1));
                        z[6 + 6 * w + i] += x * std::sin(kPi / 12 * (i + 0.5));
                    }
            }
            for (int i = 0; i < 18; ++i) {
                out[i][sb] = z[i] + overlap[sb][i];
                overlap[sb][i] = z[18 + i];
            }
        }
    }
};

struct Block {
    int type;
    bool mixed;
    int lines;  // lines with data
};

// The lines a long-block transform covers, as the decoder passes them: all for long blocks, none
// for short blocks, the two lowest subbands of a mixed short block.
int longLines(const Block& b) { return b.type != 2 ? b.lines : b.mixed ? 36 : 0; }

// The decoder's granule sequence of one channel: the lines of granule g go into area g % 2, the
// other area holding the previous granule's overlap.
struct Channel {
    std::vector<float> area[2] = {std::vector<float>(576, 0.0f), std::vector<float>(576, 0.0f)};
    int previous = 0;
};

std::vector<float> randomLines(std::mt19937& rng, int count)
{
    std::uniform_real_distribution<float> amp(-2000.0f, 2000.0f);
    std::vector<float> lines(576, 0.0f);
    for (int i = 0; i < count; ++i) lines[i] = amp(rng);
    return lines;
}

// Largest difference between y[18][32] and the reference, relative to the reference's peak.
double worstRelative(const float* y, const double ref[18][32], int slots = 18)
{
    double peak = 1.0, worst = 0.0;
    for (int i = 0; i < slots; ++i)
        for (int sb = 0; sb < 32; ++sb) {
            peak = std::max(peak, std::fabs(ref[i][sb]));
            worst = std::max(worst, std::fabs(y[32 * i + sb] - ref[i][sb]));
        }
    return worst / peak;
}

// Start, short and stop blocks in the orders a stream has them, mixed and not, with granules
// that fill only part of the spectrum (the rest of the subbands carry the previous tail).
const Block kSequence[] = {
    {0, false, 576}, {1, true, 576},  {2, true, 576},  {3, true, 576},  {0, false, 576},
    {1, true, 300},  {2, true, 200},  {3, true, 576},  {1, false, 576}, {2, false, 576},
    {3, false, 400}, {0, false, 100}, {1, true, 576},  {3, true, 576},  {3, true, 90},
    {0, false, 576}, {1, true, 576},  {2, false, 576}, {3, true, 576},  {0, false, 576},
};

TEST(Hybrid, EveryBlockTypeMixedOrNotMatchesThePlainTransform)
{
    std::mt19937 rng(69);
    Channel ch;
    PlainHybrid plain;
    int g = 0;
    for (const Block& b : kSequence) {
        std::vector<float> lines = randomLines(rng, b.lines);
        std::vector<float>& x = ch.area[g % 2];
        x = lines;
        float y[18 * 32];
        ch.previous =
            hybrid(x.data(), ch.area[(g + 1) % 2].data(), y, b.type, b.mixed, longLines(b), b.lines, ch.previous, 32);
        double ref[18][32];
        plain.granule(lines, b.type, b.mixed, ref);
        EXPECT_LT(worstRelative(y, ref), 1e-5)
            << "granule " << g << ": block type " << b.type << (b.mixed ? " mixed" : "");
        ++g;
    }
}

// The mono mix of two channels whose blocks differ: the first channel transformed, the second
// added by the summing transform into the output and into the first channel's overlap.
TEST(Hybrid, SummingTransformOfMixedStartAndStopBlocks)
{
    const Block second[] = {
        {1, true, 576},  {2, true, 576}, {3, true, 576},  {0, false, 576}, {1, true, 576},
        {2, false, 576}, {3, true, 300}, {1, false, 576}, {3, true, 576},  {0, false, 576},
    };
    std::mt19937 rng(70);
    Channel left;
    PlainHybrid plainLeft, plainRight;
    int g = 0;
    for (const Block& b1 : second) {
        const Block& b0 = kSequence[g];
        std::vector<float> lines0 = randomLines(rng, b0.lines), lines1 = randomLines(rng, b1.lines);
        std::vector<float>& x = left.area[g % 2];
        x = lines0;
        std::vector<float> x2 = lines1;
        float y[18 * 32];
        int n0 = hybrid(x.data(), left.area[(g + 1) % 2].data(), y, b0.type, b0.mixed, longLines(b0), b0.lines,
                        left.previous, 32);
        int n1 = hybrid_sum(x2.data(), x.data(), y, b1.type, b1.mixed, longLines(b1), b1.lines);
        left.previous = std::max(n0, n1);
        double ref0[18][32], ref1[18][32];
        plainLeft.granule(lines0, b0.type, b0.mixed, ref0);
        plainRight.granule(lines1, b1.type, b1.mixed, ref1);
        for (int i = 0; i < 18; ++i)
            for (int sb = 0; sb < 32; ++sb) ref0[i][sb] += ref1[i][sb];
        EXPECT_LT(worstRelative(y, ref0), 1e-5)
            << "granule " << g << ": block types " << b0.type << " and " << b1.type << (b1.mixed ? " mixed" : "");
        ++g;
    }
}

// A stereo WAV of tones with sharp noise bursts, so that the encoder switches to short blocks
// through start and stop blocks.
std::string makeBursts(const std::string& name)
{
    const int rate = 44100, frames = rate * 3 / 2;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    std::vector<std::uint8_t> wav(44 + 4 * static_cast<std::size_t>(frames));
    auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) wav[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    std::memcpy(wav.data(), "RIFF", 4);
    put(4, static_cast<std::uint32_t>(wav.size() - 8), 4);
    std::memcpy(wav.data() + 8, "WAVEfmt ", 8);
    put(16, 16, 4);
    put(20, 1, 2);
    put(22, 2, 2);
    put(24, rate, 4);
    put(28, rate * 4, 4);
    put(32, 4, 2);
    put(34, 16, 2);
    std::memcpy(wav.data() + 36, "data", 4);
    put(40, static_cast<std::uint32_t>(4 * frames), 4);
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const int since = i % (rate * 11 / 100);
        const double burst = since < 3000 ? 0.6 * std::exp(-since / 300.0) : 0.0;
        const double l = 0.2 * std::sin(2 * kPi * 440 * t) + 0.1 * std::sin(2 * kPi * 1250 * t) + burst * noise(rng);
        const double r = 0.2 * std::sin(2 * kPi * 660 * t) + burst * noise(rng);
        put(44 + 4 * static_cast<std::size_t>(i), static_cast<std::uint16_t>(static_cast<std::int16_t>(20000 * l)), 2);
        put(46 + 4 * static_cast<std::size_t>(i), static_cast<std::uint16_t>(static_cast<std::int16_t>(20000 * r)), 2);
    }
    const std::string path = test::workDir() + "/" + name;
    test::writeFile(path, wav);
    return path;
}

struct BitField {
    const std::uint8_t* bytes;
    unsigned get(std::size_t at, int n) const
    {
        unsigned v = 0;
        for (int k = 0; k < n; ++k) v = v << 1 | ((bytes[(at + k) / 8] >> (7 - (at + k) % 8)) & 1);
        return v;
    }
};

// Sets the mixed-block flag of every start and stop block of an MPEG-1 Layer III stream (without
// CRC) in its side information; returns how many were set.
int markStartAndStopBlocksMixed(std::vector<std::uint8_t>& s)
{
    static const int kKbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    int marked = 0;
    std::size_t pos = 0;
    while (pos + 36 <= s.size() && s[pos] == 0xFF && (s[pos + 1] & 0xFE) == 0xFA) {
        const int kbps = kKbps[s[pos + 2] >> 4];
        const int nch = (s[pos + 3] >> 6) == 3 ? 1 : 2;
        BitField f{s.data() + pos};
        // Header, main data begin, private bits, scale factor selection.
        std::size_t at = 32 + 9 + (nch == 1 ? 5 : 3) + 4 * nch;
        for (int gr = 0; gr < 2; ++gr)
            for (int ch = 0; ch < nch; ++ch, at += 59) {
                // part 2/3 length, big values, global gain, scale factor compression: 33 bits.
                const std::size_t ws = at + 33;
                if (!f.get(ws, 1)) continue;
                const unsigned type = f.get(ws + 1, 2);
                if (type != 1 && type != 3) continue;
                const std::size_t mixed = pos * 8 + ws + 3;
                s[mixed / 8] |= static_cast<std::uint8_t>(0x80 >> (mixed % 8));
                ++marked;
            }
        pos += 144000 * kbps / 44100 + ((s[pos + 2] >> 1) & 1);
    }
    return marked;
}

// A real encoder's start and stop blocks with the mixed-block flag set, decoded by mpg123 and by
// us: both channels kept, and mixed to mono (the summing transform). (The source is low-passed
// below the decoder's band limit.)
TEST(Hybrid, MixedStartAndStopBlocksOfAStreamMatchMpg123)
{
    const std::string wav = makeBursts("hybrid_bursts.wav");
    const std::string low = test::workDir() + "/hybrid_bursts_low.wav";
    const std::string mp3 = test::workDir() + "/hybrid_mixed.mp3";
    ASSERT_TRUE(test::run("sox -D '" + wav + "' '" + low + "' sinc -12k"));
    ASSERT_TRUE(test::run("lame --quiet -t -b 128 '" + low + "' '" + mp3 + "'"));
    std::vector<std::uint8_t> s = test::readFile(mp3);
    ASSERT_GT(markStartAndStopBlocksMixed(s), 20);
    test::writeFile(mp3, s);
    const std::vector<float> ref = test::mpg123Reference(mp3);
    ASSERT_FALSE(ref.empty());

    test::Decoded ours = test::decodeBytes(s);
    ASSERT_EQ(ours.pcm16.size(), ref.size());
    test::Accuracy a = test::compare(ours.pcm16, ref);
    EXPECT_LE(a.rms, 0.6);
    EXPECT_LE(a.max, 2.0);

    test::Decoded mono = test::decodeBytes(s, 0, kConvertMono);
    std::vector<float> mix(ref.size() / 2);
    for (std::size_t i = 0; i < mix.size(); ++i) mix[i] = (ref[2 * i] + ref[2 * i + 1]) / 2;
    ASSERT_EQ(mono.pcm16.size(), mix.size());
    a = test::compare(mono.pcm16, mix);
    EXPECT_LE(a.rms, 0.6);
    EXPECT_LE(a.max, 2.0);
}

}  // namespace
}  // namespace brisko
