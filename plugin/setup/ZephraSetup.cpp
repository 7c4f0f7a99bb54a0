#include "setup/ZephraSetup.h"

#include "core/PluginState.h"

namespace zephra {

ZephraSetup::ZephraSetup(PluginState& state) : forms::Form(kCaption), state_(state) { (void)state_; }

void ShowZephraSetup(PluginState& state) {
    ZephraSetup dialog(state);
    dialog.Show(forms::vbModal);
}

}  // namespace zephra
