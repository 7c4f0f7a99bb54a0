// The picture resizer on real JPEG files made by an image tool.

#include "windows/ImageResize.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
