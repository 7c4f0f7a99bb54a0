#pragma once
// The user scripts' variables.

#include <deque>
#include <memory>
#include <string>

namespace zephra {

class Script;

struct UserScriptState {
    // The loaded user script; none before the first load and after a load that found no file.
    std::shared_ptr<Script> UserScript;
    // Texts waiting to be passed to the script's "Main", oldest first.
    std::deque<std::string> ScriptQueue;
};

}  // namespace zephra
