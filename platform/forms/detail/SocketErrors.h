#pragma once
// Turns system errors of socket calls into the socket controls' error numbers and texts.

#include <cstdint>
#include <string>

#include <boost/system/error_code.hpp>

#include "vb/Error.h"

namespace forms::detail {

struct WinsockFailure {
    int32_t number;
    std::string description;
};

WinsockFailure winsockFailure(const boost::system::error_code& ec);

// The error a failing call raises to its caller.
vb::Error winsockError(int32_t number);
vb::Error winsockError(const boost::system::error_code& ec);

}  // namespace forms::detail
