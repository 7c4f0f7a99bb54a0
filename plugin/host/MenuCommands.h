#pragma once
// The plug-in's entries in the host's menu: registered at registration, chosen through the
// host's SelectMenu.

#include <string>

namespace zephra {

class PluginState;

// Registers the menu entries with the callback object under the plug-in's name, unless the
// setting "inMenu" is "0"; "Browser" first, and only under the xAP host application.
void RegisterMenus(PluginState& state);

// The work of a menu entry, by its exact caption; each appliance means every appliance of
// the table, in order. Unknown captions do nothing.
void SelectMenu(PluginState& state, const std::string& caption);

}  // namespace zephra
