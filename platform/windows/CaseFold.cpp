#include "windows/CaseFold.h"

namespace windows {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::string LowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lower(c);
    return out;
}

}  // namespace windows
