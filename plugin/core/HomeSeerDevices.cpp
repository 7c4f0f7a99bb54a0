#include "core/HomeSeerDevices.h"

#include <functional>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/PluginVersion.h"
#include "core/SettingsTable.h"
#include "homeseer/ListEnumerator.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/ErrorNumbers.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kDebugSource = "dkvZephra Debug";
constexpr const char* kPluginName = "dkvZephra";
constexpr const char* kZephra = "Zephra";
constexpr const char* kVersionDeviceName = "Original Plugin Version";
constexpr const char* kVersionText = "Original Install Version ";
constexpr const char* kCallerIdName = "CID Detected";
constexpr const char* kXapHouseCode = "^";
constexpr const char* kVersionUnit = "99";

// Runs a step under the operation's handler: a failure is logged with the tag.
bool Handled(PluginState& state, const std::string& tag, const std::function<void()>& body) {
    if (vb::Try(body)) return true;
    vb::Try([&] { WriteLog(state.Host(), kSource, tag); });
    return false;
}

// A device belongs to the plug-in when its interface (or iomisc) names it.
bool OwnDevice(const homeseer::Device& device) {
    return device.interfaceName() == kPluginName || device.iomisc() == kPluginName;
}

// A device of the plug-in whose house code lies outside the letters A to Z. A device
// without a house code (one whose making failed half-way) tells nothing.
bool HousesPlugin(const homeseer::Device& device) {
    if (device.hc().empty()) return false;
    const std::string hc = vb::UCase(device.hc());
    return (hc < "A" || hc > "Z") && OwnDevice(device);
}

// Walks the newer host's device enumerator; a pass starts again while the host reports
// that the list changed. `visit` answers true to end the walk.
void WalkDevices(PluginState& state, const std::function<bool(homeseer::Device&)>& visit) {
    std::shared_ptr<homeseer::ListEnumerator> devices = state.Host().GetDeviceEnumerator();
    if (!devices) return;
    bool restart = true;
    while (restart) {
        restart = false;
        while (!devices->Finished()) {
            if (devices->CountChanged()) restart = true;
            auto device = std::dynamic_pointer_cast<homeseer::Device>(devices->GetNext());
            if (device && visit(*device)) return;
        }
    }
}

// The common properties of the plug-in's own devices.
void MarkOwn(homeseer::Device& device) {
    device.setLocation(kZephra);
    device.setDevTypeString(kZephra);
    device.setInterfaceName(kPluginName);
}

}  // namespace

std::shared_ptr<homeseer::Device> hsGetDevice(PluginState& state, int32_t ref) {
    std::shared_ptr<homeseer::Device> device;
    Handled(state, "hsGetDevice " + std::to_string(ref), [&] {
        homeseer::Host& hs = state.Host();
        if (state.UseDeviceRefs) {
            device = hs.GetDeviceByRef(ref);
            return;
        }
        if (ref > INT16_MAX || ref < INT16_MIN) vb::raise(vb::errors::Overflow);
        device = hs.GetDevice(ref);
    });
    return device;
}

int32_t hsNewDevice(PluginState& state, const std::string& name, const std::string& code) {
    int32_t ref = 0;
    Handled(state, "hsNewDevice " + name, [&] {
        homeseer::Host& hs = state.Host();
        if (state.UseDeviceRefs) ref = hs.NewDeviceRef(name);
        else if (!code.empty()) ref = hs.NewDevice(name, code);
        else ref = hs.NewDevice(name);
    });
    return ref;
}

int32_t hsDeviceExists(PluginState& state, const std::string& code) {
    int32_t ref = 0;
    Handled(state, "hsDeviceExists " + code, [&] {
        homeseer::Host& hs = state.Host();
        ref = state.UseDeviceRefs ? hs.DeviceExistsRef(code) : hs.DeviceExists(code);
    });
    return ref;
}

std::shared_ptr<homeseer::Device> NewHSDevice(PluginState& state, const std::string& name, const std::string& code) {
    std::shared_ptr<homeseer::Device> device;
    Handled(state, "NewHSDevice", [&] {
        if (state.IsSetup) {
            device = hsGetDevice(state, hsNewDevice(state, name, code));
            return;
        }
        device = hsGetDevice(state, hsNewDevice(state, name, ""));
        if (!device) return;
        device->setHc(code.substr(0, 1));
        device->setDc(code.size() > 1 ? code.substr(1) : std::string());
    });
    return device;
}

void NewDevice(PluginState& state, const std::string& code) {
    const std::string tag = "NewDevice: ";
    if (hsDeviceExists(state, code) != -1) return;
    Handled(state, tag, [&] {
        std::shared_ptr<homeseer::Device> device = NewHSDevice(state, kVersionDeviceName, code);
        if (!device) vb::raise(vb::errors::ObjectNotSet);
        MarkOwn(*device);
        device->setMisc(kMiscPluginDevice);
    });
    Handled(state, tag, [&] { state.Host().SetDeviceString(code, kVersionText + PluginVersionText()); });
    Handled(state, tag, [&] { state.Host().SetDeviceLastChange(code, vb::Now()); });
}

void CIDDevice(PluginState& state, const std::string& code) {
    const std::string tag = "CIDDevice: ";
    if (hsDeviceExists(state, code) != -1) return;
    Handled(state, tag, [&] {
        std::shared_ptr<homeseer::Device> device = NewHSDevice(state, kCallerIdName, code);
        if (!device) vb::raise(vb::errors::ObjectNotSet);
        MarkOwn(*device);
        device->setMisc(state.UseDeviceRefs ? kMiscPluginDevice : kMiscCallerIdOlder);
    });
    Handled(state, tag, [&] {
        homeseer::Host& hs = state.Host();
        hs.SetDeviceString(code, "");
        hs.SetDeviceStatus(code, homeseer::kStatusOff);
        hs.SetDeviceLastChange(code, vb::Now());
    });
    Handled(state, tag, [&] { state.services.SendXapBSC(state, code); });
}

std::string GetHouseCode(PluginState& state) {
    if (state.IsSetup) return kXapHouseCode;
    std::string found;
    Handled(state, " GetHouseCode: ", [&] {
        if (state.UseDeviceRefs) {
            WalkDevices(state, [&](homeseer::Device& device) {
                if (!HousesPlugin(device)) return false;
                found = device.hc();
                return true;
            });
            return;
        }
        const int32_t count = state.Host().DeviceCount();
        for (int32_t i = 1; i <= count; ++i) {
            std::shared_ptr<homeseer::Device> device = hsGetDevice(state, i);
            if (device && HousesPlugin(*device)) {
                found = device->hc();
                return;
            }
        }
    });
    return found;
}

void InitDevices(PluginState& state) {
    const std::string tag = "InitDevices: ";
    std::string hc = GetHouseCode(state);
    Handled(state, tag, [&] {
        if (state.settings.DebugLog) WriteLog(state.Host(), kDebugSource, "Returned House Code=" + hc);
    });
    if (hc.empty()) {
        Handled(state, tag, [&] {
            if (!state.CallbackObject) vb::raise(vb::errors::ObjectNotSet);
            std::vector<vb::Variant> none;
            const int32_t code = vb::CLng(state.CallbackObject->call("GetNextFreeIOCode", vb::Method, none));
            hc = vb::Chr(code);
            NewDevice(state, hc + kVersionUnit);
            settings::SaveText(state.Host(), settings::MainSetting("HouseCode"), std::to_string(code));
        });
    }
    state.HouseCode = hc;
}

void SetValueCallback(PluginState& state) {
    if (!state.UseDeviceRefs) return;
    Handled(state, "SetValueCallback", [&] {
        WalkDevices(state, [](homeseer::Device& device) {
            if (vb::LCase(device.interfaceName()) == "dkvzephra") device.setMisc(device.misc() | kMiscValueCallback);
            return false;
        });
    });
}

}  // namespace zephra
