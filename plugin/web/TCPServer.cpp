#include "web/TCPServer.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <vector>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/SettingsTable.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/Format.h"
#include "vb/Strings.h"
#include "web/RequestDispatch.h"
#include "web/RequestFraming.h"
#include "web/Response.h"
#include "web/ServerTexts.h"
#include "windows/FileSystemObject.h"
#include "windows/PathMap.h"

namespace zephra {

using namespace webtext;

namespace {

constexpr const char* kTagStreaming = "1";
constexpr const char* kTagDone = "0";
constexpr const char* kDataFolder = "\\Data";
constexpr const char* kPluginFolder = "\\dkvZephra";
constexpr const char* kDebugLogFile = "\\Data\\dkvZephra\\dkvZephra_TCPServerDebug.txt";
constexpr const char* kDebugLogOld = "\\Data\\dkvZephra\\dkvZephra_TCPServerDebug.old.txt";
// What one slot may hold of requests not yet served: its queued texts and its partial request.
constexpr std::size_t kSlotLimit = kHeaderLimit + kBodyLimit;

std::string N(int64_t value) { return std::to_string(value); }

forms::Loop::TimePoint Now() { return forms::Loop::current().now(); }

int64_t Ms(forms::Loop::Duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); }

// The next block of a streamed file, in a slot or outside the slots; empty at its end.
std::string NextBlock(std::ifstream& file) {
    std::string block(TCPServer::kBlockSize, '\0');
    file.read(block.data(), static_cast<std::streamsize>(block.size()));
    block.resize(static_cast<std::size_t>(file.gcount()));
    return block;
}

const forms::ArrivalRules kArrivalRules{kHeaderLimit,
                                        kBodyLimit,
                                        TCPServer::kSilentGrace,
                                        TCPServer::kHeadTimeout,
                                        TCPServer::kRequestTimeout,
                                        TCPServer::kBodyGrace,
                                        TCPServer::kBodyMinRate};

}  // namespace

std::string TCPServer::QueueEntry::Entry() const { return std::to_string(slot) + kQueueSeparator + text; }

TCPServer::TCPServer(PluginState& state)
    : forms::Form(kCaption),
      Socket([this](forms::TcpSocket& socket, int index) { WireSocket(socket, index); }),
      TCPBinarySendTimer([this](forms::Timer& timer, int index) {
          timer.Enabled(false);
          timer.OnTimer = [this, index] { TCPBinarySendTimer_Timer(static_cast<int16_t>(index)); };
      }),
      state_(state) {
    ServerTimer.Enabled(false);
    ServerTimer.OnTimer = [this] { ServerTimer_Timer(); };
    IdleTimer.Enabled(false);
    IdleTimer.OnTimer = [this] { IdleTimer_Timer(); };
    Socket.Load(0);
    Socket(0).Purpose = kListenerPurpose;
    for (int16_t slot = 0; slot <= kHighestSlot; ++slot) TCPBinarySendTimer.Load(slot);
}

TCPServer::~TCPServer() {
    for (auto& stream : streams_) stream.reset();
    outside_.clear();
}

void TCPServer::WireSocket(forms::TcpSocket& socket, int index) {
    const auto slot = static_cast<int16_t>(index);
    if (slot == 0) {
        socket.OnConnectionRequest = [this](int32_t id) { socket_ConnectionRequest(id); };
        socket.OnHeardWaiting = [this] { FollowCapacity(); };
        socket.HoldWhilePaused(kHeldLimit, kHeadTimeout);
        return;
    }
    socket.OnDataArrival = [this, slot](int32_t) { socket_DataArrival(slot); };
    socket.OnClose = [this, slot] { socket_PeerClose(slot); };
    socket.OnSendComplete = [this, slot] { Socket_SendComplete(slot); };
    socket.OnError = [this, slot](int32_t, const std::string&) { socket_Error(slot); };
}

void TCPServer::LogTagged(const std::string& tag) {
    vb::Try([&] { WriteLog(state_.Host(), kSource, tag); });
}

bool TCPServer::DebugOn() const { return state_.settings.TCPDebug && state_.web.ServerDebugLog != nullptr; }

void TCPServer::WriteServerDebug(const std::string& text) {
    if (!DebugOn()) return;
    vb::Try([&] {
        // The settings reader opens the log anew (emptied) when it reads the settings again.
        if (state_.web.ServerDebugLog.get() != debugLogSeen_) {
            debugLogSeen_ = state_.web.ServerDebugLog.get();
            debugBytes_ = 0;
        }
        const std::string line = vb::FormatDateTime(vb::Now(), vb::vbGeneralDate) + kDebugSeparator + text;
        if (debugBytes_ + line.size() + 2 > kDebugLogLimit) RotateDebugLog();
        state_.web.ServerDebugLog->WriteLine(line);
        debugBytes_ += line.size() + 2;
    });
    vb::Err().Clear();
}

// A busy server (or a hostile client) writes lines without end: the log keeps the latest
// 4 MiB and the 4 MiB before them.
void TCPServer::RotateDebugLog() {
    const std::string appPath = state_.Host().GetAppPath();
    state_.web.ServerDebugLog->Close();
    std::error_code ec;
    std::filesystem::rename(windows::MapPath(appPath + kDebugLogFile).native,
                            windows::MapPath(appPath + kDebugLogOld).native, ec);
    windows::FileSystemObject fso;
    state_.web.ServerDebugLog = fso.CreateTextFile(appPath + kDebugLogFile);
    debugLogSeen_ = state_.web.ServerDebugLog.get();
    debugBytes_ = 0;
}

int16_t TCPServer::HighestSlot() const { return static_cast<int16_t>(Socket.UBound()); }

int TCPServer::SlotState(int16_t slot) const { return Socket.Exists(slot) ? Socket(slot).State() : forms::sckClosed; }

// --- Load and unload --------------------------------------------------------------------

void TCPServer::Form_Load() {
    // A port that cannot be listened on is named with its setting.
    std::optional<std::string> port;
    if (!vb::Try([&] {
            const std::string appPath = state_.Host().GetAppPath();
            HtmlBasePath = appPath + kHtmlFolder;
            port = settings::ReadText(state_.Host(), settings::MainSetting("ServerPort"));
            if (!port->empty() && vb::CLng(vb::Variant(*port)) != Socket(0).LocalPort) {
                forms::TcpSocket& listener = Socket(0);
                listener.LocalPort = vb::CLng(vb::Variant(*port));
                listener.Purpose = std::string(kListenerPurpose) + kStatusPageAt + std::to_string(listener.LocalPort) +
                                   kStatusPagePath;
                listener.Listen();
                for (int16_t slot = 1; slot <= kFirstSlots; ++slot) CreateSlot(slot);
                OpenConnectionCount = 0;
                LastClientSlot = 0;
            }
        }))
        LogTagged(port ? kTagFormLoad + TakePendingError() + ": " +
                             settings::NamedEntry(settings::kMain, "ServerPort=" + *port)
                       : std::string(kTagFormLoad));
    ServerTimer.Enabled(false);
    ServerTimer.Interval(0);
    if (!vb::Try([&] {
            windows::FileSystemObject fso;
            const std::string data = state_.Host().GetAppPath() + kDataFolder;
            if (!fso.FolderExists(data)) fso.CreateFolder(data);
            if (!fso.FolderExists(data + kPluginFolder)) fso.CreateFolder(data + kPluginFolder);
        }))
        LogTagged(kTagFormLoad);
}

void TCPServer::Form_Unload() {
    for (int16_t slot = 0; slot <= kHighestSlot; ++slot) {
        streams_[slot].reset();
        pending_[slot].clear();
        queuedBytes_[slot] = 0;
        StopBlockTimer(slot);
    }
    RequestQueue.clear();
    for (auto& [id, answer] : outside_)
        if (!answer.done) answer.socket->Close();
    outside_.clear();
    ServerTimer.Enabled(false);
    IdleTimer.Enabled(false);
    const int16_t highest = HighestSlot();
    for (int16_t slot = 0; slot <= highest; ++slot) {
        if (!Socket.Exists(slot)) continue;
        if (Socket(slot).State() != forms::sckClosed) Socket(slot).Close();
        if (slot > 0) Socket.Unload(slot);
    }
}

void TCPServer::CreateSlot(int16_t slot) {
    forms::TcpSocket& socket = Socket.Load(slot);
    socket.Tag = kTagDone;
}

// --- Connections ------------------------------------------------------------------------

void TCPServer::socket_ConnectionRequest(int32_t requestID) {
    if (!vb::Try([&] {
            // 1. Recount; a socket in error is closed.
            Recount();
            // 2. Every slot taken: the oldest connection with an unfinished head gives way. With
            // none, the newcomer is held again by the listener, and those after it wait.
            if (OpenConnectionCount >= kHighestSlot && !GiveWay()) {
                WriteServerDebug(kDbgNoFreeSocket + N(requestID));
                FollowCapacity();
                return;
            }
            // 3. Five closed slots stand ready before the accept, up to 50.
            while (OpenConnectionCount >= HighestSlot() - 4 && HighestSlot() < kHighestSlot)
                CreateSlot(static_cast<int16_t>(HighestSlot() + 1));
            // 4. The next closed slot in rotation.
            const int16_t highest = HighestSlot();
            auto next = [highest](int16_t from) {
                auto slot = static_cast<int16_t>((from + 1) % (highest + 1));
                return slot == 0 ? int16_t{1} : slot;
            };
            int16_t slot = next(LastClientSlot);
            for (int16_t tried = 1; SlotState(slot) != forms::sckClosed; ++tried) {
                if (tried >= highest) {
                    WriteServerDebug(kDbgNoFreeSocket + N(requestID));
                    return;
                }
                slot = next(slot);
            }
            // 5.
            LastClientSlot = slot;
            ++OpenConnectionCount;
            WriteServerDebug(kDbgConnectionRequest + N(slot) + kDbgRequestId + N(requestID) + kDbgSocketsDefined +
                             N(HighestSlot()) + kDbgSocketsOpen + N(OpenConnectionCount));
            ForgetSlot(slot);
            connections_[slot] = ++nextConnection_;
            lastActivity_[slot] = Now();
            arrivals_[slot].Open(kArrivalRules, lastActivity_[slot]);
            Socket(slot).Tag = kTagDone;
            Socket(slot).Accept(requestID);
            FollowCapacity();
        }))
        LogTagged(kTagConnectionRequest);
}

void TCPServer::Recount() {
    OpenConnectionCount = 0;
    for (int16_t slot = 1; slot <= HighestSlot(); ++slot) {
        if (!Socket.Exists(slot)) continue;
        const int st = Socket(slot).State();
        if (st == forms::sckError) {
            Socket(slot).Close();
            ForgetSlot(slot);
        } else if (st != forms::sckClosed) {
            ++OpenConnectionCount;
        }
    }
}

// A stream gives way first, the one stalled longest (it goes on outside the slots, losing nothing),
// then the open slot whose request has been slowest to arrive: a client that stops reading, that
// trickles its head or its body, or that sends nothing, must not keep a newcomer out. 0 when none
// may give way.
int16_t TCPServer::GivesWay() const {
    if (const int16_t stalled = StalledStream(); stalled != 0) return stalled;
    std::vector<const forms::RequestArrival*> arrivals(HighestSlot() + 1, nullptr);
    for (int16_t slot = 1; slot <= HighestSlot(); ++slot) {
        // A connection that seems silent but whose first bytes have come, not read yet (a busy
        // machine), has a request on its way.
        if (SlotState(slot) != forms::sckConnected || answering_[slot] || streams_[slot] ||
            (!arrivals_[slot].Heard() && Socket(slot).InputWaiting()))
            continue;
        arrivals[slot] = &arrivals_[slot];
    }
    return static_cast<int16_t>(std::max(0, forms::SlowestToArrive(arrivals, Now())));
}

int16_t TCPServer::StalledStream() const {
    int16_t found = 0;
    for (int16_t slot = 1; slot <= HighestSlot(); ++slot) {
        const int st = SlotState(slot);
        if (!streams_[slot] || (st != forms::sckConnected && st != forms::sckClosing)) continue;
        if (found == 0 || lastActivity_[slot] < lastActivity_[found]) found = slot;
    }
    return found;
}

bool TCPServer::GiveWay() {
    const int16_t slot = GivesWay();
    if (slot == 0) return false;
    const forms::RequestArrival& arrival = arrivals_[slot];
    if (Streaming(slot)) {
        WriteServerDebug(kDbgGaveWay + N(slot) + kDbgAnswerUntaken + N(Ms(Now() - lastActivity_[slot])) + " ms");
        MoveOut(slot);
    } else {
        WriteServerDebug(kDbgGaveWay + N(slot) + (arrival.HeadWhole() ? kDbgBodyUnfinished : kDbgHeadUnfinished) +
                         N(Ms(Now() - arrival.OpenedAt())) + " ms");
        socket_Close(slot);
    }
    Recount();
    return OpenConnectionCount < kHighestSlot;
}

int16_t TCPServer::SilentSlot() const {
    int16_t found = 0;
    for (int16_t slot = 1; slot <= HighestSlot(); ++slot) {
        if (SlotState(slot) != forms::sckConnected || answering_[slot] || streams_[slot] || queuedBytes_[slot] > 0 ||
            arrivals_[slot].Heard() || Socket(slot).InputWaiting())
            continue;
        if (found == 0 || arrivals_[slot].OpenedAt() < arrivals_[found].OpenedAt()) found = slot;
    }
    return found;
}

// Newcomers are taken while a slot is free or may give way; else they are held (or wait in the
// backlog). A request among the held connections takes the slot of one that has sent nothing,
// which is held again: nothing is lost, so it needs no grace.
void TCPServer::FollowCapacity() {
    Recount();
    forms::TcpSocket& listener = Socket(0);
    if (OpenConnectionCount >= kHighestSlot && listener.HeardWaiting()) {
        if (const int16_t silent = SilentSlot(); silent != 0) {
            WriteServerDebug(kDbgHandedBack + N(silent));
            Socket(silent).HandBack(listener);
            ForgetSlot(silent);
            Recount();
        }
    }
    const bool full = OpenConnectionCount >= kHighestSlot && GivesWay() == 0;
    if (listener.AcceptingPaused() != full) {
        WriteServerDebug(full ? kDbgAcceptPaused : kDbgAcceptResumed);
        listener.PauseAccepting(full);
    }
    const bool watch = OpenConnectionCount > 0 || !outside_.empty();
    if (IdleTimer.Enabled() != watch || (watch && IdleTimer.Interval() != kIdleCheckInterval)) {
        IdleTimer.Interval(kIdleCheckInterval);
        IdleTimer.Enabled(watch);
    }
}

void TCPServer::IdleTimer_Timer() {
    const forms::Loop::TimePoint at = Now();
    for (int16_t slot = 1; slot <= HighestSlot(); ++slot) {
        const int st = SlotState(slot);
        if ((st != forms::sckConnected && st != forms::sckClosing) || streams_[slot] || queuedBytes_[slot] > 0)
            continue;
        const std::string overdue = answering_[slot] ? std::string() : arrivals_[slot].Overdue(at);
        if (!overdue.empty()) {
            Refuse(slot, overdue, 408);
        } else if (answering_[slot] && at - lastActivity_[slot] >= kRequestTimeout) {
            WriteServerDebug(kDbgAnswerNotTaken + N(slot));
            socket_Close(slot);
        }
    }
    SweepOutside(at);
    FollowCapacity();
}

void TCPServer::Answering(int16_t slot) {
    answering_[slot] = true;
    arrivals_[slot].Taken();
    lastActivity_[slot] = Now();
}

// What the server keeps of a slot's connection: its partial request, its stream and its marks.
void TCPServer::ForgetSlot(int16_t slot) {
    pending_[slot].clear();
    streams_[slot].reset();
    answering_[slot] = peerClosed_[slot] = refused_[slot] = false;
    arrivals_[slot].Open(kArrivalRules, Now());
    StopBlockTimer(slot);
}

// --- Receiving --------------------------------------------------------------------------

void TCPServer::socket_DataArrival(int16_t slot) {
    if (!vb::Try([&] {
            std::string text = Socket(slot).GetData();
            if (refused_[slot]) return;  // its error answer is on the way; the rest is not read
            lastActivity_[slot] = Now();
            if (pending_[slot].size() + queuedBytes_[slot] + text.size() > kSlotLimit) {
                Refuse(slot, "request over " + N(static_cast<int64_t>(kSlotLimit)) + " bytes", 413);
                return;
            }
            queuedBytes_[slot] += text.size();
            const bool placeChanged = arrivals_[slot].Arrived(text, Now());
            RequestQueue.push_back({slot, connections_[slot], std::move(text)});
            WriteServerDebug(kDbgPushing + N(static_cast<int64_t>(RequestQueue.size())) + kDbgForSocket + N(slot));
            if (!ServerTimer.Enabled()) {
                ServerTimer.Interval(kPollInterval);
                ServerTimer.Enabled(true);
            }
            // A first text may let a newcomer in; a whole request keeps its slot.
            if (placeChanged) FollowCapacity();
        }))
        LogTagged(kTagDataArrival);
}

TCPServer::QueueEntry TCPServer::PopEntry() {
    QueueEntry entry = std::move(RequestQueue.front());
    RequestQueue.pop_front();
    queuedBytes_[entry.slot] -= std::min(queuedBytes_[entry.slot], entry.text.size());
    return entry;
}

void TCPServer::Refuse(int16_t slot, const std::string& reason, int status) {
    WriteServerDebug(kDbgRefused + N(slot) + ": " + reason);
    for (auto it = RequestQueue.begin(); it != RequestQueue.end();)
        it = it->slot == slot ? RequestQueue.erase(it) : std::next(it);
    queuedBytes_[slot] = 0;
    pending_[slot].clear();
    if (!Socket.Exists(slot)) return;
    const int st = SlotState(slot);
    if (status != 0 && (st == forms::sckConnected || st == forms::sckClosing) && !Streaming(slot)) {
        // The client learns why; the close follows the answer's send-complete event.
        refused_[slot] = true;
        Answering(slot);
        Socket(slot).Tag = kTagDone;
        Socket(slot).SendData(StatusAnswer(status, reason));
        return;
    }
    socket_Close(slot);
}

// A peer that closed its side after sending a request still gets the answer: the connection
// closes once it is sent.
void TCPServer::socket_PeerClose(int16_t slot) {
    if (queuedBytes_[slot] > 0 || (answering_[slot] && !refused_[slot]) || Streaming(slot)) {
        peerClosed_[slot] = true;
        WriteServerDebug(kDbgPeerClosed + N(slot));
        return;
    }
    socket_Close(slot);
}

void TCPServer::socket_Close(int16_t slot) {
    if (!vb::Try([&] {
            const int stateWas = SlotState(slot);
            const int16_t countWas = OpenConnectionCount;
            if (stateWas != forms::sckClosed) {
                --OpenConnectionCount;
                // A stream cut short goes with a reset: its reader stopped, and the system would
                // else keep what it has not taken.
                if (Streaming(slot)) Socket(slot).Abort();
                else Socket(slot).Close();
            }
            ForgetSlot(slot);
            for (auto it = RequestQueue.begin(); it != RequestQueue.end(); ++it) {
                if (it->slot != slot) continue;
                WriteServerDebug(kDbgPendingRemoved + N(slot) + ", " + it->Entry());
                queuedBytes_[slot] -= std::min(queuedBytes_[slot], it->text.size());
                RequestQueue.erase(it);
                break;
            }
            WriteServerDebug(kDbgConnectionClose + N(slot) + kDbgSocketsOpen + N(OpenConnectionCount) + kDbgStateWas +
                             N(stateWas) + kDbgOpenCountWas + N(countWas));
            FollowCapacity();
        }))
        LogTagged(kTagClose);
}

void TCPServer::socket_Error(int16_t slot) {
    if (Streaming(slot)) PumpStream(slot);
}

// --- Sending ----------------------------------------------------------------------------

void TCPServer::Socket_SendComplete(int16_t slot) {
    StopBlockTimer(slot);
    lastActivity_[slot] = Now();
    const std::string tag = Socket.Exists(slot) ? Socket(slot).Tag : std::string(kTagDone);
    WriteServerDebug(kDbgSendComplete + N(slot) + kDbgTag + tag);
    BlockSendReady[slot] = true;
    if (tag != kTagStreaming) {
        socket_Close(slot);
        return;
    }
    if (Streaming(slot)) {
        streams_[slot]->timeouts = 0;
        PumpStream(slot);
    }
}

void TCPServer::TCPBinarySendTimer_Timer(int16_t slot) {
    StopBlockTimer(slot);
    BlockSendReady[slot] = true;
    if (!Streaming(slot)) return;
    if (++streams_[slot]->timeouts >= kStalledTimeouts) {
        WriteServerDebug(kDbgStalledReader + N(slot) + " after " + N(kStalledTimeouts) + " block time-outs");
        Socket(slot).Tag = kTagDone;
        socket_Close(slot);
        return;
    }
    PumpStream(slot);
}

void TCPServer::StopBlockTimer(int16_t slot) {
    if (TCPBinarySendTimer.Exists(slot)) TCPBinarySendTimer(slot).Enabled(false);
}

void TCPServer::StartBlockStream(int16_t slot, std::ifstream file, const std::string& sFile) {
    streams_[slot] = std::make_unique<BlockStream>(BlockStream{std::move(file), sFile, 0});
    Socket(slot).LimitSendBuffer(kStreamSendBuffer);
    BlockSendReady[slot] = true;
    PumpStream(slot);
    // A streaming slot may leave to a newcomer: those paused for a full server come in at once.
    if (Socket(0).AcceptingPaused()) FollowCapacity();
}

void TCPServer::PumpStream(int16_t slot) {
    BlockStream* stream = streams_[slot].get();
    if (!stream) return;
    const int st = SlotState(slot);
    if (st != forms::sckConnected && st != forms::sckClosing) return EndStream(slot);
    if (!BlockSendReady[slot]) return;
    const std::string block = NextBlock(stream->file);
    if (block.empty()) return EndStream(slot);
    BlockSendReady[slot] = false;
    WriteServerDebug(kDbgSendingBinaryData + stream->sFile + kDbgToSocket + N(slot));
    forms::Timer& timer = TCPBinarySendTimer(slot);
    timer.Interval(kBlockTimeout);
    timer.Enabled(true);
    if (!vb::Try([&] { Socket(slot).SendData(block); })) LogTagged(kTagSendBinaryFile + stream->sFile);
}

void TCPServer::EndStream(int16_t slot) {
    streams_[slot].reset();
    if (Socket.Exists(slot)) Socket(slot).Tag = kTagDone;
    Socket_SendComplete(slot);
}

// --- Answers outside the slots -------------------------------------------------------------
// A slot is held only while its request comes and is served: a streamed answer that a newcomer
// needs the slot for goes on outside, so a crowd that never reads cannot hold the slots.

std::size_t TCPServer::AnswersOutside() const {
    return static_cast<std::size_t>(
        std::count_if(outside_.begin(), outside_.end(), [](const auto& entry) { return !entry.second.done; }));
}

void TCPServer::MoveOut(int16_t slot) {
    SweepOutside(Now());
    if (outside_.size() >= kAnswerLimit) {
        auto longest = outside_.begin();
        for (auto it = outside_.begin(); it != outside_.end(); ++it)
            if (it->second.lastActivity < longest->second.lastActivity) longest = it;
        WriteServerDebug(kDbgAnswersFull);
        longest->second.socket->Abort();
        outside_.erase(longest);
    }
    WriteServerDebug(kDbgAnswerMovedOut + N(slot));
    StopBlockTimer(slot);
    const uint64_t id = ++nextConnection_;
    OutsideAnswer& answer = outside_[id];
    answer.stream = std::move(streams_[slot]);
    answer.sendReady = BlockSendReady[slot];
    answer.lastActivity = lastActivity_[slot];
    answer.socket = Socket.Release(slot);
    forms::TcpSocket& socket = *answer.socket;
    socket.OnDataArrival = [&socket](int32_t) { socket.GetData(); };  // the rest of its request is not read
    socket.OnClose = [] {};                                           // a peer that closed its side may still read
    socket.OnSendComplete = [this, id] {
        const auto it = outside_.find(id);
        if (it == outside_.end() || it->second.done) return;
        it->second.sendReady = true;
        it->second.lastActivity = Now();
        PumpOutside(id);
    };
    socket.OnError = [this, id](int32_t, const std::string&) {
        const auto it = outside_.find(id);
        if (it != outside_.end() && !it->second.done) EndOutside(it->second, true);
    };
    // The slot is closed and ready for the newcomer; what it queued goes with its connection.
    CreateSlot(slot);
    for (auto it = RequestQueue.begin(); it != RequestQueue.end();)
        it = it->slot == slot ? RequestQueue.erase(it) : std::next(it);
    queuedBytes_[slot] = 0;
    ForgetSlot(slot);
    --OpenConnectionCount;
    PumpOutside(id);
}

void TCPServer::PumpOutside(uint64_t id) {
    OutsideAnswer& answer = outside_.at(id);
    if (!answer.sendReady) return;
    const int st = answer.socket->State();
    if (st != forms::sckConnected && st != forms::sckClosing) return EndOutside(answer, true);
    const std::string block = NextBlock(answer.stream->file);
    if (block.empty()) return EndOutside(answer, false);
    answer.sendReady = false;
    if (!vb::Try([&] { answer.socket->SendData(block); })) {
        LogTagged(kTagSendBinaryFile + answer.stream->sFile);
        EndOutside(answer, true);
    }
}

void TCPServer::EndOutside(OutsideAnswer& answer, bool reset) {
    if (reset) answer.socket->Abort();
    else answer.socket->Close();
    answer.done = true;
    answer.stream.reset();
}

void TCPServer::SweepOutside(forms::Loop::TimePoint at) {
    constexpr auto kStalled = std::chrono::milliseconds(int64_t{kBlockTimeout} * kStalledTimeouts);
    for (auto it = outside_.begin(); it != outside_.end();) {
        OutsideAnswer& answer = it->second;
        if (!answer.done && at - answer.lastActivity >= kStalled) {
            WriteServerDebug(kDbgAnswerStalled + N(Ms(at - answer.lastActivity)) + " ms");
            EndOutside(answer, true);
        }
        it = answer.done ? outside_.erase(it) : std::next(it);
    }
}

void TCPServer::ServerTimer_Timer() { ProcessRequestQueue(state_, *this); }

// --- Loading ----------------------------------------------------------------------------

TCPServerPart::~TCPServerPart() {
    if (Window) Window->Unload();
}

void LoadTCPServerWindow(PluginState& state) {
    std::shared_ptr<TCPServer>& window = state.Part<TCPServerPart>().Window;
    if (window) return;
    window = std::make_shared<TCPServer>(state);
    window->Load();
}

}  // namespace zephra
