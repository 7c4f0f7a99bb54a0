// What the panes' viewer callbacks have in common: writing their labels and the position slider,
// the texts of the play states, and the reports that arrive from a plug-in being unloaded.
#pragma once

#include <cstdint>

#include "Velora.h"

namespace velora {

// Text of the named main-window widget; a null text clears it.
void PaneText(const char* name, const char* text);
// One numeric resource (value, maximum) of the named widget.
void PaneGauge(const char* name, long which, int value);
// The position slider blocked and ghosted, or free.
void BlockPositionSlider(bool blocked);
// The status line's text for a state the plug-in reports, after lastState.
const char* PlayStateText(uint32_t state, uint32_t lastState);
// A report from a plug-in that is no longer the current one: its end releases it. True when the
// report was such a one and nothing more is to be done with it.
bool ReportOfOldPlugin(HostPluginCtrl* ctrl, const MvPluginStatus* status);
// The length of a medium as a pane shows and uses it: an unknown length (0xFFFFFFFF, a network
// stream) is 0, as a stream that reports no length at all.
uint32_t ShownDuration(uint32_t reported);
// The current plug-in died: the player forgets it and closes its pane. True when state says so.
bool PluginDied(uint32_t state);

}  // namespace velora
