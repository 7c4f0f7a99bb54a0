// The browser glue's record of one embedded object, and the plug-in's priority.
#pragma once

#include <atomic>

#include "browserplugin/BrowserPlugin.h"
#include "mediaapi/MvPlugin.h"

inline constexpr int kDefaultPriority = 10;
inline constexpr int kMinPriority = 1;
inline constexpr int kMaxPriority = 50;
inline constexpr unsigned kUrlBytes = 2048;

// One per instance; the instance's private pointer points to it.
struct InstanceRecord {
    char *fileName = nullptr;  // never set; released with free when it is
    NPP instance = nullptr;
    MvPluginCtrl *ctrl = nullptr;         // this instance's control record
    char url[kUrlBytes] = "";             // the stream's URL ("" when it did not fit)
    std::atomic<unsigned char> error{0};  // an error was shown: no more repeats, later bytes dropped
};

// BRISKOPLUGINPRIORITY read with atoi, 10 when unset, within 1..50.
int PluginPriority();
