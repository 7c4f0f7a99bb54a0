#pragma once
// How a procedure of the appliance object runs a step under its error handler: a failure
// is logged with the procedure's log name, and the procedure goes on with its next step.

#include <utility>

#include "core/Zephra.h"
#include "vb/Err.h"

namespace zephra {

template <class Body>
void Zephra::Step(const char* logName, Body&& body) {
    if (!vb::Try(std::forward<Body>(body))) LogError(logName);
}

}  // namespace zephra
