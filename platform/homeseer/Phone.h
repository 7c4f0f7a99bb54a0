#pragma once
// The host's phone component ("hsPhone.Application", or GetHSPRef on newer hosts): the
// caller ID of the last call on each phone line and the address book, read from the
// contacts file (Contacts.h). Its type name is "Application".
//
// A call arrives through IncomingCall (from a host script: the phone line, the number and
// the name as the line reported them); the host then runs the events set for that line.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/Class.h"
#include "homeseer/Contacts.h"

namespace homeseer {

// One address-book entry as ADRGet hands it out.
class PhoneContact : public automation::Dispatch<PhoneContact> {
public:
    static constexpr std::string_view className = "AddressEntry";
    static void describe(automation::Members<PhoneContact>& m);

    explicit PhoneContact(Contact contact) : contact_(std::move(contact)) {}

    std::string First() const { return contact_.First; }
    std::string last() const { return contact_.last; }
    std::string home_phone() const { return contact_.home_phone; }
    std::string cell_phone() const { return contact_.cell_phone; }
    std::string business_phone() const { return contact_.business_phone; }
    std::string announce_local_wav() const { return contact_.announce_local_wav; }

private:
    Contact contact_;
};

class Phone : public automation::Dispatch<Phone> {
public:
    static constexpr std::string_view className = "Application";
    static void describe(automation::Members<Phone>& m);

    // Phone lines are numbered 1 to kMaxLines.
    static constexpr int32_t kMaxLines = 32;

    // `callArrived` is told the line of every incoming call.
    Phone(std::vector<Contact> contacts, std::function<void(int32_t line)> callArrived);

    // The number and the name of the last call on the line; "" before the first. A line
    // outside 1 to kMaxLines raises 5.
    std::string CIDNumber(int32_t line) const;
    std::string CIDName(int32_t line) const;
    // The number of address-book entries, as text.
    std::string ADRCount() const;
    // Entry `index` (from 1); 9 "Subscript out of range" outside.
    std::shared_ptr<PhoneContact> ADRGet(int32_t index) const;

    // A call on `line` from `number` with the caller's `name`.
    void IncomingCall(int32_t line, const std::string& number, const std::string& name);

private:
    struct LastCall {
        std::string number;
        std::string name;
    };
    static void checkLine(int32_t line);

    std::vector<Contact> contacts_;
    std::map<int32_t, LastCall> lastCalls_;
    std::function<void(int32_t)> callArrived_;
};

// Makes CreateObject("hsPhone.Application") hand out `phone` (as older hosts' scripts and
// plug-ins reach it) while it lives.
void RegisterPhoneClass(const std::shared_ptr<Phone>& phone);

}  // namespace homeseer
