#pragma once
// How the host program loads a plug-in library (libreva_Zephra.so): the library exports one
// C entry, kPluginEntryName, of type PluginEntry; nothing else is exported. The host opens
// the library with dlopen, calls the entry once, and from then on calls the plug-in object
// late-bound by member name, as it would a COM plug-in class:
//
//   Name, Capabilities, AccessLevel      after creation, in this order
//   RegisterCallback(callback object)    the host's callback object (Callback.h)
//   InitIO(port)                         answers "" on success, else an error text
//   SetIO(dv, hc, dc, cmd, brightness, data1, data2)
//                                        a device value set through the host (cmd 19)
//   ButtonPress(name), TriggerAction(s), SelectMenu(caption), ConfigIO, ConfigX10,
//   ConfigIR, Version, ActionUIFormat(s), ...          at run time, any order
//   ShutdownIO                           once, when the host stops
//
// and any script operation by name (hs.Plugin("dkvZephra").ZephraSpeak "kitchen", "Hi").
// Everything runs on the host's thread, which drives the event loop (forms::Loop::current());
// the plug-in and the host share the platform layers' shared libraries, so they share that
// loop, the application folder and the registry of creatable classes.

#include <cstdint>
#include <functional>

#include "vb/Object.h"

namespace homeseer {

// What the entry hands back.
struct PluginInstance {
    // The plug-in object (the class `reva`), called late-bound.
    vb::ObjectRef object;
    // True while no appliance has a command queued or in progress; the host program asks it
    // to tell when a script's work is done (--exit-when-idle). Empty: always idle.
    std::function<bool()> idle;
};

// The version of this contract; the host passes it and a library built against another
// version answers false.
constexpr int32_t kPluginContractVersion = 1;

// The exported entry: fills `instance` and answers true, or answers false when the library
// cannot serve this contract version. It must not throw.
using PluginEntry = bool (*)(int32_t contractVersion, PluginInstance* instance);
constexpr const char* kPluginEntryName = "zephra_create_plugin";

// The plug-in library's file name, looked for beside the host program's library folder.
constexpr const char* kPluginLibraryName = "libreva_Zephra.so";

}  // namespace homeseer

// Declared here, exported even from a library built with hidden visibility, so that the
// library's definition is checked against the type:
//   bool zephra_create_plugin(int32_t version, homeseer::PluginInstance* instance) { ... }
extern "C" __attribute__((visibility("default"))) bool zephra_create_plugin(int32_t contractVersion,
                                                                            homeseer::PluginInstance* instance);
