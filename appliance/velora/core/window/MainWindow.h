#pragma once
// The main window: set-up, the single-key keyboard map, the plug-in pane, closing the plug-in
// and the exit path.

#include "player/Velora.h"

namespace velora {

using photon::PtCallbackInfo_t;
using photon::PtWidget_t;

int base_setup(PtWidget_t* link_instance, photon::ApInfo_t* info, PtCallbackInfo_t* cbinfo);
int BaseOnHotkey(PtWidget_t*, void*, PtCallbackInfo_t* cbinfo);
void DisplayClientArea();
void HideClientArea();
int cbBaseClose(PtWidget_t* = nullptr, void* = nullptr, PtCallbackInfo_t* = nullptr);
int OnFileMenuExit(PtWidget_t* = nullptr, void* = nullptr, PtCallbackInfo_t* = nullptr);
int cbBaseDestroyed(PtWidget_t*, void*, PtCallbackInfo_t*);
int base_drag(PtWidget_t*, void*, PtCallbackInfo_t*);

// The main window's link, and the application context (UI folder and callback table).
const photon::ApEventLink_t* BaseLink();
const photon::ApContext_t* Context(const char* uiDirectory);
// Opens the main window (runs base_setup before and after realising).
PtWidget_t* OpenBase();

}  // namespace velora
