#pragma once
// One xAP message of interest (an entry of section "Devices"): when its last message came,
// and the values of that message under their lower-case keys, with the keys in order. The
// xAP receiver fills it and the status page shows it; scripts reach its fields by name.

#include <cstdint>
#include <memory>
#include <string>

#include "automation/Class.h"
#include "vb/Collection.h"
#include "vb/Date.h"
#include "vb/Variant.h"

namespace zephra {

class DeviceClass : public automation::Dispatch<DeviceClass> {
public:
    static constexpr std::string_view className = "DeviceClass";
    static void describe(automation::Members<DeviceClass>& m);

    int32_t Sequence = 0;
    std::string Tag;
    vb::Variant value;
    std::string Link;
    vb::Date LastChange;
    // Values by key ("tag.item", lower case) and the keys in order.
    std::shared_ptr<vb::Collection> MessageList = std::make_shared<vb::Collection>();
    std::shared_ptr<vb::Collection> MessageKeyList = std::make_shared<vb::Collection>();
};

}  // namespace zephra
