// The application-builder frame: start-up options, modules loaded from UI files, their
// callbacks by name, widgets by module and name, image databases.
#include "photon/PxImage.h"
#include "photon/detail/Widget.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

namespace photon {

struct ApDBase_t {
    std::string module;
    std::map<std::string, PhImage_t*> images;
};

namespace detail {

struct ModuleInstance {
    std::string module;
    PtWidget_t* root = nullptr;
    std::map<std::string, PtWidget_t*> widgets;
    int refs = 0;  // widgets of the instance still alive
};

void ReleaseModule(ModuleInstance* inst, PtWidget_t* w)
{
    if (!inst) return;
    if (inst->root == w) inst->root = nullptr;
    auto it = inst->widgets.find(w->name);
    if (it != inst->widgets.end() && it->second == w) inst->widgets.erase(it);
    if (--inst->refs <= 0) delete inst;
}

namespace {

ApContext_t context{};
bool have_context = false;
bool base_linked = false;

// Options of the first window.
struct StartOptions {
    bool x_set = false, y_set = false, w_set = false, h_set = false;
    int x = 0, y = 0, w = 0, h = 0;
    std::string state;
} start;

std::set<std::string>& parentless()
{
    static auto* s = new std::set<std::string>;
    return *s;
}

// Coordinates may be pixels or a percentage of the screen.
int ScreenValue(const char* text, bool horizontal)
{
    int v = atoi(text);
    if (!strchr(text, '%')) return v;
    PhRect_t r{};
    if (PhWindowQueryVisible(0, 0, 0, &r) != 0) return 0;
    int span = horizontal ? r.lr.x - r.ul.x + 1 : r.lr.y - r.ul.y + 1;
    return span * v / 100;
}

std::string UiPath(const char* module)
{
    const char* dir = getenv("ZEPHRA_PHOTON_UI_DIR");
    if (!dir || !*dir) dir = context.ui_dir && *context.ui_dir ? context.ui_dir : ".";
    return std::string(dir) + "/" + module + ".ui";
}

PtCallbackF_t* CallbackNamed(const std::string& name)
{
    for (const ApCallbackName_t* c = context.callbacks; c && c->name; ++c)
        if (name == c->name) return c->fn;
    return nullptr;
}

struct ReasonName {
    const char* name;
    unsigned long reason;
};
const ReasonName kReasons[] = {
    {"Pt_CB_ACTIVATE", Pt_CB_ACTIVATE},
    {"Pt_CB_ARM", Pt_CB_ARM},
    {"Pt_CB_DISARM", Pt_CB_DISARM},
    {"Pt_CB_REPEAT", Pt_CB_REPEAT},
    {"Pt_CB_REALIZED", Pt_CB_REALIZED},
    {"Pt_CB_UNREALIZED", Pt_CB_UNREALIZED},
    {"Pt_CB_DESTROYED", Pt_CB_DESTROYED},
    {"Pt_CB_WINDOW_CLOSING", Pt_CB_WINDOW_CLOSING},
    {"Pt_CB_SELECTION", Pt_CB_SELECTION},
    {"Pt_CB_SLIDER_MOVE", Pt_CB_SLIDER_MOVE},
    {"Pt_CB_NUMERIC_CHANGED", Pt_CB_NUMERIC_CHANGED},
    {"Pt_CB_TEXT_CHANGED", Pt_CB_TEXT_CHANGED},
    {"Pt_CB_TIMER_ACTIVATE", Pt_CB_TIMER_ACTIVATE},
    {"Pt_CB_FS_SELECTION", Pt_CB_FS_SELECTION},
    {"Pt_CB_TREE_STATE", Pt_CB_TREE_STATE},
    {"Pt_CB_TREE_SELECTION", Pt_CB_TREE_SELECTION},
    {"Pt_CB_MODIFY_VERIFY", Pt_CB_MODIFY_VERIFY},
    {"Pt_CB_WINDOW", Pt_CB_WINDOW},
    {"Pt_CB_RESIZE", Pt_CB_RESIZE},
};
const ReasonName kEvents[] = {
    {"Pt_EV_KEY", Ph_EV_KEY},
    {"Pt_EV_TIMER", Ph_EV_TIMER},
    {"Pt_EV_PTR_MOTION_BUTTON", Ph_EV_PTR_MOTION_BUTTON},
    {"Pt_EV_BUT_PRESS", Ph_EV_BUT_PRESS},
    {"Pt_EV_BUT_RELEASE", Ph_EV_BUT_RELEASE},
    {"Pt_EV_INFO", Ph_EV_INFO},
};

unsigned long NaturalReason(PtWidget_t* w, const std::string& signal)
{
    if (signal == "clicked" || signal == "toggled" || signal == "activate") return Pt_CB_ACTIVATE;
    if (signal == "pressed") return Pt_CB_ARM;
    if (signal == "released") return Pt_CB_DISARM;
    if (signal == "value-changed") return w->kind == Kind::Numeric ? Pt_CB_NUMERIC_CHANGED : Pt_CB_SLIDER_MOVE;
    if (signal == "changed") return w->kind == Kind::Text ? Pt_CB_TEXT_CHANGED : Pt_CB_SELECTION;
    if (signal == "insert-text") return Pt_CB_MODIFY_VERIFY;
    if (signal == "row-expanded" || signal == "row-collapsed" || signal == "test-expand-row") return Pt_CB_TREE_STATE;
    if (signal == "cursor-changed" && w->kind == Kind::Tree) return Pt_CB_TREE_SELECTION;
    if (signal == "realize" || signal == "map" || signal == "show") return Pt_CB_REALIZED;
    if (signal == "destroy") return Pt_CB_DESTROYED;
    if (signal == "delete-event") return Pt_CB_WINDOW_CLOSING;
    if (signal == "selection-changed" || signal == "file-activated") return Pt_CB_FS_SELECTION;
    return 0;
}

void ConnectOne(GtkBuilder*, GObject* object, const gchar* signal, const gchar* handler, GObject*, GConnectFlags,
                gpointer module)
{
    PtWidget_t* w = GTK_IS_WIDGET(object) ? FromGtk(GTK_WIDGET(object)) : nullptr;
    std::string h = handler, fname = h;
    unsigned long reason = 0, event = 0;
    if (auto colon = h.find(':'); colon != std::string::npos) {
        std::string what = h.substr(0, colon);
        fname = h.substr(colon + 1);
        for (auto& r : kReasons)
            if (what == r.name) reason = r.reason;
        for (auto& e : kEvents)
            if (what == e.name) event = e.reason;
        if (!reason && !event)
            fprintf(stderr, "photon: module %s: unknown reason \"%s\"\n", static_cast<const char*>(module),
                    what.c_str());
    } else if (w) {
        reason = NaturalReason(w, signal);
    }
    PtCallbackF_t* fn = CallbackNamed(fname);
    if (!w || !fn || (!reason && !event)) {
        fprintf(stderr, "photon: module %s: cannot attach \"%s\" to %s\n", static_cast<const char*>(module), handler,
                signal);
        return;
    }
    if (event) PtAddEventHandler(w, event, fn, nullptr);
    else PtAddCallback(w, reason, fn, nullptr);
}

// Widgets made from a database connect only the callbacks of their own objects.
struct ConnectScope {
    const char* module;
    const std::set<GObject*>* objects;
};

void ConnectInScope(GtkBuilder* b, GObject* object, const gchar* signal, const gchar* handler, GObject* other,
                    GConnectFlags flags, gpointer scope)
{
    auto* in = static_cast<ConnectScope*>(scope);
    if (!in->objects->count(object)) return;
    ConnectOne(b, object, signal, handler, other, flags, const_cast<char*>(in->module));
}

std::string ObjectName(GObject* o)
{
    const char* id = gtk_buildable_get_name(GTK_BUILDABLE(o));
    if (!id || strncmp(id, "___object_", 10) == 0) return "";
    return id;
}

// Wraps the builder's widgets below g, parents before children.
void WrapTree(GtkWidget* g, PtWidget_t* parent, const std::set<GObject*>& objects, ModuleInstance* inst)
{
    PtWidget_t* here = parent;
    if (objects.count(G_OBJECT(g)) && !FromGtk(g)) {
        here = WrapGtk(g, KindOfGtk(g), ObjectName(G_OBJECT(g)), parent);
        here->module = inst;
        ++inst->refs;
        if (!here->name.empty()) inst->widgets[here->name] = here;
    }
    if (GTK_IS_MENU_ITEM(g))
        if (GtkWidget* sub = gtk_menu_item_get_submenu(GTK_MENU_ITEM(g))) WrapTree(sub, here, objects, inst);
    if (GTK_IS_CONTAINER(g) && !GTK_IS_FILE_CHOOSER_WIDGET(g)) {
        GList* kids = nullptr;
        gtk_container_forall(
            GTK_CONTAINER(g),
            [](GtkWidget* k, gpointer l) { *static_cast<GList**>(l) = g_list_append(*static_cast<GList**>(l), k); },
            &kids);
        for (GList* l = kids; l; l = l->next) WrapTree(GTK_WIDGET(l->data), here, objects, inst);
        g_list_free(kids);
    }
}

GtkWidget* FindRoot(GtkBuilder* b, const char* module, GSList* objs)
{
    GObject* named = gtk_builder_get_object(b, module);
    if (named && GTK_IS_WIDGET(named)) return GTK_WIDGET(named);
    for (GSList* l = objs; l; l = l->next)
        if (GTK_IS_WINDOW(l->data)) return GTK_WIDGET(l->data);
    for (GSList* l = objs; l; l = l->next)
        if (GTK_IS_WIDGET(l->data) && !gtk_widget_get_parent(GTK_WIDGET(l->data)) && !GTK_IS_MENU(l->data))
            return GTK_WIDGET(l->data);
    for (GSList* l = objs; l; l = l->next)
        if (GTK_IS_WIDGET(l->data) && !gtk_widget_get_parent(GTK_WIDGET(l->data))) return GTK_WIDGET(l->data);
    return nullptr;
}

GtkBuilder* LoadUi(const char* module)
{
    GtkBuilder* b = gtk_builder_new();
    GError* err = nullptr;
    std::string path = UiPath(module);
    if (!gtk_builder_add_from_file(b, path.c_str(), &err)) {
        fprintf(stderr, "photon: cannot load module %s: %s\n", path.c_str(), err ? err->message : "?");
        if (err) g_error_free(err);
        g_object_unref(b);
        return nullptr;
    }
    return b;
}

gboolean DestroyMenuLater(gpointer user)
{
    auto* w = static_cast<PtWidget_t*>(user);
    if (Alive(w)) PtDestroyWidget(w);
    return G_SOURCE_REMOVE;
}

void OnMenuDone(GtkMenuShell*, gpointer user) { g_idle_add(DestroyMenuLater, user); }

void ApplyStartOptions(PtWidget_t* w)
{
    GtkWindow* win = GTK_WINDOW(w->gtk);
    if (start.x_set || start.y_set) {
        int x = 0, y = 0;
        gtk_window_get_position(win, &x, &y);
        gtk_window_move(win, start.x_set ? start.x : x, start.y_set ? start.y : y);
    }
    if (start.w_set || start.h_set) {
        int cw = 0, ch = 0;
        gtk_window_get_size(win, &cw, &ch);
        gtk_window_resize(win, start.w_set ? start.w : cw, start.h_set ? start.h : ch);
    }
    if (start.state.find('i') != std::string::npos) gtk_window_iconify(win);
    if (start.state.find('m') != std::string::npos) gtk_window_maximize(win);
}

PtWidget_t* CreateModule(const ApEventLink_t* link, PtWidget_t* parent, PtCallbackInfo_t* cbinfo)
{
    GtkBuilder* b = LoadUi(link->module);
    if (!b) return nullptr;
    GSList* objs = gtk_builder_get_objects(b);
    std::set<GObject*> objects;
    for (GSList* l = objs; l; l = l->next)
        if (GTK_IS_WIDGET(l->data)) objects.insert(G_OBJECT(l->data));
    GtkWidget* root_gtk = FindRoot(b, link->module, objs);
    if (!root_gtk) {
        fprintf(stderr, "photon: module %s has no widgets\n", link->module);
        g_slist_free(objs);
        g_object_unref(b);
        return nullptr;
    }
    // A picture placed in a widget: its window only carries the content.
    GtkWidget* holder = nullptr;
    if (link->type == ABM_PICTURE && GTK_IS_WINDOW(root_gtk) && gtk_bin_get_child(GTK_BIN(root_gtk))) {
        holder = root_gtk;
        root_gtk = gtk_bin_get_child(GTK_BIN(holder));
        g_object_ref(root_gtk);
        gtk_container_remove(GTK_CONTAINER(holder), root_gtk);
        objects.erase(G_OBJECT(holder));
    }
    auto* inst = new ModuleInstance{link->module, nullptr, {}, 0};
    PtWidget_t* host = link->type == ABM_PICTURE && Alive(parent) ? parent : nullptr;
    WrapTree(root_gtk, host, objects, inst);
    for (GObject* o : objects)  // widgets outside the root's tree (pop-up menus)
        if (!FromGtk(GTK_WIDGET(o))) WrapTree(GTK_WIDGET(o), nullptr, objects, inst);
    PtWidget_t* root = FromGtk(root_gtk);
    root->module_root = true;
    inst->root = root;
    if (host) AddChildGtk(host, root_gtk, {0, 0});
    if (holder) {
        g_object_unref(root_gtk);
        gtk_widget_destroy(holder);
    }
    gtk_builder_connect_signals_full(b, ConnectOne, const_cast<char*>(link->module));
    g_slist_free(objs);
    g_object_unref(b);

    if (root->kind == Kind::Window) {
        PtWidget_t* over = PtFindDisjoint(parent);
        if (over && over->kind == Kind::Window && !parentless().count(link->module))
            gtk_window_set_transient_for(GTK_WINDOW(root->gtk), GTK_WINDOW(over->gtk));
        if (link->pos_type == ABM_PLACE_POS) gtk_window_move(GTK_WINDOW(root->gtk), link->x, link->y);
        if (link->pos_type == ABM_PLACE_CENTER)
            gtk_window_set_position(GTK_WINDOW(root->gtk), GTK_WIN_POS_CENTER_ON_PARENT);
        if (link->pos_type == ABM_PLACE_POINTER) gtk_window_set_position(GTK_WINDOW(root->gtk), GTK_WIN_POS_MOUSE);
        if (!base_linked && (link->type == ABM_WINDOW || link->type == 0)) {
            base_linked = true;
            root->base_window = true;
            ApplyStartOptions(root);
        }
    }
    ApInfo_t info{ABR_PRE_REALIZE};
    if (link->setup && link->setup(root, &info, cbinfo) == Pt_END) {
        PtDestroyWidget(root);
        return nullptr;
    }
    if (!Alive(root)) return nullptr;
    if (root->kind == Kind::Menu) {
        g_signal_connect(root->gtk, "deactivate", G_CALLBACK(OnMenuDone), root);
        // The menu pops up for the event that asked for it, or for a press made here.
        GdkEvent* trigger = gtk_get_current_event();
        GdkWindow* at = parent && Alive(parent) && parent->gtk ? gtk_widget_get_window(parent->gtk) : nullptr;
        if (!trigger && at) {
            trigger = gdk_event_new(GDK_BUTTON_PRESS);
            trigger->button.window = GDK_WINDOW(g_object_ref(at));
            trigger->button.button = 1;
            trigger->button.time = GDK_CURRENT_TIME;
            GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
            gdk_event_set_device(trigger, pointer);
        }
        if (at)
            gtk_menu_popup_at_widget(GTK_MENU(root->gtk), parent->gtk, GDK_GRAVITY_SOUTH_WEST, GDK_GRAVITY_NORTH_WEST,
                                     trigger);
        else gtk_menu_popup_at_pointer(GTK_MENU(root->gtk), trigger);
        if (trigger) gdk_event_free(trigger);
    } else if (link->type != ABM_PICTURE || (host && PtWidgetIsRealized(host))) {
        PtRealizeWidget(root);
    }
    info.reason = ABR_POST_REALIZE;
    if (link->setup && Alive(root)) link->setup(root, &info, cbinfo);
    return Alive(root) ? root : nullptr;
}

// One widget of a module, with its children, made anew from the module's UI file.
PtWidget_t* CreateFromDBase(const std::string& module, const char* name, PtWidget_t* parent, const PhPoint_t* pos)
{
    GtkBuilder* b = LoadUi(module.c_str());
    if (!b) return nullptr;
    GSList* objs = gtk_builder_get_objects(b);
    GObject* named = gtk_builder_get_object(b, name);
    PtWidget_t* out = nullptr;
    if (!named || !GTK_IS_WIDGET(named) || GTK_IS_WINDOW(named)) {
        fprintf(stderr, "photon: module %s has no widget \"%s\"\n", module.c_str(), name);
    } else {
        GtkWidget* g = GTK_WIDGET(named);
        std::set<GObject*> objects;
        for (GSList* l = objs; l; l = l->next)
            if (GTK_IS_WIDGET(l->data) && (l->data == named || gtk_widget_is_ancestor(GTK_WIDGET(l->data), g)))
                objects.insert(G_OBJECT(l->data));
        g_object_ref(g);
        if (GtkWidget* holder = gtk_widget_get_parent(g)) gtk_container_remove(GTK_CONTAINER(holder), g);
        // Made unrealised, as a created widget is; the program realises it.
        gtk_widget_hide(g);
        auto* inst = new ModuleInstance{module, nullptr, {}, 0};
        PtWidget_t* host = Alive(parent) ? parent : nullptr;
        WrapTree(g, host, objects, inst);
        out = FromGtk(g);
        out->module_root = true;
        inst->root = out;
        out->pos = pos ? *pos : PhPoint_t{0, 0};
        if (host) AddChildGtk(host, g, out->pos);
        g_object_unref(g);
        ConnectScope scope{module.c_str(), &objects};
        gtk_builder_connect_signals_full(b, ConnectInScope, &scope);
    }
    for (GSList* l = objs; l; l = l->next)
        if (GTK_IS_WINDOW(l->data)) gtk_widget_destroy(GTK_WIDGET(l->data));
    g_slist_free(objs);
    g_object_unref(b);
    return out;
}

}  // namespace

const ApContext_t* Context() { return have_context ? &context : nullptr; }

void NoteWindowClosed(PtWidget_t* w)
{
    if (!Alive(w)) return;
    Invoke(w, Pt_CB_WINDOW_CLOSING, 0, nullptr, nullptr);
    if (!Alive(w)) return;
    if (w->base_window) PtExit(0);
    PtDestroyWidget(w);
}

}  // namespace detail

int ApInitialize(int argc, char* argv[], const ApContext_t* ctx)
{
    using namespace detail;
    if (ctx) {
        context = *ctx;
        have_context = true;
    }
    const char* server = nullptr;
    for (int i = 1; i + 1 < argc; ++i) {
        std::string a = argv[i];
        if (a == "-s") server = argv[++i];
    }
    int r = PtInit(server);
    for (int i = 1; i + 1 < argc; ++i) {
        std::string a = argv[i];
        const char* v = argv[i + 1];
        if (a == "-x") start.x = ScreenValue(v, true), start.x_set = true, ++i;
        else if (a == "-y") start.y = ScreenValue(v, false), start.y_set = true, ++i;
        else if (a == "-w") start.w = ScreenValue(v, true), start.w_set = true, ++i;
        else if (a == "-h") start.h = ScreenValue(v, false), start.h_set = true, ++i;
        else if (a == "-S") start.state = v, ++i;
        else if (a == "-s") ++i;
    }
    return r;
}

PtWidget_t* ApCreateModule(const ApEventLink_t* link, PtWidget_t* parent, PtCallbackInfo_t* cbinfo)
{
    if (!link || !link->module || !detail::HaveDisplay()) return nullptr;
    PtWidget_t* out = nullptr;
    detail::RunOnLoop([&] { out = detail::CreateModule(link, parent, cbinfo); });
    return out;
}

PtWidget_t* ApLinkWindow(PtWidget_t* parent, const ApEventLink_t* link, PtCallbackInfo_t* cbinfo)
{
    return ApCreateModule(link, parent, cbinfo);
}

PtWidget_t* ApGetWidgetPtr(PtWidget_t* link_instance, const char* name)
{
    if (!detail::Alive(link_instance) || !name || !link_instance->module) return nullptr;
    auto& m = link_instance->module->widgets;
    auto it = m.find(name);
    return it != m.end() && detail::Alive(it->second) ? it->second : nullptr;
}

const char* ApName(PtWidget_t* w) { return detail::Alive(w) ? w->name.c_str() : ""; }

PtWidget_t* ApGetInstance(PtWidget_t* w)
{
    if (!detail::Alive(w) || !w->module) return nullptr;
    return detail::Alive(w->module->root) ? w->module->root : nullptr;
}

int ApModuleParent(const ApEventLink_t* link, int parent_type, PtWidget_t*)
{
    if (!link || !link->module) return -1;
    if (parent_type == AB_NO_PARENT) detail::parentless().insert(link->module);
    else detail::parentless().erase(link->module);
    return 0;
}

ApDBase_t* ApOpenDBase(const ApEventLink_t* link)
{
    if (!link || !link->module || !detail::HaveDisplay()) return nullptr;
    ApDBase_t* db = nullptr;
    detail::RunOnLoop([&] {
        GtkBuilder* b = detail::LoadUi(link->module);
        if (!b) return;
        db = new ApDBase_t;
        db->module = link->module;
        GSList* objs = gtk_builder_get_objects(b);
        for (GSList* l = objs; l; l = l->next) {
            GObject* o = G_OBJECT(l->data);
            GtkWidget* img = nullptr;
            if (GTK_IS_IMAGE(o)) img = GTK_WIDGET(o);
            else if (GTK_IS_BUTTON(o)) img = gtk_button_get_image(GTK_BUTTON(o));
            std::string name = detail::ObjectName(o);
            if (!img || name.empty() || gtk_image_get_storage_type(GTK_IMAGE(img)) != GTK_IMAGE_PIXBUF) continue;
            if (GdkPixbuf* pb = gtk_image_get_pixbuf(GTK_IMAGE(img))) db->images[name] = detail::ImageFromPixbuf(pb);
        }
        for (GSList* l = objs; l; l = l->next)
            if (GTK_IS_WINDOW(l->data)) gtk_widget_destroy(GTK_WIDGET(l->data));
        g_slist_free(objs);
        g_object_unref(b);
    });
    return db;
}

PhImage_t* ApGetImageRes(ApDBase_t* db, const char* name)
{
    if (!db || !name) return nullptr;
    auto it = db->images.find(name);
    return it == db->images.end() ? nullptr : it->second;
}

PtWidget_t* ApCreateDBWidget(ApDBase_t* db, const char* name, PtWidget_t* parent, const PhPoint_t* pos, int nargs,
                             const PtArg_t* args)
{
    if (!db || !name || !*name || !detail::HaveDisplay()) return nullptr;
    PtWidget_t* out = nullptr;
    detail::RunOnLoop([&] { out = detail::CreateFromDBase(db->module, name, parent, pos); });
    if (out && nargs > 0 && args) PtSetResources(out, static_cast<unsigned>(nargs), args);
    return out;
}

void ApCloseDBase(ApDBase_t* db)
{
    if (!db) return;
    for (auto& [name, image] : db->images) {
        PhReleaseImage(image);
        free(image);
    }
    delete db;
}

std::string ApProgramDataFolder(const char* name)
{
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::string("share/zephra/") + name;
    return (program.parent_path().parent_path() / "share" / "zephra" / name).string();
}

}  // namespace photon
