// The settings table against the modules that walk it: each order a dialog pass follows is
// whole, each control it names exists in the dialog and in the window's layout with the
// table's caption, each place on the page is taken once, and a row without a member gets
// its control.

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <tuple>

#include "core/SettingsTable.h"
#include "homeseer/Host.h"
#include "setup/SetupLayout.h"
#include "setup/tests/SetupTestBed.h"

using namespace zephra;
using namespace zephra::testing;

namespace {

// The places 1 .. count of one pass, each taken by one row.
void ExpectWholeOrder(int settings::Dialog::*order) {
    std::set<int> places;
    int count = 0;
    for (const settings::Setting& row : settings::SettingsTable()) {
        if (!row.dialog.control) continue;
        ++count;
        EXPECT_GT(row.dialog.*order, 0) << row.key;
        EXPECT_TRUE(places.insert(row.dialog.*order).second) << row.key;
    }
    EXPECT_EQ(places.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(*places.rbegin(), count);
}

bool InLayout(const std::string& id) {
    return std::string(kSetupLayout).find("id=\"" + id + "\"") != std::string::npos;
}

}  // namespace

TEST(SettingsTable, TheLoadAndTheWriterEachTakeEveryControlOnce) {
    ExpectWholeOrder(&settings::Dialog::loadOrder);
    ExpectWholeOrder(&settings::Dialog::writeOrder);
    // The first and the last place of each pass.
    EXPECT_STREQ(settings::InOrder(&settings::Dialog::loadOrder).front()->key, "SorvexCommandPort");
    EXPECT_STREQ(settings::InOrder(&settings::Dialog::writeOrder).back()->key, "Sounds");
}

TEST(SettingsTable, EveryControlIsInTheDialogAndItsWindow) {
    SetupBed bed;
    ZephraSetup& d = bed.Dialog();
    for (const settings::Setting& row : settings::SettingsTable()) {
        if (!row.dialog.control) continue;
        const std::string name = row.dialog.control;
        switch (row.dialog.fill) {
        case settings::Fill::Text:
        case settings::Fill::NumericText:
            EXPECT_NE(dynamic_cast<forms::TextBox*>(d.FindControl(name)), nullptr) << name;
            EXPECT_TRUE(InLayout(name)) << name;
            break;
        case settings::Fill::LeadingNumber:
        case settings::Fill::WholeNumber: {
            auto* box = dynamic_cast<forms::CheckBox*>(d.FindControl(name));
            ASSERT_NE(box, nullptr) << name;
            ASSERT_NE(row.dialog.caption, nullptr) << name;
            EXPECT_EQ(box->Caption(), row.dialog.caption);
            EXPECT_TRUE(InLayout(name)) << name;
            break;
        }
        case settings::Fill::ServerOption:
        case settings::Fill::Sounds:
            EXPECT_NE(d.FindControl(name, 0), nullptr) << name;
            EXPECT_TRUE(InLayout(name + "_0")) << name;
            break;
        case settings::Fill::Voice:
            EXPECT_NE(dynamic_cast<forms::ComboBox*>(d.FindControl(name)), nullptr) << name;
            EXPECT_TRUE(InLayout(name)) << name;
            break;
        case settings::Fill::None: ADD_FAILURE() << name << " has no fill"; break;
        }
    }
}

TEST(SettingsTable, EachPlaceOnThePageAndEachFieldIsTakenOnce) {
    std::set<std::tuple<int, int, int, int>> places;
    std::set<std::string> fields;
    for (const settings::Setting& row : settings::SettingsTable()) {
        if (row.page.section == settings::PageSection::None) continue;
        ASSERT_NE(row.dialog.control, nullptr) << row.key;
        EXPECT_TRUE(
            places.insert({static_cast<int>(row.page.section), row.page.line, row.page.cell, row.page.part}).second)
            << row.key;
        EXPECT_TRUE(fields.insert(settings::PageField(row)).second) << row.key;
    }
    EXPECT_TRUE(fields.contains("HSIP"));
    EXPECT_TRUE(fields.contains("Check1"));
}

TEST(SettingsTable, EveryFamilyFieldHasAControlForEachIndexInTheWindow) {
    SetupBed bed;
    ZephraSetup& d = bed.Dialog();
    std::set<std::string> posted;
    for (const settings::Family& family : settings::Families()) {
        std::vector<const settings::FamilyField*> fields;
        if (family.keyField) fields.push_back(family.keyField);
        for (const settings::FamilyField& f : family.fields) fields.push_back(&f);
        for (const settings::FamilyField* f : fields) {
            for (int i = 0; i < family.count; ++i) {
                const std::string name = f->control;
                EXPECT_TRUE(posted.insert(settings::PostedName(*f, i)).second) << name << i;
                if (f->fill == settings::FieldFill::SlideGroup) {
                    EXPECT_NO_THROW(d.SlideGroupOptions(i)) << i;
                    EXPECT_TRUE(InLayout(settings::PostedName(*f, i) + "_0")) << name << i;
                    continue;
                }
                EXPECT_NE(d.FindControl(name, i), nullptr) << name << i;
                EXPECT_TRUE(InLayout(name + "_" + std::to_string(i))) << name << i;
            }
        }
    }
    // Each section of the page is marked by a field of its own that the page posts.
    std::set<std::string> marks;
    for (auto section : {settings::PageSection::Units, settings::PageSection::Definitions, settings::PageSection::Power,
                         settings::PageSection::Screen, settings::PageSection::SlideGroup, settings::PageSection::CID})
        EXPECT_TRUE(marks.insert(settings::SectionMark(section)).second);
    EXPECT_FALSE(marks.contains(""));
    EXPECT_TRUE(marks.contains("Location0"));
    EXPECT_TRUE(marks.contains("SlideASP0"));
}

TEST(SettingsTable, ARowWithoutAMemberGetsItsControl) {
    forms::Form form("rows");
    forms::TextBox kept(form, "aKept");
    const settings::Setting rows[] = {
        {settings::kMain, "Kept", {}, {"aKept", settings::Fill::Text, "", 1, 1}, {}},
        {settings::kMain, "NewText", {}, {"aNewText", settings::Fill::Text, "", 2, 2}, {}},
        {settings::kMain,
         "NewSwitch",
         {},
         {"aNewSwitch", settings::Fill::LeadingNumber, "0", 3, 3, false, nullptr, "On"},
         {}},
        {settings::kMain, "Unshown", {}, {}, {}},
    };
    const auto made = MakeSettingControls(form, rows);
    EXPECT_EQ(made.size(), 2u);
    EXPECT_EQ(form.FindControl("aKept"), &kept);
    EXPECT_NE(dynamic_cast<forms::TextBox*>(form.FindControl("aNewText")), nullptr);
    auto* box = dynamic_cast<forms::CheckBox*>(form.FindControl("aNewSwitch"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Caption(), "On");
}

TEST(SettingsTable, PartsOutsideTheWalkersReadAndSaveThroughTheirRows) {
    SetupBed bed(IniText({"[Zephra Utilities]", "inMenu=\"0\"", "RunAsXapNode=\"\"", "[T2W]", "T2WVoice=\"Anna\""}));
    bed.host->SetIniText("settings.ini", IniText({"[Settings]", "svrport=8080"}));
    homeseer::Host& hs = *bed.host;

    // Read as stored, or without its quotes as the settings reader takes it.
    EXPECT_EQ(settings::StoredText(hs, settings::MainSetting("inMenu")), "\"0\"");
    EXPECT_EQ(settings::ReadText(hs, settings::MainSetting("inMenu")), "0");
    // Quotes alone are a text: the plug-in is an xAP node's proxy.
    EXPECT_EQ(settings::StoredText(hs, settings::MainSetting("RunAsXapNode")), "\"\"");
    EXPECT_EQ(settings::ReadText(hs, settings::MainSetting("RunAsXapNode")), "");
    // A missing key gives the row's fallback, which for a row the reader skips is the reading part's.
    EXPECT_EQ(settings::ReadText(hs, settings::MainSetting("ScriptTimeout")), "60000");
    EXPECT_EQ(settings::ReadText(hs, settings::MainSetting("LastPowerCycleHour")), "-1");
    EXPECT_EQ(settings::ReadText(hs, settings::MainSetting("ServerPort")), "");
    SetupBed listed;
    EXPECT_EQ(settings::ReadText(*listed.host, settings::MainSetting("inMenu")), "1");
    EXPECT_STREQ(settings::MainSetting("inMenu").dialog.fallback, "0");
    // Each row's file and section.
    EXPECT_EQ(settings::ReadText(hs, *settings::FindSetting(settings::kVoice, "T2WVoice")), "Anna");
    EXPECT_EQ(settings::ReadText(hs, *settings::FindSetting(settings::kHostSection, "svrport")), "8080");

    settings::SaveText(hs, settings::MainSetting("HouseCode"), "81");
    EXPECT_EQ(bed.Saved(), std::vector<std::string>{"Zephra Utilities|HouseCode|81"});
    EXPECT_EQ(bed.Setting("Zephra Utilities", "HouseCode"), "81");

    // The keys the other parts name are rows with no control and no place on the page.
    for (const char* key : {"RunAsXapNode", "ScriptTimeout", "HouseCode", "LastPowerCycleHour"}) {
        const settings::Setting& row = settings::MainSetting(key);
        EXPECT_EQ(row.dialog.control, nullptr) << key;
        EXPECT_EQ(row.page.section, settings::PageSection::None) << key;
    }
    EXPECT_THROW(settings::MainSetting("NoSuchSetting"), std::logic_error);
}
