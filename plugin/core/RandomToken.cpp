#include "core/RandomToken.h"

#include <charconv>

#include "vb/Math.h"

namespace zephra {

namespace {

constexpr int kSingleDigits = 7;

}  // namespace

// to_chars does not consult the locale, unlike the printf family.
std::string RandomToken() {
    const float token = vb::Rnd() + 1.0f;
    char text[32];
    auto written = std::to_chars(text, text + sizeof text, token, std::chars_format::general, kSingleDigits);
    return std::string(text, written.ptr);
}

}  // namespace zephra
