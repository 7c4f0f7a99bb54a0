#include "callerid/UdpServer.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <utility>

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
#include "windows/CaseFold.h"
#include "windows/Registry.h"

namespace zephra {

namespace {

using namespace udptext;

constexpr std::size_t kFieldSize = 64;
constexpr std::size_t kFieldOffset = 8;
constexpr const char* kLineEnd = "\r\n";

void SaveClientSettings(const std::vector<std::pair<std::string, std::string>>& settings) {
    if (!settings.empty()) windows::SaveSettings(kUdpAppName, kClients, settings);
}

// The client list as the registry holds it, read in one go: "ClientMax" (held to the list's cap,
// so that a damaged registry cannot make a walk unbounded) and the entries 1..ClientMax.
struct ClientList {
    std::string maxText;                              // "ClientMax" as stored
    std::vector<std::optional<std::string>> entries;  // entry k at index k - 1; absent ones empty
    int32_t Max() const { return static_cast<int32_t>(entries.size()); }
    std::string At(int32_t k, const std::string& absent) const { return entries[k - 1].value_or(absent); }
};

// A "ClientMax" of any size or form as a count: numbers are rounded as CInt would, then held to
// 0..cap; text that is no number counts 0. `clamped` tells that the stored value was out of range.
int32_t ClientCount(const std::string& text, bool& clamped) {
    clamped = false;
    vb::Variant value(text);
    if (!vb::IsNumeric(value)) return 0;
    double number = vb::CDbl(value);
    if (number >= 0 && number <= kClientListCap) return vb::CInt(value);
    clamped = true;
    return number < 0 ? 0 : kClientListCap;
}

ClientList ParseClients() {
    ClientList list;
    std::unordered_map<std::string, std::string> byKey;
    for (auto& [key, value] : windows::GetAllSettings(kUdpAppName, kClients))
        byKey.emplace(windows::LowerCase(vb::Trim(key)), std::move(value));  // the first of a key counts
    if (auto found = byKey.find(windows::LowerCase(kClientMax)); found != byKey.end()) list.maxText = found->second;
    bool clamped = false;
    const int32_t max = ClientCount(list.maxText.empty() ? "0" : list.maxText, clamped);
    list.entries.resize(static_cast<std::size_t>(max));
    for (int32_t k = 1; k <= max; ++k)
        if (auto found = byKey.find(std::to_string(k)); found != byKey.end()) list.entries[k - 1] = found->second;
    return list;
}

// The list is made again only when the registry changed, so that a datagram costs the same with
// one entry or a thousand.
const ClientList& ReadClients() {
    static std::uint64_t generation = 0;
    static ClientList list;
    const std::uint64_t now = windows::Registry::CurrentUser().Generation();
    if (now != generation) {
        list = ParseClients();
        generation = now;
    }
    return list;
}

std::string EntryKey(int32_t k) { return std::to_string(k); }

bool IsActive(const std::string& entry) { return !entry.empty() && entry.rfind(kUnsubscribedMark, 0) != 0; }

std::string Unsubscribed(const std::string& ip) { return kUnsubscribedMark + ip; }

// A port typed by hand into the registry; one that is no number is the default port (named in
// the log when the server starts).
std::optional<int32_t> PortNumber(const std::string& text) {
    int32_t port = 0;
    if (vb::Try([&] { port = vb::CLng(vb::Variant(text)); })) return port;
    vb::Err().Clear();
    return std::nullopt;
}

int32_t RemotePort() {
    const std::string text = windows::GetSetting(kUdpAppName, kOptions, kRemotePort, kDefaultPort);
    return PortNumber(text).value_or(vb::CLng(vb::Variant(kDefaultPort)));
}

// A registry value named for the log.
std::string NamedOption(const char* key, const std::string& value) {
    return std::string(kRegistryOptions) + key + "=" + value;
}

// A port of the server's start-up (the start-up step "InitUDP"); one that is no number is named
// and the default is used.
int32_t StartUpPort(PluginState& state, const char* key, const std::string& text) {
    int32_t port = 0;
    if (vb::Try([&] { port = vb::CLng(vb::Variant(text)); })) return port;
    const std::string failed = kInitUDPTag + TakePendingError();
    vb::Try([&] {
        WriteLog(state.Host(), kCaption, failed + ": " + NamedOption(key, text) + ", " + kDefaultPort + " is used");
    });
    vb::Err().Clear();
    return vb::CLng(vb::Variant(kDefaultPort));
}

// A target names a client when it is the client's address or one item of a comma list.
bool TargetNames(const std::string& target, const std::string& client) {
    if (target.empty()) return true;
    for (const std::string& item : vb::Split(target, ","))
        if (vb::Trim(item) == client) return true;
    return false;
}

void SendTo(PluginState& state, const std::string& ip, int32_t port, const std::string& datagram) {
    forms::UdpSocket& socket = state.QueueTimerForm().Winsock1;
    socket.RemoteHost = ip;
    socket.RemotePort = port;
    socket.SendData(datagram);
}

void DebugWhenLogging(PluginState& state, const std::string& message) {
    if (state.settings.DebugLog) ServerLog(state, message, kLogDebug);
}

std::string Caption(int16_t level) {
    switch (level) {
    case kLogDebug: return kDebugCaption;
    case kLogWarning: return std::string(kCaption) + kWarningCaption;
    case kLogError: return std::string(kCaption) + kErrorCaption;
    default: return std::string(kCaption) + kInfoCaption;
    }
}

// Options/Debug as a boolean; a text that is no boolean counts as false.
bool RegistryDebug() {
    bool debug = false;
    std::string value = windows::GetSetting(kUdpAppName, kOptions, kDebug, "False");
    if (!vb::Try([&] { debug = vb::CBool(vb::Variant(value)); })) vb::Err().Clear();
    return debug;
}

bool IsAppliance(const PluginState& state, const std::string& ip) {
    return std::any_of(state.appliances.slots.begin(), state.appliances.slots.end(),
                       [&](const ZephraEntry& slot) { return !slot.IP.empty() && slot.IP == ip; });
}

// The entry that gives way on a full list for `ip`: an entry that is no longer active (any
// subscriber may take it), else, for an appliance only, the oldest entry that is no
// appliance. 0 when none gives way.
int32_t EntryGivingWay(const PluginState& state, const ClientList& list, const std::string& ip) {
    for (int32_t k = 1; k <= list.Max(); ++k)
        if (!IsActive(list.At(k, ""))) return k;
    if (!IsAppliance(state, ip)) return 0;
    for (int32_t k = 1; k <= list.Max(); ++k)
        if (!IsAppliance(state, list.At(k, ""))) return k;
    return 0;
}

// The entry that gave way leaves the list; the ones after it move up one, so that the list stays
// oldest first, and the newcomer is the last entry.
void ReplaceEntry(const ClientList& list, int32_t gone, const std::string& ip,
                  std::vector<std::pair<std::string, std::string>>& changes) {
    for (int32_t k = gone; k < list.Max(); ++k) changes.emplace_back(EntryKey(k), list.At(k + 1, ""));
    changes.emplace_back(EntryKey(list.Max()), ip);
}

void Subscribe(PluginState& state, const std::string& ip) {
    const ClientList& list = ReadClients();
    std::vector<std::pair<std::string, std::string>> changes;
    bool listed = false;
    for (int32_t k = 1; k <= list.Max(); ++k) {
        const std::string entry = list.At(k, kUnsubscribedMark);
        if (entry == ip) {
            listed = true;
        } else if (entry == Unsubscribed(ip)) {
            changes.emplace_back(EntryKey(k), ip);
            listed = true;
        }
    }
    if (!listed && list.Max() < kClientListCap) {
        changes.emplace_back(kClientMax, std::to_string(list.Max() + 1));
        changes.emplace_back(EntryKey(list.Max() + 1), ip);
    } else if (!listed) {
        const int32_t gone = EntryGivingWay(state, list, ip);
        if (gone == 0) {
            ServerLog(state, kListFull + ip, kLogWarning);
            return;
        }
        ServerLog(state, kGaveWay + list.At(gone, "") + kGaveWayFor + ip, kLogWarning);
        ReplaceEntry(list, gone, ip, changes);
    }
    SaveClientSettings(changes);
}

void Unsubscribe(const std::string& ip) {
    const ClientList& list = ReadClients();
    std::vector<std::pair<std::string, std::string>> changes;
    for (int32_t k = 1; k <= list.Max(); ++k)
        if (list.At(k, "") == ip) changes.emplace_back(EntryKey(k), Unsubscribed(ip));
    SaveClientSettings(changes);
}

void ReplaceMarks(std::string& name, std::string& number) {
    if (vb::UCase(name) == kUnknownMark) name = kUnknownName;
    else if (vb::UCase(name) == kPrivateMark) name = kPrivateName;
    if (vb::UCase(number) == kUnknownMark) number = kUnknownNumber;
    else if (vb::UCase(number) == kPrivateMark) number = kPrivateNumber;
}

void LogSendFailure(PluginState& state, const char* tag) {
    vb::Try([&] { WriteLog(state.Host(), kCaption, tag); });
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
    const ClientList& list = ReadClients();
    std::vector<std::string> entries;
    for (int32_t k = 1; k <= list.Max(); ++k) entries.push_back(list.At(k, ""));
    return entries;
}

void ServerLog(PluginState& state, const std::string& message, int16_t level) {
    if (level == kLogDebug && !state.Part<UdpServerState>().ServerDebug) return;
    const std::string source = Caption(level);
    bool shown = vb::Try([&] {
        std::string line = vb::FormatDateTime(vb::Now()) + kLogFieldSeparator + source + kLogFieldSeparator + message;
        if (state.Part<UdpServerState>().window) state.Part<UdpServerState>().window->AddLogText(line + kLineEnd);
    });
    if (!shown) vb::Err().Clear();
    bool copied = vb::Try([&] {
        if (state.Part<UdpServerState>().ServerLogToHost) WriteLog(state.Host(), source, message);
    });
    if (!copied) vb::Err().Clear();
}

void ReportServerError(PluginState& state, const std::string& procedure) {
    vb::ErrObject& err = vb::Err();
    std::string message =
        kUnexpectedError + procedure + kUnexpectedErrorTail + std::to_string(err.Number) + "] " + err.Description;
    err.Clear();
    ServerLog(state, message, kLogError);
}

void InitUDP(PluginState& state) {
    state.Part<UdpServerState>().ServerLogToHost = true;
    DebugWhenLogging(state, kEnteredInitIO);
    ServerLog(state, std::string(kUdpAppName) + kClearing, kLogInfo);
    const ClientList& list = ReadClients();
    bool clamped = false;
    ClientCount(list.maxText.empty() ? "0" : list.maxText, clamped);
    if (clamped)
        ServerLog(state, kClientMaxOutOfRange + list.maxText + kClientMaxTakenAs + std::to_string(list.Max()),
                  kLogWarning);
    if (list.Max() > 0) {
        std::vector<std::pair<std::string, std::string>> cleared;
        for (int32_t k = 1; k <= list.Max(); ++k) cleared.emplace_back(EntryKey(k), "");
        cleared.emplace_back(kClientMax, "0");
        SaveClientSettings(cleared);
    }
    std::string remote = windows::GetSetting(kUdpAppName, kOptions, kRemotePort, kDefaultPort);
    std::string local = windows::GetSetting(kUdpAppName, kOptions, kLocalPort, kDefaultPort);
    windows::SaveSetting(kUdpAppName, kOptions, kRemotePort, remote);
    windows::SaveSetting(kUdpAppName, kOptions, kLocalPort, local);
    ServerLog(state, std::string(kUdpAppName) + kInitializing + local + kRemotePortText + remote + ")", kLogInfo);
    forms::UdpSocket& socket = state.QueueTimerForm().Winsock1;
    socket.RemoteHost = "";
    socket.RemotePort = StartUpPort(state, kRemotePort, remote);
    socket.LocalPort = StartUpPort(state, kLocalPort, local);
    // A port that cannot be bound (taken, or out of range) fails the step naming its setting.
    if (!vb::Try([&] { socket.Bind(socket.LocalPort); })) {
        vb::ErrObject& err = vb::Err();
        const int32_t number = err.Number;
        const std::string source = err.Source;
        const std::string description = err.Description + ": " + NamedOption(kLocalPort, local);
        err.Clear();
        err.Raise(number, source, description);
    }
}

void CloseUDP(PluginState& state) {
    if (state.QueueTimerLoaded()) state.QueueTimerForm().Winsock1.Close();
}

std::string UDPSendCID(PluginState& state, std::string& name, std::string& number, const std::string& target) {
    std::string result;
    bool sent = vb::Try([&] {
        DebugWhenLogging(state, kEnteredSendCID + name + " " + number);
        ReplaceMarks(name, number);
        const std::string datagram = ServerDatagram(kCallerIdDatagram, name, number);
        const ClientList& list = ReadClients();
        const int32_t max = list.Max();
        const int32_t port = max > 0 ? RemotePort() : 0;
        for (int32_t k = 1; k <= max; ++k) {
            const std::string entry = list.At(k, "");
            if (!IsActive(entry) || !TargetNames(target, entry)) continue;
            SendTo(state, entry, port, datagram);
            ServerLog(state, kSentCIDTo + entry, kLogDebug);
        }
        result = max == 0 ? kNoClients : kSentCID;
    });
    if (!sent) {
        LogSendFailure(state, kSendCIDTag);
        return {};
    }
    return result;
}

std::string UDPSendCommand(PluginState& state, const std::string& command, const std::string& argument,
                           const std::string& target) {
    std::string result;
    bool sent = vb::Try([&] {
        DebugWhenLogging(state, kEnteredSendCommand + command + " " + argument);
        const std::string datagram = ServerDatagram(kCommandDatagram, command, argument);
        const ClientList& list = ReadClients();
        const int32_t max = list.Max();
        if (max <= 0) {
            result = kNoClients;
            return;
        }
        const int32_t port = RemotePort();
        if (target.empty() || vb::UCase(target) == kAllTargets) {
            for (int32_t k = 1; k <= max; ++k) {
                const std::string entry = list.At(k, "");
                if (IsActive(entry)) SendTo(state, entry, port, datagram);
            }
            result = kSentCommandToAll;
            return;
        }
        if (!IsRegisteredClient(state, target)) {
            result = kNotRegistered;
            WriteLog(state.Host(), kCaption, target + kNotRegisteredLog + command);
            return;
        }
        SendTo(state, target, port, datagram);
        result = kSentCommand;
    });
    if (!sent) {
        LogSendFailure(state, kSendCommandTag);
        return {};
    }
    return result;
}

bool IsRegisteredClient(PluginState&, const std::string& host) {
    const ClientList& list = ReadClients();
    for (int32_t k = 1; k <= list.Max(); ++k) {
        const std::string entry = list.At(k, "");
        if (entry == Unsubscribed(host)) return false;
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
        const bool debug = RegistryDebug();
        std::string message;
        if (datagram.Data.empty()) {
            message = kEmptyMessage + ip;
        } else if (datagram.Data[0] == 1) {
            message = kSubscribe + ip;
            Subscribe(state, ip);
        } else if (datagram.Data[0] == 2) {
            message = kUnsubscribe + ip;
            Unsubscribe(ip);
        } else {
            message = kUnknownData + ip;
        }
        if (debug) ServerLog(state, message, kLogDebug);
    });
    if (!handled) ReportServerError(state, kWinsockReceive);
}

}  // namespace zephra
