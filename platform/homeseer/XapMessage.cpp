#include "homeseer/XapMessage.h"

#include <memory>
#include <vector>

#include "vb/Array.h"
#include "vb/Collection.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "windows/CaseFold.h"

namespace homeseer {

namespace {

constexpr const char* kUnknown = "Unknown";

}  // namespace

void XapMessage::describe(automation::Members<XapMessage>& m) {
    m.get<&XapMessage::MsgSource>("MsgSource");
    m.get<&XapMessage::MsgClass>("MsgClass");
    m.get<&XapMessage::MsgTarget>("MsgTarget");
    m.get<&XapMessage::MsgUID>("MsgUID");
    m.get<&XapMessage::MsgSection>("MsgSection");
    m.get<&XapMessage::msgCollection>("msgCollection");
    m.method<&XapMessage::CompareClass>("CompareClass");
    m.method<&XapMessage::CompareTarget>("CompareTarget");
    m.method<&XapMessage::GetItem>("GetItem");
}

XapMessage::XapMessage(XapParsed parsed) : parsed_(std::move(parsed)) {
    source_ = parsed_.header.value("source").value_or("");
    class_ = parsed_.header.value("class").value_or("");
    target_ = parsed_.header.value("target").value_or("");
    uid_ = parsed_.header.value("uid").value_or("");
}

vb::Variant XapMessage::MsgSection() const {
    std::vector<vb::Variant> names;
    for (const XapBlock& block : parsed_.body) names.emplace_back(block.name);
    return vb::Variant(vb::Array::of(std::move(names)));
}

vb::ObjectRef XapMessage::msgCollection(int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= parsed_.body.size()) vb::raise(vb::errors::SubscriptOutOfRange);
    auto lines = std::make_shared<vb::Collection>();
    for (const std::string& line : parsed_.body[static_cast<std::size_t>(index)].lines) lines->Add(vb::Variant(line));
    return lines;
}

bool XapMessage::CompareClass(const std::string& messageClass) const {
    return XapAddressMatches(messageClass, class_) || XapAddressMatches(class_, messageClass);
}

bool XapMessage::CompareTarget(const std::string& address) const {
    return target_.empty() || XapAddressMatches(target_, address);
}

std::string XapMessage::GetItem(const std::string& block, const std::string& key) const {
    for (const XapBlock& b : parsed_.body)
        if (windows::EqualsNoCase(b.name, block)) {
            if (std::optional<std::string> value = b.value(key)) return *value;
        }
    return kUnknown;
}

}  // namespace homeseer
