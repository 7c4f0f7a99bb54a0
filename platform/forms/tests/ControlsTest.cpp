#include "forms/Controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vb/Error.h"

using namespace forms;

namespace {

struct Settings : Form {
    Settings() : Form("Settings") {}
    TextBox aPort{*this, "aPort", -1, "80"};
    Label lblver{*this, "lblver"};
    CheckBox aDebug{*this, "aDebug", -1, "Debug"};
    OptionGroup aServer{*this, "aServer", {"Internal", "External"}};
    ComboBox aVoice{*this, "aVoice"};
    Controls<TextBox> aName{*this, "aName", 3};
    Controls<CheckBox> Check1{*this, "Check1", {"Cancel", "Check"}};
    TabControl SSTab1{*this, "SSTab1", {"One", "Two"}};
    CommandButton OKButton{*this, "OKButton", -1, "Update"};
    int loads = 0;
    void Form_Load() override {
        ++loads;
        lblver.Caption("Version 1");
        aName(1).Text("loaded");
    }
};

int errorOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const vb::Error& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

TEST(Controls, FirstTouchLoadsTheFormAndUnloadRestoresTheDesign) {
    Settings form;
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(form.aPort.Text(), "80");  // reading a property loads the form
    EXPECT_TRUE(form.Loaded());
    EXPECT_EQ(form.loads, 1);
    EXPECT_EQ(form.lblver.Caption(), "Version 1");
    EXPECT_EQ(form.aName(1).Text(), "loaded");

    form.aPort.Text("8080");
    form.aPort.Enabled(false);
    form.aDebug.Value(2);
    form.aServer(1).Value(true);
    form.aVoice.AddItem("Mary");
    form.aVoice.ListIndex(0);
    form.SSTab1.Tab(1);
    form.Unload();
    EXPECT_FALSE(form.Loaded());

    form.aDebug.Value(1);  // setting a property loads it again, with the design values
    EXPECT_EQ(form.loads, 2);
    EXPECT_EQ(form.aPort.Text(), "80");
    EXPECT_TRUE(form.aPort.Enabled());
    EXPECT_FALSE(form.aServer(1).Value());
    EXPECT_EQ(form.aVoice.ListCount(), 0);
    EXPECT_EQ(form.SSTab1.Tab(), 0);
    EXPECT_EQ(form.aDebug.Value(), 1);

    EXPECT_EQ(form.FindControl("APORT"), &form.aPort);
    EXPECT_EQ(form.FindControl("aName", 2), &form.aName(2));
    EXPECT_EQ(form.FindControl("aName"), nullptr);
    EXPECT_EQ(form.Check1(1).Caption(), "Check");
}

TEST(Controls, PropertyValuesOutOfRangeRaiseAndOptionsExcludeEachOther) {
    Settings form;
    EXPECT_EQ(errorOf([&] { form.aDebug.Value(3); }), 380);
    EXPECT_EQ(errorOf([&] { form.aDebug.Value(-1); }), 380);
    EXPECT_EQ(errorOf([&] { form.aName(3); }), 340);
    EXPECT_EQ(errorOf([&] { form.Check1(-1); }), 340);
    EXPECT_EQ(errorOf([&] { form.aVoice.ListIndex(0); }), 380);  // an empty list has no entry 0
    EXPECT_EQ(errorOf([&] { form.SSTab1.Tab(2); }), 380);

    form.aServer(0).Value(true);
    form.aServer(1).Value(true);
    EXPECT_FALSE(form.aServer(0).Value());
    form.aServer(1).Value(false);  // clearing one selects no other
    EXPECT_FALSE(form.aServer(0).Value());
    int clicks = 0;
    form.aServer(0).onClick = [&] { ++clicks; };
    form.aServer(0).Click();
    EXPECT_TRUE(form.aServer(0).Value());
    EXPECT_EQ(clicks, 1);

    form.aVoice.AddItem("Mary");
    form.aVoice.AddItem("Mike");
    form.aVoice.Text("mike");  // typed: no entry is exactly that
    EXPECT_EQ(form.aVoice.ListIndex(), -1);
    EXPECT_EQ(form.aVoice.Text(), "mike");
    form.aVoice.Text("Mike");
    EXPECT_EQ(form.aVoice.ListIndex(), 1);
    form.aVoice.ListIndex(0);
    EXPECT_EQ(form.aVoice.Text(), "Mary");
    EXPECT_EQ(form.aVoice.List(5), "");

    bool pressed = false;
    form.OKButton.onClick = [&] { pressed = true; };
    form.Unload();
    form.OKButton.Click();  // a click on an unloaded form loads it first
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(form.Loaded());
}
