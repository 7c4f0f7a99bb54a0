#pragma once
// The host's script engine, as the host uses it: host scripts (files and lines typed on
// standard input) and the scripts of host events. Scripts see the host object as `hs` and
// reach a plug-in as `hs.Plugin("dkvZephra")`. This is the one seam where the host's
// statement form (HostStatement.h) gives way to a VBScript engine.

#include <string>

#include "vb/Variant.h"

namespace homeseer {

class HostScript {
public:
    virtual ~HostScript() = default;

    // Runs one statement and answers its value (Empty for none). A statement that cannot be
    // read raises 1002 "Syntax error" with a description of what is wrong; a failing call
    // raises its own error.
    virtual vb::Variant RunStatement(const std::string& statement) = 0;

    // Runs a whole script; `name` names it in error lines. Failures are reported through
    // the engine's reporter and do not escape.
    virtual void RunScript(const std::string& text, const std::string& name) = 0;
};

}  // namespace homeseer
