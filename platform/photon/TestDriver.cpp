// The test driver: pointer and key events made as the display would send them and passed
// through the layer's event filter, the loop run until idle, screenshots.
#include "photon/PhotonTest.h"
#include "photon/detail/Widget.h"

#include "display/Display.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gdk/gdkx.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>

namespace photon::test {
namespace {

GdkDevice* Pointer() { return gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())); }

GdkDevice* Keyboard() { return gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())); }

guint32 EventTime() { return static_cast<guint32>(g_get_monotonic_time() / 1000); }

// The GDK window that receives the widget's pointer events, and the widget's centre in it.
GdkWindow* TargetWindow(GtkWidget* g, double* x, double* y)
{
    GtkAllocation a;
    gtk_widget_get_allocation(g, &a);
    GdkWindow* parent_window = gtk_widget_get_window(g);
    if (!parent_window) return nullptr;
    if (gtk_widget_get_has_window(g)) {
        *x = a.width / 2.0;
        *y = a.height / 2.0;
        return parent_window;
    }
    for (GList* l = gdk_window_peek_children(parent_window); l; l = l->next) {
        gpointer data = nullptr;
        gdk_window_get_user_data(GDK_WINDOW(l->data), &data);
        if (data == g && gdk_window_is_visible(GDK_WINDOW(l->data))) {
            *x = a.width / 2.0;
            *y = a.height / 2.0;
            return GDK_WINDOW(l->data);
        }
    }
    *x = a.x + a.width / 2.0;
    *y = a.y + a.height / 2.0;
    return parent_window;
}

void SendButton(GdkWindow* win, GdkEventType type, double x, double y)
{
    GdkEvent* ev = gdk_event_new(type);
    ev->button.window = GDK_WINDOW(g_object_ref(win));
    ev->button.time = EventTime();
    ev->button.x = x;
    ev->button.y = y;
    int rx = 0, ry = 0;
    gdk_window_get_root_coords(win, static_cast<int>(x), static_cast<int>(y), &rx, &ry);
    ev->button.x_root = rx;
    ev->button.y_root = ry;
    ev->button.button = 1;
    ev->button.state = type == GDK_BUTTON_RELEASE ? GDK_BUTTON1_MASK : 0;
    gdk_event_set_device(ev, Pointer());
    gdk_event_set_source_device(ev, Pointer());
    detail::Deliver(ev);
    gdk_event_free(ev);
}

void SendMotion(GdkWindow* win, double x, double y)
{
    GdkEvent* ev = gdk_event_new(GDK_MOTION_NOTIFY);
    ev->motion.window = GDK_WINDOW(g_object_ref(win));
    ev->motion.time = EventTime();
    ev->motion.x = x;
    ev->motion.y = y;
    int rx = 0, ry = 0;
    gdk_window_get_root_coords(win, static_cast<int>(x), static_cast<int>(y), &rx, &ry);
    ev->motion.x_root = rx;
    ev->motion.y_root = ry;
    ev->motion.state = GDK_BUTTON1_MASK;
    gdk_event_set_device(ev, Pointer());
    gdk_event_set_source_device(ev, Pointer());
    detail::Deliver(ev);
    gdk_event_free(ev);
}

guint KeyvalOf(unsigned long key, unsigned long mods)
{
    if (key >= Pk_F1 && key <= Pk_F12) return GDK_KEY_F1 + static_cast<guint>(key - Pk_F1);
    switch (key) {
    case Pk_Return: return GDK_KEY_Return;
    case Pk_Escape: return GDK_KEY_Escape;
    case Pk_BackSpace: return GDK_KEY_BackSpace;
    case Pk_Tab: return GDK_KEY_Tab;
    case Pk_Left: return GDK_KEY_Left;
    case Pk_Right: return GDK_KEY_Right;
    case Pk_Up: return GDK_KEY_Up;
    case Pk_Down: return GDK_KEY_Down;
    case Pk_Home: return GDK_KEY_Home;
    case Pk_End: return GDK_KEY_End;
    case Pk_Pg_Up: return GDK_KEY_Page_Up;
    case Pk_Pg_Down: return GDK_KEY_Page_Down;
    case Pk_Delete: return GDK_KEY_Delete;
    default: break;
    }
    guint kv = gdk_unicode_to_keyval(static_cast<guint32>(key));
    return (mods & Pk_KM_Shift) ? gdk_keyval_to_upper(kv) : kv;
}

void SendKey(PtWidget_t* w, GdkEventType type, guint keyval, unsigned long mods)
{
    PtWidget_t* window = PtFindDisjoint(w);
    if (!window || !window->gtk) return;
    GdkWindow* win = gtk_widget_get_window(window->gtk);
    if (!win) return;
    GdkEvent* ev = gdk_event_new(type);
    ev->key.window = GDK_WINDOW(g_object_ref(win));
    ev->key.time = EventTime();
    ev->key.keyval = keyval;
    ev->key.state = ((mods & Pk_KM_Shift) ? GDK_SHIFT_MASK : 0) | ((mods & Pk_KM_Ctrl) ? GDK_CONTROL_MASK : 0) |
                    ((mods & Pk_KM_Alt) ? GDK_MOD1_MASK : 0);
    GdkKeymapKey* keys = nullptr;
    gint n = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), keyval, &keys, &n) &&
        n > 0)
        ev->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    g_free(keys);
    gunichar ch = gdk_keyval_to_unicode(keyval);
    char utf[8] = {};
    if (ch && type == GDK_KEY_PRESS) g_unichar_to_utf8(ch, utf);
    ev->key.string = g_strdup(utf);
    ev->key.length = static_cast<gint>(strlen(utf));
    gdk_event_set_device(ev, Keyboard());
    gdk_event_set_source_device(ev, Keyboard());
    detail::Deliver(ev);
    gdk_event_free(ev);
}

bool Usable(PtWidget_t* w) { return detail::Alive(w) && w->gtk && gtk_widget_get_mapped(w->gtk); }

}  // namespace

Display* XDisplayOfServer()
{
    GdkDisplay* d = gdk_display_get_default();
    if (!d || !GDK_IS_X11_DISPLAY(d)) return nullptr;
    Display* x = gdk_x11_display_get_xdisplay(d);
    int event = 0, error = 0, major = 0, minor = 0;
    return XTestQueryExtension(x, &event, &error, &major, &minor) ? x : nullptr;
}

namespace {

// What the server's input has brought to the windows so far: the toolkit holds events back
// while it draws a frame, so a real click or key is done only once its release has arrived.
struct RealInputSeen {
    unsigned long buttonReleases = 0;
    std::map<guint16, unsigned long> keyReleases;  // by hardware key code
};

RealInputSeen& Seen()
{
    static RealInputSeen seen;
    return seen;
}

void CountingHandler(GdkEvent* event, gpointer)
{
    if (event->type == GDK_BUTTON_RELEASE && event->button.button == 1) ++Seen().buttonReleases;
    if (event->type == GDK_KEY_RELEASE) ++Seen().keyReleases[event->key.hardware_keycode];
    detail::Deliver(event);
}

Display* XDisplayOf()
{
    Display* x = XDisplayOfServer();
    static bool counting = false;
    if (x && !counting) {
        counting = true;
        gdk_event_handler_set(CountingHandler, nullptr, nullptr);
    }
    return x;
}

// Runs the loop until `arrived` holds, or a few seconds have passed (input sent where no
// window of ours takes it never arrives), then until idle.
void AwaitRealInput(Display* x, const std::function<bool()>& arrived)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!arrived() && std::chrono::steady_clock::now() < end) {
        XSync(x, False);
        if (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
        else AwaitEvent(5);
    }
    if (!arrived()) std::fprintf(stderr, "test driver: real input sent did not reach a window within 5 s\n");
    RunUntilIdle();
}

void AwaitButtonReleases(Display* x, unsigned long count)
{
    const unsigned long target = Seen().buttonReleases + count;
    AwaitRealInput(x, [target] { return Seen().buttonReleases >= target; });
}

void FakeModifiers(Display* x, unsigned long mods, bool down)
{
    const KeySym syms[] = {XK_Shift_L, XK_Control_L, XK_Alt_L};
    const unsigned long bits[] = {Pk_KM_Shift, Pk_KM_Ctrl, Pk_KM_Alt};
    for (int i = 0; i < 3; ++i)
        if (mods & bits[i]) XTestFakeKeyEvent(x, XKeysymToKeycode(x, syms[i]), down ? True : False, CurrentTime);
}

// The server has sent everything asked of it; the loop handles what arrived.
void SettleRealInput(Display* x)
{
    XSync(x, False);
    RunUntilIdle();
    XSync(x, False);
    RunUntilIdle();
}

// The widget's centre in root coordinates.
bool RootCentre(GtkWidget* g, int* rx, int* ry)
{
    GtkWidget* top = gtk_widget_get_toplevel(g);
    GdkWindow* win = top ? gtk_widget_get_window(top) : nullptr;
    if (!win) return false;
    GtkAllocation a;
    gtk_widget_get_allocation(g, &a);
    int tx = 0, ty = 0;
    if (!gtk_widget_translate_coordinates(g, top, a.width / 2, a.height / 2, &tx, &ty)) return false;
    int ox = 0, oy = 0;
    gdk_window_get_origin(win, &ox, &oy);
    *rx = ox + tx;
    *ry = oy + ty;
    return true;
}

// A press and release of the first button at (rx, ry) of the root window, with `mods` held.
void ClickAt(Display* x, int rx, int ry, unsigned long mods)
{
    XTestFakeMotionEvent(x, -1, rx, ry, CurrentTime);
    SettleRealInput(x);
    FakeModifiers(x, mods, true);
    XTestFakeButtonEvent(x, 1, True, CurrentTime);
    SettleRealInput(x);
    XTestFakeButtonEvent(x, 1, False, CurrentTime);
    FakeModifiers(x, mods, false);
    AwaitButtonReleases(x, 1);
}

}  // namespace

void RunUntilIdle()
{
    detail::InstallPollHook();
    if (detail::HaveDisplay()) gdk_display_sync(gdk_display_get_default());
    for (int i = 0; i < 5000 && g_main_context_pending(nullptr); ++i) g_main_context_iteration(nullptr, FALSE);
    if (!detail::HaveDisplay()) return;
    display::SettleLayout();
    for (int i = 0; i < 5000 && g_main_context_pending(nullptr); ++i) g_main_context_iteration(nullptr, FALSE);
}

void AwaitEvent(unsigned ms)
{
    detail::InstallPollHook();
    const guint wake = g_timeout_add(
        ms, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr);
    g_main_context_iteration(nullptr, TRUE);
    if (GSource* source = g_main_context_find_source_by_id(nullptr, wake)) g_source_destroy(source);
}

PtWidget_t* Find(const char* name) { return ApWidget(name); }

std::string Text(PtWidget_t* w)
{
    const char* t = nullptr;
    PtGetResource(w, Pt_ARG_TEXT_STRING, &t, 0);
    return t ? t : "";
}

long Flags(PtWidget_t* w) { return PtWidgetFlags(w); }

int Value(PtWidget_t* w)
{
    int* v = nullptr;
    if (PtGetResource(w, Pt_ARG_GAUGE_VALUE, &v, 0) != 0) PtGetResource(w, Pt_ARG_NUMERIC_VALUE, &v, 0);
    return v ? *v : 0;
}

std::vector<std::string> Rows(PtWidget_t* w)
{
    std::vector<std::string> out;
    if (!detail::Alive(w)) return out;
    GtkTreeModel* m = w->kind == Kind::List    ? GTK_TREE_MODEL(w->store)
                      : w->kind == Kind::Combo ? gtk_combo_box_get_model(GTK_COMBO_BOX(w->gtk))
                                               : nullptr;
    if (!m) return out;
    int column = w->kind == Kind::List ? 0 : gtk_combo_box_get_entry_text_column(GTK_COMBO_BOX(w->gtk));
    GtkTreeIter it;
    for (bool ok = gtk_tree_model_get_iter_first(m, &it); ok; ok = gtk_tree_model_iter_next(m, &it)) {
        gchar* t = nullptr;
        gtk_tree_model_get(m, &it, column, &t, -1);
        out.push_back(t ? t : "");
        g_free(t);
    }
    return out;
}

void Press(PtWidget_t* w)
{
    RunUntilIdle();
    if (!Usable(w)) return;
    double x = 0, y = 0;
    if (GdkWindow* win = TargetWindow(w->gtk, &x, &y)) SendButton(win, GDK_BUTTON_PRESS, x, y);
    RunUntilIdle();
}

void Release(PtWidget_t* w)
{
    if (!Usable(w)) return;
    double x = 0, y = 0;
    if (GdkWindow* win = TargetWindow(w->gtk, &x, &y)) SendButton(win, GDK_BUTTON_RELEASE, x, y);
    RunUntilIdle();
}

void Click(PtWidget_t* w)
{
    Press(w);
    Release(w);
}

void Hold(PtWidget_t* w, unsigned ms)
{
    Press(w);
    AdvanceClock(ms);
    Release(w);
}

void Drag(PtWidget_t* window, int dx, int dy)
{
    RunUntilIdle();
    if (!Usable(window)) return;
    double x = 0, y = 0;
    GdkWindow* win = TargetWindow(window->gtk, &x, &y);
    if (!win) return;
    SendButton(win, GDK_BUTTON_PRESS, x, y);
    SendMotion(win, x + dx, y + dy);
    SendButton(win, GDK_BUTTON_RELEASE, x + dx, y + dy);
    RunUntilIdle();
}

void MoveSlider(PtWidget_t* w, int value)
{
    if (!detail::Alive(w) || w->kind != Kind::Slider || detail::InputBlocked(w)) return;
    detail::SliderDragTo(w, value);
    RunUntilIdle();
}

void SelectRow(PtWidget_t* w, int row)
{
    RunUntilIdle();
    if (!Usable(w) || detail::InputBlocked(w)) return;
    if (w->kind == Kind::Combo) {
        gtk_combo_box_set_active(GTK_COMBO_BOX(w->gtk), row - 1);
        RunUntilIdle();
        return;
    }
    if ((w->kind != Kind::List && w->kind != Kind::Tree) || row < 1) return;
    GtkTreePath* path = gtk_tree_path_new_from_indices(row - 1, -1);
    gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(w->gtk), path, nullptr, FALSE, 0, 0);
    RunUntilIdle();
    GdkRectangle r{};
    gtk_tree_view_get_background_area(GTK_TREE_VIEW(w->gtk), path, nullptr, &r);
    gtk_tree_path_free(path);
    GdkWindow* bin = gtk_tree_view_get_bin_window(GTK_TREE_VIEW(w->gtk));
    if (!bin) return;
    double x = r.x + 4, y = r.y + r.height / 2.0;
    SendButton(bin, GDK_BUTTON_PRESS, x, y);
    SendButton(bin, GDK_BUTTON_RELEASE, x, y);
    RunUntilIdle();
}

void ChooseItem(PtWidget_t* w)
{
    RunUntilIdle();
    if (!detail::Alive(w) || w->kind != Kind::MenuItem || detail::InputBlocked(w) || (PtWidgetFlags(w) & Pt_GHOST))
        return;
    if (!gtk_widget_is_sensitive(w->gtk)) return;
    // Chosen as by the pointer: the menu closes (its grab goes) and the item activates.
    GtkWidget* shell = gtk_widget_get_parent(w->gtk);
    if (GTK_IS_MENU_SHELL(shell)) gtk_menu_shell_activate_item(GTK_MENU_SHELL(shell), w->gtk, TRUE);
    else gtk_menu_item_activate(GTK_MENU_ITEM(w->gtk));
    RunUntilIdle();
}

void SelectPanel(PtWidget_t* w, const char* title)
{
    RunUntilIdle();
    if (!Usable(w) || w->kind != Kind::PanelGroup || !title || detail::InputBlocked(w)) return;
    GtkNotebook* nb = GTK_NOTEBOOK(w->gtk);
    // The tabs take the pointer through the notebook's own input window over them.
    GdkWindow* input = nullptr;
    for (GList* l = gdk_window_peek_children(gtk_widget_get_window(w->gtk)); l && !input; l = l->next) {
        gpointer data = nullptr;
        gdk_window_get_user_data(GDK_WINDOW(l->data), &data);
        if (data == nb && gdk_window_is_visible(GDK_WINDOW(l->data))) input = GDK_WINDOW(l->data);
    }
    if (!input) return;
    for (int i = 0; i < gtk_notebook_get_n_pages(nb); ++i) {
        GtkWidget* page = gtk_notebook_get_nth_page(nb, i);
        const char* text = gtk_notebook_get_tab_label_text(nb, page);
        GtkWidget* tab = gtk_notebook_get_tab_label(nb, page);
        if (!text || !tab || strcmp(text, title) != 0 || !gtk_widget_get_mapped(tab)) continue;
        GtkAllocation a;
        gtk_widget_get_allocation(tab, &a);
        int ix = 0, iy = 0;
        gdk_window_get_position(input, &ix, &iy);
        double x = a.x + a.width / 2.0 - ix, y = a.y + a.height / 2.0 - iy;
        SendButton(input, GDK_BUTTON_PRESS, x, y);
        SendButton(input, GDK_BUTTON_RELEASE, x, y);
        RunUntilIdle();
        return;
    }
}

void KeyDown(PtWidget_t* w, unsigned long key, unsigned long mods)
{
    RunUntilIdle();
    SendKey(w, GDK_KEY_PRESS, KeyvalOf(key, mods), mods);
    RunUntilIdle();
}

void KeyUp(PtWidget_t* w, unsigned long key, unsigned long mods)
{
    SendKey(w, GDK_KEY_RELEASE, KeyvalOf(key, mods), mods);
    RunUntilIdle();
}

void Key(PtWidget_t* w, unsigned long key, unsigned long mods)
{
    KeyDown(w, key, mods);
    KeyUp(w, key, mods);
}

void TypeText(PtWidget_t* w, const char* text)
{
    if (!Usable(w) || !text) return;
    gtk_widget_grab_focus(w->gtk);
    for (const char* p = text; *p; p = g_utf8_next_char(p)) {
        guint kv = gdk_unicode_to_keyval(g_utf8_get_char(p));
        SendKey(w, GDK_KEY_PRESS, kv, 0);
        SendKey(w, GDK_KEY_RELEASE, kv, 0);
    }
    RunUntilIdle();
}

void EnterNumber(PtWidget_t* w, int value)
{
    // A field on a page not shown takes a typed value all the same; a blocked one does not.
    if (!detail::Alive(w) || !w->gtk || !GTK_IS_SPIN_BUTTON(w->gtk) || detail::InputBlocked(w)) return;
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(w->gtk), value);
    RunUntilIdle();
}

bool HaveRealInput() { return detail::HaveDisplay() && XDisplayOf() != nullptr; }

void RealClick(PtWidget_t* w, unsigned long mods)
{
    RunUntilIdle();
    Display* x = detail::HaveDisplay() ? XDisplayOf() : nullptr;
    int rx = 0, ry = 0;
    if (!x || !Usable(w) || !RootCentre(w->gtk, &rx, &ry)) return;
    ClickAt(x, rx, ry, mods);
}

void RealKey(PtWidget_t* w, const char* keysym, unsigned long mods)
{
    RunUntilIdle();
    Display* x = detail::HaveDisplay() ? XDisplayOf() : nullptr;
    PtWidget_t* window = PtFindDisjoint(w);
    if (!x || !keysym || !window || !Usable(window)) return;
    GdkWindow* win = gtk_widget_get_window(window->gtk);
    const KeySym sym = XStringToKeysym(keysym);
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(x, sym);
    if (!win || !code) return;
    // Keys go where the keyboard's focus is: the widget's window, as after a user's click on it.
    XSetInputFocus(x, GDK_WINDOW_XID(win), RevertToPointerRoot, CurrentTime);
    SettleRealInput(x);
    const unsigned long target = Seen().keyReleases[code] + 1;
    FakeModifiers(x, mods, true);
    XTestFakeKeyEvent(x, code, True, CurrentTime);
    SettleRealInput(x);
    XTestFakeKeyEvent(x, code, False, CurrentTime);
    FakeModifiers(x, mods, false);
    AwaitRealInput(x, [code, target] { return Seen().keyReleases[code] >= target; });
}

namespace {

GtkTreeView* FirstTreeView(GtkWidget* g)
{
    if (GTK_IS_TREE_VIEW(g) && gtk_widget_get_mapped(g)) return GTK_TREE_VIEW(g);
    if (!GTK_IS_CONTAINER(g)) return nullptr;
    GList* kids = gtk_container_get_children(GTK_CONTAINER(g));
    GtkTreeView* found = nullptr;
    for (GList* l = kids; l && !found; l = l->next) found = FirstTreeView(GTK_WIDGET(l->data));
    g_list_free(kids);
    return found;
}

}  // namespace

namespace {

// A point a little into the row (1-based) of the widget's first list view, in root coordinates.
bool RowPoint(PtWidget_t* w, int row, int* rx, int* ry)
{
    GtkTreeView* view = Usable(w) && row >= 1 ? FirstTreeView(w->gtk) : nullptr;
    GdkWindow* bin = view ? gtk_tree_view_get_bin_window(view) : nullptr;
    if (!bin) return false;
    GtkTreePath* path = gtk_tree_path_new_from_indices(row - 1, -1);
    gtk_tree_view_scroll_to_cell(view, path, nullptr, FALSE, 0, 0);
    RunUntilIdle();
    GdkRectangle r{};
    gtk_tree_view_get_background_area(view, path, nullptr, &r);
    gtk_tree_path_free(path);
    int ox = 0, oy = 0;
    gdk_window_get_origin(bin, &ox, &oy);
    // The row's background area has no width without a column: a point a little into the row.
    *rx = ox + r.x + 40;
    *ry = oy + r.y + r.height / 2;
    return true;
}

}  // namespace

void RealClickRow(PtWidget_t* w, int row, unsigned long mods)
{
    RunUntilIdle();
    Display* x = detail::HaveDisplay() ? XDisplayOf() : nullptr;
    int rx = 0, ry = 0;
    if (x && RowPoint(w, row, &rx, &ry)) ClickAt(x, rx, ry, mods);
}

void RealDoubleClickRow(PtWidget_t* w, int row)
{
    RunUntilIdle();
    Display* x = detail::HaveDisplay() ? XDisplayOf() : nullptr;
    int rx = 0, ry = 0;
    if (!x || !RowPoint(w, row, &rx, &ry)) return;
    XTestFakeMotionEvent(x, -1, rx, ry, CurrentTime);
    SettleRealInput(x);
    // The two clicks reach the server together, well within the toolkit's double-click time.
    for (int click = 0; click < 2; ++click) {
        XTestFakeButtonEvent(x, 1, True, CurrentTime);
        XTestFakeButtonEvent(x, 1, False, CurrentTime);
    }
    AwaitButtonReleases(x, 2);
}

namespace {

// The first label on the screen inside g that reads `text`.
GtkWidget* ShownLabel(GtkWidget* g, const char* text)
{
    if (!gtk_widget_get_mapped(g)) return nullptr;
    if (GTK_IS_LABEL(g) && std::strcmp(gtk_label_get_text(GTK_LABEL(g)), text) == 0) return g;
    if (!GTK_IS_CONTAINER(g)) return nullptr;
    GList* kids = gtk_container_get_children(GTK_CONTAINER(g));
    GtkWidget* found = nullptr;
    for (GList* l = kids; l && !found; l = l->next) found = ShownLabel(GTK_WIDGET(l->data), text);
    g_list_free(kids);
    return found;
}

}  // namespace

bool RealClickLabel(PtWidget_t* w, const char* text)
{
    RunUntilIdle();
    Display* x = detail::HaveDisplay() ? XDisplayOf() : nullptr;
    GtkWidget* label = x && text && Usable(w) ? ShownLabel(w->gtk, text) : nullptr;
    int rx = 0, ry = 0;
    if (!label || !RootCentre(label, &rx, &ry)) return false;
    ClickAt(x, rx, ry, 0);
    return true;
}

std::string FileSelFocus(PtWidget_t* w)
{
    if (!detail::Alive(w) || !w->gtk || !GTK_IS_FILE_CHOOSER(w->gtk)) return "";
    gchar* path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(w->gtk));
    std::string out = path ? path : "";
    g_free(path);
    return out;
}

void CloseWindow(PtWidget_t* window)
{
    window = PtFindDisjoint(window);
    if (!window || window->kind != Kind::Window) return;
    GdkWindow* win = gtk_widget_get_window(window->gtk);
    if (!win) return;
    GdkEvent* ev = gdk_event_new(GDK_DELETE);
    ev->any.window = GDK_WINDOW(g_object_ref(win));
    detail::Deliver(ev);
    gdk_event_free(ev);
    RunUntilIdle();
}

void DisplayChanged()
{
    RunUntilIdle();
    if (!detail::HaveDisplay()) return;
    g_signal_emit_by_name(gdk_screen_get_default(), "monitors-changed");
    RunUntilIdle();
}

bool Screenshot(PtWidget_t* window, const char* png_path)
{
    RunUntilIdle();
    if (!Usable(window) || !png_path) return false;
    return display::WritePng(window->gtk, png_path);
}

double PictureDifference(const char* png_a, const char* png_b, int tolerance)
{
    return display::PictureDifference(png_a, png_b, tolerance);
}

}  // namespace photon::test

namespace photon::detail {

bool RealClickAt(int rx, int ry)
{
    Display* x = HaveDisplay() ? test::XDisplayOfServer() : nullptr;
    if (!x) return false;
    XTestFakeMotionEvent(x, -1, rx, ry, CurrentTime);
    XTestFakeButtonEvent(x, 1, True, CurrentTime);
    XTestFakeButtonEvent(x, 1, False, CurrentTime);
    XSync(x, False);
    return true;
}

}  // namespace photon::detail
