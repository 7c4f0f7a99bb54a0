// What the panes' viewer callbacks have in common: writing their labels and the position slider,
// the texts of the play states, and the reports that arrive from a plug-in being unloaded.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "player/Velora.h"

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
// The start every viewer callback shares: the report of an old plug-in is handled, a state is
// taken by the pane's onState, the status flags are kept. Returns the plug-in's record, or null when
// nothing more is to be done with the report.
HostPluginCtrl* TakeReportStart(MvPluginCtrl* plugin, uint32_t mask, const MvPluginStatus* status,
                                bool (*onState)(HostPluginCtrl*, uint32_t));
// The time label of a pane for its time type: 1 elapsed, 0 length and elapsed (in the pane's own
// words when it gives `both`), 2 remaining; another type gives the time error text. Milliseconds in,
// whole seconds shown.
using BothTimes = std::string (*)(const char* const total[3], const char* const elapsed[3]);
std::string PaneTimeText(int timeType, uint32_t positionMs, uint32_t durationMs, BothTimes both = nullptr);
// The length of a medium as a pane shows and uses it: an unknown length (0xFFFFFFFF, a network
// stream) is 0, as a stream that reports no length at all.
uint32_t ShownDuration(uint32_t reported);
// How a pane takes a medium report; the steps of its own run at the places named.
struct MediumSteps {
    uint32_t maxPollMs = 100;                           // the status poll's longest period
    uint32_t pollParams = MVP_STATUS_FREQ | MVP_AUDIO;  // sent with the poll's period
    bool sliderEnd = true;                              // the length is the position slider's end
    bool takeVideo = false;                             // the medium's picture information is kept
    std::function<void()> notOpen;                      // nothing open yet (after the slider was reset)
    std::function<void()> first;                        // an open medium, before its type is taken
    std::function<void()> playlist;                     // a playlist, before its items are taken
    std::function<void()> playlistOpened;               // a playlist whose active item was opened
    std::function<void()> single;                       // a medium that is no playlist, before the poll is set
};
// A medium report as every pane takes it: while nothing is open the position slider is reset and
// blocked; else the medium's type and length (unknown: 0) are kept, the slider is freed for a
// seekable medium with a length, a playlist's items go to the controller and its active item is
// opened, and for any other medium the slider and the status poll are set from its length.
void TakeMedium(HostPluginCtrl* ctrl, const MvMediaInfo* media, const MediumSteps& steps);
// A new state taken: the transport buttons show it, it becomes the last state, and the pane's
// state label (when it has one) says it.
void ShowState(HostPluginCtrl* ctrl, uint32_t state, const char* label = nullptr, const char* text = nullptr);
// The picture information of an open medium in a media report is kept; with MVS_AREA in the
// status flags only `video` takes the picture's size, and true says the report is done with.
bool TakePictureReport(HostPluginCtrl* ctrl, const MvPluginStatus* status, photon::PtWidget_t* video);
// A media report of a pane with a video window: the picture information is kept, an audio report
// moves the volume slider, any other medium goes to the pane's onMedia. False when the report is
// done with.
bool TakeVideoPaneMedia(HostPluginCtrl* ctrl, const MvPluginStatus* status, photon::PtWidget_t* video,
                        void (*onMedia)(HostPluginCtrl*, const MvMediaInfo*));
// The current plug-in died: the player forgets it and closes its pane. True when state says so.
bool PluginDied(uint32_t state);

}  // namespace velora
