#pragma once
// For the appliance's xAP handlers: a received message whose GetItem(section, key) answers
// the item, or "Unknown" when the section or key is absent, as the host's message does.

#include <map>
#include <string>
#include <utility>

#include "automation/Class.h"

namespace zephra::testing {

class XapTestMessage : public automation::Dispatch<XapTestMessage> {
public:
    static constexpr std::string_view className = "xapMessage";
    static void describe(automation::Members<XapTestMessage>& m) { m.method<&XapTestMessage::GetItem>("GetItem"); }

    explicit XapTestMessage(std::map<std::pair<std::string, std::string>, std::string> items)
        : items_(std::move(items)) {}

    std::string GetItem(const std::string& section, const std::string& key) {
        auto found = items_.find({section, key});
        return found == items_.end() ? "Unknown" : found->second;
    }

private:
    std::map<std::pair<std::string, std::string>, std::string> items_;
};

}  // namespace zephra::testing
