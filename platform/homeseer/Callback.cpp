#include "homeseer/Callback.h"

#include <algorithm>
#include <set>

#include "homeseer/HostBase.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Object.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"

namespace homeseer {

namespace {

constexpr const char* kXapSource = "xAP";
constexpr std::string_view kXapHostTypeName = "Setup";

// House codes for input/output plug-ins: the characters beside the letters, "[" first.
constexpr char kIOCodes[] = {'[', '\\', ']', '^', '_', '`', '{', '|', '}', '~'};

}  // namespace

void Callback::describe(automation::Members<Callback>& m) {
    m.method<&Callback::GetHSIface>("GetHSIface");
    m.method<&Callback::RegisterMenu>("RegisterMenu");
    m.method<&Callback::GetNextFreeIOCode>("GetNextFreeIOCode");
    m.method<&Callback::ValueChangeEvent>("ValueChangeEvent");
    m.method<&Callback::SendXapMessage>("SendXapMessage");
    m.method<&Callback::SetSilentDeviceCollection>("SetSilentDeviceCollection");
}

Callback::Callback(HostBase& host) : host_(host) {}

std::string_view Callback::typeName() const {
    return xapHostApplication_ ? kXapHostTypeName : automation::Dispatch<Callback>::typeName();
}

vb::ObjectRef Callback::GetHSIface() {
    host_.called("GetHSIface", {});
    vb::ObjectRef hs = host_.weak_from_this().lock();
    if (!hs) vb::raise(vb::errors::ObjectNotSet);
    return hs;
}

void Callback::RegisterMenu(const std::string& plugin, const std::string& caption) {
    host_.called("RegisterMenu", {plugin, caption});
    MenuEntry entry{plugin, caption};
    if (std::find(menus_.begin(), menus_.end(), entry) == menus_.end()) menus_.push_back(std::move(entry));
}

int32_t Callback::GetNextFreeIOCode() {
    host_.called("GetNextFreeIOCode", {});
    std::set<char> taken(handedOut_.begin(), handedOut_.end());
    for (const DeviceStore::Saved& d : host_.devices().all())
        if (!d.device->hc().empty()) taken.insert(d.device->hc()[0]);
    for (char c : kIOCodes) {
        if (taken.count(c)) continue;
        handedOut_.push_back(c);
        return static_cast<unsigned char>(c);
    }
    return 0;
}

void Callback::ValueChangeEvent(const std::string& code, int32_t value) {
    host_.called("ValueChangeEvent", {code, std::to_string(value)});
    if (DeviceStore::State* state = host_.devices().stateOf(code)) {
        state->value = value;
        state->lastChange = vb::Now();
    }
}

void Callback::SetSilentDeviceCollection(const vb::ObjectRef& codes) {
    host_.called("SetSilentDeviceCollection", {});
    std::vector<std::string> found;
    vb::Variant code;
    for (std::unique_ptr<vb::Enumerator> each = vb::enumerate(vb::Variant(codes)); each->next(code);)
        found.push_back(vb::CStr(code));
    silentDevices_ = std::move(found);
}

void Callback::SendXapMessage(const std::string& target, const std::string& messageClass, const std::string& section,
                              const std::string& body, const std::string& subAddress, const std::string& uid) {
    host_.called("SendXapMessage", {target, messageClass, section, body, subAddress, uid});
    if (xapSender_) return xapSender_(target, messageClass, section, body, subAddress, uid);
    host_.Writelog(kXapSource, "Send target=" + target + " class=" + messageClass + " section=" + section +
                                   " subaddress=" + subAddress + " uid=" + uid + " body=" + body);
}

}  // namespace homeseer
