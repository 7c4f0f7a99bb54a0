#pragma once
// A compile error: the language's number and text, with where in the source it was found.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace script {

// The compile errors the parser reports, with the language's numbers.
namespace syntax {
constexpr int32_t SyntaxError = 1002;
constexpr int32_t ExpectedColon = 1003;
constexpr int32_t ExpectedLParen = 1005;
constexpr int32_t ExpectedRParen = 1006;
constexpr int32_t ExpectedIdentifier = 1010;
constexpr int32_t ExpectedEquals = 1011;
constexpr int32_t ExpectedIf = 1012;
constexpr int32_t ExpectedTo = 1013;
constexpr int32_t ExpectedEnd = 1014;
constexpr int32_t ExpectedFunction = 1015;
constexpr int32_t ExpectedSub = 1016;
constexpr int32_t ExpectedThen = 1017;
constexpr int32_t ExpectedWend = 1018;
constexpr int32_t ExpectedLoop = 1019;
constexpr int32_t ExpectedNext = 1020;
constexpr int32_t ExpectedCase = 1021;
constexpr int32_t ExpectedSelect = 1022;
constexpr int32_t ExpectedExpression = 1023;
constexpr int32_t ExpectedStatement = 1024;
constexpr int32_t ExpectedEndOfStatement = 1025;
constexpr int32_t ExpectedInteger = 1026;
constexpr int32_t ExpectedWhileUntil = 1027;
constexpr int32_t ExpectedWith = 1029;
constexpr int32_t IdentifierTooLong = 1030;
constexpr int32_t InvalidNumber = 1031;
constexpr int32_t InvalidCharacter = 1032;
constexpr int32_t UnterminatedString = 1033;
constexpr int32_t InvalidExit = 1039;
constexpr int32_t InvalidForVariable = 1040;
constexpr int32_t NameRedefined = 1041;
constexpr int32_t ParenthesesOnSubCall = 1044;
constexpr int32_t ExpectedLiteral = 1045;
constexpr int32_t ExpectedIn = 1046;
constexpr int32_t ExpectedClass = 1047;
constexpr int32_t InsideClassOnly = 1048;
constexpr int32_t ExpectedLetSetGet = 1049;
constexpr int32_t ExpectedProperty = 1050;
constexpr int32_t TwoDefaults = 1052;
constexpr int32_t InitTerminateArguments = 1053;
constexpr int32_t LetSetArgument = 1054;
constexpr int32_t UnexpectedNext = 1055;
constexpr int32_t DefaultOnlyPublic = 1057;
// Our own: nesting deeper than the parser allows, refused before it can exhaust the stack.
constexpr int32_t TooComplex = 1001;  // "Out of memory": the language's number for an exhausted parser

// The language's text of a compile error number.
const char* text(int32_t number) noexcept;
}  // namespace syntax

class SyntaxError : public std::runtime_error {
public:
    SyntaxError(int32_t number, int32_t line, int32_t column)
        : std::runtime_error(syntax::text(number)), number_(number), line_(line), column_(column) {}

    int32_t number() const noexcept { return number_; }
    int32_t line() const noexcept { return line_; }
    int32_t column() const noexcept { return column_; }

private:
    int32_t number_;
    int32_t line_;
    int32_t column_;
};

}  // namespace script
