#pragma once
// A host event: a named script line the host runs when the event is triggered (by name, or
// by the phone component when a call arrives on the event's phone line). Its properties
// are read and written by name, as the plug-in sets them on the event it creates.
//
// `scripts` is one VBScript line run by the host's script engine; a leading "&" (run at
// once) is allowed and ignored.
// `phone_event` 4 with a `phone_line` makes the event run for each call on that line.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "automation/Class.h"
#include "vb/Variant.h"

namespace homeseer {

// The phone_event value of an event that runs when a caller ID arrives.
constexpr int32_t kPhoneCallerIdEvent = 4;

class HostEvent : public automation::Dispatch<HostEvent> {
public:
    static constexpr std::string_view className = "EventClass";
    static void describe(automation::Members<HostEvent>& m);

    explicit HostEvent(std::string name) : name_(std::move(name)) {}

    const std::string& Name() const noexcept { return name_; }
    void setName(std::string value) { name_ = std::move(value); }
    const std::string& scripts() const noexcept { return scripts_; }
    void setScripts(std::string value) { scripts_ = std::move(value); }
    const std::string& Group() const noexcept { return group_; }
    void setGroup(std::string value) { group_ = std::move(value); }
    int32_t ev_abs_time() const noexcept { return evAbsTime_; }
    void setEvAbsTime(int32_t value) noexcept { evAbsTime_ = value; }
    int32_t phone_line() const noexcept { return phoneLine_; }
    void setPhoneLine(int32_t value) noexcept { phoneLine_ = value; }
    int32_t phone_event() const noexcept { return phoneEvent_; }
    void setPhoneEvent(int32_t value) noexcept { phoneEvent_ = value; }
    int32_t misc() const noexcept { return misc_; }
    void setMisc(int32_t value) noexcept { misc_ = value; }

    // The type ("Integer", "Long", "String" ...) of the value last written to a property by
    // name, as the host keeps it; "" when none was. Numbers outside 32 bits raise 6.
    std::string WrittenType(std::string_view property) const;

private:
    // The late-bound writes, which keep the type of the value written.
    void letScripts(const vb::Variant& value);
    void letGroup(const vb::Variant& value);
    void letEvAbsTime(const vb::Variant& value);
    void letPhoneLine(const vb::Variant& value);
    void letPhoneEvent(const vb::Variant& value);
    void letMisc(const vb::Variant& value);
    void written(const char* property, const vb::Variant& value);

    std::map<std::string, std::string, std::less<>> writtenTypes_;
    std::string name_;
    std::string scripts_;
    std::string group_;
    int32_t evAbsTime_ = 0;
    int32_t phoneLine_ = 0;
    int32_t phoneEvent_ = 0;
    int32_t misc_ = 0;
};

}  // namespace homeseer
