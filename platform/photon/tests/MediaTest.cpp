// Images from real JPEG, GIF and BMP files (made by ImageMagick at test time), damaged files,
// image copies on labels, and charset translation.
#include "PhotonFixture.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace photon::testing {
namespace {

using namespace photon::test;

std::string MakeImage(const std::string& name)
{
    std::string path = ::testing::TempDir() + name;
    std::string cmd = "convert -size 12x8 xc:'#00C000' '" + path + "'";
    EXPECT_EQ(system(cmd.c_str()), 0) << cmd;
    return path;
}

TEST_F(PhotonTest, ImagesLoadFromFilesAndSurviveDamage)
{
    for (const char* name : {"cover.jpg", "cover.gif", "cover.bmp"}) {
        std::string path = MakeImage(name);
        PhImage_t* img = PxLoadImage(path.c_str(), nullptr);
        ASSERT_NE(img, nullptr) << name;
        EXPECT_EQ(img->size.w, 12) << name;
        EXPECT_EQ(img->size.h, 8) << name;
        EXPECT_EQ(img->flags & Ph_RELEASE_IMAGE_ALL, Ph_RELEASE_IMAGE_ALL);

        // A copy with the low flag bits cleared shares nothing a label would free.
        PhImage_t* copy = PiDuplicateImage(img, 0);
        ASSERT_NE(copy, nullptr);
        copy->flags &= ~0xFu;
        PhReleaseImage(img);
        free(img);
        EXPECT_EQ(copy->size.w, 12);
        copy->flags |= Ph_RELEASE_IMAGE_ALL;
        PhReleaseImage(copy);
        free(copy);
    }

    // Damaged and missing files give no image and say why.
    std::string bad = ::testing::TempDir() + "bad.jpg";
    {
        std::ofstream f(bad, std::ios::binary);
        f << "\xFF\xD8\xFF\xE0 this is no picture";
    }
    errno = 0;
    EXPECT_EQ(PxLoadImage(bad.c_str(), nullptr), nullptr);
    EXPECT_NE(errno, 0);
    std::string cut = MakeImage("cut.jpg");
    ASSERT_EQ(truncate(cut.c_str(), 200), 0);
    PhImage_t* partial = PxLoadImage(cut.c_str(), nullptr);  // what libjpeg makes of it, without a crash
    if (partial) {
        PhReleaseImage(partial);
        free(partial);
    }
    EXPECT_EQ(PxLoadImage("/no/such/cover.jpg", nullptr), nullptr);
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(PhotonTest, LabelAndButtonImages)
{
    OpenTestWindow();
    std::string path = MakeImage("play.gif");
    PhImage_t* img = PxLoadImage(path.c_str(), nullptr);
    ASSERT_NE(img, nullptr);
    PtWidget_t* play = Find("PlayButton");
    PtSetResource(play, Pt_ARG_LABEL_IMAGE, img, 0);
    PtSetResource(play, Pt_ARG_LABEL_TYPE, Pt_IMAGE, 0);
    PhReleaseImage(img);
    free(img);  // the widget keeps its own copy
    PhImage_t* shown = nullptr;
    PtGetResource(play, Pt_ARG_LABEL_IMAGE, &shown, 0);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->size.w, 12);
    PhImage_t* dup = PiDuplicateImage(shown, 0);
    ASSERT_NE(dup, nullptr);
    PtWidget_t* label = PtCreateWidget(PtLabel, Find("BaseGroup"), 0, nullptr);
    PtSetResource(label, Pt_ARG_LABEL_IMAGE, dup, 0);
    PtSetResource(label, Pt_ARG_TEXT_STRING, "Folder", 0);
    PtSetResource(label, Pt_ARG_LABEL_TYPE, Pt_TEXT_IMAGE, 0);
    PtRealizeWidget(label);
    RunUntilIdle();
    EXPECT_EQ(Text(label), "Folder");
    PhReleaseImage(dup);
    free(dup);
}

std::string ToUtf(PxTranslateCtrl* ctrl, const std::string& in, int room = 64)
{
    std::vector<char> out(static_cast<size_t>(room));
    int taken = 0, made = 0;
    int r = PxTranslateToUTF(ctrl, in.data(), static_cast<int>(in.size()), &taken, out.data(), room, &made);
    EXPECT_EQ(r, made);
    EXPECT_EQ(out[static_cast<size_t>(made)], '\0');
    return std::string(out.data(), static_cast<size_t>(made));
}

TEST_F(PhotonTest, CharsetTranslation)
{
    PxTranslateCtrl* fs = PxTranslateSet(nullptr, "cp437");
    ASSERT_NE(fs, nullptr);
    EXPECT_EQ(ToUtf(fs, "M\x81nchen"), "M\xC3\xBCnchen");
    PxTranslateCtrl* native = PxTranslateSet(nullptr, "ISO-8859-1");
    ASSERT_NE(native, nullptr);
    EXPECT_EQ(ToUtf(native, "Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(ToUtf(native, "Caf\xE9\xE9\xE9", 6), "Caf\xC3\xA9");  // cut at the room, terminated
    char back[16];
    int made = 0;
    PxTranslateFromUTF(native, "\xC3\xA9t\xE2\x82\xAC", 6, nullptr, back, sizeof back, &made);
    EXPECT_EQ(std::string(back, static_cast<size_t>(made)), "\xE9t?");  // the euro sign has no Latin-1 byte
    PxTranslateCtrl* utf = PxTranslateSet(nullptr, "UTF-8");
    EXPECT_EQ(ToUtf(utf, "ok\xFF!"), "ok?!");
    EXPECT_EQ(PxTranslateSet(nullptr, "no-such-charset"), nullptr);
    PxTranslateEnd(fs);
    PxTranslateEnd(native);
    PxTranslateEnd(utf);
}

}  // namespace
}  // namespace photon::testing
