#include "DecodeSoundFile.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace plimsa::tools {

namespace {

constexpr const char* kNotRecognisedText = "File format not recognized";
constexpr const char* kInvalidFile = "Invalid file: '";

void Describe(const SoundStream& stream, DecodedFile& decoded) {
    decoded.sampleFormat = stream.sampleFormat;
    decoded.channels = stream.channels;
    decoded.sampleRate = stream.sampleRate;
    decoded.duration = stream.duration;
    decoded.title = stream.title.value_or("");
}

// Hands the reader one read unit after the other from the source.
void PlayFromSource(const SoundDecoder& decoder, SoundStream& stream, ByteSource& source, SoundWriter writer) {
    std::vector<uint8_t> unit(stream.readUnit);
    for (long length; (length = source.read(source.context, unit.data(), unit.size())) > 0;) {
        stream.input = unit.data();
        stream.inputLength = static_cast<uint32_t>(length);
        if (decoder.play(stream, writer) != 0) break;
    }
}

int Play(const char* path, const SoundDecoder& decoder, std::unique_ptr<SoundStream> stream, ByteSource& samples,
         SoundWriter writer, void* owner, DecodedFile& decoded) {
    if (!stream || stream->message) {
        decoded.error = stream ? *stream->message : std::string(kInvalidFile) + path + "'";
        return kRefused;
    }
    Describe(*stream, decoded);
    stream->owner = owner;
    PlayFromSource(decoder, *stream, samples, writer);
    decoder.close(std::move(stream));
    return kPlayed;
}

int DecodeFromFile(const char* path, SoundWriter writer, void* owner, DecodedFile& decoded) {
    const SoundDecoder* decoder = find_decoder(path);
    if (!decoder) {
        decoded.error = kNotRecognisedText;
        return kNotRecognised;
    }
    auto stream = decoder->open(path);
    ByteSource samples = FileSource(stream ? stream->file : nullptr);
    return Play(path, *decoder, std::move(stream), samples, writer, owner, decoded);
}

int DecodeFromMemory(const char* path, SoundWriter writer, void* owner, DecodedFile& decoded) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const SoundDecoder* decoder = FindDecoder(bytes.data(), bytes.size());
    if (!decoder) {
        decoded.error = kNotRecognisedText;
        return kNotRecognised;
    }
    MemoryBytes memory{bytes.data(), bytes.size()};
    ByteSource source = MemorySource(memory);
    auto stream = decoder->read(source);
    return Play(path, *decoder, std::move(stream), source, writer, owner, decoded);
}

}  // namespace

int DecodeSoundFile(const char* path, bool fromStream, SoundWriter writer, void* owner, DecodedFile& decoded) {
    return fromStream ? DecodeFromMemory(path, writer, owner, decoded) : DecodeFromFile(path, writer, owner, decoded);
}

}  // namespace plimsa::tools
