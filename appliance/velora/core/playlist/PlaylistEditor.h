#pragma once
// The playlist editor: named playlists as folders of a tree, one ".qpl" file each, edited with a
// clipboard, played entry by entry or activated whole; and the active playlist's window.

#include <string>
#include <vector>

#include "player/Velora.h"

namespace velora {

using photon::PtCallbackInfo_t;
using photon::PtWidget_t;

extern int g_bFileToSave;

// Reads the folder's playlist files into the tree; 1 when at least one was found.
int ReadPlaylistFiles(PtWidget_t* tree);
// Reads one playlist's entries under its folder item. 0 when the file cannot be read.
int LoadPlaylistFile(PtWidget_t* tree, photon::PtTreeItem_t* folder, const char* name);
// Writes every playlist this editor changed since it was read or saved; a file another window
// saved meanwhile is merged, not overwritten. Answers the files kept as they were (not read whole).
std::vector<std::string> SavePlaylistsToFile(PtWidget_t* tree);
void DeleteItem(PtWidget_t* tree, photon::PtTreeItem_t* item);

int OnPlaylistWndRealized(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnPlaylistEditDelete(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnPlaylistEditActivate(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnPlaylistEditCut(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnPlaylistEditCopy(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnPlaylistEditPaste(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnPlaylistEditRename(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnPlaylistFileNewFolder(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnPlaylistFileNewUrl(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnPlaylistPropertiesDlgOk(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnPlaylistSaveButtonActivated(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnUrlToAdd(PtWidget_t*, void*, PtCallbackInfo_t*);

extern const photon::ApCallbackName_t kPlaylistCallbacks[];

}  // namespace velora
