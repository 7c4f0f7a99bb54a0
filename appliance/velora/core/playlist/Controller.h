#pragma once
// The playlist controller: the active playlist, the active track, the selection and its order,
// the repeat and play types, the next track, opening items and moving between tracks.

#include <cstdint>
#include <functional>
#include <vector>

#include "player/Velora.h"

namespace velora {

struct Controller {
    uint32_t repeatType = 0;  // MvRepeatType
    uint32_t playType = 0;    // 0 list order, 1 selection order, 2 random
    std::vector<PlaylistItem> items;
    uint16_t selectedCount = 0;
    uint16_t activeTrack = 0;
    uint16_t count() const { return static_cast<uint16_t>(items.size()); }
};

extern Controller controller;

// Random play draws from one generator, seeded once; tests give their own draw.
extern std::function<unsigned()> ControllerRandom;

uint32_t ControllerGetRepeatType();
int ControllerSetRepeatType(uint32_t type);
uint32_t ControllerGetPlayType();
int ControllerSetPlayType(uint32_t type);
int ControllerGetPlaylistCount();
int ControllerGetPlaylistSelectedCount();
const char* ControllerGetUrl(int i);
const PlaylistItem* ControllerGetItem(int i);
const char* ControllerGetActiveUrl();
const char* ControllerGetMimeType(int i);
const char* ControllerGetPlugin(int i);
const char* ControllerGetTitle(int i);
int ControllerGetActiveTrack();
int ControllerSetActiveTrack(int i);
int ControllerIsSelected(int i);

void ControllerInitState();
int ControllerAddItem(const PlaylistItem* item);
void ControllerDeleteActiveTrack();
void ControllerDeleteAll();
int ControllerSetSelected(int i);
int ControllerSetUnselected(int i);
int ControllerGetFirstSelectedTrack();
int ControllerGetNextSelectedTrack(int i);
int ControllerGetPluginList();
int ControllerOpenIndex(const char* plugin, int i);
int ControllerOpenItem(const PlaylistItem* item);
int ControllerChangeTrack(int delta);
int ControllerGetNextTrack();
int ControllerPluginChange(int i);
int ControllerPlayNext(photon::PtWidget_t*, void*, photon::PtCallbackInfo_t*);

}  // namespace velora
