#pragma once
// The plug-in's own HTTP server window "Server": one listening socket (element 0 of `Socket`),
// client slots 1 to 50 made on demand and handed out in rotation, the queue of received texts
// (one entry per receive event: slot, "~", text), the 50 ms poll `ServerTimer` that serves the
// queue (RequestDispatch.h), the block timers of streamed files and the server debug log.
// Nothing is drawn; the window is loaded once by the settings reader and lives as long as the
// plug-in.
//
// Requests are bounded (RequestFraming.h): a slot whose request grows beyond the bounds is
// answered with an error status and closed, with a debug line, and the other slots go on. A
// streamed file goes out block by block on events, so other requests are served meanwhile; a
// client that stops reading is dropped (with a reset) after three block time-outs in a row.
//
// When all 50 slots are open, a streamed answer leaves its slot to a newcomer and goes on outside
// the slots, the one stalled longest first (up to 1000 such answers, the longest stalled reset to
// make room; one whose reader has taken nothing for three block time-outs is reset), then the
// connection whose request has been slowest to arrive (head or body; forms/RequestArrival.h), so
// stalled readers and slow senders cannot hold every slot;
// one that has sent nothing yet gives way only after a second, so that a burst of newcomers does
// not push out clients whose requests are on their way. Those whose request is whole (queued or
// answered) keep their slots. With none that may give way, newcomers wait in the system's
// backlog until a slot frees; the listener holds them meanwhile (up to 1000, the oldest that has
// sent nothing closed first, none silent past 10 s), so that a crowd that connects and sends
// nothing cannot keep a request out: once a held connection has sent something, a slot whose
// connection has sent nothing hands it back to be held and takes the request. A connection whose
// request head has not all come within 10 s, or
// its whole request within 30 s (on the loop's clock), whose body comes slower than 1 KiB a
// second after its first 2 s, or whose answer is not taken for 30 s, is closed. The debug log
// is kept to 4 MiB
// and its previous 4 MiB ("dkvZephra_TCPServerDebug.old.txt").

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "forms/ControlArray.h"
#include "forms/Form.h"
#include "forms/Loop.h"
#include "forms/RequestArrival.h"
#include "forms/TcpSocket.h"
#include "forms/Timer.h"

namespace zephra {

class PluginState;

class TCPServer : public forms::Form {
public:
    static constexpr int16_t kHighestSlot = 50;
    static constexpr int16_t kFirstSlots = 5;
    static constexpr int32_t kPollInterval = 50;         // ms
    static constexpr int32_t kBlockTimeout = 5000;       // ms
    static constexpr std::size_t kBlockSize = 1000;      // bytes
    static constexpr int kStalledTimeouts = 3;           // block time-outs in a row that drop a client
    static constexpr int32_t kIdleCheckInterval = 1000;  // ms
    static constexpr std::chrono::milliseconds kSilentGrace{1000};
    // What the system keeps unsent of a stream: a reader that stops taking it is seen stalled after
    // this much, not after the megabytes a loopback or LAN connection would otherwise buffer.
    static constexpr int kStreamSendBuffer = 64 * 1024;
    static constexpr std::chrono::milliseconds kHeadTimeout{10000};
    static constexpr std::chrono::milliseconds kRequestTimeout{30000};
    static constexpr std::chrono::milliseconds kBodyGrace{2000};
    static constexpr std::size_t kBodyMinRate = 1024;               // bytes a second
    static constexpr std::size_t kDebugLogLimit = 4 * 1024 * 1024;  // bytes
    static constexpr std::size_t kHeldLimit = 1000;                 // connections held while every slot is taken
    static constexpr std::size_t kAnswerLimit = 1000;               // streamed answers gone on outside the slots

    explicit TCPServer(PluginState& state);
    ~TCPServer() override;

    // Element 0 listens; elements 1 to 50 are client slots.
    forms::ControlArray<forms::TcpSocket> Socket;
    forms::Timer ServerTimer;
    // The block time-out of a streamed file, one per client slot (every slot has one, so that a
    // stream never waits for a send-complete event alone).
    forms::ControlArray<forms::Timer> TCPBinarySendTimer;
    // Closes connections past their time and lets newcomers in again once a slot may give way;
    // runs while any connection is open.
    forms::Timer IdleTimer;

    // One received text of one connection.
    struct QueueEntry {
        int16_t slot = 0;
        uint64_t connection = 0;  // the slot's connection that sent it
        std::string text;
        // slot, "~", text.
        std::string Entry() const;
    };
    std::deque<QueueEntry> RequestQueue;
    int16_t OpenConnectionCount = 0;
    int16_t LastClientSlot = 0;
    std::array<bool, kHighestSlot + 1> BlockSendReady{};
    std::string HtmlBasePath;

    // Events.
    void socket_ConnectionRequest(int32_t requestID);
    void socket_DataArrival(int16_t slot);
    void socket_Close(int16_t slot);
    void Socket_SendComplete(int16_t slot);
    void TCPBinarySendTimer_Timer(int16_t slot);
    void ServerTimer_Timer();
    void IdleTimer_Timer();

    // Appends Now & " | " & text to the server debug log while "TCPDebug" is on.
    void WriteServerDebug(const std::string& text);
    bool DebugOn() const;
    PluginState& State() { return state_; }

    // The highest client slot made so far.
    int16_t HighestSlot() const;
    // The slot's socket state, 0 (closed) for a slot that does not exist.
    int SlotState(int16_t slot) const;
    // The connection now on the slot: a new number at every accept.
    uint64_t Connection(int16_t slot) const { return connections_[slot]; }

    // The text of the slot's connection that has come and not yet made a whole request.
    std::string& Pending(int16_t slot) { return pending_[slot]; }
    // Refuses the slot's request: debug line, its queued texts dropped, then the error status
    // answered (none: 0) and the connection closed.
    void Refuse(int16_t slot, const std::string& reason, int status = 0);
    // The slot's request was taken whole and is being answered: it no longer gives way, and its
    // answer has 30 s to be taken.
    void Answering(int16_t slot);
    // The peer closed its sending side while its request waited; the answer still goes out.
    bool PeerClosed(int16_t slot) const { return peerClosed_[slot]; }
    // Entries of the slot's current connection still queued.
    bool HasQueued(int16_t slot) const { return queuedBytes_[slot] > 0; }
    // Takes an entry off the front of the queue, keeping the per-slot byte count.
    QueueEntry PopEntry();

    // Streams the open file after its header: a block of 1000 bytes goes when the previous one
    // was reported sent or its time-out passed; at the end the connection is closed.
    void StartBlockStream(int16_t slot, std::ifstream file, const std::string& sFile);
    bool Streaming(int16_t slot) const { return streams_[slot] != nullptr; }
    // Streamed answers still going out after leaving their slots.
    std::size_t AnswersOutside() const;

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    struct BlockStream {
        std::ifstream file;
        std::string sFile;
        int timeouts = 0;
    };

    // A streamed answer that left its slot: its connection and the rest of its file.
    struct OutsideAnswer {
        std::unique_ptr<forms::TcpSocket> socket;
        std::unique_ptr<BlockStream> stream;
        bool sendReady = false;
        bool done = false;  // closed; forgotten at the next sweep (not inside its own event)
        forms::Loop::TimePoint lastActivity{};
    };

    void WireSocket(forms::TcpSocket& socket, int index);
    void CreateSlot(int16_t slot);
    void Recount();
    // The open slot that gives way first to a newcomer; 0 when none may.
    int16_t GivesWay() const;
    // The streaming slot whose reader has taken nothing for longest; 0 when none.
    int16_t StalledStream() const;
    // The open slot, oldest first, whose connection has sent nothing; 0 when none.
    int16_t SilentSlot() const;
    bool GiveWay();
    void FollowCapacity();
    void socket_PeerClose(int16_t slot);
    void ForgetSlot(int16_t slot);
    void RotateDebugLog();
    void socket_Error(int16_t slot);
    void PumpStream(int16_t slot);
    void EndStream(int16_t slot);
    void StopBlockTimer(int16_t slot);
    void LogTagged(const std::string& tag);
    // The slot's stream leaves it and goes on outside the slots; the slot is closed and ready.
    void MoveOut(int16_t slot);
    void PumpOutside(uint64_t id);
    void EndOutside(OutsideAnswer& answer, bool reset);
    // Forgets closed outside answers and resets those not taken for three block time-outs.
    void SweepOutside(forms::Loop::TimePoint at);

    PluginState& state_;
    std::array<uint64_t, kHighestSlot + 1> connections_{};
    std::array<std::string, kHighestSlot + 1> pending_;
    std::array<std::size_t, kHighestSlot + 1> queuedBytes_{};
    std::array<std::unique_ptr<BlockStream>, kHighestSlot + 1> streams_;
    // How each slot's request is arriving: whether it may give way, and its time limits.
    std::array<forms::RequestArrival, kHighestSlot + 1> arrivals_;
    std::array<forms::Loop::TimePoint, kHighestSlot + 1> lastActivity_{};
    std::array<bool, kHighestSlot + 1> answering_{};
    std::array<bool, kHighestSlot + 1> peerClosed_{};
    std::array<bool, kHighestSlot + 1> refused_{};
    std::map<uint64_t, OutsideAnswer> outside_;  // by the order they left their slots
    uint64_t nextConnection_ = 0;
    std::size_t debugBytes_ = 0;
    const void* debugLogSeen_ = nullptr;
};

// The web server's part of the plug-in state: its window, loaded once and kept for the plug-in's
// life, unloaded when the plug-in state goes.
struct TCPServerPart {
    TCPServerPart() = default;
    TCPServerPart(const TCPServerPart&) = delete;
    TCPServerPart& operator=(const TCPServerPart&) = delete;
    ~TCPServerPart();
    std::shared_ptr<TCPServer> Window;
};

// The window, made and loaded on first call; loading it again does nothing.
void LoadTCPServerWindow(PluginState& state);

}  // namespace zephra
