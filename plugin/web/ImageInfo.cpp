#include "web/ImageInfo.h"

#include <array>
#include <fstream>
#include <vector>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "vb/Err.h"
#include "vb/ErrorNumbers.h"
#include "windows/PathMap.h"

namespace zephra {

namespace {

constexpr std::size_t kHeaderBytes = 65536;
// Past this offset the JPEG walk gives up: only the first 64 KiB are searched.
constexpr std::size_t kSearchEnd = 65525;

// The first bytes of a file; bytes past the end of a shorter file read as 0, and an offset past
// the buffer is an error rather than a read out of bounds.
class HeaderBytes {
public:
    explicit HeaderBytes(const std::string& path) : bytes_(kHeaderBytes, 0) {
        std::ifstream file(windows::MapPath(path).native, std::ios::binary);
        if (!file) vb::raise(vb::errors::FileNotFound);
        file.read(reinterpret_cast<char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
    }
    uint8_t operator[](std::size_t offset) const {
        if (offset >= bytes_.size()) vb::raise(vb::errors::SubscriptOutOfRange);
        return bytes_[offset];
    }
    int32_t Word(std::size_t high, std::size_t low) const { return (*this)[high] * 256 + (*this)[low]; }

private:
    std::vector<uint8_t> bytes_;
};

bool IsFrameMarker(uint8_t m) {
    return (m >= 192 && m <= 195) || (m >= 197 && m <= 199) || (m >= 201 && m <= 203) || (m >= 205 && m <= 207);
}

}  // namespace

void ImageInfo::ReadImageInfo(const std::string& sFileName) {
    width_ = height_ = 0;
    depth_ = 0;
    type_ = itUNKNOWN;
    const bool read = vb::Try([&] {
        const HeaderBytes b(sFileName);
        if (b[0] == 137 && b[1] == 'P' && b[2] == 'N') {
            type_ = itPNG;
            switch (b[25]) {
            case 0: depth_ = b[24]; break;
            case 2: depth_ = static_cast<uint8_t>(b[24] * 3); break;
            case 3: depth_ = 8; break;
            case 4: depth_ = static_cast<uint8_t>(b[24] * 2); break;
            case 6: depth_ = static_cast<uint8_t>(b[24] * 4); break;
            default: type_ = itUNKNOWN; return;
            }
            width_ = b.Word(18, 19);
            height_ = b.Word(22, 23);
        } else if (b[0] == 'G' && b[1] == 'I' && b[2] == 'F') {
            type_ = itGIF;
            width_ = b.Word(7, 6);
            height_ = b.Word(9, 8);
            depth_ = static_cast<uint8_t>((b[10] & 7) + 1);
        } else if (b[0] == 'B' && b[1] == 'M') {
            type_ = itBMP;
            width_ = b.Word(19, 18);
            height_ = b.Word(23, 22);
            depth_ = b[28];
        } else {
            std::size_t p = 0;
            while (!(b[p] == 255 && b[p + 1] == 216 && b[p + 2] == 255)) {
                if (++p >= kSearchEnd) return;
            }
            p += 2;
            for (;;) {
                while (b[p] != 255 || b[p + 1] == 255) {
                    if (++p >= kSearchEnd) return;
                }
                const uint8_t marker = b[p + 1];
                if (IsFrameMarker(marker)) {
                    const std::size_t q = p + 1;
                    type_ = itJPEG;
                    height_ = b.Word(q + 4, q + 5);
                    width_ = b.Word(q + 6, q + 7);
                    depth_ = static_cast<uint8_t>(b[q + 8] * 8);
                    return;
                }
                p += 1 + static_cast<std::size_t>(b.Word(p + 2, p + 3));
                if (p >= kSearchEnd) return;
            }
        }
    });
    if (!read) vb::Try([&] { WriteLog(state_.Host(), "dkvZephra", "ReadImageInfo file " + sFileName + ": "); });
}

}  // namespace zephra
