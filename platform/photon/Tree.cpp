// Trees: the program's items (father, brother, son) shown in a GTK tree view. An expandable item
// without children carries a hidden placeholder row so that its expander shows; expanding runs
// the program's state callback first, so that it can fill the item.
#include "photon/PxImage.h"
#include "photon/detail/Widget.h"

#include <cstdlib>
#include <cstring>

namespace photon {

struct PtTreeItemRow {
    PtWidget_t* tree = nullptr;
    GtkTreeRowReference* ref = nullptr;
};

namespace {

enum { kImage, kText, kItem, kColumns };
constexpr uint64_t kDoubleClickMs = 400;

bool IsTree(PtWidget_t* w) { return detail::Alive(w) && w->kind == Kind::Tree && w->tree; }

bool RowOf(PtTreeItem_t* item, GtkTreeIter* it)
{
    if (!item || !item->row || !item->row->ref || !gtk_tree_row_reference_valid(item->row->ref)) return false;
    GtkTreePath* path = gtk_tree_row_reference_get_path(item->row->ref);
    GtkTreeModel* model = gtk_tree_row_reference_get_model(item->row->ref);
    bool ok = gtk_tree_model_get_iter(model, it, path);
    gtk_tree_path_free(path);
    return ok;
}

PtTreeItem_t* ItemAt(PtWidget_t* w, GtkTreeIter* it)
{
    PtTreeItem_t* item = nullptr;
    gtk_tree_model_get(GTK_TREE_MODEL(w->tree), it, kItem, &item, -1);
    return item;
}

GdkPixbuf* ImageFor(PtWidget_t* w, PtTreeItem_t* item)
{
    short i = (item->flags & Pt_TREE_ITEM_EXPANDED) ? item->set_img : item->unset_img;
    if (i < 0 || static_cast<size_t>(i) >= w->tree_images.size()) return nullptr;
    return detail::PixbufOf(w->tree_images[static_cast<size_t>(i)]);
}

void Refresh(PtWidget_t* w, PtTreeItem_t* item)
{
    GtkTreeIter it;
    if (RowOf(item, &it)) gtk_tree_store_set(w->tree, &it, kImage, ImageFor(w, item), kText, item->string, -1);
}

void Placeholder(PtWidget_t* w, PtTreeItem_t* item, GtkTreeIter* row)
{
    GtkTreeIter child;
    for (bool ok = gtk_tree_model_iter_children(GTK_TREE_MODEL(w->tree), &child, row); ok;) {
        if (!ItemAt(w, &child)) {
            ok = gtk_tree_store_remove(w->tree, &child);
            continue;
        }
        ok = gtk_tree_model_iter_next(GTK_TREE_MODEL(w->tree), &child);
    }
    if ((item->flags & Pt_TREE_ITEM_EXPANDABLE) && !item->son)
        gtk_tree_store_insert_with_values(w->tree, nullptr, row, -1, kItem, nullptr, kText, "", -1);
}

// Shows item (and its children) at position pos under parent_row.
void Insert(PtWidget_t* w, PtTreeItem_t* item, GtkTreeIter* parent_row, int pos)
{
    GtkTreeIter it;
    gtk_tree_store_insert_with_values(w->tree, &it, parent_row, pos, kImage, ImageFor(w, item), kText, item->string,
                                      kItem, item, -1);
    GtkTreePath* path = gtk_tree_model_get_path(GTK_TREE_MODEL(w->tree), &it);
    if (!item->row) item->row = new PtTreeItemRow;
    if (item->row->ref) gtk_tree_row_reference_free(item->row->ref);
    item->row->tree = w;
    item->row->ref = gtk_tree_row_reference_new(GTK_TREE_MODEL(w->tree), path);
    gtk_tree_path_free(path);
    int i = 0;
    for (PtTreeItem_t* s = item->son; s; s = s->brother) Insert(w, s, &it, i++);
    Placeholder(w, item, &it);
}

void Unlink(PtTreeItem_t* item)
{
    if (item->row && item->row->ref) {
        gtk_tree_row_reference_free(item->row->ref);
        item->row->ref = nullptr;
    }
    for (PtTreeItem_t* s = item->son; s; s = s->brother) Unlink(s);
}

int IndexAmongBrothers(PtTreeItem_t* first, PtTreeItem_t* item)
{
    int i = 0;
    for (PtTreeItem_t* s = first; s && s != item; s = s->brother) ++i;
    return i;
}

PtTreeItem_t*& FirstOfLevel(PtWidget_t* w, PtTreeItem_t* father)
{
    static PtTreeItem_t* none = nullptr;
    if (father) return father->son;
    auto** root = static_cast<PtTreeItem_t**>(g_object_get_data(G_OBJECT(w->gtk), "photon-tree-root"));
    return root ? *root : none;
}

PtTreeItem_t* ItemOfPath(PtWidget_t* w, GtkTreePath* path)
{
    GtkTreeIter it;
    if (!gtk_tree_model_get_iter(GTK_TREE_MODEL(w->tree), &it, path)) return nullptr;
    return ItemAt(w, &it);
}

gboolean OnTestExpand(GtkTreeView* view, GtkTreeIter* it, GtkTreePath*, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    PtTreeItem_t* item = ItemAt(w, it);
    if (!item || w->quiet) return FALSE;
    PtTreeCallback_t cb{item, 1};
    PhEvent_t ev = detail::MakeEvent(Ph_EV_BUT_PRESS, 0);
    detail::Invoke(w, Pt_CB_TREE_STATE, Pt_TREE_EXPANDING, &ev, &cb);
    if (!detail::Alive(w)) return TRUE;
    // The program may have changed the rows: this expansion is dropped and made again on them.
    item->flags |= Pt_TREE_ITEM_EXPANDED;
    GtkTreeIter row;
    if (!RowOf(item, &row)) return TRUE;
    Placeholder(w, item, &row);
    Refresh(w, item);
    GtkTreePath* path = gtk_tree_model_get_path(GTK_TREE_MODEL(w->tree), &row);
    ++w->quiet;
    gtk_tree_view_expand_row(view, path, FALSE);
    --w->quiet;
    gtk_tree_path_free(path);
    return TRUE;
}

void OnCollapsed(GtkTreeView*, GtkTreeIter* it, GtkTreePath*, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    PtTreeItem_t* item = ItemAt(w, it);
    if (!item) return;
    item->flags &= ~Pt_TREE_ITEM_EXPANDED;
    Refresh(w, item);
    if (w->quiet) return;
    PtTreeCallback_t cb{item, 0};
    detail::Invoke(w, Pt_CB_TREE_STATE, Pt_TREE_COLLAPSING, nullptr, &cb);
}

gboolean OnTreePress(GtkWidget* g, GdkEventButton* e, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (e->button != 1 || e->type != GDK_BUTTON_PRESS) return FALSE;
    if (e->window != gtk_tree_view_get_bin_window(GTK_TREE_VIEW(g))) return FALSE;
    GtkTreePath* path = nullptr;
    GtkTreeViewColumn* column = nullptr;
    if (!gtk_tree_view_get_path_at_pos(GTK_TREE_VIEW(g), static_cast<int>(e->x), static_cast<int>(e->y), &path, &column,
                                       nullptr, nullptr))
        return FALSE;
    PtTreeItem_t* item = ItemOfPath(w, path);
    ++w->quiet;
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(g), path, nullptr, FALSE);
    --w->quiet;
    gtk_tree_path_free(path);
    if (!item) return TRUE;
    uint64_t now = detail::NowMs();
    w->click_count = w->last_press && now - w->last_press < kDoubleClickMs && w->last_target == item ? 2 : 1;
    w->last_press = now;
    w->last_target = item;
    w->armed = true;
    return FALSE;  // the expander still works
}

gboolean OnTreeRelease(GtkWidget*, GdkEventButton* e, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (e->button != 1 || !w->armed) return FALSE;
    w->armed = false;
    PtTreeItem_t* item = PtTreeGetCurrent(w);
    if (!item) return FALSE;
    PtTreeCallback_t cb{item, 0};
    PhEvent_t ev = detail::MakeEvent(Ph_EV_BUT_RELEASE, Ph_EV_RELEASE_REAL);
    ev.data.pointer.click_count = static_cast<unsigned short>(w->click_count);
    ev.data.pointer.buttons = 1;
    detail::Invoke(w, Pt_CB_TREE_SELECTION, Pt_LIST_SELECTION_FINAL, &ev, &cb);
    return FALSE;
}

void FreeOne(PtTreeItem_t* item)
{
    for (PtTreeItem_t* s = item->son; s;) {
        PtTreeItem_t* next = s->brother;
        FreeOne(s);
        s = next;
    }
    if (item->row) {
        if (item->row->ref) gtk_tree_row_reference_free(item->row->ref);
        delete item->row;
    }
    free(const_cast<char*>(item->string));
    delete item;
}

}  // namespace

namespace detail {

void WrapTreeView(PtWidget_t* w)
{
    w->tree = gtk_tree_store_new(kColumns, GDK_TYPE_PIXBUF, G_TYPE_STRING, G_TYPE_POINTER);
    GtkTreeView* view = GTK_TREE_VIEW(w->gtk);
    gtk_tree_view_set_model(view, GTK_TREE_MODEL(w->tree));
    while (GtkTreeViewColumn* c = gtk_tree_view_get_column(view, 0)) gtk_tree_view_remove_column(view, c);
    GtkTreeViewColumn* column = gtk_tree_view_column_new();
    GtkCellRenderer* icon = gtk_cell_renderer_pixbuf_new();
    GtkCellRenderer* text = gtk_cell_renderer_text_new();
    gtk_tree_view_column_pack_start(column, icon, FALSE);
    gtk_tree_view_column_pack_start(column, text, TRUE);
    gtk_tree_view_column_add_attribute(column, icon, "pixbuf", kImage);
    gtk_tree_view_column_add_attribute(column, text, "text", kText);
    gtk_tree_view_append_column(view, column);
    gtk_tree_view_set_headers_visible(view, FALSE);
    g_object_set_data_full(G_OBJECT(w->gtk), "photon-tree-root", g_new0(PtTreeItem_t*, 1), g_free);
    g_signal_connect(w->gtk, "test-expand-row", G_CALLBACK(OnTestExpand), w);
    g_signal_connect(w->gtk, "row-collapsed", G_CALLBACK(OnCollapsed), w);
    g_signal_connect(w->gtk, "button-press-event", G_CALLBACK(OnTreePress), w);
    g_signal_connect(w->gtk, "button-release-event", G_CALLBACK(OnTreeRelease), w);
}

void ForgetTree(PtWidget_t* w)
{
    if (w->gtk) {
        auto** root = static_cast<PtTreeItem_t**>(g_object_get_data(G_OBJECT(w->gtk), "photon-tree-root"));
        if (root && *root) PtTreeFreeItems(*root);
    }
    for (PhImage_t* img : w->tree_images) {
        PhReleaseImage(img);
        free(img);
    }
    w->tree_images.clear();
    if (w->tree) g_object_unref(w->tree);
    w->tree = nullptr;
}

void SetTreeImages(PtWidget_t* w, const PhImage_t* const* images, long n)
{
    for (PhImage_t* img : w->tree_images) {
        PhReleaseImage(img);
        free(img);
    }
    w->tree_images.clear();
    for (long i = 0; images && i < n; ++i)
        w->tree_images.push_back(images[i] ? PiDuplicateImage(images[i], 0) : nullptr);
    std::function<void(PtTreeItem_t*)> all = [&](PtTreeItem_t* first) {
        for (PtTreeItem_t* s = first; s; s = s->brother) {
            Refresh(w, s);
            all(s->son);
        }
    };
    if (auto** root = static_cast<PtTreeItem_t**>(g_object_get_data(G_OBJECT(w->gtk), "photon-tree-root"))) all(*root);
}

}  // namespace detail

PtTreeItem_t* PtTreeAllocItem(PtWidget_t*, const char* string, short set_img, short unset_img)
{
    auto* item = new PtTreeItem_t{};
    item->string = strdup(string ? string : "");
    item->set_img = set_img;
    item->unset_img = unset_img;
    return item;
}

int PtTreeAddFirst(PtWidget_t* w, PtTreeItem_t* item, PtTreeItem_t* parent)
{
    if (!IsTree(w) || !item || item->father || item->brother) return -1;
    int r = 0;
    detail::RunOnLoop([&] {
        GtkTreeIter parent_row;
        if (parent && !RowOf(parent, &parent_row)) {
            r = -1;
            return;
        }
        PtTreeItem_t*& first = FirstOfLevel(w, parent);
        item->father = parent;
        item->brother = first;
        first = item;
        Insert(w, item, parent ? &parent_row : nullptr, 0);
        if (parent) Placeholder(w, parent, &parent_row);
    });
    return r;
}

int PtTreeAddAfter(PtWidget_t* w, PtTreeItem_t* item, PtTreeItem_t* brother)
{
    if (!IsTree(w) || !item || item->father || item->brother || !brother) return -1;
    int r = 0;
    detail::RunOnLoop([&] {
        GtkTreeIter brother_row, parent_row;
        if (!RowOf(brother, &brother_row)) {
            r = -1;
            return;
        }
        PtTreeItem_t* father = brother->father;
        item->father = father;
        item->brother = brother->brother;
        brother->brother = item;
        int pos = IndexAmongBrothers(FirstOfLevel(w, father), item);
        bool has_parent = father && RowOf(father, &parent_row);
        Insert(w, item, has_parent ? &parent_row : nullptr, pos);
    });
    return r;
}

PtTreeItem_t* PtTreeRemoveItem(PtWidget_t* w, PtTreeItem_t* item)
{
    if (!IsTree(w) || !item) return nullptr;
    detail::RunOnLoop([&] {
        GtkTreeIter row;
        if (RowOf(item, &row)) {
            // Collapsed first: the view does not free what it kept for an expanded row that goes.
            GtkTreePath* path = gtk_tree_model_get_path(GTK_TREE_MODEL(w->tree), &row);
            ++w->quiet;
            gtk_tree_view_collapse_row(GTK_TREE_VIEW(w->gtk), path);
            gtk_tree_store_remove(w->tree, &row);
            --w->quiet;
            gtk_tree_path_free(path);
        }
        Unlink(item);
        PtTreeItem_t*& first = FirstOfLevel(w, item->father);
        if (first == item) {
            first = item->brother;
        } else {
            for (PtTreeItem_t* s = first; s; s = s->brother)
                if (s->brother == item) {
                    s->brother = item->brother;
                    break;
                }
        }
        PtTreeItem_t* father = item->father;
        item->father = nullptr;
        item->brother = nullptr;
        GtkTreeIter parent_row;
        if (father && RowOf(father, &parent_row)) Placeholder(w, father, &parent_row);
    });
    return item;
}

void PtTreeFreeItems(PtTreeItem_t* item)
{
    while (item) {
        PtTreeItem_t* next = item->brother;
        FreeOne(item);
        item = next;
    }
}

void PtTreeFreeAllItems(PtWidget_t* w)
{
    if (!IsTree(w)) return;
    detail::RunOnLoop([&] {
        auto** root = static_cast<PtTreeItem_t**>(g_object_get_data(G_OBJECT(w->gtk), "photon-tree-root"));
        ++w->quiet;
        gtk_tree_view_collapse_all(GTK_TREE_VIEW(w->gtk));
        gtk_tree_store_clear(w->tree);
        --w->quiet;
        if (root && *root) {
            PtTreeFreeItems(*root);
            *root = nullptr;
        }
    });
}

int PtTreeModifyItemString(PtWidget_t* w, PtTreeItem_t* item, const char* string)
{
    if (!item) return -1;
    free(const_cast<char*>(item->string));
    item->string = strdup(string ? string : "");
    if (IsTree(w)) detail::RunOnLoop([&] { Refresh(w, item); });
    return 0;
}

PtTreeItem_t* PtTreeRootItem(PtWidget_t* w) { return IsTree(w) ? FirstOfLevel(w, nullptr) : nullptr; }

PtTreeItem_t* PtTreeGetCurrent(PtWidget_t* w)
{
    if (!IsTree(w)) return nullptr;
    PtTreeItem_t* item = nullptr;
    detail::RunOnLoop([&] {
        GtkTreePath* path = nullptr;
        gtk_tree_view_get_cursor(GTK_TREE_VIEW(w->gtk), &path, nullptr);
        if (!path) return;
        // A cursor row the user unselected (Ctrl+click) is no current item: nothing is highlighted.
        if (gtk_tree_selection_path_is_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(w->gtk)), path))
            item = ItemOfPath(w, path);
        gtk_tree_path_free(path);
    });
    return item;
}

void PtTreeGoto(PtWidget_t* w, PtTreeItem_t* item)
{
    PtTreeShow(w, item);
    PtTreeSelect(w, item);
}

void PtTreeSelect(PtWidget_t* w, PtTreeItem_t* item)
{
    if (!IsTree(w)) return;
    detail::RunOnLoop([&] {
        GtkTreeIter row;
        if (!RowOf(item, &row)) return;
        GtkTreePath* path = gtk_tree_model_get_path(GTK_TREE_MODEL(w->tree), &row);
        ++w->quiet;
        gtk_tree_view_expand_to_path(GTK_TREE_VIEW(w->gtk), path);
        gtk_tree_view_set_cursor(GTK_TREE_VIEW(w->gtk), path, nullptr, FALSE);
        --w->quiet;
        gtk_tree_path_free(path);
    });
}

void PtTreeShow(PtWidget_t* w, PtTreeItem_t* item)
{
    if (!IsTree(w)) return;
    detail::RunOnLoop([&] {
        GtkTreeIter row;
        if (!RowOf(item, &row)) return;
        GtkTreePath* path = gtk_tree_model_get_path(GTK_TREE_MODEL(w->tree), &row);
        gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(w->gtk), path, nullptr, FALSE, 0, 0);
        gtk_tree_path_free(path);
    });
}

int PtTreeExpand(PtWidget_t* w, PtTreeItem_t* item, PhEvent_t*)
{
    if (!IsTree(w)) return -1;
    int r = -1;
    detail::RunOnLoop([&] {
        GtkTreeIter row;
        if (!RowOf(item, &row)) return;
        GtkTreePath* path = gtk_tree_model_get_path(GTK_TREE_MODEL(w->tree), &row);
        gtk_tree_view_expand_row(GTK_TREE_VIEW(w->gtk), path, FALSE);
        gtk_tree_path_free(path);
        if (!detail::Alive(w) || !RowOf(item, &row)) return;
        path = gtk_tree_model_get_path(GTK_TREE_MODEL(w->tree), &row);
        r = gtk_tree_view_row_expanded(GTK_TREE_VIEW(w->gtk), path) ? 0 : -1;
        gtk_tree_path_free(path);
    });
    return r;
}

int PtTreeCollapse(PtWidget_t* w, PtTreeItem_t* item, PhEvent_t*)
{
    if (!IsTree(w)) return -1;
    int r = -1;
    detail::RunOnLoop([&] {
        GtkTreeIter row;
        if (!RowOf(item, &row)) return;
        GtkTreePath* path = gtk_tree_model_get_path(GTK_TREE_MODEL(w->tree), &row);
        r = gtk_tree_view_collapse_row(GTK_TREE_VIEW(w->gtk), path) ? 0 : -1;
        gtk_tree_path_free(path);
    });
    return r;
}

}  // namespace photon
