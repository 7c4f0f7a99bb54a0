#pragma once
// The housekeeping routines the hidden form's timers and the host's X10 events drive:
// sleep-state polls, slideshow presence, the daily power cycle, old temporary files, the
// slideshow picture, and motion.

#include <string>

#include "vb/Variant.h"

namespace zephra {

class PluginState;

// The one-minute tick of `Timer2`, in this order.
void UpdateSleepModeStatus(PluginState& state);
void UpdateSlideshowNoMotionStatus(PluginState& state);
void EvaluatePowerCycle(PluginState& state);
void RemoveOldFiles(PluginState& state);

// The slideshow tick of `Timer3`.
void UpdateSlideshow(PluginState& state);

// An X10 event of the host: `code` house code and unit, `command` 2 for on.
void CheckMotionEvent(PluginState& state, const std::string& code, const vb::Variant& command);

}  // namespace zephra
