#include "callerid/ModemPort.h"

#include "callerid/EchoWindow.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/SettingsTable.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kDebugSource = "dkvZephra Debug";
constexpr const char* kOpened = "dkvZephra Modem Comm Port ";
constexpr const char* kOpenedTail = " Opened";
constexpr const char* kOpenFailed = "Error Opening dkvZephra Modem Comm Port number  ";
constexpr const char* kOpenError = "Open Comm Port ";
constexpr const char* kOpenErrorTail = " Error ";
constexpr const char* kClosed = "Closed Comm Port ";
constexpr const char* kSendText = "Send=";
constexpr const char* kInitCommPortTag = " InitCommPort: ";
constexpr const char* kModemSendTag = "ModemSend: ";
constexpr const char* kSentToModem = "[Sent to Modem:     ";
constexpr const char* kSentTail = " ]";
constexpr const char* kShownCrLf = "<crlf>";
constexpr const char* kCrLf = "\r\n";
constexpr int kOpenAttempts = 2;

}  // namespace

bool OpenCommPort(PluginState& state, const std::string& port, const std::string& settings) {
    // The setting a failure stems from, named in the log: the line settings, or the port.
    std::string failing = "CIDCommPort=" + port;
    bool opened = vb::Try([&] {
        forms::SerialPort& com = state.QueueTimerForm().Com1;
        if (com.PortOpen()) return;
        com.InputLen = 0;
        com.RThreshold = 1;
        com.SThreshold = 0;
        com.Handshaking = 0;
        failing = "CIDPortString=" + settings;
        com.Settings(settings);
        failing = "CIDCommPort=" + port;
        com.CommPort(vb::CInt(vb::Variant(port)));
        if (!com.PortOpen()) com.PortOpen(true);
    });
    if (!opened)
        WriteLog(state.Host(), kSource,
                 kOpenError + port + kOpenErrorTail + TakePendingError() + ": " +
                     settings::NamedEntry(settings::kMain, failing));
    return opened;
}

void CloseCommPort(PluginState& state, const std::string& port) {
    if (!vb::Try([&] { state.QueueTimerForm().Com1.PortOpen(false); })) vb::Err().Clear();
    WriteLog(state.Host(), kSource, kClosed + port);
}

bool InitCommPort(PluginState& state, const std::string& port) {
    bool open = false;
    bool handled = vb::Try([&] {
        if (!vb::IsNumeric(vb::Variant(port))) return;
        for (int attempt = 0; attempt < kOpenAttempts && !open; ++attempt) {
            if (OpenCommPort(state, port, state.settings.CIDPortString)) {
                WriteLog(state.Host(), kSource, kOpened + port + kOpenedTail);
                open = true;
            } else {
                WriteLog(state.Host(), kSource, kOpenFailed + port);
                CloseCommPort(state, port);
            }
        }
    });
    if (!handled) WriteLog(state.Host(), kSource, kInitCommPortTag);
    return open;
}

void ModemSend(PluginState& state, const std::string& text) {
    if (!state.modem.CommPortOpen) return;
    bool sent = vb::Try([&] {
        if (state.settings.DebugLog) WriteLog(state.Host(), kDebugSource, kSendText + text);
        AppendCommData(state,
                       kCrLf + std::string(kSentToModem) + vb::Replace(text, kCrLf, kShownCrLf) + kSentTail + kCrLf);
        ScrollEchoWindows(state);
        state.QueueTimerForm().Com1.Output(text);
    });
    if (!sent) WriteLog(state.Host(), kSource, kModemSendTag);
}

}  // namespace zephra
