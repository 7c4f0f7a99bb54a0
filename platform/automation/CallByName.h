#pragma once
// Calling a member of a late-bound object by name from C++ (where the plug-in calls the host
// object, the host's callback object or outside components): callByName(hs, "Writelog",
// {source, text}). The object is a Variant holding the reference (an ObjectRef converts).
// Names match without regard to case; errors are the object's own, 91 for Nothing, 424 for
// a value that is not an object, 438 for an unknown member.

#include <initializer_list>
#include <string_view>

#include "vb/Object.h"

namespace automation {

// Any kind of call; the arguments are passed by reference, so ByRef results can be read back.
vb::Variant callByName(const vb::Variant& object, std::string_view name, vb::CallKind kind, vb::Args args);

// A method call or property read with the given arguments, as `x = obj.Name(a, b)`.
vb::Variant callByName(const vb::Variant& object, std::string_view name, std::initializer_list<vb::Variant> args = {});

// Property read; property assignment (Let) and object assignment (Set), the value last.
vb::Variant getProperty(const vb::Variant& object, std::string_view name, std::initializer_list<vb::Variant> args = {});
void letProperty(const vb::Variant& object, std::string_view name, vb::Variant value,
                 std::initializer_list<vb::Variant> args = {});
void setProperty(const vb::Variant& object, std::string_view name, vb::Variant value,
                 std::initializer_list<vb::Variant> args = {});

}  // namespace automation
