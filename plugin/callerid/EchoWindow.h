#pragma once
// The modem echo window: the modem's traffic and a box to type text for the modem. Its
// controls come with the modem input; until then it is an empty window that can be loaded
// and shown.

#include "forms/Form.h"

namespace zephra {

class PluginState;

class EchoWindow : public forms::Form {
public:
    static constexpr const char* kCaption = "Modem Echo Window";
    explicit EchoWindow(PluginState& state);

private:
    PluginState& state_;
};

// Loads the window once (made on first use).
void LoadEchoWindow(PluginState& state);
// Shows the window modally; the call returns when it closes.
void ShowEchoWindow(PluginState& state);

}  // namespace zephra
