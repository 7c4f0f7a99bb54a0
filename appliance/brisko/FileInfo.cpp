#include "brisko/FileInfo.h"

#include <vector>

#include "brisko/FrontMessages.h"
#include "brisko/Tables.h"

namespace brisko {

namespace {

constexpr std::size_t kHeaderBytes = 25000;
constexpr std::size_t kSpacingBytes = 5000;

void say(FrontLog log, const char* text)
{
    if (log) log(text);
}

// Reads until n bytes or the end; -1 on a read error.
std::int64_t readFully(const ByteSource& src, std::uint8_t* buf, std::size_t n)
{
    std::size_t got = 0;
    while (got < n) {
        std::int64_t r = src.read(src.ctx, buf + got, n - got);
        if (r < 0) return -1;
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return static_cast<std::int64_t>(got);
}

void readTag(const ByteSource& src, MpegFileInfo& info)
{
    info.has_title = info.has_moreinfo = false;
    info.title.clear();
    info.moreinfo.clear();
    if (src.seek(src.ctx, -128, SEEK_END) != 0) return;
    std::int64_t offset = src.tell(src.ctx);
    std::uint8_t tag[128];
    if (offset < 0 || readFully(src, tag, 128) != 128) return;
    info.media_length = offset >= 128 ? offset - 128 : 0;
    if (!IsTag(tag, 128)) return;
    const char* title = reinterpret_cast<const char*>(tag + 3);
    const char* artist = reinterpret_cast<const char*>(tag + 33);
    if (std::size_t n = tailstrlen(title)) info.title.assign(title, n), info.has_title = true;
    if (std::size_t n = tailstrlen(artist)) info.moreinfo.assign(artist, n), info.has_moreinfo = true;
}

// Offset of the audio after the ID3v2 tags that open the file.
std::int64_t audioStart(const ByteSource& src)
{
    std::int64_t start = 0;
    for (int tags = 0; tags < 8; ++tags) {
        std::uint8_t head[10];
        if (src.seek(src.ctx, start, SEEK_SET) != 0 || readFully(src, head, 10) != 10) break;
        std::int64_t size = CheckID3(head, 10);
        if (size < 0) break;
        start += size;
    }
    return start;
}

// round(a x b / c) without overflow for any file size and duration.
std::int64_t mulDivRound(std::int64_t a, std::int64_t b, std::int64_t c)
{
    __int128 p = static_cast<__int128>(a) * b;
    __int128 half = c / 2;
    return static_cast<std::int64_t>(p >= 0 ? (p + half) / c : (p - half) / c);
}

}  // namespace

std::size_t tailstrlen(const char* field)
{
    for (std::size_t i = 0; i < 30; ++i)
        if (field[i] == '\0') return i;
    std::size_t n = 30;
    while (n > 0 && field[n - 1] == ' ') --n;
    return n;
}

std::uint32_t CalcFileDuration(MpegFileInfo& info, const FrameHeader& h, int measuredBitrate, FrontLog log)
{
    if (h.option < 1 || h.option > 3) {
        say(log, msg::kUnrecognizedLayer);
        return 0;
    }
    if (h.sr_index > 2) {
        say(log, msg::kInvalidSampleRate);
        return 0;
    }
    if (h.mode > 3) {
        say(log, msg::kInvalidChannelsMode);
        return 0;
    }
    std::int64_t bitrate = 1000LL * tables::kBitrateKbps[3 - h.option][h.id & 1][h.br_index & 15];
    if (bitrate == 0) {
        // Free format: the measured rate when known, else the guess of 288 kbit/s.
        if (measuredBitrate > 0) {
            bitrate = measuredBitrate;
        } else {
            bitrate = 288000;
            info.frame_spacing = 365;
        }
    }
    std::int64_t ms = static_cast<std::int64_t>(static_cast<__int128>(info.media_length) * 8000 / bitrate);
    if (ms >= static_cast<std::int64_t>(kDurationUnknown)) ms = kDurationUnknown - 1;
    return static_cast<std::uint32_t>(ms);
}

int get_info(const ByteSource& src, MpegFileInfo& info, FrontLog log)
{
    if (!src.read || !src.seek || !src.tell) return -1;
    readTag(src, info);

    std::vector<std::uint8_t> buf(kHeaderBytes);
    std::int64_t start = audioStart(src);
    if (src.seek(src.ctx, start, SEEK_SET) != 0) return -1;
    std::int64_t got = readFully(src, buf.data(), buf.size());
    if (got < 0) {
        say(log, msg::kReadError);
        return 0;
    }
    const std::size_t n = static_cast<std::size_t>(got);
    int offset = ScanForMPEG_l(buf.data(), n);
    if (offset < 0 && n < buf.size()) offset = ScanLastFrame(buf.data(), n);
    if (offset < 0) {
        say(log, msg::kNoHeaderInfo);
        return 0;
    }
    const std::uint8_t* head = buf.data() + offset;
    FrameHeader h;
    int bitrate = 0;
    int size = head_info2(head, n - static_cast<std::size_t>(offset), h, bitrate);

    // Frame spacing: the distance to the next header with the same first two bytes, searched
    // within the bytes read.
    std::size_t from = static_cast<std::size_t>(offset) + static_cast<std::size_t>(size > 10 ? size - 10 : 1);
    std::size_t to = static_cast<std::size_t>(offset) + kSpacingBytes;
    if (to > n - 1) to = n - 1;
    for (std::size_t p = from; p < to; ++p)
        if (compare(head, buf.data() + p)) {
            info.frame_spacing = static_cast<int>(p - static_cast<std::size_t>(offset));
            break;
        }
    std::uint32_t duration = CalcFileDuration(info, h, bitrate, log);
    info.duration = duration ? duration : 300000;
    return 0;
}

std::int64_t SeekTargetByte(const MpegFileInfo& info, std::uint32_t position_ms)
{
    if (info.duration == 0 || info.duration == kDurationUnknown) return -1;
    std::int64_t target = mulDivRound(info.media_length, position_ms, info.duration);
    if (info.frame_spacing > 0) target -= target % info.frame_spacing;
    return target;
}

std::int64_t PositionMs(const MpegFileInfo& info, std::int64_t filePos, std::int64_t buffered, std::int64_t queuedMs)
{
    std::int64_t length = info.media_length > 0 ? info.media_length : 1;
    if (info.duration == kDurationUnknown) return 0;
    std::int64_t pos = mulDivRound(filePos - buffered, info.duration, length) - queuedMs;
    return pos < 0 ? 0 : pos;
}

}  // namespace brisko
