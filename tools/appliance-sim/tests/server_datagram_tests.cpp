#include "ServerDatagram.h"

#include <gtest/gtest.h>

#include <random>

using namespace appliance_sim;

namespace {

// type, 7 zero bytes, each text followed by zero bytes up to 64 (none when it is longer).
std::vector<std::uint8_t> datagram(std::uint8_t type, const std::string& first, const std::string& second) {
    std::vector<std::uint8_t> bytes(8, 0);
    bytes[0] = type;
    for (const auto* text : {&first, &second}) {
        bytes.insert(bytes.end(), text->begin(), text->end());
        if (text->size() < 64) bytes.insert(bytes.end(), 64 - text->size(), 0);
    }
    return bytes;
}

}  // namespace

TEST(ServerDatagram, DecodesCallerIdAndCommandDatagramsOf136Bytes) {
    const auto cid = datagram(3, "JOHN", "(555) 123-4567");
    ASSERT_EQ(cid.size(), 136u);
    EXPECT_EQ(describe(decodeServerDatagram(cid)), "cid name=\"JOHN\" number=\"(555) 123-4567\"");

    const auto command = datagram(6, "TopLed", "on");
    EXPECT_EQ(describe(decodeServerDatagram(command)), "command name=\"TopLed\" argument=\"on\"");

    const auto full = datagram(6, std::string(64, 'a'), std::string(64, 'b'));
    ASSERT_EQ(full.size(), 136u);
    const auto decoded = decodeServerDatagram(full);
    EXPECT_EQ(decoded.field1, std::string(64, 'a'));
    EXPECT_EQ(decoded.field2, std::string(64, 'b'));
    EXPECT_FALSE(decoded.oversize);

    const auto odd = datagram(3, "Zo\xeb \"Q\"", "1\r2");
    EXPECT_EQ(describe(decodeServerDatagram(odd)), "cid name=\"Zo\\xeb \\\"Q\\\"\" number=\"1\\r2\"");
}

TEST(ServerDatagram, LongTextsPushTheLayoutOutAndAreStillTold) {
    const std::string longName(70, 'n');
    const auto longFirst = decodeServerDatagram(datagram(3, longName, "5551234"));
    EXPECT_TRUE(longFirst.oversize);
    EXPECT_EQ(longFirst.length, 142u);
    EXPECT_EQ(longFirst.field1, longName);
    EXPECT_EQ(longFirst.field2, "5551234");

    const std::string longArgument(100, 'x');
    const auto longSecond = decodeServerDatagram(datagram(6, "Execute", longArgument));
    EXPECT_EQ(longSecond.field1, "Execute");
    EXPECT_EQ(longSecond.field2, longArgument);
    EXPECT_EQ(describe(longSecond), "command name=\"Execute\" argument=\"" + longArgument + "\" length=172 oversize");
}

TEST(ServerDatagram, OddDatagramsAreToldNotTrusted) {
    EXPECT_EQ(describe(decodeServerDatagram({})), "malformed length=0");
    EXPECT_EQ(describe(decodeServerDatagram(std::vector<std::uint8_t>{3, 0, 0})), "malformed length=3 type=3");

    EXPECT_EQ(describe(decodeServerDatagram(datagram(9, "a", "b"))), "unknown type=9 field1=\"a\" field2=\"b\"");

    auto dirty = datagram(6, "Beep", "3");
    dirty[2] = 7;         // in the seven zero bytes
    dirty[8 + 10] = 'x';  // after the name's end
    const auto decoded = decodeServerDatagram(dirty);
    EXPECT_TRUE(decoded.badPadding);
    EXPECT_EQ(describe(decoded), "command name=\"Beep\" argument=\"3\" bad-padding");
}

TEST(ServerDatagram, AnyBytesDecodeToOneLine) {
    std::mt19937 random(4550);
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> bytes(random() % 300);
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random() % 4 == 0 ? 0 : random() % 256);
        const auto line = describe(decodeServerDatagram(bytes));
        EXPECT_EQ(line.find('\n'), std::string::npos);
        EXPECT_EQ(line.find('\r'), std::string::npos);
    }
}
