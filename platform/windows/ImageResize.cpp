#include "windows/ImageResize.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "windows/PathMap.h"

namespace windows {

namespace {

constexpr int32_t kInvalidPicture = 481;
constexpr const char* kJpegQuality = "85";
// Pictures larger than this are refused rather than decoded into memory.
constexpr int64_t kMaxPixels = 64LL * 1024 * 1024;
// The formats the slideshow shows; GdkPixbuf reads them all and writes all but GIF.
constexpr std::array<const char*, 4> kFormats = {"jpeg", "gif", "png", "bmp"};

struct PixbufUnref {
    void operator()(GdkPixbuf* p) const { g_object_unref(p); }
};
using Pixbuf = std::unique_ptr<GdkPixbuf, PixbufUnref>;

// Drops the library's error text: the caller raises the error number instead.
void forget(GError* error) {
    if (error) g_error_free(error);
}

std::string nativeName(const std::string& path) { return MapPath(path).native.string(); }

bool readable(const std::string& file) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(file.c_str(), "rb"), std::fclose);
    return f != nullptr;
}

// ---- GIF writing (giflib): at most 256 colours, one of them for transparent pixels.

struct Indexed {
    std::vector<GifByteType> indices;
    std::vector<GifColorType> colours;
    int transparent = -1;
};

// Transparent where the pixel is less than half opaque.
bool clear(const uint8_t* pixel, int32_t components) { return components == 4 && pixel[3] < 128; }

// The picture's own colours when there are few enough, else a median-cut palette.
Indexed indexColours(const std::vector<uint8_t>& pixels, int32_t width, int32_t height, int32_t components) {
    const auto count = static_cast<std::size_t>(width) * height;
    Indexed out;
    out.indices.resize(count);
    bool anyClear = false;
    for (std::size_t i = 0; i < count && !anyClear; ++i) anyClear = clear(&pixels[i * components], components);
    const std::size_t room = anyClear ? 255 : 256;

    std::unordered_map<uint32_t, GifByteType> seen;
    bool exact = true;
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* p = &pixels[i * components];
        if (clear(p, components)) continue;
        const uint32_t key = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
        auto [at, added] = seen.try_emplace(key, static_cast<GifByteType>(seen.size()));
        if (added && seen.size() > room) {
            exact = false;
            break;
        }
        if (added) out.colours.push_back({p[0], p[1], p[2]});
        out.indices[i] = at->second;
    }
    if (!exact) {
        // The quantizer takes planes of red, green and blue and makes up to `size` colours.
        std::vector<GifByteType> red(count), green(count), blue(count);
        for (std::size_t i = 0; i < count; ++i) {
            red[i] = pixels[i * components];
            green[i] = pixels[i * components + 1];
            blue[i] = pixels[i * components + 2];
        }
        int size = anyClear ? 128 : 256;
        out.colours.assign(256, GifColorType{0, 0, 0});
        if (GifQuantizeBuffer(static_cast<unsigned>(width), static_cast<unsigned>(height), &size, red.data(),
                              green.data(), blue.data(), out.indices.data(), out.colours.data()) != GIF_OK)
            vb::raise(vb::errors::InvalidProcedureCall);
        out.colours.resize(static_cast<std::size_t>(size));
    }
    if (anyClear) {
        out.transparent = static_cast<int>(out.colours.size());
        out.colours.push_back({0, 0, 0});
        for (std::size_t i = 0; i < count; ++i)
            if (clear(&pixels[i * components], components)) out.indices[i] = static_cast<GifByteType>(out.transparent);
    }
    return out;
}

void writeGif(const std::string& file, const std::vector<uint8_t>& pixels, int32_t width, int32_t height,
              int32_t components) {
    Indexed picture = indexColours(pixels, width, height, components);
    // A colour map holds a power of two entries, at least two.
    int bits = 1;
    while ((1u << bits) < picture.colours.size()) ++bits;
    picture.colours.resize(std::size_t{1} << bits, GifColorType{0, 0, 0});
    std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(GifMakeMapObject(1 << bits, picture.colours.data()),
                                                                   GifFreeMapObject);
    if (!map) vb::raise(vb::errors::InvalidProcedureCall);

    int error = 0;
    GifFileType* gif = EGifOpenFileName(file.c_str(), false, &error);
    if (!gif) vb::raise(vb::errors::FileNotFound);
    bool ok = true;
    if (picture.transparent >= 0) {
        EGifSetGifVersion(gif, true);
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.TransparentColor = picture.transparent;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        ok = EGifPutScreenDesc(gif, width, height, bits, 0, map.get()) == GIF_OK &&
             EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
    } else {
        ok = EGifPutScreenDesc(gif, width, height, bits, 0, map.get()) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int32_t y = 0; ok && y < height; ++y)
        ok = EGifPutLine(gif, picture.indices.data() + static_cast<std::size_t>(y) * width, width) == GIF_OK;
    // Closing frees the writer whatever happened, and flushes what is left.
    if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
    if (!ok) vb::raise(vb::errors::FileNotFound);
}

}  // namespace

void ImageResize::LoadFromFile(const std::string& path) {
    const std::string file = nativeName(path);
    if (!readable(file)) vb::raise(vb::errors::FileNotFound);
    gint width = 0, height = 0;
    GdkPixbufFormat* format = gdk_pixbuf_get_file_info(file.c_str(), &width, &height);
    if (!format) vb::raise(kInvalidPicture);
    std::unique_ptr<gchar, void (*)(gpointer)> name(gdk_pixbuf_format_get_name(format), g_free);
    const auto known = std::find_if(kFormats.begin(), kFormats.end(),
                                    [&](const char* f) { return name && std::strcmp(name.get(), f) == 0; });
    if (known == kFormats.end() || static_cast<int64_t>(width) * height > kMaxPixels) vb::raise(kInvalidPicture);

    GError* error = nullptr;
    Pixbuf picture(gdk_pixbuf_new_from_file(file.c_str(), &error));
    forget(error);
    if (!picture || gdk_pixbuf_get_colorspace(picture.get()) != GDK_COLORSPACE_RGB ||
        gdk_pixbuf_get_bits_per_sample(picture.get()) != 8)
        vb::raise(kInvalidPicture);
    const int32_t w = gdk_pixbuf_get_width(picture.get());
    const int32_t h = gdk_pixbuf_get_height(picture.get());
    const int32_t components = gdk_pixbuf_get_n_channels(picture.get());
    if (w < 1 || h < 1 || static_cast<int64_t>(w) * h > kMaxPixels || (components != 3 && components != 4))
        vb::raise(kInvalidPicture);
    const int stride = gdk_pixbuf_get_rowstride(picture.get());
    const guchar* rows = gdk_pixbuf_read_pixels(picture.get());
    const auto rowBytes = static_cast<std::size_t>(w) * components;
    std::vector<uint8_t> pixels(rowBytes * h);
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(pixels.data() + rowBytes * y, rows + static_cast<std::size_t>(stride) * y, rowBytes);

    pixelWidth_ = w;
    pixelHeight_ = h;
    components_ = components;
    pixels_ = std::move(pixels);
    format_ = *known;
}

// Each new pixel is the average of the source pixels it covers (or the nearest one when
// enlarging), so that shrinking does not alias. Colours are weighted by their opacity, so that
// the colour hidden under a transparent pixel does not bleed into its neighbours.
void ImageResize::DoResize() {
    const auto newWidth = static_cast<int32_t>(std::lround(width_));
    if (pixels_.empty() || newWidth < 1) vb::raise(vb::errors::InvalidProcedureCall);
    const int32_t newHeight = std::max<int32_t>(
        1, static_cast<int32_t>(std::lround(static_cast<double>(pixelHeight_) * newWidth / pixelWidth_)));
    if (static_cast<int64_t>(newWidth) * newHeight > kMaxPixels) vb::raise(vb::errors::InvalidProcedureCall);
    const bool alpha = components_ == 4;
    std::vector<uint8_t> out(static_cast<std::size_t>(newWidth) * newHeight * components_);
    const double sx = static_cast<double>(pixelWidth_) / newWidth;
    const double sy = static_cast<double>(pixelHeight_) / newHeight;
    for (int32_t y = 0; y < newHeight; ++y) {
        const auto y0 = static_cast<int32_t>(y * sy);
        const int32_t y1 = std::max(y0 + 1, std::min(pixelHeight_, static_cast<int32_t>((y + 1) * sy)));
        for (int32_t x = 0; x < newWidth; ++x) {
            const auto x0 = static_cast<int32_t>(x * sx);
            const int32_t x1 = std::max(x0 + 1, std::min(pixelWidth_, static_cast<int32_t>((x + 1) * sx)));
            uint64_t sums[3] = {0, 0, 0};
            uint64_t weight = 0;
            for (int32_t yy = y0; yy < y1; ++yy) {
                for (int32_t xx = x0; xx < x1; ++xx) {
                    const uint8_t* p = &pixels_[(static_cast<std::size_t>(yy) * pixelWidth_ + xx) * components_];
                    const uint64_t a = alpha ? p[3] : 1;
                    for (int c = 0; c < 3; ++c) sums[c] += p[c] * a;
                    weight += a;
                }
            }
            const auto count = static_cast<uint64_t>(y1 - y0) * (x1 - x0);
            uint8_t* q = &out[(static_cast<std::size_t>(y) * newWidth + x) * components_];
            for (int c = 0; c < 3; ++c) q[c] = weight == 0 ? 0 : static_cast<uint8_t>((sums[c] + weight / 2) / weight);
            if (alpha) q[3] = static_cast<uint8_t>((weight + count / 2) / count);
        }
    }
    pixels_ = std::move(out);
    pixelWidth_ = newWidth;
    pixelHeight_ = newHeight;
}

void ImageResize::SaveToFile(const std::string& path) const {
    if (pixels_.empty()) vb::raise(vb::errors::InvalidProcedureCall);
    const std::string file = nativeName(path);
    if (format_ == "gif") return writeGif(file, pixels_, pixelWidth_, pixelHeight_, components_);

    // The library only reads the pixels it is lent here.
    Pixbuf picture(gdk_pixbuf_new_from_data(const_cast<guchar*>(pixels_.data()), GDK_COLORSPACE_RGB, components_ == 4,
                                            8, pixelWidth_, pixelHeight_, pixelWidth_ * components_, nullptr, nullptr));
    if (!picture) vb::raise(vb::errors::InvalidProcedureCall);
    GError* error = nullptr;
    const bool saved =
        format_ == "jpeg"
            ? gdk_pixbuf_save(picture.get(), file.c_str(), "jpeg", &error, "quality", kJpegQuality, nullptr)
            : gdk_pixbuf_save(picture.get(), file.c_str(), format_.c_str(), &error, nullptr);
    forget(error);
    if (!saved) vb::raise(vb::errors::FileNotFound);
}

}  // namespace windows
