#include "forms/Winsock.h"

#include <boost/asio/error.hpp>

#include "forms/detail/SocketErrors.h"

namespace forms {

const char* WinsockErrorText(int32_t number) {
    switch (number) {
    case sckMsgTooBig: return "The datagram is too large to fit into the buffer and is truncated";
    case sckAddressInUse: return "Address in use";
    case sckAddressNotAvailable: return "Address not available from the local machine";
    case sckNetworkUnreachable: return "Network is unreachable";
    case sckConnectAborted: return "Connection is aborted due to timeout or other failure";
    case sckConnectionReset: return "Connection is reset by remote side";
    case sckTimedout: return "Attempt to connect timed out";
    case sckConnectionRefused: return "Connection is forcefully rejected";
    case sckHostNotFound: return "Authoritative answer: Host not found";
    case sckBadState: return "Wrong protocol or connection state for the requested transaction or request";
    case sckInvalidArg:
        return "The argument passed to a function was not in the correct format or in the specified range";
    case sckInvalidOp: return "Invalid operation at current state";
    default: return "";
    }
}

namespace detail {

namespace {

int32_t numberOf(const boost::system::error_code& ec) {
    namespace error = boost::asio::error;
    if (ec == error::connection_refused) return sckConnectionRefused;
    if (ec == error::connection_reset || ec == error::broken_pipe) return sckConnectionReset;
    if (ec == error::connection_aborted || ec == error::eof) return sckConnectAborted;
    if (ec == error::timed_out) return sckTimedout;
    if (ec == error::network_unreachable || ec == error::host_unreachable || ec == error::network_down)
        return sckNetworkUnreachable;
    if (ec == error::address_in_use) return sckAddressInUse;
    if (ec == boost::system::errc::address_not_available || ec == error::access_denied) return sckAddressNotAvailable;
    if (ec == error::host_not_found || ec == error::host_not_found_try_again || ec == error::no_data)
        return sckHostNotFound;
    if (ec == error::message_size) return sckMsgTooBig;
    if (ec == error::invalid_argument) return sckInvalidArg;
    return 0;
}

}  // namespace

WinsockFailure winsockFailure(const boost::system::error_code& ec) {
    int32_t number = numberOf(ec);
    if (number == 0) return {sckConnectAborted, ec.message()};
    return {number, WinsockErrorText(number)};
}

vb::Error winsockError(int32_t number) { return vb::Error(number, WinsockErrorText(number)); }

vb::Error winsockError(const boost::system::error_code& ec) {
    auto failure = winsockFailure(ec);
    return vb::Error(failure.number, failure.description);
}

}  // namespace detail

}  // namespace forms
