#include "homeseer/Device.h"

#include "vb/Conversions.h"

namespace homeseer {

void Device::describe(automation::Members<Device>& m) {
    m.property<&Device::Name, &Device::setName>("Name");
    m.get<&Device::ref>("ref");
    m.property<&Device::hc, &Device::setHc>("hc");
    m.property<&Device::dc, &Device::setDc>("dc");
    m.property<&Device::misc, &Device::setMisc>("misc");
    m.property<&Device::interfaceName, &Device::setInterfaceName>("interface");
    m.property<&Device::iomisc, &Device::setIomisc>("iomisc");
    m.property<&Device::Location, &Device::setLocation>("Location");
    m.property<&Device::location2, &Device::setLocation2>("location2");
    m.property<&Device::dev_type_string, &Device::setDevTypeString>("dev_type_string");
    m.property<&Device::iotype, &Device::setIotype>("iotype");
    m.property<&Device::Values, &Device::setValues>("Values");
    m.property<&Device::buttons, &Device::setButtons>("buttons");
}

Device::Device(int32_t ref, std::string name) : ref_(ref), name_(std::move(name)) {}

void Device::written(std::string_view property, const std::string& value) {
    if (observer_) observer_(*this, property, value);
}

void Device::setName(std::string value) {
    name_ = std::move(value);
    written("Name", name_);
}

void Device::setHc(std::string value) {
    hc_ = std::move(value);
    written("hc", hc_);
}

void Device::setDc(std::string value) {
    dc_ = std::move(value);
    written("dc", dc_);
}

void Device::setMisc(int32_t value) {
    misc_ = value;
    written("misc", std::to_string(misc_));
}

void Device::setInterfaceName(std::string value) {
    interface_ = std::move(value);
    written("interface", interface_);
}

void Device::setIomisc(std::string value) {
    iomisc_ = std::move(value);
    written("iomisc", iomisc_);
}

void Device::setLocation(std::string value) {
    location_ = std::move(value);
    written("Location", location_);
}

void Device::setLocation2(std::string value) {
    location2_ = std::move(value);
    written("location2", location2_);
}

void Device::setDevTypeString(std::string value) {
    devTypeString_ = std::move(value);
    written("dev_type_string", devTypeString_);
}

void Device::setIotype(int32_t value) {
    iotype_ = value;
    written("iotype", std::to_string(iotype_));
}

void Device::setValues(std::string value) {
    values_ = std::move(value);
    written("Values", values_);
}

void Device::setButtons(std::string value) {
    buttons_ = std::move(value);
    written("buttons", buttons_);
}

}  // namespace homeseer
