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

// The Unicode code point of a byte, and the byte of a code point ('?' when the code page has none).
uint32_t unicodeOf(unsigned char c) noexcept;
unsigned char byteOf(uint32_t codePoint) noexcept;

// The text in UTF-8, and UTF-8 text in the code page ('?' for what it cannot hold).
std::string toUtf8(std::string_view text);
std::string fromUtf8(std::string_view utf8);

}  // namespace vb
