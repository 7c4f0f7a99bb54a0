// The player's rules that need no plug-in: time texts, titles, the more-info wrap, the
// single-instance message, resolving URLs and playlist files, and the playlist controller's
// list, selection and next-track table.
#include <cstring>

#include "panes/SoundPane.h"
#include "player/Startup.h"
#include "VeloraTesting.h"

namespace velora::testing {
namespace {

namespace t = photon::test;

class VeloraCore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(
            OpenPlayerOnce("audio/x-wav " VELORA_FAKE_PLUGIN " wav\naudio/mpeg " VELORA_FAKE_PLUGIN " mp3 http:\n"),
            nullptr);
        ResetPlayer();
        plimsaTimeType = 0;
    }
    void TearDown() override
    {
        ControllerRandom = [] { return 0u; };
        ResetPlayer();
    }
    // The error dialog's text, then closes it.
    std::string TakeError()
    {
        if (!bErrorDlg) return "";
        std::string text = t::Text(W("errmsg"));
        errdlg_done(nullptr, nullptr, nullptr);
        return text;
    }
    PlaylistItem Item(const std::string& url)
    {
        PlaylistItem item;
        item.url = url;
        item.plugin = VELORA_FAKE_PLUGIN;
        return item;
    }
    ScratchFolder folder;
};

TEST_F(VeloraCore, TimesTitlesAndMoreInfo)
{
    char h[3], m[3], s[3];
    FrameTime(3725, h, m, s);
    EXPECT_STREQ(h, " 1");
    EXPECT_STREQ(m, "02");
    EXPECT_STREQ(s, "05");
    FrameTime(36000 + 59, h, m, s);
    EXPECT_STREQ(h, "10");

    EXPECT_EQ(PlimsaTimeText(62000, 3725000), " 1:02:05/ 0:01:02");
    plimsaTimeType = 1;
    EXPECT_EQ(PlimsaTimeText(62999, 3725000), "Elapsed: 0:01:02");
    plimsaTimeType = 2;
    EXPECT_EQ(PlimsaTimeText(60000, 180000), "Remaining: 0:02:00");
    // A position past the end leaves nothing to play, not a wrapped-around time.
    EXPECT_EQ(PlimsaTimeText(190000, 180000), "Remaining: 0:00:00");
    plimsaTimeType = 3;
    EXPECT_EQ(PlimsaTimeText(0, 0), "Time parsing error");
    plimsaTimeType = 0;
    OnPlimsaTime(nullptr, nullptr, nullptr);
    OnPlimsaTime(nullptr, nullptr, nullptr);
    OnPlimsaTime(nullptr, nullptr, nullptr);
    EXPECT_EQ(plimsaTimeType, 0);

    EXPECT_EQ(ExtractTitleFromUrl("file:///music/a.mp3"), "a.mp3");
    EXPECT_EQ(ExtractTitleFromUrl("http://host/radio/"), "radio");
    EXPECT_EQ(ExtractTitleFromUrl("plain"), "plain");
    EXPECT_EQ(ExtractTitleFromUrl(nullptr), "");

    std::string text(70, 'x');
    text[50] = ' ';
    EXPECT_EQ(FormatMoreInfoString(text.data()), 1);
    EXPECT_EQ(text[50], '\n');
    EXPECT_EQ(text.size(), 70u);
    std::string noBlank = std::string(60, 'y') + " tail of it";
    EXPECT_EQ(FormatMoreInfoString(noBlank.data()), 1);
    EXPECT_EQ(noBlank.find('\n'), std::string::npos);
    std::string shortText(60, 'z');
    EXPECT_EQ(FormatMoreInfoString(shortText.data()), 0);
}

TEST_F(VeloraCore, TheHandOverMessage)
{
    EXPECT_EQ(sizeof(WendrelMsg), 1048u);
    EXPECT_FALSE(BuildHandOver(nullptr, nullptr));
    std::optional<WendrelMsg> msg = BuildHandOver(nullptr, "/tmp/a.wav");
    ASSERT_TRUE(msg);
    EXPECT_STREQ(msg->newurl, "file:///tmp/a.wav");
    EXPECT_EQ(msg->CommandType, 0u);
    EXPECT_EQ(msg->bToDelete, 0);
    msg = BuildHandOver("/tmp/x.mp3", "file:///y.mp3");
    EXPECT_STREQ(msg->newurl, "file:///tmp/x.mp3");
    EXPECT_EQ(msg->bToDelete, 1);
    EXPECT_STREQ(BuildHandOver(nullptr, "http://127.0.0.1/s")->newurl, "http://127.0.0.1/s");
    // A URL longer than the field is cut and still ends inside it.
    const std::string longUrl = "/" + std::string(2000, 'a');
    msg = BuildHandOver(nullptr, longUrl.c_str());
    EXPECT_EQ(std::strlen(msg->newurl), sizeof msg->newurl - 1);
    EXPECT_EQ(std::string(msg->newurl, 7), "file://");
}

TEST_F(VeloraCore, ResolvingUrlsAndPlaylistFiles)
{
    char buffer[kItemBufferSize];
    PlaylistItem item;
    ASSERT_TRUE(FindItemFromUrl(buffer, sizeof buffer, item, "/music/a.wav", nullptr));
    EXPECT_EQ(item.url, "file:///music/a.wav");
    EXPECT_EQ(item.plugin, VELORA_FAKE_PLUGIN);
    EXPECT_EQ(item.mime, "audio/x-wav");
    EXPECT_STREQ(buffer, VELORA_FAKE_PLUGIN);
    EXPECT_EQ(FindItemFromUrl(buffer, sizeof buffer, item, nullptr, nullptr), nullptr);

    // Lists: an upper-case .M3U takes its first line; a .pls its first File line with a value.
    // A plain path there is a file, as on the command line.
    const std::string m3u = folder.write("List.M3U", "/music/one.mp3\r\n/music/two.mp3\n");
    ASSERT_TRUE(FindItemFromUrl(buffer, sizeof buffer, item, ("file://" + m3u).c_str(), nullptr));
    EXPECT_EQ(item.url, "file:///music/one.mp3");
    EXPECT_EQ(item.plugin, VELORA_FAKE_PLUGIN);
    // The standard header and comment lines (a long one too) are read past to the first URL.
    const std::string extended = folder.write(
        "extended.m3u", "#EXTM3U\r\n\n#EXTINF:123," + std::string(400, 't') + "\n/music/three.mp3\n/music/four.mp3\n");
    ASSERT_TRUE(FindItemFromUrl(buffer, sizeof buffer, item, ("file://" + extended).c_str(), nullptr));
    EXPECT_EQ(item.url, "file:///music/three.mp3");
    const std::string onlyComments = folder.write("comments.m3u", "#EXTM3U\n#EXTINF:1,x\n");
    EXPECT_FALSE(FindItemFromUrl(buffer, sizeof buffer, item, onlyComments.c_str(), nullptr));
    EXPECT_EQ(TakeError(), "Unable to extract a valid entry from " + onlyComments);
    const std::string pls =
        folder.write("radio.pls", "[playlist]\nFile1=\nFile2=http://127.0.0.1:8000/live\nFile3=x\n");
    ASSERT_TRUE(FindItemFromUrl(buffer, sizeof buffer, item, pls.c_str(), nullptr));
    EXPECT_EQ(item.url, "http://127.0.0.1:8000/live");

    const std::string empty = folder.write("empty.m3u", "");
    EXPECT_FALSE(FindItemFromUrl(buffer, sizeof buffer, item, empty.c_str(), nullptr));
    EXPECT_EQ(TakeError(), "Unable to extract a valid entry from " + empty);
    EXPECT_FALSE(FindItemFromUrl(buffer, sizeof buffer, item, (folder / "gone.pls").c_str(), nullptr));
    EXPECT_EQ(TakeError(), "Unable to open " + (folder / "gone.pls") + ": No such file or directory");
    EXPECT_FALSE(FindItemFromUrl(buffer, sizeof buffer, item, (folder / "gone.m3u").c_str(), nullptr));
    EXPECT_EQ(TakeError(), "Unable to open " + (folder / "gone.m3u") + ":No such file or directory");

    // A URL without an extension has none: a dot in its host does not make one.
    EXPECT_FALSE(FindItemFromUrl(buffer, sizeof buffer, item, "file:///127.0.0.1/clip", nullptr));
    EXPECT_EQ(TakeError(), "Unable to associate a plugin with url = 'file:///127.0.0.1/clip'\n");
    // A path longer than the buffer gives a text cut to the buffer.
    const std::string longPath = "/" + std::string(600, 'q') + ".ogg";
    EXPECT_FALSE(FindItemFromUrl(buffer, sizeof buffer, item, longPath.c_str(), nullptr));
    EXPECT_EQ(std::strlen(buffer), sizeof buffer - 1);
    EXPECT_EQ(TakeError().size(), sizeof buffer - 1);

    // A MIME type given is tried first.
    ASSERT_TRUE(FindItemFromUrl(buffer, sizeof buffer, item, "file:///x.unknownext", "audio/x-wav"));
    EXPECT_EQ(item.mime, "audio/x-wav");

    // A file whose path holds a ':' is read as a playlist.
    const std::string colon = folder.write("list:1", "File1=/music/c.wav\n");
    EXPECT_TRUE(IsPlaylistFile(colon.c_str()));
    EXPECT_FALSE(IsPlaylistFile(m3u.c_str()));
    ASSERT_TRUE(FindItemFromUrl(buffer, sizeof buffer, item, colon.c_str(), nullptr));
    EXPECT_EQ(item.url, "file:///music/c.wav");

    // A relative entry lies beside the list, as the jukebox saves its lists; URLs stay as they are.
    const std::string saved = folder.write("lists/party.m3u", "#EXTM3U\r\na b.wav\r\n");
    ASSERT_TRUE(FindItemFromUrl(buffer, sizeof buffer, item, saved.c_str(), nullptr));
    EXPECT_EQ(item.url, "file://" + (folder / "lists/a b.wav"));
    EXPECT_EQ(item.plugin, VELORA_FAKE_PLUGIN);
    const std::string inFolder = folder.write("lists/deeper.pls", "[playlist]\nFile1=sub/c.wav\n");
    ASSERT_TRUE(FindItemFromUrl(buffer, sizeof buffer, item, ("file://" + inFolder).c_str(), nullptr));
    EXPECT_EQ(item.url, "file://" + (folder / "lists/sub/c.wav"));
    const std::string urls = folder.write("lists/urls.m3u", "file:///music/d.wav\n");
    ASSERT_TRUE(FindItemFromUrl(buffer, sizeof buffer, item, urls.c_str(), nullptr));
    EXPECT_EQ(item.url, "file:///music/d.wav");
}

TEST_F(VeloraCore, KindRulesChooseTheCallbackPaneAndPriority)
{
    EXPECT_EQ(FindPluginCallback("/lib/plimsa.so"), plimsa_vcb);
    EXPECT_EQ(mplayer.paneModule, PaneModule::Sound);
    EXPECT_EQ(FindPluginCallback("/lib/brisko.so"), plimsa_vcb);
    EXPECT_EQ(FindPluginCallback("/x/plimsa/quenby.so"), plimsa_vcb);  // first rule wins
    FindPluginCallback("orvane.so");
    EXPECT_EQ(mplayer.priority, 14);
    FindPluginCallback("quenby.so");
    EXPECT_EQ(mplayer.paneModule, PaneModule::Dvd);
    EXPECT_EQ(mplayer.priority, 13);
    FindPluginCallback("Brisko_rave.so");  // the rules look for lower case
    EXPECT_EQ(mplayer.paneModule, PaneModule::None);
}

TEST_F(VeloraCore, ListSelectionAndRemoval)
{
    PlaylistItem a = Item("file:///a.wav");
    EXPECT_EQ(ControllerAddItem(&a), 0);
    a.title = "Renamed";
    EXPECT_EQ(ControllerAddItem(&a), 0);
    EXPECT_EQ(ControllerGetPlaylistCount(), 1);
    EXPECT_STREQ(ControllerGetTitle(0), "Renamed");
    PlaylistItem b = Item("http://127.0.0.1/radio/"), c = Item("file:///c.wav"), d = Item("file:///d.wav");
    b.mime = "";
    ControllerAddItem(&b);
    ControllerAddItem(&c);
    ControllerAddItem(&d);
    EXPECT_STREQ(ControllerGetTitle(1), "radio");
    EXPECT_STREQ(ControllerGetMimeType(1), "unknown");
    EXPECT_EQ(ControllerGetPlaylistSelectedCount(), 4);
    EXPECT_EQ(ControllerSetUnselected(1), 1);
    EXPECT_EQ(ControllerIsSelected(0), 1);
    EXPECT_EQ(ControllerIsSelected(1), 0);
    EXPECT_EQ(ControllerIsSelected(2), 2);
    EXPECT_EQ(ControllerIsSelected(3), 3);
    EXPECT_EQ(ControllerSetUnselected(9), 0);
    EXPECT_EQ(ControllerGetUrl(9), nullptr);
    EXPECT_EQ(ControllerGetNextSelectedTrack(0), 2);
    EXPECT_EQ(ControllerGetNextSelectedTrack(3), -1);
    EXPECT_EQ(ControllerGetNextSelectedTrack(1), 0);  // not selected: the item of order 1

    // Emptying the list removes the files of items flagged for it, and only those.
    PlaylistItem keep = Item("file://" + folder.write("keep.wav", "k"));
    PlaylistItem gone = Item("file://" + folder.write("gone.wav", "g"));
    gone.bToDelete = 1;
    ControllerAddItem(&keep);
    ControllerAddItem(&gone);
    ControllerDeleteAll();
    EXPECT_EQ(ControllerGetPlaylistCount(), 0);
    EXPECT_EQ(ControllerGetActiveUrl(), nullptr);
    EXPECT_TRUE(std::filesystem::exists(folder / "keep.wav"));
    EXPECT_FALSE(std::filesystem::exists(folder / "gone.wav"));
}

TEST_F(VeloraCore, TheNextTrackTable)
{
    EXPECT_EQ(ControllerGetNextTrack(), -1);
    for (const char* url : {"file:///0.wav", "file:///1.wav", "file:///2.wav", "file:///3.wav"}) {
        PlaylistItem item = Item(url);
        ControllerAddItem(&item);
    }
    ControllerSetUnselected(0);
    ControllerSetUnselected(2);
    ControllerSetSelected(2);
    ControllerSetSelected(0);  // selection order: 1, 3, 2, 0
    auto next = [](uint32_t repeat, uint32_t play, int active) {
        controller.repeatType = repeat;
        controller.playType = play;
        ControllerSetActiveTrack(active);
        return ControllerGetNextTrack();
    };
    // List order.
    EXPECT_EQ(next(0, 0, 1), 2);
    EXPECT_EQ(next(0, 0, 3), -1);
    EXPECT_EQ(next(1, 0, 3), 3);
    EXPECT_EQ(next(2, 0, 3), 0);
    EXPECT_EQ(next(3, 0, 3), -1);
    EXPECT_EQ(next(3, 0, 2), 3);
    // Selection order.
    EXPECT_EQ(next(0, 1, 1), 3);
    EXPECT_EQ(next(0, 1, 3), 2);
    EXPECT_EQ(next(0, 1, 0), -1);
    EXPECT_EQ(next(2, 1, 0), 1);
    EXPECT_EQ(next(3, 1, 0), -1);
    EXPECT_EQ(next(1, 1, 2), 2);
    EXPECT_EQ(next(7, 0, 0), -1);
    // Random: one draw over the list, or one draw among the selected items.
    unsigned draw = 6;
    ControllerRandom = [&] { return draw; };
    EXPECT_EQ(next(0, 2, 0), 2);  // 6 mod 4
    ControllerSetUnselected(0);
    ControllerSetUnselected(2);  // selected: 1 (order 1), 3 (order 2)
    // From an active item that is not selected, selection order goes on at the item of order 1.
    EXPECT_EQ(next(0, 1, 0), 1);
    EXPECT_EQ(next(3, 1, 2), 1);
    EXPECT_EQ(next(2, 1, 0), 1);
    EXPECT_EQ(next(2, 2, 0), 1);  // 6 mod 2 + 1 = order 1
    draw = 7;
    EXPECT_EQ(next(3, 2, 0), 3);
    ControllerSetUnselected(1);
    ControllerSetUnselected(3);
    EXPECT_EQ(next(2, 2, 0), -1);  // nothing selected
    EXPECT_EQ(next(2, 0, 0), -1);
}

}  // namespace
}  // namespace velora::testing
