#pragma once
// The host interface's own module variables: the life-cycle flags of the plug-in class, the
// application path taken at registration, the plug-in object itself, the status page's
// display options of section "STATUS", the host's phone object, and the xAP filter and
// message-of-interest dictionaries that the start-up fills.

#include <cstdint>
#include <memory>
#include <string>

#include "vb/Dictionary.h"
#include "vb/Object.h"

namespace zephra {

struct HostInterfaceState {
    bool X10Initialized = false;
    bool IRInitialized = false;
    bool IOInitialized = false;  // InitIO has run its work; never cleared

    std::string AppPath;  // the host's application folder, as RegisterCallback took it
    // The plug-in object, for the modules that call its operations by name. Weak: the
    // object owns the state.
    std::weak_ptr<vb::Object> PluginObject;

    // Display options of the status web page.
    bool ShowControl = false;
    bool ShowSetup = false;
    int16_t ShowStatus = 0;
    bool ShowReceiveMessages = false;
    bool ShowReceiveDetail = false;

    // The host's phone component; made on first need (InitHSP).
    vb::ObjectRef HostPhone;

    // Section "Received": source "~" class → tag ";" event flag, keys without regard to case.
    std::shared_ptr<vb::Dictionary> FilterDictionary;
    // Section "Devices": tag → DeviceClass, keys without regard to case.
    std::shared_ptr<vb::Dictionary> DeviceDictionary;
};

}  // namespace zephra
