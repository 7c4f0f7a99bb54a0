#include "plimsa/readers/ReaderSteps.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "plimsa/readers/ByteOrder.h"

namespace plimsa::steps {

namespace {

constexpr uint32_t kBlockStep = 256;
constexpr uint32_t kBlockRateStep = 2560;
constexpr uint32_t kLargestBlock = 4096;
constexpr uint8_t kUnsignedSilence = 128;

// Decodes `take` bytes of input read unit by read unit and hands each piece to the writer.
int DecodeInput(SoundStream& stream, const uint8_t* input, uint32_t take, SoundWriter writer) {
    int result = 0;
    uint32_t step = std::min(stream.readUnit, take);
    while (step != 0) {
        const int length = decompress(input, step, stream.output.data(), static_cast<uint32_t>(stream.output.size()),
                                      stream.codec, stream.codecId);
        if (length < 0) {
            stream.ended = true;
            stream.remaining = 0;
            break;
        }
        if (length == 0) break;
        result = writer(stream, stream.output.data(), static_cast<uint32_t>(length));
        if (result != 0) return result;
        input += step;
        take -= step;
        step = std::min(step, take);
    }
    return result;
}

// A seek starts the decoders afresh.
void Restart(SoundStream& stream) {
    stream.ended = false;
    if (stream.codec.gsm) stream.codec.gsm->restartBlock();
}

}  // namespace

std::unique_ptr<SoundStream> ReadWith(StreamBuilder build, ByteSource& source) {
    auto stream = std::make_unique<SoundStream>();
    if (build(source, *stream) != kAccepted) return nullptr;
    // The source is left at the first sample byte.
    const uint64_t position = source.position(source.context);
    if (!stream->message && position < stream->dataStart) source.skip(source.context, stream->dataStart - position);
    return stream;
}

std::unique_ptr<SoundStream> OpenWith(StreamBuilder build, const char* path) {
    std::FILE* file = std::fopen(path, "r");
    if (!file) return nullptr;
    ByteSource source = FileSource(file);
    auto stream = ReadWith(build, source);
    if (!stream) {
        std::fclose(file);
        return nullptr;
    }
    stream->file = file;
    return stream;
}

void CloseStream(std::unique_ptr<SoundStream> stream) { stream.reset(); }

bool Chunk::is(const char* name) const { return std::memcmp(id, name, 4) == 0; }

bool NextChunk(ByteSource& source, bool bigEndian, Chunk& chunk) {
    uint8_t header[8];
    if (!ReadExactly(source, header, sizeof header)) return false;
    std::memcpy(chunk.id, header, 4);
    chunk.size = bigEndian ? BEtoHost32(header + 4) : LEtoHost32(header + 4);
    chunk.offset = source.position(source.context);
    return true;
}

bool SkipTo(ByteSource& source, uint64_t offset) {
    const int64_t size = source.size(source.context);
    if (size >= 0 && offset > static_cast<uint64_t>(size)) return false;
    const uint64_t position = source.position(source.context);
    if (offset <= position) return offset == position;
    return source.skip(source.context, offset - position) == 0;
}

std::optional<std::string> ReadText(ByteSource& source, uint32_t size) {
    uint64_t take = std::min(size, kMaxChunkText);
    const int64_t total = source.size(source.context);
    if (total >= 0) {
        const uint64_t position = source.position(source.context);
        take = std::min<uint64_t>(take, static_cast<uint64_t>(total) > position ? total - position : 0);
    }
    if (take == 0) return std::string();
    std::vector<char> text(take);
    const long count = source.read(source.context, text.data(), take);
    if (count < 0) return std::nullopt;
    return std::string(text.data(), strnlen(text.data(), static_cast<size_t>(count)));
}

uint32_t BlockSizeFor(uint32_t byteRate) {
    const uint32_t blockSize = std::min(byteRate / kBlockRateStep * kBlockStep, kLargestBlock);
    return blockSize == 0 ? kBlockStep : blockSize;
}

uint32_t DurationMs(uint64_t size, uint32_t scale, uint32_t rate) {
    if (rate == 0) return 0;
    return static_cast<uint32_t>(std::min<uint64_t>(size * scale / rate, std::numeric_limits<uint32_t>::max()));
}

uint32_t AvailableData(ByteSource& source, uint64_t dataStart, uint32_t dataSize) {
    const int64_t total = source.size(source.context);
    if (total < 0) return dataSize;
    const uint64_t available = static_cast<uint64_t>(total) > dataStart ? total - dataStart : 0;
    return static_cast<uint32_t>(std::min<uint64_t>(dataSize, available));
}

bool SetReadUnit(SoundStream& stream, uint32_t readUnit) {
    if (readUnit == 0 || readUnit > kMaxReadUnit) return false;
    stream.readUnit = readUnit;
    stream.output.assign(OutputCapacity(readUnit), 0);
    return true;
}

void SetData(SoundStream& stream, uint64_t dataStart, uint32_t dataSize) {
    stream.dataStart = stream.currentOffset = dataStart;
    stream.dataSize = dataSize;
    stream.remaining = dataSize;
    stream.fill = stream.sampleFormat == kFormatUnsigned8 ? kUnsignedSilence : 0;
}

std::string Format(const char* format, const char* text) {
    const int length = std::snprintf(nullptr, 0, format, text);
    std::string result(static_cast<size_t>(std::max(length, 0)), '\0');
    std::snprintf(result.data(), result.size() + 1, format, text);
    return result;
}

int PlayCounted(SoundStream& stream, SoundWriter writer) {
    if (stream.ended || stream.remaining <= 0 || !stream.input) return 0;
    const auto take = static_cast<uint32_t>(std::min<int64_t>(stream.remaining, stream.inputLength));
    stream.remaining -= take;
    return DecodeInput(stream, stream.input, take, writer);
}

int PlayWhole(SoundStream& stream, SoundWriter writer) {
    if (stream.ended || !stream.input) return 0;
    return DecodeInput(stream, stream.input, stream.inputLength, writer);
}

uint64_t SeekByBytes(SoundStream& stream, uint32_t ms) {
    uint64_t bytes = uint64_t{ms / 1000} * stream.byteRate + uint64_t{ms % 1000} * stream.byteRate / 1000;
    const uint32_t unit = stream.readUnit != 0 ? stream.readUnit : stream.bytesPerFrame;
    bytes = unit != 0 ? bytes - bytes % unit : 0;
    stream.currentOffset = stream.dataStart + bytes;
    stream.remaining = static_cast<int64_t>(stream.dataSize) - static_cast<int64_t>(bytes);
    Restart(stream);
    return stream.currentOffset;
}

uint64_t SeekBySeconds(SoundStream& stream, uint32_t ms, bool countRemaining) {
    uint64_t bytes = 0;
    if (stream.byteRate != 0 && stream.blockSize != 0 && stream.readUnit != 0)
        bytes = uint64_t{ms / 1000} * stream.byteRate / stream.blockSize * stream.readUnit;
    stream.currentOffset = stream.dataStart + bytes;
    if (countRemaining) stream.remaining = static_cast<int64_t>(stream.dataSize) - static_cast<int64_t>(bytes);
    Restart(stream);
    return stream.currentOffset;
}

}  // namespace plimsa::steps
