#pragma once
// The DVD pane below the controls, and the video window that plug-ins drawing pictures get.

#include <cstdint>
#include <string>

#include "player/Velora.h"

namespace velora {

using photon::PtCallbackInfo_t;
using photon::PtWidget_t;

extern int dvdTimeType;  // 0 duration and elapsed, 1 elapsed, 2 remaining

// The time text of the pane's time label.
std::string DvdTimeText(uint32_t position, uint32_t duration);
void DvdUpdatePosition(uint32_t position, uint32_t duration);
// Moves the combo box's selection one entry on (the last goes back to the first) and sends the
// command with the new 1-based position. Nothing for a list of one entry or none.
void DvdNextInList(const char* comboName, uint32_t command);
// A size the user asked the video window to take, kept within the picture's limits (a maximum
// of 0 is no limit).
photon::PhDim_t ClampVideoSize(photon::PhDim_t requested, const MvVideoMediaInfo& info);
// Shows or hides the video window's title and frame.
void SetVideoWindowDecorations(PtWidget_t* window, bool on);

// Set-up of the pane module: its scan, step and slow-motion keys are made from the picture
// module "icons".
int dvd_db_setup(PtWidget_t* link_instance, photon::ApInfo_t* info, PtCallbackInfo_t* cbinfo);
int DvdOnHotkey(PtWidget_t* widget, void* data, PtCallbackInfo_t* cbinfo);
int video_setup(PtWidget_t* link_instance, photon::ApInfo_t* info, PtCallbackInfo_t* cbinfo);
int cbVideoOpened(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbVideoClosing(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbVideoWm(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnVideoWindowResize(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbVideoSysInfo(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnDvdTime(PtWidget_t*, void*, PtCallbackInfo_t*);

// The pane's and the video window's handlers, for the callback table.
extern const photon::ApCallbackName_t kDvdCallbacks[];

}  // namespace velora
