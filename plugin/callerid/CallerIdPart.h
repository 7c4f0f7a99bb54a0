#pragma once

#include <memory>

#include "callerid/Phonebook.h"

namespace zephra {

class EchoWindow;

// The caller-ID layer's own part of the plug-in state (PluginState::part).
struct CallerIdPart {
    // The modem echo window; the start-up loads it.
    std::shared_ptr<EchoWindow> echoWindow;
    // The phone book, rebuilt at every load of the settings.
    PhonebookIndex phonebookIndex;
};

}  // namespace zephra
