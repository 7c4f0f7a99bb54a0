#pragma once
// The calls that go up the plug-in's layers: from the core into the services (caller ID and xAP)
// and from the core and the services into the host interface (the user script, the device
// commands, the host's phone). A layer names none above it: the host interface fills these at
// start-up (ConnectServices) with the procedures themselves.

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
    // The settings reader's: the phone book rebuilt, the modem's port opened and its set-up sent.
    std::function<void(PluginState&)> BuildPhonebook;
    std::function<bool(PluginState&, const std::string& port)> InitCommPort;
    std::function<void(PluginState&, const std::string& text)> ModemSend;
    // The web server's window, made and loaded on first call.
    std::function<void(PluginState&)> LoadTCPServerWindow;
    // The user script's queue timer, and an appliance's input mapped to a host device command.
    std::function<void(PluginState&, forms::Timer&)> RunScriptQueue;
    std::function<void(PluginState&, std::string& houseCode, std::string& deviceCode, int16_t& command,
                       int16_t& brightness)>
        SetZephraIO;
    // The host interface's: a button's press from an xAP controller, a text for the user script,
    // the host's phone made ready (false when there is none).
    std::function<void(PluginState&, const std::string& buttonName)> ButtonPress;
    std::function<void(PluginState&, const std::string& text)> QueueScriptText;
    std::function<bool(PluginState&)> InitHSP;
    // The status page's "run the script" button, and the setup dialog's sound test on the
    // appliance.
    std::function<void(PluginState&)> RunScriptFile;
    std::function<void(PluginState&, const std::string& sCommand)> ZephraSorvexEx;
};

}  // namespace zephra
