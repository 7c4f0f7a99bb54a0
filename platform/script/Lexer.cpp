#include "script/Lexer.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "script/SyntaxError.h"
#include "vb/DateTime.h"

namespace script {

namespace {

// Longer names are refused: the language's limit on an identifier.
constexpr std::size_t kMaxIdentifier = 255;
// Digits past these are not a number the language can hold.
constexpr std::size_t kMaxNumberText = 400;

bool isWordStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\0'; }

bool equalsFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

Token Lexer::make(Tok kind) const {
    Token t;
    t.kind = kind;
    t.line = tokenLine_;
    t.column = tokenColumn_;
    t.spaceBefore = spaceBefore_;
    t.text = std::string(text_.substr(tokenStart_, pos_ - tokenStart_));
    return t;
}

void Lexer::fail(int32_t number) const { throw SyntaxError(number, tokenLine_, tokenColumn_); }

// Blanks, and " _" line continuations with the line end that follows them.
void Lexer::skipBlanks(bool& sawSpace) {
    for (;;) {
        char c = peek();
        if (pos_ < text_.size() && isBlank(c)) {
            ++pos_;
            sawSpace = true;
            continue;
        }
        if (c == '_' && (pos_ == 0 || sawSpace || isBlank(text_[pos_ - 1]))) {
            std::size_t p = pos_ + 1;
            while (p < text_.size() && isBlank(text_[p])) ++p;
            if (p < text_.size() && (text_[p] == '\r' || text_[p] == '\n')) {
                if (text_[p] == '\r' && p + 1 < text_.size() && text_[p + 1] == '\n') ++p;
                pos_ = p + 1;
                ++line_;
                lineStart_ = pos_;
                sawSpace = true;
                continue;
            }
        }
        return;
    }
}

bool Lexer::atRem() const {
    if (!equalsFolded(text_.substr(pos_, 3), "rem")) return false;
    char after = peek(3);
    return !isWordChar(after);
}

void Lexer::skipComment() {
    while (pos_ < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
}

Token Lexer::next() {
    bool sawSpace = false;
    skipBlanks(sawSpace);
    spaceBefore_ = sawSpace;
    tokenStart_ = pos_;
    tokenLine_ = line_;
    tokenColumn_ = column();
    if (pos_ >= text_.size()) return make(Tok::End);
    char c = text_[pos_];
    if (c == '\'' || atRem()) {
        skipComment();  // what follows is the line end or the end of the text
        return next();
    }
    if (c == '\r' || c == '\n') {
        if (c == '\r' && peek(1) == '\n') ++pos_;
        ++pos_;
        Token t = make(Tok::Newline);
        ++line_;
        lineStart_ = pos_;
        return t;
    }
    if (isWordStart(c)) return word();
    if (c == '[') return word();
    if (isDigit(c) || (c == '.' && isDigit(peek(1)))) return number();
    if (c == '&' && (peek(1) == 'h' || peek(1) == 'H' || peek(1) == 'o' || peek(1) == 'O')) {
        char d = peek(2);
        if (std::isxdigit(static_cast<unsigned char>(d))) return hexOrOctal();
    }
    if (c == '"') return string();
    if (c == '#') return date();
    return symbol();
}

Token Lexer::word() {
    if (text_[pos_] == '[') {
        // A bracketed name may hold any character but "]" and a line end.
        std::size_t p = pos_ + 1;
        while (p < text_.size() && text_[p] != ']' && text_[p] != '\r' && text_[p] != '\n') ++p;
        if (p >= text_.size() || text_[p] != ']') fail(syntax::ExpectedIdentifier);
        std::string name(text_.substr(pos_ + 1, p - pos_ - 1));
        pos_ = p + 1;
        if (name.size() > kMaxIdentifier) fail(syntax::IdentifierTooLong);
        Token t = make(Tok::Word);
        t.text = std::move(name);
        t.value = vb::Variant(true);  // marks a bracketed name: never a keyword
        return t;
    }
    while (pos_ < text_.size() && isWordChar(text_[pos_])) ++pos_;
    if (pos_ - tokenStart_ > kMaxIdentifier) fail(syntax::IdentifierTooLong);
    return make(Tok::Word);
}

Token Lexer::number() {
    std::size_t start = pos_;
    bool whole = true;
    while (isDigit(peek())) ++pos_;
    if (peek() == '.') {
        whole = false;
        ++pos_;
        while (isDigit(peek())) ++pos_;
    }
    if (peek() == 'e' || peek() == 'E') {
        std::size_t p = pos_ + 1;
        if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) ++p;
        if (p < text_.size() && isDigit(text_[p])) {
            whole = false;
            pos_ = p;
            while (isDigit(peek())) ++pos_;
        }
    }
    if (pos_ - start > kMaxNumberText) fail(syntax::InvalidNumber);
    std::string digits(text_.substr(start, pos_ - start));
    // Type characters the language allows after a number.
    if (peek() == '#' || peek() == '!' || peek() == '@') {
        whole = false;
        ++pos_;
    } else if (peek() == '%' || peek() == '&') {
        if (peek() == '&' && isWordChar(peek(1))) {
            // "1&H..." is not a number followed by a type character.
        } else {
            ++pos_;
        }
    }
    if (isWordChar(peek())) fail(syntax::ExpectedEndOfStatement);
    double d = std::strtod(digits.c_str(), nullptr);
    if (!std::isfinite(d)) fail(syntax::InvalidNumber);
    Token t = make(Tok::Literal);
    if (whole && d <= 32767) {
        t.value = vb::Variant(static_cast<int16_t>(d));
    } else if (whole && d <= 2147483647.0) {
        t.value = vb::Variant(static_cast<int32_t>(d));
    } else {
        t.value = vb::Variant(d);
    }
    return t;
}

Token Lexer::hexOrOctal() {
    bool hex = peek(1) == 'h' || peek(1) == 'H';
    pos_ += 2;
    uint64_t value = 0;
    std::size_t digits = 0;
    for (;;) {
        char c = peek();
        int v;
        if (isDigit(c)) v = c - '0';
        else if (hex && c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else break;
        if (!hex && v > 7) break;
        value = value * (hex ? 16 : 8) + static_cast<uint64_t>(v);
        if (value > 0xFFFFFFFFull) fail(syntax::InvalidNumber);
        ++pos_;
        ++digits;
    }
    // "&" makes the digits a Long's 32 bits ("&HFFFF&" is 65535); "%" changes nothing.
    const bool longBits = peek() == '&';
    if (longBits || peek() == '%') ++pos_;
    if (isWordChar(peek())) fail(syntax::ExpectedEndOfStatement);
    Token t = make(Tok::Literal);
    // Otherwise up to 16 bits the digits are an Integer's bits ("&HFFFF" is -1); wider ones a
    // Long's. Either way the value is an Integer when it fits one ("&HFFFFFFFF" is the Integer -1).
    int32_t whole = value <= 0xFFFF && !longBits ? static_cast<int16_t>(static_cast<uint16_t>(value))
                                                 : static_cast<int32_t>(static_cast<uint32_t>(value));
    if (whole >= -32768 && whole <= 32767) t.value = vb::Variant(static_cast<int16_t>(whole));
    else t.value = vb::Variant(whole);
    (void)digits;
    return t;
}

Token Lexer::string() {
    ++pos_;
    std::string value;
    for (;;) {
        if (pos_ >= text_.size() || text_[pos_] == '\r' || text_[pos_] == '\n') fail(syntax::UnterminatedString);
        char c = text_[pos_++];
        if (c == '"') {
            if (peek() == '"') {
                value += '"';
                ++pos_;
                continue;
            }
            break;
        }
        value += c;
    }
    Token t = make(Tok::Literal);
    t.value = vb::Variant(std::move(value));
    return t;
}

Token Lexer::date() {
    ++pos_;
    std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != '#' && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
    if (pos_ >= text_.size() || text_[pos_] != '#') fail(syntax::SyntaxError);
    std::string_view inside = text_.substr(start, pos_ - start);
    ++pos_;
    std::optional<vb::Date> d = vb::parseDate(inside);
    if (!d) fail(syntax::SyntaxError);
    Token t = make(Tok::Literal);
    t.value = vb::Variant(*d);
    return t;
}

Token Lexer::symbol() {
    char c = text_[pos_++];
    switch (c) {
    case ':': return make(Tok::Colon);
    case '&': return make(Tok::Amp);
    case '+': return make(Tok::Plus);
    case '-': return make(Tok::Minus);
    case '*': return make(Tok::Star);
    case '/': return make(Tok::Slash);
    case '\\': return make(Tok::Backslash);
    case '^': return make(Tok::Caret);
    case '=': return make(Tok::Eq);
    case '(': return make(Tok::LParen);
    case ')': return make(Tok::RParen);
    case ',': return make(Tok::Comma);
    case '.': return make(Tok::Dot);
    case '<':
        if (peek() == '>') {
            ++pos_;
            return make(Tok::Ne);
        }
        if (peek() == '=') {
            ++pos_;
            return make(Tok::Le);
        }
        return make(Tok::Lt);
    case '>':
        if (peek() == '=') {
            ++pos_;
            return make(Tok::Ge);
        }
        return make(Tok::Gt);
    default: fail(syntax::InvalidCharacter);
    }
}

}  // namespace script
