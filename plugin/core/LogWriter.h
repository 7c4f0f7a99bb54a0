#pragma once
// The log writer: every diagnostic of the plug-in goes into the host's log through
// WriteLog, which also turns a pending run-time error into text; WriteStartupLog appends
// a time-stamped line to the plug-in's own start-up log.

#include <string>

#include "homeseer/Host.h"

namespace zephra {

// Writes source and message to the host log; a pending error (vb::Err) is appended as
// " Line " & its line & " " & its description and cleared first, so that only the first
// line after an error carries it. A failing host call raises to the caller.
void WriteLog(homeseer::Host& hs, const std::string& source, const std::string& message);
// What WriteLog would append for the pending error of this thread, which is cleared; "" when
// none is pending. For work done off the loop's thread, whose lines are written later.
std::string TakePendingError();

// Appends Now & " | " & first & " | " & second to the application folder's
// "\Data\dkvZephra\StartupLog.txt", making the folders and the file when missing.
// Failures raise to the caller.
void WriteStartupLog(homeseer::Host& hs, const std::string& first, const std::string& second);

}  // namespace zephra
