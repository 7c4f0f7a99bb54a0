#pragma once
// A form on screen: the window built from the form's layout, its controls bound to the
// widgets of their ids. Not for callers outside platform/forms.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "forms/Form.h"
#include "forms/MsgBox.h"

typedef struct _GtkBuilder GtkBuilder;
typedef struct _GtkWidget GtkWidget;

namespace forms::detail {

// The id of a control's widget: its name, element n of a control array name_n.
std::string WidgetId(const Control& control);

class FormWindow {
public:
    // Builds and shows the window, every control showing its state; nullptr (reported on
    // standard error) when the layout cannot be built.
    static std::unique_ptr<FormWindow> open(Form& form, const std::string& uiText);
    ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    // Takes the controls back to memory (with what the user changed when `keepValues`) and
    // destroys the window.
    void close(bool keepValues);

    GtkWidget* window() const noexcept { return window_; }
    GtkWidget* find(const std::string& id) const;
    // The caption the user reads for a widget: see Form::LabelOf.
    static std::string labelOf(GtkWidget* widget);

private:
    FormWindow(Form& form, GtkBuilder* builder, GtkWidget* window);
    void bind();

    Form& form_;
    GtkBuilder* builder_;
    GtkWidget* window_;
    std::vector<GtkWidget*> noneButtons_;  // each option group's hidden "nothing selected" button
};

// Makes the current loop serve the GLib loop of the windows (once).
void ServeWindowsOnLoop();

// Shows the box as a modal dialog with the buttons of `answers` (left to right) and answers
// the one the user pressed; nothing when there is no display.
std::optional<int> AskOnScreen(const MessageBox& box, const std::vector<int>& answers);

}  // namespace forms::detail
