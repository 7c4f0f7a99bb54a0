#include "homeseer/HostBase.h"

#include <cmath>

#include "automation/CallByName.h"
#include "forms/Loop.h"
#include "homeseer/SunTimes.h"
#include "vb/Array.h"
#include "vb/Collection.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "windows/CaseFold.h"

namespace homeseer {

namespace {

constexpr const char* kHostSource = "Host";

std::string text(int32_t n) { return std::to_string(n); }
std::string text(vb::Date d) { return vb::CStr(vb::Variant(d)); }
std::string text(double d) { return vb::CStr(vb::Variant(d)); }

// The script line of an event: a leading "&" (run at once) is not part of the statement.
std::string eventStatement(const std::string& scripts) {
    std::size_t start = scripts.find_first_not_of(" \t");
    if (start != std::string::npos && scripts[start] == '&') ++start;
    return start == std::string::npos ? std::string() : scripts.substr(start);
}

}  // namespace

HostBase::HostBase() : callback_(std::make_shared<Callback>(*this)), started_(vb::Now()) {
    devices_.setWriteObserver([this](Device& device, std::string_view property, const std::string& value) {
        called(std::string("Device.") + std::string(property), {std::to_string(device.ref()), value});
    });
}

HostBase::~HostBase() = default;

void HostBase::called(std::string_view, std::vector<std::string>) {}

void HostBase::requireNewerHost() const {
    if (!newerHost()) vb::raise(vb::errors::NotSupported);
}

void HostBase::post(std::function<void()> task) {
    if (forms::Loop* loop = forms::Loop::tryCurrent()) loop->post(std::move(task));
    else task();
}

// --- Version ------------------------------------------------------------------------

std::string HostBase::Version() {
    called("Version", {});
    return version_;
}

void HostBase::SetVersion(std::string version) {
    version_ = std::move(version);
    devices_.setReportIndices(!newerHost());
}

bool HostBase::newerHost() const { return !version_.empty() && version_[0] > '1' && version_[0] <= '9'; }

// --- Devices ------------------------------------------------------------------------

int32_t HostBase::DeviceCount() {
    called("DeviceCount", {});
    return static_cast<int32_t>(devices_.count());
}

std::shared_ptr<Device> HostBase::GetDevice(int32_t index) {
    called("GetDevice", {text(index)});
    return devices_.byIndex(index);
}

std::shared_ptr<Device> HostBase::GetDeviceByRef(int32_t ref) {
    called("GetDeviceByRef", {text(ref)});
    requireNewerHost();
    return devices_.byReference(ref);
}

int32_t HostBase::NewDevice(const std::string& name, const std::string& code) {
    called("NewDevice", {name, code});
    return devices_.add(name, code)->ref();
}

int32_t HostBase::NewDeviceRef(const std::string& name) {
    called("NewDeviceRef", {name});
    requireNewerHost();
    return devices_.add(name, "")->ref();
}

int32_t HostBase::DeviceExists(const std::string& code) {
    called("DeviceExists", {code});
    std::shared_ptr<Device> d = devices_.byCode(code);
    return d ? d->ref() : -1;
}

int32_t HostBase::DeviceExistsRef(const std::string& code) {
    called("DeviceExistsRef", {code});
    requireNewerHost();
    std::shared_ptr<Device> d = devices_.byCode(code);
    return d ? d->ref() : -1;
}

void HostBase::DeleteDevice(int32_t ref) {
    called("DeleteDevice", {text(ref)});
    devices_.remove(ref);
}

std::shared_ptr<ListEnumerator> HostBase::GetDeviceEnumerator() {
    called("GetDeviceEnumerator", {});
    requireNewerHost();
    return std::make_shared<ListEnumerator>([this] { return devices_.snapshot(); });
}

void HostBase::SetDeviceString(const std::string& code, const std::string& value) {
    called("SetDeviceString", {code, value});
    if (DeviceStore::State* state = devices_.stateOf(code)) state->text = value;
}

std::string HostBase::DeviceString(const std::string& code) {
    called("DeviceString", {code});
    DeviceStore::State* state = devices_.stateOf(code);
    return state ? state->text : std::string();
}

void HostBase::SetDeviceStatus(const std::string& code, int32_t status) {
    called("SetDeviceStatus", {code, text(status)});
    setStatus(code, status);
}

void HostBase::SetDeviceStatusNoReport(const std::string& code, int32_t status, int32_t flags) {
    called("SetDeviceStatusNoReport", {code, text(status), text(flags)});
    setStatus(code, status);
}

int32_t HostBase::DeviceStatus(const std::string& code) {
    called("DeviceStatus", {code});
    return statusOf(code);
}

void HostBase::SetDeviceValue(const std::string& code, int32_t value) {
    called("SetDeviceValue", {code, text(value)});
    DeviceStore::State* state = devices_.stateOf(code);
    if (!state) return;
    state->value = value;
    setLastChange(code, vb::Now());
    if (std::shared_ptr<Device> device = devices_.byCode(code)) deliverValue(device, value);
}

int32_t HostBase::DeviceValue(const std::string& code) {
    called("DeviceValue", {code});
    DeviceStore::State* state = devices_.stateOf(code);
    return state ? state->value : 0;
}

void HostBase::SetDeviceLastChange(const std::string& code, vb::Date when) {
    called("SetDeviceLastChange", {code, text(when)});
    setLastChange(code, when);
}

vb::Date HostBase::DeviceLastChange(const std::string& code) {
    called("DeviceLastChange", {code});
    if (auto x10 = X10Status::parse(code)) return x10_.lastChange(*x10);
    DeviceStore::State* state = devices_.stateOf(code);
    return state ? state->lastChange : vb::Date{};
}

// Status and last change of an X10 code live in the X10 table (device or not); those of
// any other code with its device.
void HostBase::setStatus(const std::string& code, int32_t status) {
    if (auto x10 = X10Status::parse(code)) {
        x10_.set(*x10, status, vb::Now());
        return;
    }
    DeviceStore::State* state = devices_.stateOf(code);
    if (!state) return;
    if (state->status != status) state->lastChange = vb::Now();
    state->status = status;
}

int32_t HostBase::statusOf(const std::string& code) {
    if (auto x10 = X10Status::parse(code)) return x10_.status(*x10);
    DeviceStore::State* state = devices_.stateOf(code);
    return state ? state->status : kStatusUnknown;
}

void HostBase::setLastChange(const std::string& code, vb::Date when) {
    if (auto x10 = X10Status::parse(code)) {
        x10_.setLastChange(*x10, when);
        return;
    }
    if (DeviceStore::State* state = devices_.stateOf(code)) state->lastChange = when;
}

// A value set on a device of a plug-in that asked for value call-backs reaches that
// plug-in's SetIO as the device command 19, the value in the brightness.
void HostBase::deliverValue(const std::shared_ptr<Device>& device, int32_t value) {
    if ((device->misc() & kMiscValueCallback) == 0) return;
    vb::ObjectRef plugin = pluginNamed(device->interfaceName());
    if (!plugin) plugin = pluginNamed(device->iomisc());
    if (!plugin) return;
    std::string house = device->hc();
    std::string unit = device->dc();
    post([this, plugin, device, house, unit, value] {
        try {
            automation::callByName(vb::Variant(plugin), "SetIO",
                                   {vb::Variant(device), house, unit, vb::Variant(int32_t{kValueSetCommand}),
                                    vb::Variant(value), vb::Variant(int32_t{0}), vb::Variant(int32_t{0})});
        } catch (const vb::Error& e) {
            Writelog(kHostSource, "SetIO of " + house + unit + " failed: " + e.description());
        }
    });
}

// --- X10 ----------------------------------------------------------------------------

void HostBase::ExecX10(const std::string& code, const std::string& command, int32_t dimLevel) {
    called("ExecX10", {code, command, text(dimLevel)});
    auto address = X10Status::parse(code);
    auto number = X10Status::commandNumber(command);
    if (!address || !number) vb::raise(vb::errors::InvalidProcedureCall);
    int32_t status = *number == X10Status::kX10On ? kStatusOn : *number == X10Status::kX10Off ? kStatusOff : kStatusDim;
    x10_.set(*address, status, vb::Now());
    raiseX10Event(X10Status::Event{*address, *number});
}

bool HostBase::IsOn(const std::string& code) {
    called("isOn", {code});
    int32_t status = statusOf(code);
    return status == kStatusOn || status == kStatusDim;
}

bool HostBase::IsOff(const std::string& code) {
    called("IsOff", {code});
    return statusOf(code) == kStatusOff;
}

void HostBase::RegisterEventCB(int32_t eventType, vb::ObjectRef object) {
    called("RegisterEventCB", {text(eventType), object ? std::string(object->typeName()) : "Nothing"});
    if (!object) vb::raise(vb::errors::ObjectRequired);
    for (const auto& [type, registered] : eventCallbacks_)
        if (type == eventType && registered == object) return;
    eventCallbacks_.emplace_back(eventType, std::move(object));
}

// Each registered object gets HSEvent(parms) with parms = (type, house, unit, command).
void HostBase::raiseX10Event(const X10Status::Event& event) {
    for (const auto& [type, object] : eventCallbacks_) {
        if (type != kX10Event) continue;
        vb::ObjectRef target = object;
        post([this, target, event] {
            vb::Array parms = vb::Array::of({vb::Variant(int32_t{kX10Event}), std::string(1, event.address.house),
                                             vb::Variant(event.address.unit), vb::Variant(event.command)});
            try {
                automation::callByName(vb::Variant(target), "HSEvent", {vb::Variant(std::move(parms))});
            } catch (const vb::Error& e) {
                Writelog(kHostSource, "HSEvent call-back failed: " + e.description());
            }
        });
    }
}

// --- Events -------------------------------------------------------------------------

int32_t HostBase::EventCount() {
    called("EventCount", {});
    return static_cast<int32_t>(events_.count());
}

std::shared_ptr<HostEvent> HostBase::GetEvent(int32_t index) {
    called("GetEvent", {text(index)});
    return events_.byIndex(index);
}

int32_t HostBase::NewEvent(const std::string& name) {
    called("NewEvent", {name});
    return events_.add(name);
}

std::shared_ptr<HostEvent> HostBase::NewEventEx(const std::string& name) {
    called("NewEventEx", {name});
    requireNewerHost();
    return events_.byIndex(events_.add(name));
}

std::shared_ptr<ListEnumerator> HostBase::GetEventEnumerator() {
    called("GetEventEnumerator", {});
    requireNewerHost();
    return std::make_shared<ListEnumerator>([this] { return events_.snapshot(); });
}

void HostBase::TriggerEvent(const std::string& name) {
    called("TriggerEvent", {name});
    if (std::shared_ptr<HostEvent> event = events_.byName(name)) runEvent(*event);
}

void HostBase::runEvent(const HostEvent& event) {
    std::string statement = eventStatement(event.scripts());
    std::shared_ptr<HostScript> script = script_.lock();
    if (statement.empty() || !script) return;
    script->RunLine(statement, "event " + event.Name(), 1);
}

void HostBase::phoneCall(int32_t line) {
    for (const std::shared_ptr<HostEvent>& event : events_.phoneEvents(line)) post([this, event] { runEvent(*event); });
}

// --- Plug-ins, phone, scripts, time -------------------------------------------------

vb::ObjectRef HostBase::pluginNamed(std::string_view name) const {
    for (const auto& [pluginName, plugin] : plugins_)
        if (!name.empty() && windows::EqualsNoCase(pluginName, name)) return plugin;
    return nullptr;
}

vb::ObjectRef HostBase::Plugin(const std::string& name) {
    called("Plugin", {name});
    return pluginNamed(name);
}

vb::Variant HostBase::GetPlugins(const vb::Variant& name) {
    called("GetPlugins", {name.isMissing() ? std::string() : vb::CStr(name)});
    if (!name.isMissing()) return vb::Variant(pluginNamed(vb::CStr(name)));
    auto all = std::make_shared<vb::Collection>();
    for (const auto& entry : plugins_) all->Add(vb::Variant(entry.second));
    return vb::Variant(all);
}

void HostBase::addPlugin(const std::string& name, vb::ObjectRef plugin) {
    plugins_.emplace_back(name, std::move(plugin));
}

void HostBase::removePlugins() {
    plugins_.clear();
    eventCallbacks_.clear();
}

vb::ObjectRef HostBase::GetHSPRef() {
    called("GetHSPRef", {});
    requireNewerHost();
    if (!phone_) vb::raise(vb::errors::CannotCreateObject);
    return phone_;
}

void HostBase::InitScriptControl() { called("InitScriptControl", {}); }

void HostBase::WaitSecs(double seconds) {
    called("WaitSecs", {text(seconds)});
    forms::Loop* loop = forms::Loop::tryCurrent();
    if (!loop || !(seconds > 0) || ending_) return;
    constexpr double kLongestWait = 86400.0;  // a day: a script that asks more has a typo
    auto ms = std::chrono::milliseconds(static_cast<int64_t>(std::min(seconds, kLongestWait) * 1000.0));
    loop->waitFor([this] { return ending_; }, ms);
}

std::string HostBase::Sunrise() {
    called("Sunrise", {});
    return SunTimeText(vb::Now(), latitude_, longitude_, SunEvent::Rise);
}

std::string HostBase::Sunset() {
    called("Sunset", {});
    return SunTimeText(vb::Now(), latitude_, longitude_, SunEvent::Set);
}

void HostBase::setLocation(double latitude, double longitude) {
    latitude_ = latitude;
    longitude_ = longitude;
}

std::string HostBase::SystemUpTime() {
    called("SystemUpTime", {});
    double days = std::max(0.0, vb::Now().serial - started_.serial);
    auto minutes = static_cast<int64_t>(days * 24 * 60 + 1e-6);
    return std::to_string(minutes / 1440) + " Days " + std::to_string(minutes / 60 % 24) + " Hours " +
           std::to_string(minutes % 60) + " Minutes";
}

}  // namespace homeseer
