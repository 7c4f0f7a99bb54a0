// The four-byte header that opens every MPEG audio frame: parsing, checking, frame length and
// bitrate, and the free-format length search. Pure functions of the bytes handed in.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brisko {

// The header's thirteen fields, as read from the bytes.
struct FrameHeader {
    int sync = 0;      // 0 none, 1 MPEG-1/MPEG-2, 2 MPEG-2.5
    int id = 0;        // version bit: 1 MPEG-1, 0 MPEG-2 or MPEG-2.5
    int option = 0;    // layer code: 3 Layer I, 2 Layer II, 1 Layer III, 0 reserved
    int prot = 0;      // 0: a 16-bit CRC follows the header
    int br_index = 0;  // 0 free format, 1..14, 15 not allowed
    int sr_index = 0;  // 0..2, 3 reserved
    int pad = 0;
    int private_bit = 0;
    int mode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    int mode_ext = 0;
    int cr = 0;
    int original = 0;
    int emphasis = 0;  // 2 reserved
};

// Frame length in bytes without the padding slot, or 0 when the bytes do not start a usable frame.
// Only the first 10,000 of `length` bytes are looked at. Fills `h` even when refusing.
int head_info(const std::uint8_t* buf, std::size_t length, FrameHeader& h);

// As head_info, and writes the bitrate in bit/s (0 when refused; measured for free format).
int head_info2(const std::uint8_t* buf, std::size_t length, FrameHeader& h, int& bitrate);

// Free-format frame length without padding, found from the next frames; 0 when none is found.
int find_sync(const std::uint8_t* buf, std::size_t length);

// First position i, start <= i < limit, whose two bytes equal the first two of buf; 0 when none.
int sync_scan(const std::uint8_t* buf, int limit, int start);

// Number of consecutive frames of `size` (+ padding x slot) confirmed, or 0 / minus the count when
// the chain breaks.
int sync_test(const std::uint8_t* buf, int limit, int size, int slot);

// 1 when the first two bytes of a and b are equal (sync, version, layer and protection together).
int compare(const std::uint8_t* a, const std::uint8_t* b);

// Bitrate in kbit/s for the header's layer and version bit; 0 for free format, index 15 or the
// reserved layer code.
int HeaderKbps(const FrameHeader& h);

// The stream's sample rate in Hz (MPEG-2.5 included), or 0 for the reserved index.
int HeaderSampleRate(const FrameHeader& h);

// Samples per channel in one frame: 384, 1152, or 576 for Layer III below 32 kHz.
int HeaderSamplesPerFrame(const FrameHeader& h);

}  // namespace brisko
