#include "callerid/UdpServer.h"

#include <algorithm>

#include "callerid/UdpServerTexts.h"
#include "callerid/frmOptions.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/Format.h"
#include "vb/Strings.h"
#include "windows/Registry.h"

namespace zephra {

namespace {

using namespace udptext;

constexpr std::size_t kFieldSize = 64;
constexpr std::size_t kFieldOffset = 8;
constexpr const char* kLineEnd = "\r\n";

std::string clientSetting(const std::string& key, const std::string& defaultValue) {
    return windows::GetSetting(kUdpAppName, kClients, key, defaultValue);
}

void saveClientSetting(const std::string& key, const std::string& value) {
    windows::SaveSetting(kUdpAppName, kClients, key, value);
}

// "ClientMax" as a 16-bit number, held to the list's cap so that a damaged registry cannot
// make a walk unbounded.
int32_t clientMax() {
    int32_t max = vb::CInt(vb::Variant(clientSetting(kClientMax, "0")));
    return std::clamp(max, 0, kClientListCap);
}

std::string entryKey(int32_t k) { return std::to_string(k); }

bool isActive(const std::string& entry) { return !entry.empty() && entry.rfind(kUnsubscribedMark, 0) != 0; }

std::string unsubscribed(const std::string& ip) { return kUnsubscribedMark + ip; }

int32_t remotePort() {
    return vb::CLng(vb::Variant(windows::GetSetting(kUdpAppName, kOptions, kRemotePort, kDefaultPort)));
}

// A target names a client when it is the client's address or one item of a comma list.
bool targetNames(const std::string& target, const std::string& client) {
    if (target.empty()) return true;
    for (const std::string& item : vb::Split(target, ","))
        if (vb::Trim(item) == client) return true;
    return false;
}

void sendTo(PluginState& state, const std::string& ip, int32_t port, const std::string& datagram) {
    forms::UdpSocket& socket = state.queueTimer().Winsock1;
    socket.RemoteHost = ip;
    socket.RemotePort = port;
    socket.SendData(datagram);
}

void debugWhenLogging(PluginState& state, const std::string& message) {
    if (state.settings.DebugLog) ServerLog(state, message, kLogDebug);
}

std::string caption(int16_t level) {
    switch (level) {
        case kLogDebug: return kDebugCaption;
        case kLogWarning: return std::string(kCaption) + kWarningCaption;
        case kLogError: return std::string(kCaption) + kErrorCaption;
        default: return std::string(kCaption) + kInfoCaption;
    }
}

// Options/Debug as a boolean; a text that is no boolean counts as false.
bool registryDebug() {
    bool debug = false;
    std::string value = windows::GetSetting(kUdpAppName, kOptions, kDebug, "False");
    if (!vb::Try([&] { debug = vb::CBool(vb::Variant(value)); })) vb::Err().Clear();
    return debug;
}

void subscribe(PluginState& state, const std::string& ip) {
    int32_t max = clientMax();
    bool listed = false;
    for (int32_t k = 1; k <= max; ++k) {
        std::string entry = clientSetting(entryKey(k), kUnsubscribedMark);
        if (entry == ip) {
            listed = true;
        } else if (entry == unsubscribed(ip)) {
            saveClientSetting(entryKey(k), ip);
            listed = true;
        }
    }
    if (listed) return;
    if (max >= kClientListCap) {
        ServerLog(state, kListFull + ip, kLogWarning);
        return;
    }
    ++max;
    saveClientSetting(kClientMax, std::to_string(max));
    saveClientSetting(entryKey(max), ip);
}

void unsubscribe(const std::string& ip) {
    int32_t max = clientMax();
    for (int32_t k = 1; k <= max; ++k)
        if (clientSetting(entryKey(k), "") == ip) saveClientSetting(entryKey(k), unsubscribed(ip));
}

void replaceMarks(std::string& name, std::string& number) {
    if (vb::UCase(name) == kUnknownMark) name = kUnknownName;
    else if (vb::UCase(name) == kPrivateMark) name = kPrivateName;
    if (vb::UCase(number) == kUnknownMark) number = kUnknownNumber;
    else if (vb::UCase(number) == kPrivateMark) number = kPrivateNumber;
}

void logSendFailure(PluginState& state, const char* tag) {
    vb::Try([&] { WriteLog(state.host(), kCaption, tag); });
    vb::Err().Clear();
}

}  // namespace

std::string ServerDatagram(uint8_t type, const std::string& first, const std::string& second) {
    std::string datagram(kFieldOffset + 2 * kFieldSize, '\0');
    datagram[0] = static_cast<char>(type);
    datagram.replace(kFieldOffset, std::min(first.size(), kFieldSize), first, 0, kFieldSize);
    datagram.replace(kFieldOffset + kFieldSize, std::min(second.size(), kFieldSize), second, 0, kFieldSize);
    return datagram;
}

std::vector<std::string> ClientEntries() {
    std::vector<std::string> entries;
    int32_t max = clientMax();
    for (int32_t k = 1; k <= max; ++k) entries.push_back(clientSetting(entryKey(k), ""));
    return entries;
}

void ServerLog(PluginState& state, const std::string& message, int16_t level) {
    if (level == kLogDebug && !state.udp.ServerDebug) return;
    const std::string source = caption(level);
    bool shown = vb::Try([&] {
        std::string line = vb::FormatDateTime(vb::Now()) + kLogFieldSeparator + source + kLogFieldSeparator + message;
        if (state.udp.window) state.udp.window->AddLogText(line + kLineEnd);
    });
    if (!shown) vb::Err().Clear();
    bool copied = vb::Try([&] {
        if (state.udp.ServerLogToHost) WriteLog(state.host(), source, message);
    });
    if (!copied) vb::Err().Clear();
}

void ReportServerError(PluginState& state, const std::string& procedure) {
    vb::ErrObject& err = vb::Err();
    std::string message = kUnexpectedError + procedure + kUnexpectedErrorTail + std::to_string(err.Number) + "] " +
                          err.Description;
    err.Clear();
    ServerLog(state, message, kLogError);
}

void InitUDP(PluginState& state) {
    state.udp.ServerLogToHost = true;
    debugWhenLogging(state, kEnteredInitIO);
    ServerLog(state, std::string(kUdpAppName) + kClearing, kLogInfo);
    int32_t max = clientMax();
    if (max > 0) {
        for (int32_t k = 1; k <= max; ++k) saveClientSetting(entryKey(k), "");
        saveClientSetting(kClientMax, "0");
    }
    std::string remote = windows::GetSetting(kUdpAppName, kOptions, kRemotePort, kDefaultPort);
    std::string local = windows::GetSetting(kUdpAppName, kOptions, kLocalPort, kDefaultPort);
    windows::SaveSetting(kUdpAppName, kOptions, kRemotePort, remote);
    windows::SaveSetting(kUdpAppName, kOptions, kLocalPort, local);
    ServerLog(state, std::string(kUdpAppName) + kInitializing + local + kRemotePortText + remote + ")", kLogInfo);
    forms::UdpSocket& socket = state.queueTimer().Winsock1;
    socket.RemoteHost = "";
    socket.RemotePort = vb::CLng(vb::Variant(remote));
    socket.LocalPort = vb::CLng(vb::Variant(local));
    socket.Bind(socket.LocalPort);
}

void CloseUDP(PluginState& state) {
    if (state.queueTimerLoaded()) state.queueTimer().Winsock1.Close();
}

std::string UDPSendCID(PluginState& state, std::string& name, std::string& number, const std::string& target) {
    std::string result;
    bool sent = vb::Try([&] {
        debugWhenLogging(state, kEnteredSendCID + name + " " + number);
        replaceMarks(name, number);
        const std::string datagram = ServerDatagram(kCallerIdDatagram, name, number);
        const int32_t max = clientMax();
        const int32_t port = max > 0 ? remotePort() : 0;
        for (int32_t k = 1; k <= max; ++k) {
            std::string entry = clientSetting(entryKey(k), "");
            if (!isActive(entry) || !targetNames(target, entry)) continue;
            sendTo(state, entry, port, datagram);
            ServerLog(state, kSentCIDTo + entry, kLogDebug);
        }
        result = max == 0 ? kNoClients : kSentCID;
    });
    if (!sent) {
        logSendFailure(state, kSendCIDTag);
        return {};
    }
    return result;
}

std::string UDPSendCommand(PluginState& state, const std::string& command, const std::string& argument,
                           const std::string& target) {
    std::string result;
    bool sent = vb::Try([&] {
        debugWhenLogging(state, kEnteredSendCommand + command + " " + argument);
        const std::string datagram = ServerDatagram(kCommandDatagram, command, argument);
        const int32_t max = clientMax();
        if (max <= 0) {
            result = kNoClients;
            return;
        }
        const int32_t port = remotePort();
        if (target.empty() || vb::UCase(target) == kAllTargets) {
            for (int32_t k = 1; k <= max; ++k) {
                std::string entry = clientSetting(entryKey(k), "");
                if (isActive(entry)) sendTo(state, entry, port, datagram);
            }
            result = kSentCommandToAll;
            return;
        }
        if (!IsRegisteredClient(state, target)) {
            result = kNotRegistered;
            WriteLog(state.host(), kCaption, target + kNotRegisteredLog + command);
            return;
        }
        sendTo(state, target, port, datagram);
        result = kSentCommand;
    });
    if (!sent) {
        logSendFailure(state, kSendCommandTag);
        return {};
    }
    return result;
}

bool IsRegisteredClient(PluginState&, const std::string& host) {
    int32_t max = clientMax();
    for (int32_t k = 1; k <= max; ++k) {
        std::string entry = clientSetting(entryKey(k), "");
        if (entry == unsubscribed(host)) return false;
        if (entry == host) return true;
    }
    return false;
}

void SendCIDToOtherClients(PluginState& state, const std::string& name, const std::string& number) {
    for (const std::string& entry : ClientEntries()) {
        if (entry.empty()) continue;
        bool appliance = std::any_of(state.appliances.slots.begin(), state.appliances.slots.end(),
                                     [&](const ZephraEntry& slot) { return slot.IP == entry || slot.Name == entry; });
        if (appliance) continue;
        std::string n = name;
        std::string m = number;
        UDPSendCID(state, n, m, entry);
    }
}

void ReceiveClientDatagram(PluginState& state, const forms::Datagram& datagram) {
    const std::string& ip = datagram.RemoteHostIP;
    if (ip.empty()) return;
    bool handled = vb::Try([&] {
        const bool debug = registryDebug();
        std::string message;
        if (datagram.Data.empty()) {
            message = kEmptyMessage + ip;
        } else if (datagram.Data[0] == 1) {
            message = kSubscribe + ip;
            subscribe(state, ip);
        } else if (datagram.Data[0] == 2) {
            message = kUnsubscribe + ip;
            unsubscribe(ip);
        } else {
            message = kUnknownData + ip;
        }
        if (debug) ServerLog(state, message, kLogDebug);
    });
    if (!handled) ReportServerError(state, kWinsockReceive);
}

}  // namespace zephra
