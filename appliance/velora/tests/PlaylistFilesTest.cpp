// ".qpl" files on disk: reading the three-line entries, writing them back, line breaks in
// values, the folder from the environment, and the names a playlist may take.
#include "playlist/PlaylistFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace velora {
namespace {

namespace fs = std::filesystem;

struct Scratch {
    fs::path dir;
    Scratch()
    {
        char tmpl[] = "/tmp/velora-qpl-XXXXXX";
        dir = mkdtemp(tmpl);
    }
    ~Scratch() { fs::remove_all(dir); }
    std::string write(const std::string& name, const std::string& text)
    {
        std::ofstream(dir / name) << text;
        return (dir / name).string();
    }
};

std::string Slurp(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<QplEntry> ReadFile(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "r");
    EXPECT_NE(f, nullptr);
    auto entries = ReadQpl(f);
    fclose(f);
    return entries;
}

TEST(PlaylistFiles, ReadsEntriesInFileOrderAndSkipsComments)
{
    Scratch s;
    auto path = s.write("Rock.qpl",
                        "# my list\n"
                        "URL   0=file:///music/a.mp3\n"
                        "MIME  0=audio/mpeg\n"
                        "TITLE 0=First\\nSecond line\n"
                        "\n"
                        ".hidden\n"
                        "URL   7=http://127.0.0.1:8000/stream\r\n"
                        "MIME  7=audio/mpeg\r\n"
                        "TITLE 7=\r\n"
                        "URL   2=file:///music/orphan.wav\n"
                        "MIME  2=audio/x-wav\n");
    auto entries = ReadFile(path);
    ASSERT_EQ(entries.size(), 2u);  // the last entry has no TITLE line
    EXPECT_EQ(entries[0].url, "file:///music/a.mp3");
    EXPECT_EQ(entries[0].mime, "audio/mpeg");
    EXPECT_EQ(entries[0].title, "First\nSecond line");
    EXPECT_EQ(entries[1].url, "http://127.0.0.1:8000/stream");
    EXPECT_EQ(entries[1].title, "");
    // A value ends at '^'; a line without '=' counts for nothing.
    auto caret = s.write("Caret.qpl", "URL   0=a^b\nnonsense\nMIME  0=\nTITLE 0=t\n");
    entries = ReadFile(caret);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].url, "a");
    EXPECT_EQ(entries[0].mime, "");
}

TEST(PlaylistFiles, WritesThreeLinesPerEntryAndLineBreaksSurviveRereading)
{
    Scratch s;
    const std::vector<QplEntry> entries = {
        {"file:///music/a.mp3", "audio/mpeg", "Two\nlines"},
        {"file:///music/b.wav", "audio/x-wav", ""},
        {"file:///music/c.wav", "audio/x-wav", "Dos\r\nline\rbreaks"},
    };
    const std::string path = (s.dir / "List.qpl").string();
    FILE* f = fopen(path.c_str(), "w");
    WriteQpl(f, entries);
    fclose(f);
    EXPECT_EQ(Slurp(path),
              "URL   0=file:///music/a.mp3\nMIME  0=audio/mpeg\nTITLE 0=Two\\nlines\n"
              "URL   1=file:///music/b.wav\nMIME  1=audio/x-wav\nTITLE 1=\n"
              "URL   2=file:///music/c.wav\nMIME  2=audio/x-wav\nTITLE 2=Dos\\nline\\nbreaks\n");
    auto back = ReadFile(path);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].title, "Two\nlines");
    EXPECT_EQ(back[1].url, "file:///music/b.wav");
    EXPECT_EQ(back[2].title, "Dos\nline\nbreaks");
}

TEST(PlaylistFiles, FolderComesFromTheEnvironmentOnceAndIsMadeOnDemand)
{
    Scratch s;
    const std::string given = (s.dir / "lists" / "deep").string() + "/";
    setenv("PLAYLIST_DIR", given.c_str(), 1);
    ResetPlaylistDirName();
    EXPECT_EQ(GetPlaylistDirName(), given);
    setenv("PLAYLIST_DIR", "/elsewhere/", 1);
    EXPECT_EQ(GetPlaylistDirName(), given);  // kept from the first use
    unsetenv("PLAYLIST_DIR");
    ResetPlaylistDirName();
    setenv("HOME", s.dir.c_str(), 1);
    EXPECT_EQ(GetPlaylistDirName(), s.dir.string() + "/.ph/playlist/");
    ResetPlaylistDirName();

    EXPECT_TRUE(MakePlaylistDir(given));
    struct stat st;
    ASSERT_EQ(stat(given.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0777u);
    // Below a file nothing can be made.
    s.write("plain", "x");
    EXPECT_FALSE(MakePlaylistDir((s.dir / "plain" / "sub/").string()));
}

TEST(PlaylistFiles, NamesTakeLettersDigitsBlanksDashesUnderscoresAndParentheses)
{
    const std::string good = "My list-2_(old) 7";
    EXPECT_TRUE(IsPlaylistNameText(good.data(), good.size()));
    for (const char* bad : {"a/b", "..", "x.qpl", "tab\t", "semi;"})
        EXPECT_FALSE(IsPlaylistNameText(bad, strlen(bad))) << bad;
    EXPECT_TRUE(IsPlaylistNameText("", 0));
}

// Whether a file was read whole: only a file of entry lines (blank and comment lines aside) was.
TEST(PlaylistFiles, TellsWhetherAFileWasReadWhole)
{
    const std::string entry = "URL   0=file:///music/a.mp3\nMIME  0=audio/mpeg\nTITLE 0=A\n";
    const std::pair<std::string, bool> cases[] = {
        {entry, true},
        {"\n" + entry + "\r\n", true},
        {"URL   0=file:///a.mp3\r\nMIME  0=\r\nTITLE 0=\r\n", true},
        {"", true},
        {"# note\n" + entry, true},  // comments hold no entry: read past
        {".hidden\n" + entry, true},
        {entry + "URL   1=file:///music/b.mp3\n", false},  // no title line
        {entry + "garbage\n", false},
        {entry + "VOLUME 0=3\n", false},
        {"URL   0=file:///a^b.mp3\nMIME  0=\nTITLE 0=\n", false},  // a value cut short
        {"URL   0=" + std::string(300, 'u') + "\nMIME  0=\nTITLE 0=\n", false},
        {std::string("URL   0=a\0b\nMIME  0=\nTITLE 0=\n", 27), false},
    };
    for (const auto& [text, whole] : cases) {
        FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
        if (text.empty()) in = fopen("/dev/null", "r");
        ASSERT_NE(in, nullptr);
        bool read = !whole;
        ReadQpl(in, &read);
        fclose(in);
        EXPECT_EQ(read, whole) << text.substr(0, 80);
    }
    // An over-long line is one line: what follows its first 254 characters is never read as a
    // line of its own.
    const std::string injected = "TITLE 0=" + std::string(246, 't') + "URL   9=file:///evil\nTITLE 1=x\n";
    FILE* in = fmemopen(const_cast<char*>(injected.data()), injected.size(), "r");
    ASSERT_NE(in, nullptr);
    const auto entries = ReadQpl(in);
    fclose(in);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].url, "");
    EXPECT_EQ(entries[1].url, "");
}

}  // namespace
}  // namespace velora
