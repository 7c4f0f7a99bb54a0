#include "callerid/CallerIdProcessing.h"

#include <functional>

#include "callerid/CallerIdPart.h"
#include "callerid/CallerIdTexts.h"
#include "callerid/EchoWindow.h"
#include "callerid/FormatPhoneNumber.h"
#include "callerid/Phonebook.h"
#include "callerid/UdpServer.h"
#include "callerid/XapBsc.h"
#include "callerid/XapCID.h"
#include "core/FanOut.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/StatusText.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/Format.h"
#include "vb/Strings.h"

namespace zephra {

using namespace cidtext;

namespace {

// The caller-ID device's status text comes from the first action of the table.
constexpr int32_t kCallerIdAction = 0;

const char* TrueFalse(bool on) { return on ? "True" : "False"; }

// One step under the routine's error handler: a failure is logged with the tag and the
// routine goes on.
void Step(PluginState& state, const char* tag, const std::function<void()>& body) {
    if (vb::Try(body)) return;
    if (!vb::Try([&] { WriteLog(state.Host(), kSource, tag); })) vb::Err().Clear();
}

void Debug(PluginState& state, const std::string& text) {
    if (state.settings.DebugLog) WriteLog(state.Host(), kDebugSource, text);
}

// Withheld, private and out-of-area callers have no name to show.
bool IsPrivateCaller(const std::string& name) {
    const std::string upper = vb::UCase(name);
    return upper == kWithheld || upper == "O" || upper == "P" || vb::Left(upper, 3) == kOutOfArea;
}

std::string ShortFrom(const std::string& name) { return vb::Replace(name, kFrom, kFromShort); }

}  // namespace

CallerIdText::CallerIdText(const std::string& lookup) {
    const std::size_t at = lookup.find(kLookupSeparator);
    if (at == std::string::npos) {
        number = lookup;
        return;
    }
    number = lookup.substr(0, at);
    name = lookup.substr(at + std::char_traits<char>::length(kLookupSeparator));
}

std::string HSPAddressBookLookup(PluginState& state, const std::string& number, const std::string& defaultName) {
    std::string result;
    Step(state, kLookupTag, [&] {
        const std::string key = PhonebookKey(number);
        state.modem.CallerWav.clear();
        const PhonebookIndex& index = state.Part<CallerIdPart>().phonebookIndex;
        const auto found = index.find(key);
        std::string name;
        if (found != index.end()) {
            const Phonebook& entry = found->second;
            name = entry.Location.empty() ? entry.Name() : entry.Name() + kFrom + entry.Location;
            state.modem.CallerWav = entry.Wav;
        } else {
            name = (defaultName == "O" || defaultName.empty()) ? std::string(kUnknown) : defaultName;
        }
        result = FormatPhoneNumber(number) + kLookupSeparator + name;
        Debug(state, kLookupDebug + std::string(TrueFalse(found != index.end())) + kLookupNumber + key +
                         kLookupDefaultName + defaultName + kLookupResult + result);
    });
    return result;
}

void ProcessModemInput(PluginState& state) {
    ModemState& m = state.modem;
    const ZephraSettings& s = state.settings;
    const std::string& device = s.CIDDeviceCode;
    auto run = [&](const std::function<void()>& body) { Step(state, kProcessModemInputTag, body); };

    run([&] { AppendCommData(state, kCidDetected); });
    run([&] {
        Debug(state, kProcessDebug + std::string(TrueFalse(m.NumberDetected)) + kProcessNameDetected +
                         TrueFalse(m.NameDetected) + kProcessName + m.CallerName + kProcessNumber + m.CallerNumber);
    });
    run([&] { state.QueueTimerForm().Timer5.Enabled(false); });
    if (IsPrivateCaller(m.CallerName)) m.CallerName = kUnknown;
    CallerIdText caller("");
    run([&] { caller = CallerIdText(HSPAddressBookLookup(state, m.CallerNumber, m.CallerName)); });
    const std::string& name = caller.name;
    const std::string& number = caller.number;
    run([&] {
        state.Host().SetDeviceString(device, FormatValue(state, kCallerIdAction, number + kLookupSeparator + name));
    });
    if (s.GenerateCIDEvent)
        run([&] {
            state.QueueTimerForm().Timer4.Enabled(true);
            state.Host().SetDeviceStatus(device, homeseer::kStatusOn);
        });
    run([&] { state.Host().SetDeviceLastChange(device, vb::Now()); });
    run([&] { SendXapBSC(state, device); });
    if (state.IsSetup && !state.xap.CIDFromXap) run([&] { XapCID(state, m.CallerName, name, number); });
    const std::string& selector = state.appliances.CIDZephraNames;
    if (s.ZcidCIDResponse) run([&] { InternalSendCID(state, selector, ShortFrom(name), number); });
    if (s.CIDSentry) run([&] { SendCIDToOtherClients(state, ShortFrom(name), number); });
    if (s.SoundCIDResponse) run([&] { InternalSpeak(state, selector, kPhoneFrom + name); });
    if (s.BrowserCIDResponse)
        run([&] {
            InternalText(state, selector, name + kCrLf + number + kCrLf + vb::formatDate(vb::Now(), kCallTimeFormat));
        });
    if (s.LogCID) run([&] { state.Host().Writelog(kSource, number + kLookupSeparator + name); });
    m.CallerName.clear();
    m.CallerNumber.clear();
    m.NameDetected = false;
    m.NumberDetected = false;
}

}  // namespace zephra
