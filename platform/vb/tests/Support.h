#pragma once
// Helpers of the runtime's tests: the error number a step raises, and a value as "Kind text".

#include <string>

#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/Variant.h"

namespace vbtest {

// The number of the language error the step raises, 0 when it raises none.
template <class Step>
int errorOf(Step&& step) {
    try {
        step();
    } catch (const vb::Error& e) {
        return e.number();
    }
    return 0;
}

// "Integer 5", "Double 2.5", "String ab", "Null", "Empty".
inline std::string describe(const vb::Variant& v) {
    if (v.isNull() || v.isEmpty()) return vb::TypeName(v);
    return vb::TypeName(v) + " " + vb::CStr(v);
}

}  // namespace vbtest
