// An abstract source of stream bytes, as a table of functions: a file, a ring buffer, a socket
// reader or a block of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace brisko {

struct ByteSource {
    void* ctx = nullptr;
    // Reads up to n bytes into buf; returns the count, 0 at the end of the data, -1 on a read error.
    std::int64_t (*read)(void* ctx, std::uint8_t* buf, std::size_t n) = nullptr;
    // Moves to offset from the start (whence SEEK_SET) or from the end (SEEK_END); 0 or -1.
    // Null for sources that cannot seek.
    int (*seek)(void* ctx, std::int64_t offset, int whence) = nullptr;
    // The current offset from the start, or -1.
    std::int64_t (*tell)(void* ctx) = nullptr;
};

// A source over an open stdio stream (not owned).
ByteSource FileByteSource(std::FILE* fp);

// A source over bytes in memory (not owned); `pos` holds the read position.
struct MemoryBytes {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t pos = 0;
};
ByteSource MemoryByteSource(MemoryBytes& bytes);

}  // namespace brisko
