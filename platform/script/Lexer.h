#pragma once
// Splits a script text into tokens: words, literals (numbers with "&H"/"&O", strings with
// doubled quotes, dates between "#"), operators and line ends. Comments ("'" and "Rem") and
// line continuations (" _" at the end of a line) vanish here. Bad text raises SyntaxError.

#include <cstddef>
#include <string_view>

#include "script/Token.h"

namespace script {

class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {}

    // The next token; Tok::End at the end of the text (and every call after it).
    Token next();

private:
    void skipBlanks(bool& sawSpace);
    Token word();
    Token number();
    Token hexOrOctal();
    Token string();
    Token date();
    Token symbol();
    bool atRem() const;
    void skipComment();
    [[noreturn]] void fail(int32_t number) const;
    Token make(Tok kind) const;

    char peek(std::size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }
    int32_t column() const { return static_cast<int32_t>(pos_ - lineStart_); }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t lineStart_ = 0;
    std::size_t tokenStart_ = 0;
    int32_t line_ = 1;
    int32_t tokenLine_ = 1;
    int32_t tokenColumn_ = 0;
    bool spaceBefore_ = false;
};

}  // namespace script
