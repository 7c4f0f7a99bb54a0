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
// statements see that procedure's locals, its undeclared names and its class's members; names
// new to the procedure, and those the text declares, get slots in `frame`.
std::unique_ptr<ast::Program> parseProgram(std::string_view text, const ast::Procedure* scope = nullptr,
                                           ast::FrameNames* frame = nullptr);

// One expression and nothing after it (Eval); names resolve in `procedure` (and `frame`) when given.
ast::ExprPtr parseExpression(std::string_view text, const ast::Procedure* procedure, ast::FrameNames* frame = nullptr);

// Lower-case form of a name (the key of every name table).
std::string foldName(std::string_view name);

}  // namespace script
