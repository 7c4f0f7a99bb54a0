#pragma once
// Where a reader takes a sound file's header from: a file, the head of the ring buffer of a network
// stream, or memory. A table of functions over a context, so the plug-in core can plug in its own.
// The reader consumes the header and leaves the source at the first sample byte.

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace plimsa {

struct ByteSource {
    void* context;
    // Copies up to n bytes into data; returns the count (fewer only at the end of the data), or -1.
    long (*read)(void* context, void* data, size_t n);
    // Passes over n bytes; returns 0, or -1 when that cannot be done.
    int (*skip)(void* context, uint64_t n);
    // Bytes passed since the source began (the file offset for a file).
    uint64_t (*position)(void* context);
    // Total bytes when known, else -1.
    int64_t (*size)(void* context);
};

// A source over an open file, from its current offset; the file stays the caller's.
ByteSource FileSource(std::FILE* file);

// A source over bytes in memory; `cursor` holds the read offset and outlives the source.
struct MemoryBytes {
    const uint8_t* data;
    size_t size;
    size_t cursor = 0;
};
ByteSource MemorySource(MemoryBytes& bytes);

// Reads exactly n bytes; false when the data end first or the source fails.
bool ReadExactly(ByteSource& source, void* data, size_t n);

}  // namespace plimsa
