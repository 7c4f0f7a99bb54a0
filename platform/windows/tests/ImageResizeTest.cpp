// The picture resizer on real JPEG, GIF, PNG and BMP files made by an image tool; what it
// writes is read back by the same tool.

#include "windows/ImageResize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

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

}  // namespace
}  // namespace windows
