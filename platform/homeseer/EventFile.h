#pragma once
// The host keeps its events across runs in one file (the host program's
// "Config/zephra-host-events.ini"): section "Events" lists them by number in creation order,
// section "Event " & number holds an event's properties. Texts are escaped as in the devices'
// file, so that any event text reads back byte for byte.

#include <filesystem>
#include <string>
#include <vector>

#include "homeseer/EventStore.h"

namespace homeseer {

// The file's text for every event of the store; the same events give the same text.
std::string EventsText(const EventStore& store);

// Writes every event of the store (the file replaced whole; raises 75 on failure).
void SaveEvents(const EventStore& store, const std::filesystem::path& file);

// Adds the events of the file to the store, in their order; a missing file adds none. Answers
// one note per event that could not be read back (which is skipped).
std::vector<std::string> LoadEvents(EventStore& store, const std::filesystem::path& file);

}  // namespace homeseer
