#include "automation/CallByName.h"

#include <vector>

#include "vb/Error.h"
#include "vb/ErrorNumbers.h"

namespace automation {

namespace {

vb::Variant callWith(const vb::Variant& object, std::string_view name, vb::CallKind kind,
                     std::initializer_list<vb::Variant> args, vb::Variant* value = nullptr) {
    std::vector<vb::Variant> list(args);
    if (value) list.push_back(std::move(*value));
    return callByName(object, name, kind, list);
}

}  // namespace

vb::Variant callByName(const vb::Variant& object, std::string_view name, vb::CallKind kind, vb::Args args) {
    if (!object.isObject()) vb::raise(vb::errors::ObjectRequired);
    if (!object.object()) vb::raise(vb::errors::ObjectNotSet);
    return object.object()->call(name, kind, args);
}

vb::Variant callByName(const vb::Variant& object, std::string_view name, std::initializer_list<vb::Variant> args) {
    return callWith(object, name, vb::Method | vb::PropertyGet, args);
}

vb::Variant getProperty(const vb::Variant& object, std::string_view name, std::initializer_list<vb::Variant> args) {
    return callWith(object, name, vb::PropertyGet, args);
}

void letProperty(const vb::Variant& object, std::string_view name, vb::Variant value,
                 std::initializer_list<vb::Variant> args) {
    callWith(object, name, vb::PropertyLet, args, &value);
}

void setProperty(const vb::Variant& object, std::string_view name, vb::Variant value,
                 std::initializer_list<vb::Variant> args) {
    callWith(object, name, vb::PropertySet, args, &value);
}

}  // namespace automation
