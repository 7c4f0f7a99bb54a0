#pragma once
// The error dialog every message goes through, and the file-open dialog.

#include "player/Velora.h"

namespace velora {

extern int bErrorDlg;

int popup_error(const char* text);
// A plug-in's error text, which names the plug-in, with the URL of the medium it was playing on
// a line of its own (unless the text names it already).
int popup_plugin_error(const char* text);
int block_window(int flag);
int OnErrorDlgRealized(photon::PtWidget_t*, void*, photon::PtCallbackInfo_t*);
int errdlg_done(photon::PtWidget_t*, void*, photon::PtCallbackInfo_t*);
const char* GetUserSelection(photon::PtWidget_t* parent, const char* title, const char* btn1, const char* btn2,
                             int flags);
int cbFileOpen(photon::PtWidget_t*, void*, photon::PtCallbackInfo_t*);

}  // namespace velora
