#pragma once
// The host's devices: device objects in creation order, each with the status text, status,
// value and last change the host keeps for its code. Devices are found by index (from 1),
// by reference and by code (any letter case).
//
// References: every device has a permanent reference (from 1001 on, never reused). How the
// host reports it depends on its generation: a newer host answers that reference; an older
// host answers the device's index, which moves down when a device before it is deleted.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "homeseer/Device.h"
#include "homeseer/Host.h"
#include "homeseer/ListEnumerator.h"
#include "vb/Date.h"

namespace homeseer {

class DeviceStore {
public:
    // What the host keeps for a device's code.
    struct State {
        std::string text;
        int32_t status = kStatusUnknown;
        int32_t value = 0;
        vb::Date lastChange{};
    };

    // The most devices the host keeps; NewDevice beyond raises 7 "Out of memory".
    static constexpr std::size_t kMaxDevices = 10000;
    static constexpr int32_t kFirstReference = 1001;

    DeviceStore() = default;
    ~DeviceStore();
    DeviceStore(const DeviceStore&) = delete;
    DeviceStore& operator=(const DeviceStore&) = delete;

    // Older hosts report indices as references (the default is a newer host).
    void setReportIndices(bool indices);
    bool reportsIndices() const noexcept { return reportIndices_; }
    // Every property write of every device, for recording and saving.
    void setWriteObserver(Device::WriteObserver observer);

    // A new device; its hc and dc are taken from `code` (a first character and the rest). Its
    // last change is the moment it was made (vb::Now).
    std::shared_ptr<Device> add(const std::string& name, const std::string& code);
    // A device as it was saved, with its permanent reference.
    struct Saved {
        int32_t reference = 0;
        std::shared_ptr<Device> device;
        State state;
    };
    // Adds a saved device; false when its reference is taken or not above 0.
    bool restore(Saved saved);

    std::size_t count() const noexcept { return entries_.size(); }
    std::shared_ptr<Device> byIndex(int32_t index) const;
    std::shared_ptr<Device> byReference(int32_t reference) const;  // as reported
    std::shared_ptr<Device> byCode(std::string_view code) const;
    // Removes the device that the reported reference names; false when there is none.
    bool remove(int32_t reference);

    // The kept state of the device with that code; nullptr when no device has it.
    State* stateOf(std::string_view code);

    ListEnumerator::Snapshot snapshot() const;
    // Every device in order, for saving.
    std::vector<Saved> all() const;

private:
    struct Entry {
        std::shared_ptr<Device> device;
        int32_t permanent;
        State state;
    };

    Entry* entryOf(std::string_view code);
    void renumber();

    std::vector<Entry> entries_;
    int32_t nextReference_ = kFirstReference;
    uint64_t generation_ = 0;
    bool reportIndices_ = false;
    Device::WriteObserver observer_;
};

}  // namespace homeseer
