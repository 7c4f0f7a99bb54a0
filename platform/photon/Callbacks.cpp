// Callbacks in the order the appliance programs expect them, raised from GTK's signals and from
// the display's events, which all pass through the layer's event filter first (blocked widgets
// take no input; hotkeys and raw event handlers see keys and pointer events before GTK does).
#include "photon/detail/Widget.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <vector>

namespace photon {
namespace detail {
namespace {

bool HasCallbacks(PtWidget_t* w, unsigned long reason)
{
    return std::any_of(w->callbacks.begin(), w->callbacks.end(), [&](auto& c) { return c.reason == reason; });
}

PtWidget_t* NearestRecord(GtkWidget* g)
{
    for (; g; g = gtk_widget_get_parent(g))
        if (PtWidget_t* w = FromGtk(g)) return w;
    return nullptr;
}

// ---- Buttons: arm on press, disarm then activate on release, repeat while held ----

void RepeatTick(PtWidget_t* w)
{
    w->repeat_key = {};
    if (!w->armed) return;
    w->repeat_key = ArmTimer(w->repeat_interval ? w->repeat_interval : 100, [w] { RepeatTick(w); });
    PhEvent_t ev = MakeEvent(Ph_EV_BUT_REPEAT, 0);
    Invoke(w, Pt_CB_REPEAT, 0, &ev, nullptr);
}

void OnPressed(GtkButton*, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    w->armed = true;
    w->pending_activate = false;
    if (HasCallbacks(w, Pt_CB_REPEAT)) w->repeat_key = ArmTimer(w->repeat_delay, [w] { RepeatTick(w); });
    PhEvent_t ev = MakeEvent(Ph_EV_BUT_PRESS, 0);
    Invoke(w, Pt_CB_ARM, 0, &ev, nullptr);
}

void OnClicked(GtkButton*, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (w->quiet) return;
    if (w->armed) {
        w->pending_activate = true;
        return;
    }
    PhEvent_t ev = MakeEvent(Ph_EV_BUT_RELEASE, Ph_EV_RELEASE_REAL);
    Invoke(w, Pt_CB_ACTIVATE, 0, &ev, nullptr);
}

void OnReleased(GtkButton*, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (!w->armed) return;
    w->armed = false;
    CancelTimer(w->repeat_key);
    PhEvent_t ev = MakeEvent(Ph_EV_BUT_RELEASE, Ph_EV_RELEASE_REAL);
    Invoke(w, Pt_CB_DISARM, 0, &ev, nullptr);
    if (Alive(w) && w->pending_activate) {
        w->pending_activate = false;
        Invoke(w, Pt_CB_ACTIVATE, 0, &ev, nullptr);
    }
}

// ---- Text, numbers, sliders ----

void OnEntryActivate(GtkEntry*, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    PhEvent_t ev = MakeEvent(Ph_EV_KEY, 0);
    Invoke(w, Pt_CB_ACTIVATE, 0, &ev, nullptr);
}

void OnEntryChanged(GtkEditable*, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (!w->quiet) Invoke(w, Pt_CB_TEXT_CHANGED, 0, nullptr, nullptr);
}

void OnSpinChanged(GtkSpinButton* s, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (w->quiet) return;
    PtNumericCallback_t cb{0, static_cast<int>(gtk_spin_button_get_value(s))};
    Invoke(w, Pt_CB_NUMERIC_CHANGED, 0, nullptr, &cb);
}

int RangeValue(GtkRange* r)
{
    double v = gtk_range_get_value(r);
    return static_cast<int>(v + (v < 0 ? -0.5 : 0.5));
}

void OnRangeChanged(GtkRange* r, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (w->quiet) return;
    unsigned long sub = w->dragging ? Pt_SLIDER_DRAGGED : Pt_SLIDER_STEPPED;
    PtSliderCallback_t cb{static_cast<int>(sub), RangeValue(r)};
    PhEvent_t ev = MakeEvent(w->dragging ? Ph_EV_PTR_MOTION_BUTTON : Ph_EV_KEY, 0);
    Invoke(w, Pt_CB_SLIDER_MOVE, sub, &ev, &cb);
}

gboolean OnRangePress(GtkWidget*, GdkEventButton* e, gpointer user)
{
    if (e->button == 1) static_cast<PtWidget_t*>(user)->dragging = true;
    return FALSE;
}

gboolean OnRangeRelease(GtkWidget* g, GdkEventButton* e, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (e->button != 1 || !w->dragging) return FALSE;
    w->dragging = false;
    PtSliderCallback_t cb{Pt_SLIDER_RELEASED, RangeValue(GTK_RANGE(g))};
    PhEvent_t ev = MakeEvent(Ph_EV_BUT_RELEASE, Ph_EV_RELEASE_REAL);
    Invoke(w, Pt_CB_SLIDER_MOVE, Pt_SLIDER_RELEASED, &ev, &cb);
    return FALSE;
}

// ---- Lists and combo boxes ----

std::string RowText(GtkTreeModel* model, int index, int column)
{
    GtkTreeIter it;
    std::string out;
    if (gtk_tree_model_iter_nth_child(model, &it, nullptr, index)) {
        gchar* t = nullptr;
        gtk_tree_model_get(model, &it, column, &t, -1);
        out = t ? t : "";
        g_free(t);
    }
    return out;
}

constexpr uint64_t kDoubleClickMs = 400;

void ListNotice(PtWidget_t* w, int index, unsigned long subtype, PhEvent_t* ev)
{
    ev->data.pointer.click_count = static_cast<unsigned short>(w->click_count);
    ev->data.pointer.buttons = 1;
    std::string text = RowText(GTK_TREE_MODEL(w->store), index, 0);
    unsigned short pos = static_cast<unsigned short>(index + 1);
    PtListCallback_t cb{0, text.c_str(), static_cast<unsigned short>(text.size()), pos, 1, &pos};
    Invoke(w, Pt_CB_SELECTION, subtype, ev, &cb);
}

gboolean OnListPress(GtkWidget* g, GdkEventButton* e, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (e->button != 1 || e->type != GDK_BUTTON_PRESS) return FALSE;
    if (e->window != gtk_tree_view_get_bin_window(GTK_TREE_VIEW(g))) return FALSE;
    GtkTreePath* path = nullptr;
    if (!gtk_tree_view_get_path_at_pos(GTK_TREE_VIEW(g), static_cast<int>(e->x), static_cast<int>(e->y), &path, nullptr,
                                       nullptr, nullptr))
        return FALSE;
    int index = gtk_tree_path_get_indices(path)[0];
    ++w->quiet;
    gtk_widget_grab_focus(g);
    GtkTreeSelection* sel = gtk_tree_view_get_selection(GTK_TREE_VIEW(g));
    gtk_tree_selection_unselect_all(sel);
    gtk_tree_selection_select_path(sel, path);
    gtk_tree_view_set_cursor(GTK_TREE_VIEW(g), path, nullptr, FALSE);
    --w->quiet;
    gtk_tree_path_free(path);
    w->armed = true;
    w->value_int = index;
    uint64_t now = NowMs();
    const void* row = reinterpret_cast<const void*>(static_cast<intptr_t>(index + 1));
    w->click_count = w->last_press && now - w->last_press < kDoubleClickMs && w->last_target == row ? 2 : 1;
    w->last_press = now;
    w->last_target = row;
    PhEvent_t ev = MakeEvent(Ph_EV_BUT_PRESS, 0);
    ListNotice(w, index, Pt_LIST_SELECTION_BROWSE, &ev);
    return TRUE;  // the row is chosen; GTK's own press handling would only repeat it
}

gboolean OnListRelease(GtkWidget*, GdkEventButton* e, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (e->button != 1 || !w->armed) return FALSE;
    w->armed = false;
    PhEvent_t ev = MakeEvent(Ph_EV_BUT_RELEASE, Ph_EV_RELEASE_REAL);
    ListNotice(w, w->value_int, Pt_LIST_SELECTION_FINAL, &ev);
    return TRUE;
}

void OnListSelectionChanged(GtkTreeSelection* sel, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (w->quiet || w->armed) return;
    GList* rows = gtk_tree_selection_get_selected_rows(sel, nullptr);
    if (rows) {
        int index = gtk_tree_path_get_indices(static_cast<GtkTreePath*>(rows->data))[0];
        PhEvent_t ev = MakeEvent(Ph_EV_KEY, 0);
        w->click_count = 1;
        ListNotice(w, index, Pt_LIST_SELECTION_FINAL, &ev);
    }
    g_list_free_full(rows, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
}

// Return on a list: the selected row is activated.
gboolean OnListKey(GtkWidget* g, GdkEventKey* e, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (e->keyval != GDK_KEY_Return && e->keyval != GDK_KEY_KP_Enter) return FALSE;
    GList* rows = gtk_tree_selection_get_selected_rows(gtk_tree_view_get_selection(GTK_TREE_VIEW(g)), nullptr);
    if (rows) {
        int index = gtk_tree_path_get_indices(static_cast<GtkTreePath*>(rows->data))[0];
        std::string text = RowText(GTK_TREE_MODEL(w->store), index, 0);
        unsigned short pos = static_cast<unsigned short>(index + 1);
        PtListCallback_t cb{0, text.c_str(), static_cast<unsigned short>(text.size()), pos, 1, &pos};
        PhEvent_t ev = MakeEvent(Ph_EV_KEY, 0);
        ev.data.key.key_flags = Pk_KF_Key_Down | Pk_KF_Cap_Valid | Pk_KF_Sym_Valid;
        ev.data.key.key_cap = ev.data.key.key_sym = Pk_Return;
        Invoke(w, Pt_CB_ACTIVATE, 0, &ev, &cb);
    }
    g_list_free_full(rows, reinterpret_cast<GDestroyNotify>(gtk_tree_path_free));
    return TRUE;
}

// A text change the program may refuse.
void OnInsertText(GtkEditable* e, gchar* text, gint len, gint* position, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (w->quiet || !HasCallbacks(w, Pt_CB_MODIFY_VERIFY)) return;
    PtTextCallback_t cb{1, text, len < 0 ? static_cast<int>(strlen(text)) : len, *position, *position};
    Invoke(w, Pt_CB_MODIFY_VERIFY, 0, nullptr, &cb);
    if (!cb.doit) g_signal_stop_emission_by_name(e, "insert-text");
}

void OnComboChanged(GtkComboBox* c, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (w->quiet) return;
    int index = gtk_combo_box_get_active(c);
    if (index < 0) return;
    std::string text = RowText(gtk_combo_box_get_model(c), index, gtk_combo_box_get_entry_text_column(c));
    unsigned short pos = static_cast<unsigned short>(index + 1);
    PtListCallback_t cb{0, text.c_str(), static_cast<unsigned short>(text.size()), pos, 1, &pos};
    PhEvent_t ev = MakeEvent(Ph_EV_BUT_RELEASE, Ph_EV_RELEASE_REAL);
    Invoke(w, Pt_CB_SELECTION, Pt_LIST_SELECTION_FINAL, &ev, &cb);
}

// ---- Menus, file selectors, windows, life ----

void OnMenuActivate(GtkMenuItem* item, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (w->quiet || gtk_menu_item_get_submenu(item)) return;
    PhEvent_t ev = MakeEvent(Ph_EV_BUT_RELEASE, Ph_EV_RELEASE_REAL);
    Invoke(w, Pt_CB_ACTIVATE, 0, &ev, nullptr);
}

// The type of the user's input the toolkit handles now; GDK_NOTHING when there is none.
GdkEventType CurrentInput()
{
    GdkEvent* e = gtk_get_current_event();
    if (!e) return GDK_NOTHING;
    const GdkEventType t = e->type;
    gdk_event_free(e);
    switch (t) {
    case GDK_BUTTON_PRESS:
    case GDK_2BUTTON_PRESS:
    case GDK_3BUTTON_PRESS:
    case GDK_BUTTON_RELEASE:
    case GDK_KEY_PRESS:
    case GDK_KEY_RELEASE:
    case GDK_TOUCH_BEGIN:
    case GDK_TOUCH_END: return t;
    default: return GDK_NOTHING;
    }
}

bool PointerInput(GdkEventType t) { return t != GDK_NOTHING && t != GDK_KEY_PRESS && t != GDK_KEY_RELEASE; }

// Reports the file the selector has selected now, with an event of the input that chose it.
void ReportChosenFile(GtkFileChooser* fc, PtWidget_t* w, PhEvent_t* ev)
{
    if (w->quiet) return;
    gchar* path = gtk_file_chooser_get_filename(fc);
    if (!path) return;
    PtFileSelCallback_t cb{path};
    Invoke(w, Pt_CB_FS_SELECTION, 0, ev, &cb);
    g_free(path);
}

// Every click on a file reports it, as the list does, also when its row is already selected:
// a second click (the double click among them) is how the program sees the file chosen again.
// A selection the toolkit makes by itself (the first row of a folder just read) is not the
// user's choice and is not reported.
void OnFileSelectionChanged(GtkFileChooser* fc, gpointer user)
{
    const GdkEventType input = CurrentInput();
    if (input == GDK_NOTHING) return;
    PhEvent_t ev = MakeEvent(PointerInput(input) ? Ph_EV_BUT_PRESS : Ph_EV_KEY, 0);
    if (PointerInput(input)) ev.data.pointer.click_count = 1;
    ReportChosenFile(fc, static_cast<PtWidget_t*>(user), &ev);
}

// The toolkit has taken up a folder (the one set, or another the user opened).
void OnFileFolderChanged(GtkFileChooser*, gpointer user) { static_cast<PtWidget_t*>(user)->root_dir_pending = false; }

// A press on the row already selected changes no selection: it is reported when released.
gboolean OnFileRowPress(GtkWidget* g, GdkEventButton* e, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    // The toolkit's added event of a double click is no press of its own.
    if (e->type != GDK_BUTTON_PRESS) return FALSE;
    w->armed = false;
    if (e->button != 1) return FALSE;
    GtkTreeView* view = GTK_TREE_VIEW(g);
    if (e->window != gtk_tree_view_get_bin_window(view)) return FALSE;
    GtkTreePath* path = nullptr;
    if (!gtk_tree_view_get_path_at_pos(view, static_cast<int>(e->x), static_cast<int>(e->y), &path, nullptr, nullptr,
                                       nullptr))
        return FALSE;
    GtkTreeSelection* selection = gtk_tree_view_get_selection(view);
    w->armed =
        gtk_tree_selection_path_is_selected(selection, path) && gtk_tree_selection_count_selected_rows(selection) == 1;
    gtk_tree_path_free(path);
    return FALSE;
}

gboolean OnFileRowRelease(GtkWidget*, GdkEventButton* e, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (e->button != 1 || !w->armed) return FALSE;
    w->armed = false;
    // A folder's second click is the toolkit's: a double click opens it.
    gchar* chosen = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(w->gtk));
    const bool folder = !chosen || g_file_test(chosen, G_FILE_TEST_IS_DIR);
    g_free(chosen);
    if (folder) return FALSE;
    PhEvent_t ev = MakeEvent(Ph_EV_BUT_PRESS, 0);
    ev.data.pointer.click_count = 1;
    ev.data.pointer.buttons = 1;
    ReportChosenFile(GTK_FILE_CHOOSER(w->gtk), w, &ev);
    return FALSE;
}

// A file activated by a key (Return) is reported as a Return key; a double click's clicks have
// reported it already.
void OnFileActivated(GtkFileChooser* fc, gpointer user)
{
    if (PointerInput(CurrentInput())) return;
    PhEvent_t ev = MakeEvent(Ph_EV_KEY, 0);
    ev.data.key.key_flags = Pk_KF_Key_Down | Pk_KF_Cap_Valid | Pk_KF_Sym_Valid;
    ev.data.key.key_cap = ev.data.key.key_sym = Pk_Return;
    ReportChosenFile(fc, static_cast<PtWidget_t*>(user), &ev);
}

// The file selector's own list views (inner parts of the toolkit's widget included).
void ForEachTreeView(GtkWidget* g, const std::function<void(GtkWidget*)>& take)
{
    if (GTK_IS_TREE_VIEW(g)) take(g);
    if (!GTK_IS_CONTAINER(g)) return;
    std::vector<GtkWidget*> kids;
    gtk_container_forall(
        GTK_CONTAINER(g),
        [](GtkWidget* kid, gpointer out) { static_cast<std::vector<GtkWidget*>*>(out)->push_back(kid); }, &kids);
    for (GtkWidget* kid : kids) ForEachTreeView(kid, take);
}

// Moves and resizes of a window, as the window manager reports them.
gboolean OnConfigure(GtkWidget*, GdkEventConfigure* e, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    PhPoint_t pos{static_cast<int16_t>(e->x), static_cast<int16_t>(e->y)};
    PhDim_t dim{static_cast<uint16_t>(e->width), static_cast<uint16_t>(e->height)};
    bool moved = pos.x != w->area.pos.x || pos.y != w->area.pos.y;
    bool resized = dim.w != w->area.size.w || dim.h != w->area.size.h;
    PhArea_t old = w->area;
    w->area = {pos, dim};
    if (moved) {
        PhWindowEvent_t we{Ph_WM_MOVE, 0, w, pos, dim};
        Invoke(w, Pt_CB_WINDOW, 0, nullptr, &we);
    }
    if (resized && Alive(w)) {
        PtContainerCallback_t cb{
            {old.pos,
             {static_cast<int16_t>(old.pos.x + old.size.w - 1), static_cast<int16_t>(old.pos.y + old.size.h - 1)}},
            {pos, {static_cast<int16_t>(pos.x + dim.w - 1), static_cast<int16_t>(pos.y + dim.h - 1)}}};
        Invoke(w, Pt_CB_RESIZE, 0, nullptr, &cb);
    }
    return FALSE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer user)
{
    NoteWindowClosed(static_cast<PtWidget_t*>(user));
    return TRUE;
}

void OnMap(GtkWidget*, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    Invoke(w, Pt_CB_REALIZED, 0, nullptr, nullptr);
}

void OnUnmap(GtkWidget*, gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (!w->destroying) Invoke(w, Pt_CB_UNREALIZED, 0, nullptr, nullptr);
}

// ---- Keys ----

unsigned long PhotonKey(guint keyval)
{
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12) return Pk_F1 + (keyval - GDK_KEY_F1);
    switch (keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter: return Pk_Return;
    case GDK_KEY_Escape: return Pk_Escape;
    case GDK_KEY_BackSpace: return Pk_BackSpace;
    case GDK_KEY_Tab: return Pk_Tab;
    case GDK_KEY_Left: return Pk_Left;
    case GDK_KEY_Right: return Pk_Right;
    case GDK_KEY_Up: return Pk_Up;
    case GDK_KEY_Down: return Pk_Down;
    case GDK_KEY_Home: return Pk_Home;
    case GDK_KEY_End: return Pk_End;
    case GDK_KEY_Page_Up: return Pk_Pg_Up;
    case GDK_KEY_Page_Down: return Pk_Pg_Down;
    case GDK_KEY_Delete: return Pk_Delete;
    default: return gdk_keyval_to_unicode(keyval);
    }
}

// The keypad digit key a keyval comes from (Num Lock on or off), as Pk_KP_0..9; 0 for other keys.
unsigned long KeypadCap(guint keyval)
{
    if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) return Pk_KP_0 + (keyval - GDK_KEY_KP_0);
    switch (keyval) {
    case GDK_KEY_KP_Insert: return Pk_KP_0;
    case GDK_KEY_KP_End: return Pk_KP_1;
    case GDK_KEY_KP_Down: return Pk_KP_2;
    case GDK_KEY_KP_Page_Down: return Pk_KP_3;
    case GDK_KEY_KP_Left: return Pk_KP_4;
    case GDK_KEY_KP_Begin: return Pk_KP_5;
    case GDK_KEY_KP_Right: return Pk_KP_6;
    case GDK_KEY_KP_Home: return Pk_KP_7;
    case GDK_KEY_KP_Up: return Pk_KP_8;
    case GDK_KEY_KP_Page_Up: return Pk_KP_9;
    default: return 0;
    }
}

std::set<guint>& keys_down()
{
    static auto* s = new std::set<guint>;
    return *s;
}

bool RunHotkeys(PtWidget_t* w, const PhKeyEvent_t& key, PhEvent_t* ev)
{
    if (!Alive(w) || (w->flags & (Pt_BLOCKED | Pt_GHOST))) return false;
    for (auto h : w->hotkeys) {
        unsigned long k = (h.flags & Pt_HOTKEY_SYM) ? key.key_sym : key.key_cap;
        unsigned long want = h.key;
        if (!(h.flags & Pt_HOTKEY_SYM) && want < 0x80)
            want = static_cast<unsigned long>(tolower(static_cast<int>(want)));
        if (k != want || (key.key_mods & (Pk_KM_Shift | Pk_KM_Ctrl | Pk_KM_Alt)) != h.mods) continue;
        PtCallbackInfo_t info{Pt_CB_HOTKEY, 0, ev, nullptr};
        h.fn(w, h.data, &info);
        return true;
    }
    auto kids = w->children;
    for (PtWidget_t* k : kids)
        if (RunHotkeys(k, key, ev)) return true;
    return false;
}

// Keys go to the window's hotkeys, then its raw key handlers; true when they took the key.
bool KeyToWindow(PtWidget_t* window, GdkEventKey* e)
{
    PhEvent_t ev = MakeEvent(Ph_EV_KEY, 0);
    PhKeyEvent_t& key = ev.data.key;
    bool down = e->type == GDK_KEY_PRESS;
    bool repeat = down && keys_down().count(e->keyval);
    if (down) keys_down().insert(e->keyval);
    else keys_down().erase(e->keyval);
    const unsigned long keypad = KeypadCap(e->keyval);
    // A keypad digit with Num Lock on is that digit; without, the key itself.
    key.key_sym = keypad && !(e->keyval >= GDK_KEY_KP_0 && e->keyval <= GDK_KEY_KP_9) ? keypad : PhotonKey(e->keyval);
    key.key_cap = keypad ? keypad : PhotonKey(gdk_keyval_to_lower(e->keyval));
    key.key_mods = ((e->state & GDK_SHIFT_MASK) ? Pk_KM_Shift : 0) | ((e->state & GDK_CONTROL_MASK) ? Pk_KM_Ctrl : 0) |
                   ((e->state & GDK_MOD1_MASK) ? Pk_KM_Alt : 0);
    key.key_flags = (down ? Pk_KF_Key_Down : 0) | (repeat ? Pk_KF_Key_Repeat : 0) |
                    (key.key_cap ? (Pk_KF_Cap_Valid | Pk_KF_Sym_Valid | Pk_KF_Scan_Valid) : 0);
    if (down && RunHotkeys(window, key, &ev)) return true;
    return Alive(window) && InvokeHandlers(window, Ph_EV_KEY, &ev) == Pt_CONSUME;
}

// Pointer events go to the raw handlers of the widget under the pointer and its ancestors.
bool PointerToWidgets(PtWidget_t* w, unsigned long type, GdkEvent* e)
{
    PhEvent_t ev = MakeEvent(type, 0);
    double x = 0, y = 0;
    gdk_event_get_coords(e, &x, &y);
    ev.data.pointer.pos = {static_cast<int16_t>(x), static_cast<int16_t>(y)};
    ev.data.pointer.buttons = 1;
    for (; w; w = w->parent) {
        if (!std::any_of(w->handlers.begin(), w->handlers.end(), [&](auto& h) { return h.mask & type; })) continue;
        if (InvokeHandlers(w, type, &ev) == Pt_CONSUME) return true;
        if (!Alive(w)) return true;
    }
    return false;
}

}  // namespace

void SliderDragTo(PtWidget_t* w, int value)
{
    w->dragging = true;
    gtk_range_set_value(GTK_RANGE(w->gtk), value);
    if (!Alive(w)) return;
    w->dragging = false;
    PtSliderCallback_t cb{Pt_SLIDER_RELEASED, RangeValue(GTK_RANGE(w->gtk))};
    PhEvent_t ev = MakeEvent(Ph_EV_BUT_RELEASE, Ph_EV_RELEASE_REAL);
    Invoke(w, Pt_CB_SLIDER_MOVE, Pt_SLIDER_RELEASED, &ev, &cb);
}

PhEvent_t MakeEvent(unsigned long type, unsigned subtype)
{
    PhEvent_t ev{};
    ev.type = type;
    ev.subtype = subtype;
    ev.timestamp = static_cast<unsigned long>(NowMs());
    ev.num_rects = 1;
    // The modifier keys held with the input being handled (Shift-click marks, not plays).
    GdkModifierType state{};
    if (gtk_get_current_event_state(&state)) {
        const unsigned long mods = ((state & GDK_SHIFT_MASK) ? Pk_KM_Shift : 0) |
                                   ((state & GDK_CONTROL_MASK) ? Pk_KM_Ctrl : 0) |
                                   ((state & GDK_MOD1_MASK) ? Pk_KM_Alt : 0);
        if (type == Ph_EV_KEY) ev.data.key.key_mods = mods;
        else ev.data.pointer.key_mods = mods;
    }
    return ev;
}

int Invoke(PtWidget_t* w, unsigned long reason, unsigned long subtype, PhEvent_t* event, void* cbdata)
{
    if (!Alive(w)) return Pt_END;
    std::vector<Callback> chain;
    for (auto& c : w->callbacks)
        if (c.reason == reason) chain.push_back(c);
    PtCallbackInfo_t info{reason, subtype, event, cbdata};
    for (auto& c : chain) {
        if (!Alive(w)) return Pt_END;
        int r = c.fn(w, c.data, &info);
        if (r == Pt_END || r == Pt_HALT) return r;
    }
    return Pt_CONTINUE;
}

int InvokeHandlers(PtWidget_t* w, unsigned long type, PhEvent_t* event)
{
    if (!Alive(w)) return Pt_END;
    std::vector<EventHandler> chain;
    for (auto& h : w->handlers)
        if (h.mask & type) chain.push_back(h);
    PtCallbackInfo_t info{Pt_CB_RAW, 0, event, nullptr};
    int result = Pt_CONTINUE;
    for (auto& h : chain) {
        if (!Alive(w)) return Pt_END;
        int r = h.fn(w, h.data, &info);
        if (r == Pt_CONSUME || r == Pt_END) result = Pt_CONSUME;
        if (r == Pt_CONSUME) break;
    }
    return result;
}

void ConnectSignals(PtWidget_t* w)
{
    GtkWidget* g = w->gtk;
    g_signal_connect(g, "map", G_CALLBACK(OnMap), w);
    g_signal_connect(g, "unmap", G_CALLBACK(OnUnmap), w);
    switch (w->kind) {
    case Kind::Button:
    case Kind::Toggle:
        g_signal_connect(g, "pressed", G_CALLBACK(OnPressed), w);
        g_signal_connect(g, "clicked", G_CALLBACK(OnClicked), w);
        g_signal_connect(g, "released", G_CALLBACK(OnReleased), w);
        break;
    case Kind::Text:
        g_signal_connect(g, "activate", G_CALLBACK(OnEntryActivate), w);
        g_signal_connect(g, "changed", G_CALLBACK(OnEntryChanged), w);
        g_signal_connect(g, "insert-text", G_CALLBACK(OnInsertText), w);
        break;
    case Kind::Numeric: g_signal_connect(g, "value-changed", G_CALLBACK(OnSpinChanged), w); break;
    case Kind::Slider:
        g_signal_connect(g, "value-changed", G_CALLBACK(OnRangeChanged), w);
        g_signal_connect(g, "button-press-event", G_CALLBACK(OnRangePress), w);
        g_signal_connect(g, "button-release-event", G_CALLBACK(OnRangeRelease), w);
        break;
    case Kind::List:
        g_signal_connect(g, "button-press-event", G_CALLBACK(OnListPress), w);
        g_signal_connect(g, "button-release-event", G_CALLBACK(OnListRelease), w);
        g_signal_connect(g, "key-press-event", G_CALLBACK(OnListKey), w);
        g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(g)), "changed", G_CALLBACK(OnListSelectionChanged),
                         w);
        break;
    case Kind::Combo: g_signal_connect(g, "changed", G_CALLBACK(OnComboChanged), w); break;
    case Kind::MenuItem: g_signal_connect(g, "activate", G_CALLBACK(OnMenuActivate), w); break;
    case Kind::FileSel:
        g_signal_connect(g, "selection-changed", G_CALLBACK(OnFileSelectionChanged), w);
        g_signal_connect(g, "file-activated", G_CALLBACK(OnFileActivated), w);
        g_signal_connect(g, "current-folder-changed", G_CALLBACK(OnFileFolderChanged), w);
        ForEachTreeView(g, [w](GtkWidget* view) {
            g_signal_connect(view, "button-press-event", G_CALLBACK(OnFileRowPress), w);
            g_signal_connect(view, "button-release-event", G_CALLBACK(OnFileRowRelease), w);
        });
        break;
    case Kind::Window:
        g_signal_connect(g, "delete-event", G_CALLBACK(OnDelete), w);
        g_signal_connect(g, "configure-event", G_CALLBACK(OnConfigure), w);
        break;
    default: break;
    }
}

void EventFilter(GdkEvent* event, gpointer)
{
    GtkWidget* target = gtk_get_event_widget(event);
    PtWidget_t* w = NearestRecord(target);
    switch (event->type) {
    case GDK_KEY_PRESS:
    case GDK_KEY_RELEASE: {
        PtWidget_t* window = target ? NearestRecord(gtk_widget_get_toplevel(target)) : nullptr;
        if (window && InputBlocked(window)) return;
        if (window && window->kind == Kind::Window && KeyToWindow(window, &event->key)) return;
        break;
    }
    case GDK_BUTTON_PRESS:
    case GDK_2BUTTON_PRESS:
    case GDK_3BUTTON_PRESS:
    case GDK_BUTTON_RELEASE:
    case GDK_MOTION_NOTIFY:
    case GDK_SCROLL:
    case GDK_TOUCH_BEGIN:
    case GDK_TOUCH_UPDATE:
    case GDK_TOUCH_END: {
        if (w && InputBlocked(w)) return;
        unsigned long type =
            event->type == GDK_BUTTON_PRESS     ? Ph_EV_BUT_PRESS
            : event->type == GDK_BUTTON_RELEASE ? Ph_EV_BUT_RELEASE
            : event->type == GDK_MOTION_NOTIFY
                ? ((event->motion.state & GDK_BUTTON1_MASK) ? Ph_EV_PTR_MOTION_BUTTON : Ph_EV_PTR_MOTION_NOBUTTON)
                : 0;
        if (type && w && PointerToWidgets(w, type, event)) return;
        break;
    }
    default: break;
    }
    gtk_main_do_event(event);
}

void Deliver(GdkEvent* event) { EventFilter(event, nullptr); }

}  // namespace detail

int PtAddCallback(PtWidget_t* w, unsigned long reason, PtCallbackF_t* fn, void* data)
{
    if (!detail::Alive(w) || !fn) return -1;
    w->callbacks.push_back({reason, fn, data});
    return 0;
}

int PtRemoveCallback(PtWidget_t* w, unsigned long reason, PtCallbackF_t* fn, void* data)
{
    if (!detail::Alive(w)) return -1;
    auto& v = w->callbacks;
    auto it =
        std::find_if(v.begin(), v.end(), [&](auto& c) { return c.reason == reason && c.fn == fn && c.data == data; });
    if (it == v.end()) return -1;
    v.erase(it);
    return 0;
}

int PtAddEventHandler(PtWidget_t* w, unsigned long mask, PtCallbackF_t* fn, void* data)
{
    if (!detail::Alive(w) || !fn) return -1;
    w->handlers.push_back({mask, fn, data});
    return 0;
}

int PtRemoveEventHandler(PtWidget_t* w, unsigned long mask, PtCallbackF_t* fn, void* data)
{
    if (!detail::Alive(w)) return -1;
    auto& v = w->handlers;
    auto it = std::find_if(v.begin(), v.end(), [&](auto& h) { return h.mask == mask && h.fn == fn && h.data == data; });
    if (it == v.end()) return -1;
    v.erase(it);
    return 0;
}

int PtAddHotkeyHandler(PtWidget_t* w, unsigned key, unsigned long key_mods, short flags, void* data, PtCallbackF_t* fn)
{
    if (!detail::Alive(w) || !fn) return -1;
    w->hotkeys.push_back({key, key_mods & (Pk_KM_Shift | Pk_KM_Ctrl | Pk_KM_Alt), flags, data, fn});
    return 0;
}

int PtSendEventToWidget(PtWidget_t* w, PhEvent_t* event)
{
    if (!detail::Alive(w) || !event) return -1;
    if (detail::InputBlocked(w) || (PtWidgetFlags(w) & Pt_GHOST)) return 0;
    if (event->type == Ph_EV_KEY) {
        // A key made by the program goes to the key handlers of the widget's window.
        PtWidget_t* window = PtFindDisjoint(w);
        if (!window) return -1;
        detail::RunOnLoop([&] {
            PhEvent_t ev = *event;
            detail::InvokeHandlers(window, Ph_EV_KEY, &ev);
        });
        return 0;
    }
    if (w->kind != Kind::Button && w->kind != Kind::Toggle) return -1;
    detail::RunOnLoop([&] {
        if (event->type == Ph_EV_BUT_PRESS && !w->armed) {
            gtk_widget_set_state_flags(w->gtk, GTK_STATE_FLAG_ACTIVE, FALSE);
            detail::OnPressed(GTK_BUTTON(w->gtk), w);
        } else if (event->type == Ph_EV_BUT_REPEAT) {
            PhEvent_t ev = *event;
            detail::Invoke(w, Pt_CB_REPEAT, 0, &ev, nullptr);
        } else if (event->type == Ph_EV_BUT_RELEASE && w->armed) {
            gtk_widget_unset_state_flags(w->gtk, GTK_STATE_FLAG_ACTIVE);
            if (event->subtype == Ph_EV_RELEASE_REAL) {
                w->pending_activate = true;
                if (w->kind == Kind::Toggle) {
                    ++w->quiet;
                    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w->gtk),
                                                 !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w->gtk)));
                    --w->quiet;
                }
            }
            detail::OnReleased(GTK_BUTTON(w->gtk), w);
        }
    });
    return 0;
}

int PtTimerArm(PtWidget_t* w, unsigned msec)
{
    if (!detail::Alive(w)) return -1;
    detail::RunOnLoop([&] {
        detail::CancelTimer(w->arm_key);
        if (msec == 0) return;
        w->arm_key = detail::ArmTimer(msec, [w] {
            w->arm_key = {};
            PhEvent_t ev = detail::MakeEvent(Ph_EV_TIMER, 0);
            detail::InvokeHandlers(w, Ph_EV_TIMER, &ev);
        });
    });
    return 0;
}

}  // namespace photon
