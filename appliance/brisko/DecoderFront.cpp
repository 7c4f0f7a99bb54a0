#include "brisko/DecoderFront.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "brisko/FrontMessages.h"

namespace brisko {

namespace {

void say(const DecoderFront& front, const char* text)
{
    if (front.log) front.log(text);
}

bool isSyncByte(std::uint8_t b) { return (b & 0xE0) == 0xE0; }

// Frame length with padding of the header at p, 0 when it does not parse.
int paddedLength(const std::uint8_t* p, std::size_t avail, FrameHeader& h)
{
    int size = head_info(p, avail, h);
    if (size <= 0) return 0;
    return size + h.pad * (h.option == 3 ? 4 : 1);
}

// Whether the decoder can be set up for frames of this header at all.
bool decodable(const FrameHeader& h)
{
    if (h.sr_index > 2 || h.option == 0) return false;
    return h.option == 1 || h.sync == 1;
}

// Frames of one stream: the channel mode may change from frame to frame, the rest may not.
bool sameStream(const FrameHeader& a, const FrameHeader& b)
{
    return a.sync == b.sync && a.id == b.id && a.option == b.option && a.sr_index == b.sr_index;
}

bool sameChannels(const FrameHeader& a, const FrameHeader& b) { return (a.mode == 3) == (b.mode == 3); }

bool sameOutput(const DecodeInfo& a, const DecodeInfo& b)
{
    return a.channels == b.channels && a.samprate == b.samprate && a.bits == b.bits;
}

// Hands out the bytes of a tag that runs past the buffer, a buffer at a time.
int dropPending(DecoderFront& front, std::size_t& len)
{
    std::int64_t drop =
        front.skip_pending < static_cast<std::int64_t>(len) ? front.skip_pending : static_cast<std::int64_t>(len);
    front.skip_pending -= drop;
    len = static_cast<std::size_t>(drop);
    return kFrontSkip;
}

int startSkip(DecoderFront& front, std::int64_t skip, std::size_t& len)
{
    front.skip_pending = skip;
    return dropPending(front, len);
}

// A frame of the stream set up that starts right at the buffer: once in step, frames follow one
// another without the search (which would need the next header and so lose the frame in front of
// garbage). Returns 0 when the frame is there and complete, kFrontNeedData when it is incomplete,
// kFrontNoHeader when the buffer does not start with such a frame.
int inStep(const DecoderFront& front, const std::uint8_t* buf, std::size_t len)
{
    if (len < 4 || buf[0] != front.sync_bytes[0] || buf[1] != front.sync_bytes[1]) return kFrontNoHeader;
    std::uint8_t head[4] = {buf[0], buf[1], buf[2], buf[3]};
    FrameHeader h;
    int n = head_info(head, 4, h);
    if (h.sync == 0 || !sameStream(h, front.head)) return kFrontNoHeader;
    if (n == 0 && h.br_index == 0 && h.sr_index != 3 && h.emphasis != 2) n = front.framebytes;
    if (n <= 0) return kFrontNoHeader;
    n += h.pad * (h.option == 3 ? 4 : 1);
    return static_cast<std::size_t>(n) <= len ? 0 : kFrontNeedData;
}

// Frames that must follow one another, each where the one before ends and in the same format,
// before a header is believed: sound samples and text can hold a header, or two, by chance.
constexpr int kConfirmFrames = 4;

enum RunResult { kRunBroken, kRunConfirmed, kRunCut };

// Follows the frames from the header at offset: kRunConfirmed when kConfirmFrames of this format
// follow one another, kRunBroken when the chain breaks first, kRunCut when the buffer ends first.
// `chained` (when given) counts the frames found in the run before it broke or was cut.
RunResult confirmRun(const std::uint8_t* buf, std::size_t len, std::size_t offset, const FrameHeader& first,
                     int* chained = nullptr)
{
    std::size_t p = offset;
    for (int k = 0; k < kConfirmFrames; ++k) {
        if (chained) *chained = k;
        if (p + 4 > len) return kRunCut;
        FrameHeader h;
        const int n = paddedLength(buf + p, len - p, h);
        if (n <= 0 || !decodable(h) || !sameStream(h, first)) {
            // Only a free-format length may want more bytes than the buffer holds (its search
            // looks at 10,000 bytes at most).
            const bool freeFormatCut =
                n <= 0 && h.sync != 0 && h.br_index == 0 && sameStream(h, first) && len - p < 10000;
            return freeFormatCut ? kRunCut : kRunBroken;
        }
        p += static_cast<std::size_t>(n);
    }
    return kRunConfirmed;
}

// A frame that ends at `end` is the last of the data: nothing follows it but a few bytes, the
// start of a frame cut short, or the tags a file ends with. A header inside other bytes is not.
bool endsTheData(const std::uint8_t* buf, std::size_t len, std::size_t end)
{
    const std::size_t rest = len - end;
    if (rest < 4) return true;
    if (buf[end] == 0xFF && isSyncByte(buf[end + 1])) return true;
    return OnlyTags(buf + end, rest) || MayBeEndTags(buf + end, rest);
}

}  // namespace

int ScanLastFrame(const std::uint8_t* buf, std::size_t len, const FrameHeader* setup, int setupBytes)
{
    for (std::size_t i = 0; i + 4 <= len; ++i) {
        if (buf[i] != 0xFF || !isSyncByte(buf[i + 1])) continue;
        FrameHeader h;
        int n = 0;
        if (setup) {
            // The length search of a free-format header needs a following frame; use the stream's.
            std::uint8_t head[4] = {buf[i], buf[i + 1], buf[i + 2], buf[i + 3]};
            n = paddedLength(head, 4, h);
            if (h.sync == 0 || !sameStream(h, *setup)) continue;
            if (h.br_index == 0) n = setupBytes + h.pad * (h.option == 3 ? 4 : 1);
        } else {
            n = paddedLength(buf + i, len - i, h);
        }
        if (n > 0 && i + static_cast<std::size_t>(n) <= len && endsTheData(buf, len, i + static_cast<std::size_t>(n)))
            return static_cast<int>(i);
    }
    return kFrontNoHeader;
}

void FrontLogStderr(const char* text) { std::fprintf(stderr, "%s\n", text); }

bool IsTag(const std::uint8_t* p, std::size_t avail) { return avail >= 3 && p[0] == 'T' && p[1] == 'A' && p[2] == 'G'; }

std::int64_t CheckID3(const std::uint8_t* p, std::size_t avail)
{
    if (avail < 10 || p[0] != 'I' || p[1] != 'D' || p[2] != '3') return -1;
    return std::int64_t(p[6]) * 2097152 + std::int64_t(p[7]) * 16384 + std::int64_t(p[8]) * 128 + p[9] + 10;
}

// Sizes of the tags a file may end with: ID3v1, extended ID3v1, an ID3v2 footer.
constexpr std::size_t kId3v1 = 128, kId3v1Extended = 227, kId3v2Footer = 10;

bool OnlyTags(const std::uint8_t* p, std::size_t len)
{
    std::size_t i = 0;
    while (i < len) {
        const std::size_t rest = len - i;
        std::size_t size = 0;
        if (rest >= 4 && std::memcmp(p + i, "TAG+", 4) == 0) size = kId3v1Extended;
        else if (IsTag(p + i, rest)) size = kId3v1;
        else if (rest >= kId3v2Footer && std::memcmp(p + i, "3DI", 3) == 0) size = kId3v2Footer;
        else if (const std::int64_t id3 = CheckID3(p + i, rest); id3 > 0) size = static_cast<std::size_t>(id3);
        if (size == 0 || size > rest) return false;
        i += size;
    }
    return len > 0;
}

bool MayBeEndTags(const std::uint8_t* p, std::size_t len)
{
    static constexpr const char* kStarts[] = {"TAG+", "TAG", "3DI"};
    std::size_t i = 0;
    while (i < len) {
        const std::size_t rest = len - i;
        const char* start = nullptr;
        for (const char* s : kStarts) {
            const std::size_t n = std::min(rest, std::strlen(s));
            if (std::memcmp(p + i, s, n) == 0) {
                start = s;
                break;
            }
        }
        if (!start) return false;
        if (rest < std::strlen(start)) return true;  // the start of a tag, cut where the reader is
        const std::size_t size = start[0] == '3' ? kId3v2Footer : start[3] == '+' ? kId3v1Extended : kId3v1;
        if (size >= rest) return true;
        i += size;
    }
    return len > 0;
}

int CheckRIFF(const std::uint8_t* p, std::size_t len)
{
    if (len < 4 || std::memcmp(p, "RIFF", 4) != 0) return -1;
    for (std::size_t i = 4;; ++i) {
        if (len - i < 5) return -2;
        if (std::memcmp(p + i, "data", 4) == 0) return static_cast<int>(i + 6);
    }
}

bool OtherSoundFile(const std::uint8_t* buf, std::size_t len)
{
    if (len >= 12 && std::memcmp(buf, "FORM", 4) == 0 &&
        (std::memcmp(buf + 8, "AIFF", 4) == 0 || std::memcmp(buf + 8, "AIFC", 4) == 0))
        return true;
    if (len < 12 || std::memcmp(buf, "RIFF", 4) != 0 || std::memcmp(buf + 8, "WAVE", 4) != 0) return false;
    for (std::size_t i = 12; i + 10 <= len;) {
        const std::uint32_t size = buf[i + 4] | buf[i + 5] << 8 | buf[i + 6] << 16 | std::uint32_t(buf[i + 7]) << 24;
        if (std::memcmp(buf + i, "fmt ", 4) == 0) {
            // Format tags 0x50 and 0x55: MPEG Layer I/II and Layer III.
            const unsigned tag = buf[i + 8] | buf[i + 9] << 8;
            return tag != 0x50 && tag != 0x55;
        }
        if (std::memcmp(buf + i, "data", 4) == 0 || size > len) break;
        i += 8 + size + (size & 1);
    }
    return false;
}

int ScanForMPEG_l(const std::uint8_t* buf, std::size_t len, std::int64_t* skip)
{
    int state = 0;
    std::size_t i = 0;
    while (i < len) {
        if (state == 1 && isSyncByte(buf[i])) {
            const std::size_t c = i - 1;
            FrameHeader h;
            int size = head_info(buf + c, len - c, h);
            if (size > 0) {
                if (!h.pad) size -= 1;
                if (c + 1 + size + 4 >= len) return kFrontScanMore;
                std::size_t p = c + size;
                for (int k = 0; k < 4 && buf[p] < 0xFF; ++k) ++p;
                if (buf[p] == 0xFF && isSyncByte(buf[p + 1])) return static_cast<int>(c);
            }
        }
        state = buf[i] == 0xFF ? 1 : 0;
        const std::size_t rest = len - i;
        std::int64_t jump = 0;
        if (IsTag(buf + i, rest)) {
            jump = 128;
        } else if (rest > 10) {
            std::int64_t id3 = CheckID3(buf + i, rest);
            if (id3 > 0) jump = id3;
        }
        if (jump == 0 && rest > 8) {
            int riff = CheckRIFF(buf + i, rest);
            if (riff == -2) return kFrontNoHeader;
            if (riff > 0) jump = riff;
        }
        if (jump > 0) {
            if (static_cast<std::int64_t>(i) + jump > static_cast<std::int64_t>(len)) {
                if (skip) *skip = static_cast<std::int64_t>(i) + jump;
                return kFrontScanSkip;
            }
            i += static_cast<std::size_t>(jump);
            state = 0;
            continue;
        }
        ++i;
    }
    return kFrontNoHeader;
}

int InitAudioDecoderMode(DecoderFront& front, int reduction, int transformBit, int transformChannel, int convert,
                         int freqLimit, std::uint32_t maxBitrate)
{
    front.reduction = reduction;
    front.transform = transformBit * 4 + transformChannel;
    front.convert = convert;
    front.freq_limit = freqLimit;
    front.max_bitrate = maxBitrate;
    front.mode_set = true;
    return 0;
}

int ParseSequenceHeader(DecoderFront& front, const std::uint8_t* buf, std::size_t& len)
{
    front.head = FrameHeader{};
    front.ready = false;
    if (!front.mode_set) InitAudioDecoderMode(front, 0, 0, 0, 0, 24000, 0xFFFFFFFFu);
    if (!buf) return kFrontNullBuffer;
    if (front.skip_pending > 0) return dropPending(front, len);
    if (OtherSoundFile(buf, len)) return kFrontNeedData;
    std::int64_t skip = 0;
    std::size_t from = 0;
    int offset = kFrontNoHeader;
    FrameHeader h;
    int bitrate = 0;
    int size = 0;
    // The first header believed is the first that a run of frames follows. At the end of the
    // data, when no run is that long, the first whose frame ends where the next frame's header of
    // the stream begins (a short stream with damage in it); a lone header is not a stream.
    int paired = -1;
    for (;;) {
        const int found = ScanForMPEG_l(buf + from, len - from, &skip);
        if (found == kFrontScanSkip) {
            if (from > 0) return kFrontNeedData;
            return startSkip(front, skip, len);
        }
        if (found < 0 && (paired < 0 || !front.end_of_data)) return kFrontNeedData;
        if (found < 0) {
            offset = paired;
            size = head_info2(buf + offset, len - offset, h, bitrate);
            break;
        }
        offset = static_cast<int>(from) + found;
        size = head_info2(buf + offset, len - offset, h, bitrate);
        if (size == 0) return kFrontNeedData;
        int chained = 0;
        const RunResult run = confirmRun(buf, len, static_cast<std::size_t>(offset), h, &chained);
        if (run == kRunConfirmed) break;
        if (chained >= 2 && paired < 0) paired = offset;
        // A short stream that ends within the run is believed as far as it goes (from the
        // first header found with a frame behind it).
        if (run == kRunCut) {
            if (!front.end_of_data) return kFrontNeedData;
            if (paired >= 0 && paired < offset) {
                offset = paired;
                size = head_info2(buf + offset, len - offset, h, bitrate);
            }
            break;
        }
        from = static_cast<std::size_t>(offset) + 1;
    }
    if (h.option == 0) say(front, msg::kUnrecognizedLayer);
    // A stream above the bitrate limit is decoded at half or quarter rate.
    int reduction = front.reduction;
    if (front.max_bitrate != 0xFFFFFFFFu && bitrate > 0) {
        std::uint32_t b = static_cast<std::uint32_t>(bitrate);
        if (b > front.max_bitrate) reduction = b / 2 > front.max_bitrate ? 2 : 1;
    }
    front.reduction = reduction;
    if (!front.decoder.audio_decode_init(h, size, reduction, front.transform, front.convert, front.freq_limit))
        return kFrontRefused;
    front.head = h;
    front.framebytes = size;
    front.sync_bytes[0] = buf[offset];
    front.sync_bytes[1] = buf[offset + 1];
    front.ready = true;
    len = static_cast<std::size_t>(size);
    return offset;
}

int DecodeAudioFrame(DecoderFront& front, const std::uint8_t* buf, std::size_t& len, void* pcm, int& outbytes)
{
    outbytes = 0;
    if (!buf || !pcm) return kFrontNullBuffer;
    if (front.skip_pending > 0) return dropPending(front, len);
    if (!front.ready) return kFrontRefused;
    int step = inStep(front, buf, len);
    if (step == kFrontNeedData && !front.end_of_data) return kFrontNeedData;
    std::int64_t skip = 0;
    int offset = step == 0 ? 0 : ScanForMPEG_l(buf, len, &skip);
    if (offset == kFrontScanSkip) return startSkip(front, skip, len);
    if (offset == kFrontScanMore || offset == kFrontNoHeader) {
        if (front.end_of_data) offset = ScanLastFrame(buf, len, &front.head, front.framebytes);
        if (offset == kFrontScanMore) return kFrontNeedData;
        if (offset < 0) {
            // The tags a file ends with are no damage: they are dropped without a word.
            if (front.end_of_data && OnlyTags(buf, len)) return kFrontSkip;
            // Tags the reader has not yet seen the end of the file behind: wait for it.
            if (!front.end_of_data && MayBeEndTags(buf, len)) return kFrontNeedData;
            say(front, msg::kNoSyncword);
            len = len > 3 ? len - 3 : 0;
            return kFrontNoSync;
        }
    }
    const std::uint8_t* frame = buf + offset;
    const std::size_t avail = len - static_cast<std::size_t>(offset);
    FrameHeader h;
    int size = head_info(frame, avail, h);
    if (size == 0 && h.sync != 0 && h.br_index == 0 && sameStream(h, front.head)) size = front.framebytes;
    int result = kFrontOk;
    if (size > 0 && sameStream(h, front.head) && !sameChannels(h, front.head)) {
        // A change between one channel and two: the decoder goes on with its reservoir and
        // histories, only the output layout follows. Believed where the frame before ended, else
        // when a run of frames follows.
        const RunResult run = step == 0 ? kRunConfirmed : confirmRun(buf, len, static_cast<std::size_t>(offset), h);
        if (run == kRunCut && !front.end_of_data) return kFrontNeedData;
        const DecodeInfo before = FrontInfo(front);
        if (run != kRunConfirmed || !front.decoder.audio_decode_mode(h)) {
            size = 0;
        } else {
            front.head = h;
            if (!sameOutput(before, FrontInfo(front))) {
                say(front, msg::kFormatChanged);
                result = kFrontFormatChanged;
            }
        }
    } else if (size > 0 && !sameStream(h, front.head)) {
        // Only a header that a run of frames of its format follows changes the format.
        const RunResult run = decodable(h) ? confirmRun(buf, len, static_cast<std::size_t>(offset), h) : kRunBroken;
        if (run == kRunCut && !front.end_of_data) return kFrontNeedData;
        if (run != kRunConfirmed) {
            size = 0;
        } else if (front.decoder.audio_decode_init(h, size, front.reduction, front.transform, front.convert,
                                                   front.freq_limit)) {
            say(front, msg::kFormatChanged);
            front.head = h;
            front.framebytes = size;
            front.sync_bytes[0] = frame[0];
            front.sync_bytes[1] = frame[1];
            result = kFrontFormatChanged;
        } else {
            // Keep decoding the stream set up; this frame is skipped.
            front.decoder.audio_decode_init(front.head, front.framebytes, front.reduction, front.transform,
                                            front.convert, front.freq_limit);
            size = 0;
        }
    }
    DecodeResult r{};
    if (size > 0) r = front.decoder.audio_decode(frame, avail, pcm);
    if (r.in_bytes <= 0) {
        // Nothing consumed: step past the header so that the search moves on.
        ++front.errors;
        say(front, msg::kFrameSkipped);
        len = static_cast<std::size_t>(offset) + 1;
        return kFrontBadFrame;
    }
    len = static_cast<std::size_t>(offset) + static_cast<std::size_t>(r.in_bytes);
    outbytes = r.out_bytes;
    return result;
}

DecodeInfo FrontInfo(const DecoderFront& front)
{
    DecodeInfo info;
    front.decoder.audio_decode_info(info);
    return info;
}

}  // namespace brisko
