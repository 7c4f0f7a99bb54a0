#pragma once

#include <memory>
#include <set>
#include <string>

#include "callerid/Phonebook.h"

namespace zephra {

class EchoWindow;

// The caller-ID layer's own part of the plug-in state (PluginState::part).
struct CallerIdPart {
    // The modem echo window; the start-up loads it.
    std::shared_ptr<EchoWindow> echoWindow;
    // The phone book, rebuilt at every load of the settings.
    PhonebookIndex phonebookIndex;
    // The friends files already named in the log as missing: each is named once, not at every load.
    std::set<std::string> missingFriendsFiles;
};

}  // namespace zephra
