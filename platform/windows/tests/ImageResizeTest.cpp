// The picture resizer on real JPEG, GIF, PNG and BMP files made by an image tool; what it
// writes is read back by the same tool.

#include "windows/ImageResize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>

#include <gif_lib.h>
#include <jpeglib.h>
#include <sys/stat.h>

#include "vb/Error.h"
#include "windows/testing/TempAppFolder.h"

namespace windows {
namespace {

int errorOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const vb::Error& e) {
        return e.number();
    }
    return 0;
}

TEST(ImageResize, ShrinksAJpegKeepingItsProportionsAndColours) {
    testing::TempAppFolder app;
    const auto source = app.path() / "big.jpg";
    ASSERT_EQ(std::system(("convert -size 400x300 xc:'rgb(200,40,40)' '" + source.string() + "'").c_str()), 0);

    ImageResize resizer;
    resizer.LoadFromFile("\\big.jpg");
    EXPECT_EQ(resizer.PixelWidth(), 400);
    EXPECT_EQ(resizer.PixelHeight(), 300);
    resizer.setWidth(100000.0 / 300);  // what the slideshow asks for "MaxPixels" 100000
    resizer.DoResize();
    resizer.SaveToFile("\\small.jpg");

    ImageResize again;
    again.LoadFromFile("\\small.jpg");
    EXPECT_EQ(again.PixelWidth(), 333);
    EXPECT_EQ(again.PixelHeight(), 250);
    const std::string probe = "convert '" + (app.path() / "small.jpg").string() +
                              "' -format '%[fx:int(255*mean.r)] %[fx:int(255*mean.g)]' info: > '" +
                              (app.path() / "mean.txt").string() + "'";
    ASSERT_EQ(std::system(probe.c_str()), 0);
    int red = 0, green = 0;
    ASSERT_EQ(std::sscanf(app.read("mean.txt").c_str(), "%d %d", &red, &green), 2);
    EXPECT_NEAR(red, 200, 6);
    EXPECT_NEAR(green, 40, 6);
}

// What the image tool says of a file: "FORMAT WIDTHxHEIGHT OPAQUE MEAN-RED MEAN-GREEN".
std::string identify(testing::TempAppFolder& app, const std::string& name) {
    const std::string command =
        "identify -format '%m %wx%h %[opaque] %[fx:int(255*mean.r)] %[fx:int(255*mean.g)]\\n' '" +
        (app.path() / name).string() + "[0]' > '" + (app.path() / "identify.txt").string() + "'";
    if (std::system(command.c_str()) != 0) return "unreadable";
    std::string line = app.read("identify.txt");
    return line.substr(0, line.find('\n'));
}

// Each format is written as the format it was read in, even under another name.
TEST(ImageResize, KeepsEachPicturesFormat) {
    testing::TempAppFolder app;
    struct Case {
        const char* source;
        const char* made;  // the image tool's output, "png:" first to choose the format
        const char* format;
        const char* expected;
    };
    const Case cases[] = {
        {"big.gif", "big.gif", "gif", "GIF 333x250 true"},
        {"big.png", "big.png", "png", "PNG 333x250 true"},
        {"big.bmp", "big.bmp", "bmp", "BMP3 333x250 true"},
        {"big.jpg", "big.jpg", "jpeg", "JPEG 333x250 true"},
        // Named .gif, holding PNG: stays PNG.
        {"odd.gif", "png:odd.gif", "png", "PNG 333x250 true"},
    };
    for (const Case& c : cases) {
        const std::string made =
            "cd '" + app.path().string() + "' && convert -size 400x300 xc:'rgb(200,40,40)' -type TrueColor " + c.made;
        ASSERT_EQ(std::system(made.c_str()), 0) << made;
        ImageResize resizer;
        resizer.LoadFromFile(std::string("\\") + c.source);
        EXPECT_EQ(resizer.Format(), c.format) << c.source;
        EXPECT_EQ(resizer.PixelWidth(), 400);
        resizer.setWidth(100000.0 / 300);
        resizer.DoResize();
        const std::string out = std::string("small-") + c.source;
        resizer.SaveToFile("\\" + out);
        const std::string seen = identify(app, out);
        EXPECT_EQ(seen.substr(0, std::strlen(c.expected)), c.expected) << c.source;
        int red = 0, green = 0;
        ASSERT_EQ(std::sscanf(seen.c_str() + std::min(seen.size(), std::strlen(c.expected)), "%d %d", &red, &green), 2)
            << seen;
        EXPECT_NEAR(red, 200, 3) << c.source;
        EXPECT_NEAR(green, 40, 3) << c.source;
    }
}

// A GIF with a transparent half and many colours: the half stays transparent, and the colours
// are brought down to what a GIF holds.
TEST(ImageResize, AGifKeepsItsTransparencyAndGetsAPalette) {
    testing::TempAppFolder app;
    const std::string source = (app.path() / "clear.png").string();
    ASSERT_EQ(
        std::system(("convert -size 400x300 gradient:red-blue -alpha set -region 200x300+0+0 -alpha transparent '" +
                     source + "'")
                        .c_str()),
        0);
    ASSERT_EQ(std::system(("convert '" + source + "' '" + (app.path() / "clear.gif").string() + "'").c_str()), 0);
    ImageResize resizer;
    resizer.LoadFromFile("\\clear.gif");
    ASSERT_EQ(resizer.Format(), "gif");
    resizer.setWidth(200);
    resizer.DoResize();
    resizer.SaveToFile("\\half.gif");
    // Left side transparent, right side opaque, and a gradient of colours in between.
    const std::string probe = "convert '" + (app.path() / "half.gif").string() +
                              "' -format '%wx%h %[fx:p{10,75}.a] %[fx:p{190,75}.a] %k' info: > '" +
                              (app.path() / "probe.txt").string() + "'";
    ASSERT_EQ(std::system(probe.c_str()), 0);
    int width = 0, height = 0, colours = 0;
    double left = -1, right = -1;
    ASSERT_EQ(std::sscanf(app.read("probe.txt").c_str(), "%dx%d %lf %lf %d", &width, &height, &left, &right, &colours),
              5);
    EXPECT_EQ(width, 200);
    EXPECT_EQ(height, 150);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 1);
    EXPECT_GT(colours, 16);
    EXPECT_LE(colours, 256);
}

TEST(ImageResize, RefusesWhatItCannotLoadOrScale) {
    testing::TempAppFolder app;
    app.write("text.jpg", "not a picture at all");
    ImageResize resizer;
    EXPECT_EQ(errorOf([&] { resizer.LoadFromFile("\\missing.jpg"); }), 53);
    EXPECT_EQ(errorOf([&] { resizer.LoadFromFile("\\text.jpg"); }), 481);
    resizer.setWidth(50);
    EXPECT_EQ(errorOf([&] { resizer.DoResize(); }), 5);
    EXPECT_EQ(errorOf([&] { resizer.SaveToFile("\\out.jpg"); }), 5);
}

// A grey photo of any size, written row by row: 12000 x 9000 is beyond what the image tool will
// hold in memory here.
void writeGreyJpeg(const std::filesystem::path& file, int width, int height) {
    std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(file.c_str(), "wb"), std::fclose);
    ASSERT_TRUE(out);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out.get());
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width), 128);
    JSAMPROW rows[] = {row.data()};
    while (info.next_scanline < info.image_height) jpeg_write_scanlines(&info, rows, 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
}

// A photo of 12000 x 9000 (108 megapixels, beyond the bound of a decoded picture) is shrunk all
// the same, decoded at a fraction of its size; a GIF whose screen is that large is refused.
TEST(ImageResize, ShrinksAPhotoLargerThanTheDecodeBound) {
    testing::TempAppFolder app;
    writeGreyJpeg(app.path() / "huge.jpg", 12000, 9000);
    ImageResize resizer;
    resizer.LoadFromFile("\\huge.jpg");
    EXPECT_EQ(resizer.PixelWidth(), 12000);
    EXPECT_EQ(resizer.PixelHeight(), 9000);
    resizer.setWidth(100000.0 / 9000);  // "MaxPixels" 100000
    resizer.DoResize();
    resizer.SaveToFile("\\small.jpg");
    EXPECT_EQ(identify(app, "small.jpg"), "JPEG 11x8 true 128 128");

    ASSERT_EQ(
        std::system(
            ("convert -size 2x2 xc:red -page 12000x9000+0+0 '" + (app.path() / "huge.gif").string() + "'").c_str()),
        0);
    EXPECT_EQ(errorOf([&] { resizer.LoadFromFile("\\huge.gif"); }), 481);
}

// What the image tool says of each frame of a file: "WIDTHxHEIGHT DELAY MEAN-RED MEAN-GREEN
// MEAN-BLUE", one line a frame.
std::string frames(testing::TempAppFolder& app, const std::string& name) {
    const std::string command =
        "convert '" + (app.path() / name).string() +
        "' -coalesce -format '%wx%h %T %[fx:int(255*mean.r)] %[fx:int(255*mean.g)] %[fx:int(255*mean.b)]\\n' info: > '" +
        (app.path() / "frames.txt").string() + "'";
    if (std::system(command.c_str()) != 0) return "unreadable";
    return app.read("frames.txt");
}

// The loop count of a GIF as giflib reads it; -1 when it gives none.
int loopsOf(const std::filesystem::path& file) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(file.c_str(), &error);
    if (!gif) return -2;
    int loops = -1;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& image = gif->SavedImages[i];
            for (int e = 0; e + 1 < image.ExtensionBlockCount; ++e) {
                const ExtensionBlock& block = image.ExtensionBlocks[e];
                if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                    std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 && image.ExtensionBlocks[e + 1].ByteCount >= 3)
                    loops = image.ExtensionBlocks[e + 1].Bytes[1] | (image.ExtensionBlocks[e + 1].Bytes[2] << 8);
            }
        }
    }
    DGifCloseFile(gif, &error);
    return loops;
}

mode_t modeOf(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return 0;
    return info.st_mode & 07777;
}

// An animated GIF keeps its three frames, their delays and colours, and its loop count; a frame
// drawn on part of the screen over the one before shows both. Every picture written gets the
// mode new files get.
TEST(ImageResize, AnAnimatedGifKeepsEveryFrame) {
    testing::TempAppFolder app;
    const std::string made = "cd '" + app.path().string() +
                             "' && convert -delay 20 -size 400x300 xc:red xc:lime xc:blue -loop 3 anim.gif"
                             " && convert -delay 50 -size 400x300 xc:red -delay 70 -page +200+0 -size 200x300"
                             " xc:blue -loop 0 part.gif"
                             " && convert -size 400x300 xc:red still.gif && convert -size 400x300 xc:red still.jpg";
    ASSERT_EQ(std::system(made.c_str()), 0);
    const mode_t mask = ::umask(022);
    auto shrink = [&](const std::string& from, const std::string& to) {
        ImageResize resizer;
        resizer.LoadFromFile("\\" + from);
        resizer.setWidth(200);
        resizer.DoResize();
        resizer.SaveToFile("\\" + to);
    };
    shrink("anim.gif", "small-anim.gif");
    shrink("part.gif", "small-part.gif");
    shrink("still.gif", "small-still.gif");
    shrink("still.jpg", "small-still.jpg");
    ::umask(mask);
    EXPECT_EQ(frames(app, "small-anim.gif"), "200x150 20 255 0 0\n200x150 20 0 255 0\n200x150 20 0 0 255\n");
    EXPECT_GE(loopsOf(app.path() / "anim.gif"), 1);
    EXPECT_EQ(loopsOf(app.path() / "small-anim.gif"), loopsOf(app.path() / "anim.gif"));
    // The right half drawn blue over the red: half red, half blue.
    EXPECT_EQ(frames(app, "small-part.gif"), "200x150 50 255 0 0\n200x150 70 127 0 127\n");
    EXPECT_EQ(loopsOf(app.path() / "small-part.gif"), 0);
    EXPECT_EQ(frames(app, "small-still.gif"), "200x150 0 255 0 0\n");
    for (const char* name : {"small-anim.gif", "small-part.gif", "small-still.gif", "small-still.jpg"})
        EXPECT_EQ(modeOf(app.path() / name), 0644) << name;
}

}  // namespace
}  // namespace windows
