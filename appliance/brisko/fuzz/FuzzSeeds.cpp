// Writes the seed files of the MPEG fuzz target into a folder: Layer I streams of the tests' own
// writer in each channel mode and version, and Layer II and III frames of silence, each after the
// mode byte that the fuzzing entry reads first.
// Usage: brisko_fuzz_seeds FOLDER

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "Layer1Writer.h"

namespace {

// `count` frames of `bytes` each: the header, then zero bytes (no allocation: silence).
std::vector<std::uint8_t> silentFrames(std::uint8_t b1, std::uint8_t b2, std::size_t bytes, int count)
{
    std::vector<std::uint8_t> stream;
    for (int k = 0; k < count; ++k) {
        const std::uint8_t header[] = {0xFF, b1, b2, 0x00};
        stream.insert(stream.end(), header, header + 4);
        stream.resize(stream.size() + bytes - 4, 0);
    }
    return stream;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: brisko_fuzz_seeds FOLDER\n", stderr);
        return 2;
    }
    std::vector<std::vector<std::uint8_t>> streams;
    for (int mode = 0; mode < 4; ++mode) {
        brisko::test::Layer1Stream s;
        s.mode = mode;
        s.frames = 4;
        s.crc = mode == 1;
        streams.push_back(brisko::test::writeLayer1(s));
    }
    brisko::test::Layer1Stream mpeg2;
    mpeg2.id = 0;
    mpeg2.frames = 4;
    streams.push_back(brisko::test::writeLayer1(mpeg2));
    streams.push_back(silentFrames(0xFD, 0x90, 417, 4));  // Layer II, 128 kbit/s, 44.1 kHz
    streams.push_back(silentFrames(0xFB, 0x90, 417, 4));  // Layer III, 128 kbit/s, 44.1 kHz
    streams.push_back(silentFrames(0xF3, 0x80, 288, 4));  // MPEG-2 Layer III, 64 kbit/s, 22.05 kHz
    int n = 0;
    for (const auto& stream : streams) {
        for (std::uint8_t mode : {std::uint8_t{0}, std::uint8_t{0x55}}) {
            std::ofstream out(std::string(argv[1]) + "/seed" + std::to_string(++n), std::ios::binary);
            out.put(static_cast<char>(mode));
            out.write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
            if (!out) return 1;
        }
    }
    return 0;
}
