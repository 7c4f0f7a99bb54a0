#include "windows/ImageResize.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <fcntl.h>
#include <gif_lib.h>
#include <unistd.h>

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
// A JPEG is decoded at a fraction of its size: a photo of up to this many pixels is shrunk.
constexpr int64_t kMaxJpegPixels = 4 * kMaxPixels;
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

// The writer on a file made with the mode every new file gets (giflib's own open makes it 0600).
GifFileType* openGif(const std::string& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) vb::raise(vb::errors::FileNotFound);
    int error = 0;
    GifFileType* gif = EGifOpenFileHandle(fd, &error);
    if (!gif) {
        ::close(fd);
        vb::raise(vb::errors::FileNotFound);
    }
    return gif;
}

using ColourMap = std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)>;

// The picture's colour map, its size a power of two (at least two entries), and its bits.
ColourMap colourMap(Indexed& picture, int& bits) {
    bits = 1;
    while ((1u << bits) < picture.colours.size()) ++bits;
    picture.colours.resize(std::size_t{1} << bits, GifColorType{0, 0, 0});
    ColourMap map(GifMakeMapObject(1 << bits, picture.colours.data()), GifFreeMapObject);
    if (!map) vb::raise(vb::errors::InvalidProcedureCall);
    return map;
}

bool putLines(GifFileType* gif, Indexed& picture, int32_t width, int32_t height) {
    bool ok = true;
    for (int32_t y = 0; ok && y < height; ++y)
        ok = EGifPutLine(gif, picture.indices.data() + static_cast<std::size_t>(y) * width, width) == GIF_OK;
    return ok;
}

void writeGif(const std::string& file, const std::vector<uint8_t>& pixels, int32_t width, int32_t height,
              int32_t components) {
    Indexed picture = indexColours(pixels, width, height, components);
    int bits = 1;
    ColourMap map = colourMap(picture, bits);

    GifFileType* gif = openGif(file);
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
    ok = ok && putLines(gif, picture, width, height);
    // Closing frees the writer whatever happened, and flushes what is left.
    int error = 0;
    if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
    if (!ok) vb::raise(vb::errors::FileNotFound);
}

// An animation: every frame whole, with its own colours and delay, each drawn on a cleared
// screen; the loop count as the source gave it.
void writeAnimatedGif(const std::string& file, const std::vector<ImageResize::Frame>& frames, int32_t width,
                      int32_t height, int32_t loopCount) {
    GifFileType* gif = openGif(file);
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, nullptr) == GIF_OK;
    if (ok && loopCount >= 0) {
        static const GifByteType kNetscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        const GifByteType loops[] = {1, static_cast<GifByteType>(loopCount & 0xFF),
                                     static_cast<GifByteType>((loopCount >> 8) & 0xFF)};
        ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
             EGifPutExtensionBlock(gif, sizeof kNetscape, kNetscape) == GIF_OK &&
             EGifPutExtensionBlock(gif, sizeof loops, loops) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
    }
    for (const ImageResize::Frame& frame : frames) {
        if (!ok) break;
        Indexed picture = indexColours(frame.pixels, width, height, 4);
        int bits = 1;
        ColourMap map = colourMap(picture, bits);
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_BACKGROUND;
        control.DelayTime = frame.delay;
        control.TransparentColor = picture.transparent >= 0 ? picture.transparent : NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
             EGifPutImageDesc(gif, 0, 0, width, height, false, map.get()) == GIF_OK &&
             putLines(gif, picture, width, height);
    }
    int error = 0;
    if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
    if (!ok) vb::raise(vb::errors::FileNotFound);
}

// ---- GIF reading (giflib), for animations: each frame drawn over what the ones before left.

struct GifReader {
    GifFileType* gif = nullptr;
    explicit GifReader(const std::string& file) {
        int error = 0;
        gif = DGifOpenFileName(file.c_str(), &error);
        if (!gif) vb::raise(kInvalidPicture);
    }
    ~GifReader() {
        int error = 0;
        if (gif) DGifCloseFile(gif, &error);
    }
    GifReader(const GifReader&) = delete;
    GifReader& operator=(const GifReader&) = delete;
};

// The number of frames of a GIF file (0 for a file giflib cannot read), read without decoding.
int gifFrameCount(const std::string& file) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(file.c_str(), &error);
    if (!gif) return 0;
    int frames = 0;
    bool ok = true;
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    while (ok && DGifGetRecordType(gif, &record) == GIF_OK && record != TERMINATE_RECORD_TYPE) {
        int code = 0;
        GifByteType* block = nullptr;
        if (record == IMAGE_DESC_RECORD_TYPE) {
            ok = DGifGetImageDesc(gif) == GIF_OK && DGifGetCode(gif, &code, &block) == GIF_OK;
            while (ok && block) ok = DGifGetCodeNext(gif, &block) == GIF_OK;
            if (ok) ++frames;
        } else if (record == EXTENSION_RECORD_TYPE) {
            ok = DGifGetExtension(gif, &code, &block) == GIF_OK;
            while (ok && block) ok = DGifGetExtensionNext(gif, &block) == GIF_OK;
        }
    }
    DGifCloseFile(gif, &error);
    return frames;
}

// Every frame of an animated GIF as the screen shows it, RGBA.
std::vector<ImageResize::Frame> readGifFrames(const std::string& file, int32_t& width, int32_t& height,
                                              int32_t& loopCount) {
    GifReader reader(file);
    GifFileType* gif = reader.gif;
    width = gif->SWidth;
    height = gif->SHeight;
    if (width < 1 || height < 1 || static_cast<int64_t>(width) * height > kMaxPixels) vb::raise(kInvalidPicture);
    const auto area = static_cast<std::size_t>(width) * height;
    std::vector<uint8_t> screen(area * 4, 0);
    std::vector<ImageResize::Frame> frames;
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    loopCount = -1;
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    while (true) {
        if (DGifGetRecordType(gif, &record) != GIF_OK) vb::raise(kInvalidPicture);
        if (record == TERMINATE_RECORD_TYPE) break;
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) != GIF_OK) vb::raise(kInvalidPicture);
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
                DGifExtensionToGCB(block[0], block + 1, &control);
            const bool netscape = code == APPLICATION_EXT_FUNC_CODE && block && block[0] == 11 &&
                                  std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0;
            while (block) {
                if (DGifGetExtensionNext(gif, &block) != GIF_OK) vb::raise(kInvalidPicture);
                if (netscape && block && block[0] >= 3 && block[1] == 1) loopCount = block[2] | (block[3] << 8);
            }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif) != GIF_OK) vb::raise(kInvalidPicture);
        const GifImageDesc& desc = gif->Image;
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (desc.Width < 1 || desc.Height < 1 || static_cast<int64_t>(desc.Width) * desc.Height > kMaxPixels)
            vb::raise(kInvalidPicture);
        // Every frame kept counts against the bound, with the screen they are drawn on.
        if (static_cast<int64_t>(frames.size() + 2) * static_cast<int64_t>(area) > kMaxPixels)
            vb::raise(kInvalidPicture);
        std::vector<GifPixelType> indices(static_cast<std::size_t>(desc.Width) * desc.Height);
        auto readRow = [&](int32_t row) {
            if (DGifGetLine(gif, indices.data() + static_cast<std::size_t>(row) * desc.Width, desc.Width) != GIF_OK)
                vb::raise(kInvalidPicture);
        };
        if (desc.Interlace) {
            static const int32_t kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int32_t row = kStart[pass]; row < desc.Height; row += kStep[pass]) readRow(row);
        } else {
            for (int32_t row = 0; row < desc.Height; ++row) readRow(row);
        }
        const std::vector<uint8_t> before = control.DisposalMode == DISPOSE_PREVIOUS ? screen : std::vector<uint8_t>();
        // The frame's part of the screen; what lies outside the screen is not drawn.
        const int32_t left = desc.Left, top = desc.Top;
        const int32_t right = std::min<int32_t>(width, left + desc.Width);
        const int32_t bottom = std::min<int32_t>(height, top + desc.Height);
        for (int32_t y = std::max(top, 0); y < bottom; ++y) {
            for (int32_t x = std::max(left, 0); x < right; ++x) {
                const int index = indices[static_cast<std::size_t>(y - top) * desc.Width + (x - left)];
                if (index == control.TransparentColor || !map || index >= map->ColorCount) continue;
                uint8_t* p = &screen[(static_cast<std::size_t>(y) * width + x) * 4];
                p[0] = map->Colors[index].Red;
                p[1] = map->Colors[index].Green;
                p[2] = map->Colors[index].Blue;
                p[3] = 255;
            }
        }
        frames.push_back({screen, control.DelayTime});
        if (control.DisposalMode == DISPOSE_BACKGROUND) {
            for (int32_t y = std::max(top, 0); y < bottom; ++y)
                for (int32_t x = std::max(left, 0); x < right; ++x)
                    std::memset(&screen[(static_cast<std::size_t>(y) * width + x) * 4], 0, 4);
        } else if (control.DisposalMode == DISPOSE_PREVIOUS) {
            screen = before;
        }
        control = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    }
    if (frames.empty()) vb::raise(kInvalidPicture);
    return frames;
}

// Each new pixel is the average of the source pixels it covers (or the nearest one when
// enlarging), so that shrinking does not alias. Colours are weighted by their opacity, so that
// the colour hidden under a transparent pixel does not bleed into its neighbours.
std::vector<uint8_t> scaled(const std::vector<uint8_t>& pixels, int32_t width, int32_t height, int32_t components,
                            int32_t newWidth, int32_t newHeight) {
    const bool alpha = components == 4;
    std::vector<uint8_t> out(static_cast<std::size_t>(newWidth) * newHeight * components);
    const double sx = static_cast<double>(width) / newWidth;
    const double sy = static_cast<double>(height) / newHeight;
    for (int32_t y = 0; y < newHeight; ++y) {
        const auto y0 = static_cast<int32_t>(y * sy);
        const int32_t y1 = std::max(y0 + 1, std::min(height, static_cast<int32_t>((y + 1) * sy)));
        for (int32_t x = 0; x < newWidth; ++x) {
            const auto x0 = static_cast<int32_t>(x * sx);
            const int32_t x1 = std::max(x0 + 1, std::min(width, static_cast<int32_t>((x + 1) * sx)));
            uint64_t sums[3] = {0, 0, 0};
            uint64_t weight = 0;
            for (int32_t yy = y0; yy < y1; ++yy) {
                for (int32_t xx = x0; xx < x1; ++xx) {
                    const uint8_t* p = &pixels[(static_cast<std::size_t>(yy) * width + xx) * components];
                    const uint64_t a = alpha ? p[3] : 1;
                    for (int c = 0; c < 3; ++c) sums[c] += p[c] * a;
                    weight += a;
                }
            }
            const auto count = static_cast<uint64_t>(y1 - y0) * (x1 - x0);
            uint8_t* q = &out[(static_cast<std::size_t>(y) * newWidth + x) * components];
            for (int c = 0; c < 3; ++c) q[c] = weight == 0 ? 0 : static_cast<uint8_t>((sums[c] + weight / 2) / weight);
            if (alpha) q[3] = static_cast<uint8_t>((weight + count / 2) / count);
        }
    }
    return out;
}

// The pixels of a decoded picture, row by row without the library's padding.
std::vector<uint8_t> pixelsOf(GdkPixbuf* picture, int32_t& width, int32_t& height, int32_t& components) {
    if (!picture || gdk_pixbuf_get_colorspace(picture) != GDK_COLORSPACE_RGB ||
        gdk_pixbuf_get_bits_per_sample(picture) != 8)
        vb::raise(kInvalidPicture);
    width = gdk_pixbuf_get_width(picture);
    height = gdk_pixbuf_get_height(picture);
    components = gdk_pixbuf_get_n_channels(picture);
    if (width < 1 || height < 1 || static_cast<int64_t>(width) * height > kMaxPixels ||
        (components != 3 && components != 4))
        vb::raise(kInvalidPicture);
    const int stride = gdk_pixbuf_get_rowstride(picture);
    const guchar* rows = gdk_pixbuf_read_pixels(picture);
    const auto rowBytes = static_cast<std::size_t>(width) * components;
    std::vector<uint8_t> pixels(rowBytes * height);
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(pixels.data() + rowBytes * y, rows + static_cast<std::size_t>(stride) * y, rowBytes);
    return pixels;
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
    if (known == kFormats.end() || width < 1 || height < 1) vb::raise(kInvalidPicture);
    const std::string kind = *known;

    if (kind == "jpeg") {
        // Decoded when the new width is known, at a fraction of its size; the decoder still
        // keeps some bytes per source pixel, so the source has a bound of its own.
        if (static_cast<int64_t>(width) * height > kMaxJpegPixels) vb::raise(kInvalidPicture);
        frames_.clear();
        jpegFile_ = file;
        pixelWidth_ = width;
        pixelHeight_ = height;
        components_ = 3;
        loopCount_ = -1;
        format_ = kind;
        return;
    }
    if (static_cast<int64_t>(width) * height > kMaxPixels) vb::raise(kInvalidPicture);
    std::vector<Frame> frames;
    int32_t w = 0, h = 0, components = 0, loops = -1;
    if (kind == "gif" && gifFrameCount(file) > 1) {
        frames = readGifFrames(file, w, h, loops);
        components = 4;
    } else {
        GError* error = nullptr;
        Pixbuf picture(gdk_pixbuf_new_from_file(file.c_str(), &error));
        forget(error);
        frames.push_back({pixelsOf(picture.get(), w, h, components), 0});
    }
    jpegFile_.clear();
    pixelWidth_ = w;
    pixelHeight_ = h;
    components_ = components;
    frames_ = std::move(frames);
    loopCount_ = loops;
    format_ = kind;
}

void ImageResize::DecodeJpeg(int32_t newWidth) {
    if (jpegFile_.empty()) return;
    // The smallest fraction that still leaves two source pixels for each new one.
    int32_t fraction = 1;
    auto part = [](int32_t size, int32_t f) { return (size + f - 1) / f; };
    while (fraction < 8 && newWidth > 0 && part(pixelWidth_, fraction * 2) >= 2 * newWidth) fraction *= 2;
    while (fraction < 8 &&
           static_cast<int64_t>(part(pixelWidth_, fraction)) * part(pixelHeight_, fraction) > kMaxPixels)
        fraction *= 2;
    GError* error = nullptr;
    Pixbuf picture(gdk_pixbuf_new_from_file_at_scale(jpegFile_.c_str(), part(pixelWidth_, fraction),
                                                     part(pixelHeight_, fraction), false, &error));
    forget(error);
    int32_t w = 0, h = 0, components = 0;
    std::vector<uint8_t> pixels = pixelsOf(picture.get(), w, h, components);
    jpegFile_.clear();
    pixelWidth_ = w;
    pixelHeight_ = h;
    components_ = components;
    frames_.assign(1, Frame{std::move(pixels), 0});
}

void ImageResize::DoResize() {
    const auto newWidth = static_cast<int32_t>(std::lround(width_));
    if ((frames_.empty() && jpegFile_.empty()) || newWidth < 1) vb::raise(vb::errors::InvalidProcedureCall);
    const int32_t newHeight = std::max<int32_t>(
        1, static_cast<int32_t>(std::lround(static_cast<double>(pixelHeight_) * newWidth / pixelWidth_)));
    if (static_cast<int64_t>(newWidth) * newHeight * std::max<std::size_t>(frames_.size(), 1) > kMaxPixels)
        vb::raise(vb::errors::InvalidProcedureCall);
    DecodeJpeg(newWidth);
    for (Frame& frame : frames_)
        frame.pixels = scaled(frame.pixels, pixelWidth_, pixelHeight_, components_, newWidth, newHeight);
    pixelWidth_ = newWidth;
    pixelHeight_ = newHeight;
}

void ImageResize::SaveToFile(const std::string& path) {
    if (frames_.empty() && jpegFile_.empty()) vb::raise(vb::errors::InvalidProcedureCall);
    DecodeJpeg(0);
    const std::string file = nativeName(path);
    if (frames_.size() > 1) return writeAnimatedGif(file, frames_, pixelWidth_, pixelHeight_, loopCount_);
    const std::vector<uint8_t>& pixels = frames_.front().pixels;
    if (format_ == "gif") return writeGif(file, pixels, pixelWidth_, pixelHeight_, components_);

    // The library only reads the pixels it is lent here.
    Pixbuf picture(gdk_pixbuf_new_from_data(const_cast<guchar*>(pixels.data()), GDK_COLORSPACE_RGB, components_ == 4, 8,
                                            pixelWidth_, pixelHeight_, pixelWidth_ * components_, nullptr, nullptr));
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
