#pragma once
// The caller-ID, UDP-server and xAP modules' variables.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "callerid/Phonebook.h"

namespace zephra {

class EchoWindow;
class frmOptions;

// The UDP caller-ID and command server.
struct UdpServerState {
    bool ServerDebug = false;      // debug-level lines of the server log are shown
    bool ServerLogToHost = false;  // every shown server-log line also goes to the host log
    // The server window; the module holds the one reference to it.
    std::shared_ptr<frmOptions> window;
    // The next argument of the window's test command alternates "on", "off", ...
    bool nextTestCommandOff = false;
};

// The modem's caller-ID input.
struct ModemState {
    bool CommPortOpen = false;    // the modem's serial port has been opened
    bool NameDetected = false;    // the caller's name line has arrived
    bool NumberDetected = false;  // the caller's number line has arrived
    std::string CallerName;
    std::string CallerNumber;
    std::string CallerWav;  // the announcement WAV file of the last phone-book entry found
    // The modem echo window; the start-up loads it.
    std::shared_ptr<EchoWindow> echoWindow;
    // Received text that has not yet formed a complete line.
    std::string CommBuffer;
    // The phone book, rebuilt at every load of the settings.
    PhonebookIndex phonebookIndex;
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
