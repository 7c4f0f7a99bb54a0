// The hidden form's jukebox client: one connection per command text, to the jukebox's TCP
// command port on an appliance. The jukebox takes the closing of the connection as the end
// of the command; nothing it sends is read.

#include <functional>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "vb/Conversions.h"
#include "vb/Err.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kDebugSource = "dkvZephra Debug";
constexpr const char* kConnectTag = "ConnectSorvex";
constexpr const char* kOpenTag = "OpenSorvexPort";
constexpr const char* kErrorAt = "SorvexWinsock_Error at State ";
constexpr const char* kBadPort = "ConnectSorvex refused, the command port is not a number from 1 to 65535: ";
constexpr const char* kBusy = "ConnectSorvex refused, another Sorvex command is being sent: ";

constexpr int32_t kRetryInterval = 2000;
constexpr int32_t kSendTimeout = 2000;
constexpr int16_t kConnectTicks = 6;
constexpr int kAttempts = 2;
constexpr int32_t kLowestPort = 1;
constexpr int32_t kHighestPort = 65535;

// Marks the single socket in use for the length of a wait.
struct SocketInUse {
    explicit SocketInUse(bool& busy) : busy_(busy) { busy_ = true; }
    ~SocketInUse() { busy_ = false; }
    SocketInUse(const SocketInUse&) = delete;
    SocketInUse& operator=(const SocketInUse&) = delete;

private:
    bool& busy_;
};

void Log(PluginState& state, const char* source, const std::string& text) {
    if (!vb::Try([&] { WriteLog(state.Host(), source, text); })) vb::Err().Clear();
}

// The port as a number from 1 to 65535, or 0.
int32_t CommandPort(const std::string& port) {
    const std::optional<double> number = vb::parseNumber(port);
    if (!number || *number < kLowestPort || *number > kHighestPort) return 0;
    return vb::CLng(vb::Variant(*number));
}

}  // namespace

void QueueTimer::WireSorvex() {
    SorvexWinsock.OnConnect = [this] { SorvexWinsock_Connect(); };
    SorvexWinsock.OnSendComplete = [this] { SorvexWinsock_SendComplete(); };
    SorvexWinsock.OnError = [this](int32_t number, const std::string& description) {
        SorvexWinsock_Error(number, description);
    };
    // Answers of the jukebox are dropped with the connection; a close by the jukebox needs
    // nothing.
    SorvexWinsock.OnDataArrival = [](int32_t) {};
    SorvexWinsock.OnClose = [] {};
    ConnectTimer.OnTimer = [this] { ConnectTimer_Timer(); };
    SendTimer.OnTimer = [this] { SendTimer_Timer(); };
}

bool QueueTimer::ConnectSorvex(const std::string& ip, const std::string& port) {
    const int32_t remotePort = CommandPort(port);
    if (remotePort == 0) {
        Log(state_, kSource, kBadPort + ip + ":" + port);
        return false;
    }
    if (sorvexBusy_) {
        Log(state_, kSource, kBusy + ip + ":" + port);
        return false;
    }
    SocketInUse inUse(sorvexBusy_);
    auto step = [&](const std::function<void()>& body) {
        if (!vb::Try(body)) Log(state_, kSource, kConnectTag);
    };
    int tries = 0;
    bool connected = false;
    step([&] { ConnectTimer.Enabled(false); });
    step([&] { SorvexWinsock.Close(); });
    SorvexWinsock.RemoteHost = ip;
    SorvexWinsock.RemotePort = remotePort;
    while (tries < kAttempts && !connected) {
        step([&] { connected = OpenSorvexPort(); });
        ++tries;
    }
    return connected;
}

bool QueueTimer::OpenSorvexPort() {
    ConnectAttempts = 0;
    if (SorvexWinsock.State() == forms::sckConnected) return true;
    auto step = [&](const std::function<void()>& body) {
        if (!vb::Try(body)) Log(state_, kDebugSource, kOpenTag);
    };
    step([&] {
        SorvexWinsock.Close();
        SorvexWinsock.Connect();
    });
    step([&] {
        ConnectTimer.Interval(kRetryInterval);
        ConnectTimer.Enabled(true);
    });
    forms::Loop::current().waitUntil(
        [&] { return SorvexWinsock.State() == forms::sckConnected || !ConnectTimer.Enabled(); });
    return SorvexWinsock.State() == forms::sckConnected;
}

void QueueTimer::SendSorvex(const std::string& text) {
    SocketInUse inUse(sorvexBusy_);
    SendTimer.Interval(kSendTimeout);
    SendTimer.Enabled(true);
    SorvexWinsock.SendData(text);
    forms::Loop::current().waitUntil([&] { return !SendTimer.Enabled(); });
}

void QueueTimer::CloseSorvexPort() {
    if (!vb::Try([&] { SorvexWinsock.Close(); })) vb::Err().Clear();
}

void QueueTimer::SorvexWinsock_Connect() { ConnectTimer.Enabled(false); }

void QueueTimer::SorvexWinsock_SendComplete() {
    SendTimer.Enabled(false);
    CloseSorvexPort();
}

void QueueTimer::SendTimer_Timer() { SorvexWinsock_SendComplete(); }

void QueueTimer::ConnectTimer_Timer() {
    ++ConnectAttempts;
    if (SorvexWinsock.State() != forms::sckConnected && ConnectAttempts < kConnectTicks) {
        if (!vb::Try([&] {
                SorvexWinsock.Close();
                SorvexWinsock.Connect();
            }))
            Log(state_, kDebugSource, kOpenTag);
        return;
    }
    ConnectTimer.Enabled(false);
}

void QueueTimer::SorvexWinsock_Error(int32_t number, const std::string& description) {
    if (state_.ShuttingDown || !state_.settings.DebugLog) return;
    Log(state_, kSource,
        kErrorAt + std::to_string(SorvexWinsock.State()) + ", " + std::to_string(number) + " " + description);
}

}  // namespace zephra
