#pragma once
// The audio CD pane: play and repeat modes, the disc's title, state and time, and a keypad of
// numbered track keys, 15 a page, that picks the track to play and marks the selection.

#include <cstdint>
#include <string>

#include "player/Velora.h"

namespace velora {

using photon::PtCallbackInfo_t;
using photon::PtWidget_t;

struct CdRom {
    int trackCount = 0;
    int page = 0;      // keypad page shown, from 0
    int timeType = 0;  // 0 total and elapsed, 1 elapsed, 2 remaining
};
extern CdRom cdrom;

inline constexpr int kCdKeysPerPage = 15;
// The last keypad page of a disc (0 for up to 15 tracks).
int CdLastPage(int trackCount);
// How many track keys page shows.
int CdKeysOnPage(int trackCount, int page);
// The time label's text for a position and duration in ms.
std::string CdTimeText(uint32_t position, uint32_t duration);

void InitCdromGui();
void KeypadAllOff();
void UpdateCdKeypad(uint32_t state);
void UpdateCdRepeat();
void UpdateCdPlayTracks();
void UpdateCdGuiState();
void CdUpdatePosition(uint32_t position, uint32_t duration);

int OnKeypadButton(PtWidget_t* widget, void*, PtCallbackInfo_t* cbinfo);
int OnPreviousPageButton(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnNextPageButton(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnCdPlayTracks(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnCdRepeat(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnCdTime(PtWidget_t*, void*, PtCallbackInfo_t*);

extern const photon::ApCallbackName_t kCdCallbacks[];

}  // namespace velora
