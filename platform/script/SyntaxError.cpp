#include "script/SyntaxError.h"

namespace script::syntax {

const char* text(int32_t number) noexcept {
    switch (number) {
    case TooComplex: return "Out of memory";
    case SyntaxError: return "Syntax error";
    case ExpectedColon: return "Expected ':'";
    case ExpectedLParen: return "Expected '('";
    case ExpectedRParen: return "Expected ')'";
    case ExpectedIdentifier: return "Expected identifier";
    case ExpectedEquals: return "Expected '='";
    case ExpectedIf: return "Expected 'If'";
    case ExpectedTo: return "Expected 'To'";
    case ExpectedEnd: return "Expected 'End'";
    case ExpectedFunction: return "Expected 'Function'";
    case ExpectedSub: return "Expected 'Sub'";
    case ExpectedThen: return "Expected 'Then'";
    case ExpectedWend: return "Expected 'Wend'";
    case ExpectedLoop: return "Expected 'Loop'";
    case ExpectedNext: return "Expected 'Next'";
    case ExpectedCase: return "Expected 'Case'";
    case ExpectedSelect: return "Expected 'Select'";
    case ExpectedExpression: return "Expected expression";
    case ExpectedStatement: return "Expected statement";
    case ExpectedEndOfStatement: return "Expected end of statement";
    case ExpectedInteger: return "Expected integer constant";
    case ExpectedWhileUntil: return "Expected 'While' or 'Until'";
    case ExpectedWith: return "Expected 'With'";
    case IdentifierTooLong: return "Identifier too long";
    case InvalidNumber: return "Invalid number";
    case InvalidCharacter: return "Invalid character";
    case UnterminatedString: return "Unterminated string constant";
    case InvalidExit: return "Invalid 'exit' statement";
    case InvalidForVariable: return "Invalid 'for' loop control variable";
    case NameRedefined: return "Name redefined";
    case ParenthesesOnSubCall: return "Cannot use parentheses when calling a Sub";
    case ExpectedLiteral: return "Expected literal constant";
    case ExpectedIn: return "Expected 'In'";
    case ExpectedClass: return "Expected 'Class'";
    case InsideClassOnly: return "Must be defined inside a Class";
    case ExpectedLetSetGet: return "Expected Let or Set or Get in property declaration";
    case ExpectedProperty: return "Expected 'Property'";
    case TwoDefaults: return "Cannot have multiple default property/method in a Class";
    case InitTerminateArguments: return "Class initialize or terminate do not have arguments";
    case LetSetArgument: return "Property set or let must have at least one argument";
    case UnexpectedNext: return "Unexpected 'Next'";
    case DefaultOnlyPublic: return "'Default' specification must also specify 'Public'";
    default: return "Syntax error";
    }
}

}  // namespace script::syntax
