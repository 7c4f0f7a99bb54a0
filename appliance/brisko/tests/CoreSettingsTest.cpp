// The environment settings of the plug-in core: defaults for files and network streams, and how
// values out of range are clamped or replaced.
#include <gtest/gtest.h>

#include "BriskoSettings.h"
#include "CoreHost.h"

namespace brisko::test {
namespace {

using core::BriskoSettings;
using core::PrefillBytes;
using core::ReadBriskoSettings;

TEST(CoreSettings, DefaultsForFilesAndStreams)
{
    BriskoSettings file = ReadBriskoSettings(false), net = ReadBriskoSettings(true);
    EXPECT_FALSE(file.refillOnUnderflow);
    EXPECT_EQ(file.bufferSize, 50000u);
    EXPECT_EQ(file.bufferStartPercent, 30u);
    EXPECT_TRUE(net.refillOnUnderflow);
    EXPECT_EQ(net.bufferSize, 700000u);
    EXPECT_EQ(net.bufferStartPercent, 10u);
    EXPECT_EQ(file.freqLimit, 24000);
    EXPECT_EQ(file.maxBitrate, 0xFFFFFFFFu);
    EXPECT_EQ(file.convert + file.reduction + file.transformBit + file.transformChannel, 0);
    // The start fill before the first header: 12500 bytes for a file, 58333 for a stream.
    EXPECT_EQ(PrefillBytes(file.bufferSize, file.bufferStartPercent), 12500u);
    EXPECT_EQ(PrefillBytes(net.bufferSize, net.bufferStartPercent), 58333u);
    EXPECT_EQ(PrefillBytes(5000, 5), 300u);
}

TEST(CoreSettings, ValuesOutOfRange)
{
    {
        ScopedEnv env{{"BRISKOBUFFERSIZE", "1000"},    {"BRISKOBUFFERSTARTPERCENT", "0"}, {"BRISKOREDUCTIONCODE", "3"},
                      {"BRISKOMAXBITRATE", "-1"},      {"BRISKOFREQLIMIT", "48001"},      {"BRISKOCONVERTCODE", "4"},
                      {"BRISKOTRANSFORMBITCODE", "4"}, {"BRISKOREFILLONUNDERFLOW", "yes"}};
        BriskoSettings s = ReadBriskoSettings(true);
        EXPECT_EQ(s.bufferSize, 5000u);
        EXPECT_EQ(s.bufferStartPercent, 5u);
        EXPECT_EQ(s.reduction, 0);
        EXPECT_EQ(s.maxBitrate, 0xFFFFFFFFu);
        EXPECT_EQ(s.freqLimit, 24000);
        EXPECT_EQ(s.convert, 0);
        EXPECT_EQ(s.transformBit, 0);
        EXPECT_FALSE(s.refillOnUnderflow);
    }
    {
        // A negative size counts as very large; a conversion code of 4 and above is 0 (the output
        // stays 16-bit).
        ScopedEnv env{{"BRISKOBUFFERSIZE", "-5"},          {"BRISKOBUFFERSTARTPERCENT", "99"},
                      {"BRISKOREDUCTIONCODE", "2"},        {"BRISKOMAXBITRATE", "1500000"},
                      {"BRISKOFREQLIMIT", "48000"},        {"BRISKOCONVERTCODE", "9"},
                      {"BRISKOTRANSFORMCHANNELCODE", "3"}, {"BRISKOREFILLONUNDERFLOW", "on"}};
        BriskoSettings s = ReadBriskoSettings(false);
        EXPECT_EQ(s.bufferSize, 128000000u);
        EXPECT_EQ(s.bufferStartPercent, 95u);
        EXPECT_EQ(s.reduction, 2);
        EXPECT_EQ(s.maxBitrate, 1500000u);
        EXPECT_EQ(s.freqLimit, 48000);
        EXPECT_EQ(s.convert, 0);
        EXPECT_EQ(s.transformChannel, 3);
        EXPECT_TRUE(s.refillOnUnderflow);
    }
}

}  // namespace
}  // namespace brisko::test
