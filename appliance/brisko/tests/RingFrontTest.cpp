// The decoder front fed from the media ring, as both MPEG players run it: a stream made by lame
// played frame for frame through a ring (whole, after a stall of its reader, behind a tag longer
// than the ring, with junk in its middle and cut inside its last frame), and the first header's
// failures. Frame counts and offsets come from ffprobe.
#include "brisko/core/RingFront.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "StreamTools.h"
#include "brisko/MpegDecoder.h"
#include "brisko/core/BriskoSettings.h"

namespace brisko::test {
namespace {

using core::RingFront;

constexpr int kFrameBytes = 1152 * 2 * 2;  // a Layer III frame of 44.1 kHz stereo as 16-bit PCM

// The frames of a stream as ffprobe finds them: the byte offset and size of each.
struct Packet {
    long pos = 0;
    long size = 0;
};

std::vector<Packet> Packets(const std::string& path)
{
    std::vector<Packet> packets;
    const std::string command =
        "ffprobe -v error -select_streams a -show_entries packet=pos,size -of csv=p=0 '" + path + "'";
    std::FILE* out = popen(command.c_str(), "r");
    if (!out) return packets;
    Packet p;
    while (std::fscanf(out, "%ld,%ld", &p.size, &p.pos) == 2) packets.push_back(p);
    pclose(out);
    return packets;
}

// A player that takes every frame: it counts the PCM bytes and reports the frame's bytes read.
struct CountingPlayer : RingFront::Player {
    explicit CountingPlayer(RingBuffer& r) : ring(r) {}
    bool CheckPauseAndSeek(unsigned long&) override { return true; }
    bool PlayFrame(bool, std::size_t consumed, int outbytes) override
    {
        Report_Bytes_Read(&ring, static_cast<unsigned long>(consumed));
        pcmBytes += outbytes;
        ++frames;
        return true;
    }
    RingBuffer& ring;
    long pcmBytes = 0;
    int frames = 0;
};

// A ring of `size` bytes, a decoder front in the players' default mode, and what the front
// printed.
struct Rig {
    explicit Rig(unsigned long size, unsigned long startPercent = 30, bool refill = false, bool logged = true)
        : ringSize(size), start(startPercent), log(logged ? std::tmpfile() : nullptr)
    {
        InitRingBuffer(&ring, size, 1, 3);
        const core::BriskoSettings s;
        InitAudioDecoderMode(front, s.reduction, s.transformBit, s.transformChannel, s.convert, s.freqLimit,
                             s.maxBitrate);
        front.log = nullptr;
        frames = std::make_unique<RingFront>(ring, front, stop, start, size, refill, log);
    }
    ~Rig()
    {
        CloseRingBufferNotify(&ring);  // a writer still waiting for room gives up
        if (writer.joinable()) writer.join();
        DeleteRingBuffer(&ring);
        if (log) std::fclose(log);
    }

    // Writes bytes in blocks of a reader's size, then ends the data, on a thread of its own.
    void Feed(std::vector<std::uint8_t> bytes)
    {
        writer = std::thread([this, bytes = std::move(bytes)] {
            for (std::size_t at = 0; at < bytes.size(); at += 5000)
                Ring_Write_Ptr(&ring, bytes.data() + at,
                               static_cast<unsigned long>(std::min<std::size_t>(5000, bytes.size() - at)));
            RingSetEnd();
        });
    }
    void RingSetEnd() { CloseRingBufferNotify(&ring); }

    // Parses the first header and plays to the end.
    std::string Play(CountingPlayer& player)
    {
        std::string error;
        if (!frames->Prefill() || !frames->ParseHeader(error)) return error.empty() ? "no header" : error;
        alignas(16) static std::uint8_t pcm[MpegDecoder::kMaxPcmBytes];
        frames->DecodeFrames(player, pcm, error);
        return error;
    }

    std::string Printed()
    {
        if (!log) return "";
        std::fflush(log);
        std::rewind(log);
        std::string text;
        for (int c = std::fgetc(log); c != EOF; c = std::fgetc(log)) text += static_cast<char>(c);
        return text;
    }

    unsigned long ringSize;
    RingBuffer ring;
    DecoderFront front;
    std::atomic<bool> stop{false};
    std::atomic<unsigned long> start;
    std::FILE* log;
    std::unique_ptr<RingFront> frames;
    std::thread writer;
};

std::string Stream() { return makeStream("ring_front.mp3", 44100, 2, "lame --quiet -t -b 128 %s %s", 2.0); }

TEST(RingFront, PlaysEveryFrameWholeAndAfterAStallBuffersLonger)
{
    const std::string path = Stream();
    const std::vector<Packet> packets = Packets(path);
    ASSERT_GT(packets.size(), 50u);
    const std::vector<std::uint8_t> bytes = readFile(path);
    const long expected = static_cast<long>(packets.size()) * kFrameBytes;

    // The whole stream at once, in a ring that holds it.
    for (const bool refill : {false, true}) {
        Rig rig(1 << 20, 30, refill);
        ASSERT_EQ(Ring_Write_Ptr(&rig.ring, bytes.data(), static_cast<unsigned long>(bytes.size())), 0);
        rig.RingSetEnd();
        CountingPlayer player(rig.ring);
        EXPECT_EQ(rig.Play(player), "");
        EXPECT_EQ(player.pcmBytes, expected) << "refill " << refill;
        EXPECT_EQ(rig.start, 30u) << "no stall";
        EXPECT_EQ(rig.Printed(), "");
    }

    // Half of it, cut inside a frame; the rest comes only once the reader has stalled on the cut
    // frame, after which the start fill is ten points larger.
    for (const bool refill : {false, true}) {
        Rig rig(65536, 10, refill);  // starts after 65536 x 10 / 120 = 5461 bytes
        const std::size_t half = static_cast<std::size_t>(packets[packets.size() / 2].pos + 100);
        ASSERT_EQ(Ring_Write_Ptr(&rig.ring, bytes.data(), static_cast<unsigned long>(half)), 0);
        rig.writer = std::thread([&rig, &bytes, half] {
            for (int i = 0; i < 6000 && rig.start == 10; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            Ring_Write_Ptr(&rig.ring, bytes.data() + half, static_cast<unsigned long>(bytes.size() - half));
            rig.RingSetEnd();
        });
        CountingPlayer player(rig.ring);
        EXPECT_EQ(rig.Play(player), "");
        EXPECT_EQ(player.pcmBytes, expected) << "refill " << refill;
        EXPECT_EQ(rig.start, 20u) << "one stall";
    }
}

// A 40000-byte ID3v2 tag before the stream, longer than the 16 KiB ring, is dropped and every
// frame plays.
TEST(RingFront, SkipsATagLongerThanTheRing)
{
    const std::string path = Stream();
    const std::vector<Packet> packets = Packets(path);
    ASSERT_GT(packets.size(), 50u);
    const std::vector<std::uint8_t> stream = readFile(path);
    std::vector<std::uint8_t> bytes = {'I', 'D', '3', 3, 0, 0, 0, 2, 56, 54};  // 39990 after the head, 7 bits a byte
    bytes.resize(40000, 0);
    bytes.insert(bytes.end(), stream.begin(), stream.end());

    Rig rig(16384, 30);
    rig.Feed(bytes);
    CountingPlayer player(rig.ring);
    EXPECT_EQ(rig.Play(player), "");
    EXPECT_EQ(player.pcmBytes, static_cast<long>(packets.size()) * kFrameBytes);
    EXPECT_EQ(rig.Printed(), "");
}

// 3000 zero bytes after half the stream, where the reader waits for more, and the stream cut 100
// bytes into a frame: every whole frame plays; the junk and the cut frame are dropped, each with
// a "Decode Error" line (none without a log), and give no sound.
TEST(RingFront, DropsJunkAndACutLastFrame)
{
    const std::string path = Stream();
    const std::vector<Packet> packets = Packets(path);
    ASSERT_GT(packets.size(), 50u);
    const std::vector<std::uint8_t> stream = readFile(path);
    const Packet& middle = packets[packets.size() / 2];
    const Packet& cut = packets[packets.size() - 5];
    std::vector<std::uint8_t> first(stream.begin(), stream.begin() + middle.pos);
    first.resize(first.size() + 3000, 0);
    const std::vector<std::uint8_t> rest(stream.begin() + middle.pos, stream.begin() + cut.pos + 100);

    for (const bool logged : {true, false}) {
        Rig rig(65536, 10, false, logged);
        ASSERT_EQ(Ring_Write_Ptr(&rig.ring, first.data(), static_cast<unsigned long>(first.size())), 0);
        // The rest once the junk is dropped, but for the few bytes that may begin a header.
        rig.writer = std::thread([&rig, &rest] {
            for (int i = 0; i < 6000 && RingGetBytesInBuffer(&rig.ring) > 3; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            Ring_Write_Ptr(&rig.ring, rest.data(), static_cast<unsigned long>(rest.size()));
            rig.RingSetEnd();
        });
        CountingPlayer player(rig.ring);
        EXPECT_EQ(rig.Play(player), "");
        EXPECT_EQ(player.pcmBytes, static_cast<long>(packets.size() - 5) * kFrameBytes);
        EXPECT_EQ(rig.Printed(), logged ? "Decode Error\nDecode Error\n" : "");
    }
}

// The first header: 400 bytes of the stream (less than its first frame, 417 or 418 bytes) are an
// error while more data would come; a stream that ended there is not. Either way the line is
// printed.
TEST(RingFront, FirstHeaderNeedsMoreThanTheRunHolds)
{
    const std::vector<std::uint8_t> stream = readFile(Stream());
    for (const bool ended : {false, true}) {
        Rig rig(4096, 100);
        ASSERT_EQ(Ring_Write_Ptr(&rig.ring, stream.data(), 400), 0);
        if (ended) rig.RingSetEnd();
        std::string error;
        ASSERT_TRUE(rig.frames->Read(0));
        EXPECT_FALSE(rig.frames->ParseHeader(error));
        EXPECT_EQ(error, ended ? "" : "MPEG Audio Plugin: Buffer size/percent insufficient to decode stream");
        EXPECT_EQ(rig.Printed(), " not enough data to initialize decoder\n");
        rig.RingSetEnd();
    }
}

}  // namespace
}  // namespace brisko::test
