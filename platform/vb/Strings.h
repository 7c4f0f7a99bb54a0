#pragma once
// The language's text functions on byte text in the single-byte code page. Positions count
// from 1; a text compare ignores letter case (ASCII and the code page's accented letters).
// Arguments the language refuses (a negative length, a start below 1) raise error 5.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vb/Array.h"

namespace vb {

// The longest text the runtime builds: past it, error 14 "Out of string space" (so that a
// script cannot take the host's memory with one Space or Replace).
constexpr std::size_t kMaxTextLength = std::size_t{1} << 28;
// Raises 14 when a text of `length` bytes would be longer than that.
void requireTextLength(std::size_t length);

// vbBinaryCompare, vbTextCompare.
enum class CompareMethod : int32_t { Binary = 0, Text = 1 };

// <0, 0, >0 as a compares to b; text compare compares letters without regard to case.
int compareStrings(std::string_view a, std::string_view b, CompareMethod method) noexcept;

int32_t Len(std::string_view s) noexcept;
std::string Left(std::string_view s, int32_t length);
std::string Right(std::string_view s, int32_t length);
// The rest of the text from `start` when no length is given.
std::string Mid(std::string_view s, int32_t start, std::optional<int32_t> length = std::nullopt);

// The position of `find` in `s` from `start`, 0 when absent or when start lies beyond the text;
// an empty `find` is found at `start`.
int32_t InStr(int32_t start, std::string_view s, std::string_view find, CompareMethod method = CompareMethod::Binary);
int32_t InStr(std::string_view s, std::string_view find, CompareMethod method = CompareMethod::Binary);
// The last position of `find` that ends at or before `start` (-1: the end of the text).
int32_t InStrRev(std::string_view s, std::string_view find, int32_t start = -1,
                 CompareMethod method = CompareMethod::Binary);

// Replaces `find` by `with` in the text from `start` on (the part before start is not in the
// result, the language's rule), at most `count` times (-1: all). An empty `find` changes nothing.
std::string Replace(std::string_view s, std::string_view find, std::string_view with, int32_t start = 1,
                    int32_t count = -1, CompareMethod method = CompareMethod::Binary);

// The pieces between delimiters, empty pieces kept; at most `limit` pieces (-1: all), the last
// holding the rest. An empty text gives no pieces; an empty delimiter gives the whole text.
std::vector<std::string> Split(std::string_view s, std::string_view delimiter = " ", int32_t limit = -1,
                               CompareMethod method = CompareMethod::Binary);
// The pieces as the language's array (index from 0).
Array toArray(const std::vector<std::string>& pieces);

std::string Join(std::span<const std::string> pieces, std::string_view delimiter = " ");
// Joins a one-dimensional array, each element as CStr gives it (error 13 for one that is not text).
std::string Join(const Array& pieces, std::string_view delimiter = " ");

// The pieces that contain `match` (or, with include false, those that do not).
std::vector<std::string> Filter(std::span<const std::string> pieces, std::string_view match, bool include = true,
                                CompareMethod method = CompareMethod::Binary);

// Blanks (spaces) only; tabs and line ends stay.
std::string Trim(std::string_view s);
std::string LTrim(std::string_view s);
std::string RTrim(std::string_view s);
std::string UCase(std::string_view s);
std::string LCase(std::string_view s);

std::string Space(int32_t count);
// `count` times the character (a code 0-255, or the first character of a text).
std::string String(int32_t count, int32_t code);
std::string String(int32_t count, std::string_view character);
// -1, 0 or 1.
int16_t StrComp(std::string_view a, std::string_view b, CompareMethod method = CompareMethod::Binary) noexcept;
std::string StrReverse(std::string_view s);

// Chr of a code 0-255; Asc of the first byte (error 5 for an empty text).
std::string Chr(int32_t code);
int32_t Asc(std::string_view s);
// ChrW of a Unicode code point (-32768 to 65535; '?' where the code page has no such letter);
// AscW the Unicode code point of the first character.
std::string ChrW(int32_t code);
int32_t AscW(std::string_view s);

}  // namespace vb
