#include "simkit/WholeNumber.h"

#include <charconv>

namespace simkit {

std::optional<int> wholeNumber(std::string_view text, int highest) {
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > highest) return std::nullopt;
    return value;
}

}  // namespace simkit
