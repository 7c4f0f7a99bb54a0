#pragma once
// Message boxes. The current user (User.h) answers each box: the default user shows it as a
// modal dialog when there is a display, and without one logs it and answers its default button.

#include <string>
#include <vector>

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

// The answers of the box's buttons, left to right.
std::vector<int> AnswersOf(int buttons);

// The answer of the box's default button (the first button unless the style names
// another one that the box has).
int DefaultAnswer(int buttons);

}  // namespace forms
