// Test helpers: streams made by real encoders in the build tree, our decoder's output, and the
// outside reference decoders' output, with the accuracy measures the tests judge by.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brisko/MpegDecoder.h"

namespace brisko::test {

// Folder of the generated streams (created on first use).
std::string workDir();

// Runs a shell command; true when it exits 0.
bool run(const std::string& cmd);

std::vector<std::uint8_t> readFile(const std::string& path);

// A WAV file's format and its data chunk (empty when the file has none).
struct Wav {
    int channels = 0;
    int rate = 0;
    int bits = 0;
    std::vector<std::uint8_t> data;
};
Wav readWav(const std::string& path);
void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A low-passed test signal (pink noise and a sweep, faded in and out) as a WAV file.
std::string makeSource(const std::string& name, int rate, int channels, double seconds, int lowpassHz);

// Encodes a low-passed source with `encode` (a shell command with two %s: input WAV, output).
std::string makeStream(const std::string& name, int rate, int channels, const std::string& encode,
                       double seconds = 1.0);

// A pure tone as a WAV file.
std::string makeTone(const std::string& name, int rate, int channels, int hz, double seconds);

// Files that are not MPEG audio, as a user may pick them: a steady tone as WAV and as AIFF (made
// by sox with its repeatable dither; their samples hold chains of frame headers by chance) and a
// text file. Their
// paths, in that order; empty when sox failed.
std::vector<std::string> makeOtherFiles(const std::string& prefix);

// Frames of MPEG-1 Layer III streams (44.1 kHz, without CRC) joined into one stream: each part is
// a stream and the range of its frames to take. Every frame's main data is laid out anew, as early
// as the bit reservoir allows (as an encoder lays it out), so that after a join a frame's main
// data begins in the other part's frames before it. Empty when a frame's data does not fit.
struct JoinPart {
    std::vector<std::uint8_t> stream;
    std::size_t first = 0;
    std::size_t count = 0;
};
std::vector<std::uint8_t> joinLayer3(const std::vector<JoinPart>& parts);

struct Decoded {
    std::vector<std::int16_t> pcm16;  // 16-bit output (empty for 8-bit)
    std::vector<std::uint8_t> pcm8;   // 8-bit output
    DecodeInfo format;
    int formatChanges = 0;
    std::uint64_t errors = 0;
    int result = 0;  // last result of MpegReader::next (0 normal end, -1 read error)
};

// Decodes bytes with MpegReader in the given mode.
Decoded decodeBytes(const std::vector<std::uint8_t>& bytes, int reduction = 0, int convert = 0, int freqLimit = 24000);
Decoded decodeFile(const std::string& path, int reduction = 0, int convert = 0);

// ffmpeg's floating-point decoder ("mp1float", "mp2float", "mp3float") as float samples.
std::vector<float> ffmpegReference(const std::string& path, const std::string& codec);
// mpg123's floating-point output (its arguments before the file: "--stereo" for two channels
// whatever the stream's mode).
std::vector<float> mpg123Reference(const std::string& path, const std::string& args = "");
// madplay's 16-bit output without dither.
std::vector<std::int16_t> madplayReference(const std::string& path);

struct Accuracy {
    double rms = 0;  // against the reference truncated toward zero and clipped, in LSB
    double max = 0;
    double rmsRaw = 0;  // against the reference's exact value
    double maxRaw = 0;
};
Accuracy compare(const std::vector<std::int16_t>& ours, const std::vector<float>& ref);
Accuracy compare(const std::vector<std::int16_t>& ours, const std::vector<std::int16_t>& ref);

}  // namespace brisko::test
