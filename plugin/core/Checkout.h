#pragma once
// The appliance self-test: a fixed run of pushes, speech, sounds, a text page and LED changes
// on one appliance, reading back the object's properties after each; whatever does not read
// back as expected is written to the host's log as a malfunction. The host log is its only
// output.

namespace zephra {

class PluginState;
class Zephra;

// Runs the tests "PUSH", "AUDIO", "TEXT" and "LED" on the appliance, in that order. The push
// waits (a bounded number of message rounds) for its own command, and each test waits (at
// most 30 s, events running) for the appliance to work through the commands of the one
// before; the LED test's commands are still queued when the test returns. Errors are logged
// and the test goes on.
void MainTest(PluginState& state, Zephra& zephra);

}  // namespace zephra
