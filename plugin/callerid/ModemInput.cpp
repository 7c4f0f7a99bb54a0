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

void logTag(PluginState& state, const char* tag) {
    if (!vb::Try([&] { WriteLog(state.host(), kSource, tag); })) vb::Err().Clear();
}

void debug(PluginState& state, const std::string& text) {
    if (state.settings.DebugLog) WriteLog(state.host(), kDebugSource, text);
}

// Position (from 1) of `prefix` in `line` without regard to case; 0 when absent. An empty
// prefix marks nothing (it would make every line a name line).
int32_t prefixAt(const std::string& line, const std::string& prefix) {
    if (prefix.empty()) return 0;
    return vb::InStr(line, prefix, vb::CompareMethod::Text);
}

std::string withoutCrLf(const std::string& text) { return vb::Replace(vb::Replace(text, "\n", ""), "\r", ""); }

// The caller is complete when the other part has come already; else it waits 500 ms.
void completeOrWait(PluginState& state, bool otherPartDetected) {
    if (otherPartDetected) {
        ProcessModemInput(state);
        return;
    }
    forms::Timer& timer = state.QueueTimerForm().Timer5;
    timer.Interval(kSecondLineWait);
    timer.Enabled(true);
}

// Every CR LF of the echo starts a new line stamped with the time of day.
std::string stamped(const std::string& text) {
    return vb::Replace(text, kCrLf, kCrLf + vb::formatDate(vb::Now(), kEchoTimeFormat) + kEchoTimeBar);
}

void echo(PluginState& state, const std::string& text, int16_t code) {
    AppendCommStatus(state, kCrLf + std::to_string(code));
    AppendCommData(state, stamped(text));
    ScrollEchoWindows(state);
}

// Text that never formed a line would hide every later line: it is dropped, with a note.
void dropOverlongBuffer(PluginState& state) {
    std::string& buffer = state.modem.CommBuffer;
    if (buffer.size() < kCommBufferLimit) return;
    const std::size_t dropped = buffer.size();
    buffer.clear();
    WriteLog(state.host(), kSource, kCommBufferDiscarded + std::to_string(dropped) + kCharacters);
}

void takeLines(PluginState& state) {
    std::string& buffer = state.modem.CommBuffer;
    for (std::size_t at = buffer.find(kCrLf); at != std::string::npos; at = buffer.find(kCrLf)) {
        const std::string line = withoutCrLf(buffer.substr(0, at + 1));
        buffer.erase(0, at + 1);  // the LF stays at the head and goes with the next line
        DoModem(state, line);
    }
}

void takeRecords(PluginState& state) {
    std::string& buffer = state.modem.CommBuffer;
    const std::size_t end = buffer.find(kRecordEnd);
    if (end == std::string::npos || end == 0 || buffer.find(kRecordStart) == std::string::npos) return;
    for (std::size_t at = end; at != std::string::npos; at = buffer.find(kRecordEnd)) {
        const std::string record = withoutCrLf(buffer.substr(0, at));
        buffer.erase(0, at + 3);  // the CR stays at the head
        DoModemNetCallerID(state, record);
    }
}

bool holdsPrefix(const PluginState& state) {
    const std::string& buffer = state.modem.CommBuffer;
    const ZephraSettings& s = state.settings;
    return s.InsertModemCrLf && (prefixAt(buffer, s.CIDNamePrefix) > 0 || prefixAt(buffer, s.CIDNumberPrefix) > 0);
}

// A remainder that holds a prefix is taken as a whole line when the modem sends no line end:
// at once when it ends with CR or LF, else once the modem has been quiet for 500 ms, since at
// 1200 baud a line arrives a few characters at a time.
void takePrefixedRemainder(PluginState& state) {
    forms::Timer& quiet = state.QueueTimerForm().CommLineTimer;
    quiet.Enabled(false);
    if (!holdsPrefix(state)) return;
    const char last = state.modem.CommBuffer.back();
    if (last == '\r' || last == '\n') {
        TakePendingModemLine(state);
        return;
    }
    quiet.Interval(kSecondLineWait);
    quiet.Enabled(true);
}

}  // namespace

void ProcessCommData(PluginState& state, const std::string& text, int16_t code) {
    if (!vb::Try([&] {
            echo(state, text, code);
            debug(state, kCommStatusDebug + text + kCommBufferDebug + std::to_string(state.modem.CommBuffer.size()));
            if (code == kDataReceived) {
                dropOverlongBuffer(state);
                state.modem.CommBuffer += text;
                takeLines(state);
                takeRecords(state);
                takePrefixedRemainder(state);
            } else if (code != kSendEvent && state.settings.DebugLog) {
                WriteLog(state.host(), kSource, kCommEventCode + std::to_string(code));
            }
        }))
        logTag(state, kProcessCommDataTag);
}

bool TakePendingModemLine(PluginState& state) {
    if (!holdsPrefix(state)) return false;
    state.QueueTimerForm().CommLineTimer.Enabled(false);
    const std::string line = withoutCrLf(state.modem.CommBuffer);
    state.modem.CommBuffer.clear();
    DoModem(state, line);
    return true;
}

void DoModem(PluginState& state, const std::string& line) {
    if (!vb::Try([&] {
            ModemState& m = state.modem;
            const ZephraSettings& s = state.settings;
            debug(state, kDoModemDebug + line);
            if (const int32_t p = prefixAt(line, s.CIDNamePrefix); p > 0) {
                m.CallerName = vb::Trim(vb::Mid(line, p + static_cast<int32_t>(s.CIDNamePrefix.size())));
                m.NameDetected = true;
                AppendCommData(state, kEchoName + m.CallerName + kEchoTail);
                completeOrWait(state, m.NumberDetected);
            } else if (const int32_t q = prefixAt(line, s.CIDNumberPrefix); q > 0) {
                m.CallerNumber =
                    FormatPhoneNumber(vb::Trim(vb::Mid(line, q + static_cast<int32_t>(s.CIDNumberPrefix.size()))));
                m.NumberDetected = true;
                AppendCommData(state, kEchoNumber + m.CallerNumber + kEchoTail);
                completeOrWait(state, m.NameDetected);
            } else if (vb::InStr(line, kRing, vb::CompareMethod::Text) > 0) {
                m.NameDetected = false;
                m.NumberDetected = false;
                state.QueueTimerForm().Timer5.Enabled(false);
            }
        }))
        logTag(state, kDoModemTag);
}

void DoModemNetCallerID(PluginState& state, const std::string& record) {
    if (!vb::Try([&] {
            ModemState& m = state.modem;
            debug(state, kNetCallerIdDebug + record);
            if (const int32_t p = vb::InStr(record, kRecordName, vb::CompareMethod::Text); p > 0) {
                m.CallerName = vb::Trim(vb::Mid(record, p + 7));
                m.NameDetected = true;
                completeOrWait(state, m.NumberDetected);
            }
            if (const int32_t q = vb::InStr(record, kRecordNumber, vb::CompareMethod::Text); q > 0) {
                m.CallerNumber = kNoRecordNumber;
                if (const int32_t e = vb::InStr(q + 7, record, "."); e > 0) {
                    m.CallerNumber = FormatPhoneNumber(vb::Trim(vb::Mid(record, q + 7, e - (q + 7))));
                    m.NumberDetected = true;
                    completeOrWait(state, m.NameDetected);
                }
            }
            debug(state, kNetCallerIdNameDebug + m.CallerName + kNetCallerIdNumberDebug + m.CallerNumber);
        }))
        logTag(state, kDoModemNetCallerIdTag);
}

}  // namespace zephra
