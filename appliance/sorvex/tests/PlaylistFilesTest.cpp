// Playlist files: M3U playlists and track tables read, M3U playlists written, with the path
// mappings and the character sets.
#include <gtest/gtest.h>

#include "FakePlayers.h"
#include "Jukebox.h"
#include "SorvexTesting.h"

namespace sorvex {
namespace {

using testing::FakePlayers;
using testing::RecordingView;
using testing::ScratchFolder;

class PlaylistFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefs.shuffle = 0;
        prefs.repeat = 0;
        prefs.fsCharset = "UTF-8";
        jukebox.setView(&view);
    }
    std::vector<std::string> paths() const {
        std::vector<std::string> all;
        for (const Entry& e : jukebox.entries()) all.push_back(e.path);
        return all;
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> all;
        for (const Entry& e : jukebox.entries()) all.push_back(e.title);
        return all;
    }

    FakePlayers fakes;
    ScratchFolder folder;
    Prefs prefs;
    Jukebox jukebox{prefs, MakeBackends(0, 0.0, {AudioOutput::Kind::Null, ""})};
    RecordingView view;
};

TEST_F(PlaylistFilesTest, M3uPlaylists) {
    AddMapDir(prefs, "C:/Music=/mnt/music");
    const std::string list = folder.write("lists/a.m3u",
                                          "#EXTM3U\r\n"
                                          "#EXTINF:123,Artist - Song\r\n"
                                          "C:\\Music\\song.mp3\r\n"
                                          "song.ogg\n"
                                          "#EXTINF:5,Caf\xe9\n"
                                          "cover.jpg\n"
                                          "\n"
                                          "/abs/Other.Song.MP3\n"
                                          "#EXTINF:7,\n"
                                          "last.mp2");
    EXPECT_EQ(jukebox.loadM3u(list, true), 0);
    const std::string dir = folder / "lists";
    EXPECT_EQ(paths(), (std::vector<std::string>{"/mnt/music/song.mp3", dir + "/song.ogg", "/abs/Other.Song.MP3",
                                                 dir + "/last.mp2"}));
    // A pending title waits for the next kept line; an empty one leaves it as it was.
    EXPECT_EQ(titles(), (std::vector<std::string>{"Artist - Song", "song", "Caf\xc3\xa9", "last"}));
    EXPECT_EQ(view.rows, titles());

    EXPECT_EQ(jukebox.loadM3u(folder.write("empty.m3u", "#EXTM3U\n#EXTINF:1,x\n"), true), 1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(jukebox.loadM3u(folder / "missing.m3u", true), 1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("missing.m3u: No such file"), std::string::npos);
}

TEST_F(PlaylistFilesTest, TrackTables) {
    const std::string table = folder.write("t/export.txt",
                                           "|Name|Artist|Album|Genre|Location|trailing\r\n"
                                           "|Song A|Band|Record|Rock|C:\\Music\\a.mp3|\r\n"
                                           "|Song B|Band|Record|Rock|b.ogg|\r\n"
                                           "||Band|Record|Rock|/x/Third Track.mp3|\r\n"
                                           "|Picture|Band|Record|Rock|c.jpg|\r\n"
                                           "not a row\r\n");
    EXPECT_TRUE(jukebox.isTrackTable(table));
    EXPECT_FALSE(jukebox.isTrackTable(folder.write("t/notes.txt", "|Name|Artist|\n")));
    EXPECT_FALSE(jukebox.isTrackTable(folder.write("t/list.m3u", "|Name|Artist|Location|\n")));
    AddMapDir(prefs, "c:/music=/mnt/m");
    EXPECT_EQ(jukebox.loadTrackTable(table, false), 0);
    EXPECT_EQ(paths(), (std::vector<std::string>{"/mnt/m/a.mp3", folder / "t/b.ogg", "/x/Third Track.mp3"}));
    EXPECT_EQ(titles(), (std::vector<std::string>{"Band - Song A", "Band - Song B", "Third Track"}));

    // Without a Location column nothing is added.
    jukebox.clearPlaylist();
    EXPECT_EQ(jukebox.loadTrackTable(folder.write("t/noloc.txt", "|Name|Artist|\n|a.mp3|b|\n"), false), 1);
    EXPECT_EQ(jukebox.count(), 0);
}

TEST_F(PlaylistFilesTest, LoadingWithAndWithoutAutoclear) {
    const std::string music = folder.path().string();
    folder.write("one.mp3", "");
    folder.write("two.mp3", "");
    const std::string list = folder.write("l.m3u", "one.mp3\ntwo.mp3\n");
    jukebox.addEntry("/old", "old.mp3", std::nullopt, true);
    prefs.autoclear = 0;
    // Appends, and does not start: the list was not empty.
    jukebox.loadPlaylistFile(list, true);
    EXPECT_EQ(jukebox.count(), 3);
    EXPECT_FALSE(jukebox.isPlaying());
    EXPECT_EQ(view.rows.size(), 3u);
    // With auto-clear the list is replaced and starts.
    prefs.autoclear = 1;
    jukebox.openPath(list, true);
    EXPECT_EQ(jukebox.count(), 2);
    EXPECT_TRUE(jukebox.isPlaying());
    EXPECT_EQ(jukebox.currentPath(), music + "/one.mp3");
    jukebox.stopPlayback();
}

TEST_F(PlaylistFilesTest, SavingPlaylists) {
    const std::string music = folder.path().string() + "/music";
    jukebox.addEntry(music, "a.mp3", std::string("a"), false);
    jukebox.addEntry(music, "b.mp3", std::string("Song B"), false);
    jukebox.addEntry("/", folder.path().string() + "/music2/c.mp3", std::string("C Song"), false);
    jukebox.addEntry(music, "sub/d.ogg", std::string("Caf\xc3\xa9"), false);
    jukebox.addEntry(music, "e.mp3", std::string(""), false);
    std::filesystem::create_directories(music);
    ASSERT_TRUE(jukebox.savePlaylist(music, "list"));
    EXPECT_EQ(folder.read("music/list.m3u"),
              "#EXTM3U\r\n"
              "a.mp3\r\n"
              "#EXTINF:-1,Song B\r\n"
              "b.mp3\r\n"
              // not inside the playlist's folder: kept as it is
              "#EXTINF:-1,C Song\r\n" +
                  folder.path().string() + "/music2/c.mp3\r\n" +
                  "#EXTINF:-1,Caf\xe9\r\n"
                  "sub/d.ogg\r\n"
                  // an empty title writes a short line, which is no failure
                  "#EXTINF:-1,\r\n"
                  "e.mp3\r\n");

    // A name with a dot keeps it; the current folder is "."; a folder that cannot be written
    // is reported in the alert box.
    ASSERT_TRUE(jukebox.savePlaylist(music, "x.lst"));
    EXPECT_TRUE(std::filesystem::exists(music + "/x.lst"));
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    EXPECT_TRUE(jukebox.savePlaylist(".", "dot"));
    std::filesystem::current_path(here);
    EXPECT_TRUE(std::filesystem::exists(folder / "dot.m3u"));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(jukebox.savePlaylist(folder / "none", "list"));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(view.alerts, (std::vector<std::string>{"Couldn't open playlist file\nNo such file or directory"}));

    // Read back, the saved playlist gives the same entries.
    jukebox.clearPlaylist();
    ASSERT_EQ(jukebox.loadM3u(music + "/list.m3u", false), 0);
    EXPECT_EQ(titles(), (std::vector<std::string>{"a", "Song B", "C Song", "Caf\xc3\xa9", "e"}));
    EXPECT_EQ(paths()[3], music + "/sub/d.ogg");
}

TEST_F(PlaylistFilesTest, QuitWritesPreferencesAndTheDefaultList) {
    prefs.saveOnExit = 1;
    prefs.defaultList = folder / "default.m3u";
    prefs.directory = "/music";
    jukebox.addEntry("/music", "a.mp3", std::nullopt, false);
    jukebox.quitJukebox(folder / "prefs");
    EXPECT_NE(folder.read("prefs").find("directory /music\n"), std::string::npos);
    EXPECT_EQ(folder.read("default.m3u"), "#EXTM3U\r\n#EXTINF:-1,a.mp3\r\n/music/a.mp3\r\n");
}

}  // namespace
}  // namespace sorvex
