// xAP on the wire: the plug-in's messages and the heartbeat framed byte for byte, received
// datagrams parsed into the message object the plug-in reads, and malformed ones refused.

#include <gtest/gtest.h>

#include <string>

#include "automation/CallByName.h"
#include "homeseer/XapMessage.h"
#include "homeseer/XapWire.h"
#include "vb/Array.h"
#include "vb/Collection.h"
#include "vb/Conversions.h"

namespace homeseer {
namespace {

const XapIdentity kNode{"dkv.zephra.den", "FF4C21"};

// The plug-in's body encoding: key Chr(1) value, pairs joined by Chr(0).
std::string pairs(std::initializer_list<std::pair<const char*, const char*>> list) {
    std::string body;
    for (const auto& [key, value] : list) body += (body.empty() ? "" : std::string(1, '\0')) + key + '\1' + value;
    return body;
}

TEST(XapWire, ThePluginsMessagesAreFramedByteForByte) {
    // Caller ID: broadcast, the plug-in's own UID part.
    EXPECT_EQ(FrameXapMessage(kNode, "", "CID.Incoming", "CID.Incoming",
                              pairs({{"Type", "Voice"},
                                     {"DateTime", "20261208193700"},
                                     {"Phone", "5551234"},
                                     {"RNNumber", "Available"},
                                     {"Name", "JOHN DOE"},
                                     {"RNName", "Available"}}),
                              "", "00"),
              "xap-header\n{\nv=12\nhop=1\nuid=FF4C2100\nclass=CID.Incoming\nsource=dkv.zephra.den\n}\n"
              "CID.Incoming\n{\nType=Voice\nDateTime=20261208193700\nPhone=5551234\nRNNumber=Available\n"
              "Name=JOHN DOE\nRNName=Available\n}\n");
    // A BSC event of a sub-device: the sub-address after ":" and its UID part.
    EXPECT_EQ(FrameXapMessage(kNode, "", "xapBSC.Event", "output.state",
                              pairs({{"State", "ON"}, {"DisplayText", "on"}, {"Level", "1/1"}}),
                              "kitchen_TopLED.zephra_________4.TopLED", "04"),
              "xap-header\n{\nv=12\nhop=1\nuid=FF4C2104\nclass=xapBSC.Event\n"
              "source=dkv.zephra.den:kitchen_TopLED.zephra_________4.TopLED\n}\n"
              "output.state\n{\nState=ON\nDisplayText=on\nLevel=1/1\n}\n");
    // Info answer with an empty value.
    EXPECT_EQ(FrameXapMessage(kNode, "", "xAPBSC.Info", "output.state",
                              pairs({{"State", "OFF"}, {"DisplayText", ""}, {"Level", "0/2"}}),
                              "hall_display.zephra________11.display", "0B"),
              "xap-header\n{\nv=12\nhop=1\nuid=FF4C210B\nclass=xAPBSC.Info\n"
              "source=dkv.zephra.den:hall_display.zephra________11.display\n}\n"
              "output.state\n{\nState=OFF\nDisplayText=\nLevel=0/2\n}\n");
    // Values answer: the blocks the plug-in appends pass through; a target when one is given.
    EXPECT_EQ(FrameXapMessage(kNode, "acme.panel.hall", "xAPBSC.Values", "values.1",
                              pairs({{"Text", "Off"}, {"Level", "0/1"}}) + "\n}\nvalues.2\n{\nText=On\nLevel=1/1",
                              "kitchen_topled.zephra_________4.topled", "04"),
              "xap-header\n{\nv=12\nhop=1\nuid=FF4C2104\nclass=xAPBSC.Values\n"
              "source=dkv.zephra.den:kitchen_topled.zephra_________4.topled\ntarget=acme.panel.hall\n}\n"
              "values.1\n{\nText=Off\nLevel=0/1\n}\nvalues.2\n{\nText=On\nLevel=1/1\n}\n");
    // The X10 request; a line end inside a value cannot start a line of its own; no UID part: 00.
    EXPECT_EQ(FrameXapMessage(kNode, "acme.x10.server", "xAP-x10.request", "xAP-x10.request",
                              pairs({{"device", "B4"}, {"command", "on\r\nevil=1"}}), "", ""),
              "xap-header\n{\nv=12\nhop=1\nuid=FF4C2100\nclass=xAP-x10.request\nsource=dkv.zephra.den\n"
              "target=acme.x10.server\n}\nxAP-x10.request\n{\ndevice=B4\ncommand=on  evil=1\n}\n");
    EXPECT_EQ(FrameXapMessage(kNode, "", "a.b", "blk", "", "", "00"),
              "xap-header\n{\nv=12\nhop=1\nuid=FF4C2100\nclass=a.b\nsource=dkv.zephra.den\n}\nblk\n{\n}\n");

    EXPECT_EQ(FrameXapHeartbeat(kNode, 60, 3639),
              "xap-hbeat\n{\nv=12\nhop=1\nuid=FF4C2100\nclass=xap-hbeat.alive\nsource=dkv.zephra.den\n"
              "interval=60\nport=3639\n}\n");
}

std::shared_ptr<XapMessage> parsed(const std::string& datagram) {
    XapParsing parsing = ParseXapDatagram(datagram);
    EXPECT_TRUE(parsing.message) << parsing.error;
    return parsing.message ? std::make_shared<XapMessage>(std::move(*parsing.message)) : nullptr;
}

TEST(XapWire, ReceivedDatagramsBecomeTheMessageObjectThePluginReads) {
    // CR LF line ends, blanks around lines, several blocks, wildcards in the target.
    auto message = parsed(
        "xap-header\r\n{\r\nv=12\r\nhop=1\r\nuid=FF123400\r\nclass=xAPBSC.cmd\r\nsource=acme.panel.hall\r\n"
        "target=dkv.zephra.*:kitchen_topled.>\r\n}\r\noutput.state.1\r\n{\r\n  ID=04\r\nState=on\r\n}\r\n"
        "\r\noutput.state.2\r\n{\r\nID=05\r\nLevel=50/100\r\nText=a=b\r\n}\r\n");
    ASSERT_TRUE(message);
    vb::Variant object(vb::ObjectRef{message});
    auto call = [&](const char* member, std::vector<vb::Variant> args = {}) {
        return automation::callByName(object, member, vb::Method | vb::PropertyGet, args);
    };
    EXPECT_EQ(vb::CStr(call("MsgSource")), "acme.panel.hall");
    EXPECT_EQ(vb::CStr(call("MsgClass")), "xAPBSC.cmd");
    EXPECT_EQ(vb::CStr(call("MsgTarget")), "dkv.zephra.*:kitchen_topled.>");
    const vb::Variant sections = call("MsgSection");
    ASSERT_TRUE(sections.isArray());
    EXPECT_EQ(sections.array().lbound(), 0);
    EXPECT_EQ(sections.array().ubound(), 1);
    EXPECT_EQ(vb::CStr(sections.array().at(1)), "output.state.2");
    const vb::Variant lines = call("msgCollection", {vb::Variant(int32_t{1})});
    auto collection = std::dynamic_pointer_cast<vb::Collection>(lines.object());
    ASSERT_TRUE(collection);
    ASSERT_EQ(collection->Count(), 3);
    EXPECT_EQ(vb::CStr(collection->Item(vb::Variant(int32_t{3}))), "Text=a=b");
    EXPECT_THROW(call("msgCollection", {vb::Variant(int32_t{2})}), std::exception);

    // GetItem: blocks and keys without regard to case, "Unknown" for what is missing.
    EXPECT_EQ(vb::CStr(call("GetItem", {"OUTPUT.STATE.1", "id"})), "04");
    EXPECT_EQ(vb::CStr(call("GetItem", {"output.state.2", "Text"})), "a=b");
    EXPECT_EQ(vb::CStr(call("GetItem", {"output.state.1", "Level"})), "Unknown");
    EXPECT_EQ(vb::CStr(call("GetItem", {"output.state", "ID"})), "Unknown");

    // Classes and targets match with "*" and ">" and without regard to case.
    EXPECT_TRUE(vb::CBool(call("CompareClass", {"xapbsc.CMD"})));
    EXPECT_TRUE(vb::CBool(call("CompareClass", {"xAPBSC.*"})));
    EXPECT_FALSE(vb::CBool(call("CompareClass", {"xAPBSC.query"})));
    EXPECT_TRUE(vb::CBool(call("CompareTarget", {"DKV.Zephra.den:kitchen_topled.zephra_________4.topled"})));
    EXPECT_FALSE(vb::CBool(call("CompareTarget", {"dkv.zephra.den:hall_topled.zephra________14.topled"})));
    EXPECT_FALSE(vb::CBool(call("CompareTarget", {"dkv.other.den:kitchen_topled.x"})));

    // LF line ends; a message without target is for everyone; a heartbeat parses too.
    auto display = parsed(
        "xap-header\n{\nv=12\nhop=1\nuid=FF000100\nclass=xAP-OSD.Display\nsource=a.b.c\n}\n"
        "Display.Text\n{\nLine1=Hello\n}\n");
    ASSERT_TRUE(display);
    EXPECT_TRUE(display->CompareTarget("dkv.dkvZephra.kitchen"));
    EXPECT_EQ(display->GetItem("display.text", "line1"), "Hello");
    EXPECT_FALSE(display->parsed().heartbeat());
    auto beat = parsed(
        "xap-hbeat\n{\nv=12\nhop=1\nuid=FF000100\nclass=xap-hbeat.alive\nsource=a.b.c\n"
        "interval=60\nport=3639\n}\n");
    ASSERT_TRUE(beat);
    EXPECT_TRUE(beat->parsed().heartbeat());
    EXPECT_TRUE(beat->parsed().body.empty());

    EXPECT_TRUE(XapAddressMatches("dkv.dkvZephra.*", "dkv.dkvzephra.KITCHEN"));
    EXPECT_TRUE(XapAddressMatches(">", "a.b.c:d.e"));
    EXPECT_TRUE(XapAddressMatches("a.b.c:>", "a.b.c"));
    EXPECT_TRUE(XapAddressMatches("a.*.c:d", "a.x.c:d"));
    EXPECT_FALSE(XapAddressMatches("a.*.c", "a.b.c.d"));
    EXPECT_FALSE(XapAddressMatches("a.b.c.d", "a.b.c"));
}

TEST(XapWire, MalformedDatagramsAreRefusedWithTheirReason) {
    const std::string header = "xap-header\n{\nv=12\nhop=1\nuid=FF000100\nclass=a.b\nsource=a.b.c\n}\n";
    auto error = [](const std::string& datagram) { return ParseXapDatagram(datagram).error; };
    EXPECT_EQ(error("block\n{\nk=v\n}\n"), "no xAP header");
    EXPECT_EQ(error(""), "empty");
    EXPECT_EQ(error("hello there"), "no \"{\" after the block name");
    EXPECT_EQ(error(header + "body\n{\nno pair here\n}\n"), "not a \"key=value\" line in line 11");
    EXPECT_EQ(error(header + "body\n{\n=v\n}\n"), "not a \"key=value\" line in line 11");
    EXPECT_EQ(error(header + "body\n{\nk=v\n"), "a block is not closed");
    EXPECT_EQ(error(header + "{\n"), "no block name in line 9");
    EXPECT_EQ(error("xap-header\n{\nv=12\nclass=a.b\n}\n"), "a header without class or source");
    EXPECT_EQ(error(header + "body\n{\nk=v\x01\n}\n"), "binary data");
    EXPECT_EQ(error(std::string("xap-header\0\n", 12)), "binary data");
    const std::string big = header + "body\n{\nk=" + std::string(1500, 'x') + "\n}\n";
    EXPECT_EQ(error(big), "longer than 1500 bytes (" + std::to_string(big.size()) + ")");
    EXPECT_TRUE(
        ParseXapDatagram(header + "body\n{\nk=" + std::string(1500 - header.size() - 12, 'x') + "\n}\n").message);
    // A hex value must be pairs of hex digits.
    const std::string notHex = "a \"key!hex\" value that is not pairs of hexadecimal digits in line 11";
    EXPECT_EQ(error(header + "body\n{\nkey!0A0\n}\n"), notHex);
    EXPECT_EQ(error(header + "body\n{\nkey!0G\n}\n"), notHex);
    EXPECT_EQ(error(header + "body\n{\nsay!4865=6C\n}\n"), notHex);  // the key ends at the "!"
    EXPECT_EQ(error(header + "body\n{\nsay!48 65\n}\n"), notHex);
    EXPECT_EQ(error(header + "body\n{\n!0A\n}\n"), "not a \"key=value\" line in line 11");
}

TEST(XapWire, HexValuesAreDecodedWhereverTheyAreRead) {
    const std::string header = "xap-header\n{\nv=12\nhop=1\nuid=FF000100\nclass=a.b\nsource=a.b.c\n}\n";
    const XapParsing parsing =
        ParseXapDatagram(header + "body\n{\nkey!0A0B\nText=a!b\nempty!\nLow!ff\nsay! 48656C6c6F \nsign!3D21\n}\n");
    ASSERT_TRUE(parsing.message) << parsing.error;
    const XapBlock& body = parsing.message->body.at(0);
    EXPECT_EQ(body.lines,
              (std::vector<std::string>{"key=\n\v", "Text=a!b", "empty=", "Low=\xff", "say=Hello", "sign==!"}));
    EXPECT_EQ(body.value("KEY"), "\n\v");
    EXPECT_EQ(body.value("text"), "a!b");
    EXPECT_EQ(body.value("empty"), "");
    EXPECT_EQ(body.value("low"), "\xff");
    EXPECT_EQ(body.value("say"), "Hello");
    EXPECT_EQ(body.value("sign"), "=!");
    EXPECT_FALSE(body.value("key!0A0B"));
    // In the header too.
    const XapParsing hexHeader = ParseXapDatagram("xap-header\n{\nv=12\nclass!7474732E737065616B\nsource=a.b.c\n}\n");
    ASSERT_TRUE(hexHeader.message) << hexHeader.error;
    EXPECT_EQ(hexHeader.message->header.value("class"), "tts.speak");
}

}  // namespace
}  // namespace homeseer
