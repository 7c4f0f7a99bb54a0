#pragma once
// The calls the plug-in's core makes into the services above it (caller ID and xAP, the user
// script, the host's device commands). The core names no layer above it: the host interface
// fills these at start-up (ConnectServices) with the services' own procedures.

#include <cstdint>
#include <functional>
#include <string>

namespace forms {
struct Datagram;
class Timer;
}  // namespace forms

namespace zephra {

class PluginState;

struct ServiceHooks {
    // Caller ID: the caller's text for an appliance (sent to it when `send`), the UDP server's
    // clients, and the xAP caller-ID and device-state messages.
    std::function<std::string(PluginState&, bool send, const std::string& target)> MessageCIDEvent;
    std::function<void(PluginState&, const std::string& name, const std::string& number)> SendCIDToOtherClients;
    std::function<void(PluginState&, const std::string& rawName, const std::string& name, const std::string& number)>
        XapCID;
    std::function<void(PluginState&, const std::string& deviceCode)> SendXapBSC;
    std::function<std::string(PluginState&, std::string& name, std::string& number, const std::string& target)>
        UDPSendCID;
    std::function<std::string(PluginState&, const std::string& command, const std::string& argument,
                              const std::string& target)>
        UDPSendCommand;
    std::function<bool(PluginState&, const std::string& host)> IsRegisteredClient;
    // The hidden form's socket, serial-port and modem-line events.
    std::function<void(PluginState&, const forms::Datagram&)> ReceiveClientDatagram;
    std::function<void(PluginState&, const std::string& text, int16_t code)> ProcessCommData;
    std::function<bool(PluginState&)> TakePendingModemLine;
    std::function<void(PluginState&)> ProcessModemInput;
    std::function<void(PluginState&)> UnloadEchoWindow;
    // The user script's queue timer, and an appliance's input mapped to a host device command.
    std::function<void(PluginState&, forms::Timer&)> RunScriptQueue;
    std::function<void(PluginState&, std::string& houseCode, std::string& deviceCode, int16_t& command,
                       int16_t& brightness)>
        SetZephraIO;
};

}  // namespace zephra
