// The one way a media module ends the process: a failed mutex or condition operation.
#pragma once

#include <source_location>

// Prints "%s at \"%s\":%d: %s " (what, module, line, error text) and aborts when `result` is not 0.
void CheckSync(int result, const char *what, const char *module,
               std::source_location where = std::source_location::current());
