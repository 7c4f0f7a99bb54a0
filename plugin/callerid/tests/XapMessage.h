#pragma once
// A received xAP message as the xAP host application hands it to the plug-in: source, class,
// target, blocks of "key=value" lines; classes compared without regard to case, targets with
// the message's "*" (one level) and ">" (the rest) wildcards; GetItem gives "Unknown" for a
// missing block or key.

#include <string>
#include <utility>
#include <vector>

#include "automation/Class.h"
#include "vb/Array.h"
#include "vb/Strings.h"

namespace zephra::testing {

class XapMessage : public automation::Dispatch<XapMessage> {
public:
    static constexpr std::string_view className = "xapMessage";
    static void describe(automation::Members<XapMessage>& m) {
        m.get<&XapMessage::MsgSource>("MsgSource");
        m.get<&XapMessage::MsgClass>("MsgClass");
        m.get<&XapMessage::MsgTarget>("MsgTarget");
        m.get<&XapMessage::MsgSection>("MsgSection");
        m.get<&XapMessage::msgCollection>("msgCollection");
        m.method<&XapMessage::CompareClass>("CompareClass");
        m.method<&XapMessage::CompareTarget>("CompareTarget");
        m.method<&XapMessage::GetItem>("GetItem");
    }

    using Block = std::pair<std::string, std::vector<std::string>>;

    XapMessage(std::string source, std::string messageClass, std::string target, std::vector<Block> blocks)
        : source_(std::move(source)),
          class_(std::move(messageClass)),
          target_(std::move(target)),
          blocks_(std::move(blocks)) {}

    std::string MsgSource() { return source_; }
    std::string MsgClass() { return class_; }
    std::string MsgTarget() { return target_; }
    vb::Array MsgSection() {
        std::vector<std::string> names;
        for (const Block& block : blocks_) names.push_back(block.first);
        return vb::toArray(names);
    }
    vb::Array msgCollection(int32_t i) { return vb::toArray(blocks_.at(static_cast<std::size_t>(i)).second); }
    bool CompareClass(const std::string& c) { return vb::LCase(c) == vb::LCase(class_); }
    bool CompareTarget(const std::string& address) {
        const std::vector<std::string> mine = vb::Split(vb::LCase(target_), ".");
        const std::vector<std::string> theirs = vb::Split(vb::LCase(address), ".");
        for (std::size_t k = 0; k < mine.size(); ++k) {
            if (mine[k] == ">") return true;
            if (k >= theirs.size() || (mine[k] != "*" && mine[k] != theirs[k])) return false;
        }
        return mine.size() == theirs.size();
    }
    std::string GetItem(const std::string& block, const std::string& key) {
        for (const Block& b : blocks_) {
            if (vb::LCase(b.first) != vb::LCase(block)) continue;
            for (const std::string& line : b.second) {
                const auto equals = line.find('=');
                if (equals != std::string::npos && vb::LCase(line.substr(0, equals)) == vb::LCase(key))
                    return line.substr(equals + 1);
            }
        }
        return "Unknown";
    }

private:
    std::string source_, class_, target_;
    std::vector<Block> blocks_;
};

}  // namespace zephra::testing
