// Rows of lists and combo boxes. Rows are numbered from 1; the program's own changes raise no
// selection callbacks.
#include "photon/detail/Widget.h"

#include <cstring>

namespace photon {
namespace {

bool IsRows(PtWidget_t* w) { return detail::Alive(w) && (w->kind == Kind::List || w->kind == Kind::Combo); }

int Count(PtWidget_t* w)
{
    GtkTreeModel* m = w->kind == Kind::List ? GTK_TREE_MODEL(w->store) : gtk_combo_box_get_model(GTK_COMBO_BOX(w->gtk));
    return m ? gtk_tree_model_iter_n_children(m, nullptr) : 0;
}

void Scroll(PtWidget_t* w, int pos)
{
    if (w->kind != Kind::List || pos < 1 || pos > Count(w)) return;
    GtkTreePath* path = gtk_tree_path_new_from_indices(pos - 1, -1);
    gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(w->gtk), path, nullptr, FALSE, 0, 0);
    gtk_tree_path_free(path);
}

}  // namespace

int PtListAddItems(PtWidget_t* w, const char** items, int count, unsigned pos)
{
    if (!IsRows(w) || count < 0 || (count && !items)) return -1;
    detail::RunOnLoop([&] {
        int at = pos == 0 ? Count(w) : static_cast<int>(pos) - 1;
        if (at > Count(w)) at = Count(w);
        ++w->quiet;
        for (int i = 0; i < count; ++i) {
            const char* t = items[i] ? items[i] : "";
            if (w->kind == Kind::List) gtk_list_store_insert_with_values(w->store, nullptr, at + i, 0, t, -1);
            else gtk_combo_box_text_insert_text(GTK_COMBO_BOX_TEXT(w->gtk), at + i, t);
        }
        --w->quiet;
    });
    return 0;
}

int PtListDeleteAllItems(PtWidget_t* w)
{
    if (!IsRows(w)) return -1;
    detail::RunOnLoop([&] {
        ++w->quiet;
        if (w->kind == Kind::List) gtk_list_store_clear(w->store);
        else gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(w->gtk));
        --w->quiet;
    });
    return 0;
}

int PtListDeleteItemPos(PtWidget_t* w, int count, int pos)
{
    if (!IsRows(w) || pos < 1) return -1;
    int r = 0;
    detail::RunOnLoop([&] {
        if (pos + count - 1 > Count(w)) {
            r = -1;
            return;
        }
        ++w->quiet;
        for (int i = 0; i < count; ++i) {
            if (w->kind == Kind::List) {
                GtkTreeIter it;
                if (gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(w->store), &it, nullptr, pos - 1))
                    gtk_list_store_remove(w->store, &it);
            } else {
                gtk_combo_box_text_remove(GTK_COMBO_BOX_TEXT(w->gtk), pos - 1);
            }
        }
        --w->quiet;
    });
    return r;
}

void PtListSelectPos(PtWidget_t* w, int pos)
{
    if (!IsRows(w)) return;
    detail::RunOnLoop([&] {
        ++w->quiet;
        if (w->kind == Kind::Combo) {
            gtk_combo_box_set_active(GTK_COMBO_BOX(w->gtk), pos >= 1 && pos <= Count(w) ? pos - 1 : -1);
        } else {
            GtkTreeSelection* sel = gtk_tree_view_get_selection(GTK_TREE_VIEW(w->gtk));
            gtk_tree_selection_unselect_all(sel);
            if (pos >= 1 && pos <= Count(w)) {
                GtkTreePath* path = gtk_tree_path_new_from_indices(pos - 1, -1);
                gtk_tree_selection_select_path(sel, path);
                gtk_tree_path_free(path);
            }
        }
        --w->quiet;
    });
}

void PtListUnselectPos(PtWidget_t* w, int pos)
{
    if (!IsRows(w) || pos < 1) return;
    detail::RunOnLoop([&] {
        ++w->quiet;
        if (w->kind == Kind::Combo) {
            if (gtk_combo_box_get_active(GTK_COMBO_BOX(w->gtk)) == pos - 1)
                gtk_combo_box_set_active(GTK_COMBO_BOX(w->gtk), -1);
        } else if (pos <= Count(w)) {
            GtkTreePath* path = gtk_tree_path_new_from_indices(pos - 1, -1);
            gtk_tree_selection_unselect_path(gtk_tree_view_get_selection(GTK_TREE_VIEW(w->gtk)), path);
            gtk_tree_path_free(path);
        }
        --w->quiet;
    });
}

void PtListGotoPos(PtWidget_t* w, int pos)
{
    if (!IsRows(w)) return;
    PtListSelectPos(w, pos);
    detail::RunOnLoop([&] { Scroll(w, pos); });
}

void PtListShowPos(PtWidget_t* w, int pos)
{
    if (!IsRows(w)) return;
    detail::RunOnLoop([&] { Scroll(w, pos); });
}

int PtListItemPos(PtWidget_t* w, const char* item)
{
    if (!IsRows(w) || !item) return 0;
    int found = 0;
    detail::RunOnLoop([&] {
        GtkTreeModel* m =
            w->kind == Kind::List ? GTK_TREE_MODEL(w->store) : gtk_combo_box_get_model(GTK_COMBO_BOX(w->gtk));
        int column = w->kind == Kind::List ? 0 : gtk_combo_box_get_entry_text_column(GTK_COMBO_BOX(w->gtk));
        GtkTreeIter it;
        int i = 1;
        for (bool ok = gtk_tree_model_get_iter_first(m, &it); ok; ok = gtk_tree_model_iter_next(m, &it), ++i) {
            gchar* t = nullptr;
            gtk_tree_model_get(m, &it, column, &t, -1);
            bool same = t && strcmp(t, item) == 0;
            g_free(t);
            if (same) {
                found = i;
                return;
            }
        }
    });
    return found;
}

}  // namespace photon
