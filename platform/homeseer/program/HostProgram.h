#pragma once
// The host program: makes the application folder, loads the plug-in library, drives the
// plug-in through the host's life cycle on the event loop, serves the HTML folder, runs the
// host script (a file, or lines on standard input) and stops on SIGINT or SIGTERM:
//
//   1. the plug-in object is created; Name, Capabilities, AccessLevel
//   2. RegisterCallback with the host's callback object
//   3. InitIO
//   4. the event loop runs: host statements, timers, sockets, device and X10 events
//   5. ShutdownIO, the devices saved; exit status 0
//
// Its log goes to the console and to Data/zephra-host.log.

#include <iosfwd>

#include "program/HostOptions.h"

namespace homeseer {

// Runs the program to its end; answers the exit status (0 after a signal or when idle,
// 1 when the plug-in cannot be loaded or registered).
int RunHostProgram(const HostOptions& options, std::ostream& out, std::ostream& err);

}  // namespace homeseer
