// Damaged and unusual streams: every one ends with a normal end or a reported error, without a
// loop that makes no progress, an overrun or lost good frames.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "FuzzEntry.h"
#include "StreamTools.h"
#include "brisko/ByteSource.h"
#include "brisko/FrameHeader.h"
#include "brisko/MpegReader.h"

namespace brisko::test {
namespace {

// Offsets of the frames of a clean stream.
std::vector<std::size_t> frameStarts(const std::vector<std::uint8_t>& s)
{
    std::vector<std::size_t> starts;
    std::size_t pos = 0;
    while (pos + 4 <= s.size()) {
        FrameHeader h;
        int n = head_info(s.data() + pos, s.size() - pos, h);
        if (n <= 0) break;
        starts.push_back(pos);
        pos += n + h.pad * (h.option == 3 ? 4 : 1);
    }
    return starts;
}

std::vector<std::uint8_t> stream(const std::string& name, int rate, int channels, const std::string& enc)
{
    std::string path = makeStream(name, rate, channels, enc);
    return path.empty() ? std::vector<std::uint8_t>{} : readFile(path);
}

TEST(Faults, TruncatedStreamEndsAfterItsLastWholeFrame)
{
    auto s = stream("trunc.mp2", 44100, 2, "twolame --quiet -b 192 %s %s");
    ASSERT_FALSE(s.empty());
    auto starts = frameStarts(s);
    ASSERT_GT(starts.size(), 10u);
    std::vector<std::uint8_t> cut(s.begin(), s.begin() + static_cast<long>(starts[10] + 100));
    Decoded d = decodeBytes(cut);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.pcm16.size(), 10u * 2304);
    Decoded whole = decodeBytes(s);
    EXPECT_TRUE(std::equal(d.pcm16.begin(), d.pcm16.end(), whole.pcm16.begin()));
}

TEST(Faults, GarbageBetweenFramesLosesNothing)
{
    for (const char* enc : {"twolame --quiet -b 192 %s %s", "lame --quiet -t -b 128 %s %s"}) {
        bool l3 = enc[0] == 'l';
        auto s = stream(l3 ? "garbage.mp3" : "garbage.mp2", 44100, 2, enc);
        ASSERT_FALSE(s.empty());
        auto starts = frameStarts(s);
        starts.push_back(s.size());
        std::mt19937 rng(7);
        std::vector<std::uint8_t> dirty;
        for (std::size_t f = 0; f + 1 < starts.size(); ++f) {
            // (The first frame needs the second right behind it to be taken as a stream's start.)
            if (f % 3 == 2) {
                int n = 1 + static_cast<int>(rng() % 300);
                for (int i = 0; i < n; ++i) dirty.push_back(static_cast<std::uint8_t>(rng() & 0x7F));
            }
            dirty.insert(dirty.end(), s.begin() + static_cast<long>(starts[f]),
                         s.begin() + static_cast<long>(starts[f + 1]));
        }
        Decoded clean = decodeBytes(s);
        Decoded d = decodeBytes(dirty);
        EXPECT_EQ(d.result, 0);
        EXPECT_EQ(d.pcm16, clean.pcm16) << enc;
    }
}

TEST(Faults, SampleRateChangeMidStream)
{
    auto a = stream("change_a.mp3", 44100, 2, "lame --quiet -t -b 128 %s %s");
    auto b = stream("change_b.mp3", 22050, 1, "lame --quiet -t -m m -b 32 %s %s");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    std::vector<std::uint8_t> both = a;
    both.insert(both.end(), b.begin(), b.end());
    Decoded da = decodeBytes(a), db = decodeBytes(b), d = decodeBytes(both);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.formatChanges, 2);
    EXPECT_EQ(d.format.samprate, 22050);
    EXPECT_EQ(d.format.channels, 1);
    EXPECT_EQ(d.pcm16.size(), da.pcm16.size() + db.pcm16.size());
}

// A steady tone as WAV or AIFF, and a text: headers found by chance in them are never believed,
// so nothing is decoded and no format change is taken.
TEST(Faults, FilesThatAreNotMpegAudioDecodeToNothing)
{
    const std::vector<std::string> files = makeOtherFiles("faults_other");
    ASSERT_EQ(files.size(), 3u);
    std::vector<std::vector<std::uint8_t>> all = {readFile(files[0]), readFile(files[1]), readFile(files[2])};
    for (std::size_t i = 0; i < all.size(); ++i) {
        Decoded d = decodeBytes(all[i]);
        EXPECT_TRUE(d.pcm16.empty()) << i << ": " << d.pcm16.size() << " samples";
        EXPECT_EQ(d.formatChanges, 0) << i;
    }
}

// Inside a stream, a header that no run of frames follows is damage, not a change of format.
TEST(Faults, AFalseHeaderInsideAStreamChangesNothing)
{
    auto s = stream("false_header.mp3", 44100, 2, "lame --quiet -t -b 128 %s %s");
    ASSERT_FALSE(s.empty());
    const Decoded clean = decodeBytes(s);
    auto starts = frameStarts(s);
    ASSERT_GT(starts.size(), 20u);
    // An MPEG-2 Layer III header at 24 kHz, with the bytes of two frames of it after it, between
    // two frames.
    std::vector<std::uint8_t> bad(s.begin(), s.begin() + static_cast<long>(starts[10]));
    const std::uint8_t head[] = {0xFF, 0xF3, 0x44, 0xC4};
    bad.insert(bad.end(), head, head + 4);
    bad.insert(bad.end(), 92, 0x11);
    bad.insert(bad.end(), head, head + 4);
    bad.insert(bad.end(), s.begin() + static_cast<long>(starts[10]), s.end());
    Decoded d = decodeBytes(bad);
    EXPECT_EQ(d.formatChanges, 1);
    EXPECT_EQ(d.format.samprate, 44100);
    EXPECT_EQ(d.pcm16.size(), clean.pcm16.size());
}

TEST(Faults, FramesTheDecoderCannotUseAreSkippedAndCounted)
{
    // MPEG-2 Layer II frames turned into MPEG-2.5 Layer II (which does not exist): no stream the
    // decoder can be set up for, so nothing is decoded.
    auto s = stream("l25.mp2", 22050, 2, "twolame --quiet -b 64 %s %s");
    ASSERT_FALSE(s.empty());
    auto starts = frameStarts(s);
    std::vector<std::uint8_t> bad = s;
    for (std::size_t p : starts) bad[p + 1] &= 0xEF;
    Decoded d = decodeBytes(bad);
    EXPECT_TRUE(d.pcm16.empty());

    // A few such frames inside a good stream: the others decode.
    std::vector<std::uint8_t> mixed = s;
    for (std::size_t f = 5; f < starts.size(); f += 7) mixed[starts[f] + 1] &= 0xEF;
    Decoded m = decodeBytes(mixed);
    Decoded clean = decodeBytes(s);
    EXPECT_EQ(m.result, 0);
    EXPECT_GT(m.errors, 0u);
    EXPECT_LT(m.pcm16.size(), clean.pcm16.size());
    EXPECT_GT(m.pcm16.size(), clean.pcm16.size() / 2);
}

TEST(Faults, DamagedGranulesDecodeToSilence)
{
    auto s = stream("damaged.mp3", 44100, 1, "lame --quiet -t -m m -b 32 --resample 44.1 %s %s");
    ASSERT_FALSE(s.empty());
    auto starts = frameStarts(s);
    ASSERT_GT(starts.size(), 30u);
    Decoded clean = decodeBytes(s);
    // Frame 20: main data begin 0 and both granules claiming 4095 bits, far more than it holds.
    std::vector<std::uint8_t> bad = s;
    auto setBits = [&](std::size_t at, int bit, int count, unsigned value) {
        for (int k = 0; k < count; ++k) {
            int b = bit + k;
            std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> (b % 8));
            if ((value >> (count - 1 - k)) & 1) bad[at + b / 8] |= mask;
            else bad[at + b / 8] &= static_cast<std::uint8_t>(~mask);
        }
    };
    const std::size_t side = starts[20] + 4;
    setBits(side, 0, 9, 0);  // main data begin
    for (int gr = 0; gr < 2; ++gr) setBits(side, 18 + gr * 59, 12, 4095);
    Decoded d = decodeBytes(bad);
    EXPECT_EQ(d.result, 0);
    ASSERT_EQ(d.pcm16.size(), clean.pcm16.size());
    // The second granule holds only what the synthesis history still releases: its end is silent.
    for (std::size_t i = 20 * 1152 + 576 + 512; i < 21 * 1152; ++i) ASSERT_EQ(d.pcm16[i], 0) << i - 20 * 1152;
    // Later frames decode as before once the reservoir holds their data again.
    std::size_t later = 26 * 1152;
    EXPECT_TRUE(std::equal(d.pcm16.begin() + static_cast<long>(later), d.pcm16.end(),
                           clean.pcm16.begin() + static_cast<long>(later)));
}

TEST(Decoders, TwoInOneProcessDoNotShareState)
{
    auto a = stream("two_a.mp3", 44100, 2, "lame --quiet -t -b 128 %s %s");
    auto b = stream("two_b.mp2", 48000, 1, "twolame --quiet -m m -b 96 %s %s");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    Decoded alone[2] = {decodeBytes(a), decodeBytes(b)};
    MemoryBytes ma{a.data(), a.size(), 0}, mb{b.data(), b.size(), 0};
    MpegReader ra(MemoryByteSource(ma)), rb(MemoryByteSource(mb));
    ra.setLog(nullptr);
    rb.setLog(nullptr);
    std::vector<std::int16_t> out[2];
    MpegReader* readers[2] = {&ra, &rb};
    bool done[2] = {false, false};
    while (!done[0] || !done[1])
        for (int k = 0; k < 2; ++k) {
            PcmFrame frame;
            if (done[k] || readers[k]->next(frame) <= 0) {
                done[k] = true;
                continue;
            }
            auto* p = static_cast<const std::int16_t*>(frame.data);
            out[k].insert(out[k].end(), p, p + frame.bytes / 2);
        }
    EXPECT_EQ(out[0], alone[0].pcm16);
    EXPECT_EQ(out[1], alone[1].pcm16);
}

TEST(Faults, ReadErrorIsReported)
{
    auto s = stream("readerr.mp2", 44100, 2, "twolame --quiet -b 192 %s %s");
    ASSERT_FALSE(s.empty());
    struct Failing {
        MemoryBytes mem;
        std::size_t failAt;
    } f{{s.data(), s.size(), 0}, s.size() / 2};
    ByteSource src;
    src.ctx = &f;
    src.read = [](void* ctx, std::uint8_t* buf, std::size_t n) -> std::int64_t {
        auto* fl = static_cast<Failing*>(ctx);
        if (fl->mem.pos >= fl->failAt) return -1;
        n = std::min(n, std::min<std::size_t>(4096, fl->failAt - fl->mem.pos));
        std::memcpy(buf, fl->mem.data + fl->mem.pos, n);
        fl->mem.pos += n;
        return static_cast<std::int64_t>(n);
    };
    MpegReader reader(src);
    reader.setLog(nullptr);
    PcmFrame frame;
    int frames = 0, r;
    while ((r = reader.next(frame)) > 0) ++frames;
    EXPECT_EQ(r, -1);
    EXPECT_GT(frames, 0);
}

TEST(Faults, LargeEmbeddedPicture)
{
    auto s = stream("picture.mp3", 44100, 2, "lame --quiet -t -b 128 %s %s");
    ASSERT_FALSE(s.empty());
    std::vector<std::uint8_t> tagged = {'I', 'D', '3', 3, 0, 0, 0x00, 0x10, 0x00, 0x00};  // 262144 bytes
    std::mt19937 rng(3);
    for (int i = 0; i < 262144; ++i) tagged.push_back(static_cast<std::uint8_t>(rng()));
    tagged.insert(tagged.end(), s.begin(), s.end());
    Decoded d = decodeBytes(tagged);
    Decoded clean = decodeBytes(s);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.pcm16, clean.pcm16);
}

// The fuzz entry over mutations of real streams of every layer, for a bounded count.
TEST(Faults, MutatedStreamsEndCleanly)
{
    std::vector<std::vector<std::uint8_t>> seeds = {
        stream("fz1.mp3", 44100, 2, "lame --quiet -t -b 128 %s %s"),
        stream("fz2.mp3", 22050, 1, "lame --quiet -t -m m -b 32 %s %s"),
        stream("fz3.mp3", 8000, 2, "lame --quiet -t -b 16 %s %s"),
        stream("fz4.mp3", 44100, 2, "lame --quiet -t --freeformat -b 200 %s %s"),
        stream("fz5.mp2", 48000, 2, "twolame --quiet -b 256 %s %s"),
        stream("fz6.mp2", 24000, 1, "twolame --quiet -m m -b 48 %s %s"),
    };
    std::mt19937 rng(12345);
    int runs = 0;
    for (auto& seed : seeds) {
        ASSERT_FALSE(seed.empty());
        seed.resize(std::min<std::size_t>(seed.size(), 12000));
        for (int m = 0; m < 40; ++m, ++runs) {
            std::vector<std::uint8_t> v = seed;
            v.insert(v.begin(), static_cast<std::uint8_t>(rng()));
            int edits = 1 + static_cast<int>(rng() % 20);
            for (int e = 0; e < edits; ++e) {
                std::size_t at = rng() % v.size();
                switch (rng() % 5) {
                case 0: v[at] ^= static_cast<std::uint8_t>(1u << (rng() % 8)); break;
                case 1: v[at] = static_cast<std::uint8_t>(rng()); break;
                case 2: v[at] = 0xFF; break;
                case 3:
                    v.erase(v.begin() + static_cast<long>(at),
                            v.begin() + static_cast<long>(std::min(v.size(), at + rng() % 64)));
                    break;
                default:
                    v.insert(v.begin() + static_cast<long>(at), v.begin() + static_cast<long>(at / 2),
                             v.begin() + static_cast<long>(at / 2 + std::min<std::size_t>(at - at / 2, 200)));
                    break;
                }
                if (v.empty()) v.push_back(0);
            }
            BriskoFuzzOne(v.data(), v.size());
        }
    }
    // And random bytes, with and without sync words sprinkled in.
    for (int m = 0; m < 40; ++m, ++runs) {
        std::vector<std::uint8_t> v(1 + rng() % 20000);
        for (auto& b : v) b = static_cast<std::uint8_t>(rng());
        if (m & 1)
            for (std::size_t i = 0; i + 1 < v.size(); i += 1 + rng() % 300) v[i] = 0xFF, v[i + 1] |= 0xE0;
        BriskoFuzzOne(v.data(), v.size());
    }
    EXPECT_EQ(runs, 6 * 40 + 40);
}

}  // namespace
}  // namespace brisko::test
