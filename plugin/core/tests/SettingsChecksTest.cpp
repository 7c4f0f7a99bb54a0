#include "core/SettingsChecks.h"

#include <gtest/gtest.h>

#include "core/SettingsTable.h"

namespace zephra::settings {
namespace {

// The words the setup window and the status page both put in a refusal, written out as the user reads them.
TEST(SettingsChecks, NameUnitsAndTheirFieldsAsARefusalTellsThem) {
    EXPECT_EQ(UnitShown(0, ""), "unit 1");
    EXPECT_EQ(UnitShown(8, "   "), "unit 9");
    EXPECT_EQ(UnitShown(1, "Kitchen"), "unit 2 (Kitchen)");
    EXPECT_EQ(UnitShown(1, "  Living Room "), "unit 2 (Living Room)");
    EXPECT_EQ(UnitFieldShown("Power", 1, "Kitchen"), "Power of unit 2 (Kitchen)");
    EXPECT_EQ(UnitFieldShown("Device Code", 0, " "), "Device Code of unit 1");

    // The unit's field on the page: named by the unit only when the name itself can be stored.
    const Family& units = Units();
    const FamilyField& power = units.fields[2];
    ASSERT_STREQ(power.control, "aPower");
    EXPECT_EQ(ShownName(units, power, 1, " Kitchen "), "Power of unit 2 (Kitchen)");
    EXPECT_EQ(ShownName(units, power, 1, "Kit=chen"), "Power of unit 2");
    EXPECT_EQ(ShownName(units, units.fields.front(), 3, "Kitchen"), "Location of unit 4");
    EXPECT_EQ(Refusal(units, power, 1, "A3,", "Kitchen"),
              "Nothing was saved: Power of unit 2 (Kitchen) cannot hold ','.");
}

TEST(SettingsChecks, TellACharacterOutsideTheCodePageInTheWordsOfThePageAndOfTheWindow) {
    EXPECT_EQ(OutsideCodePage(0x65E5), "U+65E5, a character outside the Windows-1252 code page");
    EXPECT_EQ(OutsideCodePage(0x1F600), "U+1F600, a character outside the Windows-1252 code page");
    EXPECT_EQ(NotInCodePage(0x65E5), "U+65E5 (the settings files keep Windows-1252 characters only)");
    EXPECT_EQ(NotInCodePage(0x3A9), "U+03A9 (the settings files keep Windows-1252 characters only)");
    // A posted reference (the page's) and a typed character (the window's), refused.
    EXPECT_EQ(Refusal(Units(), Units().fields.front(), 1, "Tokyo &#26085;"),
              "Nothing was saved: Location of unit 2 cannot hold U+65E5, a character outside the Windows-1252 code "
              "page.");
    EXPECT_EQ(Refused("Name Prefix", NotInCodePage(0x65E5)),
              "Nothing was saved: Name Prefix cannot hold U+65E5 (the settings files keep Windows-1252 characters "
              "only).");
}

}  // namespace
}  // namespace zephra::settings
