#pragma once
// Freeing what an object holds without nesting one destructor per link: a long chain of
// objects (a dictionary holding a dictionary holding ..., a linked list of script objects)
// would otherwise be freed by recursion as deep as the chain and overflow the stack.

#include <vector>

#include "vb/Variant.h"

namespace vb {

// Takes the values (leaving them Empty) and frees them. Called while another release is
// under way on this thread, it hands them to that one, which frees them in a loop.
void releaseValues(std::vector<Variant>& values);

}  // namespace vb
