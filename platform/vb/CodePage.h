#pragma once
// The single-byte code page text is kept in (Windows-1252): letter case and Unicode mapping.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vb {

namespace detail {
extern const std::array<unsigned char, 256> kLower;
extern const std::array<unsigned char, 256> kUpper;
}  // namespace detail

// Letter case of one byte: ASCII letters and the accented letters of the code page
// (inline: names and text compares fold every byte).
inline unsigned char toLowerByte(unsigned char c) noexcept { return detail::kLower[c]; }
inline unsigned char toUpperByte(unsigned char c) noexcept { return detail::kUpper[c]; }

// Equality without regard to case, and a hash that agrees with it (names of members,
// keys, keywords).
inline bool equalsFolded(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (toLowerByte(static_cast<unsigned char>(a[i])) != toLowerByte(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

inline uint32_t foldedHash(std::string_view text) noexcept {
    uint32_t h = 2166136261u;
    for (char c : text) {
        h ^= toLowerByte(static_cast<unsigned char>(c));
        h *= 16777619u;
    }
    return h;
}

// The Unicode code point of a byte, and the byte of a code point ('?' when the code page has none).
uint32_t unicodeOf(unsigned char c) noexcept;
unsigned char byteOf(uint32_t codePoint) noexcept;

// The text in UTF-8, and UTF-8 text in the code page ('?' for what it cannot hold).
std::string toUtf8(std::string_view text);
std::string fromUtf8(std::string_view utf8);
// The first character of UTF-8 text that the code page cannot hold, as its code point; 0 when
// it holds every one (a byte that is no UTF-8 counts as U+FFFD).
uint32_t firstUnheld(std::string_view utf8);
// True when every byte of the text belongs to a well-formed UTF-8 character.
bool isUtf8(std::string_view text);

}  // namespace vb
