#include "ScriptHarness.h"

#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/Operators.h"

namespace script::testing {

namespace {

std::string show(const vb::Variant& v) {
    if (v.isArray()) return "(array)";
    if (v.isObject()) return v.isNothing() ? "Nothing" : "(object)";
    if (v.isNull()) return "Null";
    if (v.isMissing()) return "(missing)";
    return vb::TypeName(v) + " " + vb::CStr(v);
}

std::string messageOf(const vb::Variant& m) { return m.isMissing() ? std::string() : vb::CStr(m); }

}  // namespace

void Assertions::describe(automation::Members<Assertions>& m) {
    m.method<&Assertions::AssertEqual>("AssertEqual", 2);
    m.method<&Assertions::AssertTrue>("AssertTrue", 1);
    m.method<&Assertions::Fail>("Fail", 0);
    m.method<&Assertions::Note>("Note");
}

// Numbers of any kind count as one kind: Err.Number and UBound answer Longs, literals are Integers.
std::string kindOf(const vb::Variant& v) {
    return v.isNumber() && v.kind() != vb::VarKind::Boolean ? "number" : vb::TypeName(v);
}

void Assertions::AssertEqual(const vb::Variant& actual, const vb::Variant& expected, const vb::Variant& message) {
    ++checks;
    bool same = kindOf(actual) == kindOf(expected);
    if (same && !actual.isArray() && !actual.isObject() && !actual.isNull())
        same = vb::compare(actual, expected) == vb::Comparison::Equal;
    if (same && actual.isObject()) same = vb::Is(actual, expected);
    if (!same) failures.push_back(messageOf(message) + ": got " + show(actual) + ", expected " + show(expected));
}

void Assertions::AssertTrue(const vb::Variant& condition, const vb::Variant& message) {
    ++checks;
    if (!(condition.kind() == vb::VarKind::Boolean && condition.boolean()))
        failures.push_back(messageOf(message) + ": not True (" + show(condition) + ")");
}

void Assertions::Fail(const vb::Variant& message) {
    ++checks;
    failures.push_back("Fail: " + messageOf(message));
}

void Assertions::Note(const vb::Variant& text) { notes.push_back(vb::CStr(text)); }

void NativeThing::describe(automation::Members<NativeThing>& m) {
    m.get<&NativeThing::Item>("Item");
    m.let<&NativeThing::setItem>("Item");
    m.method<&NativeThing::Twice>("Twice");
    m.property<&NativeThing::Value, &NativeThing::setValue>("Value");
    m.method<&NativeThing::Raise>("Raise");
    m.method<&NativeThing::Child>("Child");
    m.get<&NativeThing::Calls>("Calls");
    m.defaultMember("Item");
}

vb::Variant NativeThing::Item(const vb::Variant& key) const {
    std::string k = vb::CStr(key);
    for (auto& [name, value] : items_)
        if (name == k) return value;
    return {};
}

void NativeThing::setItem(const vb::Variant& key, vb::Variant value) {
    std::string k = vb::CStr(key);
    for (auto& [name, v] : items_)
        if (name == k) {
            v = std::move(value);
            return;
        }
    items_.emplace_back(k, std::move(value));
}

void NativeThing::Twice(vb::Variant& value) {
    ++calls_;
    value = vb::multiply(value, vb::Variant(int16_t{2}));
}

void NativeThing::Raise(int32_t number) {
    throw vb::Error(number, "Native failure " + std::to_string(number), "NativeThing");
}

vb::ObjectRef NativeThing::Child() { return std::make_shared<NativeThing>(); }

}  // namespace script::testing
