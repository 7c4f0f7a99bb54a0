#pragma once
// The xAP dictionaries the start-up loads from the settings file: the filter of received
// messages (section "Received") and the messages of interest (sections "Devices" and
// "Device Messages"). The xAP receiver and the status page change their entries at run time.

namespace zephra {

class PluginState;

// Refills FilterDictionary from section "Received": each "key=value" line adds key → the
// text between its first and second "="; a key already present (in any case) is kept. A
// line without "=" is skipped with a log line. Failures are logged ("InitFilterDictionary").
void InitFilterDictionary(PluginState& state);

// Refills DeviceDictionary from section "Devices": each "tag=date;item;item..." line adds
// tag → a DeviceClass whose LastChange is the date (1 January 2000 when the field is no
// date) and whose MessageList holds, for each item, the value of section "Device Messages"
// under key lower-case tag "." item. A line without "=" is skipped with a log line.
// Failures are logged ("InitDeviceDictionary").
void InitDeviceDictionary(PluginState& state);

}  // namespace zephra
