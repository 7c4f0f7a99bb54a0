#include "core/FastString.h"

void FastString::Reset() { text_.clear(); }

void FastString::Add(std::string_view piece) { text_.append(piece); }

void FastString::Add(int64_t number) { text_.append(std::to_string(number)); }
