#include "forms/Form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/MsgBox.h"
#include "forms/User.h"
#include "vb/Error.h"

using namespace forms;

TEST(MsgBox, AnswersTheDefaultButtonUnlessScripted) {
    EXPECT_EQ(DefaultAnswer(vbOKOnly), vbOK);
    EXPECT_EQ(DefaultAnswer(vbOKCancel | vbInformation), vbOK);
    EXPECT_EQ(DefaultAnswer(vbYesNo | vbDefaultButton2), vbNo);
    EXPECT_EQ(DefaultAnswer(vbYesNoCancel | vbDefaultButton3 | vbQuestion), vbCancel);
    EXPECT_EQ(DefaultAnswer(vbYesNo | vbDefaultButton3), vbYes);  // no third button: the first
    EXPECT_EQ(DefaultAnswer(vbAbortRetryIgnore | vbDefaultButton2), vbRetry);

    ScriptedUser user;
    user.queueAnswer(vbCancel);
    EXPECT_EQ(MsgBox("Images can be rescaled", vbOKCancel, "Zephra"), vbCancel);
    EXPECT_EQ(MsgBox("Unable to access HS interface"), vbOK);
    ASSERT_EQ(user.boxes().size(), 2u);
    EXPECT_EQ(user.boxes()[0].Prompt, "Images can be rescaled");
    EXPECT_EQ(user.boxes()[0].Buttons, vbOKCancel);
    EXPECT_EQ(user.boxes()[0].Title, "Zephra");
    EXPECT_EQ(user.boxes()[1].Prompt, "Unable to access HS interface");
}

namespace {

struct Dialog : Form {
    Dialog() : Form("Zephra Setup") {}
    std::vector<std::string> calls;
    std::string field;
    void Form_Load() override { calls.push_back("load"); }
    void Form_Unload() override { calls.push_back("unload"); }
};

}  // namespace

TEST(Form, ModalShowLoadsLetsTheUserActAndReturnsWhenClosed) {
    Dialog dialog;
    {
        ScriptedUser user;  // the user closes the window at once
        dialog.Show(vbModal);
        EXPECT_EQ(dialog.calls, (std::vector<std::string>{"load", "unload"}));
        EXPECT_FALSE(dialog.Loaded());
        EXPECT_EQ(user.modalForms(), (std::vector<std::string>{"Zephra Setup"}));
    }
    dialog.calls.clear();
    {
        ScriptedUser user;  // the user types and presses a button whose code hides the form
        user.onModal("Zephra Setup", [](Form& form) {
            auto& d = static_cast<Dialog&>(form);
            d.field = "typed";
            EXPECT_THROW(d.Show(vbModal), vb::Error);
            d.Hide();
        });
        dialog.Show(vbModal);
        EXPECT_EQ(dialog.calls, (std::vector<std::string>{"load"}));
        EXPECT_EQ(dialog.field, "typed");
        EXPECT_TRUE(dialog.Loaded());
        EXPECT_FALSE(dialog.Visible());
    }
    dialog.Show();  // modeless: shown, stays up
    EXPECT_TRUE(dialog.Visible());
    dialog.Unload();
    dialog.Load();
    EXPECT_EQ(dialog.calls, (std::vector<std::string>{"load", "unload", "load"}));
}
