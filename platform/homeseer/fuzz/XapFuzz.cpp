// libFuzzer target: a received datagram through the xAP parser and the message object the
// plug-in reads, and the same bytes through the framing of an outgoing message.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "homeseer/XapMessage.h"
#include "homeseer/XapWire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    homeseer::XapParsing parsing = homeseer::ParseXapDatagram(text);
    if (parsing.message) {
        homeseer::XapMessage message(std::move(*parsing.message));
        const std::string probe = text.substr(0, 40);
        message.CompareClass(probe);
        message.CompareTarget(probe);
        message.MsgSection();
        for (const homeseer::XapBlock& block : message.parsed().body)
            for (const std::string& line : block.lines) message.GetItem(block.name, line.substr(0, line.find('=')));
    }
    const homeseer::XapIdentity node{"dkv.zephra.fuzz", "FF0001"};
    homeseer::FrameXapMessage(node, text.substr(0, 20), "a.b", "blk", text, text.substr(0, 10), "00");
    homeseer::XapAddressMatches(text.substr(0, size / 2), text.substr(size / 2));
    return 0;
}
