#include "vb/Error.h"

namespace vb {

Error::Error(int32_t number, std::string description, std::string source, int32_t line)
    : number_(number), description_(std::move(description)), source_(std::move(source)), line_(line) {}

}  // namespace vb
