// The directory browser: listing order, page descriptions, colours, the five cached pages and
// the back history.
#include <gtest/gtest.h>

#include <thread>

#include "Browser.h"
#include "FakePlayers.h"
#include "SorvexTesting.h"

namespace sorvex {
namespace {

using testing::FakePlayers;
using testing::RecordingView;
using testing::ScratchFolder;

class RecordingBrowserView : public BrowserView {
public:
    void bringToFront(int container) override { events.push_back("front " + std::to_string(container)); }
    void clearPage(int container) override { events.push_back("clear " + std::to_string(container)); }
    void buildPage(int container, const PageItems& items) override {
        events.push_back("build " + std::to_string(container));
        labels.clear();
        for (const ItemOptions& item : items.items) labels.push_back(item.label.value_or(""));
    }
    void setBackEnabled(bool enabled) override { back = enabled; }
    void setAddTracksEnabled(bool enabled) override { addTracks = enabled; }
    std::vector<std::string> events, labels;
    bool back = false, addTracks = false;
};

class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefs.fsCharset = "UTF-8";
        prefs.shuffle = 0;
        AddCoverNames(prefs, "cover.jpg");
        jukebox.setView(&view);
        browser.setView(&pages);
    }
    FakePlayers fakes;
    ScratchFolder folder;
    Prefs prefs;
    Jukebox jukebox{prefs, MakeBackends(0, 0.0, {AudioOutput::Kind::Null, ""})};
    RecordingView view;
    Browser browser{jukebox, folder.path().string()};
    RecordingBrowserView pages;
};

TEST_F(BrowserTest, ListingOrderAndItems) {
    folder.write("Rock/cover.jpg", "");
    folder.write("abba.mp3", "");
    folder.write("Zed.OGG", "");
    folder.write("Best.m3u", "x.mp3\n");
    folder.write("table.txt", "|Name|Artist|Location|\n");
    folder.write("notes.txt", "just notes\n");
    folder.write("x.jpg", "");
    folder.write(".hidden.mp3", "");
    folder.write("Page.phj", "[A]\n");
    folder.write("attic/readme", "");
    const std::optional<PageItems> page = ScanDirectory(folder.path().string(), jukebox);
    ASSERT_TRUE(page);
    std::vector<std::string> labels;
    for (const ItemOptions& item : page->items) labels.push_back(*item.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"Page", "attic", "Rock", "Best", "table", "abba", "Zed"}));
    EXPECT_TRUE(page->hasTracks);
    const ItemOptions& rock = page->items[2];
    EXPECT_EQ(rock.image, folder / "Rock/cover.jpg");
    EXPECT_EQ(rock.textColour, 0xFFFF00);
    EXPECT_EQ(rock.font, "lub12b");
    const ItemOptions& abba = page->items[5];
    EXPECT_EQ(abba.target, folder / "abba.mp3");
    EXPECT_EQ(abba.height, 30);
    EXPECT_EQ(abba.width, -1);
    EXPECT_EQ(abba.background, 0x00A000);
    EXPECT_EQ(DecideKind(abba, jukebox), kKindTrack);

    // A directory with index.phj shows that page.
    folder.write("Rock/index.phj", "; the rock page\n[Rock Hits]\ntarget=hits.m3u\n");
    const std::optional<PageItems> rockPage = ScanDirectory(folder / "Rock", jukebox);
    ASSERT_TRUE(rockPage);
    ASSERT_EQ(rockPage->items.size(), 1u);
    EXPECT_EQ(rockPage->items[0].label, "Rock Hits");
    EXPECT_FALSE(ScanDirectory(folder / "none", jukebox));
}

TEST_F(BrowserTest, PageDescriptionsAndColours) {
    const std::string phj = folder.write("music/index.phj",
                                         "target=ignored before the first item\n"
                                         "[Sub page]\n"
                                         "TARGET=sub/page.phj\n"
                                         "bg=255,0,0\n"
                                         "fg=navy\n"
                                         "arm=Blue\n"
                                         "height=40\n"
                                         "width=-1\n"
                                         "new-line=1\n"
                                         "font=lub12b\n"
                                         "image=pics/a.jpg\n"
                                         "type=3\n"
                                         "[Song\n"
                                         "target=/abs/song.mp3\n"
                                         "[none]\n"
                                         "image=/pics/logo.png\n");
    ::testing::internal::CaptureStdout();
    const std::optional<PageItems> page = LoadPhjPage(phj, jukebox);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Unknown color 'navy'");
    ASSERT_TRUE(page);
    ASSERT_EQ(page->items.size(), 3u);
    const ItemOptions& sub = page->items[0];
    EXPECT_EQ(sub.target, folder / "music/sub/page.phj");
    EXPECT_EQ(sub.background, 0xFF0000);
    EXPECT_EQ(sub.textColour, 0xC0C0C0);
    EXPECT_EQ(sub.armColour, 0x0000FF);
    EXPECT_EQ(sub.height, 40);
    EXPECT_EQ(sub.width, -1);
    EXPECT_TRUE(sub.newLine);
    EXPECT_EQ(sub.image, folder / "music/pics/a.jpg");
    EXPECT_EQ(sub.kind, 3);
    EXPECT_EQ(page->items[1].label, "Song");
    EXPECT_EQ(page->items[1].background, 0x606060);
    EXPECT_TRUE(page->hasTracks);
    EXPECT_EQ(page->items[2].image, "/pics/logo.png");

    EXPECT_EQ(ParseColour("1,2,259"), 0x010203);
    EXPECT_EQ(ParseColour("celidon"), 0x127B088);
    EXPECT_EQ(ParseColour("GRAY\n"), 0xC0C0C0);
}

TEST_F(BrowserTest, FiveCachedPagesAndTheBackHistory) {
    for (const char* name : {"a", "b", "c", "d", "e", "f"}) folder.write(std::string(name) + "/x.mp3", "");
    browser.showDirectory(folder / "a", false);
    EXPECT_EQ(pages.events, (std::vector<std::string>{"front 4", "clear 4", "build 4"}));
    EXPECT_FALSE(pages.back);
    EXPECT_TRUE(pages.addTracks);
    pages.events.clear();
    browser.showDirectory(folder / "b", true);
    EXPECT_EQ(pages.events, (std::vector<std::string>{"front 3", "clear 3", "build 3"}));
    EXPECT_TRUE(pages.back);
    // Shown again without changes: the cached page comes to the front as it is.
    pages.events.clear();
    browser.showDirectory(folder / "a", true);
    EXPECT_EQ(pages.events, (std::vector<std::string>{"front 4"}));
    // After a file is added the page is rebuilt in its own container.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    folder.write("a/y.mp3", "");
    pages.events.clear();
    browser.showDirectory(folder / "a", false);
    EXPECT_EQ(pages.events, (std::vector<std::string>{"front 4", "clear 4", "build 4"}));
    EXPECT_EQ(pages.labels, (std::vector<std::string>{"x", "y"}));
    // Four more pages: the sixth different one reuses the least recently shown container (b's).
    for (const char* name : {"c", "d", "e"}) browser.showDirectory(folder / name, true);
    pages.events.clear();
    browser.showDirectory(folder / "f", true);
    EXPECT_EQ(pages.events, (std::vector<std::string>{"front 3", "clear 3", "build 3"}));
    EXPECT_EQ(browser.frontTracks(), (std::vector<std::string>{folder / "f/x.mp3"}));

    // Back walks the history: e, d, c, then a (b's page is rebuilt), ...
    EXPECT_EQ(browser.history(), (std::vector<std::string>{folder / "a", folder / "b", folder / "a", folder / "c",
                                                           folder / "d", folder / "e"}));
    browser.back();
    EXPECT_EQ(browser.frontPath(), folder / "e");
    for (int i = 0; i < 5; ++i) browser.back();
    EXPECT_EQ(browser.frontPath(), folder / "a");
    EXPECT_FALSE(pages.back);
    // Home shows the starting directory and records the page left.
    browser.home();
    EXPECT_EQ(browser.frontPath(), folder.path().string());
    EXPECT_EQ(browser.history(), (std::vector<std::string>{folder / "a"}));
    // A missing path changes nothing.
    browser.showDirectory(folder / "missing", true);
    EXPECT_EQ(browser.frontPath(), folder.path().string());
}

TEST_F(BrowserTest, TapsOpenTheirTargetsOnce) {
    const std::string track = folder.write("t.mp3", "");
    browser.tap(track, 1000);
    browser.tap(track, 1300);  // within 400 ms: ignored
    EXPECT_EQ(jukebox.count(), 1);
    EXPECT_TRUE(jukebox.isPlaying());
    browser.tap(track, 1400);
    EXPECT_EQ(jukebox.count(), 2);
    jukebox.stopPlayback();
    // A directory target goes to the browser through the jukebox's view.
    browser.tap(folder.path().string(), 2000);
    EXPECT_EQ(view.directories, (std::vector<std::string>{folder.path().string() + " recorded"}));
}

}  // namespace
}  // namespace sorvex
