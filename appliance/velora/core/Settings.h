#pragma once
// The settings dialog: what the other panes and windows show in it or ask of it.

#include "Velora.h"

namespace velora {

// Destroys the dialog when it is open.
void CloseSettingsDialog();
// While the dialog is open, its position and size fields follow the video window.
void ShowVideoWindowPosition(int x, int y);
void ShowVideoWindowSize(int w, int h);

}  // namespace velora
