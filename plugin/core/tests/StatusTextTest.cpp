#include "core/StatusText.h"

#include <gtest/gtest.h>

#include "core/ActionTable.h"
#include "core/tests/PluginTestBed.h"
#include "windows/testing/ErrorNumber.h"

namespace zephra {
namespace {

using testing::PluginTestBed;

TEST(ActionTable, HoldsTheActionsInTheirFixedOrderWithStatusTextsAndIcons) {
    EXPECT_EQ(ActionTable[0], "Send to ZCID");
    EXPECT_EQ(ActionTable[7], "Power Cycle");
    EXPECT_EQ(ActionTable[17], "Hide Browser Nav Buttons");
    EXPECT_EQ(ActionTable[33], "Play Snap");
    EXPECT_EQ(ActionTable[46], "Set Master Volume to 100%%");
    EXPECT_EQ(StatusTextTable[6], "Always Awake");
    EXPECT_EQ(StatusTextTable[16], "Browser Nav Buttons Showing");
    EXPECT_EQ(StatusTextTable[41], "Sounds Volume at 100%");
    EXPECT_EQ(StatusTextTable[46], "Master Volume at 100%%");
    EXPECT_EQ(StatusImageTable[2], "noCID.gif");
    EXPECT_EQ(StatusImageTable[4], "Zephra-off.gif");
    EXPECT_EQ(StatusImageTable[36], "sound.gif");
    EXPECT_EQ(StatusImageTable[38], "level_3.gif");
    EXPECT_EQ(StatusImageTable[46], "level_10.gif");
    EXPECT_EQ(DeviceGroupTable[7], "Sounds Volume");
    EXPECT_EQ(DeviceGroupTable[9], "Reserved");
    for (int i = 18; i <= 36; ++i) EXPECT_EQ(ActionTable[i].substr(0, 5), "Play ") << i;
}

TEST(ActionTable, GroupsActionsByIndexRange) {
    const std::vector<std::pair<int, int16_t>> cases = {{-1, 9}, {0, 0},  {3, 0},  {4, 1},  {7, 1},  {8, 2},  {9, 2},
                                                        {10, 3}, {12, 3}, {13, 4}, {15, 4}, {16, 5}, {17, 5}, {18, 6},
                                                        {36, 6}, {37, 7}, {41, 7}, {42, 8}, {46, 8}, {47, 9}};
    for (auto [index, group] : cases) EXPECT_EQ(ActionGroup(index), group) << index;
    EXPECT_EQ(windows::testing::errorNumber([] { TableEntry(ActionTable, 47); }), 9);
}

TEST(StatusText, FormatValueWritesTheStatusHtmlWithItsStrayQuote) {
    PluginTestBed bed;
    bed.state.settings.FontColor = "white";
    EXPECT_EQ(FormatValue(bed.state, 5, "Awake"),
              "<table><td><img alt='Awake' src='/images/Zephra/Zephra-on.gif' '><img alt=' ' "
              "src='/images/Zephra/blank3.gif'></td><td valign='middle' align='left'><font "
              "color='white'>Awake</font></td></table>");
    bed.state.settings.FontColor = "red";
    EXPECT_EQ(FormatStatus(bed.state, 39),
              "<table><td><img alt='Sounds Volume' src='/images/Zephra/level_5.gif' '><img alt=' ' "
              "src='/images/Zephra/blank3.gif'></td><td valign='middle' align='left'><font "
              "color='red'>Sounds Volume at 50%</font></td></table>");
    EXPECT_EQ(FormatString(bed.state, "ON"),
              "<table><td><img alt='ON' src='/images/Zephra/ON.gif' '><img alt=' ' "
              "src='/images/Zephra/blank3.gif'></td><td valign='middle' align='left'><font "
              "color='red'>ON</font></td></table>");
    EXPECT_TRUE(bed.Log().empty());
}

TEST(StatusText, AnIndexOutsideTheTableIsLoggedOrRaised) {
    PluginTestBed bed;
    EXPECT_EQ(FormatValue(bed.state, 47, "x"), "");
    EXPECT_EQ(bed.Log(), (std::vector<std::string>{"dkvZephra|FormatValue:  Line 0 Subscript out of range"}));
    EXPECT_EQ(windows::testing::errorNumber([&] { FormatStatus(bed.state, -1); }), 9);
}

}  // namespace
}  // namespace zephra
