#pragma once
// The UDP socket control: bound to a local port (and address), sends datagrams to
// RemoteHost:RemotePort, and raises an event for every datagram that arrives, with the
// sender's address and port. Events run on the loop's thread; none after Close or
// destruction.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "forms/Loop.h"
#include "forms/Winsock.h"

namespace forms {

struct Datagram {
    std::string Data;          // the datagram's bytes
    std::string RemoteHostIP;  // the sender's address
    int32_t RemotePort = 0;    // the sender's port
};

class UdpSocket {
public:
    explicit UdpSocket(Loop& loop = Loop::current());
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    std::string RemoteHost;  // where SendData sends: host name or address
    int32_t RemotePort = 0;
    int32_t LocalPort = 0;  // port Bind() takes; 0 = any, and then the port it got
    std::string Purpose;    // what the bound port is for, in the port notes (PortNotes.h)

    int State() const;  // sckClosed, or sckOpen once bound

    // Binds to LocalPort (or the given port) on every address, or on `localIP`; error
    // 10048 when the port is taken, 40020 when the control is already open.
    void Bind();
    void Bind(int32_t localPort, const std::string& localIP = {});
    // Sends one datagram to RemoteHost:RemotePort, binding to any port first when the
    // control is closed. A failure raises the control's error (11001 for an unknown host).
    void SendData(std::string_view datagram);
    void Close();

    std::function<void(const Datagram& datagram)> OnDataArrival;
    std::function<void(int32_t number, const std::string& description)> OnError;

    struct Impl;

private:
    std::shared_ptr<Impl> impl_;
};

}  // namespace forms
