#pragma once
// The ring buffer's size and start fill, taken from the environment at each start of a medium.

namespace plimsa::core {

struct BufferSettings {
    unsigned long size;          // bytes
    unsigned long startPercent;  // fill the decoder waits for before it begins, and after a low-buffer moment
};

// PLIMSABUFFERSIZE (default 20000 for a file, 300000 for a network stream; 5000..128000000) and
// PLIMSABUFFERSTARTPERCENT (default 30 / 10; 5..95).
BufferSettings ReadBufferSettings(bool network);

// Bytes the decoder waits for: size x percent / 120, at least 1000.
unsigned long PrefillBytes(unsigned long size, unsigned long startPercent);

// The start percent after a low-buffer moment: 10 more while it is 85 or less.
unsigned long RaiseStartPercent(unsigned long startPercent);

}  // namespace plimsa::core
