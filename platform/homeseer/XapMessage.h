#pragma once
// A received xAP message as the host hands it to a plug-in (its ZephraOnXapMessage): the
// header's source, class and target, the body blocks' names (MsgSection, an array from 0) and
// lines (msgCollection(i), a collection of "key=value" texts), xAP class and target matching,
// and GetItem(block, key), which answers "Unknown" for a block or key that is missing.

#include <string>
#include <string_view>

#include "automation/Class.h"
#include "homeseer/XapWire.h"
#include "vb/Variant.h"

namespace homeseer {

class XapMessage : public automation::Dispatch<XapMessage> {
public:
    static constexpr std::string_view className = "XapMessageObject";
    static void describe(automation::Members<XapMessage>& m);

    explicit XapMessage(XapParsed parsed);

    std::string MsgSource() const { return source_; }
    std::string MsgClass() const { return class_; }
    std::string MsgTarget() const { return target_; }
    std::string MsgUID() const { return uid_; }
    vb::Variant MsgSection() const;
    vb::ObjectRef msgCollection(int32_t index) const;
    // True when the message's class matches `messageClass` ("*" and ">" on either side).
    bool CompareClass(const std::string& messageClass) const;
    // True when the message's target, wildcards and all, names `address`; a message without a
    // target is for every node.
    bool CompareTarget(const std::string& address) const;
    std::string GetItem(const std::string& block, const std::string& key) const;

    const XapParsed& parsed() const noexcept { return parsed_; }

private:
    XapParsed parsed_;
    std::string source_, class_, target_, uid_;
};

}  // namespace homeseer
