#pragma once
// The tag with which an operation marks the commands it queues.

#include <string>

namespace zephra {

// A fresh random number from 1 up to 2, as the text of a single-precision number (up to
// seven significant digits). The decimal separator is always ".", whatever the locale, so
// that a token reads the same wherever it is passed back.
std::string RandomToken();

}  // namespace zephra
