#pragma once
// A host device object, as GetDevice, GetDeviceByRef and the device enumerator hand it out:
// its properties are read and written by name (`dv.Location = "Zephra"`) or through the
// typed members. The status text, status, value and last change of a device are kept by the
// host by code (Host::SetDeviceString ...), not here.
//
// A device belongs to a plug-in when its `interface` (or `iomisc`) is the plug-in's name;
// its code is `hc` followed by `dc`.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "automation/Class.h"

namespace homeseer {

class Device : public automation::Dispatch<Device> {
public:
    static constexpr std::string_view className = "DeviceClass";
    static void describe(automation::Members<Device>& m);

    // Told of every property write (the property's name as scripts write it, the new value
    // as text), so that the host can record and keep its devices.
    using WriteObserver = std::function<void(Device& device, std::string_view property, const std::string& value)>;

    Device(int32_t ref, std::string name);

    // The host's reference of the device (read only).
    int32_t ref() const noexcept { return ref_; }
    // hc & dc.
    std::string code() const { return hc_ + dc_; }

    const std::string& Name() const noexcept { return name_; }
    void setName(std::string value);
    const std::string& hc() const noexcept { return hc_; }
    void setHc(std::string value);
    const std::string& dc() const noexcept { return dc_; }
    void setDc(std::string value);
    int32_t misc() const noexcept { return misc_; }
    void setMisc(int32_t value);
    const std::string& interfaceName() const noexcept { return interface_; }
    void setInterfaceName(std::string value);
    const std::string& iomisc() const noexcept { return iomisc_; }
    void setIomisc(std::string value);
    const std::string& Location() const noexcept { return location_; }
    void setLocation(std::string value);
    const std::string& location2() const noexcept { return location2_; }
    void setLocation2(std::string value);
    const std::string& dev_type_string() const noexcept { return devTypeString_; }
    void setDevTypeString(std::string value);
    int32_t iotype() const noexcept { return iotype_; }
    void setIotype(int32_t value);
    // The value names (entries joined by Chr(1), each name Chr(2) value) and the web buttons.
    const std::string& Values() const noexcept { return values_; }
    void setValues(std::string value);
    const std::string& buttons() const noexcept { return buttons_; }
    void setButtons(std::string value);

    // The host's hook; none by default. The host also drops it when the device is deleted.
    void setWriteObserver(WriteObserver observer) { observer_ = std::move(observer); }
    // The reference changes when an older host renumbers its devices after a deletion.
    void setRef(int32_t ref) noexcept { ref_ = ref; }

private:
    void written(std::string_view property, const std::string& value);

    int32_t ref_;
    std::string name_;
    std::string hc_;
    std::string dc_;
    int32_t misc_ = 0;
    std::string interface_;
    std::string iomisc_;
    std::string location_;
    std::string location2_;
    std::string devTypeString_;
    int32_t iotype_ = 0;
    std::string values_;
    std::string buttons_;
    WriteObserver observer_;
};

}  // namespace homeseer
