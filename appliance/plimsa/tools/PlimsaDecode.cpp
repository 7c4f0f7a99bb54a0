// plimsa-decode: decodes a sound file into raw device samples (unsigned 8-bit or signed 16-bit
// little-endian), read unit by read unit as the plug-in plays it, and prints what the host would
// be told of it. With --stream the header is taken from memory as from a network stream.
//
//   plimsa-decode [--stream] file out.raw
//
// Prints one line: format=<code> channels=<n> rate=<Hz> bits=<8|16> duration=<ms> title=<text>.
// Exit status 0 when played, 2 when the format is not recognised, 3 when the file is refused.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plimsa/readers/SoundDecoder.h"

namespace {

using namespace plimsa;

constexpr int kPlayed = 0;
constexpr int kUsage = 1;
constexpr int kNotRecognised = 2;
constexpr int kRefused = 3;

int WriteRaw(SoundStream& stream, const uint8_t* data, uint32_t length) {
    auto* out = static_cast<std::FILE*>(stream.owner);
    return std::fwrite(data, 1, length, out) == length ? 0 : -1;
}

void Describe(const SoundStream& stream) {
    std::printf("format=%u channels=%u rate=%u bits=%u duration=%u title=%s\n", unsigned{stream.sampleFormat},
                unsigned{stream.channels}, stream.sampleRate, stream.sampleFormat == kFormatUnsigned8 ? 8u : 16u,
                stream.duration, stream.title ? stream.title->c_str() : "");
}

// Hands the reader one read unit after the other, as the plug-in core does from its ring buffer.
template <typename Next>
void Play(const SoundDecoder& decoder, SoundStream& stream, Next next) {
    std::vector<uint8_t> unit(stream.readUnit);
    for (size_t length; (length = next(unit.data(), unit.size())) > 0;) {
        stream.input = unit.data();
        stream.inputLength = static_cast<uint32_t>(length);
        if (decoder.play(stream, WriteRaw) != 0) break;
    }
}

int Refused(const char* path, const SoundStream* stream) {
    if (stream) std::fprintf(stderr, "%s\n", stream->message->c_str());
    else std::fprintf(stderr, "Invalid file: '%s'\n", path);
    return kRefused;
}

int DecodeFile(const char* path, std::FILE* out) {
    const SoundDecoder* decoder = find_decoder(path);
    if (!decoder) {
        std::fprintf(stderr, "File format not recognized\n");
        return kNotRecognised;
    }
    auto stream = decoder->open(path);
    if (!stream || stream->message) return Refused(path, stream.get());
    Describe(*stream);
    stream->owner = out;
    std::FILE* file = stream->file;
    Play(*decoder, *stream, [file](uint8_t* data, size_t size) { return std::fread(data, 1, size, file); });
    decoder->close(std::move(stream));
    return kPlayed;
}

int DecodeStream(const char* path, std::FILE* out) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const SoundDecoder* decoder = FindDecoder(bytes.data(), bytes.size());
    if (!decoder) {
        std::fprintf(stderr, "File format not recognized\n");
        return kNotRecognised;
    }
    MemoryBytes memory{bytes.data(), bytes.size()};
    ByteSource source = MemorySource(memory);
    auto stream = decoder->read(source);
    if (!stream || stream->message) return Refused(path, stream.get());
    Describe(*stream);
    stream->owner = out;
    Play(*decoder, *stream, [&source](uint8_t* data, size_t size) {
        const long count = source.read(source.context, data, size);
        return count > 0 ? static_cast<size_t>(count) : size_t{0};
    });
    decoder->close(std::move(stream));
    return kPlayed;
}

}  // namespace

int main(int argc, char** argv) {
    const bool fromStream = argc == 4 && std::strcmp(argv[1], "--stream") == 0;
    if (argc != 3 && !fromStream) {
        std::fprintf(stderr, "usage: plimsa-decode [--stream] file out.raw\n");
        return kUsage;
    }
    const char* path = argv[argc - 2];
    std::FILE* out = std::fopen(argv[argc - 1], "wb");
    if (!out) {
        std::perror(argv[argc - 1]);
        return kUsage;
    }
    const int status = fromStream ? DecodeStream(path, out) : DecodeFile(path, out);
    std::fclose(out);
    return status;
}
