#include "forms/MsgBox.h"

#include <vector>

#include "forms/User.h"

namespace forms {

namespace {

// The answers of a box's buttons, left to right.
std::vector<int> buttonsOf(int buttons) {
    switch (buttons & 0xF) {
    case vbOKCancel: return {vbOK, vbCancel};
    case vbAbortRetryIgnore: return {vbAbort, vbRetry, vbIgnore};
    case vbYesNoCancel: return {vbYes, vbNo, vbCancel};
    case vbYesNo: return {vbYes, vbNo};
    case vbRetryCancel: return {vbRetry, vbCancel};
    default: return {vbOK};
    }
}

}  // namespace

std::vector<int> AnswersOf(int buttons) { return buttonsOf(buttons); }

int DefaultAnswer(int buttons) {
    auto answers = buttonsOf(buttons);
    std::size_t which = (buttons & 0xF00) / vbDefaultButton2;
    return which < answers.size() ? answers[which] : answers.front();
}

int MsgBox(const std::string& prompt, int buttons, const std::string& title) {
    return currentUser().answer(MessageBox{prompt, buttons, title});
}

}  // namespace forms
