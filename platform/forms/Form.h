#pragma once
// A form: a window of the plug-in, loaded, shown, hidden and unloaded; a modal show lets the
// current user (User.h) work the form before it returns. Its controls (Controls.h) are members
// of the derived form. A form with a layout (a GtkBuilder UI file whose object ids are its
// controls' names, element n of a control array as name_n) is drawn on the display when there
// is one; the loop (Loop.h) then serves the window's events with its own. Without a display,
// or without a layout, nothing is drawn and the same controls work in memory.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace forms {

class Control;
namespace detail {
class FormWindow;
struct WidgetEvents;
}

// Whether forms can be drawn: a display is there (it is opened on the first call).
bool DisplayAvailable();

enum FormShowConstants : int { vbModeless = 0, vbModal = 1 };

class Form {
public:
    explicit Form(std::string caption = {});
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Runs Form_Load unless the form is loaded.
    void Load();
    // Loads the form and shows it (on screen when it has a layout and a display is there).
    // vbModal: the user works the form, and the call returns once the form is hidden or
    // unloaded (a form the user leaves open is closed as by its close box, which unloads it);
    // the loop's events go on meanwhile. Showing a visible form modally raises error 400.
    void Show(int modal = vbModeless);
    void Hide();
    // Runs Form_Unload when the form is loaded and puts every control back as designed; the
    // form can be loaded again afterwards.
    void Unload();

    bool Loaded() const noexcept { return loaded_; }
    bool Visible() const noexcept { return visible_; }
    // Whether the form is drawn on the display now.
    bool OnScreen() const noexcept { return window_ != nullptr; }

    std::string Caption;

    // The control of that name (any letter case): element `index` of a control array, or with
    // -1 a control of its own; nullptr when the form has none.
    Control* FindControl(std::string_view name, int index = -1) const;

    // The layout's window while the form is on screen (a GtkWidget), else nullptr.
    void* Window() const;
    // The caption a user reads for the control on screen, in the code page: the label just
    // before it on its line, else the heading of its column; "" when the form is not on screen
    // or no label is there.
    std::string LabelOf(const Control& control) const;
    // Every control of the form, in the order they were made.
    const std::vector<Control*>& AllControls() const noexcept { return controls_; }

protected:
    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    // The form's layout: the text of a GtkBuilder UI file.
    void SetLayout(std::string uiText) { layout_ = std::move(uiText); }

private:
    friend class Control;
    friend class detail::FormWindow;
    friend struct detail::WidgetEvents;
    void closeWindow(bool keepValues);

    std::vector<Control*> controls_;
    std::string layout_;
    std::unique_ptr<detail::FormWindow> window_;
    bool loaded_ = false;
    bool visible_ = false;
};

}  // namespace forms
