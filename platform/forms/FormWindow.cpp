// Forms on screen (GTK 3): the window built from the form's layout and each control's state
// shown in, and read back from, the widget of its id.
#include "forms/detail/FormWindow.h"

#include <gtk/gtk.h>

#include <iostream>

#include "display/Display.h"
#include "forms/Controls.h"
#include "forms/detail/LoopInternals.h"
#include "vb/CodePage.h"

namespace forms {

namespace {

// Set while the code shows a state in a widget, so that the widget's signals are not taken
// for the user's doing.
int showing = 0;
struct Showing {
    Showing() { ++showing; }
    ~Showing() { --showing; }
};

const char* const kNoneButton = "forms-none-selected";

// An exception must not cross GTK's C frames: it goes to the loop's error handler.
template <class F>
void handled(F&& step) {
    try {
        step();
    } catch (...) {
        if (Loop* loop = Loop::tryCurrent()) detail::reportUnhandled(*loop, std::current_exception());
    }
}

GtkWidget* asWidget(void* w) { return static_cast<GtkWidget*>(w); }

// The controls keep the settings files' code page; the display speaks UTF-8. Every text
// crosses at the widget, both ways, so that a text nobody edits comes back byte for byte.
std::string shown(const std::string& text) { return vb::toUtf8(text); }
std::string kept(const char* utf8) { return vb::fromUtf8(utf8 ? utf8 : ""); }

}  // namespace

bool DisplayAvailable() { return display::Open(); }

namespace detail {

// The widgets' signals, for the controls' private parts.
struct WidgetEvents {
    static void clicked(GtkButton*, gpointer control) {
        if (!showing) handled([&] { static_cast<CommandButton*>(control)->Click(); });
    }
    static void optionToggled(GtkToggleButton* button, gpointer control) {
        if (showing || !gtk_toggle_button_get_active(button)) return;
        handled([&] { static_cast<OptionButton*>(control)->Click(); });
    }
    // A greyed box the user clicks becomes a plain one.
    static void checkToggled(GtkToggleButton* button, gpointer) {
        if (!showing) gtk_toggle_button_set_inconsistent(button, FALSE);
    }
    static gboolean closeBox(GtkWidget*, GdkEvent*, gpointer form) {
        handled([&] { static_cast<Form*>(form)->Unload(); });
        return TRUE;
    }
    static void connect(Control& control) {
        GtkWidget* w = asWidget(control.widget_);
        if (auto* option = dynamic_cast<OptionButton*>(&control); option && GTK_IS_TOGGLE_BUTTON(w)) {
            g_signal_connect(w, "toggled", G_CALLBACK(optionToggled), option);
        } else if (auto* check = dynamic_cast<CheckBox*>(&control); check && GTK_IS_TOGGLE_BUTTON(w)) {
            g_signal_connect(w, "toggled", G_CALLBACK(checkToggled), check);
        } else if (auto* button = dynamic_cast<CommandButton*>(&control); button && GTK_IS_BUTTON(w)) {
            g_signal_connect(w, "clicked", G_CALLBACK(clicked), button);
        }
    }
    static void attach(Control& control, GtkWidget* w) { control.widget_ = w; }
    static void detach(Control& control, bool keepValue) {
        if (!control.widget_) return;
        if (keepValue) control.fromWidget();
        g_signal_handlers_disconnect_by_data(control.widget_, &control);
        control.widget_ = nullptr;
    }
    static void show(Control& control) {
        Showing guard;
        control.toWidget();
    }
    static const std::vector<Control*>& controls(Form& form) { return form.controls_; }
};

}  // namespace detail

// ---- Each control's state in its widget ----

void Control::toWidget() { gtk_widget_set_sensitive(asWidget(widget_), enabled_); }

void TextBox::toWidget() {
    Control::toWidget();
    Showing guard;
    if (GTK_IS_ENTRY(widget())) gtk_entry_set_text(GTK_ENTRY(widget()), shown(text_).c_str());
}

void TextBox::fromWidget() {
    if (!GTK_IS_ENTRY(widget())) return;
    const char* typed = gtk_entry_get_text(GTK_ENTRY(widget()));
    text_ = kept(typed);
    unheld_ = vb::firstUnheld(typed ? typed : "");
}

void Label::toWidget() {
    Control::toWidget();
    if (GTK_IS_LABEL(widget())) gtk_label_set_text(GTK_LABEL(widget()), shown(caption_).c_str());
}

void CheckBox::toWidget() {
    Control::toWidget();
    Showing guard;
    if (!GTK_IS_TOGGLE_BUTTON(widget())) return;
    gtk_toggle_button_set_inconsistent(GTK_TOGGLE_BUTTON(widget()), value_ == vbGrayed);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget()), value_ == vbChecked);
}

void CheckBox::fromWidget() {
    if (!GTK_IS_TOGGLE_BUTTON(widget())) return;
    auto* button = GTK_TOGGLE_BUTTON(widget());
    if (gtk_toggle_button_get_inconsistent(button)) value_ = vbGrayed;
    else value_ = gtk_toggle_button_get_active(button) ? vbChecked : vbUnchecked;
}

// A radio group always has one button on: "none of them" is its hidden extra button.
void OptionButton::toWidget() {
    Control::toWidget();
    Showing guard;
    if (!GTK_IS_TOGGLE_BUTTON(widget())) return;
    auto* button = GTK_TOGGLE_BUTTON(widget());
    if (value_) {
        gtk_toggle_button_set_active(button, TRUE);
    } else if (gtk_toggle_button_get_active(button)) {
        auto* none = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(button), kNoneButton));
        if (none) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(none), TRUE);
        else gtk_toggle_button_set_active(button, FALSE);
    }
}

void OptionButton::fromWidget() {
    if (GTK_IS_TOGGLE_BUTTON(widget())) value_ = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget()));
}

void ComboBox::toWidget() {
    Control::toWidget();
    Showing guard;
    if (!GTK_IS_COMBO_BOX_TEXT(widget())) return;
    auto* combo = GTK_COMBO_BOX_TEXT(widget());
    gtk_combo_box_text_remove_all(combo);
    for (const std::string& item : list_) gtk_combo_box_text_append_text(combo, item.c_str());
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), listIndex_);
    if (gtk_combo_box_get_has_entry(GTK_COMBO_BOX(combo)))
        gtk_entry_set_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(combo))), text_.c_str());
}

void ComboBox::fromWidget() {
    if (!GTK_IS_COMBO_BOX_TEXT(widget())) return;
    auto* combo = GTK_COMBO_BOX(widget());
    const int active = gtk_combo_box_get_active(combo);
    if (gtk_combo_box_get_has_entry(combo)) {
        text_ = gtk_entry_get_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(combo))));
        listIndex_ = active;
    } else if (active >= 0 && active < static_cast<int>(list_.size())) {
        listIndex_ = active;
        text_ = list_[static_cast<std::size_t>(active)];
    }
}

void TabControl::toWidget() {
    Control::toWidget();
    if (GTK_IS_NOTEBOOK(widget())) gtk_notebook_set_current_page(GTK_NOTEBOOK(widget()), tab_);
}

void TabControl::fromWidget() {
    if (!GTK_IS_NOTEBOOK(widget())) return;
    const int page = gtk_notebook_get_current_page(GTK_NOTEBOOK(widget()));
    if (page >= 0 && page < Tabs()) tab_ = static_cast<int16_t>(page);
}

namespace detail {

std::string WidgetId(const Control& control) {
    return control.Index() < 0 ? control.Name() : control.Name() + "_" + std::to_string(control.Index());
}

FormWindow::FormWindow(Form& form, GtkBuilder* builder, GtkWidget* window)
    : form_(form), builder_(builder), window_(window) {}

std::unique_ptr<FormWindow> FormWindow::open(Form& form, const std::string& uiText) {
    GtkBuilder* builder = gtk_builder_new();
    GError* error = nullptr;
    if (!gtk_builder_add_from_string(builder, uiText.c_str(), static_cast<gsize>(uiText.size()), &error)) {
        std::cerr << "forms: the window of \"" << form.Caption
                  << "\" cannot be built: " << (error ? error->message : "no reason given") << std::endl;
        if (error) g_error_free(error);
        g_object_unref(builder);
        return nullptr;
    }
    GtkWidget* window = nullptr;
    GSList* objects = gtk_builder_get_objects(builder);
    for (GSList* o = objects; o && !window; o = o->next)
        if (GTK_IS_WINDOW(o->data) && !gtk_widget_get_parent(GTK_WIDGET(o->data))) window = GTK_WIDGET(o->data);
    g_slist_free(objects);
    if (!window) {
        std::cerr << "forms: the layout of \"" << form.Caption << "\" has no window" << std::endl;
        g_object_unref(builder);
        return nullptr;
    }
    ServeWindowsOnLoop();
    std::unique_ptr<FormWindow> shown(new FormWindow(form, builder, window));
    shown->bind();
    gtk_window_set_title(GTK_WINDOW(window), form.Caption.c_str());
    g_signal_connect(window, "delete-event", G_CALLBACK(WidgetEvents::closeBox), &form);
    gtk_widget_show_all(window);
    gtk_window_present(GTK_WINDOW(window));
    return shown;
}

void FormWindow::bind() {
    const std::vector<Control*>& controls = WidgetEvents::controls(form_);
    for (Control* control : controls) {
        GObject* object = gtk_builder_get_object(builder_, WidgetId(*control).c_str());
        if (!object || !GTK_IS_WIDGET(object)) continue;
        WidgetEvents::attach(*control, GTK_WIDGET(object));
        // The first button of each option group brings the group's hidden "none" button.
        if (auto* option = dynamic_cast<OptionButton*>(control);
            option && option->Index() == 0 && GTK_IS_RADIO_BUTTON(object)) {
            GtkWidget* none = gtk_radio_button_new_from_widget(GTK_RADIO_BUTTON(object));
            g_object_ref_sink(none);
            noneButtons_.push_back(none);
            for (GSList* m = gtk_radio_button_get_group(GTK_RADIO_BUTTON(object)); m; m = m->next)
                if (m->data != none) g_object_set_data(G_OBJECT(m->data), kNoneButton, none);
        }
    }
    for (Control* control : controls) {
        if (!control->widget_) continue;
        WidgetEvents::show(*control);
        WidgetEvents::connect(*control);
    }
}

namespace {

struct GridPlace {
    int left = -1, top = -1;
};

GridPlace placeIn(GtkWidget* grid, GtkWidget* child) {
    GridPlace place;
    gtk_container_child_get(GTK_CONTAINER(grid), child, "left-attach", &place.left, "top-attach", &place.top, nullptr);
    return place;
}

}  // namespace

// Layouts put a control's label in the grid cell before it, or head a column of controls with
// one label in the column's top cell.
std::string FormWindow::labelOf(GtkWidget* widget) {
    GtkWidget* grid = gtk_widget_get_parent(widget);
    if (!grid || !GTK_IS_GRID(grid)) return {};
    const GridPlace own = placeIn(grid, widget);
    GtkWidget* before = gtk_grid_get_child_at(GTK_GRID(grid), own.left - 1, own.top);
    if (before && GTK_IS_LABEL(before) && *gtk_label_get_text(GTK_LABEL(before)))
        return kept(gtk_label_get_text(GTK_LABEL(before)));
    for (int top = 0; top < own.top; ++top) {
        GtkWidget* heading = gtk_grid_get_child_at(GTK_GRID(grid), own.left, top);
        if (heading && GTK_IS_LABEL(heading) && *gtk_label_get_text(GTK_LABEL(heading)))
            return kept(gtk_label_get_text(GTK_LABEL(heading)));
    }
    return {};
}

GtkWidget* FormWindow::find(const std::string& id) const {
    GObject* object = builder_ ? gtk_builder_get_object(builder_, id.c_str()) : nullptr;
    return object && GTK_IS_WIDGET(object) ? GTK_WIDGET(object) : nullptr;
}

void FormWindow::close(bool keepValues) {
    if (!builder_) return;
    for (Control* control : WidgetEvents::controls(form_)) WidgetEvents::detach(*control, keepValues);
    g_signal_handlers_disconnect_by_data(window_, &form_);
    gtk_widget_destroy(window_);
    for (GtkWidget* none : noneButtons_) {
        gtk_widget_destroy(none);
        g_object_unref(none);
    }
    noneButtons_.clear();
    g_object_unref(builder_);
    builder_ = nullptr;
    window_ = nullptr;
}

FormWindow::~FormWindow() { close(false); }

}  // namespace detail
}  // namespace forms
