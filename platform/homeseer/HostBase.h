#pragma once
// What the two hosts share: devices by code and reference for both host generations,
// X10 status and events, host events, the callback object, the loaded plug-ins, the phone
// component, the host script seam and the clock. RealHost and RecordingHost add the log,
// the INI files and the application path.
//
// Every member first calls called(member, args) with its arguments as text: RecordingHost
// records them there (and may raise a scripted failure), RealHost does nothing.
//
// Events the host raises into a plug-in (X10 events, device values for SetIO) are posted
// to the current event loop when there is one, so that they arrive as window messages
// would; without a loop they are delivered at once. Enumerators and posted events refer to
// the host: it must outlive them (the host program keeps it to the end, after the loop).

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "homeseer/Callback.h"
#include "homeseer/Device.h"
#include "homeseer/DeviceStore.h"
#include "homeseer/EventStore.h"
#include "homeseer/Host.h"
#include "homeseer/HostScript.h"
#include "homeseer/X10Status.h"

namespace homeseer {

class HostBase : public Host {
public:
    HostBase();
    ~HostBase() override;

    std::string Version() override;

    int32_t DeviceCount() override;
    std::shared_ptr<Device> GetDevice(int32_t index) override;
    std::shared_ptr<Device> GetDeviceByRef(int32_t ref) override;
    int32_t NewDevice(const std::string& name, const std::string& code = "") override;
    int32_t NewDeviceRef(const std::string& name) override;
    int32_t DeviceExists(const std::string& code) override;
    int32_t DeviceExistsRef(const std::string& code) override;
    void DeleteDevice(int32_t ref) override;
    std::shared_ptr<ListEnumerator> GetDeviceEnumerator() override;

    void SetDeviceString(const std::string& code, const std::string& text) override;
    std::string DeviceString(const std::string& code) override;
    void SetDeviceStatus(const std::string& code, int32_t status) override;
    void SetDeviceStatusNoReport(const std::string& code, int32_t status, int32_t flags) override;
    int32_t DeviceStatus(const std::string& code) override;
    void SetDeviceValue(const std::string& code, int32_t value) override;
    int32_t DeviceValue(const std::string& code) override;
    void SetDeviceLastChange(const std::string& code, vb::Date when) override;
    vb::Date DeviceLastChange(const std::string& code) override;

    void ExecX10(const std::string& code, const std::string& command, int32_t dimLevel = 0) override;
    bool IsOn(const std::string& code) override;
    bool IsOff(const std::string& code) override;
    void RegisterEventCB(int32_t eventType, vb::ObjectRef object) override;

    int32_t EventCount() override;
    std::shared_ptr<HostEvent> GetEvent(int32_t index) override;
    int32_t NewEvent(const std::string& name) override;
    std::shared_ptr<HostEvent> NewEventEx(const std::string& name) override;
    std::shared_ptr<ListEnumerator> GetEventEnumerator() override;
    void TriggerEvent(const std::string& name) override;

    vb::ObjectRef Plugin(const std::string& name) override;
    vb::Variant GetPlugins(const vb::Variant& name) override;
    vb::ObjectRef GetHSPRef() override;
    void InitScriptControl() override;
    void WaitSecs(double seconds) override;
    std::string Sunrise() override;
    std::string Sunset() override;
    std::string SystemUpTime() override;

    // --- For the host program and tests (not reached by name) ---------------------------

    // The version text decides the host generation ("1.x": older).
    void SetVersion(std::string version);
    bool newerHost() const;

    // The callback object handed to RegisterCallback.
    std::shared_ptr<Callback> callback() const { return callback_; }
    // A loaded plug-in under its name; removePlugins drops the host's references to every
    // plug-in and to the objects they registered for events (before they are unloaded).
    void addPlugin(const std::string& name, vb::ObjectRef plugin);
    void removePlugins();
    // The engine of events' script lines; none: events run nothing. Held weakly: the engine
    // holds the host (as `hs`).
    void setScript(std::weak_ptr<HostScript> script) { script_ = std::move(script); }
    // The host is ending: a WaitSecs under way returns, and later ones return at once.
    void endWaits() noexcept { ending_ = true; }
    // The phone component handed out by GetHSPRef and "hsPhone.Application".
    void setPhone(vb::ObjectRef phone) { phone_ = std::move(phone); }
    // Where the host is on Earth, for Sunrise and Sunset (degrees, east and north positive).
    void setLocation(double latitude, double longitude);
    // The phone component reports a call on `line`: the events for that line run.
    void phoneCall(int32_t line);

    DeviceStore& devices() noexcept { return devices_; }
    EventStore& events() noexcept { return events_; }
    // The X10 codes' last known states, which the host program keeps with its devices.
    X10Status& x10() noexcept { return x10_; }

    // Called by every member before it acts.
    virtual void called(std::string_view member, std::vector<std::string> args);

protected:
    // Raises 438 on an older host (for the members only newer hosts have).
    void requireNewerHost() const;

private:
    void setStatus(const std::string& code, int32_t status);
    int32_t statusOf(const std::string& code);
    void setLastChange(const std::string& code, vb::Date when);
    void deliverValue(const std::shared_ptr<Device>& device, int32_t value);
    void raiseX10Event(const X10Status::Event& event);
    void runEvent(const HostEvent& event);
    vb::ObjectRef pluginNamed(std::string_view name) const;
    void post(std::function<void()> task);

    std::string version_ = "2.5.0.81";
    DeviceStore devices_;
    X10Status x10_;
    EventStore events_;
    std::shared_ptr<Callback> callback_;
    std::vector<std::pair<int32_t, vb::ObjectRef>> eventCallbacks_;
    std::vector<std::pair<std::string, vb::ObjectRef>> plugins_;
    std::weak_ptr<HostScript> script_;
    bool ending_ = false;
    vb::ObjectRef phone_;
    double latitude_ = 51.48;
    double longitude_ = 0.0;
    vb::Date started_;
};

}  // namespace homeseer
