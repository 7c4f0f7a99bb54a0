#pragma once
// For the caller-ID fuzz targets: one plug-in state on a manual clock and a recording host, made
// once per process; each input starts from the state's modem, server and script queues emptied
// and the host's record cleared, so that nothing grows from input to input.

#include <unistd.h>

#include <cstdlib>

#include "core/CallerIdState.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/tests/PluginTestBed.h"

namespace zephra::fuzz {

inline testing::PluginTestBed& Bed() {
    static testing::PluginTestBed* bed = [] {
        // A subscribing datagram writes the registry file (a new file renamed over the old): on a
        // disk's filesystem that costs milliseconds, and a few datagrams an input kept the fuzzer
        // at ten inputs a second. The application folder is kept in memory where it can be.
        if (::access("/dev/shm", W_OK) == 0) ::setenv("TMPDIR", "/dev/shm", 1);
        auto* made = new testing::PluginTestBed;
        made->state.settings.CIDNamePrefix = "NAME =";
        made->state.settings.CIDNumberPrefix = "NMBR =";
        made->state.settings.CIDDeviceCode = "[91";
        made->state.settings.LogCID = true;
        made->state.appliances.slots[0].IP = "127.0.0.2";
        made->state.appliances.slots[0].Name = "kitchen";
        return made;
    }();
    return *bed;
}

// The state as a fresh start leaves it, for the parts the targets drive.
inline void StartAfresh(testing::PluginTestBed& bed) {
    ModemState& modem = bed.state.modem;
    modem.CommBuffer.clear();
    modem.CallerName.clear();
    modem.CallerNumber.clear();
    modem.NameDetected = false;
    modem.NumberDetected = false;
    bed.state.QueueTimerForm().Timer5.Enabled(false);
    bed.state.QueueTimerForm().CommLineTimer.Enabled(false);
    bed.state.scripts.ScriptQueue.clear();
    bed.host->ClearCalls();
}

}  // namespace zephra::fuzz
