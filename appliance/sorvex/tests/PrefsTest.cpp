// The preferences file: reading its keys with their defaults, writing them in their fixed order,
// the cover names and the path mappings.
#include <gtest/gtest.h>

#include <cstdlib>

#include "Prefs.h"
#include "SorvexTesting.h"

namespace sorvex {
namespace {

using testing::ScratchFolder;

class HomeIs {
public:
    explicit HomeIs(const char* home) {
        if (const char* old = std::getenv("HOME")) previous_ = old;
        if (home) setenv("HOME", home, 1);
        else unsetenv("HOME");
    }
    ~HomeIs() {
        if (previous_) setenv("HOME", previous_->c_str(), 1);
        else unsetenv("HOME");
    }

private:
    std::optional<std::string> previous_;
};

Prefs read(const ScratchFolder& folder, const std::string& text, std::vector<int>* ports = nullptr) {
    Prefs prefs;
    ReadPrefs(prefs, folder.write("prefs", text), [&](int port) {
        if (ports) ports->push_back(port);
    });
    return prefs;
}

TEST(Prefs, KeysWithAndWithoutValues) {
    ScratchFolder folder;
    HomeIs home("/home/juke");
    std::vector<int> ports;
    const Prefs prefs = read(folder,
                             "# shuffle 0\r\n"
                             "Shuffle\n"
                             "REPEAT 0\n"
                             "autoclear 0\n"
                             "replay-gain\n"
                             "add-decibels 3.5\n"
                             "save-on-exit\n"
                             "default-list-mode 2\n"
                             "directory /music/mp3  extra\n"
                             "directory /other\n"
                             "\n"
                             "fs-charset UTF-8\n"
                             "data-charset\n"
                             "default-list a.m3u\n"
                             "default-list b.m3u\n"
                             "map-dir C:/Music=/mnt/music\n"
                             "map-dir nothing\n"
                             "map-dir D:=/d\n"
                             "port 1024\n"
                             "port x\n"
                             "unknown-key 12\n",
                             &ports);
    EXPECT_EQ(prefs.shuffle, 1);
    EXPECT_EQ(prefs.repeat, 0);
    EXPECT_EQ(prefs.autoclear, 0);
    EXPECT_EQ(prefs.replayGain, 0);
    EXPECT_DOUBLE_EQ(prefs.addDecibels, 3.5);
    EXPECT_EQ(prefs.saveOnExit, 1);
    EXPECT_EQ(prefs.defaultListMode, 2);
    EXPECT_EQ(prefs.directory, "/music/mp3  extra");
    EXPECT_EQ(prefs.fsCharset, "UTF-8");
    EXPECT_EQ(prefs.dataCharset, "ISO-8859-1");
    EXPECT_EQ(prefs.defaultList, "a.m3u");
    ASSERT_EQ(prefs.mapDirs.size(), 2u);
    EXPECT_EQ(prefs.mapDirs[0].from, "D:");
    EXPECT_EQ(prefs.mapDirs[1].to, "/mnt/music");
    EXPECT_EQ(ports, (std::vector<int>{1024, 0}));
    EXPECT_EQ(prefs.commandPortNumber, 0);

    // "add-decibels" without a value is 0.0; the defaults stand for keys not given.
    const Prefs other = read(folder, "add-decibels\n");
    EXPECT_DOUBLE_EQ(other.addDecibels, 0.0);
    EXPECT_EQ(other.replayGain, 1);
    EXPECT_EQ(other.fsCharset, "cp437");
    EXPECT_EQ(other.defaultList, "/home/juke/sorvex.m3u");
}

TEST(Prefs, DefaultListWithoutHomeOrFile) {
    ScratchFolder folder;
    {
        HomeIs home("/");
        EXPECT_EQ(read(folder, "shuffle 0\n").defaultList, "/sorvex.m3u");
    }
    {
        HomeIs home(nullptr);
        EXPECT_EQ(read(folder, "shuffle 0\n").defaultList, "/sorvex.m3u");
        EXPECT_FALSE(InitPrefsPath());
    }
    HomeIs home("/home/juke");
    EXPECT_EQ(InitPrefsPath(), "/home/juke/.sorvex");
    Prefs prefs;
    ReadPrefs(prefs, folder / "missing", nullptr);
    EXPECT_FALSE(prefs.defaultList);
}

TEST(Prefs, CoverNames) {
    ScratchFolder folder;
    Prefs prefs = read(folder, "cover-file  folder.jpg , x,front.png\ncovers 0\n");
    EXPECT_EQ(prefs.coverNames, (std::vector<std::string>{"folder.jpg", "front.png"}));
    prefs = read(folder, "cover-file x.png\ncovers 1\n");
    EXPECT_EQ(JoinedCoverNames(prefs), "cover.jpg,cover.gif,cover.bmp");
}

TEST(Prefs, WrittenInOrderAndReadBack) {
    ScratchFolder folder;
    HomeIs home("/home/juke");
    Prefs prefs;
    AddCoverNames(prefs, "a.jpg,b.gif");
    AddMapDir(prefs, "C:/Music=/mnt/music");
    AddMapDir(prefs, "//server/share=/srv");
    prefs.directory = "/music";
    const std::string file = folder / "out";
    ASSERT_TRUE(WritePrefs(prefs, file));
    EXPECT_EQ(ScratchFolder::readFile(file),
              "shuffle 1\nrepeat 1\nautoclear 1\ncover-file a.jpg,b.gif\nsave-on-exit 0\ndefault-list-mode 0\n"
              "directory /music\ndefault-list \nadd-decibels 7.000000\nreplay-gain 1\nfs-charset cp437\n"
              "data-charset ISO-8859-1\nmap-dir C:/Music=/mnt/music\nmap-dir //server/share=/srv\n");

    // The port is written only when above 0; mappings keep their order when read back.
    prefs.commandPortNumber = 1024;
    ASSERT_TRUE(WritePrefs(prefs, file));
    Prefs back;
    ReadPrefs(back, file, nullptr);
    EXPECT_EQ(back.coverNames, prefs.coverNames);
    EXPECT_EQ(back.commandPortNumber, 1024);
    EXPECT_EQ(back.defaultList, "/home/juke/sorvex.m3u");
    ASSERT_EQ(back.mapDirs.size(), 2u);
    EXPECT_EQ(back.mapDirs[0].from, "//server/share");  // the same order as before
    prefs.commandPortNumber = 0;
    ASSERT_TRUE(WritePrefs(prefs, file));
    EXPECT_EQ(ScratchFolder::readFile(file).find("port"), std::string::npos);

    EXPECT_FALSE(WritePrefs(prefs, folder / "no/such/folder/prefs"));
}

TEST(Prefs, PathMappingAppliesTheFirstMatchWithoutRegardToCase) {
    Prefs prefs;
    AddMapDir(prefs, "C:/Music=/mnt/music");
    AddMapDir(prefs, "c:/music/rock=/rock");
    std::string path = "C:/MUSIC/Rock/song.mp3";
    ApplyMapDir(prefs, path);
    EXPECT_EQ(path, "/rock/song.mp3");
    path = "c:/Music/Jazz/" + std::string(3000, 'x') + ".mp3";
    ApplyMapDir(prefs, path);
    EXPECT_EQ(path, "/mnt/music/Jazz/" + std::string(3000, 'x') + ".mp3");
    path = "C:";
    ApplyMapDir(prefs, path);
    EXPECT_EQ(path, "C:");
}

}  // namespace
}  // namespace sorvex
