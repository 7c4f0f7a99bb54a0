#pragma once
// The one-text argument of the "Ex" script operations: the selector, ";" and the value.

#include <cstdint>
#include <string>

namespace zephra {

struct OneString {
    std::string names;   // "" (every appliance) when the text holds no ";"
    std::string rest;    // the text after the first ";", or the whole text
    bool split = false;  // the text held a ";"
};

// Splits at the first ";".
OneString SplitOneString(const std::string& s);
// The number at the start of the text, as Val reads it, rounded half to even to a 16-bit
// whole number (error 6 outside -32768 to 32767).
int16_t WholeNumberOf(const std::string& text);
// True or False (any case) or a number (0 false); error 13 for anything else. True when the
// one text held no ";", whatever it says.
bool TruthOf(const OneString& argument);

}  // namespace zephra
