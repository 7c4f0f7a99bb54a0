// Images: JPEG files through libjpeg, the other formats through GdkPixbuf; pixels are kept in a
// pixbuf that the image's release flags say whether it owns.
#include "photon/PxImage.h"
#include "photon/detail/Widget.h"

#include <jpeglib.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

namespace photon {

struct PhImageData {
    GdkPixbuf* pixbuf;
};

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void JpegFail(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }

void JpegQuiet(j_common_ptr) {}

void FreePixels(guchar* pixels, gpointer) { free(pixels); }

bool IsJpeg(FILE* f)
{
    unsigned char magic[3] = {};
    bool yes = fread(magic, 1, 3, f) == 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF;
    rewind(f);
    return yes;
}

// Decodes a JPEG file to RGB. NULL on damaged or unsupported data.
GdkPixbuf* LoadJpeg(FILE* f)
{
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    unsigned char* volatile pixels = nullptr;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    err.mgr.output_message = JpegQuiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        free(pixels);
        return nullptr;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const size_t width = cinfo.output_width, height = cinfo.output_height;
    if (width == 0 || height == 0 || width > 16384 || height > 16384 || cinfo.output_components != 3) {
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    const size_t stride = width * 3;
    pixels = static_cast<unsigned char*>(malloc(stride * height));
    if (!pixels) {
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels + cinfo.output_scanline * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return gdk_pixbuf_new_from_data(pixels, GDK_COLORSPACE_RGB, FALSE, 8, static_cast<int>(width),
                                    static_cast<int>(height), static_cast<int>(stride), FreePixels, nullptr);
}

}  // namespace

namespace detail {

GdkPixbuf* PixbufOf(const PhImage_t* image) { return image && image->data ? image->data->pixbuf : nullptr; }

PhImage_t* ImageFromPixbuf(GdkPixbuf* pixbuf)
{
    auto* img = static_cast<PhImage_t*>(calloc(1, sizeof(PhImage_t)));
    if (!img) return nullptr;
    img->type = Pg_IMAGE_DIRECT_8888;
    img->size = {static_cast<uint16_t>(gdk_pixbuf_get_width(pixbuf)),
                 static_cast<uint16_t>(gdk_pixbuf_get_height(pixbuf))};
    img->bpl = gdk_pixbuf_get_rowstride(pixbuf);
    img->flags = Ph_RELEASE_IMAGE_ALL;
    img->data = new PhImageData{GDK_PIXBUF(g_object_ref(pixbuf))};
    return img;
}

}  // namespace detail

PhImage_t* PxLoadImage(const char* path, PxMethods_t*)
{
    if (!path) {
        errno = EINVAL;
        return nullptr;
    }
    FILE* f = fopen(path, "rb");
    if (!f) return nullptr;
    GdkPixbuf* pb = nullptr;
    if (IsJpeg(f)) {
        pb = LoadJpeg(f);
        fclose(f);
    } else {
        fclose(f);
        pb = gdk_pixbuf_new_from_file(path, nullptr);
    }
    if (!pb) {
        errno = EILSEQ;
        return nullptr;
    }
    PhImage_t* img = detail::ImageFromPixbuf(pb);
    g_object_unref(pb);
    return img;
}

void PhReleaseImage(PhImage_t* image)
{
    if (!image || !image->data || !(image->flags & Ph_RELEASE_IMAGE)) return;
    g_object_unref(image->data->pixbuf);
    delete image->data;
    image->data = nullptr;
}

PhImage_t* PiDuplicateImage(const PhImage_t* image, unsigned short)
{
    GdkPixbuf* pb = detail::PixbufOf(image);
    if (!pb) return nullptr;
    GdkPixbuf* copy = gdk_pixbuf_copy(pb);
    if (!copy) return nullptr;
    PhImage_t* img = detail::ImageFromPixbuf(copy);
    g_object_unref(copy);
    return img;
}

}  // namespace photon
