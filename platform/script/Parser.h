#pragma once
// Parses a whole script text into a Program, or raises SyntaxError with the line and column
// of the first fault. Nesting is bounded, so no input can exhaust the stack.

#include <memory>
#include <string_view>

#include "script/Ast.h"

namespace script {

// Deepest nesting of blocks and parenthesised expressions the parser accepts.
constexpr int kMaxNesting = 200;
// Tallest expression tree (operators in a chain count too).
constexpr int kMaxExpressionDepth = 1000;

// The whole text as one compiled unit. With `scope` (Execute inside a procedure), the top-level
// statements see that procedure's locals.
std::unique_ptr<ast::Program> parseProgram(std::string_view text, const ast::Procedure* scope = nullptr);

// One expression and nothing after it (Eval); names resolve in `procedure` when given.
ast::ExprPtr parseExpression(std::string_view text, const ast::Procedure* procedure);

// Lower-case form of a name (the key of every name table).
std::string foldName(std::string_view name);

}  // namespace script
