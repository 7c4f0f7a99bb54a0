#include "forms/User.h"

#include <iostream>

#include "forms/Loop.h"
#include "forms/detail/FormWindow.h"
#include "forms/detail/LoopInternals.h"

namespace forms {

namespace {
User* installed = nullptr;
}  // namespace

int User::answer(const MessageBox& box) {
    if (std::optional<int> pressed = detail::AskOnScreen(box, AnswersOf(box.Buttons))) return *pressed;
    std::cerr << "MsgBox " << (box.Title.empty() ? std::string() : "[" + box.Title + "] ") << box.Prompt << std::endl;
    return DefaultAnswer(box.Buttons);
}

// On screen the user works the window: its events and the loop's run until it closes.
void User::workModal(Form& form) {
    if (!form.OnScreen()) return;
    auto closed = [&form] { return !form.Visible() || !form.OnScreen(); };
    if (Loop* loop = Loop::tryCurrent()) detail::runModal(*loop, closed);
}

User* setUser(User* user) {
    User* previous = installed;
    installed = user;
    return previous;
}

User& currentUser() {
    static User defaultUser;
    return installed ? *installed : defaultUser;
}

ScriptedUser::ScriptedUser() : previous_(setUser(this)) {}

ScriptedUser::~ScriptedUser() { setUser(previous_); }

void ScriptedUser::queueAnswer(int answer) { answers_.push_back(answer); }

void ScriptedUser::onModal(const std::string& caption, std::function<void(Form&)> action) {
    actions_[caption] = std::move(action);
}

int ScriptedUser::answer(const MessageBox& box) {
    boxes_.push_back(box);
    if (answers_.empty()) return DefaultAnswer(box.Buttons);
    int next = answers_.front();
    answers_.pop_front();
    return next;
}

void ScriptedUser::workModal(Form& form) {
    modalForms_.push_back(form.Caption);
    auto it = actions_.find(form.Caption);
    if (it != actions_.end() && it->second) {
        auto action = it->second;
        action(form);
    }
}

}  // namespace forms
