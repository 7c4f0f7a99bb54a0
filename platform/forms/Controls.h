#pragma once
// The controls a form is built from: text boxes, labels, check boxes, option buttons, combo
// boxes, command buttons and the tab control, alone or as control arrays of fixed elements.
// A control belongs to its form: reading or setting any of its properties loads the form first
// (so the form's Form_Load fills it), and unloading the form puts every control back as it was
// designed. While the form is on screen (Form.h) a control's properties live in its widget, so
// that what the user types or ticks is what the code reads; otherwise they are kept in memory.
// Property values out of range raise 380 "Invalid property value"; an element index a control
// array lacks raises 340.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/Form.h"
#include "vb/Error.h"

namespace forms {

namespace detail {
class FormWindow;
struct WidgetEvents;
}  // namespace detail

class Control {
public:
    // `index` is the element's index in its control array, -1 for a control of its own.
    Control(Form& form, std::string name, int index = -1);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& Name() const noexcept { return name_; }
    int Index() const noexcept { return index_; }

    bool Enabled() const;
    void Enabled(bool value);

protected:
    // Loads the form when it is not loaded (any use of a control does), and takes up what the
    // user changed in the control's widget when the form is on screen.
    void touch() const;
    // After a property changed: shows the new state in the widget, when there is one.
    void show();
    // Back to the state the control was designed with (the form was unloaded).
    virtual void reset() { enabled_ = true; }

    // The widget on screen (a GtkWidget), or nullptr.
    void* widget() const noexcept { return widget_; }
    // Writes the whole state into the widget; reads the user's changes back.
    virtual void toWidget();
    virtual void fromWidget() {}

private:
    friend class Form;
    friend class detail::FormWindow;
    friend struct detail::WidgetEvents;

    Form* form_;
    std::string name_;
    int index_;
    bool enabled_ = true;
    void* widget_ = nullptr;
};

// Texts are kept in the code page of the settings files (Windows-1252); on screen they are
// shown and read back as the display's Unicode.
class TextBox : public Control {
public:
    TextBox(Form& form, std::string name, int index = -1, std::string design = {});
    std::string Text() const;
    void Text(std::string value);
    // The first character typed on screen that the code page cannot hold (a Unicode code
    // point; Text has "?" in its place); 0 when the text holds none.
    uint32_t Unheld() const;

private:
    void reset() override;
    void toWidget() override;
    void fromWidget() override;
    std::string design_;
    std::string text_;
    uint32_t unheld_ = 0;
};

class Label : public Control {
public:
    Label(Form& form, std::string name, int index = -1, std::string design = {});
    std::string Caption() const;
    void Caption(std::string value);

private:
    void reset() override;
    void toWidget() override;
    std::string design_;
    std::string caption_;
};

// Value 0 unchecked, 1 checked, 2 greyed; any other value raises 380.
class CheckBox : public Control {
public:
    static constexpr int16_t vbUnchecked = 0, vbChecked = 1, vbGrayed = 2;

    CheckBox(Form& form, std::string name, int index = -1, std::string caption = {});
    const std::string& Caption() const noexcept { return caption_; }
    int16_t Value() const;
    void Value(int32_t value);

private:
    void reset() override;
    void toWidget() override;
    void fromWidget() override;
    std::string caption_;
    int16_t value_ = vbUnchecked;
};

class OptionGroup;

// One option button; setting it true clears the other buttons of its group.
class OptionButton : public Control {
public:
    OptionButton(Form& form, std::string name, int index = -1, std::string caption = {});
    const std::string& Caption() const noexcept { return caption_; }
    bool Value() const;
    void Value(bool value);
    // The user clicks it: it becomes the selected button, then the click handler runs.
    void Click();
    std::function<void()> onClick;

private:
    friend class OptionGroup;
    friend struct detail::WidgetEvents;
    void reset() override {
        Control::reset();
        value_ = false;
    }
    void toWidget() override;
    void fromWidget() override;
    std::string caption_;
    bool value_ = false;
    OptionGroup* group_ = nullptr;
};

// A combo box whose text can also be typed: its list, the selected entry (ListIndex, -1 for
// none) and the text shown. Selecting an entry shows its text; typing a text selects the
// first entry equal to it, or none.
class ComboBox : public Control {
public:
    ComboBox(Form& form, std::string name, int index = -1);
    void AddItem(std::string item);
    void Clear();
    int32_t ListCount() const;
    // Entry `i`; "" outside the list.
    std::string List(int32_t i) const;
    int32_t ListIndex() const;
    // -1 clears the selection and the text; outside -1 .. ListCount - 1 raises 380.
    void ListIndex(int32_t value);
    std::string Text() const;
    void Text(std::string value);

private:
    void reset() override;
    void toWidget() override;
    void fromWidget() override;
    std::vector<std::string> list_;
    int32_t listIndex_ = -1;
    std::string text_;
};

class CommandButton : public Control {
public:
    CommandButton(Form& form, std::string name, int index = -1, std::string caption = {});
    const std::string& Caption() const noexcept { return caption_; }
    // The user presses it: the click handler runs (after the form is loaded).
    void Click();
    std::function<void()> onClick;

private:
    std::string caption_;
};

// The tab control: its page captions and the page shown (Tab, from 0).
class TabControl : public Control {
public:
    TabControl(Form& form, std::string name, std::vector<std::string> captions);
    int16_t Tabs() const noexcept { return static_cast<int16_t>(captions_.size()); }
    const std::string& TabCaption(int i) const { return captions_.at(static_cast<std::size_t>(i)); }
    int16_t Tab() const;
    // Outside 0 .. Tabs - 1 raises 380.
    void Tab(int32_t value);

private:
    void reset() override;
    void toWidget() override;
    void fromWidget() override;
    std::vector<std::string> captions_;
    int16_t tab_ = 0;
};

// A control array made with the form: elements 0 .. count - 1, each with its design text or
// caption.
template <class T>
class Controls {
public:
    Controls(Form& form, const std::string& name, int count) : Controls(form, name, std::vector<std::string>(count)) {}
    Controls(Form& form, const std::string& name, const std::vector<std::string>& designs) {
        for (std::size_t i = 0; i < designs.size(); ++i)
            elements_.push_back(std::make_unique<T>(form, name, static_cast<int>(i), designs[i]));
    }
    // Element `index`; 340 "Control array element 'n' doesn't exist" when there is none.
    T& operator()(int index) const {
        if (index < 0 || index >= Count())
            throw vb::Error(340, "Control array element '" + std::to_string(index) + "' doesn't exist");
        return *elements_[static_cast<std::size_t>(index)];
    }
    int Count() const noexcept { return static_cast<int>(elements_.size()); }
    int LBound() const noexcept { return 0; }
    int UBound() const noexcept { return Count() - 1; }

private:
    std::vector<std::unique_ptr<T>> elements_;
};

// Option buttons in one frame: at most one is selected.
class OptionGroup : public Controls<OptionButton> {
public:
    OptionGroup(Form& form, const std::string& name, const std::vector<std::string>& captions);
};

}  // namespace forms
