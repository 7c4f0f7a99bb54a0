#include "playlist/PlaylistEditor.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "playlist/Controller.h"
#include "dialogs/Dialogs.h"
#include "window/MainWindow.h"
#include "panes/Panes.h"
#include "playlist/PlaylistFiles.h"
#include "player/PluginHost.h"
#include "player/VeloraTexts.h"

namespace velora {

using namespace photon;

int g_bFileToSave = 0;

namespace {

constexpr const char* kFirstPlaylist = "Playlist1";
constexpr const char* kExtension = ".qpl";
constexpr const char* kNewFolderTitle = "New Folder";
constexpr const char* kRenameTitle = "Rename";
constexpr const char* kConnecting = "connecting... please wait";
constexpr const char* kEmpty = "Empty";
constexpr const char* kNameTaken = "A playlist named '%s' already exists";
constexpr const char* kTreeImages[] = {"icon_opendir", "icon_closeddir", "icon_exec", "icon_other", "icon_error"};
constexpr unsigned kPlayDelayMs = 500;

const ApEventLink_t kEditorLink = {ABM_WINDOW, "playlistEditorDlg", nullptr, ABM_PLACE_DEFAULT, 0, 0};
const ApEventLink_t kActiveLink = {ABM_DIALOG, "playlistActiveDlg", nullptr, ABM_PLACE_DEFAULT, 0, 0};
const ApEventLink_t kPropertiesLink = {ABM_DIALOG, "playlistPropertiesDlg", nullptr, ABM_PLACE_CENTER, 0, 0};
const ApEventLink_t kUrlAddLink = {ABM_DIALOG, "playlistUrlAddDlg", nullptr, ABM_PLACE_CENTER, 0, 0};
const ApEventLink_t kMenuLink = {ABM_MENU, "playlist_edit_menu", nullptr, ABM_PLACE_POINTER, 0, 0};
const ApEventLink_t kIconsLink = {ABM_PICTURE, "tree_icons", nullptr, ABM_PLACE_DEFAULT, 0, 0};

int g_bPlaylistRealized = 0;
int g_bActivePlaylistRealized = 0;
PtTreeItem_t* g_cutItem = nullptr;
int g_bCutIsEnabled = 0, g_bCopyIsEnabled = 0, g_bPasteIsEnabled = 0, g_bDeleteIsEnabled = 0;
PtWidget_t* g_editor = nullptr;
PtWidget_t* g_active = nullptr;
PtWidget_t* g_properties = nullptr;
std::set<PtTreeItem_t*> g_notLoaded;  // folders whose file was not read yet
std::set<PtTreeItem_t*> g_keptAsIs;   // folders whose file was not read whole: never written
// Folders this editor changed since their file was read or saved: only these are written.
std::set<PtTreeItem_t*> g_changed;
// Each read folder's entries as its file held them when read or last saved here.
std::map<PtTreeItem_t*, std::vector<QplEntry>> g_asRead;
constexpr const char* kMergedOnSave =
    "Playlist file %s was changed by another window since it was read: its changes are kept beside these\n";
constexpr const char* kNotReadWhole =
    "Playlist file %s was not read whole (lines not understood, or entries without a plug-in): it is kept as it is, "
    "and changes to it are not saved\n";

PtWidget_t* Tree() { return g_editor ? ApGetWidgetPtr(g_editor, "playlist") : nullptr; }

bool IsFolder(const PtTreeItem_t* item) { return item && !item->father; }

PtTreeItem_t* FolderOf(PtTreeItem_t* item) { return item && item->father ? item->father : item; }

std::string PathOf(const char* name) { return GetPlaylistDirName() + name + kExtension; }

// Notes a change of the folder's entries (a folder of its own, or the folder of an entry).
void Changed(PtTreeItem_t* item)
{
    if (PtTreeItem_t* folder = FolderOf(item)) g_changed.insert(folder);
    g_bFileToSave = 1;
}

bool SameEntry(const QplEntry& a, const QplEntry& b)
{
    return a.url == b.url && a.mime == b.mime && a.title == b.title;
}

bool SameEntries(const std::vector<QplEntry>& a, const std::vector<QplEntry>& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SameEntry);
}

// An entry's text is its URL, a tab and its title.
std::string UrlOf(const PtTreeItem_t* entry)
{
    std::string text = entry->string ? entry->string : "";
    return text.substr(0, text.find('\t'));
}
std::string TitleOf(const PtTreeItem_t* entry)
{
    std::string text = entry->string ? entry->string : "";
    const size_t tab = text.find('\t');
    return tab == std::string::npos ? "" : text.substr(tab + 1);
}
const char* MimeOf(const PtTreeItem_t* entry) { return entry->data ? static_cast<const char*>(entry->data) : ""; }

QplEntry EntryOf(const PtTreeItem_t* entry) { return {UrlOf(entry), MimeOf(entry), TitleOf(entry)}; }

PtTreeItem_t* NewFolder(PtWidget_t* tree, const char* name)
{
    PtTreeItem_t* folder = PtTreeAllocItem(tree, name, 0, 1);
    folder->flags |= Pt_TREE_ITEM_EXPANDABLE;
    return folder;
}

PtTreeItem_t* NewEntry(PtWidget_t* tree, const std::string& url, const std::string& title, const char* mime)
{
    const std::string text = url + "\t" + title;
    PtTreeItem_t* entry = PtTreeAllocItem(tree, text.c_str(), 3, 3);
    entry->data = strdup(mime ? mime : "");
    return entry;
}

void FreeMime(PtTreeItem_t* item)
{
    for (PtTreeItem_t* child = item->son; child; child = child->brother) FreeMime(child);
    free(item->data);
    item->data = nullptr;
}

// Places item after `after`, or first under `folder` when there is nothing to follow.
void Insert(PtWidget_t* tree, PtTreeItem_t* item, PtTreeItem_t* after, PtTreeItem_t* folder)
{
    if (after) PtTreeAddAfter(tree, item, after);
    else PtTreeAddFirst(tree, item, folder);
}

void EnsureLoaded(PtWidget_t* tree, PtTreeItem_t* folder)
{
    if (!folder || !g_notLoaded.count(folder)) return;
    g_notLoaded.erase(folder);
    LoadPlaylistFile(tree, folder, folder->string);
}

bool NameTaken(PtWidget_t* tree, const char* name, const PtTreeItem_t* except)
{
    for (PtTreeItem_t* f = PtTreeRootItem(tree); f; f = f->brother)
        if (f != except && f->string && strcmp(f->string, name) == 0) return true;
    struct stat st;
    return stat(PathOf(name).c_str(), &st) == 0;
}

// A duplicate kept outside the tree: a folder with duplicates of its entries, or one entry.
PtTreeItem_t* Duplicate(PtWidget_t* tree, PtTreeItem_t* item)
{
    if (!IsFolder(item)) return NewEntry(tree, UrlOf(item), TitleOf(item), MimeOf(item));
    EnsureLoaded(tree, item);
    PtTreeItem_t* copy = NewFolder(tree, item->string);
    PtTreeItem_t* last = nullptr;
    for (PtTreeItem_t* e = item->son; e; e = e->brother) {
        PtTreeItem_t* d = Duplicate(tree, e);
        // Unattached: the copy's children are linked by hand and added when pasted.
        d->father = copy;
        if (last) last->brother = d;
        else copy->son = d;
        last = d;
    }
    return copy;
}

void ReleaseClipboard()
{
    if (!g_cutItem) return;
    FreeMime(g_cutItem);
    PtTreeFreeItems(g_cutItem);
    g_cutItem = nullptr;
}

void Block(bool on)
{
    if (!g_editor) return;
    PtSetResource(g_editor, Pt_ARG_FLAGS, on ? static_cast<long>(Pt_BLOCKED) : 0L, Pt_BLOCKED);
    PtSetResource(g_editor, Pt_ARG_CURSOR_TYPE, on ? Ph_CURSOR_WAIT : Ph_CURSOR_INHERIT, 0);
}

void CloseProperties()
{
    Block(false);
    if (g_properties) PtDestroyWidget(g_properties);
    g_properties = nullptr;
}

void OpenProperties(const char* title, const char* text)
{
    if (g_properties) return;
    g_properties = ApCreateModule(&kPropertiesLink, g_editor, nullptr);
    if (!g_properties) return;
    PtSetResource(g_properties, Pt_ARG_WINDOW_TITLE, title, 0);
    if (PtWidget_t* field = ApGetWidgetPtr(g_properties, "pl_name_field"))
        PtSetResource(field, Pt_ARG_TEXT_STRING, text, 0);
    Block(true);
}

bool Resolve(PlaylistItem& item, const std::string& url, const char* mime)
{
    char buffer[kItemBufferSize];
    return FindItemFromUrl(buffer, sizeof buffer, item, url.c_str(), mime && *mime ? mime : nullptr) != nullptr;
}

void ArmPlay()
{
    if (mplayer.bManualPlay) return;
    if (PtWidget_t* play = W("pausePlayButton")) PtTimerArm(play, kPlayDelayMs);
}

// An entry placed after the current item, or into a new first folder when there is none.
void AddEntry(PtWidget_t* tree, const std::string& url, const std::string& title, const char* mime)
{
    PtTreeItem_t* current = PtTreeGetCurrent(tree);
    PtTreeItem_t* entry = NewEntry(tree, url, title, mime);
    // Without a current item the entry goes to the end of the first playlist's folder when it
    // exists: a second folder of that name would overwrite its file when saved.
    PtTreeItem_t* first = nullptr;
    if (!current)
        for (PtTreeItem_t* f = PtTreeRootItem(tree); f && !first; f = f->brother)
            if (f->string && strcmp(f->string, kFirstPlaylist) == 0) first = f;
    if (!current && first) {
        EnsureLoaded(tree, first);
        PtTreeItem_t* last = first->son;
        while (last && last->brother) last = last->brother;
        if (last) PtTreeAddAfter(tree, entry, last);
        else PtTreeAddFirst(tree, entry, first);
    } else if (!current) {
        PtTreeItem_t* folder = NewFolder(tree, kFirstPlaylist);
        PtTreeAddFirst(tree, folder, nullptr);
        PtTreeAddFirst(tree, entry, folder);
    } else if (IsFolder(current)) {
        EnsureLoaded(tree, current);
        PtTreeAddFirst(tree, entry, current);
    } else {
        PtTreeAddAfter(tree, entry, current);
    }
    PtTreeGoto(tree, entry);
    Changed(entry);
}

void PlayEntry(PtTreeItem_t* entry)
{
    PlaylistItem item;
    if (!Resolve(item, UrlOf(entry), MimeOf(entry))) return;
    ControllerDeleteAll();
    mplayer.bStartPending = 0;
    ControllerOpenItem(&item);
    ArmPlay();
}

}  // namespace

// ---- Reading and writing ----

int ReadPlaylistFiles(PtWidget_t* tree)
{
    const std::string& dirName = GetPlaylistDirName();
    DIR* dir = dirName.empty() ? nullptr : opendir(dirName.c_str());
    if (!dir) return 0;
    int found = 0;
    PtTreeItem_t* last = nullptr;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        const size_t dot = name.rfind('.');
        if (dot == std::string::npos || name.compare(dot, 4, kExtension) != 0) continue;
        struct stat st;
        if (stat((dirName + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        PtTreeItem_t* folder = NewFolder(tree, name.substr(0, dot).c_str());
        Insert(tree, folder, last, nullptr);
        g_notLoaded.insert(folder);
        last = folder;
        found = 1;
    }
    closedir(dir);
    return found;
}

int LoadPlaylistFile(PtWidget_t* tree, PtTreeItem_t* folder, const char* name)
{
    FILE* in = fopen(PathOf(name).c_str(), "r");
    if (!in) return 0;
    bool whole = true;
    const std::vector<QplEntry> entries = ReadQpl(in, &whole);
    fclose(in);
    g_asRead[folder] = entries;
    PtTreeItem_t* last = nullptr;
    for (const QplEntry& e : entries) {
        std::string mime = e.mime;
        if (mime.empty()) {
            PlaylistItem item;
            if (!Resolve(item, e.url, nullptr)) {
                whole = false;
                continue;
            }
            mime = item.mime;
            // The type found is the editor's own change: saving writes it into the file.
            g_changed.insert(folder);
        }
        PtTreeItem_t* entry = NewEntry(tree, e.url, e.title, mime.c_str());
        Insert(tree, entry, last, folder);
        last = entry;
    }
    if (!whole) {
        // What the editor shows is not all the file holds: writing it back would lose the rest.
        g_keptAsIs.insert(folder);
        std::fprintf(stderr, kNotReadWhole, PathOf(name).c_str());
    }
    return 1;
}

namespace {

// Brings into the folder what another window saved since this editor read its file: the
// entries it added, each after the entry it follows there, and without the entries it removed.
void MergeFromDisk(PtWidget_t* tree, PtTreeItem_t* folder, const std::vector<QplEntry>& asRead,
                   const std::vector<QplEntry>& onDisk)
{
    std::vector<bool> added(onDisk.size(), true), kept(asRead.size(), false);
    for (size_t i = 0; i < onDisk.size(); ++i)
        for (size_t j = 0; j < asRead.size(); ++j)
            if (!kept[j] && SameEntry(onDisk[i], asRead[j])) {
                kept[j] = true;
                added[i] = false;
                break;
            }
    for (size_t j = 0; j < asRead.size(); ++j) {
        if (kept[j]) continue;
        for (PtTreeItem_t* e = folder->son; e; e = e->brother) {
            if (!SameEntry(EntryOf(e), asRead[j])) continue;
            if (PtTreeGetCurrent(tree) == e) PtTreeGoto(tree, e->brother ? e->brother : folder);
            DeleteItem(tree, e);
            break;
        }
    }
    PtTreeItem_t* anchor = nullptr;
    for (size_t i = 0; i < onDisk.size(); ++i) {
        if (added[i]) {
            PtTreeItem_t* entry = NewEntry(tree, onDisk[i].url, onDisk[i].title, onDisk[i].mime.c_str());
            Insert(tree, entry, anchor, folder);
            anchor = entry;
            continue;
        }
        for (PtTreeItem_t* e = anchor ? anchor->brother : folder->son; e; e = e->brother)
            if (SameEntry(EntryOf(e), onDisk[i])) {
                anchor = e;
                break;
            }
    }
}

}  // namespace

std::vector<std::string> SavePlaylistsToFile(PtWidget_t* tree)
{
    std::vector<std::string> kept;
    const std::string& dir = GetPlaylistDirName();
    if (dir.empty() || !tree) return kept;
    MakePlaylistDir(dir);
    for (PtTreeItem_t* folder = PtTreeRootItem(tree); folder; folder = folder->brother) {
        if (g_keptAsIs.count(folder)) kept.push_back(PathOf(folder->string));
        if (g_notLoaded.count(folder) || g_keptAsIs.count(folder) || !g_changed.count(folder)) continue;
        const std::string path = PathOf(folder->string);
        // Another window may have saved the file since it was read here.
        bool whole = true;
        std::vector<QplEntry> onDisk;
        if (FILE* in = OpenRegularFile(path.c_str())) {
            onDisk = ReadQpl(in, &whole);
            fclose(in);
        } else if (errno != ENOENT) {
            whole = false;
        }
        if (!whole) {
            kept.push_back(path);
            continue;
        }
        const std::vector<QplEntry>& asRead = g_asRead[folder];
        if (!SameEntries(onDisk, asRead)) {
            MergeFromDisk(tree, folder, asRead, onDisk);
            std::fprintf(stderr, kMergedOnSave, path.c_str());
        }
        FILE* out = fopen(path.c_str(), "w");
        if (!out) continue;
        std::vector<QplEntry> entries;
        for (PtTreeItem_t* e = folder->son; e; e = e->brother) entries.push_back(EntryOf(e));
        WriteQpl(out, entries);
        fclose(out);
        g_asRead[folder] = entries;
        g_changed.erase(folder);
    }
    g_bFileToSave = 0;
    return kept;
}

void DeleteItem(PtWidget_t* tree, PtTreeItem_t* item)
{
    if (IsFolder(item)) unlink(PathOf(item->string).c_str());
    g_notLoaded.erase(item);
    g_keptAsIs.erase(item);
    g_changed.erase(item);
    g_asRead.erase(item);
    PtTreeRemoveItem(tree, item);
    FreeMime(item);
    PtTreeFreeItems(item);
}

// ---- The editor's window ----

int OnOpenPlaylistEditor(PtWidget_t*, void*, PtCallbackInfo_t* cbinfo)
{
    if (g_editor) {
        PtWindowToFront(g_editor);
        return Pt_CONTINUE;
    }
    g_editor = ApCreateModule(&kEditorLink, W("base"), cbinfo);
    return Pt_CONTINUE;
}

int OnPlaylistWndRealized(PtWidget_t* widget, void*, PtCallbackInfo_t*)
{
    if (widget) g_editor = ApGetInstance(widget);
    PtWidget_t* tree = Tree();
    if (!tree || g_bPlaylistRealized) return Pt_CONTINUE;
    g_bPlaylistRealized = 1;
    if (ApDBase_t* db = ApOpenDBase(&kIconsLink)) {
        std::vector<const PhImage_t*> images;
        for (const char* name : kTreeImages) {
            const PhImage_t* image = ApGetImageRes(db, name);
            if (!image) break;
            images.push_back(image);
        }
        if (!images.empty()) PtSetResource(tree, Pt_ARG_TREE_IMAGES, images.data(), static_cast<long>(images.size()));
        ApCloseDBase(db);
    }
    if (!ReadPlaylistFiles(tree)) PtTreeAddFirst(tree, NewFolder(tree, kFirstPlaylist), nullptr);
    // The editing keys.
    if (g_editor) {
        PtAddHotkeyHandler(g_editor, 'x', Pk_KM_Ctrl, 0, nullptr, OnPlaylistEditCut);
        PtAddHotkeyHandler(g_editor, 'c', Pk_KM_Ctrl, 0, nullptr, OnPlaylistEditCopy);
        PtAddHotkeyHandler(g_editor, 'v', Pk_KM_Ctrl, 0, nullptr, OnPlaylistEditPaste);
        PtAddHotkeyHandler(g_editor, Pk_Delete, 0, Pt_HOTKEY_SYM, nullptr, OnPlaylistEditDelete);
    }
    return Pt_CONTINUE;
}

int OnPlaylistWndDestroyed(PtWidget_t* widget, void*, PtCallbackInfo_t*)
{
    PtWidget_t* tree = widget && PtWidgetIsClass(widget, PtTree) ? widget : Tree();
    if (tree) {
        if (g_bFileToSave) SavePlaylistsToFile(tree);
        for (PtTreeItem_t* f = PtTreeRootItem(tree); f; f = f->brother) FreeMime(f);
    }
    ReleaseClipboard();
    g_notLoaded.clear();
    g_keptAsIs.clear();
    g_changed.clear();
    g_asRead.clear();
    g_bPlaylistRealized = 0;
    g_editor = nullptr;
    return Pt_CONTINUE;
}

int item_state(PtWidget_t* widget, void*, PtCallbackInfo_t* cbinfo)
{
    if (!cbinfo || cbinfo->reason_subtype != Pt_TREE_EXPANDING || !cbinfo->cbdata) return Pt_CONTINUE;
    EnsureLoaded(widget, static_cast<PtTreeCallback_t*>(cbinfo->cbdata)->item);
    return Pt_CONTINUE;
}

int OnPlaylistTreeSelection(PtWidget_t* tree, void*, PtCallbackInfo_t* cbinfo)
{
    PtTreeItem_t* current = PtTreeGetCurrent(tree);
    if (cbinfo && cbinfo->event && cbinfo->event->data.pointer.click_count == 2 && current) {
        if (IsFolder(current)) {
            OnPlaylistEditActivate(tree, nullptr, nullptr);
            OnOpenActivePlaylist(tree, nullptr, nullptr);
        } else {
            PlayEntry(current);
        }
    }
    if (current) {
        g_bCutIsEnabled = g_bCopyIsEnabled = g_bDeleteIsEnabled = 1;
        g_bPasteIsEnabled = g_cutItem ? 1 : 0;
    }
    return Pt_CONTINUE;
}

int OnPlaylistFileNewFolder(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    OpenProperties(kNewFolderTitle, "");
    return Pt_CONTINUE;
}

int OnPlaylistFileNewUrl(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    PtWidget_t* tree = Tree();
    const char* path =
        tree ? GetUserSelection(g_editor, texts::kOpenFileTitle, texts::kOpenButton, texts::kCancelButton, 0) : nullptr;
    if (!path) return Pt_CONTINUE;
    const char* slash = strrchr(path, '/');
    AddEntry(tree, std::string(texts::kFileScheme) + path, slash ? slash + 1 : path, "");
    return Pt_CONTINUE;
}

int OnPlaylistEditDelete(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    PtWidget_t* tree = Tree();
    PtTreeItem_t* current = tree ? PtTreeGetCurrent(tree) : nullptr;
    if (!current) return Pt_CONTINUE;
    PtTreeItem_t* next = current->brother ? current->brother : current->father;
    if (next) PtTreeGoto(tree, next);
    Changed(current);
    DeleteItem(tree, current);
    return Pt_CONTINUE;
}

int OnPlaylistEditActivate(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    PtWidget_t* tree = Tree();
    PtTreeItem_t* folder = tree ? FolderOf(PtTreeGetCurrent(tree)) : nullptr;
    if (!folder) return Pt_CONTINUE;
    EnsureLoaded(tree, folder);
    if (!folder->son) return Pt_CONTINUE;
    ControllerDeleteAll();
    mplayer.bStartPending = 0;
    for (PtTreeItem_t* e = folder->son; e; e = e->brother) {
        PlaylistItem item;
        item.title = TitleOf(e);
        if (Resolve(item, UrlOf(e), MimeOf(e))) ControllerAddItem(&item);
    }
    ControllerOpenIndex(nullptr, 0);
    ArmPlay();
    return Pt_CONTINUE;
}

int OnPlaylistSaveButtonActivated(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    // The user who saves is told which playlists were not written, not only the log at load.
    std::string text;
    for (const std::string& path : SavePlaylistsToFile(Tree())) {
        char line[1200];
        std::snprintf(line, sizeof line, kNotReadWhole, path.c_str());
        text += line;
    }
    if (!text.empty()) popup_error(text.c_str());
    return Pt_CONTINUE;
}

int OnPlaylistEditCopy(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    PtWidget_t* tree = Tree();
    PtTreeItem_t* current = tree ? PtTreeGetCurrent(tree) : nullptr;
    if (!current) return Pt_CONTINUE;
    PtTreeItem_t* copy = Duplicate(tree, current);
    ReleaseClipboard();
    g_cutItem = copy;
    g_bFileToSave = 1;
    return Pt_CONTINUE;
}

int OnPlaylistEditCut(PtWidget_t* w, void* d, PtCallbackInfo_t* i)
{
    PtWidget_t* tree = Tree();
    if (!tree || !PtTreeGetCurrent(tree)) return Pt_CONTINUE;
    OnPlaylistEditCopy(w, d, i);
    OnPlaylistEditDelete(w, d, i);
    return Pt_CONTINUE;
}

int OnPlaylistEditPaste(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    PtWidget_t* tree = Tree();
    PtTreeItem_t* current = tree ? PtTreeGetCurrent(tree) : nullptr;
    if (!current || !g_cutItem) return Pt_CONTINUE;
    PtTreeItem_t* folder = IsFolder(current) ? current : nullptr;
    PtTreeItem_t* after = folder ? nullptr : current;
    if (folder) EnsureLoaded(tree, folder);
    else folder = current->father;
    // The clipboard keeps its own copy, so that it can be pasted again.
    // Out of the tree a folder is told from an entry by its MIME copy, which only entries have.
    std::vector<PtTreeItem_t*> sources;
    if (!g_cutItem->data)
        for (PtTreeItem_t* e = g_cutItem->son; e; e = e->brother) sources.push_back(e);
    else sources.push_back(g_cutItem);
    for (PtTreeItem_t* source : sources) {
        PtTreeItem_t* entry = NewEntry(tree, UrlOf(source), TitleOf(source), MimeOf(source));
        Insert(tree, entry, after, folder);
        after = entry;
    }
    Changed(folder);
    return Pt_CONTINUE;
}

int OnPlaylistEditRename(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    PtWidget_t* tree = Tree();
    PtTreeItem_t* current = tree ? PtTreeGetCurrent(tree) : nullptr;
    if (current) OpenProperties(kRenameTitle, current->string);
    return Pt_CONTINUE;
}

int OnPlaylistPropertiesDlgOk(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    PtWidget_t* tree = Tree();
    PtWidget_t* field = g_properties ? ApGetWidgetPtr(g_properties, "pl_name_field") : nullptr;
    const char* text = nullptr;
    if (field) PtGetResource(field, Pt_ARG_TEXT_STRING, &text, 0);
    const std::string name = text ? text : "";
    const char* title = nullptr;
    if (g_properties) PtGetResource(g_properties, Pt_ARG_WINDOW_TITLE, &title, 0);
    const bool rename = title && strcmp(title, kRenameTitle) == 0;
    PtTreeItem_t* current = tree ? PtTreeGetCurrent(tree) : nullptr;
    const bool folderRename = rename && IsFolder(current);
    if (tree && !name.empty() && !(folderRename && name == current->string) && (folderRename || !rename)) {
        if (NameTaken(tree, name.c_str(), nullptr)) {
            // Two folders of one name would share one file: saving one would overwrite the other.
            char message[512];
            snprintf(message, sizeof message, kNameTaken, name.c_str());
            popup_error(message);
            return Pt_CONTINUE;
        }
        if (folderRename) {
            // A playlist never saved has no file yet.
            if (::rename(PathOf(current->string).c_str(), PathOf(name.c_str()).c_str()) == 0 || errno == ENOENT)
                PtTreeModifyItemString(tree, current, name.c_str());
        } else {
            PtTreeItem_t* folder = NewFolder(tree, name.c_str());
            Insert(tree, folder, FolderOf(current), nullptr);
            PtTreeGoto(tree, folder);
            Changed(folder);
        }
    }
    CloseProperties();
    return Pt_CONTINUE;
}

int OnPlaylistEditMenuRealized(PtWidget_t* menu, void*, PtCallbackInfo_t*)
{
    PtWidget_t* tree = Tree();
    PtTreeItem_t* current = tree ? PtTreeGetCurrent(tree) : nullptr;
    if (current && IsFolder(current)) EnsureLoaded(tree, current);
    auto enable = [menu](const char* name, bool on) {
        if (PtWidget_t* item = ApGetWidgetPtr(menu, name))
            PtSetResource(item, Pt_ARG_FLAGS, on ? 0L : static_cast<long>(Pt_BLOCKED | Pt_GHOST),
                          Pt_BLOCKED | Pt_GHOST);
    };
    enable("plEditRename", IsFolder(current));
    enable("plEditActivate", current && !(IsFolder(current) && !current->son));
    enable("plEditPaste", current && g_cutItem);
    enable("plEditCut", current && g_bCutIsEnabled);
    enable("plEditCopy", current && g_bCopyIsEnabled);
    enable("plEditDelete", current && g_bDeleteIsEnabled);
    return Pt_CONTINUE;
}

int OnOpenPlaylistEditMenu(PtWidget_t* button, void*, PtCallbackInfo_t* cbinfo)
{
    if (PtWidget_t* menu = ApCreateModule(&kMenuLink, button, cbinfo))
        OnPlaylistEditMenuRealized(menu, nullptr, cbinfo);
    return Pt_CONTINUE;
}

int OnPlaylistPropertiesDlgCancel(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    CloseProperties();
    return Pt_CONTINUE;
}

int OnPlaylistVerifyUserInput(PtWidget_t*, void*, PtCallbackInfo_t* cbinfo)
{
    auto* change = cbinfo ? static_cast<PtTextCallback_t*>(cbinfo->cbdata) : nullptr;
    if (change && change->text && !IsPlaylistNameText(change->text, static_cast<size_t>(change->length)))
        change->doit = 0;
    return Pt_CONTINUE;
}

int OnOpenUrlToAdd(PtWidget_t*, void*, PtCallbackInfo_t* cbinfo)
{
    ApCreateModule(&kUrlAddLink, g_editor, cbinfo);
    return Pt_CONTINUE;
}

int OnUrlToAdd(PtWidget_t* widget, void*, PtCallbackInfo_t*)
{
    PtWidget_t* dialog = widget ? ApGetInstance(widget) : ApWidget("playlistUrlAddDlg");
    PtWidget_t* status = dialog ? ApGetWidgetPtr(dialog, "playlistUrlStatus") : nullptr;
    PtWidget_t* field = dialog ? ApGetWidgetPtr(dialog, "playlistUrlToAdd") : nullptr;
    if (status) PtSetResource(status, Pt_ARG_TEXT_STRING, kConnecting, 0);
    PtFlush();
    const char* text = nullptr;
    if (field) PtGetResource(field, Pt_ARG_TEXT_STRING, &text, 0);
    PlaylistItem item;
    PtWidget_t* tree = Tree();
    if (tree && text && Resolve(item, text, nullptr)) {
        AddEntry(tree, item.url, "", item.mime.c_str());
        PtDestroyWidget(dialog);
    } else if (status) {
        PtSetResource(status, Pt_ARG_TEXT_STRING, "", 0);
    }
    return Pt_CONTINUE;
}

// ---- The active playlist's window ----

void UpdateActivePlaylist()
{
    PtWidget_t* list = g_active ? ApGetWidgetPtr(g_active, "activePlaylistList") : nullptr;
    if (!g_bActivePlaylistRealized || !list) return;
    PtListDeleteAllItems(list);
    const int count = ControllerGetPlaylistCount();
    if (count == 0) {
        const char* empty = kEmpty;
        PtListAddItems(list, &empty, 1, 0);
        return;
    }
    std::vector<const char*> titles;
    for (int i = 0; i < count; ++i) {
        const char* title = ControllerGetTitle(i);
        titles.push_back(title ? title : "");
    }
    PtListAddItems(list, titles.data(), count, 0);
}

void UpdateActivePlaylistSelection()
{
    PtWidget_t* list = g_active ? ApGetWidgetPtr(g_active, "activePlaylistList") : nullptr;
    if (!g_bActivePlaylistRealized || !list) return;
    PtListGotoPos(list, ControllerGetActiveTrack() + 1);
}

int OnOpenActivePlaylist(PtWidget_t*, void*, PtCallbackInfo_t* cbinfo)
{
    if (g_active) {
        PtWindowToFront(g_active);
        return Pt_CONTINUE;
    }
    g_active = ApCreateModule(&kActiveLink, W("base"), cbinfo);
    return Pt_CONTINUE;
}

int OnActivePlaylistDlgRealized(PtWidget_t* widget, void*, PtCallbackInfo_t*)
{
    if (widget) g_active = ApGetInstance(widget);
    g_bActivePlaylistRealized = 1;
    UpdateActivePlaylist();
    UpdateActivePlaylistSelection();
    return Pt_CONTINUE;
}

int OnActivePlaylistDlgDestroyed(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    g_bActivePlaylistRealized = 0;
    g_active = nullptr;
    return Pt_CONTINUE;
}

int OnActivePlaylistListInput(PtWidget_t*, void*, PtCallbackInfo_t* cbinfo)
{
    if (!cbinfo || !cbinfo->cbdata) return Pt_CONTINUE;
    const auto* row = static_cast<PtListCallback_t*>(cbinfo->cbdata);
    const int k = row->item_pos;
    if (k < 1) return Pt_CONTINUE;
    const bool doubleClick = cbinfo->reason == Pt_CB_SELECTION && cbinfo->reason_subtype == Pt_LIST_SELECTION_BROWSE &&
                             cbinfo->event && cbinfo->event->data.pointer.click_count == 2;
    if (doubleClick) {
        mplayer.bAutoPlay = 1;
        ControllerChangeTrack(k - 1 - ControllerGetActiveTrack());
        UpdateActivePlaylistSelection();
    } else if (cbinfo->reason == Pt_CB_ACTIVATE) {
        ControllerChangeTrack(k - 1 - ControllerGetActiveTrack());
    }
    return Pt_CONTINUE;
}

int IsPlaylistEditorRealized() { return g_bPlaylistRealized; }

int IsActivePlaylistRealized() { return g_bActivePlaylistRealized; }

const ApCallbackName_t kPlaylistCallbacks[] = {
    {"OnPlaylistWndRealized", OnPlaylistWndRealized},
    {"OnPlaylistWndDestroyed", OnPlaylistWndDestroyed},
    {"item_state", item_state},
    {"OnPlaylistTreeSelection", OnPlaylistTreeSelection},
    {"OnPlaylistFileNewFolder", OnPlaylistFileNewFolder},
    {"OnPlaylistFileNewUrl", OnPlaylistFileNewUrl},
    {"OnPlaylistEditDelete", OnPlaylistEditDelete},
    {"OnPlaylistEditActivate", OnPlaylistEditActivate},
    {"OnPlaylistSaveButtonActivated", OnPlaylistSaveButtonActivated},
    {"OnPlaylistEditCut", OnPlaylistEditCut},
    {"OnPlaylistEditCopy", OnPlaylistEditCopy},
    {"OnPlaylistEditPaste", OnPlaylistEditPaste},
    {"OnPlaylistEditRename", OnPlaylistEditRename},
    {"OnPlaylistPropertiesDlgOk", OnPlaylistPropertiesDlgOk},
    {"OnPlaylistPropertiesDlgCancel", OnPlaylistPropertiesDlgCancel},
    {"OnPlaylistVerifyUserInput", OnPlaylistVerifyUserInput},
    {"OnOpenUrlToAdd", OnOpenUrlToAdd},
    {"OnOpenPlaylistEditMenu", OnOpenPlaylistEditMenu},
    {"OnPlaylistEditMenuRealized", OnPlaylistEditMenuRealized},
    {"OnUrlToAdd", OnUrlToAdd},
    {"OnActivePlaylistDlgRealized", OnActivePlaylistDlgRealized},
    {"OnActivePlaylistDlgDestroyed", OnActivePlaylistDlgDestroyed},
    {"OnActivePlaylistListInput", OnActivePlaylistListInput},
    {nullptr, nullptr},
};

}  // namespace velora
