#include "callerid/XapReceive.h"

#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "callerid/ModemInput.h"
#include "callerid/XapBsc.h"
#include "callerid/XapSend.h"
#include "callerid/XapTexts.h"
#include "core/DeviceClass.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/StatusText.h"
#include "core/Zephra.h"
#include "forms/LogRate.h"
#include "forms/Loop.h"
#include "homeseer/Host.h"
#include "vb/Collection.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

using namespace xaptext;

namespace {

// A member of the message read by name.
vb::Variant Member(const vb::ObjectRef& message, const char* name, std::vector<vb::Variant> args = {}) {
    if (!message) vb::raise(vb::errors::ObjectNotSet);
    return message->call(name, vb::Method | vb::PropertyGet, args);
}
std::string Text(const vb::ObjectRef& message, const char* name) { return vb::CStr(Member(message, name)); }
bool IsClass(const vb::ObjectRef& message, const char* messageClass) {
    return vb::CBool(Member(message, "CompareClass", {vb::Variant(messageClass)}));
}
std::string Item(const vb::ObjectRef& message, const std::string& block, const std::string& key) {
    return vb::CStr(Member(message, "GetItem", {vb::Variant(block), vb::Variant(key)}));
}

// What a datagram makes the handling complain of is logged at a bounded rate, as malformed
// datagrams are: anyone on the network can send one.
struct MessageErrorLog {
    forms::LogRate rate;
};

// Runs one step of a message's handling; a failure is logged ("OnXapMessage" and the error), or
// counted beyond the rate.
void MessageStep(PluginState& state, const std::function<void()>& step) {
    if (vb::Try(step)) return;
    const std::string error = TakePendingError();
    state.Part<MessageErrorLog>().rate.Log(
        forms::Loop::current().now(), kOnXapMessageTag + error, " more OnXapMessage errors were dropped unlogged",
        [&](const std::string& line) { vb::Try([&] { WriteLog(state.Host(), kSource, line); }); });
    vb::Err().Clear();
}

// Adds the lines of one block to the values (under block "." key) and the names.
void CaptureBlock(PluginState& state, const vb::ObjectRef& message, const std::string& block, int32_t index,
                  vb::Collection& values, vb::Collection& names) {
    std::unique_ptr<vb::Enumerator> lines = vb::enumerate(Member(message, "msgCollection", {vb::Variant(index)}));
    vb::Variant line;
    while (lines->next(line)) {
        const std::string pair = vb::CStr(line);
        const auto equals = pair.find('=');
        if (equals == std::string::npos) continue;
        const std::string name = block + "." + pair.substr(0, equals);
        // A name given twice keeps its first value.
        MessageStep(state, [&] { values.Add(vb::Variant(pair.substr(equals + 1)), vb::Variant(name)); });
        names.Add(vb::Variant(name));
    }
}

// Stores a message of interest in its entry and queues the user script when the entry asks.
void CaptureOfInterest(PluginState& state, const vb::ObjectRef& message) {
    const std::shared_ptr<vb::Dictionary> filters = state.hostInterface.FilterDictionary;
    if (!filters || filters->Count() == 0) return;
    const vb::Variant key(Text(message, "MsgSource") + "~" + Text(message, "MsgClass"));
    if (!filters->Exists(key)) return;
    auto values = std::make_shared<vb::Collection>();
    auto names = std::make_shared<vb::Collection>();
    const vb::Variant blocks = Member(message, "MsgSection");
    if (!blocks.isArray()) vb::raise(vb::errors::TypeMismatch);
    const vb::Array& array = blocks.array();
    for (int32_t i = array.lbound(); i <= array.ubound(); ++i)
        MessageStep(state, [&] { CaptureBlock(state, message, vb::CStr(array.at(i)), i, *values, *names); });

    const std::vector<std::string> entry = vb::Split(vb::CStr(filters->Item(key)), ";");
    const std::string tag = entry.empty() ? "" : entry[0];
    const std::string flag = entry.size() > 1 ? entry[1] : "";
    const std::shared_ptr<vb::Dictionary> devices = state.hostInterface.DeviceDictionary;
    if (!devices || !devices->Exists(vb::Variant(tag))) return;
    auto device = std::dynamic_pointer_cast<DeviceClass>(devices->Item(vb::Variant(tag)).object());
    if (!device) vb::raise(vb::errors::TypeMismatch);
    device->MessageList = values;
    device->MessageKeyList = names;
    device->LastChange = vb::Now();
    int32_t& count = state.xap.XapMessageCount;
    count = count == std::numeric_limits<int32_t>::max() ? 1 : count + 1;
    device->Sequence = count;
    if (!flag.empty()) QueueScriptRun(state, tag);
}

// The first appliance the message is addressed to; none when there is none, also while the
// appliance list holds no appliance.
std::shared_ptr<Zephra> Addressee(PluginState& state, const vb::ObjectRef& message) {
    const std::vector<ZephraEntry> slots = state.appliances.slots;
    if (slots.empty() || !slots[0].Object) return nullptr;
    for (const ZephraEntry& slot : slots)
        if (slot.Object && vb::CBool(Member(message, "CompareTarget", {vb::Variant(kApplianceTarget + slot.Name)})))
            return slot.Object;
    return nullptr;
}

void CallerFromXap(PluginState& state, const vb::ObjectRef& message) {
    state.modem.CallerName = Item(message, kCidIncoming, "Name");
    state.modem.CallerNumber = Item(message, kCidIncoming, "Phone");
    state.modem.NameDetected = true;
    state.modem.NumberDetected = true;
    state.xap.CIDFromXap = true;
    struct Clear {
        PluginState& state;
        ~Clear() { state.xap.CIDFromXap = false; }
    } clear{state};
    ProcessModemInput(state);
}

// Every "output.state" block with an "ID": "output.state" (or "output.state.1" when there is
// none), then "output.state.2", "output.state.3" ...
void BscCommands(PluginState& state, const vb::ObjectRef& message) {
    const std::string target = Text(message, "MsgTarget");
    std::string block = kOutputState;
    std::string id = Item(message, block, "ID");
    if (id == kUnknown) {
        block = std::string(kOutputState) + ".1";
        id = Item(message, block, "ID");
    }
    for (int32_t n = 1; id != kUnknown;) {
        BSCCmd(state, target, id, Item(message, block, "State"), Item(message, block, "Level"));
        block = std::string(kOutputState) + "." + std::to_string(++n);
        id = Item(message, block, "ID");
    }
}

// Handles the message by its class; the first class that matches decides.
void Dispatch(PluginState& state, const vb::ObjectRef& message) {
    if (IsClass(message, kOsdDisplay)) {
        if (std::shared_ptr<Zephra> zephra = Addressee(state, message)) zephra->ReceiveXapMessageOSD(message);
        return;
    }
    if (IsClass(message, kTtsSpeak) || IsClass(message, kXapVoice)) {
        if (std::shared_ptr<Zephra> zephra = Addressee(state, message)) zephra->ReceiveXapMessageTTS(message);
        return;
    }
    if (IsClass(message, kCidIncoming) && !state.xap.XapCIDSent) return CallerFromXap(state, message);
    if (IsClass(message, kBscQuery)) return BSCQuery(state, Text(message, "MsgTarget"));
    if (IsClass(message, kBscCmd)) return BscCommands(state, message);
    if (!state.IsSetup) return;
    if (IsClass(message, kX10Event)) {
        const std::string event = Item(message, kX10Event, "event");
        for (const std::string& device : vb::Split(Item(message, kX10Event, "device"), ","))
            UpdateDeviceStatus(state, device, event);
        return;
    }
    if (IsClass(message, kTimeToday)) {
        state.xap.XapSunrise = Item(message, kTimeToday, "Sunrise");
        state.xap.XapSunset = Item(message, kTimeToday, "Sunset");
        return;
    }
    if (IsClass(message, kHomeseerControl))
        state.services.ButtonPress(state, Item(message, kButtonPressBlock, "Button"));
}

}  // namespace

void OnXapMessage(PluginState& state, const vb::ObjectRef& message) {
    MessageStep(state, [&] { CaptureOfInterest(state, message); });
    MessageStep(state, [&] { Dispatch(state, message); });
}

void QueueScriptRun(PluginState& state, const std::string& text) {
    if (state.scripts.ScriptQueue.size() >= kScriptRunQueueLimit) {
        WriteLog(state.Host(), kSource, kScriptQueueFull + text);
        return;
    }
    state.services.QueueScriptText(state, text);
}

void UpdateDeviceStatus(PluginState& state, const std::string& device, const std::string& event) {
    XapStep(state, kUpdateDeviceStatusTag, [&] {
        const std::string code = vb::UCase(vb::Trim(device));
        if (code.empty()) return;
        const std::vector<ZephraEntry> slots = state.appliances.slots;
        bool found = false;
        for (const ZephraEntry& slot : slots)
            if (vb::UCase(slot.PowerDevice) == code || vb::UCase(slot.MotionDevice) == code) {
                found = true;
                break;
            }
        if (!found) return;
        const bool on = vb::UCase(event) == "ON";
        state.Host().SetDeviceStatusNoReport(code, on ? homeseer::kStatusOn : homeseer::kStatusOff, 0);
        state.Host().SetDeviceString(code, FormatString(state, on ? "ON" : "OFF"));
    });
}

}  // namespace zephra
