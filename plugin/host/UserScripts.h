#pragma once
// The user script: "dkvZephra.txt" in the host's scripts folder with its "#include" files,
// loaded as module "Main" of the hidden form's script control. Each text queued for it is
// passed to its procedure "Main", one at a time, from the form's "ScriptQueueTimer".

#include <string>

#include "forms/Timer.h"

namespace zephra {

class PluginState;

// Loads the user script afresh, replacing module "Main"; with no script file there is no
// user script (an earlier one is dropped) and nothing is logged. Failures of the host
// raise to the caller; those of the script's files are logged.
void RunScriptFile(PluginState& state);

// Queues a text for "Main"; when the queue's timer is not running it starts it (5 ms).
void QueueScriptText(PluginState& state, const std::string& text);

// The queue timer's tick: passes every queued text to "Main", oldest first, texts queued
// meanwhile included, then stops the timer. Texts taken while no script is loaded are dropped.
void RunScriptQueue(PluginState& state, forms::Timer& timer);

}  // namespace zephra
