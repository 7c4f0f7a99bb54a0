#pragma once
// The host's script engine, as the host uses it: host scripts (a file, lines typed on
// standard input) and the script lines of host events, all in one VBScript namespace, so
// that what a script defines stays for the lines and events after it. Scripts see the host
// object as `hs` and reach a plug-in as `hs.Plugin("dkvZephra")`.
//
// A compile or run-time error that the script does not handle is reported in one line and
// never escapes to the host ("demo.vbs line 3, column 5: Error 13: Type mismatch"; columns
// counted from 1, as editors count them).

#include <optional>
#include <string>

namespace homeseer {

class HostScript {
public:
    virtual ~HostScript() = default;

    // Runs the text of a script file, `name` naming it in error lines: its top-level code
    // runs and its procedures, classes and variables stay defined. It may run as long as it
    // likes (a demo that waits on the plug-in). Answers false when an error stopped it.
    virtual bool RunScript(const std::string& text, const std::string& name) = 0;

    // Runs line `number` of `name` (a line typed on standard input, an event's script line):
    // a statement, or "?" and an expression, whose value it answers as text. A line that is
    // still running a minute after it began (waits included) is stopped as an error. Answers
    // nothing for a statement or after an error.
    virtual std::optional<std::string> RunLine(const std::string& line, const std::string& name, int number) = 0;
};

}  // namespace homeseer
