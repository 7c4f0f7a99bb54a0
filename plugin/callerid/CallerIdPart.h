#pragma once

#include <memory>
#include <set>
#include <string>

#include "callerid/Phonebook.h"
#include "forms/Timer.h"

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
    // The modem's line failed (why, for the log line when it is back); empty while it has not.
    std::string modemLost;
    // The modem's device was missing when the port was to be opened (a USB modem not plugged in
    // yet): it is looked for every minute as a lost one is, and its opening needs no "is back".
    bool modemMissing = false;
    // Opens the lost or missing modem's port again every minute until it is open; none until then.
    std::unique_ptr<forms::Timer> modemRetry;
};

}  // namespace zephra
