#include "forms/Form.h"

#include "forms/Controls.h"
#include "forms/User.h"
#include "forms/detail/FormWindow.h"
#include "vb/Error.h"

namespace forms {

Form::Form(std::string caption) : Caption(std::move(caption)) {}

Form::~Form() { closeWindow(false); }

void Form::Load() {
    if (loaded_) return;
    loaded_ = true;
    Form_Load();
}

void Form::Show(int modal) {
    if (modal == vbModal && visible_) throw vb::Error(400, "Form already displayed; can't show modally");
    Load();
    visible_ = true;
    if (!window_ && !layout_.empty() && DisplayAvailable()) window_ = detail::FormWindow::open(*this, layout_);
    if (modal != vbModal) return;
    currentUser().workModal(*this);
    if (visible_) Unload();
}

void Form::Hide() {
    visible_ = false;
    closeWindow(true);
}

void* Form::Window() const { return window_ ? window_->window() : nullptr; }

std::string Form::LabelOf(const Control& control) const {
    if (!window_) return {};
    GtkWidget* widget = window_->find(detail::WidgetId(control));
    return widget ? detail::FormWindow::labelOf(widget) : std::string();
}

// The controls go back to memory first: with what the user changed when the form stays loaded.
void Form::closeWindow(bool keepValues) {
    if (!window_) return;
    std::unique_ptr<detail::FormWindow> window = std::move(window_);
    window->close(keepValues);
}

void Form::Unload() {
    visible_ = false;
    closeWindow(false);
    if (!loaded_) return;
    loaded_ = false;
    Form_Unload();
    for (Control* control : controls_) control->reset();
}

Control* Form::FindControl(std::string_view name, int index) const {
    auto lower = [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
    for (Control* control : controls_) {
        const std::string& own = control->Name();
        if (control->Index() != index || own.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; same && i < own.size(); ++i) same = lower(own[i]) == lower(name[i]);
        if (same) return control;
    }
    return nullptr;
}

}  // namespace forms
