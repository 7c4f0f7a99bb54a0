#include "RingSource.h"

#include <algorithm>
#include <cstring>

namespace plimsa::core {

namespace {

// Consumes up to n bytes, copying them to data when it is given; returns the count.
uint64_t Consume(RingReader& reader, uint8_t* data, uint64_t n) {
    uint64_t done = 0;
    while (done < n) {
        unsigned char* run = nullptr;
        unsigned long length = 0;
        if (Ring_Read_Ptr(reader.ring, &run, &length, 0, 0) < 0 || length == 0) break;
        const unsigned long take = static_cast<unsigned long>(std::min<uint64_t>(length, n - done));
        if (data) std::memcpy(data + done, run, take);
        Report_Bytes_Read(reader.ring, take);
        done += take;
    }
    reader.consumed += done;
    return done;
}

long Read(void* context, void* data, size_t n) {
    return static_cast<long>(Consume(*static_cast<RingReader*>(context), static_cast<uint8_t*>(data), n));
}

int Skip(void* context, uint64_t n) { return Consume(*static_cast<RingReader*>(context), nullptr, n) == n ? 0 : -1; }

uint64_t Position(void* context) { return static_cast<RingReader*>(context)->consumed; }

int64_t Size(void*) { return -1; }

}  // namespace

ByteSource RingSource(RingReader& reader) { return ByteSource{&reader, Read, Skip, Position, Size}; }

unsigned long PeekRing(RingBuffer* ring, const uint8_t** head, unsigned long want) {
    unsigned char* run = nullptr;
    unsigned long length = 0;
    if (want == 0 || Ring_Read_Ptr(ring, &run, &length, want - 1, 0) < 0) return 0;
    *head = run;
    return std::min(length, want);
}

}  // namespace plimsa::core
