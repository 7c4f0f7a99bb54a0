#pragma once
// A form: a window of the plug-in. Nothing is drawn; a form is loaded, shown, hidden and
// unloaded as the plug-in's code expects of its forms, and a modal show lets the current
// user (User.h) work the form before it returns. Its controls (Controls.h) are members of the
// derived form.

#include <string>
#include <string_view>
#include <vector>

namespace forms {

class Control;

enum FormShowConstants : int { vbModeless = 0, vbModal = 1 };

class Form {
public:
    explicit Form(std::string caption = {});
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Runs Form_Load unless the form is loaded.
    void Load();
    // Loads the form and shows it. vbModal: the user works the form, and the call returns
    // once the form is hidden or unloaded (a form the user leaves open is closed as by its
    // close box, which unloads it). Showing a visible form modally raises error 400.
    void Show(int modal = vbModeless);
    void Hide();
    // Runs Form_Unload when the form is loaded and puts every control back as designed; the
    // form can be loaded again afterwards.
    void Unload();

    bool Loaded() const noexcept { return loaded_; }
    bool Visible() const noexcept { return visible_; }

    std::string Caption;

    // The control of that name (any letter case): element `index` of a control array, or with
    // -1 a control of its own; nullptr when the form has none.
    Control* FindControl(std::string_view name, int index = -1) const;

protected:
    virtual void Form_Load() {}
    virtual void Form_Unload() {}

private:
    friend class Control;
    std::vector<Control*> controls_;
    bool loaded_ = false;
    bool visible_ = false;
};

}  // namespace forms
