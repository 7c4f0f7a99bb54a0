#include "callerid/EchoWindow.h"

#include <memory>

#include "core/PluginState.h"

namespace zephra {

EchoWindow::EchoWindow(PluginState& state) : forms::Form(kCaption), state_(state) { (void)state_; }

namespace {

EchoWindow& window(PluginState& state) {
    if (!state.modem.echoWindow) state.modem.echoWindow = std::make_shared<EchoWindow>(state);
    return *state.modem.echoWindow;
}

}  // namespace

void LoadEchoWindow(PluginState& state) { window(state).Load(); }

void ShowEchoWindow(PluginState& state) { window(state).Show(forms::vbModal); }

}  // namespace zephra
