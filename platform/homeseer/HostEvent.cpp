#include "homeseer/HostEvent.h"

#include "vb/Conversions.h"

namespace homeseer {

void HostEvent::describe(automation::Members<HostEvent>& m) {
    m.property<&HostEvent::Name, &HostEvent::setName>("Name");
    m.property<&HostEvent::scripts, &HostEvent::letScripts>("scripts");
    m.property<&HostEvent::Group, &HostEvent::letGroup>("Group");
    m.property<&HostEvent::ev_abs_time, &HostEvent::letEvAbsTime>("ev_abs_time");
    m.property<&HostEvent::phone_line, &HostEvent::letPhoneLine>("phone_line");
    m.property<&HostEvent::phone_event, &HostEvent::letPhoneEvent>("phone_event");
    m.property<&HostEvent::misc, &HostEvent::letMisc>("misc");
}

std::string HostEvent::WrittenType(std::string_view property) const {
    auto it = writtenTypes_.find(property);
    return it == writtenTypes_.end() ? std::string() : it->second;
}

void HostEvent::written(const char* property, const vb::Variant& value) {
    writtenTypes_[property] = vb::TypeName(value);
}

void HostEvent::letScripts(const vb::Variant& value) {
    scripts_ = vb::CStr(value);
    written("scripts", value);
}

void HostEvent::letGroup(const vb::Variant& value) {
    group_ = vb::CStr(value);
    written("Group", value);
}

void HostEvent::letEvAbsTime(const vb::Variant& value) {
    evAbsTime_ = vb::CLng(value);
    written("ev_abs_time", value);
}

void HostEvent::letPhoneLine(const vb::Variant& value) {
    phoneLine_ = vb::CLng(value);
    written("phone_line", value);
}

void HostEvent::letPhoneEvent(const vb::Variant& value) {
    phoneEvent_ = vb::CLng(value);
    written("phone_event", value);
}

void HostEvent::letMisc(const vb::Variant& value) {
    misc_ = vb::CLng(value);
    written("misc", value);
}

}  // namespace homeseer
