#pragma once
// What the socket controls share: the control's state numbers and the error
// numbers and texts its Error event and failing calls carry.

#include <cstdint>

namespace forms {

enum WinsockState : int {
    sckClosed = 0,
    sckOpen = 1,
    sckListening = 2,
    sckConnectionPending = 3,
    sckResolvingHost = 4,
    sckHostResolved = 5,
    sckConnecting = 6,
    sckConnected = 7,
    sckClosing = 8,
    sckError = 9,
};

enum WinsockError : int32_t {
    sckMsgTooBig = 10040,
    sckAddressInUse = 10048,
    sckAddressNotAvailable = 10049,
    sckNetworkUnreachable = 10051,
    sckConnectAborted = 10053,
    sckConnectionReset = 10054,
    sckTimedout = 10060,
    sckConnectionRefused = 10061,
    sckHostNotFound = 11001,
    sckBadState = 40006,
    sckInvalidArg = 40014,
    sckInvalidOp = 40020,
};

// The control's text for one of its error numbers ("" for others).
const char* WinsockErrorText(int32_t number);

}  // namespace forms
