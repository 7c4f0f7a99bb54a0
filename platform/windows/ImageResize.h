#pragma once
// The picture resizer ("SfImageResize.ImageResize"): loads a JPEG, GIF, PNG or BMP picture,
// scales it to a new width keeping its proportions, and saves it in the format it was loaded
// from, whatever the new file's name. Failures raise vb::Error: 53 for a file that cannot be
// opened or written, 481 "Invalid picture" for one that is no picture it can read (or too
// large to hold), 5 for a resize or save without a loaded picture or with a width below 1.

#include <cstdint>
#include <string>
#include <vector>

namespace windows {

class ImageResize {
public:
    void LoadFromFile(const std::string& path);
    // The width DoResize scales to, in pixels (rounded to a whole number, at least 1).
    double Width() const noexcept { return width_; }
    void setWidth(double width) { width_ = width; }
    void DoResize();
    void SaveToFile(const std::string& path) const;

    // The loaded (or resized) picture's size.
    int32_t PixelWidth() const noexcept { return pixelWidth_; }
    int32_t PixelHeight() const noexcept { return pixelHeight_; }
    // The loaded picture's format: "jpeg", "gif", "png", "bmp"; "" before a load.
    const std::string& Format() const noexcept { return format_; }

private:
    double width_ = 0;
    int32_t pixelWidth_ = 0;
    int32_t pixelHeight_ = 0;
    int32_t components_ = 0;       // 3 (RGB) or 4 (RGB and alpha)
    std::vector<uint8_t> pixels_;  // rows of pixelWidth_ × components_ bytes
    std::string format_;
};

}  // namespace windows
