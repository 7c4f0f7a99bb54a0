#include "wav/WavHeader.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const std::array<uint8_t, wav::kHeaderBytes>& header) {
    return {header.begin(), header.end()};
}

// What a command prints on its standard output.
std::string Output(const std::string& command) {
    std::string text;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, got);
        ::pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class WavFiles : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("zephra-wav-header-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::filesystem::path folder;
};

// The bytes below are worked by hand from the RIFF layout, not from the writer.
TEST(WavHeader, WritesTheFortyFourBytesOfAPcmFile) {
    // 8000 Hz mono 16-bit, one second: 16 000 sample bytes (0x3E80), RIFF size 16 036 (0x3EA4),
    // byte rate 16 000, block align 2.
    const std::vector<uint8_t> mono8k = {'R',  'I',  'F',  'F',  0xA4, 0x3E, 0x00, 0x00, 'W',  'A',  'V',
                                         'E',  'f',  'm',  't',  ' ',  0x10, 0x00, 0x00, 0x00, 0x01, 0x00,
                                         0x01, 0x00, 0x40, 0x1F, 0x00, 0x00, 0x80, 0x3E, 0x00, 0x00, 0x02,
                                         0x00, 0x10, 0x00, 'd',  'a',  't',  'a',  0x80, 0x3E, 0x00, 0x00};
    EXPECT_EQ(Bytes(wav::Header(wav::PcmFormat(8000, 1, 16), 16000)), mono8k);

    // 22 050 Hz (0x5622) stereo 8-bit with no samples yet: RIFF size 36, byte rate 44 100 (0xAC44).
    const std::vector<uint8_t> stereo8bit = {'R',  'I',  'F',  'F',  0x24, 0x00, 0x00, 0x00, 'W',  'A',  'V',
                                             'E',  'f',  'm',  't',  ' ',  0x10, 0x00, 0x00, 0x00, 0x01, 0x00,
                                             0x02, 0x00, 0x22, 0x56, 0x00, 0x00, 0x44, 0xAC, 0x00, 0x00, 0x02,
                                             0x00, 0x08, 0x00, 'd',  'a',  't',  'a',  0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(Bytes(wav::Header(wav::PcmFormat(22050, 2, 8), 0)), stereo8bit);

    // The 32-bit sizes wrap as the field does: the largest data count leaves 35 in the RIFF size.
    const auto full = wav::Header(wav::PcmFormat(44100, 2, 16), 0xFFFFFFFFu);
    EXPECT_EQ(std::vector<uint8_t>(full.begin() + 4, full.begin() + 8), (std::vector<uint8_t>{0x23, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(full.begin() + 40, full.end()), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    // 44 100 Hz stereo 16-bit: 176 400 (0x02B110) bytes a second, block align 4.
    EXPECT_EQ(std::vector<uint8_t>(full.begin() + 28, full.begin() + 34),
              (std::vector<uint8_t>{0x10, 0xB1, 0x02, 0x00, 0x04, 0x00}));
}

TEST(WavHeader, ReadsBackTheFieldsOfAHeaderAndRefusesOtherFiles) {
    const auto header = wav::Header(wav::PcmFormat(48000, 6, 16), 1234);
    ASSERT_TRUE(wav::IsRiffWave(header.data()));
    const wav::ChunkHead fmt = wav::ReadChunkHead(header.data() + wav::kRiffBytes);
    EXPECT_TRUE(fmt.Is("fmt "));
    EXPECT_FALSE(fmt.Is("data"));
    EXPECT_EQ(fmt.size, 16u);
    const wav::Format format = wav::ReadFormat(header.data() + wav::kRiffBytes + wav::kChunkHeadBytes);
    EXPECT_EQ(format.tag, 1);
    EXPECT_EQ(format.channels, 6);
    EXPECT_EQ(format.sampleRate, 48000u);
    EXPECT_EQ(format.byteRate, 576000u);
    EXPECT_EQ(format.blockAlign, 12);
    EXPECT_EQ(format.bitsPerSample, 16);
    const wav::ChunkHead data = wav::ReadChunkHead(header.data() + 36);
    EXPECT_TRUE(data.Is("data"));
    EXPECT_EQ(data.size, 1234u);

    // A big-endian RIFX file and a RIFF file of another form are not WAV files.
    const uint8_t rifx[] = {'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    const uint8_t avi[] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '};
    EXPECT_FALSE(wav::IsRiffWave(rifx));
    EXPECT_FALSE(wav::IsRiffWave(avi));
    // Sizes are little-endian, whatever the byte order of the machine.
    const uint8_t odd[] = {'L', 'I', 'S', 'T', 0x05, 0x01, 0x00, 0x80};
    EXPECT_EQ(wav::ReadChunkHead(odd).size, 0x80000105u);
}

// sox and ffprobe, readers of their own, take a file the writer made for what it says.
TEST_F(WavFiles, SoxAndFfprobeReadTheWrittenFormat) {
    struct Case {
        uint32_t rate, channels, bits;
        std::string soxEncoding;
    };
    for (const Case& c : {Case{8000, 1, 16, "Signed Integer PCM"}, Case{22050, 2, 8, "Unsigned Integer PCM"},
                          Case{44100, 2, 16, "Signed Integer PCM"}}) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz " + std::to_string(c.channels) + " ch " + std::to_string(c.bits));
        const wav::Format format = wav::PcmFormat(c.rate, c.channels, c.bits);
        const uint32_t frames = c.rate / 2;
        const uint32_t dataBytes = frames * format.blockAlign;
        const auto header = wav::Header(format, dataBytes);
        const std::filesystem::path file = folder / ("made-" + std::to_string(c.rate) + ".wav");
        {
            std::ofstream out(file, std::ios::binary);
            out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
            out.write(std::string(dataBytes, '\x40').data(), dataBytes);
        }
        const std::string quoted = "'" + file.string() + "'";
        EXPECT_EQ(Output("sox --i -r " + quoted), std::to_string(c.rate));
        EXPECT_EQ(Output("sox --i -c " + quoted), std::to_string(c.channels));
        EXPECT_EQ(Output("sox --i -b " + quoted), std::to_string(c.bits));
        EXPECT_EQ(Output("sox --i -s " + quoted), std::to_string(frames));
        EXPECT_EQ(Output("sox --i -e " + quoted), c.soxEncoding);
        EXPECT_EQ(Output("ffprobe -v error -select_streams a:0 -show_entries stream=sample_rate,channels,"
                         "bits_per_sample,duration_ts -of default=noprint_wrappers=1 " +
                         quoted),
                  "sample_rate=" + std::to_string(c.rate) + "\nchannels=" + std::to_string(c.channels) +
                      "\nbits_per_sample=" + std::to_string(c.bits) + "\nduration_ts=" + std::to_string(frames));
    }
}

// A file sox makes is read for the format sox was told to write.
TEST_F(WavFiles, ReadsTheHeaderOfAFileSoxWrote) {
    const std::filesystem::path file = folder / "sox.wav";
    ASSERT_EQ(std::system(("sox -n -r 11025 -c 2 -b 16 '" + file.string() + "' synth 0.5 sine 440").c_str()), 0);
    const std::vector<uint8_t> bytes = ReadFile(file);
    ASSERT_GE(bytes.size(), wav::kHeaderBytes);
    ASSERT_TRUE(wav::IsRiffWave(bytes.data()));
    // Walk the chunks to "fmt " and "data", whatever else sox put between them.
    size_t at = wav::kRiffBytes;
    std::optional<wav::Format> format;
    std::optional<uint32_t> dataBytes;
    while (at + wav::kChunkHeadBytes <= bytes.size() && !dataBytes) {
        const wav::ChunkHead chunk = wav::ReadChunkHead(bytes.data() + at);
        at += wav::kChunkHeadBytes;
        if (chunk.Is("fmt ")) {
            ASSERT_GE(chunk.size, wav::kFormatBytes);
            format = wav::ReadFormat(bytes.data() + at);
        }
        if (chunk.Is("data")) dataBytes = chunk.size;
        at += chunk.size + (chunk.size & 1);
    }
    ASSERT_TRUE(format);
    ASSERT_TRUE(dataBytes);
    EXPECT_EQ(format->tag, 1);
    EXPECT_EQ(format->channels, 2);
    EXPECT_EQ(format->sampleRate, 11025u);
    EXPECT_EQ(format->byteRate, 44100u);
    EXPECT_EQ(format->blockAlign, 4);
    EXPECT_EQ(format->bitsPerSample, 16);
    // Half a second of 11 025 Hz, rounded to whole frames by sox.
    EXPECT_EQ(*dataBytes, std::stoul(Output("sox --i -s '" + file.string() + "'")) * 4);
}

}  // namespace
