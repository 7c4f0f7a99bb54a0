// Track lengths read from files made by lame, twolame and oggenc: with and without Xing/Info
// headers, behind ID3 tags, at MPEG-1, 2 and 2.5 rates, Layer II, and damaged files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "SorvexTesting.h"
#include "TrackLength.h"

namespace sorvex {
namespace {

using testing::ScratchFolder;

class TrackLengthTest : public ::testing::Test {
protected:
    // A sine tone of `seconds` as a 16-bit WAV file at `rate`, `channels`.
    std::string tone(int seconds, int rate, int channels) {
        const std::string wav = folder / ("tone" + std::to_string(seconds) + "-" + std::to_string(rate) + "-" +
                                          std::to_string(channels) + ".wav");
        if (!std::filesystem::exists(wav)) {
            const std::string make = "sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) +
                                     " -b 16 " + wav + " synth " + std::to_string(seconds) + " sine 440";
            EXPECT_EQ(std::system(make.c_str()), 0) << make;
        }
        return wav;
    }
    std::string encode(const std::string& command, const std::string& name) {
        const std::string out = folder / name;
        const std::string line = command + " " + out + " >/dev/null 2>&1";
        EXPECT_EQ(std::system(line.c_str()), 0) << line;
        return out;
    }

    ScratchFolder folder;
};

TEST_F(TrackLengthTest, MpegFilesFromLameAndTwolame) {
    const std::string five = tone(5, 44100, 2);
    // CBR with its Info header, VBR with its Xing header, and both without (the frames walked).
    EXPECT_EQ(MpegSeconds(encode("lame --quiet -b 128 " + five, "cbr.mp3")), 5);
    EXPECT_EQ(MpegSeconds(encode("lame --quiet -V 4 " + five, "vbr.mp3")), 5);
    EXPECT_EQ(MpegSeconds(encode("lame --quiet -t -b 128 " + five, "bare.mp3")), 5);
    EXPECT_EQ(MpegSeconds(encode("lame --quiet -t -V 2 " + five, "bare-vbr.mp3")), 5);
    // ID3v2 in front and ID3v1 behind.
    EXPECT_EQ(MpegSeconds(encode("lame --quiet -t --add-id3v2 --tt 'A Title' --ta Artist " + five, "tagged.mp3")), 5);
    // MPEG-2 and MPEG-2.5 rates, mono; Layer II.
    EXPECT_EQ(MpegSeconds(encode("lame --quiet -t -m m --resample 22.05 " + five, "mpeg2.mp3")), 5);
    EXPECT_EQ(MpegSeconds(encode("lame --quiet -t -m m --resample 8 " + five, "mpeg25.mp3")), 5);
    EXPECT_EQ(MpegSeconds(encode("twolame --quiet " + five, "layer2.mp2")), 5);
    // Longer than a minute and than an hour's worth of minutes shown as seconds.
    const std::string long8k = tone(125, 8000, 1);
    EXPECT_EQ(MpegSeconds(encode("lame --quiet -b 8 " + long8k, "long.mp3")), 125);
    EXPECT_EQ(MpegSeconds(encode("lame --quiet -t -b 8 " + long8k, "long-bare.mp3")), 125);
}

TEST_F(TrackLengthTest, OggFilesFromOggenc) {
    EXPECT_EQ(OggVorbisSeconds(encode("oggenc -Q " + tone(5, 44100, 2) + " -o", "five.ogg")), 5);
    EXPECT_EQ(OggVorbisSeconds(encode("oggenc -Q -t Title " + tone(125, 8000, 1) + " -o", "long.ogg")), 125);
}

TEST_F(TrackLengthTest, DamagedAndMissingFiles) {
    EXPECT_EQ(MpegSeconds(folder / "missing.mp3"), -1);
    EXPECT_EQ(OggVorbisSeconds(folder / "missing.ogg"), -1);
    EXPECT_EQ(MpegSeconds(folder.write("empty.mp3", "")), -1);
    EXPECT_EQ(MpegSeconds(folder.write("text.mp3", std::string(5000, 'x'))), -1);
    EXPECT_EQ(OggVorbisSeconds(folder.write("text.ogg", "OggS" + std::string(100, '\0'))), -1);
    EXPECT_EQ(MpegSeconds(folder.path().string()), -1);  // a folder

    // A file cut in half: the frames that are there.
    const std::string whole = encode("lame --quiet -t -b 128 " + tone(4, 44100, 2), "whole.mp3");
    const std::string bytes = ScratchFolder::readFile(whole);
    EXPECT_EQ(MpegSeconds(folder.write("half.mp3", bytes.substr(0, bytes.size() / 2))), 2);
    // Junk in front and noise in the middle are passed over.
    EXPECT_EQ(MpegSeconds(folder.write("junk.mp3", std::string(3000, '\xFF') + bytes)), 4);
    std::string noisy = bytes;
    for (std::size_t i = bytes.size() / 2; i < bytes.size() / 2 + 300; ++i) noisy[i] = static_cast<char>(i * 7);
    const int noisySeconds = MpegSeconds(folder.write("noisy.mp3", noisy));
    EXPECT_GE(noisySeconds, 3);
    EXPECT_LE(noisySeconds, 4);
    // An Ogg file cut after its first page: no samples yet; cut inside it: no stream.
    const std::string ogg = ScratchFolder::readFile(encode("oggenc -Q " + tone(5, 44100, 2) + " -o", "cut.ogg"));
    EXPECT_EQ(OggVorbisSeconds(folder.write("head.ogg", ogg.substr(0, 60))), 0);
    EXPECT_EQ(OggVorbisSeconds(folder.write("bit.ogg", ogg.substr(0, 40))), -1);
}

}  // namespace
}  // namespace sorvex
