// Widget records over GTK widgets: classes, creation, names, realising, destruction, order and
// geometry.
#include "photon/detail/Widget.h"

#include "photon/PxImage.h"

#include <algorithm>
#include <cstring>
#include <climits>
#include <map>
#include <set>

namespace photon {
namespace {

const PtWidgetClass_t kClasses[] = {
    {Kind::Window, "PtWindow"},
    {Kind::Button, "PtButton"},
    {Kind::Toggle, "PtToggleButton"},
    {Kind::Label, "PtLabel"},
    {Kind::Text, "PtText"},
    {Kind::Numeric, "PtNumericInteger"},
    {Kind::Slider, "PtSlider"},
    {Kind::List, "PtList"},
    {Kind::Combo, "PtComboBox"},
    {Kind::Group, "PtGroup"},
    {Kind::Scroll, "PtScrollContainer"},
    {Kind::Timer, "PtTimer"},
    {Kind::Menu, "PtMenu"},
    {Kind::MenuItem, "PtMenuButton"},
    {Kind::FileSel, "PtFileSel"},
    {Kind::Raw, "PtRaw"},
    {Kind::Tree, "PtTree"},
    {Kind::PanelGroup, "PtPanelGroup"},
};

std::set<PtWidget_t*>& live()
{
    static auto* s = new std::set<PtWidget_t*>;
    return *s;
}
std::vector<PtWidget_t*>& creation_order()
{
    static auto* v = new std::vector<PtWidget_t*>;
    return *v;
}
std::map<std::string, std::vector<PtWidget_t*>>& names()
{
    static auto* m = new std::map<std::string, std::vector<PtWidget_t*>>;
    return *m;
}
// Records of destroyed widgets are freed once no callback can still be running with them.
std::vector<PtWidget_t*>& graveyard()
{
    static auto* v = new std::vector<PtWidget_t*>;
    return *v;
}
guint grave_source = 0;

gboolean EmptyGraveyard(gpointer)
{
    for (PtWidget_t* w : graveyard()) delete w;
    graveyard().clear();
    grave_source = 0;
    return G_SOURCE_REMOVE;
}

void Bury(PtWidget_t* w)
{
    graveyard().push_back(w);
    if (!grave_source) grave_source = g_idle_add(EmptyGraveyard, nullptr);
}

void DestroyRecord(PtWidget_t* w, bool destroy_gtk);

void OnGtkDestroy(GtkWidget*, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (detail::Alive(w) && !w->destroying) DestroyRecord(w, false);
}

// Closes the open menus of a widget's tree. A menu left open while its window goes would find
// its bar taken out of the window, and the toolkit would treat the bar's box as the window.
void CloseMenus(GtkWidget* g)
{
    if (GTK_IS_MENU_SHELL(g)) gtk_menu_shell_deactivate(GTK_MENU_SHELL(g));
    if (!GTK_IS_CONTAINER(g)) return;
    GList* kids = gtk_container_get_children(GTK_CONTAINER(g));
    for (GList* l = kids; l; l = l->next) CloseMenus(GTK_WIDGET(l->data));
    g_list_free(kids);
}

void DestroyRecord(PtWidget_t* w, bool destroy_gtk)
{
    if (!detail::Alive(w) || w->destroying) return;
    if (destroy_gtk && w->gtk && w->kind == Kind::Window) CloseMenus(w->gtk);
    w->destroying = true;
    w->flags |= Pt_DESTROYED;
    auto kids = w->children;
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) DestroyRecord(*it, false);
    detail::Invoke(w, Pt_CB_DESTROYED, 0, nullptr, nullptr);
    detail::CancelTimer(w->timer_key);
    detail::CancelTimer(w->arm_key);
    detail::CancelTimer(w->repeat_key);
    if (w->parent) {
        auto& sib = w->parent->children;
        sib.erase(std::remove(sib.begin(), sib.end(), w), sib.end());
    }
    auto& byname = names()[w->name];
    byname.erase(std::remove(byname.begin(), byname.end(), w), byname.end());
    auto& order = creation_order();
    order.erase(std::remove(order.begin(), order.end(), w), order.end());
    live().erase(w);
    detail::ReleaseModule(w->module, w);
    w->module = nullptr;
    if (w->gtk) {
        g_signal_handlers_disconnect_matched(w->gtk, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, w);
        g_object_set_data(G_OBJECT(w->gtk), "photon-widget", nullptr);
        if (destroy_gtk) gtk_widget_destroy(w->gtk);
        g_object_unref(w->gtk);
        w->gtk = nullptr;
    }
    if (w->css) g_object_unref(w->css);
    w->css = nullptr;
    if (w->image) {
        PhReleaseImage(w->image);
        free(w->image);
        w->image = nullptr;
    }
    if (w->store) g_object_unref(w->store);
    w->store = nullptr;
    if (w->kind == Kind::Tree) detail::ForgetTree(w);
    Bury(w);
}

GtkWidget* NewGtk(Kind kind, PtWidget_t* rec)
{
    switch (kind) {
    case Kind::Window: {
        GtkWidget* win = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        GtkWidget* fixed = gtk_fixed_new();
        gtk_container_add(GTK_CONTAINER(win), fixed);
        gtk_widget_show(fixed);
        rec->body = fixed;
        return win;
    }
    case Kind::Button: return gtk_button_new();
    case Kind::Toggle: return gtk_toggle_button_new();
    case Kind::Label: {
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
        rec->image_part = gtk_image_new();
        rec->text_part = gtk_label_new("");
        gtk_box_pack_start(GTK_BOX(box), rec->image_part, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(box), rec->text_part, TRUE, TRUE, 0);
        gtk_widget_show(rec->text_part);
        gtk_widget_set_no_show_all(rec->image_part, TRUE);
        return box;
    }
    case Kind::Text: return gtk_entry_new();
    case Kind::Numeric: return gtk_spin_button_new_with_range(INT_MIN / 2, INT_MAX / 2, 1);
    case Kind::Slider: {
        GtkWidget* s = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
        gtk_scale_set_draw_value(GTK_SCALE(s), FALSE);
        return s;
    }
    case Kind::List: {
        GtkListStore* store = gtk_list_store_new(1, G_TYPE_STRING);
        GtkWidget* view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
        g_object_unref(store);
        return view;
    }
    case Kind::Combo: return gtk_combo_box_text_new();
    case Kind::Group: return gtk_fixed_new();
    case Kind::Scroll: {
        GtkWidget* sw = gtk_scrolled_window_new(nullptr, nullptr);
        GtkWidget* layout = gtk_layout_new(nullptr, nullptr);
        gtk_container_add(GTK_CONTAINER(sw), layout);
        gtk_widget_show(layout);
        rec->body = layout;
        return sw;
    }
    case Kind::Timer: {
        GtkWidget* l = gtk_label_new("");
        gtk_widget_set_name(l, "PtTimer");
        return l;
    }
    case Kind::Menu: return gtk_menu_new();
    case Kind::MenuItem: return gtk_menu_item_new_with_mnemonic("");
    case Kind::FileSel: return gtk_file_chooser_widget_new(GTK_FILE_CHOOSER_ACTION_OPEN);
    case Kind::Raw: return gtk_drawing_area_new();
    case Kind::Tree: return gtk_tree_view_new();
    case Kind::PanelGroup: return gtk_notebook_new();
    }
    return gtk_fixed_new();
}

GtkWidget* ContainerOf(PtWidget_t* parent)
{
    GtkWidget* c = parent->body ? parent->body : parent->gtk;
    // A window or frame holding one child: go into that child.
    while (GTK_IS_BIN(c) && !GTK_IS_SCROLLED_WINDOW(c) && gtk_bin_get_child(GTK_BIN(c)) &&
           GTK_IS_CONTAINER(gtk_bin_get_child(GTK_BIN(c))))
        c = gtk_bin_get_child(GTK_BIN(c));
    return c;
}

// Children of a fixed container in drawing order, with their positions.
struct Placed {
    GtkWidget* w;
    int x, y;
};
std::vector<Placed> PlacedChildren(GtkWidget* c)
{
    std::vector<Placed> out;
    GList* kids = gtk_container_get_children(GTK_CONTAINER(c));
    for (GList* l = kids; l; l = l->next) {
        int x = 0, y = 0;
        gtk_container_child_get(GTK_CONTAINER(c), GTK_WIDGET(l->data), "x", &x, "y", &y, nullptr);
        out.push_back({GTK_WIDGET(l->data), x, y});
    }
    g_list_free(kids);
    return out;
}

void Replace(GtkWidget* c, const std::vector<Placed>& order)
{
    for (auto& p : order) {
        g_object_ref(p.w);
        gtk_container_remove(GTK_CONTAINER(c), p.w);
    }
    for (auto& p : order) {
        if (GTK_IS_FIXED(c)) gtk_fixed_put(GTK_FIXED(c), p.w, p.x, p.y);
        else gtk_layout_put(GTK_LAYOUT(c), p.w, p.x, p.y);
        g_object_unref(p.w);
    }
}

// Moves widget within its parent container: to the front (end), back (start) or next to sibling.
int Reorder(PtWidget_t* w, PtWidget_t* sibling, int where /* 1 front, -1 back, 0 beside */, bool behind)
{
    if (!w->gtk) return -1;
    GtkWidget* c = gtk_widget_get_parent(w->gtk);
    if (!c) return -1;
    if (w->parent) {
        auto& sib = w->parent->children;
        sib.erase(std::remove(sib.begin(), sib.end(), w), sib.end());
        auto at = sib.end();
        if (where < 0) at = sib.begin();
        if (where == 0 && sibling) {
            at = std::find(sib.begin(), sib.end(), sibling);
            if (at != sib.end() && behind) ++at;
        }
        sib.insert(at, w);
    }
    if (GTK_IS_BOX(c)) {
        int pos = -1;
        if (where < 0) pos = 0;
        if (where == 0 && sibling && sibling->gtk) {
            GValue v = G_VALUE_INIT;
            g_value_init(&v, G_TYPE_INT);
            gtk_container_child_get_property(GTK_CONTAINER(c), sibling->gtk, "position", &v);
            pos = g_value_get_int(&v) + (behind ? 1 : 0);
            g_value_unset(&v);
        }
        gtk_box_reorder_child(GTK_BOX(c), w->gtk, pos);
        return 0;
    }
    if (GTK_IS_FIXED(c) || GTK_IS_LAYOUT(c)) {
        auto order = PlacedChildren(c);
        auto me = std::find_if(order.begin(), order.end(), [&](auto& p) { return p.w == w->gtk; });
        if (me == order.end()) return -1;
        Placed mine = *me;
        order.erase(me);
        auto at = where < 0 ? order.begin() : order.end();
        if (where == 0 && sibling && sibling->gtk) {
            at = std::find_if(order.begin(), order.end(), [&](auto& p) { return p.w == sibling->gtk; });
            if (at != order.end() && !behind) ++at;
        }
        order.insert(at, mine);
        Replace(c, order);
    }
    return 0;
}

void MarkRealized(PtWidget_t* w, bool on)
{
    for (PtWidget_t* k : w->children) {
        if (k->kind == Kind::Timer) {
            bool was = k->realized_flag;
            k->realized_flag = on;
            if (on && !was && k->timer_initial) PtSetResource(k, Pt_ARG_TIMER_INITIAL, long(k->timer_initial), 0);
            if (!on) detail::CancelTimer(k->timer_key);
        }
        MarkRealized(k, on);
    }
}

}  // namespace

PtWidgetClassRef_t* const PtWindow = &kClasses[0];
PtWidgetClassRef_t* const PtButton = &kClasses[1];
PtWidgetClassRef_t* const PtToggleButton = &kClasses[2];
PtWidgetClassRef_t* const PtLabel = &kClasses[3];
PtWidgetClassRef_t* const PtText = &kClasses[4];
PtWidgetClassRef_t* const PtNumericInteger = &kClasses[5];
PtWidgetClassRef_t* const PtSlider = &kClasses[6];
PtWidgetClassRef_t* const PtList = &kClasses[7];
PtWidgetClassRef_t* const PtComboBox = &kClasses[8];
PtWidgetClassRef_t* const PtGroup = &kClasses[9];
PtWidgetClassRef_t* const PtScrollContainer = &kClasses[10];
PtWidgetClassRef_t* const PtTimer = &kClasses[11];
PtWidgetClassRef_t* const PtMenu = &kClasses[12];
PtWidgetClassRef_t* const PtMenuButton = &kClasses[13];
PtWidgetClassRef_t* const PtFileSel = &kClasses[14];
PtWidgetClassRef_t* const PtRaw = &kClasses[15];
PtWidgetClassRef_t* const PtTree = &kClasses[16];
PtWidgetClassRef_t* const PtPanelGroup = &kClasses[17];

namespace detail {

PtWidgetClassRef_t* ClassOf(Kind kind)
{
    for (auto& c : kClasses)
        if (c.kind == kind) return &c;
    return PtGroup;
}

bool Alive(PtWidget_t* w) { return w && live().count(w); }

PtWidget_t* FromGtk(GtkWidget* gtk)
{
    return gtk ? static_cast<PtWidget_t*>(g_object_get_data(G_OBJECT(gtk), "photon-widget")) : nullptr;
}

Kind KindOfGtk(GtkWidget* g)
{
    const char* n = gtk_widget_get_name(g);
    if (n && strcmp(n, "PtTimer") == 0) return Kind::Timer;
    if (n && strcmp(n, "PtRaw") == 0) return Kind::Raw;
    if (n && strcmp(n, "PtTree") == 0 && GTK_IS_TREE_VIEW(g)) return Kind::Tree;
    if (GTK_IS_WINDOW(g)) return Kind::Window;
    if (GTK_IS_MENU_ITEM(g)) return Kind::MenuItem;
    if (GTK_IS_MENU(g)) return Kind::Menu;
    if (GTK_IS_TOGGLE_BUTTON(g)) return Kind::Toggle;
    if (GTK_IS_BUTTON(g)) return Kind::Button;
    if (GTK_IS_SPIN_BUTTON(g)) return Kind::Numeric;
    if (GTK_IS_ENTRY(g)) return Kind::Text;
    if (GTK_IS_SCALE(g)) return Kind::Slider;
    if (GTK_IS_COMBO_BOX(g)) return Kind::Combo;
    if (GTK_IS_TREE_VIEW(g)) return Kind::List;
    if (GTK_IS_LABEL(g) || GTK_IS_IMAGE(g)) return Kind::Label;
    if (GTK_IS_SCROLLED_WINDOW(g)) return Kind::Scroll;
    if (GTK_IS_FILE_CHOOSER_WIDGET(g)) return Kind::FileSel;
    if (GTK_IS_DRAWING_AREA(g)) return Kind::Raw;
    if (GTK_IS_NOTEBOOK(g)) return Kind::PanelGroup;
    return Kind::Group;
}

void RegisterName(PtWidget_t* w)
{
    if (!w->name.empty()) names()[w->name].push_back(w);
}

PtWidget_t* WrapGtk(GtkWidget* gtk, Kind kind, const std::string& name, PtWidget_t* parent)
{
    auto* w = new PtWidget_t;
    w->kind = kind;
    w->cls = ClassOf(kind);
    w->name = name;
    w->gtk = gtk;
    g_object_ref_sink(gtk);
    g_object_set_data(G_OBJECT(gtk), "photon-widget", w);
    w->parent = parent;
    if (parent) parent->children.push_back(w);
    live().insert(w);
    creation_order().push_back(w);
    RegisterName(w);
    if (kind == Kind::Timer) gtk_widget_set_no_show_all(gtk, TRUE);
    if (kind == Kind::Scroll && !w->body) {
        GtkWidget* c = gtk_bin_get_child(GTK_BIN(gtk));
        if (c && GTK_IS_VIEWPORT(c)) c = gtk_bin_get_child(GTK_BIN(c));
        w->body = c;
    }
    if (kind == Kind::List) {
        GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(gtk));
        if (!model || !GTK_IS_LIST_STORE(model)) {
            GtkListStore* store = gtk_list_store_new(1, G_TYPE_STRING);
            gtk_tree_view_set_model(GTK_TREE_VIEW(gtk), GTK_TREE_MODEL(store));
            g_object_unref(store);
            model = GTK_TREE_MODEL(store);
        }
        w->store = GTK_LIST_STORE(model);
        g_object_ref(w->store);
        if (gtk_tree_view_get_n_columns(GTK_TREE_VIEW(gtk)) == 0) {
            GtkCellRenderer* r = gtk_cell_renderer_text_new();
            gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(gtk), -1, "", r, "text", 0, nullptr);
            gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(gtk), FALSE);
        }
    }
    // Texts given by a UI file read back as the widget's text.
    const char* text = nullptr;
    if (GTK_IS_LABEL(gtk)) text = gtk_label_get_text(GTK_LABEL(gtk));
    else if (GTK_IS_BUTTON(gtk)) text = gtk_button_get_label(GTK_BUTTON(gtk));
    else if (GTK_IS_MENU_ITEM(gtk)) text = gtk_menu_item_get_label(GTK_MENU_ITEM(gtk));
    else if (GTK_IS_WINDOW(gtk)) text = gtk_window_get_title(GTK_WINDOW(gtk));
    if (text) w->text = text;
    if (GTK_IS_WINDOW(gtk) && text) w->title = text;
    // Pictures given by a UI file read back as the widget's label image.
    GtkWidget* picture = GTK_IS_IMAGE(gtk) ? gtk : GTK_IS_BUTTON(gtk) ? gtk_button_get_image(GTK_BUTTON(gtk)) : nullptr;
    if (picture && gtk_image_get_storage_type(GTK_IMAGE(picture)) == GTK_IMAGE_PIXBUF) {
        w->image = ImageFromPixbuf(gtk_image_get_pixbuf(GTK_IMAGE(picture)));
        w->label_type = GTK_IS_IMAGE(gtk) || !text || !*text ? Pt_IMAGE : Pt_TEXT_IMAGE;
        if (GTK_IS_BUTTON(gtk)) w->image_part = picture;
    }
    if (kind == Kind::Tree) WrapTreeView(w);
    g_signal_connect(gtk, "destroy", G_CALLBACK(OnGtkDestroy), w);
    ConnectSignals(w);
    return w;
}

void AddChildGtk(PtWidget_t* parent, GtkWidget* child, PhPoint_t pos)
{
    GtkWidget* c = ContainerOf(parent);
    if (GTK_IS_FIXED(c)) gtk_fixed_put(GTK_FIXED(c), child, pos.x, pos.y);
    else if (GTK_IS_LAYOUT(c)) gtk_layout_put(GTK_LAYOUT(c), child, pos.x, pos.y);
    else if (GTK_IS_BOX(c)) gtk_box_pack_start(GTK_BOX(c), child, FALSE, FALSE, 0);
    else if (GTK_IS_MENU_SHELL(c) && GTK_IS_MENU_ITEM(child)) gtk_menu_shell_append(GTK_MENU_SHELL(c), child);
    else if (GTK_IS_CONTAINER(c)) gtk_container_add(GTK_CONTAINER(c), child);
}

bool InputBlocked(PtWidget_t* w)
{
    for (; w; w = w->parent)
        if (w->flags & Pt_BLOCKED) return true;
    return false;
}

void SendInfoToWindows(unsigned subtype)
{
    auto order = creation_order();
    for (PtWidget_t* w : order) {
        if (!Alive(w) || w->kind != Kind::Window || !PtWidgetIsRealized(w)) continue;
        PhEvent_t ev = MakeEvent(Ph_EV_INFO, subtype);
        InvokeHandlers(w, Ph_EV_INFO, &ev);
    }
}

void DestroyAll()
{
    auto order = creation_order();
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        if (Alive(*it) && !(*it)->parent) PtDestroyWidget(*it);
}

}  // namespace detail

PtWidget_t* PtCreateWidget(PtWidgetClassRef_t* cls, PtWidget_t* parent, unsigned nargs, const PtArg_t* args)
{
    if (!cls || !detail::HaveDisplay()) return nullptr;
    PtWidget_t* out = nullptr;
    detail::RunOnLoop([&] {
        auto* tmp = new PtWidget_t;  // holds the parts made with the widget
        tmp->kind = cls->kind;
        GtkWidget* g = NewGtk(cls->kind, tmp);
        PtWidget_t* w = detail::WrapGtk(g, cls->kind, "", detail::Alive(parent) ? parent : nullptr);
        w->body = tmp->body;
        w->text_part = tmp->text_part;
        w->image_part = tmp->image_part;
        delete tmp;
        PhPoint_t pos{0, 0};
        for (unsigned i = 0; i < nargs; ++i)
            if (args[i].type == Pt_ARG_POS && args[i].value) pos = *reinterpret_cast<const PhPoint_t*>(args[i].value);
        w->pos = pos;
        if (w->parent) detail::AddChildGtk(w->parent, g, pos);
        PtSetResources(w, nargs, args);
        out = w;
    });
    return out;
}

int PtRealizeWidget(PtWidget_t* w)
{
    if (!detail::Alive(w)) return -1;
    detail::RunOnLoop([&] {
        if (w->kind == Kind::Timer) {
            w->realized_flag = true;
            if (w->timer_initial) PtSetResource(w, Pt_ARG_TIMER_INITIAL, long(w->timer_initial), 0);
            return;
        }
        gtk_widget_show(w->gtk);
        w->realized_flag = true;
        MarkRealized(w, true);
    });
    return 0;
}

int PtUnrealizeWidget(PtWidget_t* w)
{
    if (!detail::Alive(w)) return -1;
    detail::RunOnLoop([&] {
        w->realized_flag = false;
        MarkRealized(w, false);
        if (w->kind == Kind::Timer) detail::CancelTimer(w->timer_key);
        else gtk_widget_hide(w->gtk);
    });
    return 0;
}

int PtDestroyWidget(PtWidget_t* w)
{
    if (!detail::Alive(w) || w->destroying) return -1;
    detail::RunOnLoop([&] { DestroyRecord(w, true); });
    return 0;
}

PtWidget_t* ApWidget(const char* name)
{
    if (!name) return nullptr;
    auto it = names().find(name);
    if (it == names().end() || it->second.empty()) return nullptr;
    return it->second.back();
}

int PtWidgetIsRealized(PtWidget_t* w) { return (PtWidgetFlags(w) & Pt_REALIZED) ? 1 : 0; }

long PtWidgetFlags(PtWidget_t* w)
{
    if (!detail::Alive(w)) return 0;
    long f = w->flags & ~Pt_REALIZED;
    bool realized = w->kind == Kind::Timer ? w->realized_flag : (w->gtk && gtk_widget_get_mapped(w->gtk));
    if (realized) f |= Pt_REALIZED;
    if (w->kind == Kind::Toggle)
        f = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w->gtk)) ? (f | Pt_SET) : (f & ~Pt_SET);
    if (w->kind == Kind::MenuItem && GTK_IS_CHECK_MENU_ITEM(w->gtk))
        f = gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(w->gtk)) ? (f | Pt_SET) : (f & ~Pt_SET);
    w->value_long = f;
    return f;
}

PtWidget_t* PtWidgetParent(PtWidget_t* w) { return detail::Alive(w) ? w->parent : nullptr; }

PtWidget_t* PtFindDisjoint(PtWidget_t* w)
{
    while (detail::Alive(w) && w->kind != Kind::Window && w->parent) w = w->parent;
    return detail::Alive(w) ? w : nullptr;
}

PtWidgetClassRef_t* PtWidgetClass(PtWidget_t* w) { return detail::Alive(w) ? w->cls : nullptr; }

int PtWidgetIsClass(PtWidget_t* w, PtWidgetClassRef_t* cls) { return detail::Alive(w) && w->cls == cls; }

int PtWidgetToFront(PtWidget_t* w)
{
    int r = -1;
    if (detail::Alive(w)) detail::RunOnLoop([&] { r = Reorder(w, nullptr, 1, false); });
    return r;
}

int PtWidgetToBack(PtWidget_t* w)
{
    int r = -1;
    if (detail::Alive(w)) detail::RunOnLoop([&] { r = Reorder(w, nullptr, -1, false); });
    return r;
}

int PtWidgetInsert(PtWidget_t* w, PtWidget_t* sibling, int behind)
{
    int r = -1;
    if (detail::Alive(w) && detail::Alive(sibling)) detail::RunOnLoop([&] { r = Reorder(w, sibling, 0, behind != 0); });
    return r;
}

PhArea_t* PtWidgetArea(PtWidget_t* w, PhArea_t* area)
{
    if (!detail::Alive(w) || !area) return nullptr;
    PhArea_t* a = nullptr;
    PtGetResource(w, Pt_ARG_AREA, &a, 0);
    if (a) *area = *a;
    return area;
}

PhRect_t* PtWidgetExtent(PtWidget_t* w, PhRect_t* extent)
{
    PhArea_t a{};
    if (!extent || !PtWidgetArea(w, &a)) return nullptr;
    extent->ul = a.pos;
    extent->lr = {static_cast<int16_t>(a.pos.x + a.size.w - 1), static_cast<int16_t>(a.pos.y + a.size.h - 1)};
    return extent;
}

int PtExtentWidget(PtWidget_t* w)
{
    if (!detail::Alive(w) || !w->gtk) return -1;
    detail::RunOnLoop([&] { gtk_widget_queue_resize(w->gtk); });
    return 0;
}

int PtWindowToFront(PtWidget_t* w)
{
    w = PtFindDisjoint(w);
    if (!w || w->kind != Kind::Window) return -1;
    detail::RunOnLoop([&] { gtk_window_present(GTK_WINDOW(w->gtk)); });
    return 0;
}

int PtForwardWindowEvent(const PhWindowEvent_t* ev)
{
    if (!ev) return -1;
    PtWidget_t* w = PtFindDisjoint(ev->window);
    if (!w || w->kind != Kind::Window) return -1;
    detail::RunOnLoop([&] {
        if (ev->event_f & Ph_WM_MOVE) gtk_window_move(GTK_WINDOW(w->gtk), ev->pos.x, ev->pos.y);
        if (ev->event_f & Ph_WM_RESIZE) gtk_window_resize(GTK_WINDOW(w->gtk), ev->size.w, ev->size.h);
        if (ev->event_f & Ph_WM_TOFRONT) gtk_window_present(GTK_WINDOW(w->gtk));
        if (ev->event_f & Ph_WM_HIDE) gtk_window_iconify(GTK_WINDOW(w->gtk));
        if (ev->event_f & Ph_WM_FFRONT) gtk_window_set_keep_above(GTK_WINDOW(w->gtk), ev->state_f == 0);
    });
    if (ev->event_f & Ph_WM_CLOSE) detail::NoteWindowClosed(w);
    return 0;
}

int PhWindowQueryVisible(unsigned, long, unsigned, PhRect_t* rect)
{
    if (!rect || !detail::HaveDisplay()) return -1;
    GdkRectangle g{0, 0, 640, 480};
    GdkMonitor* m = gdk_display_get_primary_monitor(gdk_display_get_default());
    if (!m) m = gdk_display_get_monitor(gdk_display_get_default(), 0);
    if (m) gdk_monitor_get_geometry(m, &g);
    rect->ul = {static_cast<int16_t>(g.x), static_cast<int16_t>(g.y)};
    rect->lr = {static_cast<int16_t>(g.x + g.width - 1), static_cast<int16_t>(g.y + g.height - 1)};
    return 0;
}

int PhInputGroup(PhEvent_t*) { return 1; }

namespace {
int hold_count = 0;
}

int PtHold() { return ++hold_count; }
int PtRelease() { return hold_count > 0 ? --hold_count : 0; }
int PtContainerHold(PtWidget_t* w) { return detail::Alive(w) ? 0 : -1; }
int PtContainerRelease(PtWidget_t* w)
{
    if (!detail::Alive(w) || !w->gtk) return -1;
    detail::RunOnLoop([&] { gtk_widget_queue_draw(w->gtk); });
    return 0;
}
int PtDamageWidget(PtWidget_t* w) { return PtContainerRelease(w); }

}  // namespace photon
