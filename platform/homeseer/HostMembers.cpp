#include "homeseer/Host.h"

#include "homeseer/Device.h"
#include "homeseer/HostEvent.h"
#include "homeseer/ListEnumerator.h"

namespace homeseer {

// The names scripts call `hs` by; case does not matter ("devicestring", "isOn").
void Host::describe(automation::Members<Host>& m) {
    m.method<&Host::Writelog>("WriteLog");
    m.method<&Host::GetIniSetting>("GetIniSetting");
    m.method<&Host::SaveIniSetting>("SaveIniSetting");
    m.method<&Host::GetINISection>("GetINISection");
    m.method<&Host::ClearINISection>("ClearINISection");
    m.method<&Host::GetAppPath>("GetAppPath");
    m.method<&Host::Version>("Version");

    m.method<&Host::DeviceCount>("DeviceCount");
    m.method<&Host::GetDevice>("GetDevice");
    m.method<&Host::GetDeviceByRef>("GetDeviceByRef");
    m.method<&Host::NewDevice>("NewDevice", 1);
    m.method<&Host::NewDeviceRef>("NewDeviceRef");
    m.method<&Host::DeviceExists>("DeviceExists");
    m.method<&Host::DeviceExistsRef>("DeviceExistsRef");
    m.method<&Host::DeleteDevice>("DeleteDevice");
    m.method<&Host::GetDeviceEnumerator>("GetDeviceEnumerator");
    m.method<&Host::SetDeviceString>("SetDeviceString");
    m.method<&Host::DeviceString>("DeviceString");
    m.method<&Host::SetDeviceStatus>("SetDeviceStatus");
    m.method<&Host::SetDeviceStatusNoReport>("SetDeviceStatusNoReport", 2);
    m.method<&Host::DeviceStatus>("DeviceStatus");
    m.method<&Host::SetDeviceValue>("SetDeviceValue");
    m.method<&Host::DeviceValue>("DeviceValue");
    m.method<&Host::SetDeviceLastChange>("SetDeviceLastChange");
    m.method<&Host::DeviceLastChange>("DeviceLastChange");

    m.method<&Host::ExecX10>("ExecX10", 2);
    m.method<&Host::IsOn>("isOn");
    m.method<&Host::IsOff>("IsOff");
    m.method<&Host::RegisterEventCB>("RegisterEventCB");

    m.method<&Host::EventCount>("EventCount");
    m.method<&Host::GetEvent>("GetEvent");
    m.method<&Host::NewEvent>("NewEvent");
    m.method<&Host::NewEventEx>("NewEventEx");
    m.method<&Host::GetEventEnumerator>("GetEventEnumerator");
    m.method<&Host::TriggerEvent>("TriggerEvent");

    m.method<&Host::Plugin>("Plugin");
    m.method<&Host::GetPlugins>("GetPlugins", 0);
    m.method<&Host::GetHSPRef>("GetHSPRef");
    m.method<&Host::InitScriptControl>("InitScriptControl");
    m.method<&Host::WaitSecs>("WaitSecs");
    m.method<&Host::Sunrise>("Sunrise");
    m.method<&Host::Sunset>("Sunset");
    m.method<&Host::SystemUpTime>("SystemUpTime");
}

}  // namespace homeseer
