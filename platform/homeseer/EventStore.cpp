#include "homeseer/EventStore.h"

#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "windows/CaseFold.h"

namespace homeseer {

int32_t EventStore::add(const std::string& name) {
    if (events_.size() >= kMaxEvents) vb::raise(vb::errors::OutOfMemory);
    events_.push_back(std::make_shared<HostEvent>(name));
    ++generation_;
    return static_cast<int32_t>(events_.size());
}

std::shared_ptr<HostEvent> EventStore::byIndex(int32_t index) const {
    if (index < 1 || static_cast<std::size_t>(index) > events_.size()) return nullptr;
    return events_[static_cast<std::size_t>(index) - 1];
}

std::shared_ptr<HostEvent> EventStore::byName(std::string_view name) const {
    for (const auto& e : events_)
        if (windows::EqualsNoCase(e->Name(), name)) return e;
    return nullptr;
}

std::vector<std::shared_ptr<HostEvent>> EventStore::phoneEvents(int32_t line) const {
    std::vector<std::shared_ptr<HostEvent>> found;
    for (const auto& e : events_)
        if (e->phone_event() == kPhoneCallerIdEvent && e->phone_line() == line) found.push_back(e);
    return found;
}

ListEnumerator::Snapshot EventStore::snapshot() const {
    ListEnumerator::Snapshot s{generation_, {}};
    for (const auto& e : events_) s.items.push_back(e);
    return s;
}

}  // namespace homeseer
