#include "windows/ImageResize.h"

#include <jpeglib.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <memory>

#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "windows/PathMap.h"

namespace windows {

namespace {

constexpr int32_t kInvalidPicture = 481;
constexpr int kQuality = 85;
// Pictures larger than this are refused rather than decoded into memory.
constexpr int64_t kMaxPixels = 64LL * 1024 * 1024;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

File openFile(const std::string& path, const char* mode) {
    File file(std::fopen(MapPath(path).native.c_str(), mode));
    if (!file) vb::raise(vb::errors::FileNotFound);
    return file;
}

// libjpeg reports errors through a callback that must not return; it jumps back here.
struct ErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void onError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1); }

}  // namespace

void ImageResize::LoadFromFile(const std::string& path) {
    File file = openFile(path, "rb");
    jpeg_decompress_struct info{};
    ErrorJump error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = onError;
    std::vector<uint8_t> pixels;
    int32_t width = 0, height = 0, components = 0;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        vb::raise(kInvalidPicture);
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file.get());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = info.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&info);
    width = static_cast<int32_t>(info.output_width);
    height = static_cast<int32_t>(info.output_height);
    components = info.output_components;
    if (static_cast<int64_t>(width) * height > kMaxPixels) {
        jpeg_destroy_decompress(&info);
        vb::raise(kInvalidPicture);
    }
    pixels.resize(static_cast<std::size_t>(width) * height * components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.data() + static_cast<std::size_t>(info.output_scanline) * width * components;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    pixelWidth_ = width;
    pixelHeight_ = height;
    components_ = components;
    pixels_ = std::move(pixels);
}

// Each new pixel is the average of the source pixels it covers (or the nearest one when
// enlarging), so that shrinking does not alias.
void ImageResize::DoResize() {
    const auto newWidth = static_cast<int32_t>(std::lround(width_));
    if (pixels_.empty() || newWidth < 1) vb::raise(vb::errors::InvalidProcedureCall);
    const int32_t newHeight = std::max<int32_t>(
        1, static_cast<int32_t>(std::lround(static_cast<double>(pixelHeight_) * newWidth / pixelWidth_)));
    if (static_cast<int64_t>(newWidth) * newHeight > kMaxPixels) vb::raise(vb::errors::InvalidProcedureCall);
    std::vector<uint8_t> out(static_cast<std::size_t>(newWidth) * newHeight * components_);
    const double sx = static_cast<double>(pixelWidth_) / newWidth;
    const double sy = static_cast<double>(pixelHeight_) / newHeight;
    for (int32_t y = 0; y < newHeight; ++y) {
        const auto y0 = static_cast<int32_t>(y * sy);
        const int32_t y1 = std::max(y0 + 1, std::min(pixelHeight_, static_cast<int32_t>((y + 1) * sy)));
        for (int32_t x = 0; x < newWidth; ++x) {
            const auto x0 = static_cast<int32_t>(x * sx);
            const int32_t x1 = std::max(x0 + 1, std::min(pixelWidth_, static_cast<int32_t>((x + 1) * sx)));
            for (int32_t c = 0; c < components_; ++c) {
                uint64_t sum = 0;
                for (int32_t yy = y0; yy < y1; ++yy)
                    for (int32_t xx = x0; xx < x1; ++xx)
                        sum += pixels_[(static_cast<std::size_t>(yy) * pixelWidth_ + xx) * components_ + c];
                const auto count = static_cast<uint64_t>(y1 - y0) * (x1 - x0);
                out[(static_cast<std::size_t>(y) * newWidth + x) * components_ + c] =
                    static_cast<uint8_t>((sum + count / 2) / count);
            }
        }
    }
    pixels_ = std::move(out);
    pixelWidth_ = newWidth;
    pixelHeight_ = newHeight;
}

void ImageResize::SaveToFile(const std::string& path) const {
    if (pixels_.empty()) vb::raise(vb::errors::InvalidProcedureCall);
    File file = openFile(path, "wb");
    jpeg_compress_struct info{};
    ErrorJump error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = onError;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        vb::raise(vb::errors::FileNotFound);
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file.get());
    info.image_width = static_cast<JDIMENSION>(pixelWidth_);
    info.image_height = static_cast<JDIMENSION>(pixelHeight_);
    info.input_components = components_;
    info.in_color_space = components_ == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto row = const_cast<JSAMPROW>(pixels_.data() + static_cast<std::size_t>(info.next_scanline) * pixelWidth_ * components_);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
}

}  // namespace windows
