// File information of an MPEG audio file before playback: title and artist from an ID3v1 tag,
// duration, media length and frame spacing; and the time/byte arithmetic built on them.
#pragma once

#include <cstdint>
#include <string>

#include "brisko/ByteSource.h"
#include "brisko/DecoderFront.h"
#include "brisko/FrameHeader.h"

namespace brisko {

inline constexpr std::uint32_t kDurationUnknown = 0xFFFFFFFFu;

struct MpegFileInfo {
    bool has_title = false;
    std::string title;
    bool has_moreinfo = false;
    std::string moreinfo;           // the artist
    std::uint32_t duration = 0;     // ms
    std::int64_t media_length = 0;  // bytes used for time/byte conversion
    int frame_spacing = 0;          // bytes; seek targets are rounded down to a multiple
};

// Fills `info` from a seekable source. Returns 0, or -1 when the source cannot seek or read.
// A source without a recognisable header keeps the previous duration and frame spacing.
int get_info(const ByteSource& src, MpegFileInfo& info, FrontLog log = FrontLogStderr);

// Duration in ms of info.media_length bytes at the header's bitrate; `measuredBitrate` (bit/s) is
// used for free format when known. Returns 0 for headers outside the tables.
std::uint32_t CalcFileDuration(MpegFileInfo& info, const FrameHeader& h, int measuredBitrate,
                               FrontLog log = FrontLogStderr);

// Length of a 30-byte tag field: up to its first NUL, else 30 less the trailing blanks.
std::size_t tailstrlen(const char* field);

// Byte offset for a seek to position_ms, rounded down to the frame spacing; -1 when the duration
// is not known (a seek then does nothing).
std::int64_t SeekTargetByte(const MpegFileInfo& info, std::uint32_t position_ms);

// Play position in ms from the file offset read, the bytes still buffered and the milliseconds
// still queued in the audio device; 0 when negative.
std::int64_t PositionMs(const MpegFileInfo& info, std::int64_t filePos, std::int64_t buffered, std::int64_t queuedMs);

}  // namespace brisko
