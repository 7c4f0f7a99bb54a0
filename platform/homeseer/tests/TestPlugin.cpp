// A plug-in library for the host program's tests. It records every call it receives, one
// line each and in order, in Data/test-plugin.txt of the application folder, and answers
// as a plug-in of the name "TestPlug" would:
//
//   InitIO registers for X10 events and makes the device "[1" (a free I/O house code),
//   which asks for value call-backs; Echo answers its arguments joined by "|"; StayBusy(ms)
//   keeps the plug-in from being idle for that long.

#include <fstream>
#include <memory>
#include <string>

#include "automation/CallByName.h"
#include "automation/Class.h"
#include "forms/Timer.h"
#include "homeseer/PluginEntry.h"
#include "vb/Array.h"
#include "vb/Conversions.h"
#include "windows/AppFolder.h"

namespace {

void record(const std::string& line) {
    std::ofstream file(windows::AppFolder() + "/Data/test-plugin.txt", std::ios::app | std::ios::binary);
    file << line << '\n';
}

std::string joined(vb::Args args) {
    std::string text;
    for (const vb::Variant& a : args) {
        if (!text.empty()) text += "|";
        text += a.isMissing() ? "(missing)" : vb::CStr(a);
    }
    return text;
}

class EventSink : public automation::Dispatch<EventSink> {
public:
    static constexpr std::string_view className = "QueueTimer";
    static void describe(automation::Members<EventSink>& m) { m.method<&EventSink::HSEvent>("HSEvent"); }

    void HSEvent(const vb::Variant& parms) {
        const vb::Array& a = parms.array();
        record("HSEvent " + vb::CStr(a.at(0)) + " " + vb::CStr(a.at(1)) + vb::CStr(a.at(2)) + " " + vb::CStr(a.at(3)));
    }
};

class TestPlugin : public automation::Dispatch<TestPlugin> {
public:
    static constexpr std::string_view className = "reva";
    static void describe(automation::Members<TestPlugin>& m) {
        m.method<&TestPlugin::Name>("Name");
        m.method<&TestPlugin::Capabilities>("Capabilities");
        m.method<&TestPlugin::AccessLevel>("AccessLevel");
        m.method<&TestPlugin::RegisterCallback>("RegisterCallback");
        m.method<&TestPlugin::InitIO>("InitIO");
        m.method<&TestPlugin::SetIO>("SetIO");
        m.method<&TestPlugin::ShutdownIO>("ShutdownIO");
        m.method<&TestPlugin::Echo>("Echo");
        m.method<&TestPlugin::StayBusy>("StayBusy");
    }

    std::string Name() {
        record("Name");
        return "TestPlug";
    }
    int32_t Capabilities() {
        record("Capabilities");
        return 4;
    }
    int32_t AccessLevel() {
        record("AccessLevel");
        return 1;
    }
    vb::Variant RegisterCallback(vb::ObjectRef callback) {
        record("RegisterCallback " + std::string(callback->typeName()));
        callback_ = vb::Variant(callback);
        hs_ = automation::callByName(callback_, "GetHSIface");
        automation::callByName(callback_, "RegisterMenu", {"TestPlug", "Test Menu"});
        return {};
    }
    std::string InitIO(int32_t port) {
        record("InitIO " + std::to_string(port));
        automation::callByName(hs_, "RegisterEventCB", {int32_t{1}, vb::Variant(sink_)});
        int32_t ref = vb::CLng(automation::callByName(hs_, "DeviceExistsRef", {"[1"}));
        if (ref != -1) {
            record("Device found " + std::to_string(ref));
            return "";
        }
        std::string house(1, static_cast<char>(vb::CLng(automation::callByName(callback_, "GetNextFreeIOCode"))));
        ref = vb::CLng(automation::callByName(hs_, "NewDeviceRef", {"Test Device"}));
        vb::Variant device = automation::callByName(hs_, "GetDeviceByRef", {ref});
        automation::letProperty(device, "hc", house);
        automation::letProperty(device, "dc", "1");
        automation::letProperty(device, "interface", "TestPlug");
        automation::letProperty(device, "misc", int32_t{0x8000});
        record("Device made " + house + "1");
        return "";
    }
    void SetIO(const vb::Variant&, const std::string& hc, const std::string& dc, int32_t command, int32_t value,
               int32_t, int32_t) {
        record("SetIO " + hc + dc + " " + std::to_string(command) + " " + std::to_string(value));
    }
    void ShutdownIO() { record("ShutdownIO"); }
    std::string Echo(vb::Args args) {
        record("Echo " + joined(args));
        return joined(args);
    }
    void StayBusy(int32_t ms) {
        record("StayBusy " + std::to_string(ms));
        busy_ = true;
        timer_ = std::make_unique<forms::Timer>();
        timer_->OnTimer = [this] {
            busy_ = false;
            timer_->Enabled(false);
            record("Idle");
        };
        timer_->Interval(ms);
    }

    bool idle() const { return !busy_; }

private:
    vb::Variant callback_;
    vb::Variant hs_;
    std::shared_ptr<EventSink> sink_ = std::make_shared<EventSink>();
    std::unique_ptr<forms::Timer> timer_;
    bool busy_ = false;
};

}  // namespace

bool zephra_create_plugin(int32_t contractVersion, homeseer::PluginInstance* instance) {
    if (contractVersion != homeseer::kPluginContractVersion) return false;
    auto plugin = std::make_shared<TestPlugin>();
    instance->object = plugin;
    instance->idle = [plugin] { return plugin->idle(); };
    return true;
}
