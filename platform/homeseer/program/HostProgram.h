#pragma once
// The host program: makes the application folder, loads the plug-in library, drives the
// plug-in through the host's life cycle on the event loop, serves the HTML folder, runs the
// host script and stops on SIGINT or SIGTERM:
//
//   1. the plug-in object is created; Name, Capabilities, AccessLevel
//   2. RegisterCallback with the host's callback object
//   3. InitIO
//   4. the event loop runs: the host script, timers, sockets, device and X10 events, and
//      xAP messages when the host is an xAP node (XapConnection.h; its node starts before
//      RegisterCallback, so that the plug-in's first messages go out)
//   5. ShutdownIO, the devices saved
//
// Host scripts are VBScript, run in one script control with the host object as `hs` and
// the plug-in under its name, its operations also callable bare (HostScriptControl.h):
//  - with --run FILE, the file runs once, without time limit;
//  - otherwise each line of standard input runs as a statement, one after another, each
//    for at most a minute; a line "? expression" prints "= " and the value. At the end of
//    the input the program ends once the plug-in is idle;
//  - with standard input /dev/null or closed (a service manager's start), nothing is read
//    and the program serves until a signal (with --exit-when-idle: until the plug-in is idle).
// Events' script lines run in the same control. A script's error is logged in one line with
// its place and the program goes on; MsgBox texts are logged too. A signal cancels the
// script running at that moment.
//
// At start-up it says on the console what listens on which port, and which ports could not
// be opened, with the setting that chose each. Its log goes to the console and to Data/zephra-host.log.

#include <iosfwd>

#include "program/HostOptions.h"

namespace homeseer {

// Runs the program to its end; answers the exit status: 0 after a signal or when idle,
// except 1 when the program ended idle (--exit-when-idle) after the --run script stopped on
// an error or could not be read, or at the end of standard input after its last statement
// failed; 1 too when the plug-in cannot be loaded or registered.
int RunHostProgram(const HostOptions& options, std::ostream& out, std::ostream& err);

}  // namespace homeseer
