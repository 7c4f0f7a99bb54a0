#include "forms/Controls.h"

#include <algorithm>

namespace forms {

namespace {

[[noreturn]] void invalidValue() { throw vb::Error(380, "Invalid property value"); }

}  // namespace

Control::Control(Form& form, std::string name, int index) : form_(&form), name_(std::move(name)), index_(index) {
    form_->controls_.push_back(this);
}

Control::~Control() { std::erase(form_->controls_, this); }

void Control::touch() const {
    form_->Load();
    if (widget_) const_cast<Control*>(this)->fromWidget();
}

void Control::show() {
    if (widget_) toWidget();
}

bool Control::Enabled() const {
    touch();
    return enabled_;
}

void Control::Enabled(bool value) {
    touch();
    enabled_ = value;
    show();
}

TextBox::TextBox(Form& form, std::string name, int index, std::string design)
    : Control(form, std::move(name), index), design_(std::move(design)), text_(design_) {}

std::string TextBox::Text() const {
    touch();
    return text_;
}

void TextBox::Text(std::string value) {
    touch();
    text_ = std::move(value);
    unheld_ = 0;
    show();
}

uint32_t TextBox::Unheld() const {
    touch();
    return unheld_;
}

void TextBox::reset() {
    Control::reset();
    text_ = design_;
    unheld_ = 0;
}

Label::Label(Form& form, std::string name, int index, std::string design)
    : Control(form, std::move(name), index), design_(std::move(design)), caption_(design_) {}

std::string Label::Caption() const {
    touch();
    return caption_;
}

void Label::Caption(std::string value) {
    touch();
    caption_ = std::move(value);
    show();
}

void Label::reset() {
    Control::reset();
    caption_ = design_;
}

CheckBox::CheckBox(Form& form, std::string name, int index, std::string caption)
    : Control(form, std::move(name), index), caption_(std::move(caption)) {}

int16_t CheckBox::Value() const {
    touch();
    return value_;
}

void CheckBox::Value(int32_t value) {
    touch();
    if (value < vbUnchecked || value > vbGrayed) invalidValue();
    value_ = static_cast<int16_t>(value);
    show();
}

void CheckBox::reset() {
    Control::reset();
    value_ = vbUnchecked;
}

OptionButton::OptionButton(Form& form, std::string name, int index, std::string caption)
    : Control(form, std::move(name), index), caption_(std::move(caption)) {}

bool OptionButton::Value() const {
    touch();
    return value_;
}

void OptionButton::Value(bool value) {
    touch();
    if (value && group_)
        for (int i = 0; i < group_->Count(); ++i) {
            OptionButton& other = (*group_)(i);
            if (&other == this || !other.value_) continue;
            other.value_ = false;
            other.show();
        }
    value_ = value;
    show();
}

void OptionButton::Click() {
    Value(true);
    if (onClick) onClick();
}

OptionGroup::OptionGroup(Form& form, const std::string& name, const std::vector<std::string>& captions)
    : Controls<OptionButton>(form, name, captions) {
    for (int i = 0; i < Count(); ++i) (*this)(i).group_ = this;
}

ComboBox::ComboBox(Form& form, std::string name, int index) : Control(form, std::move(name), index) {}

void ComboBox::AddItem(std::string item) {
    touch();
    list_.push_back(std::move(item));
    show();
}

void ComboBox::Clear() {
    touch();
    list_.clear();
    listIndex_ = -1;
    text_.clear();
    show();
}

int32_t ComboBox::ListCount() const {
    touch();
    return static_cast<int32_t>(list_.size());
}

std::string ComboBox::List(int32_t i) const {
    touch();
    return i >= 0 && i < static_cast<int32_t>(list_.size()) ? list_[static_cast<std::size_t>(i)] : std::string();
}

int32_t ComboBox::ListIndex() const {
    touch();
    return listIndex_;
}

void ComboBox::ListIndex(int32_t value) {
    touch();
    if (value < -1 || value >= static_cast<int32_t>(list_.size())) invalidValue();
    listIndex_ = value;
    text_ = value < 0 ? std::string() : list_[static_cast<std::size_t>(value)];
    show();
}

std::string ComboBox::Text() const {
    touch();
    return text_;
}

void ComboBox::Text(std::string value) {
    touch();
    auto it = std::find(list_.begin(), list_.end(), value);
    listIndex_ = it == list_.end() ? -1 : static_cast<int32_t>(it - list_.begin());
    text_ = std::move(value);
    show();
}

void ComboBox::reset() {
    Control::reset();
    list_.clear();
    listIndex_ = -1;
    text_.clear();
}

CommandButton::CommandButton(Form& form, std::string name, int index, std::string caption)
    : Control(form, std::move(name), index), caption_(std::move(caption)) {}

void CommandButton::Click() {
    touch();
    if (onClick) onClick();
}

TabControl::TabControl(Form& form, std::string name, std::vector<std::string> captions)
    : Control(form, std::move(name)), captions_(std::move(captions)) {}

int16_t TabControl::Tab() const {
    touch();
    return tab_;
}

void TabControl::Tab(int32_t value) {
    touch();
    if (value < 0 || value >= Tabs()) invalidValue();
    tab_ = static_cast<int16_t>(value);
    show();
}

void TabControl::reset() {
    Control::reset();
    tab_ = 0;
}

}  // namespace forms
