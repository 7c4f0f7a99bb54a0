#pragma once
// The phone books the caller-ID lookup reads.

namespace zephra {

class PluginState;

// Rebuilds the phone-book index from the host's phone book and the file "Friends.txt", as
// the settings say.
void BuildPhonebook(PluginState& state);

}  // namespace zephra
