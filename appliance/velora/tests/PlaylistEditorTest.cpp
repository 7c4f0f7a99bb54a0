// The playlist editor on real ".qpl" files: reading folders lazily, the clipboard (copy, cut,
// paste of folders and entries), renaming and deleting playlists and their files, names that
// are taken or hold refused characters, saving; and the active playlist's window.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "playlist/Controller.h"
#include "PaneFixture.h"
#include "panes/Panes.h"
#include "playlist/PlaylistEditor.h"
#include "playlist/PlaylistFiles.h"

namespace velora::testing {
namespace {

using namespace photon;
namespace t = photon::test;
namespace fs = std::filesystem;

class PlaylistEditor : public PaneTest {
protected:
    void SetUp() override
    {
        PaneTest::SetUp();
        dir = GetPlaylistDirName();
        fs::remove_all(dir);
    }
    void TearDown() override
    {
        if (PtWidget_t* editor = t::Find("playlistEditorDlg")) PtDestroyWidget(editor);
        if (PtWidget_t* active = t::Find("playlistActiveDlg")) PtDestroyWidget(active);
        t::RunUntilIdle();
        fs::remove_all(dir);
        PaneTest::TearDown();
    }
    void Write(const std::string& name, const std::string& text)
    {
        fs::create_directories(dir);
        std::ofstream(dir + name) << text;
    }
    std::string Read(const std::string& name)
    {
        std::ifstream in(dir + name);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    PtWidget_t* Tree() { return t::Find("playlist"); }
    PtTreeItem_t* Folder(const char* name)
    {
        for (PtTreeItem_t* f = PtTreeRootItem(Tree()); f; f = f->brother)
            if (std::string(f->string) == name) return f;
        return nullptr;
    }
    static std::vector<std::string> Texts(PtTreeItem_t* first)
    {
        std::vector<std::string> out;
        for (; first; first = first->brother) out.push_back(first->string);
        return out;
    }
    std::set<std::string> Folders()
    {
        auto texts = Texts(PtTreeRootItem(Tree()));
        return {texts.begin(), texts.end()};
    }
    void Name(const char* text)
    {
        PtSetResource(t::Find("pl_name_field"), Pt_ARG_TEXT_STRING, text, 0);
        t::Click(t::Find("plPropertiesOk"));
    }
    std::string dir;
};

TEST_F(PlaylistEditor, AnEmptyFolderShowsOnePlaylistAndWritesNothingUnchanged)
{
    OnOpenPlaylistEditor(nullptr, nullptr, nullptr);
    t::RunUntilIdle();
    ASSERT_NE(Tree(), nullptr);
    EXPECT_EQ(IsPlaylistEditorRealized(), 1);
    EXPECT_EQ(Folders(), (std::set<std::string>{"Playlist1"}));
    PtDestroyWidget(t::Find("playlistEditorDlg"));
    t::RunUntilIdle();
    EXPECT_EQ(IsPlaylistEditorRealized(), 0);
    EXPECT_FALSE(fs::exists(dir + "Playlist1.qpl"));
}

TEST_F(PlaylistEditor, ClipboardRenameDeleteAndSaveOnRealFiles)
{
    Write("Rock.qpl",
          "URL   0=file:///music/a.mp3\nMIME  0=audio/mpeg\nTITLE 0=Alpha\\nLive\n"
          "URL   1=file:///music/b.mp3\nMIME  1=\nTITLE 1=Beta\n");
    Write("Jazz.qpl", "URL   0=http://127.0.0.1:9/jazz\nMIME  0=audio/mpeg\nTITLE 0=Stream\n");
    Write("notes.txt", "not a playlist\n");
    OnOpenPlaylistEditor(nullptr, nullptr, nullptr);
    t::RunUntilIdle();
    ASSERT_EQ(Folders(), (std::set<std::string>{"Rock", "Jazz"}));
    PtTreeItem_t* rock = Folder("Rock");
    PtTreeItem_t* jazz = Folder("Jazz");
    EXPECT_EQ(rock->son, nullptr);  // read when first opened
    PtTreeExpand(Tree(), rock, nullptr);
    // An entry without a MIME type takes the one its URL resolves to.
    EXPECT_EQ(Texts(rock->son),
              (std::vector<std::string>{"file:///music/a.mp3\tAlpha\nLive", "file:///music/b.mp3\tBeta"}));
    EXPECT_STREQ(static_cast<const char*>(rock->son->brother->data), "audio/mpeg");

    // The edit menu: without a current item everything is off; on a folder rename is on.
    PtTreeGoto(Tree(), nullptr);
    t::Click(t::Find("playlistEditButton"));
    if (PtTreeGetCurrent(Tree()) == nullptr) {
        for (const char* item :
             {"plEditCut", "plEditCopy", "plEditPaste", "plEditDelete", "plEditRename", "plEditActivate"})
            EXPECT_TRUE(t::Flags(t::Find(item)) & Pt_BLOCKED) << item;
    }
    if (PtWidget_t* menu = t::Find("playlist_edit_menu")) PtDestroyWidget(menu);
    t::RunUntilIdle();
    PtTreeGoto(Tree(), rock);
    t::Click(t::Find("playlistEditButton"));
    ASSERT_NE(t::Find("playlist_edit_menu"), nullptr);
    EXPECT_FALSE(t::Flags(t::Find("plEditRename")) & Pt_BLOCKED);
    EXPECT_TRUE(t::Flags(t::Find("plEditPaste")) & Pt_BLOCKED);  // nothing to paste yet
    if (PtWidget_t* menu = t::Find("playlist_edit_menu")) PtDestroyWidget(menu);

    // Copy a folder and paste it on another: its entries come first in that folder; the
    // clipboard keeps them for another paste.
    PtTreeGoto(Tree(), rock);
    OnPlaylistEditCopy(nullptr, nullptr, nullptr);
    PtTreeGoto(Tree(), jazz);
    OnPlaylistEditPaste(nullptr, nullptr, nullptr);
    EXPECT_EQ(Texts(jazz->son),
              (std::vector<std::string>{"file:///music/a.mp3\tAlpha\nLive", "file:///music/b.mp3\tBeta",
                                        "http://127.0.0.1:9/jazz\tStream"}));
    // Cut an entry (Ctrl+X) and paste it after another.
    PtTreeGoto(Tree(), jazz->son);
    t::Key(Tree(), 'x', Pk_KM_Ctrl);
    EXPECT_EQ(Texts(jazz->son).size(), 2u);
    EXPECT_STREQ(PtTreeGetCurrent(Tree())->string, "file:///music/b.mp3\tBeta");
    PtTreeGoto(Tree(), jazz->son->brother);
    OnPlaylistEditPaste(nullptr, nullptr, nullptr);
    EXPECT_EQ(Texts(jazz->son),
              (std::vector<std::string>{"file:///music/b.mp3\tBeta", "http://127.0.0.1:9/jazz\tStream",
                                        "file:///music/a.mp3\tAlpha\nLive"}));

    // A new playlist and a renamed one cannot take a name that is in use.
    t::Click(t::Find("playlistNewFolderButton"));
    ASSERT_NE(t::Find("pl_name_field"), nullptr);
    Name("Rock");
    EXPECT_EQ(ErrorText(), "A playlist named 'Rock' already exists");
    CloseError();
    ASSERT_NE(t::Find("pl_name_field"), nullptr);  // the dialog stays for another name
    // The name field refuses characters a file name must not hold.
    PtSetResource(t::Find("pl_name_field"), Pt_ARG_TEXT_STRING, "", 0);
    t::TypeText(t::Find("pl_name_field"), "Mix/(2)");
    EXPECT_EQ(t::Text(t::Find("pl_name_field")), "Mix(2)");
    t::Click(t::Find("plPropertiesOk"));
    EXPECT_EQ(t::Find("pl_name_field"), nullptr);
    EXPECT_EQ(Folders(), (std::set<std::string>{"Rock", "Jazz", "Mix(2)"}));

    PtTreeGoto(Tree(), jazz);
    t::Click(t::Find("playlistRenameButton"));
    EXPECT_EQ(t::Text(t::Find("pl_name_field")), "Jazz");
    Name("Mix(2)");
    EXPECT_EQ(ErrorText(), "A playlist named 'Mix(2)' already exists");
    CloseError();
    Name("Smooth Jazz");
    EXPECT_FALSE(fs::exists(dir + "Jazz.qpl"));
    EXPECT_TRUE(fs::exists(dir + "Smooth Jazz.qpl"));
    EXPECT_STREQ(jazz->string, "Smooth Jazz");

    // Saving writes the playlists whose entries were read; line breaks are kept escaped.
    t::Click(t::Find("playlistSaveButton"));
    EXPECT_EQ(Read("Smooth Jazz.qpl"),
              "URL   0=file:///music/b.mp3\nMIME  0=audio/mpeg\nTITLE 0=Beta\n"
              "URL   1=http://127.0.0.1:9/jazz\nMIME  1=audio/mpeg\nTITLE 1=Stream\n"
              "URL   2=file:///music/a.mp3\nMIME  2=audio/mpeg\nTITLE 2=Alpha\\nLive\n");
    EXPECT_EQ(Read("Mix(2).qpl"), "");
    EXPECT_EQ(Read("Rock.qpl"),
              "URL   0=file:///music/a.mp3\nMIME  0=audio/mpeg\nTITLE 0=Alpha\\nLive\n"
              "URL   1=file:///music/b.mp3\nMIME  1=audio/mpeg\nTITLE 1=Beta\n");

    // Deleting a playlist removes its file; the selection moves to its next sibling.
    PtTreeGoto(Tree(), Folder("Rock"));
    PtTreeItem_t* after = Folder("Rock")->brother;
    t::Click(t::Find("playlistDeleteButton"));
    EXPECT_FALSE(fs::exists(dir + "Rock.qpl"));
    EXPECT_EQ(Folders(), (std::set<std::string>{"Smooth Jazz", "Mix(2)"}));
    if (after) {
        EXPECT_EQ(PtTreeGetCurrent(Tree()), after);
    }
    Screenshot(t::Find("playlistEditorDlg"), "velora-playlist-editor.png");

    // Closing the editor after a change saves; the files read back as they were shown.
    PtTreeGoto(Tree(), Folder("Mix(2)"));
    OnPlaylistEditPaste(nullptr, nullptr, nullptr);  // the cut entry, once more
    PtDestroyWidget(t::Find("playlistEditorDlg"));
    t::RunUntilIdle();
    FILE* in = fopen((dir + "Mix(2).qpl").c_str(), "r");
    ASSERT_NE(in, nullptr);
    auto entries = ReadQpl(in);
    fclose(in);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].title, "Alpha\nLive");
}

// A row highlighted and then Ctrl+clicked shows nothing highlighted: Delete, Cut and Copy then
// act on nothing, and Save writes the files as they were.
TEST_F(PlaylistEditor, WithNothingHighlightedTheEditingKeysActOnNothing)
{
    ASSERT_TRUE(t::HaveRealInput());
    const std::string rock =
        "URL   0=file:///music/a.mp3\nMIME  0=audio/mpeg\nTITLE 0=Alpha\n"
        "URL   1=file:///music/b.mp3\nMIME  1=audio/mpeg\nTITLE 1=Beta\n";
    const std::string jazz = "URL   0=http://127.0.0.1:9/jazz\nMIME  0=audio/mpeg\nTITLE 0=Stream\n";
    Write("Rock.qpl", rock);
    Write("Jazz.qpl", jazz);
    OnOpenPlaylistEditor(nullptr, nullptr, nullptr);
    t::RunUntilIdle();
    ASSERT_EQ(Folders(), (std::set<std::string>{"Rock", "Jazz"}));
    // The list's rows, counted from 1: the playlists in the order the editor shows them.
    const auto folders = Texts(PtTreeRootItem(Tree()));
    const int rockRow = folders[0] == "Rock" ? 1 : 2;
    auto editingKeys = [this] {
        t::RealKey(Tree(), "Delete");
        t::RealKey(Tree(), "x", Pk_KM_Ctrl);
        t::RealKey(Tree(), "c", Pk_KM_Ctrl);
    };

    // A playlist: highlighted, then Ctrl+clicked. The click on the other one gives the list the
    // keyboard; the Ctrl+click is then not the second click of a double click.
    t::RealClickRow(Tree(), 3 - rockRow);
    PtTreeGoto(Tree(), Folder("Rock"));
    ASSERT_EQ(PtTreeGetCurrent(Tree()), Folder("Rock"));
    t::RealClickRow(Tree(), rockRow, Pk_KM_Ctrl);
    EXPECT_EQ(PtTreeGetCurrent(Tree()), nullptr);
    editingKeys();
    ASSERT_NE(Folder("Rock"), nullptr);
    EXPECT_EQ(Read("Rock.qpl"), rock);

    // Nothing was copied or cut: pasting on the other playlist adds nothing.
    PtTreeExpand(Tree(), Folder("Jazz"), nullptr);
    PtTreeGoto(Tree(), Folder("Jazz"));
    OnPlaylistEditPaste(nullptr, nullptr, nullptr);
    EXPECT_EQ(Texts(Folder("Jazz")->son), (std::vector<std::string>{"http://127.0.0.1:9/jazz\tStream"}));
    Screenshot(t::Find("playlistEditorDlg"), "velora-playlist-nothing-highlighted.png");

    t::RealClick(t::Find("playlistSaveButton"));
    EXPECT_EQ(Read("Rock.qpl"), rock);
    EXPECT_EQ(Read("Jazz.qpl"), jazz);

    // Delete still works on what is highlighted: the playlist and its file go.
    PtTreeGoto(Tree(), Folder("Jazz"));
    ASSERT_EQ(PtTreeGetCurrent(Tree()), Folder("Jazz"));
    t::RealKey(Tree(), "Delete");
    EXPECT_EQ(Folders(), (std::set<std::string>{"Rock"}));
    EXPECT_FALSE(fs::exists(dir + "Jazz.qpl"));
}

// A playlist file the editor could not read whole (a 20,000-byte line, a line it does not
// understand, an entry whose URL no plug-in plays) is kept byte for byte when the editor saves,
// and the user who saves is told; a file read whole is written as before, one with comment
// lines too (they hold no entry).
TEST_F(PlaylistEditor, AFileNotReadWholeIsNeverWrittenBackAndTheUserIsTold)
{
    const std::map<std::string, std::string> kept = {
        {"Long.qpl", "URL   0=file:///music/" + std::string(20000, 'a') + ".mp3\nMIME  0=audio/mpeg\nTITLE 0=Long\n"},
        {"Odd.qpl", "URL   0=file:///music/a.mp3\nMIME  0=audio/mpeg\nTITLE 0=A\nVOLUME 0=11\n"},
        {"Cut.qpl", "URL   0=file:///music/a.mp3\nMIME  0=audio/mpeg\nTITLE 0=A\nURL   1=file:///music/b.mp3\n"},
        {"Unplayable.qpl",
         "URL   0=file:///music/a.mp3\nMIME  0=audio/mpeg\nTITLE 0=A\nURL   1=file:///music/b.xyz\nMIME  1=\nTITLE 1=B\n"}};
    for (const auto& [name, text] : kept) Write(name, text);
    Write("Good.qpl", "URL   0=file:///music/g.mp3\nMIME  0=audio/mpeg\nTITLE 0=G\n");
    Write("Noted.qpl", "# favourites\nURL   0=file:///music/a.mp3\nMIME  0=audio/mpeg\nTITLE 0=A\n");
    OnOpenPlaylistEditor(nullptr, nullptr, nullptr);
    t::RunUntilIdle();
    for (const char* name : {"Long", "Odd", "Noted", "Cut", "Unplayable", "Good"}) {
        ASSERT_NE(Folder(name), nullptr) << name;
        PtTreeExpand(Tree(), Folder(name), nullptr);
        if (!ErrorText().empty()) CloseError();
    }
    // What could be read is shown: the entry before the one no plug-in plays.
    EXPECT_EQ(Texts(Folder("Unplayable")->son), (std::vector<std::string>{"file:///music/a.mp3\tA"}));
    // A change, then a save of every playlist read.
    PtTreeGoto(Tree(), Folder("Good")->son);
    OnPlaylistEditCopy(nullptr, nullptr, nullptr);
    for (const char* name : {"Unplayable", "Odd", "Good", "Noted"}) {
        PtTreeGoto(Tree(), Folder(name));
        OnPlaylistEditPaste(nullptr, nullptr, nullptr);
    }
    if (!ErrorText().empty()) CloseError();
    t::RealClick(t::Find("playlistSaveButton"));
    for (const auto& [name, text] : kept) {
        EXPECT_EQ(Read(name), text) << name;
        EXPECT_NE(ErrorText().find("Playlist file " + dir + name + " was not read whole"), std::string::npos)
            << ErrorText();
    }
    EXPECT_EQ(ErrorText().find("Good.qpl"), std::string::npos);
    CloseError();
    EXPECT_EQ(Read("Noted.qpl"),
              "URL   0=file:///music/g.mp3\nMIME  0=audio/mpeg\nTITLE 0=G\n"
              "URL   1=file:///music/a.mp3\nMIME  1=audio/mpeg\nTITLE 1=A\n");
    EXPECT_EQ(Read("Good.qpl"),
              "URL   0=file:///music/g.mp3\nMIME  0=audio/mpeg\nTITLE 0=G\n"
              "URL   1=file:///music/g.mp3\nMIME  1=audio/mpeg\nTITLE 1=G\n");
    PtDestroyWidget(t::Find("playlistEditorDlg"));
    t::RunUntilIdle();
    for (const auto& [name, text] : kept) EXPECT_EQ(Read(name), text) << name;
}

// Add File with nothing selected goes into the existing first playlist: its entries stay.
TEST_F(PlaylistEditor, AddFileWithNothingSelectedKeepsTheExistingFirstPlaylist)
{
    Write("Playlist1.qpl",
          "URL   0=file:///music/a.mp3\nMIME  0=audio/mpeg\nTITLE 0=A\n"
          "URL   1=file:///music/b.mp3\nMIME  1=audio/mpeg\nTITLE 1=B\n");
    OnOpenPlaylistEditor(nullptr, nullptr, nullptr);
    t::RunUntilIdle();
    ASSERT_NE(Folder("Playlist1"), nullptr);
    ASSERT_EQ(PtTreeGetCurrent(Tree()), nullptr);
    t::AnswerFileSelection("/music/c.mp3", Pt_FSDIALOG_BTN1);
    t::RealClick(t::Find("playlistNewFileButton"));
    if (!ErrorText().empty()) CloseError();
    EXPECT_EQ(Texts(PtTreeRootItem(Tree())), (std::vector<std::string>{"Playlist1"}));
    t::RealClick(t::Find("playlistSaveButton"));
    const std::string saved = Read("Playlist1.qpl");
    EXPECT_EQ(saved.find("URL   0=file:///music/a.mp3\nMIME  0=audio/mpeg\nTITLE 0=A\n"
                         "URL   1=file:///music/b.mp3\nMIME  1=audio/mpeg\nTITLE 1=B\n"
                         "URL   2=file:///music/c.mp3\n"),
              0u)
        << saved;
}

// The second window of the test below, run as a program of its own on the same display when
// VELORA_SECOND_EDITOR names the playlist folder: it reads both playlists, adds one entry to
// each by real clicks, saves and ends.
TEST_F(PlaylistEditor, SecondWindowAddsAndSaves)
{
    const char* shared = std::getenv("VELORA_SECOND_EDITOR");
    if (!shared) GTEST_SKIP() << "run by TwoWindowsSavingOnePlaylistKeepEachOthersEntries";
    setenv("PLAYLIST_DIR", shared, 1);
    ResetPlaylistDirName();
    OnOpenPlaylistEditor(nullptr, nullptr, nullptr);
    t::RunUntilIdle();
    ASSERT_NE(Folder("Shared"), nullptr);
    ASSERT_NE(Folder("Other"), nullptr);
    PtTreeExpand(Tree(), Folder("Shared"), nullptr);
    PtTreeExpand(Tree(), Folder("Other"), nullptr);
    PtTreeGoto(Tree(), Folder("Shared")->son->brother);
    t::AnswerFileSelection("/music/track 40.mp3", Pt_FSDIALOG_BTN1);
    t::RealClick(t::Find("playlistNewFileButton"));
    PtTreeGoto(Tree(), Folder("Other")->son);
    t::AnswerFileSelection("/music/other 2.mp3", Pt_FSDIALOG_BTN1);
    t::RealClick(t::Find("playlistNewFileButton"));
    t::RealClick(t::Find("playlistSaveButton"));
    if (!ErrorText().empty()) CloseError();
}

// Two windows of the player edit one playlist: B adds "track 40" and saves; A, which read the
// playlist before, adds "track 45" and saves. Both entries are kept, in their places, and A
// shows B's; another playlist that A read but never changed keeps what B saved in it.
TEST_F(PlaylistEditor, TwoWindowsSavingOnePlaylistKeepEachOthersEntries)
{
    auto qpl = [](const std::vector<std::pair<std::string, std::string>>& entries) {
        std::string text;
        for (size_t i = 0; i < entries.size(); ++i) {
            const std::string n = std::to_string(i);
            text += "URL   " + n + "=" + entries[i].first + "\nMIME  " + n + "=" + entries[i].second + "\nTITLE " + n +
                    "=" + entries[i].first.substr(entries[i].first.rfind('/') + 1) + "\n";
        }
        return text;
    };
    const std::string mpeg = "audio/mpeg";
    Write("Shared.qpl",
          qpl({{"file:///music/a.mp3", mpeg}, {"file:///music/b.mp3", mpeg}, {"file:///music/c.mp3", mpeg}}));
    Write("Other.qpl", qpl({{"file:///music/other 1.mp3", mpeg}}));
    OnOpenPlaylistEditor(nullptr, nullptr, nullptr);
    t::RunUntilIdle();
    PtTreeExpand(Tree(), Folder("Shared"), nullptr);
    PtTreeExpand(Tree(), Folder("Other"), nullptr);
    ASSERT_EQ(Texts(Folder("Shared")->son).size(), 3u);

    // B: this program again, on the same display, with the same playlist folder.
    const std::string filter = "--gtest_filter=PlaylistEditor.SecondWindowAddsAndSaves";
    const std::string variable = "VELORA_SECOND_EDITOR=" + dir;
    std::vector<char*> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "VELORA_SECOND_EDITOR=", 21) != 0) env.push_back(*e);
    env.push_back(const_cast<char*>(variable.c_str()));
    env.push_back(nullptr);
    char self[] = "/proc/self/exe";
    char* argv[] = {self, const_cast<char*>(filter.c_str()), nullptr};
    pid_t second = -1;
    ASSERT_EQ(posix_spawn(&second, "/proc/self/exe", nullptr, nullptr, argv, env.data()), 0);
    int status = -1;
    for (int i = 0; i < 2400 && waitpid(second, &status, WNOHANG) != second; ++i) {
        if (i == 2399) {
            kill(second, SIGKILL);
            waitpid(second, &status, 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const std::string fromB = qpl({{"file:///music/a.mp3", mpeg},
                                   {"file:///music/b.mp3", mpeg},
                                   {"file:///music/track 40.mp3", ""},
                                   {"file:///music/c.mp3", mpeg}});
    const std::string otherFromB = qpl({{"file:///music/other 1.mp3", mpeg}, {"file:///music/other 2.mp3", ""}});
    ASSERT_EQ(Read("Shared.qpl"), fromB);
    ASSERT_EQ(Read("Other.qpl"), otherFromB);

    // A, by real clicks: "track 45" after c, then Save.
    t::RunUntilIdle();
    PtTreeGoto(Tree(), Folder("Shared")->son->brother->brother);
    t::AnswerFileSelection("/music/track 45.mp3", Pt_FSDIALOG_BTN1);
    t::RealClick(t::Find("playlistNewFileButton"));
    if (!ErrorText().empty()) CloseError();
    t::RealClick(t::Find("playlistSaveButton"));
    EXPECT_EQ(Read("Shared.qpl"), qpl({{"file:///music/a.mp3", mpeg},
                                       {"file:///music/b.mp3", mpeg},
                                       {"file:///music/track 40.mp3", ""},
                                       {"file:///music/c.mp3", mpeg},
                                       {"file:///music/track 45.mp3", ""}}));
    EXPECT_EQ(Read("Other.qpl"), otherFromB);
    EXPECT_EQ(Texts(Folder("Shared")->son),
              (std::vector<std::string>{"file:///music/a.mp3\ta.mp3", "file:///music/b.mp3\tb.mp3",
                                        "file:///music/track 40.mp3\ttrack 40.mp3", "file:///music/c.mp3\tc.mp3",
                                        "file:///music/track 45.mp3\ttrack 45.mp3"}));
    // Closing the editor writes nothing more.
    PtDestroyWidget(t::Find("playlistEditorDlg"));
    t::RunUntilIdle();
    EXPECT_EQ(Read("Other.qpl"), otherFromB);
}

// The Add URL dialog has a way out: Cancel closes it and adds nothing.
TEST_F(PlaylistEditor, AddUrlDialogCanBeCancelled)
{
    OnOpenPlaylistEditor(nullptr, nullptr, nullptr);
    t::RunUntilIdle();
    t::RealClick(t::Find("playlistNewUrlButton"));
    PtWidget_t* dialog = t::Find("playlistUrlAddDlg");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(PtWidgetIsRealized(dialog));
    Screenshot(dialog, "velora-add-url.png");
    ASSERT_NE(t::Find("playlistUrlCancelButton"), nullptr);
    t::RealClick(t::Find("playlistUrlCancelButton"));
    EXPECT_EQ(t::Find("playlistUrlAddDlg"), nullptr);
    EXPECT_EQ(PtTreeRootItem(Tree())->son, nullptr);
    EXPECT_EQ(g_bFileToSave, 0);
}

// The file selector of Add File fits the 1024x768 screen with its buttons on it: a real click
// on Cancel answers it, and nothing is added.
TEST_F(PlaylistEditor, FileSelectorFitsTheScreen)
{
    OnOpenPlaylistEditor(nullptr, nullptr, nullptr);
    t::RunUntilIdle();
    const std::string png = std::string(VELORA_SCREENSHOTS) + "/velora-file-open.png";
    t::AnswerDialogByClick("Cancel", png.c_str());
    t::RealClick(t::Find("playlistNewFileButton"));
    const t::DialogSeen seen = t::DialogsSeen().back();
    EXPECT_EQ(seen.kind, "file");
    EXPECT_TRUE(seen.button_on_screen);
    EXPECT_GE(seen.x, 0);
    EXPECT_GE(seen.y, 0);
    EXPECT_LE(seen.x + seen.width, 1024) << seen.width;
    EXPECT_LE(seen.y + seen.height, 768) << seen.height;
    EXPECT_TRUE(fs::exists(png));
    EXPECT_EQ(PtTreeRootItem(Tree())->son, nullptr);
}

TEST_F(PlaylistEditor, ActivePlaylistWindowListsTheTitles)
{
    OnOpenActivePlaylist(nullptr, nullptr, nullptr);
    t::RunUntilIdle();
    ASSERT_EQ(IsActivePlaylistRealized(), 1);
    EXPECT_EQ(t::Rows(t::Find("activePlaylistList")), (std::vector<std::string>{"Empty"}));
    for (const char* url : {"file:///music/one.wav", "file:///music/two.wav"}) {
        PlaylistItem item;
        item.url = url;
        ControllerAddItem(&item);
    }
    EXPECT_EQ(t::Rows(t::Find("activePlaylistList")), (std::vector<std::string>{"one.wav", "two.wav"}));
    ControllerDeleteAll();
    EXPECT_EQ(t::Rows(t::Find("activePlaylistList")), (std::vector<std::string>{"Empty"}));
}

}  // namespace
}  // namespace velora::testing
