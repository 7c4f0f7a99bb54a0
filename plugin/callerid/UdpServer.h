#pragma once
// The UDP caller-ID and command server: client programs on the appliances subscribe with a
// datagram holding the byte 1 (and unsubscribe with 2); the plug-in keeps the list in the
// registry under the application name "Zephra" (section "Clients": "ClientMax" and entries
// "1".."ClientMax", an address or "-" & address once unsubscribed) and sends subscribed
// clients 136-byte datagrams: caller ID (type 3: name, number) and commands (type 6: name,
// argument). Every operation reads the client list from the registry in one go.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "forms/UdpSocket.h"

namespace zephra {

class PluginState;
class frmOptions;

// The server's part of the plug-in state.
struct UdpServerState {
    bool ServerDebug = false;      // debug-level lines of the server log are shown
    bool ServerLogToHost = false;  // every shown server-log line also goes to the host log
    // The server window; the module holds the one reference to it.
    std::shared_ptr<frmOptions> window;
    // The next argument of the window's test command alternates "on", "off", ...
    bool nextTestCommandOff = false;
};

// The application name of the registry settings and of the server window.
inline constexpr const char* kUdpAppName = "Zephra";

// The most entries the client list takes. On a full list an entry that is no longer active
// gives way to a new subscriber, and for an appliance the oldest entry that is no appliance;
// any other subscribe is refused.
constexpr int32_t kClientListCap = 1024;

// Server-log levels.
enum ServerLogLevel : int16_t { kLogDebug = 1, kLogWarning = 2, kLogError = 3, kLogInfo = 4 };

// Appends a line (date and time, "~!~", caption, "~!~", message, CR LF) to the server
// window's log, and to the host log once the socket is bound; debug lines only while the
// server's debug switch is on. Never fails.
void ServerLog(PluginState& state, const std::string& message, int16_t level);

// Writes the pending error to the server log at level 3 and clears it.
void ReportServerError(PluginState& state, const std::string& procedure);

// Clears the client list, reads the ports ("Options": "RemotePort", "LocalPort", default
// "4550") and binds the hidden form's socket to the local port. Starts copying the server's
// log lines into the host log.
void InitUDP(PluginState& state);
void CloseUDP(PluginState& state);

// Sends the caller-ID datagram to every active client that the target names ("" = all; else
// the client's address or one item of a comma-separated list of addresses). A name or
// number "O" or "P" is first replaced by its text, in the caller's variables too. Returns
// the status text.
std::string UDPSendCID(PluginState& state, std::string& name, std::string& number, const std::string& target);
// Sends a command datagram to every active client ("" or "ALL") or to the registered client
// `target`. Returns the status text; a target that is not registered is logged.
std::string UDPSendCommand(PluginState& state, const std::string& command, const std::string& argument,
                           const std::string& target);
// True when `host` is an active entry of the client list (the first entry for the address
// decides).
bool IsRegisteredClient(PluginState& state, const std::string& host);
// Sends the caller ID to every client that is not a configured appliance.
void SendCIDToOtherClients(PluginState& state, const std::string& name, const std::string& number);

// A datagram from a client arrived on the server's socket: subscribe, unsubscribe, or
// logged as unknown or empty.
void ReceiveClientDatagram(PluginState& state, const forms::Datagram& datagram);

// The 136 bytes of a server datagram: the type, seven zero bytes, and two fields of 64
// bytes, each text cut to 64 bytes and padded with zero bytes.
std::string ServerDatagram(uint8_t type, const std::string& first, const std::string& second);
constexpr uint8_t kCallerIdDatagram = 3;
constexpr uint8_t kCommandDatagram = 6;

// The client list's entries 1..ClientMax as stored.
std::vector<std::string> ClientEntries();

}  // namespace zephra
