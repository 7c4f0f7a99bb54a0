#pragma once
// An append-only text buffer for pages and messages built from many pieces: each piece is
// appended in amortised constant time, and the text is read once at the end.

#include <cstdint>
#include <string>
#include <string_view>

class FastString {
public:
    // Discards every piece.
    void Reset();
    // Appends one piece; numbers are appended in decimal.
    void Add(std::string_view piece);
    void Add(int64_t number);
    // All pieces joined, in order. Reading leaves the buffer as it is.
    const std::string& value() const noexcept { return text_; }

private:
    std::string text_;
};
