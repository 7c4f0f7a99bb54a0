#include "forms/FormsTest.h"

#include <gtk/gtk.h>

#include <memory>

#include "display/Display.h"
#include "forms/Loop.h"
#include "forms/User.h"
#include "forms/detail/LoopInternals.h"

namespace forms::test {

namespace {

GtkWidget* find(Form& form, const std::string& id) {
    auto* window = static_cast<GtkWidget*>(form.Window());
    if (!window) return nullptr;
    GtkWidget* found = nullptr;
    std::function<void(GtkWidget*)> walk = [&](GtkWidget* w) {
        if (found) return;
        const char* name = gtk_buildable_get_name(GTK_BUILDABLE(w));
        if (name && name == id) {
            found = w;
            return;
        }
        if (GTK_IS_CONTAINER(w)) {
            GList* children = gtk_container_get_children(GTK_CONTAINER(w));
            for (GList* c = children; c; c = c->next) walk(GTK_WIDGET(c->data));
            g_list_free(children);
        }
    };
    walk(window);
    return found;
}

// The caption a widget itself carries (a label's, a frame's or a button's with a text child
// is found through its children).
void captionsOf(GtkWidget* w, std::vector<std::string>& out) {
    if (GTK_IS_LABEL(w)) {
        const char* text = gtk_label_get_text(GTK_LABEL(w));
        if (text && *text) out.emplace_back(text);
        return;
    }
    if (GTK_IS_ENTRY(w) || GTK_IS_COMBO_BOX(w)) return;
    if (GTK_IS_NOTEBOOK(w)) {
        auto* notebook = GTK_NOTEBOOK(w);
        for (int i = 0; i < gtk_notebook_get_n_pages(notebook); ++i) {
            GtkWidget* page = gtk_notebook_get_nth_page(notebook, i);
            captionsOf(gtk_notebook_get_tab_label(notebook, page), out);
        }
        for (int i = 0; i < gtk_notebook_get_n_pages(notebook); ++i)
            captionsOf(gtk_notebook_get_nth_page(notebook, i), out);
        return;
    }
    if (GTK_IS_FRAME(w)) {
        if (GtkWidget* title = gtk_frame_get_label_widget(GTK_FRAME(w))) captionsOf(title, out);
        if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(w))) captionsOf(child, out);
        return;
    }
    if (GTK_IS_CONTAINER(w)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(w));
        for (GList* c = children; c; c = c->next) captionsOf(GTK_WIDGET(c->data), out);
        g_list_free(children);
    }
}

}  // namespace

void* Widget(Form& form, const std::string& id) { return find(form, id); }

bool Has(Form& form, const std::string& id) { return find(form, id) != nullptr; }

void Type(Form& form, const std::string& id, const std::string& text) {
    GtkWidget* w = find(form, id);
    if (w && GTK_IS_ENTRY(w)) gtk_entry_set_text(GTK_ENTRY(w), text.c_str());
}

void Toggle(Form& form, const std::string& id) {
    GtkWidget* w = find(form, id);
    if (w && GTK_IS_TOGGLE_BUTTON(w) && gtk_widget_is_sensitive(w)) gtk_button_clicked(GTK_BUTTON(w));
}

void Click(Form& form, const std::string& id) {
    GtkWidget* w = find(form, id);
    if (w && GTK_IS_BUTTON(w) && gtk_widget_is_sensitive(w)) gtk_button_clicked(GTK_BUTTON(w));
}

void Choose(Form& form, const std::string& id, int row) {
    GtkWidget* w = find(form, id);
    if (w && GTK_IS_COMBO_BOX(w)) gtk_combo_box_set_active(GTK_COMBO_BOX(w), row);
}

void ShowPage(Form& form, const std::string& id, int page) {
    GtkWidget* w = find(form, id);
    if (w && GTK_IS_NOTEBOOK(w)) gtk_notebook_set_current_page(GTK_NOTEBOOK(w), page);
    Settle();
}

std::string Text(Form& form, const std::string& id) {
    GtkWidget* w = find(form, id);
    if (!w) return {};
    if (GTK_IS_ENTRY(w)) return gtk_entry_get_text(GTK_ENTRY(w));
    if (GTK_IS_COMBO_BOX_TEXT(w)) {
        gchar* text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(w));
        std::string out = text ? text : "";
        g_free(text);
        return out;
    }
    if (GTK_IS_LABEL(w)) return gtk_label_get_text(GTK_LABEL(w));
    if (GTK_IS_BUTTON(w)) {
        const char* label = gtk_button_get_label(GTK_BUTTON(w));
        return label ? label : "";
    }
    return {};
}

bool Ticked(Form& form, const std::string& id) {
    GtkWidget* w = find(form, id);
    return w && GTK_IS_TOGGLE_BUTTON(w) && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w));
}

bool Sensitive(Form& form, const std::string& id) {
    GtkWidget* w = find(form, id);
    return w && gtk_widget_is_sensitive(w);
}

std::vector<std::string> Rows(Form& form, const std::string& id) {
    std::vector<std::string> rows;
    GtkWidget* w = find(form, id);
    if (!w || !GTK_IS_COMBO_BOX(w)) return rows;
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(w));
    GtkTreeIter it;
    for (gboolean ok = gtk_tree_model_get_iter_first(model, &it); ok; ok = gtk_tree_model_iter_next(model, &it)) {
        gchar* text = nullptr;
        gtk_tree_model_get(model, &it, 0, &text, -1);
        rows.emplace_back(text ? text : "");
        g_free(text);
    }
    return rows;
}

std::vector<std::string> Captions(Form& form, const std::string& id) {
    std::vector<std::string> out;
    if (GtkWidget* w = find(form, id)) captionsOf(w, out);
    return out;
}

std::vector<std::string> PageCaptions(Form& form, const std::string& id, int page) {
    std::vector<std::string> out;
    GtkWidget* w = find(form, id);
    if (!w || !GTK_IS_NOTEBOOK(w) || page < 0 || page >= gtk_notebook_get_n_pages(GTK_NOTEBOOK(w))) return out;
    GtkWidget* child = gtk_notebook_get_nth_page(GTK_NOTEBOOK(w), page);
    captionsOf(gtk_notebook_get_tab_label(GTK_NOTEBOOK(w), child), out);
    captionsOf(child, out);
    return out;
}

void Later(std::function<void()> step) {
    auto* held = new std::function<void()>(std::move(step));
    g_idle_add_full(
        G_PRIORITY_DEFAULT_IDLE,
        [](gpointer data) -> gboolean {
            try {
                (*static_cast<std::function<void()>*>(data))();
            } catch (...) {
                if (Loop* loop = Loop::tryCurrent()) detail::reportUnhandled(*loop, std::current_exception());
            }
            return G_SOURCE_REMOVE;
        },
        held, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

void RunModal(Form& form) {
    User plain;
    plain.workModal(form);
}

void Settle() {
    for (int i = 0; i < 5000 && g_main_context_pending(nullptr); ++i) g_main_context_iteration(nullptr, FALSE);
    display::SettleLayout();
    for (int i = 0; i < 5000 && g_main_context_pending(nullptr); ++i) g_main_context_iteration(nullptr, FALSE);
}

bool Screenshot(Form& form, const std::string& path) {
    Settle();
    return display::WritePng(static_cast<GtkWidget*>(form.Window()), path.c_str());
}

}  // namespace forms::test
