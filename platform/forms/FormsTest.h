#pragma once
// The test driver of forms on screen: works a form's widgets by id as a user would (types,
// ticks, clicks, picks), reads what they show and takes pictures. For tests only.

#include <functional>
#include <string>
#include <vector>

#include "forms/Form.h"

namespace forms::test {

// Whether the form's window has a widget of that id.
bool Has(Form& form, const std::string& id);
// The widget of that id (a GtkWidget*), for a test that works it by real input; nullptr when none.
void* Widget(Form& form, const std::string& id);
// A text box's new text, as typed over the old one.
void Type(Form& form, const std::string& id, const std::string& text);
// A click on a check box or option button.
void Toggle(Form& form, const std::string& id);
// A press of a button.
void Click(Form& form, const std::string& id);
// Row `row` (from 0) of a drop-down list chosen.
void Choose(Form& form, const std::string& id, int row);
// A tab's page brought to the front.
void ShowPage(Form& form, const std::string& id, int page);

// What a widget shows: an entry's or a drop-down's text, a label's or a button's caption.
std::string Text(Form& form, const std::string& id);
bool Ticked(Form& form, const std::string& id);
bool Sensitive(Form& form, const std::string& id);
// The rows of a drop-down list.
std::vector<std::string> Rows(Form& form, const std::string& id);
// Every caption inside the widget, in layout order: labels, frame titles, button and check
// box captions, tab titles.
std::vector<std::string> Captions(Form& form, const std::string& id);
// The captions of one page of a tab control, its title first.
std::vector<std::string> PageCaptions(Form& form, const std::string& id, int page);

// Runs `step` once the user's turn has begun (see RunModal).
void Later(std::function<void()> step);
// The user's turn, as the default user takes it: the window's events and the loop's run until
// the window closes.
void RunModal(Form& form);
// Lets the windows lay out and draw.
void Settle();
// A PNG of the form's window as drawn now; false when it is not on screen.
bool Screenshot(Form& form, const std::string& path);

}  // namespace forms::test
