#pragma once
// The host's events, in creation order: found by index (from 1) and by name (any letter
// case), and walked by an enumerator.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "homeseer/HostEvent.h"
#include "homeseer/ListEnumerator.h"

namespace homeseer {

class EventStore {
public:
    // The most events the host keeps; a new one beyond raises 7 "Out of memory".
    static constexpr std::size_t kMaxEvents = 10000;

    // A new event; answers its index.
    int32_t add(const std::string& name);
    std::size_t count() const noexcept { return events_.size(); }
    std::shared_ptr<HostEvent> byIndex(int32_t index) const;
    std::shared_ptr<HostEvent> byName(std::string_view name) const;
    // The events that run for a caller ID on that phone line, in order.
    std::vector<std::shared_ptr<HostEvent>> phoneEvents(int32_t line) const;
    ListEnumerator::Snapshot snapshot() const;

private:
    std::vector<std::shared_ptr<HostEvent>> events_;
    uint64_t generation_ = 0;
};

}  // namespace homeseer
