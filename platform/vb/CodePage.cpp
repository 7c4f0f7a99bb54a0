#include "vb/CodePage.h"

#include <array>

namespace vb {

namespace {

// Unicode of the bytes 0x80-0x9F; the rest of the code page equals Latin-1.
constexpr uint16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct CaseTables {
    std::array<unsigned char, 256> lower{};
    std::array<unsigned char, 256> upper{};
    constexpr CaseTables() {
        for (int c = 0; c < 256; ++c) lower[c] = upper[c] = static_cast<unsigned char>(c);
        auto pair = [this](int up, int low) {
            lower[up] = static_cast<unsigned char>(low);
            upper[low] = static_cast<unsigned char>(up);
        };
        for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
        for (int c = 0xC0; c <= 0xDE; ++c)
            if (c != 0xD7) pair(c, c + 32);
        pair(0x8A, 0x9A);
        pair(0x8C, 0x9C);
        pair(0x8E, 0x9E);
        pair(0x9F, 0xFF);
    }
};

constexpr CaseTables kCase;

constexpr uint32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

namespace detail {

const std::array<unsigned char, 256> kLower = kCase.lower;
const std::array<unsigned char, 256> kUpper = kCase.upper;

}  // namespace detail

uint32_t unicodeOf(unsigned char c) noexcept { return (c >= 0x80 && c < 0xA0) ? kHigh[c - 0x80] : c; }

unsigned char byteOf(uint32_t cp) noexcept {
    if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100)) return static_cast<unsigned char>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == cp) return static_cast<unsigned char>(0x80 + i);
    return '?';
}

std::string toUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) appendUtf8(out, unicodeOf(static_cast<unsigned char>(c)));
    return out;
}

namespace {

// Each character of UTF-8 text in turn, as its code point; a byte that is no UTF-8 is U+FFFD,
// and `malformed` (when given) is then set.
template <class Each>
void forEachCodePoint(std::string_view in, Each each, bool* malformed = nullptr) {
    for (std::size_t i = 0; i < in.size();) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= in.size() + (extra == 0 ? 1 : 0)) {
            if (malformed) *malformed = true;
            each(kReplacement);
            ++i;
            continue;
        }
        uint32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(in[i + k]);
            if ((cc & 0xC0) != 0x80) valid = false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!valid) {
            if (malformed) *malformed = true;
            each(kReplacement);
            ++i;
            continue;
        }
        each(cp);
        i += extra + 1;
    }
}

}  // namespace

std::string fromUtf8(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    forEachCodePoint(in, [&](uint32_t cp) { out += static_cast<char>(cp == kReplacement ? '?' : byteOf(cp)); });
    return out;
}

uint32_t firstUnheld(std::string_view utf8) {
    uint32_t unheld = 0;
    forEachCodePoint(utf8, [&](uint32_t cp) {
        if (!unheld && cp != '?' && byteOf(cp) == '?') unheld = cp;
    });
    return unheld;
}

bool isUtf8(std::string_view text) {
    bool malformed = false;
    forEachCodePoint(
        text, [](uint32_t) {}, &malformed);
    return !malformed;
}

}  // namespace vb
