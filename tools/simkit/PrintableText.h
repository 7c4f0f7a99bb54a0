#pragma once
// Texts from the wire shown on one log line: nothing in them may break the line or the quoting.

#include <string>
#include <string_view>

namespace simkit {

// Printable ASCII stays; backslash, double quote and every other byte become C-style escapes
// (\\ \" \r \n \t \xNN).
std::string printable(std::string_view bytes);

// printable() in double quotes.
std::string quoted(std::string_view bytes);

// Undoes %XX escapes; a "%" not followed by two hex digits stays as it is.
std::string percentDecoded(std::string_view text);

}  // namespace simkit
