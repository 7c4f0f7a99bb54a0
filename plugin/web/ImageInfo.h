#pragma once
// The pixel size, colour depth and kind of a PNG, GIF, BMP or JPEG file, read from the bytes at
// its start without decoding the picture. Only the first 64 KiB are read.

#include <cstdint>
#include <string>

namespace zephra {

class PluginState;

enum eImageType : int32_t { itUNKNOWN = 0, itGIF = 1, itJPEG = 2, itPNG = 3, itBMP = 4 };

class ImageInfo {
public:
    explicit ImageInfo(PluginState& state) : state_(state) {}

    int32_t Width() const noexcept { return width_; }
    int32_t Height() const noexcept { return height_; }
    uint8_t Depth() const noexcept { return depth_; }
    eImageType ImageType() const noexcept { return type_; }

    // Reads the file's header; afterwards the four properties describe it. A file that cannot be
    // read is logged as "ReadImageInfo file " & the name & ": " and keeps what was found so far.
    void ReadImageInfo(const std::string& sFileName);

private:
    PluginState& state_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint8_t depth_ = 0;
    eImageType type_ = itUNKNOWN;
};

}  // namespace zephra
