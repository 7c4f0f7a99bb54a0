#pragma once
// The host as an xAP v1.2 node on the event loop's UDP socket. It binds the xAP port (3639)
// or, when that is taken (a hub runs on this machine), a free port on loopback, which its
// heartbeats announce so that the hub forwards the network's messages there. It sends the
// plug-in's messages and its heartbeats ("xap-hbeat.alive", at once and every interval on
// the loop's clock) as single datagrams to the broadcast address and port.
//
// Received datagrams are parsed into message objects and handed on. Dropped: malformed
// datagrams (logged, five a minute, then counted), the node's own messages coming back, and BSC
// queries and commands whose target does not name this node.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "forms/LogRate.h"
#include "forms/Loop.h"
#include "forms/Timer.h"
#include "forms/UdpSocket.h"
#include "homeseer/XapMessage.h"
#include "homeseer/XapWire.h"

namespace homeseer {

struct XapSettings {
    std::string broadcast = "255.255.255.255";  // where messages go
    int32_t port = kXapPort;                    // the xAP port: sent to, and bound when free
    std::string listen;                         // the address bound ("": every address)
    XapIdentity identity;
    int32_t intervalSeconds = 60;  // between heartbeats
};

class XapNode {
public:
    using Log = std::function<void(const std::string& text)>;
    using Deliver = std::function<void(const std::shared_ptr<XapMessage>& message)>;

    XapNode(forms::Loop& loop, XapSettings settings, Log log, Deliver deliver);
    ~XapNode();
    XapNode(const XapNode&) = delete;
    XapNode& operator=(const XapNode&) = delete;

    // Binds, sends the first heartbeat and starts the heartbeat timer. A socket that cannot
    // be bound at all is logged; the node then only sends.
    void start();

    // The port messages arrive on (0 when none is bound) and whether it is a hub's client port.
    int32_t port() const noexcept { return port_; }
    bool viaHub() const noexcept { return viaHub_; }

    // Sends one message of the plug-in (the arguments of SendXapMessage); a failure is logged.
    void send(const std::string& target, const std::string& messageClass, const std::string& section,
              const std::string& body, const std::string& subAddress, const std::string& uidPart);

private:
    void sendDatagram(const std::string& text);
    void heartbeat();
    void arrived(const forms::Datagram& datagram);
    bool forThisNode(const XapMessage& message) const;
    void malformed(const std::string& sender, const std::string& why);

    forms::Loop& loop_;
    XapSettings settings_;
    Log log_;
    Deliver deliver_;
    forms::UdpSocket socket_;
    forms::Timer timer_;
    int32_t port_ = 0;
    bool viaHub_ = false;
    int32_t secondsLeft_ = 0;
    // Malformed datagrams are logged at a bounded rate: so many in the minute from its start.
    forms::LogRate malformedRate_;
};

}  // namespace homeseer
