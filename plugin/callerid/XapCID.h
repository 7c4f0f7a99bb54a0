#pragma once
// The xAP caller-ID message: every caller the plug-in learns of from its own sources is
// broadcast as one "CID.Incoming" message under the xAP host application.

#include <string>

namespace zephra {

class PluginState;

// Sends the "CID.Incoming" message for a caller: `rawName` as received ("Unknown" when the
// source gave none; the caller then counts as withheld), `name` the name to announce,
// `number` as received.
void XapCID(PluginState& state, const std::string& rawName, const std::string& name, const std::string& number);

}  // namespace zephra
