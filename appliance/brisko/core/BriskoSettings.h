// The player's buffer and decoder settings, read from the environment each time playing starts.
#pragma once

#include <cstdint>

namespace brisko::core {

struct BriskoSettings {
    bool refillOnUnderflow = false;          // BRISKOREFILLONUNDERFLOW
    unsigned long bufferSize = 0;            // BRISKOBUFFERSIZE, bytes of the ring's block
    unsigned long bufferStartPercent = 0;    // BRISKOBUFFERSTARTPERCENT
    int transformBit = 0;                    // BRISKOTRANSFORMBITCODE
    int transformChannel = 0;                // BRISKOTRANSFORMCHANNELCODE
    int convert = 0;                         // BRISKOCONVERTCODE: channel conversion, 8 for 8-bit output
    int reduction = 0;                       // BRISKOREDUCTIONCODE
    int freqLimit = 24000;                   // BRISKOFREQLIMIT, Hz
    std::uint32_t maxBitrate = 0xFFFFFFFFu;  // BRISKOMAXBITRATE, bit/s; 0xFFFFFFFF no limit
};

// The settings for a file (network = false) or a network stream, each variable's value clamped
// or replaced by its default when out of range.
BriskoSettings ReadBriskoSettings(bool network);

// Bytes that must be buffered before the first header is parsed, and after an underflow when
// refilling: size x start percent / 120, at least 300.
unsigned long PrefillBytes(unsigned long bufferSize, unsigned long startPercent);

}  // namespace brisko::core
