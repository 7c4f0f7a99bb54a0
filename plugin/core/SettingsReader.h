#pragma once
// The settings reader: every key of section "Zephra Utilities" of "dkvZephraUtilities.ini"
// (and "T2WVoice" of section "T2W", "svrport" of the host's "settings.ini") read into the
// settings variables, checked and converted, the derived values worked out, and then what
// depends on the settings rebuilt: the appliance list, the housekeeping timer, the modem
// port (opened once per load), the caller-ID device and the phone books.
//
// Values have every double quote removed. A value that fails its conversion is named in the
// log (file, section, key and value) and the key's default is taken; any other failure keeps
// the variable's previous value. Every failure is logged and the reading goes on.

#include "core/FetchAddressNotice.h"  // TellFetchAddress, which the start-up calls after the reading

namespace zephra {

class PluginState;

namespace settings {
struct Setting;
}

void InitZephraUtilities(PluginState& state);

// One row read afresh as the reading above reads it; a failure raises to the caller.
void ReadSetting(PluginState& state, const settings::Setting& row);

}  // namespace zephra
