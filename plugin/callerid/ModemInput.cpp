#include "callerid/ModemInput.h"

#include "core/PluginState.h"
#include "core/QueueTimer.h"

namespace zephra {

// The line handling, phone-book lookup and fan-out of a caller come with the caller-ID
// module; until then text from the modem is taken and dropped.
void ProcessCommData(PluginState&, const std::string&, int16_t) {}

void ProcessModemInput(PluginState& state) {
    QueueTimer& form = state.queueTimer();
    form.Timer5.Enabled(false);
    if (state.settings.GenerateCIDEvent) form.Timer4.Enabled(true);
    state.modem.CallerName.clear();
    state.modem.CallerNumber.clear();
    state.modem.NameDetected = false;
    state.modem.NumberDetected = false;
}

}  // namespace zephra
