#pragma once
// For tests: the vb::Error number a call raises (0 when it raises none).

#include "vb/Error.h"

namespace windows::testing {

template <class Call>
int errorNumber(Call&& call) {
    try {
        call();
    } catch (const vb::Error& e) {
        return e.number();
    }
    return 0;
}

}  // namespace windows::testing
