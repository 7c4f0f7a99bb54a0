#include "homeseer/Phone.h"

#include "automation/Registry.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"

namespace homeseer {

namespace {

constexpr const char* kPhoneClassName = "hsPhone.Application";

}  // namespace

void PhoneContact::describe(automation::Members<PhoneContact>& m) {
    m.get<&PhoneContact::First>("First");
    m.get<&PhoneContact::last>("last");
    m.get<&PhoneContact::home_phone>("home_phone");
    m.get<&PhoneContact::cell_phone>("cell_phone");
    m.get<&PhoneContact::business_phone>("business_phone");
    m.get<&PhoneContact::announce_local_wav>("announce_local_wav");
}

void Phone::describe(automation::Members<Phone>& m) {
    m.method<&Phone::CIDNumber>("CIDNumber");
    m.method<&Phone::CIDName>("CIDName");
    m.method<&Phone::ADRCount>("ADRCount");
    m.method<&Phone::ADRGet>("ADRGet");
    m.method<&Phone::IncomingCall>("IncomingCall");
}

Phone::Phone(std::vector<Contact> contacts, std::function<void(int32_t line)> callArrived)
    : contacts_(std::move(contacts)), callArrived_(std::move(callArrived)) {}

void Phone::checkLine(int32_t line) {
    if (line < 1 || line > kMaxLines) vb::raise(vb::errors::InvalidProcedureCall);
}

std::string Phone::CIDNumber(int32_t line) const {
    checkLine(line);
    auto it = lastCalls_.find(line);
    return it == lastCalls_.end() ? std::string() : it->second.number;
}

std::string Phone::CIDName(int32_t line) const {
    checkLine(line);
    auto it = lastCalls_.find(line);
    return it == lastCalls_.end() ? std::string() : it->second.name;
}

std::string Phone::ADRCount() const { return std::to_string(contacts_.size()); }

std::shared_ptr<PhoneContact> Phone::ADRGet(int32_t index) const {
    if (index < 1 || static_cast<std::size_t>(index) > contacts_.size()) vb::raise(vb::errors::SubscriptOutOfRange);
    return std::make_shared<PhoneContact>(contacts_[static_cast<std::size_t>(index) - 1]);
}

void Phone::IncomingCall(int32_t line, const std::string& number, const std::string& name) {
    checkLine(line);
    lastCalls_[line] = {number, name};
    if (callArrived_) callArrived_(line);
}

void RegisterPhoneClass(const std::shared_ptr<Phone>& phone) {
    std::weak_ptr<Phone> held = phone;
    automation::registerClass(kPhoneClassName, [held] { return vb::ObjectRef(held.lock()); });
}

}  // namespace homeseer
