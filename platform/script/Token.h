#pragma once
// The tokens of a script text, as the lexer hands them to the parser.

#include <cstdint>
#include <string>

#include "vb/Variant.h"

namespace script {

enum class Tok : uint8_t {
    End,      // end of the text
    Newline,  // end of a line (a statement ends)
    Colon,    // ':' (a statement ends, the line goes on)
    Word,     // an identifier or a keyword
    Literal,  // a number, string or date literal: `value`
    Amp,
    Plus,
    Minus,
    Star,
    Slash,
    Backslash,
    Caret,
    Eq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge,
    LParen,
    RParen,
    Comma,
    Dot,
};

struct Token {
    Tok kind = Tok::End;
    std::string text;          // a word as written; for other tokens the source text
    vb::Variant value;         // a literal's value
    int32_t line = 1;          // from 1
    int32_t column = 0;        // from 0
    bool spaceBefore = false;  // blank between this token and the previous one
};

}  // namespace script
