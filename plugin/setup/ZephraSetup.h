#pragma once
// The setup dialog: every setting shown and edited, saved into the settings file on OK,
// after which the plug-in reads its settings again. Its controls come with the setup
// dialog; until then it is an empty window that can be shown.

#include "forms/Form.h"

namespace zephra {

class PluginState;

class ZephraSetup : public forms::Form {
public:
    static constexpr const char* kCaption = "ZephraSetup";
    explicit ZephraSetup(PluginState& state);

private:
    PluginState& state_;
};

// Loads a new dialog and shows it modally, without an owner window; returns when it closes.
void ShowZephraSetup(PluginState& state);

}  // namespace zephra
