#pragma once
// Numbers given on command lines, in scripts and in request arguments: plain decimal digits only.

#include <optional>
#include <string_view>

namespace simkit {

// The value of text when it is nothing but decimal digits and at most highest; empty otherwise
// (signs, blanks, an empty text, overflow).
std::optional<int> wholeNumber(std::string_view text, int highest);

}  // namespace simkit
