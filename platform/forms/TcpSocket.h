#pragma once
// The TCP socket control: a client that connects to a host and port, or a server that
// listens on a port and hands each connection request to another control (of a control
// array) with Accept. Received bytes wait in the control until GetData takes them; events
// run on the loop's thread, and a control raises none after Close or destruction.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "forms/Loop.h"
#include "forms/Winsock.h"

namespace forms {

class TcpSocket {
public:
    explicit TcpSocket(Loop& loop = Loop::current());
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    std::string RemoteHost;  // host name or address that Connect() goes to
    int32_t RemotePort = 0;
    int32_t LocalPort = 0;  // port Listen() takes; 0 = any, and then the port it got
    std::string LocalIP;    // address Listen() takes; empty = every address
    std::string Tag;        // free text of the caller's
    std::string Purpose;    // what a listening port is for, in the port notes (PortNotes.h)

    int State() const;  // WinsockState
    // The peer's address of the current (or last) connection.
    std::string RemoteHostIP() const;
    // Bytes received and not yet taken by GetData.
    int32_t BytesReceived() const;
    // True while bytes have come that GetData has not taken: in the control, or still waiting in
    // the system for the control to read them.
    bool InputWaiting() const;

    // Connects to RemoteHost:RemotePort (or the given ones, which are kept in those
    // properties); OnConnect or OnError follows. A control that is not closed is closed first.
    void Connect();
    void Connect(const std::string& host, int32_t port);
    // Listens on LocalIP:LocalPort; raises error 10048 when the port is taken and 40020
    // when the control is not closed.
    void Listen();
    // Takes the connection of a ConnectionRequest (during that event) into this closed
    // control; error 40020 when this control is not closed, 40014 for an unknown id.
    void Accept(int32_t requestID);
    // A listening control takes no connection requests while paused: they wait in the
    // system's backlog until it resumes. A listener that cannot take more says so this way
    // instead of refusing whoever comes.
    void PauseAccepting(bool paused);
    bool AcceptingPaused() const;
    // Holding (a listener): while accepting is paused, connections that come are still accepted
    // and held, up to `most` of them, rather than left in the system's backlog, so that a crowd of
    // clients that send nothing cannot keep a request away. When one more comes, the oldest held
    // connection that has sent nothing is closed (one in its first second only past four times
    // `most`: a burst of clients may not have sent yet), as is one held silent for `longest` (on
    // the loop's clock). A held connection that closes without sending is dropped. Once accepting
    // resumes, held connections are offered first: those that have sent something in the order
    // they came, then the silent ones, oldest first; one the owner does not accept during its
    // event is held again and accepting pauses until the owner resumes it. 0: nothing is held
    // (the default).
    void HoldWhilePaused(std::size_t most, Loop::Duration longest);
    // True while a held connection has sent something and waits to be offered.
    bool HeardWaiting() const;
    // Connections held now, and how many of them have sent something.
    std::size_t HeldCount() const;
    // A connection that has received nothing yet goes back to `listener`'s held connections, to
    // be offered again once it has sent something or accepting resumes; this control is closed.
    // One that has received something is closed.
    void HandBack(TcpSocket& listener);
    // Queues bytes to send; OnSendComplete follows once all queued bytes are sent.
    // Error 40006 when the control is neither connected nor closing (the peer's side closed).
    void SendData(std::string_view data);
    // Takes all received bytes, or at most maxLen of them (the rest stays).
    std::string GetData();
    std::string GetData(int32_t maxLen);
    // Closes the connection or stops listening; bytes not yet sent are dropped.
    void Close();
    // Closes the connection with a reset: what the peer has not taken is dropped by the system
    // too, at once, rather than kept for a peer that does not read.
    void Abort();
    // Holds what the system keeps unsent for this connection to about `bytes`, so that a peer
    // that stops reading is seen to stop soon after it does.
    void LimitSendBuffer(int bytes);

    std::function<void()> OnConnect;
    std::function<void(int32_t requestID)> OnConnectionRequest;
    std::function<void(int32_t bytesTotal)> OnDataArrival;
    std::function<void()> OnSendComplete;
    std::function<void()> OnClose;  // the peer closed the connection (State becomes 8)
    std::function<void(int32_t number, const std::string& description)> OnError;  // State becomes 9
    // A listener holding connections while paused: one of them has sent its first bytes.
    std::function<void()> OnHeardWaiting;

    struct Impl;

private:
    std::shared_ptr<Impl> impl_;
};

}  // namespace forms
