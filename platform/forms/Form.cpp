#include "forms/Form.h"

#include "forms/User.h"
#include "vb/Error.h"

namespace forms {

Form::Form(std::string caption) : Caption(std::move(caption)) {}

Form::~Form() = default;

void Form::Load() {
    if (loaded_) return;
    loaded_ = true;
    Form_Load();
}

void Form::Show(int modal) {
    if (modal == vbModal && visible_) throw vb::Error(400, "Form already displayed; can't show modally");
    Load();
    visible_ = true;
    if (modal != vbModal) return;
    currentUser().workModal(*this);
    if (visible_) Unload();
}

void Form::Hide() { visible_ = false; }

void Form::Unload() {
    visible_ = false;
    if (!loaded_) return;
    loaded_ = false;
    Form_Unload();
}

}  // namespace forms
