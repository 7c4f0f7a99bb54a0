#pragma once
// CreateObject: objects made by class name (ProgID) from a registry of factories. Names
// match without regard to case. "Scripting.Dictionary" is registered from the start.

#include <functional>
#include <string_view>

#include "vb/Object.h"

namespace automation {

using Factory = std::function<vb::ObjectRef()>;

// Registers (or replaces) the factory of a class name.
void registerClass(std::string_view progId, Factory factory);
// Removes a class name; later CreateObject calls for it fail.
void unregisterClass(std::string_view progId);
bool isRegistered(std::string_view progId);

// A new object of the class; error 429 "ActiveX component can't create object" when the name
// is not registered or its factory makes nothing.
vb::ObjectRef CreateObject(std::string_view progId);

}  // namespace automation
