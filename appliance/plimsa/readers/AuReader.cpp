// AU files (big-endian): a 24-byte header, an annotation up to the data offset, then the samples.

#include <cstring>

#include "plimsa/decoders/G711.h"
#include "plimsa/readers/ByteOrder.h"
#include "plimsa/readers/ReaderMessages.h"
#include "plimsa/readers/ReaderSteps.h"
#include "plimsa/readers/SoundDecoder.h"

namespace plimsa {

namespace {

using namespace steps;

constexpr size_t kHeaderBytes = 24;

// One playable encoding: codec, device format, bytes per sample in the byte rate, duration scale,
// and whether the read unit is half the block size.
struct AuEncoding {
    uint32_t encoding;
    uint32_t codecId;
    uint16_t sampleFormat;
    uint32_t bytesPerSample;
    uint32_t durationScale;
    bool halfBlock;
};

constexpr AuEncoding kEncodings[] = {
    {1, kCodecMuLaw, kFormatSigned16LittleEndian, 2, 2000, true},
    {2, kCodecSigned8, kFormatUnsigned8, 1, 1000, false},
    {3, kCodecBigEndian16, kFormatSigned16LittleEndian, 2, 1000, false},
    {27, kCodecALaw, kFormatSigned16LittleEndian, 2, 2000, true},
};

struct AuHeader {
    uint32_t dataOffset;
    uint32_t dataSize;
    uint32_t encoding;
    uint32_t sampleRate;
    uint32_t channels;
};

AuHeader ParseHeader(const uint8_t* head) {
    return AuHeader{BEtoHost32(head + 4), BEtoHost32(head + 8), BEtoHost32(head + 12), BEtoHost32(head + 16),
                    BEtoHost32(head + 20)};
}

const AuEncoding* Playable(uint32_t encoding) {
    for (const auto& known : kEncodings)
        if (known.encoding == encoding) return &known;
    return nullptr;
}

const char* RefusedName(uint32_t encoding) {
    for (const auto& refused : messages::kRefusedAuEncodings)
        if (refused.code == encoding) return refused.name;
    return nullptr;
}

void SetUpCodec(SoundStream& stream, const AuEncoding& encoding) {
    stream.codecId = encoding.codecId;
    stream.sampleFormat = encoding.sampleFormat;
    if (encoding.codecId == kCodecMuLaw) stream.codec.table = initMuLaw();
    if (encoding.codecId == kCodecALaw) stream.codec.table = initALaw();
}

int get_au_header(ByteSource& source, SoundStream& stream) {
    uint8_t head[kHeaderBytes];
    if (!ReadExactly(source, head, sizeof head)) return kNotThisFormat;
    if (const int result = IsAu(head, sizeof head); result != kAccepted) return result;
    const AuHeader header = ParseHeader(head);
    stream.title = ReadText(source, header.dataOffset - kHeaderBytes);
    if (!SkipTo(source, header.dataOffset)) return kNoSampleData;

    if (const char* name = RefusedName(header.encoding)) {
        stream.message = std::string(messages::kUnsupportedAu) + name;
        return kAccepted;
    }
    const AuEncoding* encoding = Playable(header.encoding);
    if (!encoding || header.sampleRate == 0 || header.channels == 0) return kUnsupported;

    stream.channels = static_cast<uint16_t>(header.channels);
    stream.sampleRate = header.sampleRate;
    stream.bytesPerFrame = static_cast<uint16_t>(header.channels * encoding->bytesPerSample);
    stream.byteRate = header.sampleRate * stream.bytesPerFrame;
    stream.blockSize = BlockSizeFor(stream.byteRate);
    SetUpCodec(stream, *encoding);
    if (!SetReadUnit(stream, encoding->halfBlock ? stream.blockSize / 2 : stream.blockSize)) return kUnsupported;
    const uint32_t dataSize = AvailableData(source, header.dataOffset, header.dataSize);
    stream.duration = DurationMs(dataSize, encoding->durationScale, stream.byteRate);
    SetData(stream, header.dataOffset, dataSize);
    return kAccepted;
}

std::unique_ptr<SoundStream> au_read(ByteSource& source) { return ReadWith(get_au_header, source); }
std::unique_ptr<SoundStream> au_open(const char* path) { return OpenWith(get_au_header, path); }
uint64_t au_seek(SoundStream& stream, uint32_t ms) { return SeekBySeconds(stream, ms, false); }
int au_play(SoundStream& stream, SoundWriter writer) { return PlayWhole(stream, writer); }
void au_close(std::unique_ptr<SoundStream> stream) { CloseStream(std::move(stream)); }

}  // namespace

int IsAu(const uint8_t* head, size_t length) {
    if (length < kHeaderBytes || std::memcmp(head, ".snd", 4) != 0) return kNotThisFormat;
    if (BEtoHost32(head + 4) < kHeaderBytes) return kNotThisFormat;
    if (BEtoHost32(head + 20) > 2) return kTooManyChannels;
    return kAccepted;
}

const SoundDecoder aufile_decoder = {"au", au_read, au_open, au_seek, au_play, au_close, IsAu};

}  // namespace plimsa
