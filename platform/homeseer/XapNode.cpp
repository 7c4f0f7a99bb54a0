#include "homeseer/XapNode.h"

#include <chrono>
#include <exception>

#include "forms/PortNotes.h"
#include "forms/Winsock.h"
#include "windows/CaseFold.h"

namespace homeseer {

namespace {

constexpr const char* kLoopback = "127.0.0.1";
// What the node's port is, on the console's lines of what listens where.
constexpr const char* kNodePurpose = "the xAP node, \"port\" of [xAP] in Config/settings.ini";
constexpr const char* kBehindHub = ", behind the hub that holds UDP port ";
constexpr int32_t kSecondMs = 1000;
constexpr const char* kBscClasses[] = {"xAPBSC.query", "xAPBSC.cmd"};

// The address without its sub-address.
std::string_view nodePart(std::string_view address) { return address.substr(0, address.find(':')); }

}  // namespace

XapNode::XapNode(forms::Loop& loop, XapSettings settings, Log log, Deliver deliver)
    : loop_(loop),
      settings_(std::move(settings)),
      log_(std::move(log)),
      deliver_(std::move(deliver)),
      socket_(loop),
      timer_(loop) {
    timer_.Enabled(false);
    socket_.OnDataArrival = [this](const forms::Datagram& datagram) { arrived(datagram); };
    socket_.OnError = [this](int32_t number, const std::string& description) {
        log_("The xAP socket failed: " + std::to_string(number) + " " + description);
    };
}

XapNode::~XapNode() {
    socket_.OnDataArrival = nullptr;
    socket_.Close();
}

void XapNode::start() {
    try {
        socket_.Purpose = kNodePurpose;
        socket_.Bind(settings_.port, settings_.listen);
        port_ = socket_.LocalPort;
    } catch (const std::exception& taken) {
        // The usual reason: a hub holds the port and forwards to its clients on loopback.
        try {
            socket_.Purpose = kNodePurpose + std::string(kBehindHub) + std::to_string(settings_.port);
            socket_.Bind(0, settings_.listen.empty() ? std::string(kLoopback) : settings_.listen);
            port_ = socket_.LocalPort;
            viaHub_ = true;
            // Reached through the hub: the port it holds is no failure of this node's.
            forms::WithdrawPortFailure("UDP", settings_.port);
            log_("xAP port " + std::to_string(settings_.port) + " is taken (" + taken.what() + "): listening on port " +
                 std::to_string(port_) + " for a hub");
        } catch (const std::exception& e) {
            log_(std::string("The xAP node cannot listen: ") + e.what());
        }
    }
    log_("xAP node " + settings_.identity.source + " sends to " + settings_.broadcast + ":" +
         std::to_string(settings_.port) + (port_ ? ", listens on port " + std::to_string(port_) : std::string()));
    heartbeat();
    secondsLeft_ = settings_.intervalSeconds;
    timer_.OnTimer = [this] {
        if (--secondsLeft_ > 0) return;
        secondsLeft_ = settings_.intervalSeconds;
        heartbeat();
    };
    timer_.Interval(kSecondMs);
    timer_.Enabled(true);
}

void XapNode::send(const std::string& target, const std::string& messageClass, const std::string& section,
                   const std::string& body, const std::string& subAddress, const std::string& uidPart) {
    sendDatagram(FrameXapMessage(settings_.identity, target, messageClass, section, body, subAddress, uidPart));
}

void XapNode::sendDatagram(const std::string& text) {
    try {
        socket_.RemoteHost = settings_.broadcast;
        socket_.RemotePort = settings_.port;
        socket_.SendData(text);
    } catch (const std::exception& e) {
        log_("An xAP message cannot be sent to " + settings_.broadcast + ": " + e.what());
    }
}

void XapNode::heartbeat() { sendDatagram(FrameXapHeartbeat(settings_.identity, settings_.intervalSeconds, port_)); }

void XapNode::arrived(const forms::Datagram& datagram) {
    XapParsing parsing = ParseXapDatagram(datagram.Data);
    if (!parsing.message) {
        malformed(datagram.RemoteHostIP, parsing.error);
        return;
    }
    auto message = std::make_shared<XapMessage>(std::move(*parsing.message));
    if (windows::EqualsNoCase(nodePart(message->MsgSource()), settings_.identity.source)) return;  // our own, back
    if (!forThisNode(*message)) return;
    if (deliver_) deliver_(message);
}

// Malformed datagrams are logged five a minute, whoever sends them (behind a hub every local
// node is 127.0.0.1); those beyond are counted and the count logged when the next minute begins.
void XapNode::malformed(const std::string& sender, const std::string& why) {
    malformedRate_.Log(loop_.now(), "A malformed xAP datagram from " + sender + " is dropped (" + why + ")",
                       " more malformed xAP datagrams were dropped unlogged", log_);
}

bool XapNode::forThisNode(const XapMessage& message) const {
    const std::string target = message.MsgTarget();
    if (target.empty()) return true;
    for (const char* bsc : kBscClasses)
        if (windows::EqualsNoCase(message.MsgClass(), bsc))
            return XapAddressMatches(nodePart(target), settings_.identity.source);
    return true;
}

}  // namespace homeseer
