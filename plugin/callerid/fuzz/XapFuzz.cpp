// libFuzzer target: the plug-in's handling of a received xAP message's body. The input is a
// message in xAP's text form: blocks, each a name line, "{", "key=value" lines and "}"; the
// header block ("xap-header") gives the source, class and target. The message object the plug-in
// receives holds those blocks as the xAP host hands them over.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "FuzzBed.h"
#include "callerid/XapReceive.h"
#include "callerid/tests/XapMessage.h"
#include "vb/Strings.h"

namespace {

using Block = zephra::testing::XapMessage::Block;

struct Parsed {
    std::string source, messageClass, target;
    std::vector<Block> blocks;
};

std::string HeaderItem(const Block& header, const std::string& key) {
    for (const std::string& line : header.second) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos && vb::LCase(vb::Trim(line.substr(0, equals))) == key)
            return line.substr(equals + 1);
    }
    return {};
}

Parsed Parse(const std::string& text) {
    Parsed message;
    std::optional<Block> open;
    std::string name;
    for (const std::string& raw : vb::Split(text, "\n")) {
        const std::string line = vb::Trim(vb::Replace(raw, "\r", ""));
        if (line == "{") {
            open = Block{name, {}};
        } else if (line == "}" && open) {
            message.blocks.push_back(std::move(*open));
            open.reset();
        } else if (open) {
            open->second.push_back(line);
        } else {
            name = line;
        }
    }
    if (open) message.blocks.push_back(std::move(*open));
    if (!message.blocks.empty() && vb::LCase(message.blocks.front().first) == "xap-header") {
        const Block header = message.blocks.front();
        message.source = HeaderItem(header, "source");
        message.messageClass = HeaderItem(header, "class");
        message.target = HeaderItem(header, "target");
        message.blocks.erase(message.blocks.begin());
    }
    return message;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zephra;
    testing::PluginTestBed& bed = fuzz::Bed();
    fuzz::StartAfresh(bed);
    Parsed message = Parse(std::string(reinterpret_cast<const char*>(data), size));
    OnXapMessage(bed.state, std::make_shared<testing::XapMessage>(message.source, message.messageClass, message.target,
                                                                  std::move(message.blocks)));
    return 0;
}
