#pragma once
// The caller-ID and xAP modules' variables that the core reads too (the settings reader, the
// hidden form's timers, the fan-out of a call). The caller-ID layer's own are in
// callerid/CallerIdPart.h.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace zephra {

// The modem's caller-ID input.
struct ModemState {
    bool CommPortOpen = false;    // the modem's serial port has been opened
    bool NameDetected = false;    // the caller's name line has arrived
    bool NumberDetected = false;  // the caller's number line has arrived
    std::string CallerName;
    std::string CallerNumber;
    std::string CallerWav;  // the announcement WAV file of the last phone-book entry found
    // Received text that has not yet formed a complete line.
    std::string CommBuffer;
};

// One outgoing xAP message waiting for the send timer.
struct xapQueuedMessage {
    std::string MsgTarget;
    std::string MsgClass;
    std::string MsgSection;
    std::string MsgData;
    std::string MsgSubAddress;
    std::string MsgUID;
};

struct XapState {
    // Oldest first; none until the start-up makes it and after the shut-down releases it.
    std::optional<std::deque<xapQueuedMessage>> XapSendQueue;
    bool XapCIDSent = false;      // an xAP caller ID is being handled
    bool CIDFromXap = false;      // the caller being processed came by xAP
    int32_t XapMessageCount = 0;  // messages of interest received since the plug-in was loaded
    std::string XapSunrise;       // of the last "Time.Today" message
    std::string XapSunset;
};

}  // namespace zephra
