#pragma once
// The housekeeping routines the hidden form's timers and the host's X10 events drive:
// sleep-state polls, slideshow presence, the daily power cycle, old temporary files, the
// slideshow picture, and motion. Each routine logs its own failures (source "dkvZephra",
// its name as tag) and goes on with its next step; slots of the appliance table that hold
// no appliance object are passed over.

#include <string>

#include "vb/Date.h"
#include "vb/Variant.h"

namespace zephra {

class PluginState;

// The one-minute tick of `Timer2`, in this order.
// Re-tells "always awake" appliances to stay awake; every "SleepMonitorInterval" + 1 ticks
// queues a sleep-state poll on every appliance.
void UpdateSleepModeStatus(PluginState& state);
// Keeps slideshow appliances awake while there is motion (or, without a motion time, while
// the slideshow page is still fetched); ends a slideshow whose page is no longer fetched.
void UpdateSlideshowNoMotionStatus(PluginState& state);
// The daily power cycle: once a day at each hour of "PowerCycleInterval" a sweep starts that
// power-cycles one appliance a minute, from the last slot down to the first.
void EvaluatePowerCycle(PluginState& state);
// Deletes the files of the temporary folder changed more than five minute boundaries ago.
void RemoveOldFiles(PluginState& state);

// The slideshow tick of `Timer3`: counts down the minutes to the next picture, or publishes
// a new one ("NextPicture", "SlideshowActive") and arms the timer for the next; stops the
// timer when no slideshow is wanted any more.
void UpdateSlideshow(PluginState& state);

// An X10 event of the host: `code` house code and unit, `command` 2 for on. Motion at an
// appliance's sensor wakes it (or starts its slideshow) and, after a long presence, clears
// its LEDs.
void CheckMotionEvent(PluginState& state, const std::string& code, const vb::Variant& command);

// The day of a date as the daily power cycle records it with "LastPowerCycleHour"
// ("LastPowerCycleDate", yyyy-mm-dd).
std::string PowerCycleDay(vb::Date date);

}  // namespace zephra
