// The slideshow page: an appliance stepping through its group's rows, the links answer, other
// browsers, and the picture pages with real JPEG pictures.

#include "web/SlideshowPage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "automation/Registry.h"
#include "core/Zephra.h"
#include "core/tests/PluginTestBed.h"
#include "script/ImageResizeObject.h"
#include "web/tests/PageTestObjects.h"

namespace zephra {
namespace {

using testing::FakeRequest;
using testing::FakeResponse;
using testing::PluginTestBed;

struct SlideBed : PluginTestBed {
    SlideBed() {
        const std::string html = host->GetAppPath() + "\\HTML";
        app.write("HTML/ZephraTemp/.keep", "");
        Picture("HTML/grp/a.jpg", "400x300");
        Picture("HTML/grp/b.jpg", "100x1000");
        Picture("HTML/pics/wide.jpg", "1000x100");
        ZephraSettings& s = Settings();
        s.HomeseerIP = "127.0.0.1";
        s.ServerPort = "8181";
        s.svrport = "81";
        s.OwnWebServer = true;
        s.MaxPixels = 100000;
        s.DontRandomize = true;
        s.SlideshowUpdateInterval = "10";
        s.SlideshowUpdateSeconds = 10;
        s.ZephraTempPath = html + "\\ZephraTemp";
        s.Links = s.LinksFile = "links_touchscreen.htm";
        s.ImageServer = "http://127.0.0.1:8181/";
        s.ImagePath = html + "\\pics";
        s.SlideFiles.files = {"wide.jpg"};
        s.SlideFiles.widths = {-1};
        s.SlideFiles.heights = {-1};
        s.GroupServerPath[1] = "http://127.0.0.1:8181/grp";
        s.GroupFolderPath[1] = html + "\\grp";
        s.GroupFiles[1].files = {"a.jpg", "b.jpg"};
        s.GroupFiles[1].widths = {-1, -1};
        s.GroupFiles[1].heights = {-1, -1};
        s.SlideRowPath[1] = {"slide.asp", "pics", "", "", ""};
        s.SlideRowSeconds[1] = {15, 20, 30, 30, 30};
        for (auto& row : s.SlideRowWidth[1]) row = -1;
        for (auto& row : s.SlideRowHeight[1]) row = -1;
        app.write("HTML/slide.asp", "<html><head></head><body>slide</body></html>");
        app.write("HTML/links_touchscreen.htm", "<a href='x'>links</a>");

        kitchen = Zephra::Create(state);
        kitchen->LetEnableSlideshow(1);
        kitchen->LetSlideGroup(1);
        state.appliances.slots[0].IP = "127.0.0.2";
        state.appliances.slots[0].Name = "kitchen";
        state.appliances.slots[0].ZephraDC = "Z1";
        state.appliances.slots[0].Object = kitchen;
    }
    ZephraSettings& Settings() { return state.settings; }
    void Picture(const std::string& relative, const std::string& size) {
        const auto path = app.path() / relative;
        app.write(relative, "");
        const std::string command = "convert -size " + size + " xc:gray '" + path.string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    std::string page(const std::string& address, const std::string& action = "") {
        request->variables["REMOTE_ADDR"] = address;
        request->query["ClientAction"] = action;
        return ZephraSlideshow_ASP(state, vb::ObjectRef(request), vb::ObjectRef(response));
    }
    std::shared_ptr<Zephra> kitchen;
    std::shared_ptr<FakeRequest> request = std::make_shared<FakeRequest>();
    std::shared_ptr<FakeResponse> response = std::make_shared<FakeResponse>();
};

std::string PicturePage(const std::string& refresh, const std::string& fit, const std::string& src) {
    return "<html><head><meta http-equiv=\"Refresh\" content=\"" + refresh +
           "; URL=/ZephraSlideshow.asp\"></head><body bgcolor='black'><div align='center'>  <center>  <table "
           "height='460' border='0' cellpadding='0' cellspacing='0'>    <tr>      <td valign='center' "
           "align='center'><a href=\"http://127.0.0.1:8181/ZephraSlideshow.asp?ClientAction=links\"><img border='0' " +
           fit + " src='" + src + "'></a></td>    </tr>  </table>  </center></div></body></html>";
}

TEST(SlideshowPage, AnApplianceStepsThroughItsGroupsRows) {
    SlideBed bed;
    const std::string a = PicturePage("10", " height = '460'", "http://127.0.0.1:8181/grp/ZephraTemp/a.jpg");
    const std::string b = PicturePage("10", " height = '460'", "http://127.0.0.1:8181/grp/ZephraTemp/b.jpg");
    // The folder row, then the page row; the folder row shows 20 / 10 pictures.
    EXPECT_EQ(bed.page("127.0.0.2"), b);
    const std::string slide = bed.page("127.0.0.2");
    EXPECT_NE(slide.find("<body>slide</body>"), std::string::npos) << slide;
    EXPECT_NE(slide.find("content=\"15; URL=/ZephraSlideshow.asp\""), std::string::npos) << slide;
    EXPECT_EQ(bed.page("127.0.0.2"), a);
    EXPECT_EQ(bed.page("127.0.0.2"), b);
    EXPECT_NE(bed.page("127.0.0.2").find("<body>slide</body>"), std::string::npos);
    EXPECT_TRUE(bed.kitchen->Slideshow());

    // a.jpg (400 x 300) is over the pixel budget: shrunk to 100000 / 300 pixels wide.
    const std::string small = (bed.app.path() / "HTML/ZephraTemp/a.jpg").string();
    EXPECT_EQ(std::system(("test \"$(identify -format %w " + small + ")\" = 333").c_str()), 0);
    EXPECT_EQ(bed.Settings().GroupFiles[1].widths, (std::vector<int32_t>{400, 100}));
    EXPECT_EQ(bed.Settings().GroupFiles[1].heights, (std::vector<int32_t>{300, 1000}));

    // The links answer stops the slideshow.
    EXPECT_EQ(bed.page("127.0.0.2", "links"), "<html><Body bgcolor='black'><a href='x'>links</a></body></html>");
    EXPECT_FALSE(bed.kitchen->Slideshow());
    EXPECT_EQ(bed.kitchen->MailLED(), "off");
    EXPECT_EQ(bed.kitchen->TopLED(), "Off");
}

TEST(SlideshowPage, OtherBrowsersAndAppliancesWithoutAGroupGetTheGeneralList) {
    SlideBed bed;
    // Copied whole apart from the appliances' resized copies.
    const std::string wide = PicturePage("10", " width = '620'", "http://127.0.0.1:8181/ZephraTemp/Originals/wide.jpg");
    EXPECT_EQ(bed.page("127.0.0.9"), wide);
    EXPECT_TRUE(std::filesystem::exists(bed.app.path() / "HTML/ZephraTemp/Originals/wide.jpg"));
    EXPECT_FALSE(std::filesystem::exists(bed.app.path() / "HTML/ZephraTemp/wide.jpg"));

    // The shared index is past this one-picture list: it wraps.
    bed.state.web.NextPictureIndex = 5;
    EXPECT_EQ(bed.page("127.0.0.9"), wide);

    // An appliance is given its own copy, resized (1000 x 100 is at the pixel budget).
    const std::string resized = PicturePage("10", " width = '620'", "http://127.0.0.1:8181/ZephraTemp/wide.jpg");
    bed.kitchen->LetSlideGroup(0);
    EXPECT_EQ(bed.page("127.0.0.2"), resized);
    bed.kitchen->LetSlideGroup(7);
    EXPECT_EQ(bed.page("127.0.0.2"), resized);

    // The host's own web server serves the appliances: its port in the links address.
    bed.Settings().OwnWebServer = false;
    bed.state.UseDeviceRefs = false;  // the test's request answers QueryString by name only
    const std::string hosted = bed.page("127.0.0.9");
    EXPECT_NE(hosted.find("http://127.0.0.1:81/ZephraSlideshow.asp?ClientAction=links"), std::string::npos)
        << hosted << ::testing::PrintToString(bed.Log());
}

// A picture whose header cannot be read has height 0: shown whole, never divided by.
TEST(SlideshowPage, PicturesOfUnknownSizeAreShownWhole) {
    SlideBed bed;
    bed.app.write("HTML/grp/broken.jpg", "no picture");
    bed.Settings().MaxPixels = 0;
    bed.Settings().GroupFiles[1].files = {"broken.jpg"};
    bed.Settings().GroupFiles[1].widths = {-1};
    bed.Settings().GroupFiles[1].heights = {-1};
    bed.kitchen->LetSlideGroupIndex(1);
    bed.kitchen->LetSlideCount(1);
    EXPECT_EQ(bed.page("127.0.0.2"), PicturePage("10", " height = '460'", "http://127.0.0.1:8181/grp/broken.jpg"));
    EXPECT_EQ(bed.Settings().GroupFiles[1].heights[0], 0);
}

// What the image tool says of a picture file: its format and size.
std::string Identified(const std::filesystem::path& file) {
    const std::filesystem::path out = file.string() + ".txt";
    const std::string command = "identify -format '%m %wx%h' '" + file.string() + "' > '" + out.string() + "'";
    if (std::system(command.c_str()) != 0) return "unreadable";
    std::ifstream in(out);
    std::string line;
    std::getline(in, line);
    return line;
}

// Single-picture rows of GIF and PNG pictures over the pixel budget are shrunk, each in its own
// format; on a machine without the resizer they are shown as they are, without a log line.
TEST(SlideshowPage, GifAndPngPicturesAreShrunkInTheirOwnFormat) {
    SlideBed bed;
    bed.Picture("HTML/grp/big.gif", "800x600");
    bed.Picture("HTML/grp/big.png", "800x600");
    bed.Settings().SlideRowPath[1] = {"big.gif", "big.png", "", "", ""};
    const std::string temp = "http://127.0.0.1:8181/grp/ZephraTemp/";
    EXPECT_EQ(bed.page("127.0.0.2"), PicturePage("20", " height = '460'", temp + "big.png"));
    EXPECT_EQ(bed.page("127.0.0.2"), PicturePage("15", " height = '460'", temp + "big.gif"));
    // 100000 / 600 pixels wide.
    EXPECT_EQ(Identified(bed.app.path() / "HTML/ZephraTemp/big.png"), "PNG 167x125");
    EXPECT_EQ(Identified(bed.app.path() / "HTML/ZephraTemp/big.gif"), "GIF 167x125");
    EXPECT_TRUE(bed.Log().empty()) << ::testing::PrintToString(bed.Log());

    automation::unregisterClass(script::kImageResizeProgId);
    const std::string page = bed.page("127.0.0.2");
    automation::registerClass(script::kImageResizeProgId, script::makeImageResize);
    EXPECT_EQ(page, PicturePage("20", " height = '460'", "http://127.0.0.1:8181/grp/big.png"));
    EXPECT_TRUE(bed.Log().empty()) << ::testing::PrintToString(bed.Log());
}

// The same of a file whose name the shell would take apart, read through a copy.
std::string IdentifiedCopy(const std::filesystem::path& file) {
    const std::filesystem::path copy = file.parent_path() / "identified-copy";
    std::error_code ec;
    std::filesystem::copy_file(file, copy, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) return "missing";
    std::string seen = Identified(copy);
    std::filesystem::remove(copy);
    return seen;
}

// A name holding "'", "#", "%" or a letter above ASCII stands in the page percent-encoded, so
// that it neither ends the attribute nor the address; a server path with "&" or "'" is written
// as an HTML text. The plain copy and the resized copy of one picture keep apart.
TEST(SlideshowPage, PictureAddressesHoldEveryName) {
    SlideBed bed;
    const std::filesystem::path html = bed.app.path() / "HTML";
    bed.Picture("HTML/grp/tom.jpg", "400x300");
    std::filesystem::rename(html / "grp/tom.jpg", html / "grp/Tom's #1 100%.jpg");
    bed.Picture("HTML/grp/caf\xC3\xA9.jpg", "400x300");
    bed.Settings().GroupServerPath[1] = "http://127.0.0.1:8181/a&b'";
    bed.Settings().GroupFiles[1].files = {"Tom's #1 100%.jpg", "caf\xE9.jpg"};
    bed.Settings().GroupFiles[1].widths = {-1, -1};
    bed.Settings().GroupFiles[1].heights = {-1, -1};
    bed.kitchen->LetSlideGroupIndex(1);
    bed.kitchen->LetSlideCount(5);
    const std::string server = "http://127.0.0.1:8181/a&amp;b&#39;";
    EXPECT_EQ(bed.page("127.0.0.2"), PicturePage("10", " height = '460'", server + "/ZephraTemp/caf%E9.jpg"));
    EXPECT_EQ(bed.page("127.0.0.2"),
              PicturePage("10", " height = '460'", server + "/ZephraTemp/Tom%27s%20%231%20100%25.jpg"));
    EXPECT_EQ(Identified(html / "ZephraTemp/caf\xC3\xA9.jpg"), "JPEG 333x250");
    EXPECT_EQ(IdentifiedCopy(html / "ZephraTemp/Tom's #1 100%.jpg"), "JPEG 333x250");

    // Another browser: the whole picture, copied under the same name elsewhere.
    bed.Settings().SlideFiles.files = {"..\\grp\\Tom's #1 100%.jpg"};
    bed.Settings().SlideFiles.widths = {-1};
    bed.Settings().SlideFiles.heights = {-1};
    const std::string other = bed.page("127.0.0.9");
    EXPECT_NE(other.find(" src='http://127.0.0.1:8181/ZephraTemp/Originals/Tom%27s%20%231%20100%25.jpg'>"),
              std::string::npos)
        << other;
    EXPECT_EQ(IdentifiedCopy(html / "ZephraTemp/Originals/Tom's #1 100%.jpg"), "JPEG 400x300");
    EXPECT_EQ(IdentifiedCopy(html / "ZephraTemp/Tom's #1 100%.jpg"), "JPEG 333x250");

    // As wallpaper the name is the body's background.
    bed.Settings().Wallpaper = true;
    const std::string wallpaper = bed.page("127.0.0.9");
    EXPECT_NE(wallpaper.find("<body bgcolor='black' background='../grp/Tom%27s%20%231%20100%25.jpg'>"),
              std::string::npos)
        << wallpaper;
    EXPECT_TRUE(bed.Log().empty()) << ::testing::PrintToString(bed.Log());
}

// A single-picture row written without a leading "\\" (as the settings are usually typed), of a
// picture the resizer leaves alone: joined to the server path by one "/", as with the "\\".
TEST(SlideshowPage, ASinglePictureRowIsJoinedToTheServerPathByOneSlash) {
    SlideBed bed;
    bed.Picture("HTML/grp/small1.jpg", "220x165");
    const std::string page = PicturePage("15", " height = '460'", "http://127.0.0.1:8181/grp/small1.jpg");
    bed.Settings().SlideRowPath[1] = {"small1.jpg", "", "", "", ""};
    EXPECT_EQ(bed.page("127.0.0.2"), page);
    bed.Settings().SlideRowPath[1] = {"\\small1.jpg", "", "", "", ""};
    EXPECT_EQ(bed.page("127.0.0.2"), page);
    // A server path that ends with "/" gives no second one.
    bed.Settings().GroupServerPath[1] = "http://127.0.0.1:8181/grp/";
    EXPECT_EQ(bed.page("127.0.0.2"), page);
    bed.Settings().SlideRowPath[1] = {"small1.jpg", "", "", "", ""};
    EXPECT_EQ(bed.page("127.0.0.2"), page);
    EXPECT_TRUE(bed.Log().empty()) << ::testing::PrintToString(bed.Log());
}

std::filesystem::file_time_type WrittenAt(const std::filesystem::path& file) {
    std::error_code ec;
    return std::filesystem::last_write_time(file, ec);
}

// A phone's photo (".JPG") is shrunk for the appliance once: the copy serves again while the
// photo stays the same, and is made anew when the photo changes or the copy was written over.
TEST(SlideshowPage, APhotoIsShrunkOnceWhileItStaysTheSame) {
    SlideBed bed;
    bed.Picture("HTML/grp/photo.JPG", "1000x750");
    bed.Settings().SlideRowPath[1] = {"photo.JPG", "", "", "", ""};
    const std::string page = PicturePage("15", " height = '460'", "http://127.0.0.1:8181/grp/ZephraTemp/photo.JPG");
    const std::filesystem::path copy = bed.app.path() / "HTML/ZephraTemp/photo.JPG";
    EXPECT_EQ(bed.page("127.0.0.2"), page);
    // 100000 / 750 pixels wide.
    EXPECT_EQ(Identified(copy), "JPEG 133x100");
    const auto first = WrittenAt(copy);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(bed.page("127.0.0.2"), page);
    EXPECT_EQ(WrittenAt(copy), first) << "shrunk again";

    // Another photo under the same name: shrunk again.
    std::filesystem::remove(bed.app.path() / "HTML/grp/photo.JPG");
    bed.Picture("HTML/grp/photo.JPG", "1000x750");
    std::filesystem::last_write_time(bed.app.path() / "HTML/grp/photo.JPG", first + std::chrono::seconds(5));
    EXPECT_EQ(bed.page("127.0.0.2"), page);
    const auto second = WrittenAt(copy);
    EXPECT_NE(second, first);
    // The copy written over by something else: made anew.
    bed.app.write("HTML/ZephraTemp/photo.JPG", "not the photo");
    EXPECT_EQ(bed.page("127.0.0.2"), page);
    EXPECT_EQ(Identified(copy), "JPEG 133x100");
    EXPECT_TRUE(bed.Log().empty()) << ::testing::PrintToString(bed.Log());
}

// A picture too large for the resizer to hold (a GIF whose screen is 12000 x 9000) is named in
// the log, and the appliance is sent no picture rather than the whole one.
TEST(SlideshowPage, APictureTooLargeToShrinkIsNamedAndNotSent) {
    SlideBed bed;
    const auto huge = bed.app.path() / "HTML/grp/huge.gif";
    bed.app.write("HTML/grp/huge.gif", "");
    ASSERT_EQ(std::system(("convert -size 2x2 xc:red -page 12000x9000+0+0 '" + huge.string() + "'").c_str()), 0);
    bed.Settings().SlideRowPath[1] = {"huge.gif", "", "", "", ""};
    EXPECT_EQ(bed.page("127.0.0.2"), PicturePage("15", " height = '460'", ""));
    EXPECT_EQ(bed.Settings().SlideRowWidth[1][0], 12000);
    EXPECT_EQ(bed.Log(), (std::vector<std::string>{"dkvZephra|Resize huge.gif: Line 0 Invalid picture"}));
    EXPECT_FALSE(std::filesystem::exists(bed.app.path() / "HTML/ZephraTemp/huge.gif"));
}

// The links answer without its links file: an empty answer, and the log names the file.
TEST(SlideshowPage, AMissingLinksFileIsNamedInTheLog) {
    SlideBed bed;
    std::filesystem::remove(bed.app.path() / "HTML/links_touchscreen.htm");
    EXPECT_EQ(bed.page("127.0.0.2", "links"), "");
    const std::string file = bed.host->GetAppPath() + "\\HTML\\links_touchscreen.htm";
    EXPECT_EQ(bed.Log(), (std::vector<std::string>{"dkvZephra|ZephraSlideshow_ASP: links file " + file +
                                                   " Line 0 File not found"}));
}

}  // namespace
}  // namespace zephra
