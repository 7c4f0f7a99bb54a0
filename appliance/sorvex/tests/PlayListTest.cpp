// The play list and the transport: order, shuffle and repeat, deleting, the Play rule, the
// status text and the now-playing record, with stand-in decoder programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "FakePlayers.h"
#include "Jukebox.h"
#include "SorvexTesting.h"

namespace sorvex {
namespace {

using testing::FakePlayers;
using testing::RecordingView;
using testing::RunUntil;
using testing::ScratchFolder;

class PlayListTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefs.shuffle = 0;
        prefs.repeat = 0;
        prefs.fsCharset = "UTF-8";
        jukebox.setView(&view);
        ::srandom(1);
    }
    // Adds tracks named 0.mp3, 1.mp3, ... that exist in the music folder.
    void addTracks(int n) {
        for (int i = 0; i < n; ++i) jukebox.addFileEntry(music.write(std::to_string(i) + ".mp3", ""), true);
    }
    std::string track(int i) const { return music / (std::to_string(i) + ".mp3"); }
    std::vector<std::string> titlesInOrder() const {
        std::vector<std::string> titles;
        for (int index : jukebox.order()) titles.push_back(jukebox.entries()[index].title);
        return titles;
    }

    FakePlayers fakes;
    ScratchFolder music;
    Prefs prefs;
    Jukebox jukebox{prefs, MakeBackends(0, 0.0, {AudioOutput::Kind::Null, ""})};
    RecordingView view;
};

TEST_F(PlayListTest, EntriesAndTheirPaths) {
    jukebox.addEntry("/music", "song.mp3", std::nullopt, true);
    jukebox.addEntry("/music", "/a/b.mp3", std::string("Bee"), false);
    jukebox.addFileEntry("/m/Song.One.mp3", true);
    jukebox.addFileEntry("loose.ogg", false);
    ASSERT_EQ(jukebox.count(), 4);
    EXPECT_EQ(jukebox.entries()[0].path, "/music/song.mp3");
    EXPECT_EQ(jukebox.entries()[0].title, "song.mp3");
    EXPECT_EQ(jukebox.entries()[1].path, "/a/b.mp3");
    EXPECT_EQ(jukebox.entries()[2].title, "Song.One");
    EXPECT_EQ(jukebox.entries()[3].path, "./loose.ogg");
    EXPECT_EQ(view.rows, (std::vector<std::string>{"song.mp3", "Song.One"}));
    jukebox.clearPlaylist();
    EXPECT_EQ(jukebox.count(), 0);
    EXPECT_TRUE(view.rows.empty());
    EXPECT_FALSE(view.entries);
}

TEST_F(PlayListTest, OrderShuffleAndRepeat) {
    addTracks(5);
    jukebox.relistPlaylist();
    EXPECT_EQ(jukebox.order(), (std::vector<int>{0, 1, 2, 3, 4}));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(jukebox.nextEntry(), track(i));
    // Past the end without repeat: nothing, and no current track.
    EXPECT_EQ(jukebox.nextEntry(), std::nullopt);
    EXPECT_EQ(jukebox.current(), -1);
    EXPECT_EQ(view.shownPosition, -1);
    // Before the start without repeat: nothing.
    EXPECT_EQ(jukebox.prevEntry(), std::nullopt);

    prefs.repeat = 1;
    prefs.shuffle = 1;
    ASSERT_EQ(jukebox.nextEntry(), track(0));
    ASSERT_EQ(jukebox.nextEntry(), track(1));
    // Relisting with a current track keeps it first and current.
    jukebox.relistPlaylist();
    EXPECT_EQ(jukebox.current(), 0);
    EXPECT_EQ(jukebox.order()[0], 1);
    std::vector<int> sorted = jukebox.order();
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(view.rows, titlesInOrder());
    // Repeat: past the end starts again at position 0 of a new order; before the start goes
    // to the last position of a new order.
    for (int i = 0; i < 4; ++i) jukebox.nextEntry();
    EXPECT_EQ(jukebox.current(), 4);
    EXPECT_TRUE(jukebox.nextEntry());
    EXPECT_EQ(jukebox.current(), 0);
    EXPECT_TRUE(jukebox.prevEntry());
    EXPECT_EQ(jukebox.current(), 4);
    EXPECT_EQ(view.shownPosition, 4);

    // A new entry goes to the end of the play order, also when shuffled.
    jukebox.addEntry(music.path().string(), "late.mp3", std::nullopt, true);
    EXPECT_EQ(jukebox.order().back(), 5);

    // Shuffling many entries shows its progress; an empty list has no next entry even with repeat.
    for (int i = 0; i < 250; ++i) jukebox.addEntry("/m", "x.mp3", std::nullopt, false);
    jukebox.relistPlaylist();
    EXPECT_NE(std::find(view.progress.begin(), view.progress.end(), "Shuffling 200"), view.progress.end());
    jukebox.clearPlaylist();
    EXPECT_EQ(jukebox.nextEntry(), std::nullopt);
}

TEST_F(PlayListTest, DeletingRows) {
    addTracks(4);
    jukebox.relistPlaylist();
    // Nothing selected: nothing deleted.
    jukebox.select(-1);
    jukebox.deleteSelected();
    EXPECT_EQ(jukebox.count(), 4);

    // Deleting a row above the current one keeps the same track current.
    jukebox.nextEntry();
    jukebox.nextEntry();
    jukebox.nextEntry();
    ASSERT_EQ(jukebox.currentPath(), track(2));
    jukebox.select(0);
    jukebox.deleteSelected();
    EXPECT_EQ(jukebox.currentPath(), track(2));
    EXPECT_EQ(view.rows, (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(jukebox.order(), (std::vector<int>{0, 1, 2}));

    // Deleting the playing row continues with the track that moved into its place.
    ASSERT_EQ(jukebox.playFile(jukebox.currentPath()), 0);
    jukebox.select(jukebox.current());
    jukebox.deleteSelected();
    EXPECT_EQ(jukebox.currentPath(), track(3));
    EXPECT_TRUE(jukebox.isPlaying());
    EXPECT_EQ(jukebox.selected(), 1);
    // The last row, while stopped: the one before it is selected and becomes current.
    jukebox.stopPlayback();
    jukebox.select(1);
    jukebox.deleteSelected();
    EXPECT_EQ(jukebox.selected(), 0);
    EXPECT_EQ(jukebox.current(), 0);
    EXPECT_FALSE(jukebox.isPlaying());
}

TEST_F(PlayListTest, PlayRuleNextAndPause) {
    addTracks(4);
    // The third track is a real MP3 of 2:03: its length is read from the file.
    const std::string wav = music / "tone.wav";
    ASSERT_EQ(std::system(("sox -n -r 8000 -c 1 -b 16 " + wav + " synth 123 sine 440 && lame --quiet -b 8 " + wav +
                           " " + track(2))
                              .c_str()),
              0);
    jukebox.relistPlaylist();
    // Stopped, third row selected: it plays.
    jukebox.select(2);
    jukebox.playPressed();
    EXPECT_TRUE(jukebox.isPlaying());
    EXPECT_EQ(jukebox.currentPath(), track(2));
    ASSERT_TRUE(RunUntil([&] { return view.track == "Fake Song"; }));
    EXPECT_EQ(view.elapsed, "01:05");
    EXPECT_EQ(view.length, "02:03");
    EXPECT_EQ(jukebox.statusText(),
              "mode play\ntime 65\nlength 123\nartist Fake Artist\nalbum Fake Album\ntrack Fake Song\n");

    // Playing, another row selected: switches to it. Pause, then Play, resumes the same track.
    jukebox.select(0);
    jukebox.playPressed();
    EXPECT_EQ(jukebox.currentPath(), track(0));
    const pid_t player = jukebox.backends()[0]->pid();
    jukebox.togglePause();
    EXPECT_TRUE(jukebox.isPaused());
    jukebox.playPressed();
    EXPECT_FALSE(jukebox.isPaused());
    EXPECT_EQ(jukebox.backends()[0]->pid(), player);
    EXPECT_EQ(jukebox.statusText().substr(0, 10), "mode play\n");

    // Next at the end of the list without repeat stops playback.
    jukebox.select(3);
    jukebox.playPressed();
    jukebox.playNext();
    EXPECT_FALSE(jukebox.isPlaying());
    EXPECT_EQ(jukebox.statusText(), "mode stop\n");
    EXPECT_FALSE(view.playing);
    EXPECT_TRUE(view.entries);

    // Stopped with the first row (or none) selected: a random row plays.
    jukebox.select(0);
    jukebox.playPressed();
    EXPECT_TRUE(jukebox.isPlaying());
    jukebox.stopPlayback();
    jukebox.clearPlaylist();
    jukebox.playPressed();
    EXPECT_FALSE(jukebox.isPlaying());

    // The length label: 3725 seconds show as 62:05.
    jukebox.setLength(3725);
    EXPECT_EQ(view.length, "62:05");
}

TEST_F(PlayListTest, TheEndOfATrackPlaysTheNextOne) {
    addTracks(2);
    jukebox.addFileEntry(music.write("c.ogg", ""), true);
    jukebox.relistPlaylist();
    fakes.mode("end");
    jukebox.playFile(jukebox.nextEntry());
    // Each stand-in program ends its track at once: the list plays through and stops.
    ASSERT_TRUE(RunUntil([&] { return !jukebox.isPlaying(); }));
    EXPECT_EQ(jukebox.current(), -1);
    // A track without tags keeps the labels empty, while the status still has the last texts.
    EXPECT_EQ(jukebox.nowPlaying().title, "Ogg Song");
}

TEST_F(PlayListTest, RepeatStopsAfterOneFailedPass) {
    prefs.repeat = 1;
    for (const char* name : {"gone1.mp3", "gone2.ogg", "gone3.mp3"})
        jukebox.addEntry("/nowhere", name, std::nullopt, true);
    jukebox.relistPlaylist();
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    jukebox.playNext();
    const std::string printed = ::testing::internal::GetCapturedStdout();
    ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(jukebox.isPlaying());
    EXPECT_NE(printed.find("File /nowhere/gone1.mp3 not found (also tried /nowhere/gone1.mp3)\n"), std::string::npos);

    // A missing track among playable ones is skipped.
    jukebox.clearPlaylist();
    jukebox.addEntry("/nowhere", "gone.mp3", std::nullopt, true);
    jukebox.addFileEntry(music.write("here.mp3", ""), true);
    jukebox.relistPlaylist();
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    jukebox.playNext();
    ::testing::internal::GetCapturedStdout();
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(jukebox.isPlaying());
    EXPECT_EQ(jukebox.currentPath(), music / "here.mp3");
    jukebox.stopPlayback();
}

TEST_F(PlayListTest, DoubleTapsAndOpeningPaths) {
    addTracks(3);
    jukebox.relistPlaylist();
    jukebox.rowSelected(2, true, 10'000'000);
    EXPECT_EQ(jukebox.selected(), 1);
    EXPECT_FALSE(jukebox.isPlaying());
    jukebox.rowSelected(2, true, 10'800'000);  // 0.8 s later: only selects
    EXPECT_FALSE(jukebox.isPlaying());
    jukebox.rowSelected(2, true, 11'300'000);  // 0.5 s later: plays
    EXPECT_TRUE(jukebox.isPlaying());
    EXPECT_EQ(jukebox.currentPath(), track(1));
    jukebox.stopPlayback();

    // A directory goes to the browser; an unreadable path is ignored; a track is added and,
    // as the only entry, plays.
    jukebox.clearPlaylist();
    jukebox.openPath(music.path().string(), true);
    EXPECT_EQ(view.directories, (std::vector<std::string>{music.path().string() + " recorded"}));
    jukebox.openPath(music / "missing.mp3", true);
    EXPECT_EQ(jukebox.count(), 0);
    jukebox.openPath(track(0), true);
    EXPECT_TRUE(jukebox.isPlaying());
    jukebox.openPath(track(1), true);
    EXPECT_EQ(jukebox.count(), 2);
    EXPECT_EQ(jukebox.currentPath(), track(0));

    // The browser's "add all tracks": playable ones only, and it starts an empty list.
    jukebox.stopPlayback();
    jukebox.clearPlaylist();
    jukebox.addTracks({track(2), music.write("cover.jpg", ""), track(1)});
    EXPECT_EQ(jukebox.count(), 2);
    EXPECT_TRUE(jukebox.isPlaying());
    jukebox.stopPlayback();
}

}  // namespace
}  // namespace sorvex
