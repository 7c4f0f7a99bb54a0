// The jukebox's windows on a virtual display: the browser on a folder of real MP3 and Ogg
// files, the now-playing display while the real decoders play, the transport, the Settings
// dialog, and the command port beside the window. Screenshots are kept in the build folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "Browser.h"
#include "CommandPort.h"
#include "JukeboxCommands.h"
#include "SorvexTesting.h"
#include "SorvexWindow.h"
#include "photon/PhotonTest.h"

namespace sorvex {
namespace {

using namespace photon;
using testing::Client;
using testing::ScratchFolder;

// Runs the loop (the decoders' pipes included) until `done` holds.
bool RunWindowUntil(const std::function<bool()>& done, std::chrono::seconds timeout = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        photon::test::RunUntilIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::string Screenshot(PtWidget_t* window, const char* name) {
    const std::string path = std::string(SORVEX_SCREENSHOTS) + "/" + name;
    EXPECT_TRUE(photon::test::Screenshot(window, path.c_str())) << path;
    return path;
}

// Pixels of a PNG within `tolerance` of a colour.
int PixelsNear(const std::string& png, int r, int g, int b, int tolerance = 30) {
    GdkPixbuf* picture = gdk_pixbuf_new_from_file(png.c_str(), nullptr);
    if (!picture) return -1;
    const int width = gdk_pixbuf_get_width(picture), height = gdk_pixbuf_get_height(picture);
    const int stride = gdk_pixbuf_get_rowstride(picture), channels = gdk_pixbuf_get_n_channels(picture);
    const guchar* pixels = gdk_pixbuf_get_pixels(picture);
    int count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const guchar* p = pixels + y * stride + x * channels;
            if (std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance)
                ++count;
        }
    g_object_unref(picture);
    return count;
}

// The transport pictures: dark blue when enabled, light grey when disabled.
int EnabledPixels(const std::string& png) { return PixelsNear(png, 0x1F, 0x3A, 0x5F); }

std::vector<std::string> Labels(const std::vector<PtWidget_t*>& items) {
    std::vector<std::string> labels;
    for (PtWidget_t* item : items) labels.push_back(photon::test::Text(item));
    return labels;
}

TEST(SorvexWindow, BrowsePlayAndSettingsOnAVirtualDisplay) {
    namespace t = photon::test;
    ScratchFolder folder;
    setenv("ZEPHRA_PHOTON_SCOPE", folder.path().c_str(), 1);
    const std::string music = folder / "music";
    std::filesystem::create_directories(music + "/Rock");
    const std::string make =
        "ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=30:sample_rate=8000 -ac 1 ";
    ASSERT_EQ(std::system((make +
                           "-b:a 8k -metadata title='Alpha Song' -metadata artist='The Band' -metadata album='First' " +
                           music + "/alpha.mp3")
                              .c_str()),
              0);
    ASSERT_EQ(std::system((make + "-c:a libvorbis -metadata title='Beta Song' " + music + "/beta.ogg").c_str()), 0);
    folder.write("music/Favourites.m3u", "alpha.mp3\nbeta.ogg\n");
    folder.write("music/cover.jpg", "");

    // The decoders play into a pipe nobody reads: a track stays playing until it is stopped.
    const std::string sink = folder / "sink.fifo";
    ASSERT_EQ(::mkfifo(sink.c_str(), 0600), 0);
    const int reader = ::open(sink.c_str(), O_RDONLY | O_NONBLOCK);
    setenv("ZEPHRA_AUDIO_SINK", ("wav:" + sink).c_str(), 1);

    char name[] = "sorvex";
    char* argv[] = {name, nullptr};
    ASSERT_EQ(ApInitialize(1, argv, window::Context(SORVEX_UI_DIR)), 0);
    t::UseManualClock();
    ASSERT_EQ(window::CheckSingleInstance(), 0);

    Prefs prefs;
    prefs.shuffle = 0;
    prefs.repeat = 0;
    prefs.fsCharset = "UTF-8";
    prefs.directory = music;
    const std::string prefsPath = folder / "prefs";
    Jukebox jukebox(prefs);
    unsetenv("ZEPHRA_AUDIO_SINK");
    bool exited = false;
    JukeboxCommands commands(jukebox, prefsPath, [&] { exited = true; });
    CommandPort port(commands);
    ASSERT_EQ(port.open(0), 0);
    Browser browser(jukebox, music);
    window::App app{prefs, prefsPath, jukebox, browser};
    PtWidget_t* main = window::OpenMainWindow(app);
    ASSERT_NE(main, nullptr);
    t::RunUntilIdle();

    // The browser lists the folder, the playlist, then the tracks; the transport waits for a list.
    EXPECT_EQ(Labels(window::FrontPageItems()), (std::vector<std::string>{"Rock", "Favourites", "alpha", "beta"}));
    EXPECT_TRUE(t::Flags(t::Find("PlayButton")) & Pt_BLOCKED);
    EXPECT_TRUE(t::Flags(t::Find("BackButton")) & Pt_BLOCKED);
    EXPECT_FALSE(t::Flags(t::Find("ShuffleButton")) & Pt_SET);
    Screenshot(main, "sorvex-browser.png");

    // Each item shows its kind's icon beside its text: folder, playlist, track.
    for (PtWidget_t* item : window::FrontPageItems()) {
        long* type = nullptr;
        PtGetResource(item, Pt_ARG_LABEL_TYPE, &type, 0);
        PhImage_t* icon = nullptr;
        PtGetResource(item, Pt_ARG_LABEL_IMAGE, &icon, 0);
        ASSERT_NE(icon, nullptr) << t::Text(item);
        EXPECT_EQ(*type, Pt_TEXT_IMAGE);
        EXPECT_EQ(icon->size.w, 24);
    }
    const std::string folderItem = Screenshot(window::FrontPageItems()[0], "sorvex-folder-item.png");
    EXPECT_GT(PixelsNear(folderItem, 0xFF, 0xD5, 0x4A), 40);  // the yellow folder
    const std::string trackItem = Screenshot(window::FrontPageItems()[2], "sorvex-track-item.png");
    EXPECT_EQ(PixelsNear(trackItem, 0xFF, 0xD5, 0x4A), 0);
    // The transport buttons show their disabled pictures, text hidden.
    const std::string playDisabled = Screenshot(t::Find("PlayButton"), "sorvex-play-disabled.png");
    const std::string stopDisabled = Screenshot(t::Find("StopButton"), "sorvex-stop-disabled.png");
    EXPECT_EQ(EnabledPixels(playDisabled), 0);
    EXPECT_GT(PixelsNear(playDisabled, 0xB8, 0xBC, 0xC0, 12), 40);
    EXPECT_EQ(EnabledPixels(stopDisabled), 0);

    // A tap on a track adds it and plays it through madplay; the display follows its output.
    t::Click(window::FrontPageItems()[2]);
    ASSERT_TRUE(RunWindowUntil([&] { return t::Text(t::Find("TrackLabel")) == "Alpha Song"; }));
    EXPECT_TRUE(RunWindowUntil([&] { return t::Text(t::Find("ArtistLabel")) == "The Band"; }));
    EXPECT_EQ(t::Rows(t::Find("PlayList")), (std::vector<std::string>{"alpha"}));
    EXPECT_FALSE(t::Flags(t::Find("StopButton")) & Pt_BLOCKED);
    // Enabled, they show their enabled pictures; the length comes from the file.
    const std::string playEnabled = Screenshot(t::Find("PlayButton"), "sorvex-play-enabled.png");
    EXPECT_GT(EnabledPixels(playEnabled), 40);
    EXPECT_GT(EnabledPixels(Screenshot(t::Find("StopButton"), "sorvex-stop-enabled.png")), 40);
    EXPECT_GT(t::PictureDifference(playEnabled.c_str(), playDisabled.c_str(), 40), 0.05);
    EXPECT_EQ(t::Text(t::Find("LengthLabel")), "00:30");
    t::AdvanceClock(500);
    // The playlist file replaces the list (auto-clear) and starts it.
    t::Click(window::FrontPageItems()[1]);
    ASSERT_TRUE(RunWindowUntil([&] { return t::Rows(t::Find("PlayList")).size() == 2; }));
    EXPECT_TRUE(jukebox.isPlaying());
    ASSERT_TRUE(RunWindowUntil([&] { return t::Text(t::Find("TrackLabel")) == "Alpha Song"; }));
    Screenshot(main, "sorvex-playing.png");

    // A TCP client beside the window: status, then "next" plays the Ogg file through ogg123.
    {
        Client client("127.0.0.1", port.boundPort());
        client.send("status\n");
        ASSERT_TRUE(RunWindowUntil([&] {
            client.poll();
            return testing::holds(client.received(), "200 OK\n");
        }));
        EXPECT_EQ(client.received().substr(0, 10), "mode play\n");
        EXPECT_TRUE(testing::holds(client.received(), "track Alpha Song\n"));
        EXPECT_TRUE(testing::holds(client.received(), "\nlength 30\n")) << client.received();
        client.send("next\n");
        ASSERT_TRUE(RunWindowUntil([&] { return t::Text(t::Find("TrackLabel")) == "Beta Song"; }));
        EXPECT_EQ(t::Text(t::Find("LengthLabel")), "00:30");
        EXPECT_EQ(jukebox.backends()[1]->name(), "ogg123");
        EXPECT_TRUE(jukebox.backends()[1]->isPlaying());
    }

    // Stop and Play buttons; the keys: space pauses, 'u' flips shuffle and its button.
    t::Click(t::Find("StopButton"));
    EXPECT_FALSE(jukebox.isPlaying());
    EXPECT_TRUE(t::Flags(t::Find("StopButton")) & Pt_BLOCKED);
    t::SelectRow(t::Find("PlayList"), 2);
    t::Click(t::Find("PlayButton"));
    EXPECT_TRUE(jukebox.isPlaying());
    EXPECT_EQ(jukebox.currentPath(), music + "/beta.ogg");
    t::Key(main, ' ');
    EXPECT_TRUE(jukebox.isPaused());
    t::Key(main, 'u');
    EXPECT_EQ(prefs.shuffle, 1);
    EXPECT_TRUE(t::Flags(t::Find("ShuffleButton")) & Pt_SET);
    t::Click(t::Find("StopButton"));

    // Into the sub-folder and back.
    t::AdvanceClock(500);
    t::Click(window::FrontPageItems()[0]);
    EXPECT_EQ(browser.frontPath(), music + "/Rock");
    EXPECT_TRUE(window::FrontPageItems().empty());
    EXPECT_FALSE(t::Flags(t::Find("BackButton")) & Pt_BLOCKED);
    t::Click(t::Find("BackButton"));
    EXPECT_EQ(browser.frontPath(), music);
    EXPECT_EQ(window::FrontPageItems().size(), 4u);

    // The Settings dialog shows the preferences and writes them on OK.
    t::ChooseItem(t::Find("SettingsItem"));
    PtWidget_t* settings = t::Find("SettingsDialog");
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(t::Text(t::Find("AddDecibelsText")), "7.0");
    EXPECT_EQ(t::Text(t::Find("StartingDirectoryText")), music);
    EXPECT_TRUE(t::Flags(t::Find("ReplayGainToggle")) & Pt_SET);
    t::TypeText(t::Find("CoverFilenamesText"), "folder.jpg, x ,front.png");
    t::Click(t::Find("AutoSaveToggle"));
    t::SelectRow(t::Find("DefaultListCombo"), 3);
    t::RunUntilIdle();
    Screenshot(settings, "sorvex-settings.png");
    t::Click(t::Find("SettingsOKButton"));
    EXPECT_EQ(prefs.coverNames, (std::vector<std::string>{"folder.jpg", "front.png"}));
    EXPECT_EQ(prefs.saveOnExit, 1);
    EXPECT_EQ(prefs.defaultListMode, 2);
    const std::string written = ScratchFolder::readFile(prefsPath);
    EXPECT_TRUE(testing::holds(written, "cover-file folder.jpg,front.png\nsave-on-exit 1\ndefault-list-mode 2\n"))
        << written;

    // Opened again, the dialog shows the preferences as they are now; Cancel changes nothing.
    t::ChooseItem(t::Find("SettingsItem"));
    EXPECT_EQ(t::Text(t::Find("CoverFilenamesText")), "folder.jpg,front.png");
    EXPECT_TRUE(t::Flags(t::Find("AutoSaveToggle")) & Pt_SET);
    t::TypeText(t::Find("AddDecibelsText"), "3");
    t::Click(t::Find("SettingsCancelButton"));
    EXPECT_DOUBLE_EQ(prefs.addDecibels, 7.0);

    // Settings changed while the program runs reach the decoder of the next track: the added
    // decibels, then ReplayGain unticked by a click (the dialog had set it on).
    auto madplayArguments = [&] {
        std::string args =
            ScratchFolder::readFile("/proc/" + std::to_string(jukebox.backends()[0]->pid()) + "/cmdline");
        std::replace(args.begin(), args.end(), '\0', ' ');
        return args;
    };
    t::Key(main, 'u');
    ASSERT_EQ(prefs.shuffle, 0);
    t::ChooseItem(t::Find("SettingsItem"));
    PtSetResource(t::Find("AddDecibelsText"), Pt_ARG_TEXT_STRING, "", 0);
    t::TypeText(t::Find("AddDecibelsText"), "3");
    t::RealClick(t::Find("SettingsOKButton"));
    EXPECT_DOUBLE_EQ(prefs.addDecibels, 3.0);
    t::SelectRow(t::Find("PlayList"), 1);
    t::RealClick(t::Find("PlayButton"));
    ASSERT_EQ(jukebox.currentPath(), music + "/alpha.mp3");
    ASSERT_TRUE(jukebox.backends()[0]->isPlaying());
    EXPECT_TRUE(testing::holds(madplayArguments(), "madplay -v -G -a 3.00 ")) << madplayArguments();
    t::Click(t::Find("StopButton"));
    t::ChooseItem(t::Find("SettingsItem"));
    EXPECT_TRUE(t::Flags(t::Find("ReplayGainToggle")) & Pt_SET);
    t::RealClick(t::Find("ReplayGainToggle"));
    EXPECT_FALSE(t::Flags(t::Find("ReplayGainToggle")) & Pt_SET);
    t::RealClick(t::Find("SettingsOKButton"));
    EXPECT_EQ(prefs.replayGain, 0);
    EXPECT_TRUE(testing::holds(ScratchFolder::readFile(prefsPath), "replay-gain 0\n"))
        << ScratchFolder::readFile(prefsPath);
    t::SelectRow(t::Find("PlayList"), 1);
    t::RealClick(t::Find("PlayButton"));
    ASSERT_TRUE(jukebox.backends()[0]->isPlaying());
    EXPECT_FALSE(testing::holds(madplayArguments(), " -G "))
        << madplayArguments();  // the folder's random name may hold "-G"
    t::Click(t::Find("StopButton"));

    // In a folder holding only a music file the selector shows that file, but OK without a
    // pick writes nothing; the file's name typed is asked about, and refused leaves it whole.
    const std::string one = music + "/Rock/one.mp3";
    std::filesystem::copy_file(music + "/alpha.mp3", one);
    const std::string oneBefore = ScratchFolder::readFile(one);
    t::AdvanceClock(500);
    t::Click(window::FrontPageItems()[0]);
    ASSERT_EQ(browser.frontPath(), music + "/Rock");
    t::ChooseItem(t::Find("SaveItem"));
    PtWidget_t* saveSel = t::Find("SaveFileSel");
    for (int i = 0; i < 400 && t::FileSelFocus(saveSel).empty(); ++i) t::AwaitEvent(50);
    EXPECT_EQ(t::FileSelFocus(saveSel), one);
    t::RunUntilIdle();
    EXPECT_EQ(t::Text(t::Find("SaveFileText")), "");
    t::RealClick(t::Find("SaveOKButton"));
    EXPECT_EQ(ScratchFolder::readFile(one), oneBefore);
    EXPECT_FALSE(std::filesystem::exists(music + "/Rock/one.mp3.m3u"));
    t::ChooseItem(t::Find("SaveItem"));
    t::TypeText(t::Find("SaveFileText"), "one.mp3");
    const std::size_t dialogsBefore = t::DialogsSeen().size();
    t::AnswerDialog(2);
    t::RealClick(t::Find("SaveOKButton"));
    ASSERT_EQ(t::DialogsSeen().size(), dialogsBefore + 1);
    EXPECT_EQ(t::DialogsSeen().back().title, "Sorvex Alert");
    EXPECT_EQ(t::DialogsSeen().back().buttons, (std::vector<std::string>{"Replace", "Cancel"}));
    EXPECT_EQ(ScratchFolder::readFile(one), oneBefore);
    EXPECT_TRUE(PtWidgetIsRealized(t::Find("SaveDialog")));
    t::Click(t::Find("SaveCancelButton"));
    t::Click(t::Find("BackButton"));
    ASSERT_EQ(browser.frontPath(), music);

    // The Save dialog writes the play list into the browser's folder.
    t::ChooseItem(t::Find("SaveItem"));
    t::TypeText(t::Find("SaveFileText"), "saved");
    t::Click(t::Find("SaveOKButton"));
    EXPECT_EQ(ScratchFolder::readFile(music + "/saved.m3u"), "#EXTM3U\r\nalpha.mp3\r\nbeta.ogg\r\n");

    // In the Save dialog a file double-clicked, or clicked twice in a short while, is saved to at
    // once: a play list without a question, anything else after the Replace question.
    {
        const std::string party = music + "/Rock/party.m3u";
        const std::string old = "#EXTM3U\r\nold.mp3\r\n";
        const std::string written = "#EXTM3U\r\n" + music + "/alpha.mp3\r\n" + music + "/beta.ogg\r\n";
        folder.write("music/Rock/party.m3u", old);
        t::AdvanceClock(500);
        t::Click(window::FrontPageItems()[0]);
        ASSERT_EQ(browser.frontPath(), music + "/Rock");
        // The user's pause before a click: the selector reads its folder and watches its files on
        // its own, and a busy machine may still be doing so.
        auto pause = [] {
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
            while (std::chrono::steady_clock::now() < until) {
                t::RunUntilIdle();
                t::AwaitEvent(50);
            }
        };
        auto openSave = [&] {
            t::ChooseItem(t::Find("SaveItem"));
            for (int i = 0; i < 400 && t::FileSelFocus(t::Find("SaveFileSel")) != one; ++i) t::AwaitEvent(50);
            ASSERT_EQ(t::FileSelFocus(t::Find("SaveFileSel")), one);  // the toolkit's own choice: row 1
            pause();
        };
        // A first click, again until the field shows its file (a click lost on a busy machine is
        // the user's click that did not take).
        auto firstClick = [&](int row, const std::string& name) {
            for (int i = 0; i < 20 && t::Text(t::Find("SaveFileText")) != name; ++i) {
                t::RealClickRow(t::Find("SaveFileSel"), row);
                if (t::Text(t::Find("SaveFileText")) != name) pause();
            }
            EXPECT_EQ(t::Text(t::Find("SaveFileText")), name);
        };
        const std::size_t dialogsBefore = t::DialogsSeen().size();
        openSave();
        Screenshot(t::Find("SaveDialog"), "sorvex-save-dialog.png");
        pause();
        t::RealDoubleClickRow(t::Find("SaveFileSel"), 2);
        EXPECT_EQ(ScratchFolder::readFile(party), written);
        EXPECT_EQ(t::DialogsSeen().size(), dialogsBefore);
        EXPECT_FALSE(PtWidgetIsRealized(t::Find("SaveDialog")));

        // The row the toolkit selected, a music file, clicked twice 300 ms apart: a track's name
        // is no name to save a play list under; the field stays empty, nothing is asked or
        // written, and the dialog stays open.
        openSave();
        PtSetResource(t::Find("SaveFileText"), Pt_ARG_TEXT_STRING, "", 0);
        t::RealClickRow(t::Find("SaveFileSel"), 1);
        t::AdvanceClock(300);
        t::RealClickRow(t::Find("SaveFileSel"), 1);
        EXPECT_EQ(t::Text(t::Find("SaveFileText")), "");
        EXPECT_EQ(t::DialogsSeen().size(), dialogsBefore);
        EXPECT_EQ(ScratchFolder::readFile(one), oneBefore);
        EXPECT_TRUE(PtWidgetIsRealized(t::Find("SaveDialog")));

        // Two clicks 800 ms apart only choose the name; Return on the chosen file saves at once.
        folder.write("music/Rock/party.m3u", old);
        pause();
        t::AdvanceClock(800);
        firstClick(2, "party.m3u");
        t::AdvanceClock(800);
        t::RealClickRow(t::Find("SaveFileSel"), 2);
        EXPECT_EQ(t::Text(t::Find("SaveFileText")), "party.m3u");
        EXPECT_EQ(ScratchFolder::readFile(party), old);
        EXPECT_TRUE(PtWidgetIsRealized(t::Find("SaveDialog")));
        t::AdvanceClock(800);
        pause();
        t::RealKey(t::Find("SaveFileSel"), "Return");
        EXPECT_EQ(ScratchFolder::readFile(party), written);
        EXPECT_FALSE(PtWidgetIsRealized(t::Find("SaveDialog")));
        EXPECT_EQ(t::DialogsSeen().size(), dialogsBefore);
        t::Click(t::Find("BackButton"));
        ASSERT_EQ(browser.frontPath(), music);
    }

    // The Save dialog saves into the folder it shows: opened on a folder that holds an MP3 and a
    // folder with an MP3 of the same name, the folder double-clicked opens it without taking the
    // track's name; the name typed is asked about as the file of the folder shown, and Replace
    // replaces that one, never the MP3 of the folder the dialog opened on. Outside the music
    // folder nothing is saved.
    {
        const std::string jazz = music + "/Jazz", inner = jazz + "/dir with space";
        std::filesystem::create_directories(inner);
        const std::string outerSong = jazz + "/t\u00ebst song.mp3", innerSong = inner + "/t\u00ebst song.mp3";
        const std::string outerBytes = ScratchFolder::readFile(music + "/alpha.mp3");
        const std::string innerBytes = outerBytes + "the inner one";
        std::ofstream(outerSong, std::ios::binary) << outerBytes;
        std::ofstream(innerSong, std::ios::binary) << innerBytes;
        browser.showDirectory(jazz, true);
        ASSERT_EQ(browser.frontPath(), jazz);
        auto settle = [] {
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
            while (std::chrono::steady_clock::now() < until) {
                t::RunUntilIdle();
                t::AwaitEvent(50);
            }
        };
        auto awaitFocus = [&](const std::string& path) {
            for (int i = 0; i < 400 && t::FileSelFocus(t::Find("SaveFileSel")) != path; ++i) t::AwaitEvent(50);
            EXPECT_EQ(t::FileSelFocus(t::Find("SaveFileSel")), path);
            settle();
        };
        t::ChooseItem(t::Find("SaveItem"));
        PtSetResource(t::Find("SaveFileText"), Pt_ARG_TEXT_STRING, "", 0);
        awaitFocus(inner);  // the toolkit's own choice: row 1, the folder
        // A double click on the folder (again, when a busy machine lost a click) opens it.
        for (int i = 0; i < 10 && t::FileSelFocus(t::Find("SaveFileSel")) != innerSong; ++i) {
            t::RealDoubleClickRow(t::Find("SaveFileSel"), 1);
            for (int j = 0; j < 40 && t::FileSelFocus(t::Find("SaveFileSel")) != innerSong; ++j) t::AwaitEvent(50);
        }
        awaitFocus(innerSong);
        Screenshot(t::Find("SaveDialog"), "sorvex-save-inner-folder.png");
        EXPECT_EQ(t::Text(t::Find("SaveFileText")), "");

        const std::size_t dialogsBefore = t::DialogsSeen().size();
        t::TypeText(t::Find("SaveFileText"), "t\u00ebst song.mp3");
        t::AnswerDialog(2);
        t::RealClick(t::Find("SaveOKButton"));
        ASSERT_EQ(t::DialogsSeen().size(), dialogsBefore + 1);
        EXPECT_EQ(t::DialogsSeen().back().buttons, (std::vector<std::string>{"Replace", "Cancel"}));
        EXPECT_TRUE(testing::holds(t::DialogsSeen().back().message, "t\u00ebst song.mp3"));
        EXPECT_TRUE(ScratchFolder::readFile(innerSong) == innerBytes);
        EXPECT_TRUE(ScratchFolder::readFile(outerSong) == outerBytes);
        ASSERT_TRUE(PtWidgetIsRealized(t::Find("SaveDialog")));
        t::AnswerDialog(1);
        t::RealClick(t::Find("SaveOKButton"));
        ASSERT_EQ(t::DialogsSeen().size(), dialogsBefore + 2);
        EXPECT_EQ(ScratchFolder::readFile(innerSong),
                  "#EXTM3U\r\n" + music + "/alpha.mp3\r\n" + music + "/beta.ogg\r\n");
        EXPECT_TRUE(ScratchFolder::readFile(outerSong) == outerBytes);
        EXPECT_FALSE(PtWidgetIsRealized(t::Find("SaveDialog")));

        // A name that climbs out of the music folder is refused with an alert; the dialog stays.
        t::ChooseItem(t::Find("SaveItem"));
        PtSetResource(t::Find("SaveFileText"), Pt_ARG_TEXT_STRING, "", 0);
        t::TypeText(t::Find("SaveFileText"), "../../escaped");
        t::AnswerDialog(1);
        t::RealClick(t::Find("SaveOKButton"));
        ASSERT_EQ(t::DialogsSeen().size(), dialogsBefore + 3);
        EXPECT_TRUE(t::DialogsSeen().back().message.starts_with("Playlists are saved inside the music folder\n"))
            << t::DialogsSeen().back().message;
        EXPECT_FALSE(std::filesystem::exists(folder / "escaped.m3u"));
        EXPECT_TRUE(PtWidgetIsRealized(t::Find("SaveDialog")));
        t::Click(t::Find("SaveCancelButton"));

        // "Recent" clicked in the selector's sidebar shows files of no one folder: a name typed
        // then is refused with an alert saying so; nothing is written anywhere, the dialog stays.
        t::ChooseItem(t::Find("SaveItem"));
        PtSetResource(t::Find("SaveFileText"), Pt_ARG_TEXT_STRING, "", 0);
        awaitFocus(inner);
        auto shown = [] {
            const char* folder = nullptr;
            PtGetResource(t::Find("SaveFileSel"), Pt_ARG_FS_ROOT_DIR, &folder, 0);
            return std::string(folder ? folder : "(none)");
        };
        EXPECT_EQ(shown(), jazz);
        // Again, when a busy machine lost the click.
        for (int i = 0; i < 10 && !shown().empty(); ++i) {
            ASSERT_TRUE(t::RealClickLabel(t::Find("SaveFileSel"), "Recent"));
            for (int j = 0; j < 40 && !shown().empty(); ++j) t::AwaitEvent(50);
        }
        settle();
        Screenshot(t::Find("SaveDialog"), "sorvex-save-recent.png");
        EXPECT_EQ(shown(), "");
        t::TypeText(t::Find("SaveFileText"), "recent");
        t::AnswerDialog(1);
        t::RealClick(t::Find("SaveOKButton"));
        ASSERT_EQ(t::DialogsSeen().size(), dialogsBefore + 4);
        EXPECT_EQ(t::DialogsSeen().back().message, "Open a folder to save the playlist in");
        settle();
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path()))
            EXPECT_NE(entry.path().filename(), "recent.m3u") << entry.path();
        EXPECT_TRUE(PtWidgetIsRealized(t::Find("SaveDialog")));
        t::Click(t::Find("SaveCancelButton"));
        browser.showDirectory(music, true);
    }

    // "quit" from the port ends the program after its reply.
    {
        Client client("127.0.0.1", port.boundPort());
        client.send("quit\n");
        ASSERT_TRUE(RunWindowUntil([&] {
            client.poll();
            return exited;
        }));
    }
    ::close(reader);
}

}  // namespace
}  // namespace sorvex
