#include "TrackLength.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "RegularFile.h"

namespace sorvex {

namespace {

// A read-only view of a whole file.
class MappedFile {
public:
    explicit MappedFile(const std::string& path) {
        const int fd = OpenRegular(path, O_RDONLY);
        if (fd < 0) return;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && info.st_size > 0) {
            void* at = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (at != MAP_FAILED) {
                data_ = static_cast<const uint8_t*>(at);
                size_ = static_cast<std::size_t>(info.st_size);
            }
        }
        ::close(fd);
    }
    ~MappedFile() {
        if (data_) ::munmap(const_cast<uint8_t*>(data_), size_);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    const uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    const uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

uint32_t bigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// ---- MPEG audio ----

struct FrameHeader {
    int version = 0;  // 1: MPEG-1, 2: MPEG-2, 3: MPEG-2.5
    int layer = 0;
    bool mono = false;
    int sampleRate = 0;
    int samples = 0;        // per frame
    std::size_t bytes = 0;  // the whole frame
};

constexpr int kBitrates[2][3][15] = {
    // MPEG-1: Layer I, II, III
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    // MPEG-2 and 2.5: Layer I, II and III
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
constexpr int kSampleRates[3] = {44100, 48000, 32000};

// The frame header at `p` (four bytes); false when they are none. Free-format frames (no
// bit rate) are not walked: their length is not in the header.
bool parseHeader(const uint8_t* p, FrameHeader& frame) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int versionBits = (p[1] >> 3) & 3, layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4, rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
    frame.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 3;
    frame.layer = 4 - layerBits;
    frame.mono = (p[3] >> 6) == 3;
    frame.sampleRate = kSampleRates[rateIndex] >> (frame.version - 1);
    const int padding = (p[2] >> 1) & 1;
    const long bitrate = kBitrates[frame.version == 1 ? 0 : 1][frame.layer - 1][bitrateIndex] * 1000L;
    if (frame.layer == 1) {
        frame.samples = 384;
        frame.bytes = static_cast<std::size_t>((12 * bitrate / frame.sampleRate + padding) * 4);
    } else {
        frame.samples = frame.layer == 3 && frame.version != 1 ? 576 : 1152;
        frame.bytes = static_cast<std::size_t>(frame.samples / 8 * bitrate / frame.sampleRate + padding);
    }
    return frame.bytes > 4;
}

// The frame count of a Xing/Info or VBRI header in the first frame; 0 without one.
uint32_t headerFrameCount(const uint8_t* frame, std::size_t available, const FrameHeader& header) {
    const std::size_t sideInfo = header.version == 1 ? (header.mono ? 17 : 32) : (header.mono ? 9 : 17);
    const std::size_t xing = 4 + sideInfo;
    if (header.layer == 3 && xing + 12 <= available &&
        (std::memcmp(frame + xing, "Xing", 4) == 0 || std::memcmp(frame + xing, "Info", 4) == 0) &&
        (frame[xing + 7] & 1))
        return bigEndian32(frame + xing + 8);
    constexpr std::size_t vbri = 4 + 32;
    if (vbri + 18 <= available && std::memcmp(frame + vbri, "VBRI", 4) == 0) return bigEndian32(frame + vbri + 14);
    return 0;
}

// Past an ID3v2 tag at the file's start.
std::size_t afterId3v2(const uint8_t* data, std::size_t size) {
    if (size < 10 || std::memcmp(data, "ID3", 3) != 0) return 0;
    const std::size_t body = (std::size_t{data[6] & 0x7Fu} << 21) | (std::size_t{data[7] & 0x7Fu} << 14) |
                             (std::size_t{data[8] & 0x7Fu} << 7) | (data[9] & 0x7Fu);
    return 10 + body + ((data[5] & 0x10) ? 10 : 0);
}

// True when a frame at `at` is followed by another (or by the end of the file): one header
// alone may be chance bytes in a tag or in junk before the stream.
bool confirmed(const uint8_t* data, std::size_t size, std::size_t at, const FrameHeader& frame) {
    const std::size_t next = at + frame.bytes;
    if (next + 4 > size) return next <= size;
    FrameHeader following;
    return parseHeader(data + next, following) && following.version == frame.version &&
           following.layer == frame.layer && following.sampleRate == frame.sampleRate;
}

// ---- Ogg ----

uint64_t littleEndian64(const uint8_t* p) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | p[i];
    return value;
}

constexpr std::size_t kOggPageHeader = 27;
// Where the last page's header is looked for: pages are at most 65,307 bytes.
constexpr std::size_t kOggTail = 65536 + 65536;

}  // namespace

int MpegSeconds(const std::string& path) {
    const MappedFile file(path);
    const uint8_t* data = file.data();
    const std::size_t size = file.size();
    if (!data) return -1;
    std::size_t at = afterId3v2(data, size);
    double seconds = 0;
    bool first = true;
    while (at + 4 <= size) {
        FrameHeader frame;
        if (!parseHeader(data + at, frame) || (first && !confirmed(data, size, at, frame))) {
            ++at;  // junk, a tag or damage: look for the next frame
            continue;
        }
        if (first) {
            first = false;
            if (const uint32_t frames = headerFrameCount(data + at, size - at, frame))
                return static_cast<int>(static_cast<double>(frames) * frame.samples / frame.sampleRate);
        }
        if (at + frame.bytes > size) break;  // a frame cut short at the end plays nothing
        seconds += static_cast<double>(frame.samples) / frame.sampleRate;
        at += frame.bytes;
    }
    return first ? -1 : static_cast<int>(seconds);
}

int OggVorbisSeconds(const std::string& path) {
    const MappedFile file(path);
    const uint8_t* data = file.data();
    const std::size_t size = file.size();
    if (!data || size < kOggPageHeader) return -1;
    // The first page holds the identification header: "\x01vorbis", version, channels, rate.
    if (std::memcmp(data, "OggS", 4) != 0) return -1;
    const std::size_t segments = data[26];
    const std::size_t packet = kOggPageHeader + segments;
    if (packet + 16 > size || std::memcmp(data + packet, "\x01vorbis", 7) != 0) return -1;
    const uint32_t rate = data[packet + 12] | (uint32_t{data[packet + 13]} << 8) | (uint32_t{data[packet + 14]} << 16) |
                          (uint32_t{data[packet + 15]} << 24);
    if (rate == 0) return -1;
    const uint32_t serial =
        data[14] | (uint32_t{data[15]} << 8) | (uint32_t{data[16]} << 16) | (uint32_t{data[17]} << 24);
    // The last page of the stream that carries a granule position gives its sample count.
    const std::size_t from = size > kOggTail ? size - kOggTail : 0;
    for (std::size_t at = size - kOggPageHeader + 1; at-- > from;) {
        if (std::memcmp(data + at, "OggS", 4) != 0 || data[at + 4] != 0) continue;
        const uint32_t pageSerial = data[at + 14] | (uint32_t{data[at + 15]} << 8) | (uint32_t{data[at + 16]} << 16) |
                                    (uint32_t{data[at + 17]} << 24);
        const uint64_t granule = littleEndian64(data + at + 6);
        if (pageSerial != serial || granule == ~uint64_t{0}) continue;
        return static_cast<int>(granule / rate);
    }
    return -1;
}

}  // namespace sorvex
