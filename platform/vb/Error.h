#pragma once
// The run-time error of the language the plug-in was written in: what a failing
// statement raises, what an error handler reads back, and what escapes to a calling script.

#include <cstdint>
#include <exception>
#include <string>

namespace vb {

class Error : public std::exception {
public:
    // number: the error number (0x800403E9 and the like are negative 32-bit values);
    // line: the numbered line of the failing statement, 0 where the raiser records none.
    Error(int32_t number, std::string description, std::string source = {}, int32_t line = 0);
    // The error with the language's standard description of its number (vb/ErrorNumbers.h).
    explicit Error(int32_t number);

    int32_t number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }
    const std::string& source() const noexcept { return source_; }
    int32_t line() const noexcept { return line_; }
    void setLine(int32_t line) noexcept { line_ = line; }
    void setSource(std::string source) { source_ = std::move(source); }

    const char* what() const noexcept override { return description_.c_str(); }

private:
    int32_t number_;
    std::string description_;
    std::string source_;
    int32_t line_;
};

// Throws the error `number` with its standard description (what the runtime raises).
[[noreturn]] void raise(int32_t number);

}  // namespace vb
