#include "homeseer/HostEvent.h"

namespace homeseer {

void HostEvent::describe(automation::Members<HostEvent>& m) {
    m.property<&HostEvent::Name, &HostEvent::setName>("Name");
    m.property<&HostEvent::scripts, &HostEvent::setScripts>("scripts");
    m.property<&HostEvent::Group, &HostEvent::setGroup>("Group");
    m.property<&HostEvent::ev_abs_time, &HostEvent::setEvAbsTime>("ev_abs_time");
    m.property<&HostEvent::phone_line, &HostEvent::setPhoneLine>("phone_line");
    m.property<&HostEvent::phone_event, &HostEvent::setPhoneEvent>("phone_event");
    m.property<&HostEvent::misc, &HostEvent::setMisc>("misc");
}

}  // namespace homeseer
