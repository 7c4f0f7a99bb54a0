#include "core/Housekeeping.h"

namespace zephra {

// The housekeeping work itself comes with its own module; until then the ticks and events
// reach these routines and change nothing.
void UpdateSleepModeStatus(PluginState&) {}
void UpdateSlideshowNoMotionStatus(PluginState&) {}
void EvaluatePowerCycle(PluginState&) {}
void RemoveOldFiles(PluginState&) {}
void UpdateSlideshow(PluginState&) {}
void CheckMotionEvent(PluginState&, const std::string&, const vb::Variant&) {}

}  // namespace zephra
