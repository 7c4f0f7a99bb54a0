// IFF 8SVX files (big-endian chunks): "VHDR" describes the samples, "BODY" holds them; mono,
// signed 8-bit.

#include <cstring>

#include "plimsa/readers/ByteOrder.h"
#include "plimsa/readers/ReaderMessages.h"
#include "plimsa/readers/ReaderSteps.h"
#include "plimsa/readers/SoundDecoder.h"

namespace plimsa {

namespace {

using namespace steps;

constexpr size_t kHeaderBytes = 12;
constexpr uint32_t kVoiceHeaderBytes = 20;

struct VoiceHeader {
    uint32_t oneShotSamples = 0;
    uint32_t repeatSamples = 0;
    uint32_t samplesPerCycle = 0;
    uint16_t samplesPerSecond = 0;
    uint8_t octaves = 0;
    uint8_t compression = 0;
    uint32_t volume = 0;
};

struct IffTexts {
    std::optional<std::string> author;
    std::optional<std::string> copyright;
    std::optional<std::string> comment;
};

void ReadVoiceHeader(ByteSource& source, const Chunk& chunk, VoiceHeader& header) {
    uint8_t fields[kVoiceHeaderBytes];
    if (chunk.size < kVoiceHeaderBytes || !ReadExactly(source, fields, sizeof fields)) return;
    header.oneShotSamples = BEtoHost32(fields);
    header.repeatSamples = BEtoHost32(fields + 4);
    header.samplesPerCycle = BEtoHost32(fields + 8);
    header.samplesPerSecond = BEtoHost16(fields + 12);
    header.octaves = fields[14];
    header.compression = fields[15];
    header.volume = BEtoHost32(fields + 16);
}

// Walks the chunks from behind the form header to "BODY"; returns kAccepted or kNoSampleData.
int find_BodyChunk(ByteSource& source, SoundStream& stream, VoiceHeader& header, IffTexts& texts, uint64_t& dataStart,
                   uint32_t& dataSize) {
    Chunk chunk{};
    while (NextChunk(source, true, chunk)) {
        if (chunk.is("BODY")) {
            dataStart = chunk.offset;
            dataSize = AvailableData(source, chunk.offset, chunk.size);
            return kAccepted;
        }
        if (chunk.is("VHDR")) ReadVoiceHeader(source, chunk, header);
        else if (chunk.is("NAME")) stream.title = ReadText(source, chunk.size);
        else if (chunk.is("AUTH")) texts.author = ReadText(source, chunk.size);
        else if (chunk.is("(c) ")) texts.copyright = ReadText(source, chunk.size);
        else if (chunk.is("ANNO")) texts.comment = ReadText(source, chunk.size);
        if (!SkipTo(source, chunk.end())) break;
    }
    return kNoSampleData;
}

std::optional<std::string> MoreInfo(const IffTexts& texts) {
    if (!texts.author && !texts.copyright && !texts.comment) return std::nullopt;
    std::string info;
    if (texts.author) info += Format(messages::kAuthor, texts.author->c_str());
    if (texts.copyright) info += std::string(messages::kCopyright) + *texts.copyright + "\n";
    if (texts.comment) info += std::string(messages::kComment) + *texts.comment + "\n";
    return info;
}

int read_file_data(ByteSource& source, SoundStream& stream) {
    uint8_t head[kHeaderBytes];
    if (!ReadExactly(source, head, sizeof head)) return kNotThisFormat;
    if (const int result = IsIff(head, sizeof head); result != kAccepted) return result;
    VoiceHeader header;
    IffTexts texts;
    uint64_t dataStart = 0;
    uint32_t dataSize = 0;
    if (const int result = find_BodyChunk(source, stream, header, texts, dataStart, dataSize); result != kAccepted)
        return result;

    if (header.compression == 1 || header.compression == 2) {
        stream.message = header.compression == 1 ? messages::kIffFdpcm : messages::kIffEdpcm;
        return kAccepted;
    }
    if (header.compression != 0 || header.samplesPerSecond == 0) return kUnsupported;

    stream.channels = 1;
    stream.sampleRate = header.samplesPerSecond;
    stream.sampleFormat = kFormatUnsigned8;
    stream.bytesPerFrame = 1;
    stream.byteRate = header.samplesPerSecond;
    stream.blockSize = BlockSizeFor(stream.byteRate);
    stream.codecId = kCodecSigned8;
    stream.duration = DurationMs(dataSize, 1000, stream.sampleRate);
    stream.moreinfo = MoreInfo(texts);
    if (!SetReadUnit(stream, stream.blockSize)) return kUnsupported;
    SetData(stream, dataStart, dataSize);
    return kAccepted;
}

std::unique_ptr<SoundStream> iff_read(ByteSource& source) { return ReadWith(read_file_data, source); }
std::unique_ptr<SoundStream> iff_open(const char* path) { return OpenWith(read_file_data, path); }
uint64_t iff_seek(SoundStream& stream, uint32_t ms) { return SeekBySeconds(stream, ms, true); }
int iff_play(SoundStream& stream, SoundWriter writer) { return PlayCounted(stream, writer); }
void iff_close(std::unique_ptr<SoundStream> stream) { CloseStream(std::move(stream)); }

}  // namespace

int IsIff(const uint8_t* head, size_t length) {
    if (length < kHeaderBytes || std::memcmp(head, "FORM", 4) != 0 || std::memcmp(head + 8, "8SVX", 4) != 0)
        return kNotThisFormat;
    return kAccepted;
}

const SoundDecoder iffile_decoder = {"iff", iff_read, iff_open, iff_seek, iff_play, iff_close, IsIff};

}  // namespace plimsa
