// The plug-in core's steps that need none of its state: buffer settings from the environment,
// play positions, and a network stream's header read from the ring.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <numeric>
#include <thread>
#include <vector>

#include "BufferSettings.h"
#include "PlayPosition.h"
#include "RingSource.h"
#include "SoundBytes.h"

namespace plimsa::core {
namespace {

struct Environment {
    Environment(const char* size, const char* start) {
        Set("PLIMSABUFFERSIZE", size);
        Set("PLIMSABUFFERSTARTPERCENT", start);
    }
    ~Environment() {
        unsetenv("PLIMSABUFFERSIZE");
        unsetenv("PLIMSABUFFERSTARTPERCENT");
    }
    static void Set(const char* name, const char* value) {
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
};

TEST(BufferSettings, DefaultsAndLimits) {
    {
        Environment none(nullptr, nullptr);
        const BufferSettings file = ReadBufferSettings(false);
        EXPECT_EQ(file.size, 20000u);
        EXPECT_EQ(file.startPercent, 30u);
        const BufferSettings network = ReadBufferSettings(true);
        EXPECT_EQ(network.size, 300000u);
        EXPECT_EQ(network.startPercent, 10u);
    }
    {
        Environment small("100", "99");
        EXPECT_EQ(ReadBufferSettings(false).size, 5000u);
        EXPECT_EQ(ReadBufferSettings(false).startPercent, 95u);
    }
    {
        Environment large("999999999", "0");
        EXPECT_EQ(ReadBufferSettings(true).size, 128000000u);
        EXPECT_EQ(ReadBufferSettings(true).startPercent, 5u);
    }
    {
        // A negative size is no huge one.
        Environment negative("-5", "-1");
        EXPECT_EQ(ReadBufferSettings(true).size, 5000u);
        EXPECT_EQ(ReadBufferSettings(true).startPercent, 5u);
    }
    {
        Environment words("64000 bytes", "x");
        EXPECT_EQ(ReadBufferSettings(false).size, 64000u);
        EXPECT_EQ(ReadBufferSettings(false).startPercent, 5u);
    }
}

TEST(BufferSettings, PrefillAndLowBufferMoments) {
    EXPECT_EQ(PrefillBytes(20000, 30), 5000u);
    EXPECT_EQ(PrefillBytes(5000, 5), 1000u);
    EXPECT_EQ(PrefillBytes(300000, 10), 25000u);
    EXPECT_EQ(RaiseStartPercent(10), 20u);
    EXPECT_EQ(RaiseStartPercent(85), 95u);
    EXPECT_EQ(RaiseStartPercent(86), 86u);
    EXPECT_EQ(RaiseStartPercent(95), 95u);
}

TEST(PlayPosition, MillisecondsOfDecodedBytes) {
    // 44100 Hz stereo 16-bit: 32 bits a frame.
    EXPECT_EQ(ElapsedMs(176400, 44100, 32), 1000u);
    EXPECT_EQ(ElapsedMs(1764000, 44100, 32), 10000u);
    EXPECT_EQ(ElapsedMs(176399, 44100, 32), 999u);
    // Four hours of 48000 Hz stereo: the product of bytes and 8000 stays inside 64 bits.
    EXPECT_EQ(ElapsedMs(uint64_t{4} * 3600 * 192000, 48000, 32), 4u * 3600 * 1000);
    EXPECT_EQ(ElapsedMs(1000, 0, 16), 0u);
    EXPECT_EQ(ElapsedMs(1000, 8000, 0), 0u);
    // One block of 1536 bytes at 8000 Hz mono 16-bit lasts 96 ms; a tiny block still 1 ms.
    EXPECT_EQ(BlockDurationMs(1536, 8000, 16), 96u);
    EXPECT_EQ(BlockDurationMs(1, 48000, 32), 1u);
}

// A producer that stores the bytes in small pieces, as a slow network stream would.
std::thread Produce(RingBuffer& ring, const std::vector<uint8_t>& bytes, size_t piece) {
    return std::thread([&ring, &bytes, piece] {
        for (size_t at = 0; at < bytes.size(); at += piece)
            if (Ring_Write_Ptr(&ring, bytes.data() + at, std::min(piece, bytes.size() - at)) != 0) break;
        CloseRingBufferNotify(&ring);
    });
}

TEST(RingSource, ReadsAStreamHeaderAndLeavesTheRingAtTheSamples) {
    std::vector<uint8_t> samples(6000);
    std::iota(samples.begin(), samples.end(), uint8_t{3});
    // A chunk before the data: the header is longer than what one piece brings.
    const test::Bytes file =
        test::Wav({}, test::Bytes().tag("junk").le32(90).fill(90, 7).add(test::DataChunk(samples).data));
    RingBuffer ring;
    ASSERT_EQ(InitRingBuffer(&ring, 5000, 1, 3), 0);
    std::thread producer = Produce(ring, file.data, 7);

    const uint8_t* head = nullptr;
    ASSERT_EQ(PeekRing(&ring, &head, kProbeBytes), kProbeBytes);
    EXPECT_EQ(FindDecoder(head, kProbeBytes), &wavfile_decoder);
    EXPECT_EQ(RingGetBytesInBuffer(&ring) >= kProbeBytes, true);  // nothing consumed

    RingReader reader{&ring};
    ByteSource source = RingSource(reader);
    std::unique_ptr<SoundStream> stream = wavfile_decoder.read(source);
    ASSERT_TRUE(stream);
    EXPECT_EQ(reader.consumed, stream->dataStart);
    EXPECT_EQ(stream->dataSize, samples.size());

    // What is left in the ring are the samples, whole.
    std::vector<uint8_t> rest(samples.size() + 10);
    EXPECT_EQ(source.read(source.context, rest.data(), rest.size()), static_cast<long>(samples.size()));
    rest.resize(samples.size());
    EXPECT_EQ(rest, samples);
    EXPECT_EQ(source.skip(source.context, 1), -1);
    producer.join();
    DeleteRingBuffer(&ring);
}

TEST(RingSource, PeekOfAShortStreamGivesWhatThereIs) {
    const std::vector<uint8_t> bytes = {'R', 'I', 'F', 'F'};
    RingBuffer ring;
    ASSERT_EQ(InitRingBuffer(&ring, 5000, 1, 3), 0);
    std::thread producer = Produce(ring, bytes, 1);
    const uint8_t* head = nullptr;
    EXPECT_EQ(PeekRing(&ring, &head, kProbeBytes), 4u);
    EXPECT_EQ(FindDecoder(head, 4), nullptr);
    producer.join();
    DeleteRingBuffer(&ring);
}

}  // namespace
}  // namespace plimsa::core
