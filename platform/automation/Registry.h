#pragma once
// CreateObject: objects made by class name (ProgID) from a registry of factories. Names
// match without regard to case. "Scripting.Dictionary" is registered from the start.

#include <functional>
#include <memory>
#include <string_view>

#include "vb/Object.h"

namespace automation {

using Factory = std::function<vb::ObjectRef()>;

// Registers (or replaces) the factory of a class name.
void registerClass(std::string_view progId, Factory factory);
// Registers a class whose objects are made with std::make_shared<T>().
template <class T>
void registerClass(std::string_view progId) {
    registerClass(progId, [] { return vb::ObjectRef(std::make_shared<T>()); });
}

// Removes a class name; later CreateObject calls for it fail.
void unregisterClass(std::string_view progId);
bool isRegistered(std::string_view progId);

// A new object of the class; error 429 "ActiveX component can't create object" when the name
// is not registered or its factory makes nothing.
vb::ObjectRef CreateObject(std::string_view progId);

}  // namespace automation
