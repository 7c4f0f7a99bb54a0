#pragma once
// The sound pane and the viewer callback of the sound plug-ins.

#include <cstdint>

#include "player/Velora.h"

namespace velora {

extern int plimsaTimeType;  // 0 duration and elapsed, 1 elapsed, 2 remaining

void plimsa_vcb(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus* status);
void PlimsaUpdatePosition(uint32_t position, uint32_t duration);
// The time text PlimsaUpdatePosition shows.
std::string PlimsaTimeText(uint32_t position, uint32_t duration);
int FormatMoreInfoString(char* text);
int OnPlimsaTime(photon::PtWidget_t*, void*, photon::PtCallbackInfo_t*);

}  // namespace velora
