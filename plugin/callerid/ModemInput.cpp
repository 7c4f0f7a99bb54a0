#include "callerid/ModemInput.h"

#include <functional>

#include "callerid/CallerIdTexts.h"
#include "callerid/EchoWindow.h"
#include "callerid/FormatPhoneNumber.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/Format.h"
#include "vb/Strings.h"

namespace zephra {

using namespace cidtext;

namespace {

constexpr int16_t kDataReceived = 2;
constexpr int16_t kSendEvent = 3;
// CommBuffer holds at most this much text without a line end.
constexpr std::size_t kCommBufferLimit = 2000;
// A caller whose second line never comes is handled this long after the first.
constexpr int32_t kSecondLineWait = 500;

void LogTag(PluginState& state, const char* tag) {
    if (!vb::Try([&] { WriteLog(state.Host(), kSource, tag); })) vb::Err().Clear();
}

void Debug(PluginState& state, const std::string& text) {
    if (state.settings.DebugLog) WriteLog(state.Host(), kDebugSource, text);
}

// Position (from 1) of `prefix` in `line` without regard to case; 0 when absent. An empty
// prefix marks nothing (it would make every line a name line).
int32_t PrefixAt(const std::string& line, const std::string& prefix) {
    if (prefix.empty()) return 0;
    return vb::InStr(line, prefix, vb::CompareMethod::Text);
}

std::string WithoutCrLf(const std::string& text) { return vb::Replace(vb::Replace(text, "\n", ""), "\r", ""); }

// The caller is complete when the other part has come already; else it waits 500 ms.
void CompleteOrWait(PluginState& state, bool otherPartDetected) {
    if (otherPartDetected) {
        ProcessModemInput(state);
        return;
    }
    forms::Timer& timer = state.QueueTimerForm().Timer5;
    timer.Interval(kSecondLineWait);
    timer.Enabled(true);
}

// Every CR LF of the echo starts a new line stamped with the time of day.
std::string Stamped(const std::string& text) {
    return vb::Replace(text, kCrLf, kCrLf + vb::formatDate(vb::Now(), kEchoTimeFormat) + kEchoTimeBar);
}

void Echo(PluginState& state, const std::string& text, int16_t code) {
    AppendCommStatus(state, kCrLf + std::to_string(code));
    AppendCommData(state, Stamped(text));
    ScrollEchoWindows(state);
}

// Text that never formed a line would hide every later line: it is dropped, with a note.
void DropOverlongBuffer(PluginState& state) {
    std::string& buffer = state.modem.CommBuffer;
    if (buffer.size() < kCommBufferLimit) return;
    const std::size_t dropped = buffer.size();
    buffer.clear();
    WriteLog(state.Host(), kSource, kCommBufferDiscarded + std::to_string(dropped) + kCharacters);
}

// CR LF, a bare LF and a bare CR each end a line, as modems send all three; an empty line
// says nothing. A network box's record, which ends in a bare CR, is left whole for TakeRecords.
void TakeLines(PluginState& state) {
    std::string& buffer = state.modem.CommBuffer;
    for (;;) {
        const std::size_t at = buffer.find_first_of("\r\n");
        if (at == std::string::npos) return;
        const bool crLf = buffer[at] == '\r' && at + 1 < buffer.size() && buffer[at + 1] == '\n';
        if (buffer[at] == '\r' && !crLf && buffer.substr(0, at).find(kRecordStart) != std::string::npos) return;
        const std::string line = buffer.substr(0, at);
        buffer.erase(0, at + (crLf ? 2 : 1));
        if (!line.empty()) DoModem(state, line);
    }
}

void TakeRecords(PluginState& state) {
    std::string& buffer = state.modem.CommBuffer;
    const std::size_t end = buffer.find(kRecordEnd);
    if (end == std::string::npos || end == 0 || buffer.find(kRecordStart) == std::string::npos) return;
    for (std::size_t at = end; at != std::string::npos; at = buffer.find(kRecordEnd)) {
        const std::string record = WithoutCrLf(buffer.substr(0, at));
        buffer.erase(0, at + 3);  // the CR stays at the head
        DoModemNetCallerID(state, record);
    }
}

// Line ends are kept; every other control byte, and the 0xFF of line noise, never reaches a
// log, a device string or the echo.
std::string WithoutControlBytes(const std::string& text) {
    std::string kept;
    kept.reserve(text.size());
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n' || (b >= 0x20 && b != 0x7f && b != 0xff)) kept += c;
    }
    return kept;
}

bool HoldsPrefix(const PluginState& state) {
    const std::string& buffer = state.modem.CommBuffer;
    const ZephraSettings& s = state.settings;
    return s.InsertModemCrLf && (PrefixAt(buffer, s.CIDNamePrefix) > 0 || PrefixAt(buffer, s.CIDNumberPrefix) > 0);
}

// A remainder that holds a prefix is taken as a whole line when the modem sends no line end:
// at once when it ends with CR or LF, else once the modem has been quiet for 500 ms, since at
// 1200 baud a line arrives a few characters at a time.
void TakePrefixedRemainder(PluginState& state) {
    forms::Timer& quiet = state.QueueTimerForm().CommLineTimer;
    quiet.Enabled(false);
    if (!HoldsPrefix(state)) return;
    const char last = state.modem.CommBuffer.back();
    if (last == '\r' || last == '\n') {
        TakePendingModemLine(state);
        return;
    }
    quiet.Interval(kSecondLineWait);
    quiet.Enabled(true);
}

}  // namespace

void ProcessCommData(PluginState& state, const std::string& received, int16_t code) {
    const std::string text = WithoutControlBytes(received);
    if (!vb::Try([&] {
            Echo(state, text, code);
            Debug(state, kCommStatusDebug + text + kCommBufferDebug + std::to_string(state.modem.CommBuffer.size()));
            if (code == kDataReceived) {
                DropOverlongBuffer(state);
                state.modem.CommBuffer += text;
                TakeLines(state);
                TakeRecords(state);
                TakeLines(state);
                TakePrefixedRemainder(state);
            } else if (code != kSendEvent && state.settings.DebugLog) {
                WriteLog(state.Host(), kSource, kCommEventCode + std::to_string(code));
            }
        }))
        LogTag(state, kProcessCommDataTag);
}

bool TakePendingModemLine(PluginState& state) {
    if (!HoldsPrefix(state)) return false;
    state.QueueTimerForm().CommLineTimer.Enabled(false);
    const std::string line = WithoutCrLf(state.modem.CommBuffer);
    state.modem.CommBuffer.clear();
    DoModem(state, line);
    return true;
}

void DoModem(PluginState& state, const std::string& line) {
    if (!vb::Try([&] {
            ModemState& m = state.modem;
            const ZephraSettings& s = state.settings;
            Debug(state, kDoModemDebug + line);
            if (const int32_t p = PrefixAt(line, s.CIDNamePrefix); p > 0) {
                m.CallerName = vb::Trim(vb::Mid(line, p + static_cast<int32_t>(s.CIDNamePrefix.size())));
                m.NameDetected = true;
                AppendCommData(state, kEchoName + m.CallerName + kEchoTail);
                CompleteOrWait(state, m.NumberDetected);
            } else if (const int32_t q = PrefixAt(line, s.CIDNumberPrefix); q > 0) {
                m.CallerNumber =
                    FormatPhoneNumber(vb::Trim(vb::Mid(line, q + static_cast<int32_t>(s.CIDNumberPrefix.size()))));
                m.NumberDetected = true;
                AppendCommData(state, kEchoNumber + m.CallerNumber + kEchoTail);
                CompleteOrWait(state, m.NameDetected);
            } else if (vb::InStr(line, kRing, vb::CompareMethod::Text) > 0) {
                m.NameDetected = false;
                m.NumberDetected = false;
                state.QueueTimerForm().Timer5.Enabled(false);
            }
        }))
        LogTag(state, kDoModemTag);
}

void DoModemNetCallerID(PluginState& state, const std::string& record) {
    if (!vb::Try([&] {
            ModemState& m = state.modem;
            Debug(state, kNetCallerIdDebug + record);
            if (const int32_t p = vb::InStr(record, kRecordName, vb::CompareMethod::Text); p > 0) {
                m.CallerName = vb::Trim(vb::Mid(record, p + 7));
                m.NameDetected = true;
                CompleteOrWait(state, m.NumberDetected);
            }
            if (const int32_t q = vb::InStr(record, kRecordNumber, vb::CompareMethod::Text); q > 0) {
                m.CallerNumber = kNoRecordNumber;
                if (const int32_t e = vb::InStr(q + 7, record, "."); e > 0) {
                    m.CallerNumber = FormatPhoneNumber(vb::Trim(vb::Mid(record, q + 7, e - (q + 7))));
                    m.NumberDetected = true;
                    CompleteOrWait(state, m.NameDetected);
                }
            }
            Debug(state, kNetCallerIdNameDebug + m.CallerName + kNetCallerIdNumberDebug + m.CallerNumber);
        }))
        LogTag(state, kDoModemNetCallerIdTag);
}

}  // namespace zephra
