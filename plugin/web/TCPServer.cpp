#include "web/TCPServer.h"

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/Format.h"
#include "vb/Strings.h"
#include "web/RequestDispatch.h"
#include "web/RequestFraming.h"
#include "web/ServerTexts.h"
#include "windows/FileSystemObject.h"

namespace zephra {

using namespace webtext;

namespace {

constexpr const char* kTagStreaming = "1";
constexpr const char* kTagDone = "0";
constexpr const char* kDataFolder = "\\Data";
constexpr const char* kPluginFolder = "\\dkvZephra";
// What one slot may hold of requests not yet served: its queued texts and its partial request.
constexpr std::size_t kSlotLimit = kHeaderLimit + kBodyLimit;

std::string n(int64_t value) { return std::to_string(value); }

}  // namespace

std::string TCPServer::QueueEntry::entry() const { return std::to_string(slot) + kQueueSeparator + text; }

TCPServer::TCPServer(PluginState& state)
    : forms::Form(kCaption),
      Socket([this](forms::TcpSocket& socket, int index) { wireSocket(socket, index); }),
      TCPBinarySendTimer([this](forms::Timer& timer, int index) {
          timer.Enabled(false);
          timer.OnTimer = [this, index] { TCPBinarySendTimer_Timer(static_cast<int16_t>(index)); };
      }),
      state_(state) {
    ServerTimer.Enabled(false);
    ServerTimer.OnTimer = [this] { ServerTimer_Timer(); };
    Socket.Load(0);
    Socket(0).Purpose = kListenerPurpose;
    for (int16_t slot = 0; slot <= kHighestSlot; ++slot) TCPBinarySendTimer.Load(slot);
}

TCPServer::~TCPServer() {
    for (auto& stream : streams_) stream.reset();
}

void TCPServer::wireSocket(forms::TcpSocket& socket, int index) {
    const auto slot = static_cast<int16_t>(index);
    if (slot == 0) {
        socket.OnConnectionRequest = [this](int32_t id) { socket_ConnectionRequest(id); };
        return;
    }
    socket.OnDataArrival = [this, slot](int32_t) { socket_DataArrival(slot); };
    socket.OnClose = [this, slot] { socket_Close(slot); };
    socket.OnSendComplete = [this, slot] { Socket_SendComplete(slot); };
    socket.OnError = [this, slot](int32_t, const std::string&) { socket_Error(slot); };
}

void TCPServer::logTagged(const std::string& tag) { vb::Try([&] { WriteLog(state_.host(), kSource, tag); }); }

bool TCPServer::DebugOn() const { return state_.settings.TCPDebug && state_.web.ServerDebugLog != nullptr; }

void TCPServer::WriteServerDebug(const std::string& text) {
    if (!DebugOn()) return;
    vb::Try([&] {
        state_.web.ServerDebugLog->WriteLine(vb::FormatDateTime(vb::Now(), vb::vbGeneralDate) + kDebugSeparator +
                                             text);
    });
    vb::Err().Clear();
}

int16_t TCPServer::HighestSlot() const { return static_cast<int16_t>(Socket.UBound()); }

int TCPServer::SlotState(int16_t slot) const {
    auto& sockets = const_cast<forms::ControlArray<forms::TcpSocket>&>(Socket);
    return sockets.Exists(slot) ? sockets(slot).State() : forms::sckClosed;
}

// --- Load and unload --------------------------------------------------------------------

void TCPServer::Form_Load() {
    if (!vb::Try([&] {
            const std::string appPath = state_.host().GetAppPath();
            HtmlBasePath = appPath + kHtmlFolder;
            std::string port = state_.host().GetIniSetting(kIniSection, kServerPortKey, "", kIniFile);
            port = vb::Replace(port, "\"", "");
            if (!port.empty() && vb::CLng(vb::Variant(port)) != Socket(0).LocalPort) {
                forms::TcpSocket& listener = Socket(0);
                listener.LocalPort = vb::CLng(vb::Variant(port));
                listener.Listen();
                for (int16_t slot = 1; slot <= kFirstSlots; ++slot) createSlot(slot);
                OpenConnectionCount = 0;
                LastClientSlot = 0;
            }
        }))
        logTagged(kTagFormLoad);
    ServerTimer.Enabled(false);
    ServerTimer.Interval(0);
    if (!vb::Try([&] {
            windows::FileSystemObject fso;
            const std::string data = state_.host().GetAppPath() + kDataFolder;
            if (!fso.FolderExists(data)) fso.CreateFolder(data);
            if (!fso.FolderExists(data + kPluginFolder)) fso.CreateFolder(data + kPluginFolder);
        }))
        logTagged(kTagFormLoad);
}

void TCPServer::Form_Unload() {
    for (int16_t slot = 0; slot <= kHighestSlot; ++slot) {
        streams_[slot].reset();
        pending_[slot].clear();
        queuedBytes_[slot] = 0;
        stopBlockTimer(slot);
    }
    RequestQueue.clear();
    ServerTimer.Enabled(false);
    const int16_t highest = HighestSlot();
    for (int16_t slot = 0; slot <= highest; ++slot) {
        if (!Socket.Exists(slot)) continue;
        if (Socket(slot).State() != forms::sckClosed) Socket(slot).Close();
        if (slot > 0) Socket.Unload(slot);
    }
}

void TCPServer::createSlot(int16_t slot) {
    forms::TcpSocket& socket = Socket.Load(slot);
    socket.Tag = kTagDone;
}

// --- Connections ------------------------------------------------------------------------

void TCPServer::socket_ConnectionRequest(int32_t requestID) {
    if (!vb::Try([&] {
            // 1. Recount; a socket in error is closed.
            OpenConnectionCount = 0;
            for (int16_t slot = 1; slot <= HighestSlot(); ++slot) {
                if (!Socket.Exists(slot)) continue;
                const int st = Socket(slot).State();
                if (st == forms::sckError) {
                    Socket(slot).Close();
                    forgetSlot(slot);
                } else if (st != forms::sckClosed) {
                    ++OpenConnectionCount;
                }
            }
            // 2. Every slot taken: start again with five.
            if (OpenConnectionCount >= kHighestSlot) resetSlots();
            // 3. Five closed slots stand ready before the accept, up to 50.
            while (OpenConnectionCount >= HighestSlot() - 4 && HighestSlot() < kHighestSlot)
                createSlot(static_cast<int16_t>(HighestSlot() + 1));
            // 4. The next closed slot in rotation.
            const int16_t highest = HighestSlot();
            auto next = [highest](int16_t from) {
                auto slot = static_cast<int16_t>((from + 1) % (highest + 1));
                return slot == 0 ? int16_t{1} : slot;
            };
            int16_t slot = next(LastClientSlot);
            for (int16_t tried = 1; SlotState(slot) != forms::sckClosed; ++tried) {
                if (tried >= highest) {
                    WriteServerDebug(kDbgNoFreeSocket + n(requestID));
                    return;
                }
                slot = next(slot);
            }
            // 5.
            LastClientSlot = slot;
            ++OpenConnectionCount;
            WriteServerDebug(kDbgConnectionRequest + n(slot) + kDbgRequestId + n(requestID) + kDbgSocketsDefined +
                             n(HighestSlot()) + kDbgSocketsOpen + n(OpenConnectionCount));
            forgetSlot(slot);
            connections_[slot] = ++nextConnection_;
            Socket(slot).Tag = kTagDone;
            Socket(slot).Accept(requestID);
        }))
        logTagged(kTagConnectionRequest);
}

void TCPServer::resetSlots() {
    for (int16_t slot = 1; slot <= kHighestSlot; ++slot) {
        forgetSlot(slot);
        connections_[slot] = ++nextConnection_;  // what they had queued goes unanswered
        if (Socket.Exists(slot)) Socket(slot).Close();
    }
    for (int16_t slot = HighestSlot(); slot > kFirstSlots; --slot)
        if (Socket.Exists(slot)) Socket.Unload(slot);
    OpenConnectionCount = 0;
}

// What the server keeps of a slot's connection: its partial request and its stream.
void TCPServer::forgetSlot(int16_t slot) {
    pending_[slot].clear();
    streams_[slot].reset();
    stopBlockTimer(slot);
}

// --- Receiving --------------------------------------------------------------------------

void TCPServer::socket_DataArrival(int16_t slot) {
    if (!vb::Try([&] {
            std::string text = Socket(slot).GetData();
            if (pending_[slot].size() + queuedBytes_[slot] + text.size() > kSlotLimit) {
                Refuse(slot, "request over " + n(static_cast<int64_t>(kSlotLimit)) + " bytes");
                return;
            }
            queuedBytes_[slot] += text.size();
            RequestQueue.push_back({slot, connections_[slot], std::move(text)});
            WriteServerDebug(kDbgPushing + n(static_cast<int64_t>(RequestQueue.size())) + kDbgForSocket + n(slot));
            if (!ServerTimer.Enabled()) {
                ServerTimer.Interval(kPollInterval);
                ServerTimer.Enabled(true);
            }
        }))
        logTagged(kTagDataArrival);
}

TCPServer::QueueEntry TCPServer::PopEntry() {
    QueueEntry entry = std::move(RequestQueue.front());
    RequestQueue.pop_front();
    queuedBytes_[entry.slot] -= std::min(queuedBytes_[entry.slot], entry.text.size());
    return entry;
}

void TCPServer::Refuse(int16_t slot, const std::string& reason) {
    WriteServerDebug(kDbgRefused + n(slot) + ": " + reason);
    for (auto it = RequestQueue.begin(); it != RequestQueue.end();)
        it = it->slot == slot ? RequestQueue.erase(it) : std::next(it);
    queuedBytes_[slot] = 0;
    pending_[slot].clear();
    if (Socket.Exists(slot)) socket_Close(slot);
}

void TCPServer::socket_Close(int16_t slot) {
    if (!vb::Try([&] {
            const int stateWas = SlotState(slot);
            const int16_t countWas = OpenConnectionCount;
            if (stateWas != forms::sckClosed) {
                --OpenConnectionCount;
                Socket(slot).Close();
            }
            forgetSlot(slot);
            for (auto it = RequestQueue.begin(); it != RequestQueue.end(); ++it) {
                if (it->slot != slot) continue;
                WriteServerDebug(kDbgPendingRemoved + n(slot) + ", " + it->entry());
                queuedBytes_[slot] -= std::min(queuedBytes_[slot], it->text.size());
                RequestQueue.erase(it);
                break;
            }
            WriteServerDebug(kDbgConnectionClose + n(slot) + kDbgSocketsOpen + n(OpenConnectionCount) + kDbgStateWas +
                             n(stateWas) + kDbgOpenCountWas + n(countWas));
        }))
        logTagged(kTagClose);
}

void TCPServer::socket_Error(int16_t slot) {
    if (Streaming(slot)) pumpStream(slot);
}

// --- Sending ----------------------------------------------------------------------------

void TCPServer::Socket_SendComplete(int16_t slot) {
    stopBlockTimer(slot);
    const std::string tag = Socket.Exists(slot) ? Socket(slot).Tag : std::string(kTagDone);
    WriteServerDebug(kDbgSendComplete + n(slot) + kDbgTag + tag);
    BlockSendReady[slot] = true;
    if (tag != kTagStreaming) {
        socket_Close(slot);
        return;
    }
    if (Streaming(slot)) {
        streams_[slot]->timeouts = 0;
        pumpStream(slot);
    }
}

void TCPServer::TCPBinarySendTimer_Timer(int16_t slot) {
    stopBlockTimer(slot);
    BlockSendReady[slot] = true;
    if (!Streaming(slot)) return;
    if (++streams_[slot]->timeouts >= kStalledTimeouts) {
        WriteServerDebug(kDbgStalledReader + n(slot) + " after " + n(kStalledTimeouts) + " block time-outs");
        streams_[slot].reset();
        Socket(slot).Tag = kTagDone;
        socket_Close(slot);
        return;
    }
    pumpStream(slot);
}

void TCPServer::stopBlockTimer(int16_t slot) {
    if (TCPBinarySendTimer.Exists(slot)) TCPBinarySendTimer(slot).Enabled(false);
}

void TCPServer::StartBlockStream(int16_t slot, std::ifstream file, const std::string& sFile) {
    streams_[slot] = std::make_unique<BlockStream>(BlockStream{std::move(file), sFile, 0});
    BlockSendReady[slot] = true;
    pumpStream(slot);
}

void TCPServer::pumpStream(int16_t slot) {
    BlockStream* stream = streams_[slot].get();
    if (!stream) return;
    if (SlotState(slot) != forms::sckConnected) return endStream(slot);
    if (!BlockSendReady[slot]) return;
    std::string block(kBlockSize, '\0');
    stream->file.read(block.data(), static_cast<std::streamsize>(block.size()));
    block.resize(static_cast<std::size_t>(stream->file.gcount()));
    if (block.empty()) return endStream(slot);
    BlockSendReady[slot] = false;
    WriteServerDebug(kDbgSendingBinaryData + stream->sFile + kDbgToSocket + n(slot));
    forms::Timer& timer = TCPBinarySendTimer(slot);
    timer.Interval(kBlockTimeout);
    timer.Enabled(true);
    if (!vb::Try([&] { Socket(slot).SendData(block); })) logTagged(kTagSendBinaryFile + stream->sFile);
}

void TCPServer::endStream(int16_t slot) {
    streams_[slot].reset();
    if (Socket.Exists(slot)) Socket(slot).Tag = kTagDone;
    Socket_SendComplete(slot);
}

void TCPServer::ServerTimer_Timer() { ProcessRequestQueue(state_, *this); }

// --- Loading ----------------------------------------------------------------------------

void LoadTCPServerWindow(PluginState& state) {
    if (state.web.Window) return;
    state.web.Window = std::make_shared<TCPServer>(state);
    state.web.Window->Load();
}

}  // namespace zephra
