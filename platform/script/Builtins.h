#pragma once
// The language's built-in functions and constants, found by name when no script definition
// or host object has that name.

#include <cstdint>
#include <string_view>

#include "script/Engine.h"

namespace script {

// The arguments of a built-in call, already evaluated.
struct BuiltinCall {
    Engine& engine;
    Frame& frame;
    ArgList& args;

    std::size_t count() const { return args.size(); }
    // Argument i; Variant::missing() past the end.
    const vb::Variant& operator[](std::size_t i) const;
    bool has(std::size_t i) const { return i < args.size() && !args[i].get().isMissing(); }
};

struct Builtin {
    std::string_view name;  // lower case
    int8_t minArgs;
    int8_t maxArgs;  // -1: any number
    vb::Variant (*fn)(BuiltinCall& call);
};

// The built-in of that (folded) name; nullptr when there is none.
const Builtin* findBuiltin(std::string_view folded);

}  // namespace script
