#pragma once
// The pending error (the language's `Err` object): set when a step under an error
// handler fails, read and cleared by the handler (the log writer consumes it).

#include <cstdint>
#include <string>

#include "vb/Error.h"

namespace vb {

class ErrObject {
public:
    int32_t Number = 0;
    std::string Description;
    std::string Source;
    int32_t Line = 0;  // numbered line of the failing statement; 0 where none is recorded

    void Clear();
    // Makes the error pending (what a failing statement under an error handler does).
    void set(const Error& e);
    // Throws the pending error, or a new one, as the language's Err.Raise does; an empty
    // description becomes the standard one of the number (vb/ErrorNumbers.h).
    [[noreturn]] void Raise(int32_t number, std::string source = {}, std::string description = {});
};

// The pending error of the calling thread (the plug-in runs on one thread).
ErrObject& Err();

// Converts any exception in flight into the language's error: vb::Error as it is,
// std::bad_alloc as error 7 "Out of memory", anything else as error 5
// "Invalid procedure call or argument" with the exception's text as description.
Error currentError();

// Runs one step of a procedure that has an error handler: a failure becomes the pending
// error (with `line` when the step's own error carries none) and the call returns false,
// so that the procedure logs it and goes on with its next statement.
template <class Step>
bool Try(Step&& step, int32_t line = 0) {
    try {
        step();
        return true;
    } catch (...) {
        Error e = currentError();
        if (e.line() == 0) e.setLine(line);
        Err().set(e);
        return false;
    }
}

}  // namespace vb
