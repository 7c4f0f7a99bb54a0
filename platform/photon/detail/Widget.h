// Inside the GUI layer: the widget record and the helpers its files share.
#pragma once

#include "photon/Ap.h"
#include "photon/PtApp.h"
#include "photon/PtWidget.h"

#include <gtk/gtk.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace photon {

enum class Kind {
    Window,
    Button,
    Toggle,
    Label,
    Text,
    Numeric,
    Slider,
    List,
    Combo,
    Group,
    Scroll,
    Timer,
    Menu,
    MenuItem,
    FileSel,
    Raw,
    Tree,
    PanelGroup,
};

struct PtWidgetClass_t {
    Kind kind;
    const char* name;
};

namespace detail {

struct Callback {
    unsigned long reason;
    PtCallbackF_t* fn;
    void* data;
};
struct EventHandler {
    unsigned long mask;
    PtCallbackF_t* fn;
    void* data;
};
struct Hotkey {
    unsigned key;
    unsigned long mods;
    short flags;
    void* data;
    PtCallbackF_t* fn;
};

using TimerKey = std::pair<uint64_t, uint64_t>;  // due time, sequence; {0,0} when none

struct ModuleInstance;

}  // namespace detail

struct PtWidget_t {
    Kind kind;
    PtWidgetClassRef_t* cls;
    std::string name;
    GtkWidget* gtk = nullptr;         // our reference
    GtkWidget* body = nullptr;        // where children go (scroll container: its GtkLayout)
    GtkWidget* text_part = nullptr;   // label made by the layer: its text
    GtkWidget* image_part = nullptr;  // label or button: its image
    GtkListStore* store = nullptr;    // list rows
    GtkTreeStore* tree = nullptr;     // tree rows
    std::vector<PhImage_t*> tree_images;
    const void* last_target = nullptr;  // quick second presses on a row count as a double click
    uint64_t last_press = 0;
    int click_count = 1;
    PtWidget_t* parent = nullptr;
    std::vector<PtWidget_t*> children;
    detail::ModuleInstance* module = nullptr;
    bool module_root = false;
    bool base_window = false;

    long flags = 0;
    bool realized_flag = false;  // for widgets without a window of their own (PtTimer)
    std::vector<detail::Callback> callbacks;
    std::vector<detail::EventHandler> handlers;
    std::vector<detail::Hotkey> hotkeys;

    // Values handed out by PtGetResource.
    std::string text, title, font, root_dir;
    bool root_dir_pending = false;  // a file selector's folder set, not yet taken up by the toolkit
    std::vector<char> user_data;
    void* pointer = nullptr;
    long value_long = 0;
    int value_int = 0;
    unsigned short value_ushort = 0;
    PhPoint_t pos{};
    PhDim_t dim{};
    PhArea_t area{};
    long label_type = Pt_Z_STRING;
    PhImage_t* image = nullptr;  // our copy
    PgColor_t fill = Pg_TRANSPARENT, color = Pg_TRANSPARENT, arm_color = Pg_TRANSPARENT;
    GtkCssProvider* css = nullptr;
    unsigned short cursor = 0;
    int cursor_override = 0;
    long render_flags = -1, window_state = 0, managed_flags = -1;
    int scroll_height = 0;
    std::vector<unsigned short> selection;

    // Timers and repeat.
    unsigned timer_initial = 0, timer_repeat = 0;
    detail::TimerKey timer_key{}, arm_key{}, repeat_key{};
    unsigned repeat_delay = 300, repeat_interval = 100;
    bool armed = false, pending_activate = false;

    // Changes made by the program raise no callbacks.
    int quiet = 0;
    bool dragging = false;
    bool destroying = false;
};

namespace detail {

// ---- Loop thread and lock (Lock.cpp) ----
void EnsureLoopThread();
bool OnLoopThread();
void RunOnLoop(const std::function<void()>& job);  // runs on the loop thread, waits
void InstallPollHook();

// ---- Clock and timers (Timers.cpp) ----
uint64_t NowMs();
TimerKey ArmTimer(uint64_t delay_ms, std::function<void()> fire);
void CancelTimer(TimerKey& key);
void EnsureTimerSource();

// ---- Widgets (Widget.cpp) ----
PtWidget_t* FromGtk(GtkWidget* gtk);
PtWidget_t* WrapGtk(GtkWidget* gtk, Kind kind, const std::string& name, PtWidget_t* parent);
Kind KindOfGtk(GtkWidget* gtk);
PtWidgetClassRef_t* ClassOf(Kind kind);
void AddChildGtk(PtWidget_t* parent, GtkWidget* child, PhPoint_t pos);
bool InputBlocked(PtWidget_t* widget);
void DestroyAll();
void RegisterName(PtWidget_t* widget);
bool Alive(PtWidget_t* widget);
void SendInfoToWindows(unsigned subtype);  // Ph_EV_INFO to every realised window

// ---- Callbacks (Callbacks.cpp) ----
// Runs the widget's callbacks of reason in order; returns Pt_END when one ended the chain.
int Invoke(PtWidget_t* widget, unsigned long reason, unsigned long subtype, PhEvent_t* event, void* cbdata);
int InvokeHandlers(PtWidget_t* widget, unsigned long type, PhEvent_t* event);
void ConnectSignals(PtWidget_t* widget);
void EventFilter(GdkEvent* event, gpointer data);  // every display event passes here
void Deliver(GdkEvent* event);                     // as if the display had sent it
PhEvent_t MakeEvent(unsigned long type, unsigned subtype);
void SliderDragTo(PtWidget_t* slider, int value);

// ---- Trees (Tree.cpp) ----
void WrapTreeView(PtWidget_t* tree);
void ForgetTree(PtWidget_t* tree);
void SetTreeImages(PtWidget_t* tree, const PhImage_t* const* images, long count);

// ---- Modules (Modules.cpp) ----
const ApContext_t* Context();
bool HaveDisplay();
void NoteWindowClosed(PtWidget_t* window);
void ReleaseModule(ModuleInstance* instance, PtWidget_t* widget);  // a widget of the instance is gone

// ---- Test driver (TestDriver.cpp) ----
// Sends a select-button click at root coordinates through the display; false without its test
// extension. The loop running handles it.
bool RealClickAt(int x, int y);

// ---- Images (Image.cpp) ----
GdkPixbuf* PixbufOf(const PhImage_t* image);
PhImage_t* ImageFromPixbuf(GdkPixbuf* pixbuf);  // takes a reference

}  // namespace detail
}  // namespace photon
