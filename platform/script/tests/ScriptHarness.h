#pragma once
// For tests: the native assertion routines scripts call (AssertEqual, AssertTrue, Fail, Note),
// and a native object with a default member, ByRef parameters and a failing method.

#include <string>
#include <vector>

#include "automation/Class.h"
#include "vb/Object.h"

namespace script::testing {

class Assertions : public automation::Dispatch<Assertions> {
public:
    static constexpr std::string_view className = "Assertions";
    static void describe(automation::Members<Assertions>& m);

    // Equal when both the kind (TypeName) and the value match.
    void AssertEqual(const vb::Variant& actual, const vb::Variant& expected, const vb::Variant& message);
    void AssertTrue(const vb::Variant& condition, const vb::Variant& message);
    void Fail(const vb::Variant& message);
    void Note(const vb::Variant& text);

    std::vector<std::string> failures;
    std::vector<std::string> notes;
    int checks = 0;
};

class NativeThing : public automation::Dispatch<NativeThing> {
public:
    static constexpr std::string_view className = "NativeThing";
    static void describe(automation::Members<NativeThing>& m);

    vb::Variant Item(const vb::Variant& key) const;
    void setItem(const vb::Variant& key, vb::Variant value);
    void Twice(vb::Variant& value);
    int32_t Value() const { return value_; }
    void setValue(int32_t v) { value_ = v; }
    void Raise(int32_t number);
    vb::ObjectRef Child();
    int32_t Calls() const { return calls_; }

private:
    std::vector<std::pair<std::string, vb::Variant>> items_;
    int32_t value_ = 7;
    int32_t calls_ = 0;
};

}  // namespace script::testing
