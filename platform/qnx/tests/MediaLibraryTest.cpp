#include "qnx/MediaLibrary.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

using namespace qnx;

namespace {

class MediaLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() / ("zephra-media-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        settings = dir / "sub" / "mediaplayer.conf";
        setenv("ZEPHRA_MEDIA_SETTINGS", settings.c_str(), 1);
        unsetenv("ZEPHRA_MEDIA_PLUGINS");
    }
    void TearDown() override
    {
        unsetenv("ZEPHRA_MEDIA_SETTINGS");
        unsetenv("ZEPHRA_MEDIA_PLUGINS");
        std::filesystem::remove_all(dir);
    }
    std::filesystem::path dir, settings;
};

TEST_F(MediaLibraryTest, SettingsAreSavedAndReadBack)
{
    MvSetup setup;
    std::memset(&setup, 0x5A, sizeof setup);
    MvSetup untouched = setup;
    EXPECT_EQ(MvGetMpSetting(&setup), 0);
    EXPECT_EQ(std::memcmp(&setup, &untouched, sizeof setup), 0);

    EXPECT_EQ(MvGetMpDefaultSetting(&setup), 1);
    EXPECT_EQ(setup.audio.pcmPlaybackCardA, 0u);
    EXPECT_EQ(setup.audio.pcmPlaybackDeviceA, 0u);
    EXPECT_EQ(setup.audio.spdifPlaybackCard, 0xFFFFFFFFu);
    EXPECT_LE(setup.audio.volume, 100u);

    setup.audio.volume = 42;
    setup.videoWnd.pos.x = -12;
    setup.videoSetting.yShift = -3;
    std::strcpy(setup.mountPoint, "/fs/cd1");
    setup.reserve_1 = 1;
    EXPECT_EQ(MvSetMpSetting(&setup), 0);

    MvSetup read{};
    EXPECT_EQ(MvGetMpSetting(&read), 1);
    EXPECT_EQ(std::memcmp(&read, &setup, sizeof setup), 0);
}

TEST_F(MediaLibraryTest, MissingOrBadEntriesKeepTheirDefaults)
{
    std::filesystem::create_directories(settings.parent_path());
    std::ofstream(settings)
        << "audio.volume = 17\naudio.pcmPlaybackCardA = seven\nnonsense\nunknown.key = 4\nmountPoint = "
        << std::string(3000, 'm') << "\n";
    MvSetup read{}, defaults{};
    MvGetMpDefaultSetting(&defaults);
    EXPECT_EQ(MvGetMpSetting(&read), 1);
    EXPECT_EQ(read.audio.volume, 17u);
    EXPECT_EQ(read.audio.pcmPlaybackCardA, defaults.audio.pcmPlaybackCardA);
    EXPECT_EQ(std::strlen(read.mountPoint), sizeof read.mountPoint - 1);
}

TEST_F(MediaLibraryTest, PluginsAreFoundByUrlAndMimeType)
{
    char plugin[kMediaTextSize] = "x", text[kMediaTextSize] = "x", mime[kMediaTextSize];
    EXPECT_NE(MvGetPluginFromUrl(plugin, "file:///music/Song.MP3", 0, text), 0);
    EXPECT_STREQ(plugin, "brisko.so");
    EXPECT_STREQ(text, "");
    EXPECT_NE(MvGetPluginFromUrl(plugin, "file:///var/media/a.wav", 0, text), 0);
    EXPECT_STREQ(plugin, "plimsa.so");
    EXPECT_NE(MvGetPluginFromUrl(plugin, "http://127.0.0.1:8000/clip.aiff?x=1", 0, text), 0);
    EXPECT_STREQ(plugin, "plimsa.so");
    EXPECT_NE(MvGetPluginFromUrl(plugin, "HTTP://127.0.0.1:8000/stream", 0, nullptr), 0);
    EXPECT_STREQ(plugin, "brisko.so");
    EXPECT_EQ(MvGetPluginFromUrl(plugin, "file:///a/b.ogg", 0, text), 0);
    EXPECT_EQ(MvGetPluginFromUrl(plugin, "file:///a.wav/dir", 0, text), 0);

    EXPECT_NE(MvGetPluginFromMime(plugin, "Audio/X-Wav", 0), 0);
    EXPECT_STREQ(plugin, "plimsa.so");
    EXPECT_EQ(MvGetPluginFromMime(plugin, "video/mpeg", 0), 0);
    EXPECT_NE(MvGetMimeFromPlugin(mime, "/usr/lib/brisko.so", 0), 0);
    EXPECT_STREQ(mime, "audio/mpeg");
    EXPECT_EQ(MvGetMimeFromPlugin(mime, "tarrow.so", 0), 0);
    EXPECT_STREQ(mime, "");
}

TEST_F(MediaLibraryTest, ATableFileReplacesTheBuiltInTable)
{
    auto table = dir / "plugins";
    std::ofstream(table) << "# test table\nvideo/dvd quenby.so vob\naudio/cd tarrow.so cda cdda:\nx/long "
                         << std::string(300, 'p') << " long\n";
    setenv("ZEPHRA_MEDIA_PLUGINS", table.c_str(), 1);
    char plugin[kMediaTextSize];
    EXPECT_NE(MvGetPluginFromUrl(plugin, "file:///fs/cd0/VIDEO_TS/a.VOB", 0, nullptr), 0);
    EXPECT_STREQ(plugin, "quenby.so");
    EXPECT_NE(MvGetPluginFromUrl(plugin, "cdda://1", 0, nullptr), 0);
    EXPECT_STREQ(plugin, "tarrow.so");
    EXPECT_EQ(MvGetPluginFromUrl(plugin, "file:///a.mp3", 0, nullptr), 0);
    // A name that does not fit the caller's buffer is not handed out.
    EXPECT_EQ(MvGetPluginFromUrl(plugin, "file:///a.long", 0, nullptr), 0);
}

}  // namespace
