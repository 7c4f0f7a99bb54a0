// AIFF and AIFC files (big-endian IFF chunks): "COMM" describes the samples, "SSND" holds them.

#include <cstring>

#include "plimsa/decoders/G711.h"
#include "plimsa/readers/ByteOrder.h"
#include "plimsa/readers/ReaderMessages.h"
#include "plimsa/readers/ReaderSteps.h"
#include "plimsa/readers/SoundDecoder.h"

namespace plimsa {

namespace {

using namespace steps;

constexpr size_t kHeaderBytes = 12;
constexpr uint32_t kCommBytes = 18;
constexpr uint32_t kCompressionBytes = 4;
constexpr uint32_t kSoundDataWords = 8;  // offset and block-size words in front of the samples

struct CommValues {
    uint16_t channels = 0;
    uint32_t frames = 0;
    uint16_t bitsPerSample = 0;
    uint16_t exponent = 0;
    uint32_t mantissa = 0;  // upper 32 bits
    char compression[4] = {0, 0, 0, 0};
};

struct AiffTexts {
    std::optional<std::string> author;
    std::optional<std::string> copyright;
};

// "COMM": channels, frames, sample size, the rate as an 80-bit extended number, and in an AIFC
// file the compression type.
void ReadComm(ByteSource& source, const Chunk& chunk, CommValues& comm) {
    uint8_t fields[kCommBytes];
    if (chunk.size < kCommBytes || !ReadExactly(source, fields, sizeof fields)) return;
    comm.channels = BEtoHost16(fields);
    comm.frames = BEtoHost32(fields + 2);
    comm.bitsPerSample = BEtoHost16(fields + 6);
    comm.exponent = BEtoHost16(fields + 8) & 0x7FFF;
    comm.mantissa = BEtoHost32(fields + 10);
    if (chunk.size == kCommBytes) {
        std::memcpy(comm.compression, "NONE", 4);
    } else if (chunk.size < kCommBytes + kCompressionBytes || !ReadExactly(source, comm.compression, 4)) {
        std::memset(comm.compression, 0, 4);
    }
}

// Walks the chunks from behind the form header to "SSND"; returns kAccepted or kNoSampleData.
int FindDataChunk(ByteSource& source, SoundStream& stream, CommValues& comm, AiffTexts& texts, uint64_t& dataStart,
                  uint32_t& dataSize) {
    Chunk chunk{};
    while (NextChunk(source, true, chunk)) {
        if (chunk.is("SSND")) {
            dataStart = chunk.offset + kSoundDataWords;
            dataSize = chunk.size > kSoundDataWords ? chunk.size - kSoundDataWords : 0;
            if (!SkipTo(source, dataStart)) return kNoSampleData;
            dataSize = AvailableData(source, dataStart, dataSize);
            return kAccepted;
        }
        if (chunk.is("COMM")) ReadComm(source, chunk, comm);
        else if (chunk.is("NAME")) stream.title = ReadText(source, chunk.size);
        else if (chunk.is("AUTH")) texts.author = ReadText(source, chunk.size);
        else if (chunk.is("(c) ")) texts.copyright = ReadText(source, chunk.size);
        if (!SkipTo(source, chunk.end())) break;
    }
    return kNoSampleData;
}

// The integer rate of the extended number: the upper mantissa bits shifted by the exponent.
uint32_t SampleRate(const CommValues& comm) { return comm.mantissa >> ((30u - comm.exponent) & 31u); }

std::optional<std::string> MoreInfo(const AiffTexts& texts) {
    if (!texts.author && !texts.copyright) return std::nullopt;
    std::string info;
    if (texts.author) info += Format(messages::kAuthor, texts.author->c_str());
    if (texts.copyright) info += std::string(messages::kCopyright) + *texts.copyright + "\n";
    return info;
}

// A refused compression keeps its message; returns true when it was refused.
bool Refuse(SoundStream& stream, const CommValues& comm) {
    for (const auto& refused : messages::kRefusedAifcTypes) {
        if (std::memcmp(comm.compression, refused.type, 4) == 0) {
            stream.message = std::string(messages::kUnsupportedAifc) + refused.name;
            return true;
        }
    }
    return false;
}

// Uncompressed samples: 8-bit signed to unsigned, 16-bit big- to little-endian.
int SetUpLinear(SoundStream& stream, uint32_t dataSize) {
    stream.codecId = stream.sampleFormat == kFormatUnsigned8 ? kCodecSigned8 : kCodecBigEndian16;
    stream.duration = DurationMs(dataSize, 1000, stream.byteRate);
    return SetReadUnit(stream, stream.blockSize) ? kAccepted : kUnsupported;
}

// mu-law bytes become 16-bit samples whatever sample size COMM gives: two output bytes per byte.
int SetUpMuLaw(SoundStream& stream, uint32_t dataSize) {
    stream.sampleFormat = kFormatSigned16LittleEndian;
    stream.bytesPerFrame = static_cast<uint16_t>(stream.channels * 2);
    stream.byteRate = stream.bytesPerFrame * stream.sampleRate;
    stream.blockSize = BlockSizeFor(stream.byteRate);
    stream.codecId = kCodecMuLaw;
    stream.codec.table = initMuLaw();
    stream.duration = DurationMs(dataSize, 2000, stream.byteRate);
    return SetReadUnit(stream, stream.blockSize / 2) ? kAccepted : kUnsupported;
}

int read_file_data(ByteSource& source, SoundStream& stream) {
    uint8_t head[kHeaderBytes];
    if (!ReadExactly(source, head, sizeof head)) return kNotThisFormat;
    if (const int result = IsAiff(head, sizeof head); result != kAccepted) return result;
    CommValues comm;
    AiffTexts texts;
    uint64_t dataStart = 0;
    uint32_t dataSize = 0;
    if (const int result = FindDataChunk(source, stream, comm, texts, dataStart, dataSize); result != kAccepted)
        return result;

    if (comm.bitsPerSample != 8 && comm.bitsPerSample != 16) return kUnsupported;
    if (Refuse(stream, comm)) return kAccepted;
    const uint32_t sampleRate = SampleRate(comm);
    if (comm.channels == 0 || sampleRate == 0) return kUnsupported;

    stream.channels = comm.channels;
    stream.sampleRate = sampleRate;
    stream.sampleFormat = comm.bitsPerSample == 8 ? kFormatUnsigned8 : kFormatSigned16LittleEndian;
    stream.bytesPerFrame = static_cast<uint16_t>(comm.channels * comm.bitsPerSample / 8);
    stream.byteRate = stream.bytesPerFrame * sampleRate;
    stream.blockSize = BlockSizeFor(stream.byteRate);
    stream.moreinfo = MoreInfo(texts);
    int result = kUnsupported;
    if (std::memcmp(comm.compression, "NONE", 4) == 0) result = SetUpLinear(stream, dataSize);
    else if (std::memcmp(comm.compression, "ulaw", 4) == 0) result = SetUpMuLaw(stream, dataSize);
    if (result != kAccepted) return result;
    SetData(stream, dataStart, dataSize);
    return kAccepted;
}

std::unique_ptr<SoundStream> aif_read(ByteSource& source) { return ReadWith(read_file_data, source); }
std::unique_ptr<SoundStream> aif_open(const char* path) { return OpenWith(read_file_data, path); }
uint64_t aif_seek(SoundStream& stream, uint32_t ms) { return SeekBySeconds(stream, ms, true); }
int aif_play(SoundStream& stream, SoundWriter writer) { return PlayCounted(stream, writer); }
void aif_close(std::unique_ptr<SoundStream> stream) { CloseStream(std::move(stream)); }

}  // namespace

int IsAiff(const uint8_t* head, size_t length) {
    if (length < kHeaderBytes || std::memcmp(head, "FORM", 4) != 0) return kNotThisFormat;
    if (std::memcmp(head + 8, "AIFF", 4) != 0 && std::memcmp(head + 8, "AIFC", 4) != 0) return kNotThisFormat;
    return kAccepted;
}

const SoundDecoder aiffile_decoder = {"aif", aif_read, aif_open, aif_seek, aif_play, aif_close, IsAiff};

}  // namespace plimsa
