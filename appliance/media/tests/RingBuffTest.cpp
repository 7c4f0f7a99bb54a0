#include "media/RingBuff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <type_traits>
#include <vector>

namespace {

std::vector<unsigned char> Pattern(size_t from, size_t count)
{
    std::vector<unsigned char> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>((from + i) % 251);
    return bytes;
}

struct Ring : ::testing::Test {
    RingBuffer ring;
    void TearDown() override { DeleteRingBuffer(&ring); }

    void Write(size_t from, size_t count)
    {
        auto bytes = Pattern(from, count);
        ASSERT_EQ(Ring_Write_Ptr(&ring, bytes.data(), bytes.size()), 0);
    }
};

TEST_F(Ring, WrapAreaAndUsableSizes)
{
    ASSERT_EQ(InitRingBuffer(&ring, 700000, 1, 3), 0);
    EXPECT_EQ(ring.ulWrapBuffSize, 116664u);
    EXPECT_EQ(ring.ulBuffSize, 583336u);
    EXPECT_EQ(ring.pBufferStart, ring.pBufferHead + 116664);
    EXPECT_EQ(ring.State, 2u);
    DeleteRingBuffer(&ring);
    ASSERT_EQ(InitRingBuffer(&ring, 5000, 1, 3), 0);
    EXPECT_EQ(ring.ulWrapBuffSize, 832u);
    EXPECT_EQ(ring.ulBuffSize, 4168u);
    static_assert(std::is_same_v<decltype(ring.TotalBytesWritten), uint64_t>);
}

TEST_F(Ring, FillPercentAndTheLineBeforeInit)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(RingFullPercent(&ring), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "iRingGetBytesInBuffer called before initn\n");
    ASSERT_EQ(InitRingBuffer(&ring, 5000, 1, 3), 0);
    Write(0, 2084);
    EXPECT_EQ(RingFullPercent(&ring), 50u);
    Write(2084, 2084);
    EXPECT_EQ(ring.State, 3u);
    EXPECT_EQ(RingFullPercent(&ring), 100u);
    EXPECT_EQ(RingGetFreeInBuffer(&ring), 0u);

    testing::internal::CaptureStdout();
    PrintRingInfo(&ring);
    std::string info = testing::internal::GetCapturedStdout();
    EXPECT_NE(info.find("pBufferHead 0x"), std::string::npos);
    EXPECT_NE(info.find("ulBuffSize 4168\n"), std::string::npos);
    EXPECT_NE(info.find("State 3\n"), std::string::npos);
}

TEST_F(Ring, AFrameAcrossTheEndIsHandedOutContiguousFromTheWrapArea)
{
    ASSERT_EQ(InitRingBuffer(&ring, 5000, 1, 3), 0);
    Write(0, 4000);
    Report_Bytes_Read(&ring, 3668);  // 500 bytes left before the end
    Write(4000, 1000);               // wraps to the ring's start
    unsigned char *p = nullptr;
    unsigned long len = 0;
    ASSERT_EQ(Ring_Read_Ptr(&ring, &p, &len, 0, 0), 0);
    EXPECT_EQ(p, ring.pBufferStart - 500);
    EXPECT_EQ(len, 1332u);
    EXPECT_EQ(std::memcmp(p, Pattern(3668, 1332).data(), 1332), 0);
    // Consuming runs on from the wrap area into the ring.
    Report_Bytes_Read(&ring, 1000);
    ASSERT_EQ(Ring_Read_Ptr(&ring, &p, &len, 0, 0), 0);
    EXPECT_EQ(p, ring.pBufferStart + 500);
    EXPECT_EQ(len, 332u);
    EXPECT_EQ(std::memcmp(p, Pattern(4668, 332).data(), 332), 0);
}

TEST_F(Ring, AConsumerNeedingMoreThanTheTailGetsEveryByteInOneRun)
{
    ASSERT_EQ(InitRingBuffer(&ring, 5000, 1, 3), 0);
    Write(0, 4000);
    Report_Bytes_Read(&ring, 3000);  // 1168 bytes before the end: more than the wrap area
    Write(4000, 2000);
    unsigned char *p = nullptr;
    unsigned long len = 0;
    ASSERT_EQ(Ring_Read_Ptr(&ring, &p, &len, 0, 0), 0);
    EXPECT_EQ(len, 1168u);
    // The frame it holds runs past the end: asking for more than that makes the bytes contiguous.
    ASSERT_EQ(Ring_Read_Ptr(&ring, &p, &len, len, 0), 0);
    EXPECT_EQ(len, 3000u);
    EXPECT_EQ(std::memcmp(p, Pattern(3000, 3000).data(), 3000), 0);
    Report_Bytes_Read(&ring, 3000);
    EXPECT_EQ(RingGetBytesInBuffer(&ring), 0u);
    Write(6000, 4168);  // the whole ring is usable again
    ASSERT_EQ(Ring_Read_Ptr(&ring, &p, &len, 4167, 0), 0);
    EXPECT_EQ(len, 4168u);
    EXPECT_EQ(std::memcmp(p, Pattern(6000, 4168).data(), 4168), 0);
}

TEST_F(Ring, CloseLetsTheConsumerDrainThenEnds)
{
    ASSERT_EQ(InitRingBuffer(&ring, 5000, 1, 3), 0);
    Write(0, 100);
    CloseRingBufferNotify(&ring);
    unsigned char *p = nullptr;
    unsigned long len = 0;
    // A minimum larger than the ring returns at once when the data has ended, with what there is.
    ASSERT_EQ(Ring_Read_Ptr(&ring, &p, &len, 100000, 0), 0);
    EXPECT_EQ(len, 100u);
    Report_Bytes_Read(&ring, 60);
    ASSERT_EQ(Ring_Read_Ptr(&ring, &p, &len, 0, 0), 0);
    EXPECT_EQ(len, 40u);
    Report_Bytes_Read(&ring, 40);
    EXPECT_EQ(Ring_Read_Ptr(&ring, &p, &len, 0, 0), -1);
    EXPECT_EQ(Ring_Fill_Bytes(&ring, nullptr, nullptr, 10), -1);
    // A producer waiting for room is released and drops the rest.
    auto block = Pattern(0, 10);
    EXPECT_EQ(Ring_Write_Ptr(&ring, block.data(), block.size()), -1);
}

// A consumer that drained the ring and waits for more is told the data ended, not handed an
// empty run, when the producer ends the data meanwhile (a file whose end is seen after the
// decoder caught up).
TEST_F(Ring, AConsumerWaitingWhenTheDataEndsGetsTheEnd)
{
    ASSERT_EQ(InitRingBuffer(&ring, 5000, 1, 3), 0);
    Write(0, 100);
    unsigned char *p = nullptr;
    unsigned long len = 0;
    ASSERT_EQ(Ring_Read_Ptr(&ring, &p, &len, 0, 0), 0);
    Report_Bytes_Read(&ring, len);
    int result = 0;
    unsigned long waited = 1;
    std::thread consumer([&] { result = Ring_Read_Ptr(&ring, &p, &waited, 0, 0); });
    // Give the consumer the time to block; the answer must be the same if it has not yet.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::FILE *empty = std::tmpfile();
    ASSERT_NE(empty, nullptr);
    std::fgetc(empty);  // at its end
    EXPECT_EQ(Ring_Write_Fd(&ring, empty, 0), -1);
    std::fclose(empty);
    consumer.join();
    EXPECT_EQ(result, -1);
}

TEST_F(Ring, CountersDoNotWrapAtFourGigabytes)
{
    ASSERT_EQ(InitRingBuffer(&ring, 5000, 1, 3), 0);
    ring.TotalBytesWritten = ring.TotalBytesRead = 0xFFFFFFF0u;
    Write(0, 100);
    CloseRingBufferNotify(&ring);
    unsigned char *p = nullptr;
    unsigned long len = 0;
    ASSERT_EQ(Ring_Read_Ptr(&ring, &p, &len, 0, 0), 0);
    EXPECT_EQ(len, 100u);
    EXPECT_EQ(ring.TotalBytesWritten, 0x100000054u);
}

TEST_F(Ring, FileWriterLeavesFourBytesSeeksAndSeesTheEnd)
{
    FILE *file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    auto content = Pattern(0, 10000);
    std::fwrite(content.data(), 1, content.size(), file);
    std::rewind(file);
    ASSERT_EQ(InitRingBuffer(&ring, 5000, 1, 3), 0);
    EXPECT_EQ(Ring_Write_Fd(&ring, file, 0), 0);
    EXPECT_EQ(RingGetBytesInBuffer(&ring), 4164u);
    EXPECT_EQ(Ring_Seek_Fd(&ring, file, 9000), 0);
    EXPECT_EQ(RingGetBytesInBuffer(&ring), 0u);
    EXPECT_EQ(Ring_Write_Fd(&ring, file, 0), 0);
    EXPECT_EQ(Ring_Write_Fd(&ring, file, 0), -1);
    EXPECT_TRUE(ring.bEndOfData);
    unsigned char *p = nullptr;
    unsigned long len = 0;
    ASSERT_EQ(Ring_Read_Ptr(&ring, &p, &len, 0, 0), 0);
    ASSERT_EQ(len, 1000u);
    EXPECT_EQ(std::memcmp(p, content.data() + 9000, 1000), 0);
    EXPECT_EQ(Ring_Seek_Fd(&ring, file, 0), -1);  // the data has ended
    std::fclose(file);
    EXPECT_EQ(Ring_Seek_Fd(&ring, nullptr, 0), -1);
}

// The file writer, once the ring is full, is woken by consumption only when the ring has drained
// to half (one large read instead of one per frame), and at once by a consumer that needs more
// than is buffered; every byte still arrives once and in order.
TEST_F(Ring, FullFileWriterWaitsForHalfOrForAConsumerThatNeedsMore)
{
    FILE *file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    auto content = Pattern(0, 30000);
    std::fwrite(content.data(), 1, content.size(), file);
    std::rewind(file);
    ASSERT_EQ(InitRingBuffer(&ring, 5000, 1, 3), 0);  // 4168 usable, wakes below 2084
    std::thread producer([&] {
        while (Ring_Write_Fd(&ring, file, 0) == 0) {}
        CloseRingBufferNotify(&ring);
    });
    unsigned char *p = nullptr;
    unsigned long len = 0;
    ASSERT_EQ(Ring_Read_Ptr(&ring, &p, &len, 4163, 0), 0);  // the first fill: all but four bytes
    EXPECT_EQ(len, 4164u);
    Report_Bytes_Read(&ring, 1000);
    // Still above half, so that consumption does not wake the writer: a consumer that needs more
    // than is buffered wakes it itself.
    ASSERT_EQ(Ring_Read_Ptr(&ring, &p, &len, 3164, 0), 0);
    EXPECT_GT(len, 3164u);
    EXPECT_EQ(std::memcmp(p, content.data() + 1000, len), 0);
    size_t received = 1000;
    unsigned long need = 0;
    while (Ring_Read_Ptr(&ring, &p, &len, need, 0) == 0) {
        unsigned long used = std::min<unsigned long>(len, 700);
        ASSERT_EQ(std::memcmp(p, content.data() + received, used), 0) << "at " << received;
        received += used;
        Report_Bytes_Read(&ring, used);
    }
    producer.join();
    EXPECT_EQ(received, content.size());
    std::fclose(file);
}

// One producer, one consumer that decodes in place "frames" of random length, and a block
// larger than the whole ring: every byte arrives once and in order.
void RunProducerAndConsumer(RingBuffer &ring, bool fromFile)
{
    const size_t total = 300000;
    auto content = Pattern(0, total);
    FILE *file = nullptr;
    if (fromFile) {
        file = std::tmpfile();
        std::fwrite(content.data(), 1, total, file);
        std::rewind(file);
    }
    ASSERT_EQ(InitRingBuffer(&ring, 5000, 1, 3), 0);
    std::thread producer([&] {
        std::mt19937 random(7);
        size_t sent = 0;
        while (fromFile ? Ring_Write_Fd(&ring, file, 1 + random() % 3000) == 0 : sent < total) {
            if (!fromFile) {
                size_t n = std::min<size_t>(total - sent, sent == 0 ? 12000 : 1 + random() % 5000);
                Ring_Write_Ptr(&ring, content.data() + sent, n);
                sent += n;
            }
        }
        CloseRingBufferNotify(&ring);
    });
    std::mt19937 random(11);
    size_t received = 0;
    unsigned long need = 0;
    unsigned char *p = nullptr;
    unsigned long len = 0;
    while (Ring_Read_Ptr(&ring, &p, &len, need, 0) == 0) {
        unsigned long frame = 1 + random() % 1400;
        // Short of a frame: ask again for more than this run, unless that was the answer already
        // (the data has ended).
        if (len < frame && !(need > 0 && len <= need)) {
            need = len;
            continue;
        }
        unsigned long used = std::min(frame, len);
        ASSERT_EQ(std::memcmp(p, content.data() + received, used), 0) << "at " << received;
        received += used;
        Report_Bytes_Read(&ring, used);
        need = 0;
    }
    producer.join();
    EXPECT_EQ(received, total);
    if (file)
        std::fclose(file);
}

TEST_F(Ring, ProducerAndConsumerThreadsOverBlocks)
{
    RunProducerAndConsumer(ring, false);
}

TEST_F(Ring, ProducerAndConsumerThreadsOverAFile)
{
    RunProducerAndConsumer(ring, true);
}

}  // namespace
