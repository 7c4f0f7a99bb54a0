// The stream front end: frame search, tag skipping, set-up and frame decoding; file information.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "StreamTools.h"
#include "brisko/ByteSource.h"
#include "brisko/DecoderFront.h"
#include "brisko/FileInfo.h"

namespace brisko {
namespace {

// Frames of a CBR MPEG-1 Layer III stream at 128 kbit/s, 44.1 kHz, without padding.
std::vector<std::uint8_t> cbrFrames(int frames)
{
    std::vector<std::uint8_t> out;
    for (int f = 0; f < frames; ++f) {
        std::size_t start = out.size();
        out.insert(out.end(), {0xFF, 0xFB, 0x90, 0x64});
        out.resize(start + 417, 0);
    }
    return out;
}

std::vector<std::uint8_t> id3(std::size_t body)
{
    std::vector<std::uint8_t> t = {'I', 'D', '3', 3, 0, 0};
    t.push_back(static_cast<std::uint8_t>((body >> 21) & 127));
    t.push_back(static_cast<std::uint8_t>((body >> 14) & 127));
    t.push_back(static_cast<std::uint8_t>((body >> 7) & 127));
    t.push_back(static_cast<std::uint8_t>(body & 127));
    t.resize(10 + body, 0xFF);  // a picture's bytes may hold anything, sync words included
    return t;
}

TEST(Scan, ConfirmsHeadersAndSkipsContainers)
{
    std::uint8_t tag[10] = {'I', 'D', '3', 3, 0, 0, 0x00, 0x00, 0x02, 0x01};
    EXPECT_EQ(CheckID3(tag, 10), 267);
    EXPECT_EQ(CheckID3(tag, 9), -1);

    // What a file may end with: whole tags only, nothing cut short, nothing after them.
    std::vector<std::uint8_t> v1(128, 0);
    std::memcpy(v1.data(), "TAG", 3);
    EXPECT_TRUE(OnlyTags(v1.data(), v1.size()));
    EXPECT_FALSE(OnlyTags(v1.data(), 127));
    std::vector<std::uint8_t> both = id3(20);
    both.insert(both.end(), v1.begin(), v1.end());
    EXPECT_TRUE(OnlyTags(both.data(), both.size()));
    both.push_back(0);
    EXPECT_FALSE(OnlyTags(both.data(), both.size()));
    EXPECT_FALSE(OnlyTags(v1.data(), 0));
    // Before the reader has seen the end: the start of the end tags, the last one perhaps cut short.
    for (std::size_t cut : {1, 2, 3, 4, 100, 128}) EXPECT_TRUE(MayBeEndTags(v1.data(), cut)) << cut;
    std::vector<std::uint8_t> v1Then = v1;
    v1Then.insert(v1Then.end(), {'T', 'A'});
    EXPECT_TRUE(MayBeEndTags(v1Then.data(), v1Then.size()));
    v1Then.push_back('X');
    EXPECT_FALSE(MayBeEndTags(v1Then.data(), v1Then.size())) << "damage after a whole tag";
    EXPECT_FALSE(MayBeEndTags(cbrFrames(1).data(), 3));
    EXPECT_FALSE(MayBeEndTags(v1.data(), 0));

    auto two = cbrFrames(3);
    EXPECT_EQ(ScanForMPEG_l(two.data(), two.size()), 0);
    std::vector<std::uint8_t> lone = {0xFF, 0xFB, 0x90, 0x64};
    lone.resize(1000, 0);
    EXPECT_EQ(ScanForMPEG_l(lone.data(), lone.size()), kFrontNoHeader);
    auto one = cbrFrames(1);
    one.resize(600, 0);
    EXPECT_EQ(ScanForMPEG_l(one.data(), 417 + 3), kFrontScanMore) << "the next header lies past the buffer";

    auto withTag = id3(257);
    auto frames = cbrFrames(3);
    withTag.insert(withTag.end(), frames.begin(), frames.end());
    EXPECT_EQ(ScanForMPEG_l(withTag.data(), withTag.size()), 267);

    std::vector<std::uint8_t> riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'd', 'a', 't', 'a', 0, 0};
    riff.insert(riff.end(), frames.begin(), frames.end());
    EXPECT_EQ(ScanForMPEG_l(riff.data(), riff.size()), 18);

    std::int64_t skip = 0;
    auto big = id3(100000);
    big.resize(5000);
    EXPECT_EQ(ScanForMPEG_l(big.data(), big.size(), &skip), kFrontScanSkip);
    EXPECT_EQ(skip, 100010);
}

TEST(Front, SetUpAndFrameByFrame)
{
    auto frames = cbrFrames(4);
    DecoderFront front;
    front.log = nullptr;
    std::size_t len = frames.size();
    ASSERT_EQ(ParseSequenceHeader(front, frames.data(), len), 0);
    EXPECT_EQ(len, 417u);
    EXPECT_EQ(FrontInfo(front).samprate, 44100);
    EXPECT_EQ(FrontInfo(front).channels, 2);
    std::vector<std::uint8_t> pcm(MpegDecoder::kMaxPcmBytes, 0x55);
    int out = 0;
    len = frames.size();
    EXPECT_EQ(DecodeAudioFrame(front, frames.data(), len, pcm.data(), out), kFrontOk);
    EXPECT_EQ(len, 417u);
    EXPECT_EQ(out, 4608);
    EXPECT_EQ(pcm[0], 0);  // an empty reservoir gives silence
    len = 416;
    EXPECT_EQ(DecodeAudioFrame(front, frames.data(), len, pcm.data(), out), kFrontNeedData);
    EXPECT_EQ(out, 0);
    front.end_of_data = true;
    len = 417;
    EXPECT_EQ(DecodeAudioFrame(front, frames.data(), len, pcm.data(), out), kFrontOk) << "the last frame is decoded";
    std::size_t none = 0;
    EXPECT_EQ(ParseSequenceHeader(front, nullptr, none), kFrontNullBuffer);
}

// The end tags reach the decoder before or after the reader has seen the end of the file,
// as the threads happen to run: neither way is damage.
TEST(Front, EndTagsWaitForTheEndOfTheFileAndAreDroppedQuietly)
{
    auto frames = cbrFrames(4);
    DecoderFront front;
    static int said;
    said = 0;
    front.log = [](const char*) { ++said; };
    std::size_t len = frames.size();
    ASSERT_EQ(ParseSequenceHeader(front, frames.data(), len), 0);
    std::vector<std::uint8_t> tag(128, 0);
    std::memcpy(tag.data(), "TAG", 3);
    std::vector<std::uint8_t> pcm(MpegDecoder::kMaxPcmBytes, 0);
    int out = 0;
    // A tag cut after three bytes is skipped by the header search itself; shorter starts and a
    // whole tag are what is left to wait on.
    for (std::size_t cut : {1, 2, 128}) {
        len = cut;
        EXPECT_EQ(DecodeAudioFrame(front, tag.data(), len, pcm.data(), out), kFrontNeedData) << cut;
    }
    front.end_of_data = true;
    len = tag.size();
    EXPECT_EQ(DecodeAudioFrame(front, tag.data(), len, pcm.data(), out), kFrontSkip);
    EXPECT_EQ(said, 0);
}

TEST(Front, TagLargerThanTheBufferIsConsumed)
{
    auto bytes = id3(200000);
    auto frames = cbrFrames(5);
    bytes.insert(bytes.end(), frames.begin(), frames.end());
    DecoderFront front;
    front.log = nullptr;
    std::size_t pos = 0;
    int result;
    int rounds = 0;
    do {
        std::size_t len = std::min<std::size_t>(8192, bytes.size() - pos);
        result = ParseSequenceHeader(front, bytes.data() + pos, len);
        if (result == kFrontSkip) pos += len;
        ASSERT_LT(++rounds, 100);
    } while (result == kFrontSkip);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(pos, 200010u);

    // The whole stream through the pull reader: every frame decoded.
    test::Decoded d = test::decodeBytes(bytes);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.pcm16.size(), 5u * 2304);
}

TEST(Front, BitrateLimitReducesTheRate)
{
    auto frames = cbrFrames(4);
    DecoderFront front;
    front.log = nullptr;
    InitAudioDecoderMode(front, 0, 0, 0, 0, 24000, 100000);
    std::size_t len = frames.size();
    ASSERT_EQ(ParseSequenceHeader(front, frames.data(), len), 0);
    EXPECT_EQ(front.reduction, 1);
    EXPECT_EQ(FrontInfo(front).samprate, 22050);
    InitAudioDecoderMode(front, 0, 0, 0, 0, 24000, 60000);
    len = frames.size();
    ASSERT_EQ(ParseSequenceHeader(front, frames.data(), len), 0);
    EXPECT_EQ(front.reduction, 2);
}

TEST(FileInfo, TitleDurationLengthAndSpacing)
{
    std::vector<std::uint8_t> file = cbrFrames(9000);
    file.resize(4000256 - 128, 0);
    std::vector<std::uint8_t> tag(128, 0);
    std::memcpy(tag.data(), "TAGFour", 7);
    std::memset(tag.data() + 7, ' ', 26);
    std::memcpy(tag.data() + 33, "Band", 4);  // padded with NUL bytes
    file.insert(file.end(), tag.begin(), tag.end());
    ASSERT_EQ(file.size(), 4000256u);
    MemoryBytes mem{file.data(), file.size(), 0};
    MpegFileInfo info;
    ASSERT_EQ(get_info(MemoryByteSource(mem), info, nullptr), 0);
    EXPECT_EQ(info.media_length, 4000000);
    EXPECT_EQ(info.duration, 250000u);
    EXPECT_TRUE(info.has_title);
    EXPECT_EQ(info.title, "Four");
    EXPECT_EQ(info.moreinfo, "Band");
    EXPECT_EQ(info.frame_spacing, 417);
    EXPECT_EQ(SeekTargetByte(info, 125000), 2000000 - 2000000 % 417);

    // An empty title field gives no title; a file with a large leading tag still has a duration.
    std::vector<std::uint8_t> tagged = id3(300000);
    auto frames = cbrFrames(50);
    tagged.insert(tagged.end(), frames.begin(), frames.end());
    std::vector<std::uint8_t> empty(128, 0);
    std::memcpy(empty.data(), "TAG", 3);
    tagged.insert(tagged.end(), empty.begin(), empty.end());
    MemoryBytes mem2{tagged.data(), tagged.size(), 0};
    MpegFileInfo info2;
    ASSERT_EQ(get_info(MemoryByteSource(mem2), info2, nullptr), 0);
    EXPECT_FALSE(info2.has_title);
    EXPECT_EQ(info2.frame_spacing, 417);
    EXPECT_EQ(info2.duration, static_cast<std::uint32_t>(info2.media_length * 8 / 128));
}

TEST(FileInfo, TimeArithmeticIs64Bit)
{
    char field[30];
    std::memset(field, ' ', 30);
    std::memcpy(field, "Four", 4);
    EXPECT_EQ(tailstrlen(field), 4u);
    field[4] = '\0';
    EXPECT_EQ(tailstrlen(field), 4u);
    std::memset(field, 'x', 30);
    EXPECT_EQ(tailstrlen(field), 30u);

    MpegFileInfo info;
    info.media_length = 6000000000LL;  // 6 GB
    info.duration = 3750000000u;       // over a month
    info.frame_spacing = 0;
    EXPECT_EQ(SeekTargetByte(info, 3000000000u), 4800000000LL);
    EXPECT_EQ(PositionMs(info, 4800000000LL, 0, 0), 3000000000LL);
    EXPECT_EQ(PositionMs(info, 1000, 2000, 0), 0) << "negative positions are 0";
    info.duration = kDurationUnknown;
    EXPECT_EQ(SeekTargetByte(info, 1000), -1) << "a seek with an unknown duration does nothing";
    info.duration = 0;
    EXPECT_EQ(SeekTargetByte(info, 1000), -1);
}

}  // namespace
}  // namespace brisko
