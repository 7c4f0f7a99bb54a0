#pragma once
// Message boxes. Nothing is drawn: the current user (User.h) answers each box; the
// default user logs the box and answers its default button.

#include <string>

namespace forms {

// Buttons, icons and default button of a box (the language's constants), added together.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};

// The answers.
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

struct MessageBox {
    std::string Prompt;
    int Buttons = vbOKOnly;
    std::string Title;
};

// Shows a box and returns the button the user chose.
int MsgBox(const std::string& prompt, int buttons = vbOKOnly, const std::string& title = {});

// The answer of the box's default button (the first button unless the style names
// another one that the box has).
int DefaultAnswer(int buttons);

}  // namespace forms
