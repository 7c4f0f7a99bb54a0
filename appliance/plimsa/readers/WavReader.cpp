// WAV files (RIFF, little-endian): a "fmt " chunk first, then chunks up to "data".

#include <cstring>

#include "plimsa/decoders/G711.h"
#include "plimsa/readers/ByteOrder.h"
#include "plimsa/readers/ReaderMessages.h"
#include "plimsa/readers/ReaderSteps.h"
#include "plimsa/readers/SoundDecoder.h"
#include "wav/WavHeader.h"

namespace plimsa {

namespace {

using namespace steps;

constexpr size_t kHeaderBytes = 36;
constexpr uint32_t kFmtFieldsBytes = wav::kFormatBytes;
constexpr uint32_t kFmtChunkOffset = wav::kRiffBytes + wav::kChunkHeadBytes;  // where the fmt chunk's fields begin

enum WavTag : uint16_t {
    kTagPcm = wav::kTagPcm,
    kTagMsAdpcm = 0x2,
    kTagALaw = 0x6,
    kTagMuLaw = 0x7,
    kTagImaAdpcm = 0x11,
    kTagGsm = 0x31,
    kTagExtensible = 0xFFFE,
};

// The extension of an extensible format: size word, valid bits, channel mask, then a sub-format
// identifier whose first two bytes are a format tag and whose rest is this fixed suffix.
constexpr uint32_t kExtensionBytes = 24;
constexpr uint8_t kSubFormatSuffix[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                          0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

using WavFormat = wav::Format;

// The fmt chunk that opens the file: its head behind the RIFF header, then its fields.
wav::ChunkHead FmtChunk(const uint8_t* head) { return wav::ReadChunkHead(head + wav::kRiffBytes); }
WavFormat ParseFormat(const uint8_t* head) { return wav::ReadFormat(head + kFmtChunkOffset); }

// The format tag of an extensible format's sub-format, or the extensible tag itself when the
// extension is missing or names no known sub-format.
uint16_t SubFormatTag(ByteSource& source, uint32_t fmtSize) {
    uint8_t extension[kExtensionBytes];
    if (fmtSize < kFmtFieldsBytes + kExtensionBytes || !ReadExactly(source, extension, sizeof extension))
        return kTagExtensible;
    if (std::memcmp(extension + 10, kSubFormatSuffix, sizeof kSubFormatSuffix) != 0) return kTagExtensible;
    return LEtoHost16(extension + 8);
}

// An "INFO" chunk: its first sub-chunk, when it is "INAM", holds the title.
void ReadInfo(ByteSource& source, const Chunk& info, SoundStream& stream) {
    Chunk name{};
    if (!NextChunk(source, false, name) || !name.is("INAM") || name.size == 0) return;
    const uint32_t room = info.size - 8;
    stream.title = ReadText(source, name.size < room ? name.size : room);
}

// Walks the chunks behind the fmt chunk up to "data"; returns kAccepted or kNoSampleData.
int FindDataChunk(ByteSource& source, SoundStream& stream, uint64_t& dataStart, uint32_t& dataSize) {
    Chunk chunk{};
    while (NextChunk(source, false, chunk)) {
        if (chunk.is("data")) {
            dataStart = chunk.offset;
            dataSize = AvailableData(source, chunk.offset, chunk.size);
            return kAccepted;
        }
        if (chunk.is("INFO") && chunk.size > 8) ReadInfo(source, chunk, stream);
        if (!SkipTo(source, chunk.end())) break;
    }
    return kNoSampleData;
}

const char* RefusedName(uint16_t tag) {
    for (const auto& refused : messages::kRefusedWavFormats)
        if (refused.code == tag) return refused.name;
    return nullptr;
}

// PCM by the bytes each sample takes in a frame: 8-bit stays unsigned 8-bit, wider samples play as
// their top 16 bits.
int SetUpPcm(SoundStream& stream, const WavFormat& format) {
    if (format.blockAlign % format.channels != 0) return kUnsupported;
    static constexpr uint32_t kCodecByWidth[] = {0, kCodecCopy8, kCodecCopy16, kCodecLittleEndian24,
                                                 kCodecLittleEndian32};
    const uint32_t width = format.blockAlign / format.channels;
    if (width < 1 || width > 4) return kUnsupported;
    stream.codecId = kCodecByWidth[width];
    stream.sampleFormat = width == 1 ? kFormatUnsigned8 : kFormatSigned16LittleEndian;
    // Whole frames in each read unit, so that no sample is split between two reads.
    return SetReadUnit(stream, stream.blockSize - stream.blockSize % format.blockAlign) ? kAccepted : kUnsupported;
}

int SetUpBlocks(SoundStream& stream, const WavFormat& format, uint32_t headerBytesPerChannel) {
    if (format.blockAlign <= headerBytesPerChannel * format.channels) return kUnsupported;
    stream.codec.channels = format.channels;
    stream.codec.blockAlign = format.blockAlign;
    return SetReadUnit(stream, format.blockAlign) ? kAccepted : kUnsupported;
}

int SetUpCodec(SoundStream& stream, const WavFormat& format, uint16_t tag) {
    switch (tag) {
    case kTagPcm: return SetUpPcm(stream, format);
    case kTagMsAdpcm: stream.codecId = kCodecMsAdpcm; return SetUpBlocks(stream, format, 7);
    case kTagImaAdpcm: stream.codecId = kCodecImaAdpcm; return SetUpBlocks(stream, format, 4);
    case kTagALaw:
    case kTagMuLaw:
        stream.codecId = tag == kTagALaw ? kCodecALaw : kCodecMuLaw;
        stream.codec.table = tag == kTagALaw ? initALaw() : initMuLaw();
        return SetReadUnit(stream, stream.blockSize / 2) ? kAccepted : kUnsupported;
    case kTagGsm:
        if (format.blockAlign % kGsmBlockBytes != 0) return kUnsupported;
        stream.codecId = kCodecGsm;
        stream.codec.gsm = std::make_unique<GsmDecoder>();
        return SetReadUnit(stream, format.blockAlign) ? kAccepted : kUnsupported;
    default: return kUnsupported;
    }
}

// A known tag that cannot play keeps its message; returns true when the tag was refused.
bool Refuse(SoundStream& stream, uint16_t tag) {
    switch (tag) {
    case kTagPcm:
    case kTagMsAdpcm:
    case kTagALaw:
    case kTagMuLaw:
    case kTagImaAdpcm:
    case kTagGsm: return false;
    default: break;
    }
    if (const char* name = RefusedName(tag)) {
        stream.message = std::string(messages::kUnsupportedWav) + name;
    } else {
        char text[64];
        std::snprintf(text, sizeof text, messages::kUnknownWavFormat, unsigned{tag});
        stream.message = text;
    }
    return true;
}

int read_file_data(ByteSource& source, SoundStream& stream) {
    uint8_t head[kHeaderBytes];
    if (!ReadExactly(source, head, sizeof head)) return kNotThisFormat;
    if (const int result = IsWav(head, sizeof head); result != kAccepted) return result;
    const WavFormat format = ParseFormat(head);
    const uint32_t fmtSize = FmtChunk(head).size;
    const uint16_t tag = format.tag == kTagExtensible ? SubFormatTag(source, fmtSize) : format.tag;
    if (!SkipTo(source, uint64_t{kFmtChunkOffset} + fmtSize)) return kNoSampleData;

    uint64_t dataStart = 0;
    uint32_t dataSize = 0;
    if (const int result = FindDataChunk(source, stream, dataStart, dataSize); result != kAccepted) return result;
    if (Refuse(stream, tag)) return kAccepted;
    // A header that would have the rates or units divided by zero cannot play.
    if (format.sampleRate == 0 || format.channels == 0 || format.byteRate == 0 || format.blockAlign == 0)
        return kUnsupported;

    stream.channels = format.channels;
    stream.sampleRate = format.sampleRate;
    stream.byteRate = format.byteRate;
    stream.bytesPerFrame = static_cast<uint16_t>(format.byteRate / format.sampleRate);
    stream.blockSize = BlockSizeFor(format.byteRate);
    stream.duration = DurationMs(dataSize, 1000, format.byteRate);
    if (const int result = SetUpCodec(stream, format, tag); result != kAccepted) return result;
    SetData(stream, dataStart, dataSize);
    return kAccepted;
}

std::unique_ptr<SoundStream> wav_read(ByteSource& source) { return ReadWith(read_file_data, source); }
std::unique_ptr<SoundStream> wav_open(const char* path) { return OpenWith(read_file_data, path); }
uint64_t wav_seek(SoundStream& stream, uint32_t ms) { return SeekByBytes(stream, ms); }
int wav_play(SoundStream& stream, SoundWriter writer) { return PlayCounted(stream, writer); }
void wav_close(std::unique_ptr<SoundStream> stream) { CloseStream(std::move(stream)); }

}  // namespace

int IsWav(const uint8_t* head, size_t length) {
    if (length < kHeaderBytes) return kNotThisFormat;
    if (!wav::IsRiffWave(head) || !FmtChunk(head).Is("fmt ") || FmtChunk(head).size < kFmtFieldsBytes)
        return kNotThisFormat;
    if (ParseFormat(head).channels > 2) return kTooManyChannels;
    return kAccepted;
}

const SoundDecoder wavfile_decoder = {"wav", wav_read, wav_open, wav_seek, wav_play, wav_close, IsWav};

}  // namespace plimsa
