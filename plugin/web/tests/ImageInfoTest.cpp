// Picture headers of files made by a real image tool, and hand-made headers for the edges.

#include "web/ImageInfo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "core/tests/PluginTestBed.h"

namespace zephra {
namespace {

using testing::PluginTestBed;

std::string BytesOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct ImageBed : PluginTestBed {
    // A picture made by ImageMagick; returns its path.
    std::filesystem::path Make(const std::string& name, const std::string& options, const std::string& format = "") {
        const auto path = app.path() / name;
        const std::string command = "convert " + options + " '" + format + path.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path;
    }
    ImageInfo Read(const std::filesystem::path& path) {
        ImageInfo info(state);
        info.ReadImageInfo(path.string());
        return info;
    }
};

void ExpectInfo(const ImageInfo& info, eImageType type, int32_t width, int32_t height, int depth) {
    EXPECT_EQ(info.ImageType(), type);
    EXPECT_EQ(info.Width(), width);
    EXPECT_EQ(info.Height(), height);
    EXPECT_EQ(info.Depth(), depth);
}

TEST(ImageInfo, ReadsTheFourKindsMadeByARealTool) {
    ImageBed bed;
    ExpectInfo(bed.Read(bed.Make("a.png", "-size 640x480 gradient:red-blue -type TrueColor -depth 8", "PNG24:")), itPNG,
               640, 480, 24);
    ExpectInfo(bed.Read(bed.Make("b.gif", "-size 300x200 xc:red")), itGIF, 300, 200, 1);
    ExpectInfo(bed.Read(bed.Make("c.bmp", "-size 120x90 xc:green -type TrueColor", "BMP3:")), itBMP, 120, 90, 24);
    ExpectInfo(bed.Read(bed.Make("d.jpg", "-size 400x300 gradient:white-black -type TrueColor")), itJPEG, 400, 300, 24);
    ExpectInfo(bed.Read(bed.Make("e.jpg", "-size 64x48 xc:gray -colorspace Gray")), itJPEG, 64, 48, 8);
}

TEST(ImageInfo, JpegSegmentsAreWalkedWithinTheFirst64KiB) {
    ImageBed bed;
    const std::string jpeg = BytesOf(bed.Make("f.jpg", "-size 200x100 xc:blue"));
    // A comment segment spliced in after the start of image.
    auto withComment = [&](std::size_t length) {
        std::string segment = "\xFF\xFE";
        segment += static_cast<char>((length + 2) >> 8);
        segment += static_cast<char>((length + 2) & 0xFF);
        segment += std::string(length, 'c');
        return jpeg.substr(0, 2) + segment + jpeg.substr(2);
    };
    bed.app.write("comment8k.jpg", withComment(8192));
    ExpectInfo(bed.Read(bed.app.path() / "comment8k.jpg"), itJPEG, 200, 100, 24);
    bed.app.write("comment65k.jpg", withComment(65530));
    ExpectInfo(bed.Read(bed.app.path() / "comment65k.jpg"), itUNKNOWN, 0, 0, 0);
}

TEST(ImageInfo, EdgesOfTheHeaders) {
    ImageBed bed;
    // A PNG wider than 65535 pixels: the low 16 bits of its width.
    std::string png = "\x89PNG\r\n\x1a\n";
    png += std::string("\0\0\0\x0dIHDR", 8);
    png += std::string("\x00\x01\x11\x70\x00\x00\x01\xE0\x08\x02", 10);
    bed.app.write("wide.png", png);
    ExpectInfo(bed.Read(bed.app.path() / "wide.png"), itPNG, 0x1170, 480, 24);
    png[25] = 5;  // no such colour type
    bed.app.write("odd.png", png);
    ExpectInfo(bed.Read(bed.app.path() / "odd.png"), itUNKNOWN, 0, 0, 0);

    bed.app.write("f7.gif", std::string("GIF89a\x10\x00\x20\x00\xF7", 11));
    ExpectInfo(bed.Read(bed.app.path() / "f7.gif"), itGIF, 16, 32, 8);
    bed.app.write("text.txt", "just some words\n");
    ExpectInfo(bed.Read(bed.app.path() / "text.txt"), itUNKNOWN, 0, 0, 0);
    // A start of image at the very end of the buffer, and segment lengths that run off it.
    bed.app.write("tail.jpg", std::string(65530, '\0') + "\xFF\xD8\xFF\xE0\xFF\xFF");
    ExpectInfo(bed.Read(bed.app.path() / "tail.jpg"), itUNKNOWN, 0, 0, 0);
    bed.app.write("runaway.jpg", std::string("\xFF\xD8\xFF\xE0\xFF\xF0", 6));
    ExpectInfo(bed.Read(bed.app.path() / "runaway.jpg"), itUNKNOWN, 0, 0, 0);
    EXPECT_TRUE(bed.Log().empty());

    bed.Read(bed.app.path() / "missing.png");
    EXPECT_EQ(bed.Log().back().rfind(
                  "dkvZephra|ReadImageInfo file " + (bed.app.path() / "missing.png").string() + ":  Line", 0),
              0u)
        << bed.Log().back();
}

}  // namespace
}  // namespace zephra
