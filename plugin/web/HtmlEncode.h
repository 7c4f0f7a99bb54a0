#pragma once
// Text written into a page: every page of the server and its error answers escape alike.

#include <string>

namespace zephra {

// The text with &, <, >, " and ' as character references, for attribute values, cell texts and
// the error answers' bodies.
std::string HTMLEncode(const std::string& text);

}  // namespace zephra
