#pragma once
// A network stream's header as the readers take it: bytes consumed from the head of the ring
// buffer, waiting for the producer as needed.

#include <cstdint>

#include "media/RingBuff.h"
#include "plimsa/readers/ByteSource.h"

namespace plimsa::core {

struct RingReader {
    RingBuffer* ring;
    uint64_t consumed = 0;
};

// A source over the ring; `reader` holds the count of bytes consumed and outlives the source.
// Reads come up short only when the data have ended (or the ring was closed).
ByteSource RingSource(RingReader& reader);

// Looks at up to `want` bytes at the head of the ring without consuming them, waiting until they
// are there or the data have ended. Returns the bytes available (0 when none will come).
unsigned long PeekRing(RingBuffer* ring, const uint8_t** head, unsigned long want);

}  // namespace plimsa::core
