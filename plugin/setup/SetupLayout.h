#pragma once
// The setup dialog's window: the GtkBuilder UI file setup/ZephraSetup.ui, built into the
// plug-in so that the dialog needs no file beside it.

namespace zephra {

extern const char* const kSetupLayout;

}  // namespace zephra
