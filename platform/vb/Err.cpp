#include "vb/Err.h"

#include "vb/ErrorNumbers.h"

#include <new>

namespace vb {

void ErrObject::Clear() {
    Number = 0;
    Description.clear();
    Source.clear();
    Line = 0;
}

void ErrObject::set(const Error& e) {
    Number = e.number();
    Description = e.description();
    Source = e.source();
    Line = e.line();
}

void ErrObject::Raise(int32_t number, std::string source, std::string description) {
    if (description.empty()) description = errors::standardDescription(number);
    Error e(number, std::move(description), std::move(source));
    Clear();
    throw e;
}

ErrObject& Err() {
    thread_local ErrObject err;
    return err;
}

Error currentError() {
    try {
        throw;
    } catch (const Error& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return Error(7, "Out of memory");
    } catch (const std::exception& e) {
        return Error(5, e.what());
    } catch (...) {
        return Error(5, "Invalid procedure call or argument");
    }
}

}  // namespace vb
