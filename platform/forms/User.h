#pragma once
// Who answers message boxes and works forms shown modally. The default user shows each box as
// a modal dialog and answers what was pressed (without a display: logs the box to standard error
// and answers its default button); a modal form on screen it works until the
// window closes, one without a window it closes at once. Tests install a ScriptedUser.

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "forms/Form.h"
#include "forms/MsgBox.h"

namespace forms {

class User {
public:
    virtual ~User() = default;
    virtual int answer(const MessageBox& box);
    // Acts on a form shown modally; when this returns, a form still visible is closed.
    virtual void workModal(Form& form);
};

// Makes `user` the one that answers from now on (nullptr: the default user); returns the
// previous one (nullptr for the default).
User* setUser(User* user);
User& currentUser();

// A scripted user: answers queued in order (the default button once none is left),
// actions for forms by caption, and a record of every box and modal form.
class ScriptedUser : public User {
public:
    ScriptedUser();            // becomes the current user
    ~ScriptedUser() override;  // restores the previous one

    void queueAnswer(int answer);
    void onModal(const std::string& caption, std::function<void(Form&)> action);

    const std::vector<MessageBox>& boxes() const noexcept { return boxes_; }
    const std::vector<std::string>& modalForms() const noexcept { return modalForms_; }

    int answer(const MessageBox& box) override;
    void workModal(Form& form) override;

private:
    User* previous_;
    std::deque<int> answers_;
    std::map<std::string, std::function<void(Form&)>> actions_;
    std::vector<MessageBox> boxes_;
    std::vector<std::string> modalForms_;
};

}  // namespace forms
