#include "homeseer/DeviceStore.h"

#include <algorithm>

#include "vb/DateTime.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "windows/CaseFold.h"

namespace homeseer {

DeviceStore::~DeviceStore() {
    for (Entry& e : entries_) e.device->setWriteObserver(nullptr);
}

void DeviceStore::setReportIndices(bool indices) {
    reportIndices_ = indices;
    renumber();
}

void DeviceStore::setWriteObserver(Device::WriteObserver observer) {
    observer_ = std::move(observer);
    for (Entry& e : entries_) e.device->setWriteObserver(observer_);
}

std::shared_ptr<Device> DeviceStore::add(const std::string& name, const std::string& code) {
    if (entries_.size() >= kMaxDevices) vb::raise(vb::errors::OutOfMemory);
    int32_t permanent = nextReference_++;
    auto device = std::make_shared<Device>(permanent, name);
    if (!code.empty()) {
        device->setHc(code.substr(0, 1));
        device->setDc(code.substr(1));
    }
    device->setWriteObserver(observer_);
    // Made is its first change: a device never changed since shows when it came to be.
    State state;
    state.lastChange = vb::Now();
    entries_.push_back({device, permanent, std::move(state)});
    ++generation_;
    renumber();
    return device;
}

bool DeviceStore::restore(Saved saved) {
    int32_t permanent = saved.reference;
    if (permanent <= 0 || !saved.device || entries_.size() >= kMaxDevices) return false;
    for (const Entry& e : entries_)
        if (e.permanent == permanent) return false;
    saved.device->setWriteObserver(observer_);
    entries_.push_back({std::move(saved.device), permanent, std::move(saved.state)});
    nextReference_ = std::max(nextReference_, permanent + 1);
    ++generation_;
    renumber();
    return true;
}

std::shared_ptr<Device> DeviceStore::byIndex(int32_t index) const {
    if (index < 1 || static_cast<std::size_t>(index) > entries_.size()) return nullptr;
    return entries_[static_cast<std::size_t>(index) - 1].device;
}

std::shared_ptr<Device> DeviceStore::byReference(int32_t reference) const {
    if (reportIndices_) return byIndex(reference);
    for (const Entry& e : entries_)
        if (e.permanent == reference) return e.device;
    return nullptr;
}

std::shared_ptr<Device> DeviceStore::byCode(std::string_view code) const {
    for (const Entry& e : entries_)
        if (!code.empty() && windows::EqualsNoCase(e.device->code(), code)) return e.device;
    return nullptr;
}

bool DeviceStore::remove(int32_t reference) {
    std::shared_ptr<Device> device = byReference(reference);
    if (!device) return false;
    device->setWriteObserver(nullptr);
    std::erase_if(entries_, [&](const Entry& e) { return e.device == device; });
    ++generation_;
    renumber();
    return true;
}

DeviceStore::Entry* DeviceStore::entryOf(std::string_view code) {
    for (Entry& e : entries_)
        if (!code.empty() && windows::EqualsNoCase(e.device->code(), code)) return &e;
    return nullptr;
}

DeviceStore::State* DeviceStore::stateOf(std::string_view code) {
    Entry* e = entryOf(code);
    return e ? &e->state : nullptr;
}

ListEnumerator::Snapshot DeviceStore::snapshot() const {
    ListEnumerator::Snapshot s{generation_, {}};
    s.items.reserve(entries_.size());
    for (const Entry& e : entries_) s.items.push_back(e.device);
    return s;
}

std::vector<DeviceStore::Saved> DeviceStore::all() const {
    std::vector<Saved> out;
    out.reserve(entries_.size());
    for (const Entry& e : entries_) out.push_back({e.permanent, e.device, e.state});
    return out;
}

void DeviceStore::renumber() {
    for (std::size_t i = 0; i < entries_.size(); ++i)
        entries_[i].device->setRef(reportIndices_ ? static_cast<int32_t>(i + 1) : entries_[i].permanent);
}

}  // namespace homeseer
