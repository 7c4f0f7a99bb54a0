#pragma once
// The language's regular-expression object (`New RegExp`, "VBScript.RegExp"): Pattern,
// IgnoreCase, Global, MultiLine, Test, Execute (a collection of matches) and Replace.

#include <string_view>

#include "vb/Object.h"

namespace script {

constexpr std::string_view kRegExpProgId = "VBScript.RegExp";

vb::ObjectRef makeRegExp();

}  // namespace script
