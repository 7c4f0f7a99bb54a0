#pragma once
// The language's regular-expression object (`New RegExp`, "VBScript.RegExp"): Pattern,
// IgnoreCase, Global, MultiLine, Test, Execute (a collection of matches) and Replace.

#include <atomic>
#include <string_view>

#include "vb/Object.h"

namespace script {

constexpr std::string_view kRegExpProgId = "VBScript.RegExp";

vb::ObjectRef makeRegExp();

// The cancel flag of the script running on this thread (null when none runs): a match under
// way stops when it is set, with the script. Set by the engine around each entry.
const std::atomic<bool>*& runningScriptCancel();

}  // namespace script
