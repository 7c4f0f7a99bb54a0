#pragma once
// The picture resizer ("SfImageResize.ImageResize"): loads a JPEG, GIF, PNG or BMP picture,
// scales it to a new width keeping its proportions, and saves it in the format it was loaded
// from, whatever the new file's name; an animated GIF keeps every frame, its delays and its
// loop count. A JPEG is decoded only when it is resized, at the smallest of 1/1, 1/2, 1/4, 1/8
// of its size that leaves the new picture sharp, so a photo of any size is shrunk quickly and
// within the memory bound. Files are written with the mode the process gives new files.
// Failures raise vb::Error: 53 for a file that cannot be opened or written, 481 "Invalid
// picture" for one that is no picture it can read (or too large to hold), 5 for a resize or save
// without a loaded picture or with a width below 1.

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
    void SaveToFile(const std::string& path);

    // The loaded (or resized) picture's size.
    int32_t PixelWidth() const noexcept { return pixelWidth_; }
    int32_t PixelHeight() const noexcept { return pixelHeight_; }
    // The loaded picture's format: "jpeg", "gif", "png", "bmp"; "" before a load.
    const std::string& Format() const noexcept { return format_; }

    // One picture of the file: a still picture has one, an animated GIF one per frame.
    struct Frame {
        std::vector<uint8_t> pixels;  // rows of pixelWidth_ × components_ bytes
        int32_t delay = 0;            // hundredths of a second before the next frame
    };

private:
    // Decodes a JPEG loaded but not decoded yet, at a size fit for a new width (0: its own).
    void DecodeJpeg(int32_t newWidth);

    double width_ = 0;
    int32_t pixelWidth_ = 0;
    int32_t pixelHeight_ = 0;
    int32_t components_ = 0;  // 3 (RGB) or 4 (RGB and alpha)
    std::vector<Frame> frames_;
    int32_t loopCount_ = -1;  // an animation's loop count (0: for ever); -1: none given
    std::string jpegFile_;    // a JPEG still to be decoded
    std::string format_;
};

}  // namespace windows
