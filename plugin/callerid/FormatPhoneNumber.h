#pragma once
// The caller-ID number formatter, chosen by the text's length alone.

#include <string>

namespace zephra {

// 11 characters: "dddd ddd dddd"; 10 not starting with "*": "(ddd) ddd-dddd"; 7: "ddd-dddd";
// any other text unchanged.
std::string FormatPhoneNumber(const std::string& text);

}  // namespace zephra
