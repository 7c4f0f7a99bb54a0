#include "vb/Error.h"

#include "vb/ErrorNumbers.h"

namespace vb {

Error::Error(int32_t number, std::string description, std::string source, int32_t line)
    : number_(number), description_(std::move(description)), source_(std::move(source)), line_(line) {}

Error::Error(int32_t number) : Error(number, std::string(errors::standardDescription(number))) {}

void raise(int32_t number) { throw Error(number); }

}  // namespace vb
