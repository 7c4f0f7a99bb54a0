#pragma once
// Steps the format readers share: walking chunks, taking texts from them, finishing the stream
// record, and the play and seek rules. Used by the readers only.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "plimsa/readers/ByteSource.h"
#include "plimsa/readers/SoundDecoder.h"
#include "plimsa/readers/SoundStream.h"

namespace plimsa::steps {

// Longest text taken from a chunk (title, author, annotation); the rest is passed over.
inline constexpr uint32_t kMaxChunkText = 1024;

// Fills a stream from the header at the source's start; returns a ReaderResult.
using StreamBuilder = int (*)(ByteSource& source, SoundStream& stream);

// read(source) and open(path) of a reader, around its builder.
std::unique_ptr<SoundStream> ReadWith(StreamBuilder build, ByteSource& source);
std::unique_ptr<SoundStream> OpenWith(StreamBuilder build, const char* path);
void CloseStream(std::unique_ptr<SoundStream> stream);

// One chunk header: its identifier, its size as stored, and the offset of its data.
struct Chunk {
    char id[4];
    uint32_t size;
    uint64_t offset;

    bool is(const char* name) const;
    uint64_t end() const { return offset + size; }
};

// Reads the next 8-byte chunk header; false at the end of the data.
bool NextChunk(ByteSource& source, bool bigEndian, Chunk& chunk);
// Moves forward to `offset` (a chunk's end); false when it lies beyond the data.
bool SkipTo(ByteSource& source, uint64_t offset);
// Takes up to `size` bytes as a text (ending at a NUL), capped and limited to what the source
// still holds; the source is left behind the bytes read.
std::optional<std::string> ReadText(ByteSource& source, uint32_t size);

// Bytes per second / 2560 * 256, at most 4096; a byte rate below 2560 gets the smallest, 256.
uint32_t BlockSizeFor(uint32_t byteRate);
// size * scale / rate in ms, held in 64 bits; 0 when rate is 0; at most the 32-bit range.
uint32_t DurationMs(uint64_t size, uint32_t scale, uint32_t rate);
// The data size, limited to the bytes behind the data start when the source's size is known.
uint32_t AvailableData(ByteSource& source, uint64_t dataStart, uint32_t dataSize);
// Sets the read unit and sizes the output area for it; false for a unit of 0 or one above kMaxReadUnit.
bool SetReadUnit(SoundStream& stream, uint32_t readUnit);
// Sets the data start, size and remaining count, and the fill byte of the sample format.
void SetData(SoundStream& stream, uint64_t dataStart, uint32_t dataSize);
// "text" formatted with printf rules.
std::string Format(const char* format, const char* text);

// Play the input as far as the remaining data reach (WAV, AIFF, IFF) or whole (AU).
int PlayCounted(SoundStream& stream, SoundWriter writer);
int PlayWhole(SoundStream& stream, SoundWriter writer);

// Seek by the byte rate to a read-unit boundary (WAV), or by whole seconds in blocks (AU, AIFF,
// IFF); `countRemaining` also sets the remaining data.
uint64_t SeekByBytes(SoundStream& stream, uint32_t ms);
uint64_t SeekBySeconds(SoundStream& stream, uint32_t ms, bool countRemaining);

}  // namespace plimsa::steps
