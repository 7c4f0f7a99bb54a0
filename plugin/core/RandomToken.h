#pragma once
// The tag with which an operation marks the commands it queues.

#include <string>

namespace zephra {

// A fresh random number from 1 up to 2, as the text of a single-precision number.
std::string RandomToken();

}  // namespace zephra
