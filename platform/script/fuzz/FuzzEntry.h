#pragma once
// One fuzzing input through the script engine: parsed, then added to a control that runs it
// under a short time-out on a clock that moves on by itself (so any input ends quickly).
// Shared by the libFuzzer target and the plain test that replays mutated inputs.

#include <cstddef>
#include <cstdint>

namespace script::fuzz {

// Inputs are cut to this size, enough to reach every construct.
constexpr std::size_t kMaxInput = 64 * 1024;

void runInput(const uint8_t* data, std::size_t size);

}  // namespace script::fuzz
