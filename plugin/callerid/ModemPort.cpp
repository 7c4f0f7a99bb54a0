#include "callerid/ModemPort.h"

#include <filesystem>
#include <utility>

#include "callerid/CallerIdPart.h"
#include "callerid/EchoWindow.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/SettingsTable.h"
#include "forms/SerialPort.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
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
constexpr const char* kModemPort = "Modem Comm Port ";
constexpr const char* kLostTail = " lost: ";
constexpr const char* kLostRetry =
    "; the port is closed, and opened again every minute and at the next load of the settings";
constexpr const char* kBackTail = " is back (it was lost: ";
constexpr const char* kNotFoundTail = " not found: the device ";
constexpr const char* kNotFoundRetry = " is missing; trying again every minute";
constexpr int32_t kRetryMs = 60000;
constexpr int32_t kMaxPort = 255;

// Sets the modem's port up with the line settings and opens it (nothing when it is open already);
// failing names the setting the step under way stems from, for the caller's log line.
void SetUpAndOpen(PluginState& state, const std::string& port, const std::string& settings, std::string& failing) {
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
    com.OnLost = [&state](const std::string& why) { ModemLost(state, why); };
    com.PortOpen(true);
}

// Opens the port as the settings give it; false, without a log line, when it cannot be opened.
bool OpenQuietly(PluginState& state, const std::string& port) {
    std::string failing;
    const bool opened = vb::Try([&] {
        if (!vb::IsNumeric(vb::Variant(port))) vb::raise(vb::errors::TypeMismatch);
        SetUpAndOpen(state, port, state.settings.CIDPortString, failing);
    });
    if (!opened) vb::Err().Clear();
    return opened;
}

void StopRetries(PluginState& state) {
    CallerIdPart& part = state.Part<CallerIdPart>();
    if (part.modemRetry) part.modemRetry->Enabled(false);
}

// A modem that was lost is open again: said once, and the retries end. One that was missing
// has its "Opened" line only.
void NoteModemBack(PluginState& state, const std::string& port) {
    CallerIdPart& part = state.Part<CallerIdPart>();
    StopRetries(state);
    if (std::exchange(part.modemMissing, false)) part.modemLost.clear();
    if (part.modemLost.empty()) return;
    WriteLog(state.Host(), kSource, kModemPort + port + kBackTail + part.modemLost + ")");
    part.modemLost.clear();
}

void RetryModem(PluginState& state) {
    // The plug-in has shut down, or caller ID is no longer asked for: nothing to open.
    if (!state.QueueTimerLoaded() || state.Part<CallerIdPart>().modemLost.empty()) return StopRetries(state);
    if (state.modem.CommPortOpen) return StopRetries(state);
    const std::string port = state.settings.CIDCommPort;
    if (!vb::IsNumeric(vb::Variant(port))) return StopRetries(state);
    if (!OpenQuietly(state, port)) return;
    WriteLog(state.Host(), kSource, kOpened + port + kOpenedTail);
    state.modem.CommPortOpen = true;
    NoteModemBack(state, port);
    if (!state.settings.CIDModemInitString.empty()) ModemSend(state, state.settings.CIDModemInitString + kCrLf);
}

// The port is opened again every minute, on the loop's clock, until it is open.
void StartRetries(PluginState& state) {
    CallerIdPart& part = state.Part<CallerIdPart>();
    if (!part.modemRetry) {
        part.modemRetry = std::make_unique<forms::Timer>();
        part.modemRetry->OnTimer = [&state] { RetryModem(state); };
    }
    part.modemRetry->Interval(kRetryMs);
    part.modemRetry->Enabled(true);
}

// The port could not be opened: when its device is missing (a USB modem plugged in later), it is
// looked for every minute, and that is said once until it is found.
void LookForMissingModem(PluginState& state, const std::string& port) {
    const int32_t number = vb::CInt(vb::Variant(port));
    if (number < 1 || number > kMaxPort) return;
    const std::string device = forms::CommPortDevice(number);
    std::error_code ec;
    if (std::filesystem::exists(device, ec)) return;
    CallerIdPart& part = state.Part<CallerIdPart>();
    const bool told = part.modemMissing && part.modemRetry && part.modemRetry->Enabled();
    if (!told) WriteLog(state.Host(), kSource, kModemPort + port + kNotFoundTail + device + kNotFoundRetry);
    part.modemMissing = true;
    part.modemLost = "the device " + device + " was missing";
    StartRetries(state);
}

}  // namespace

void ModemLost(PluginState& state, const std::string& why) {
    CallerIdPart& part = state.Part<CallerIdPart>();
    WriteLog(state.Host(), kSource, kModemPort + state.settings.CIDCommPort + kLostTail + why + kLostRetry);
    state.modem.CommPortOpen = false;
    part.modemMissing = false;
    part.modemLost = why.empty() ? std::string("the line failed") : why;
    StartRetries(state);
}

bool OpenCommPort(PluginState& state, const std::string& port, const std::string& settings) {
    // The setting a failure stems from, named in the log: the line settings, or the port.
    std::string failing = "CIDCommPort=" + port;
    bool opened = vb::Try([&] { SetUpAndOpen(state, port, settings, failing); });
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
                NoteModemBack(state, port);
                open = true;
            } else {
                WriteLog(state.Host(), kSource, kOpenFailed + port);
                CloseCommPort(state, port);
            }
        }
        if (!open) LookForMissingModem(state, port);
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
