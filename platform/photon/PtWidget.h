// Widgets of the appliance GUI: classes, flags, resources, callbacks, lists and widget timers.
//
// Widgets come from application modules (Ap.h), whose UI files name them, or from PtCreateWidget.
// Every call here is made on the thread that runs the main loop or by a thread that holds the
// library lock (PtEnter, PtApp.h).
#pragma once

#include "photon/PtTypes.h"

namespace photon {

// ---- Classes ---------------------------------------------------------------------------------
extern PtWidgetClassRef_t* const PtWindow;           // a top-level window (also dialogs)
extern PtWidgetClassRef_t* const PtButton;           // push button: arm, disarm, activate, repeat
extern PtWidgetClassRef_t* const PtToggleButton;     // toggle: Pt_SET follows its state
extern PtWidgetClassRef_t* const PtLabel;            // text and/or image
extern PtWidgetClassRef_t* const PtText;             // one-line text field
extern PtWidgetClassRef_t* const PtNumericInteger;   // integer field
extern PtWidgetClassRef_t* const PtSlider;           // slider (gauge value, minimum, maximum)
extern PtWidgetClassRef_t* const PtList;             // list of text rows, numbered from 1
extern PtWidgetClassRef_t* const PtComboBox;         // drop-down list, numbered from 1
extern PtWidgetClassRef_t* const PtGroup;            // container
extern PtWidgetClassRef_t* const PtScrollContainer;  // scrolled area; children placed by position
extern PtWidgetClassRef_t* const PtTimer;            // invisible; Pt_CB_TIMER_ACTIVATE
extern PtWidgetClassRef_t* const PtMenu;             // pop-up menu
extern PtWidgetClassRef_t* const PtMenuButton;       // menu item (a toggle item keeps Pt_SET)
extern PtWidgetClassRef_t* const PtFileSel;          // file selector inside a window
extern PtWidgetClassRef_t* const PtRaw;              // area drawn by its owner (plug-in panes)
extern PtWidgetClassRef_t* const PtTree;             // tree of items (PtTreeItem_t)
extern PtWidgetClassRef_t* const PtPanelGroup;       // pages behind tabs, one shown at a time

// ---- Flags (Pt_ARG_FLAGS) ---------------------------------------------------------------------
enum : long {
    Pt_REALIZED = 0x00000001,  // read only
    Pt_SET = 0x00000002,       // a toggle is set, a menu item checked
    Pt_TOGGLE = 0x00000004,
    Pt_BLOCKED = 0x00000010,  // takes no pointer or key input
    Pt_GHOST = 0x00000020,    // drawn dimmed
    Pt_SELECTABLE = 0x00000040,
    Pt_HIGHLIGHTED = 0x00000080,
    Pt_DESTROYED = 0x00000100,  // read only
};

// ---- Resources --------------------------------------------------------------------------------
// Set with PtSetResource(widget, type, value, len); for Pt_ARG_FLAGS len is the mask of flags to
// change. PtGetResource(widget, type, &pointer, 0) stores a pointer to the widget's own value
// (long* for flags, const char* for texts, PhDim_t* for Pt_ARG_DIM, ...), valid until the next
// change of the widget.
enum : long {
    Pt_ARG_FLAGS = 1,            // long
    Pt_ARG_TEXT_STRING,          // const char* (UTF-8)
    Pt_ARG_WINDOW_TITLE,         // const char*
    Pt_ARG_POS,                  // const PhPoint_t*
    Pt_ARG_DIM,                  // const PhDim_t*
    Pt_ARG_AREA,                 // const PhArea_t*
    Pt_ARG_USER_DATA,            // bytes copied from value, len bytes; get: void*
    Pt_ARG_POINTER,              // void*, not copied
    Pt_ARG_LABEL_TYPE,           // Pt_Z_STRING, Pt_IMAGE, Pt_TEXT_IMAGE
    Pt_ARG_LABEL_IMAGE,          // const PhImage_t* (copied); get: PhImage_t*
    Pt_ARG_FILL_COLOR,           // PgColor_t
    Pt_ARG_COLOR,                // PgColor_t (text)
    Pt_ARG_ARM_COLOR,            // PgColor_t (fill while pressed)
    Pt_ARG_TEXT_FONT,            // const char*: "lub12b", "TextFont07", ... (size and b/i)
    Pt_ARG_GAUGE_VALUE,          // int
    Pt_ARG_GAUGE_MINIMUM,        // int
    Pt_ARG_GAUGE_MAXIMUM,        // int
    Pt_ARG_NUMERIC_VALUE,        // int
    Pt_ARG_NUMERIC_MIN,          // int
    Pt_ARG_NUMERIC_MAX,          // int
    Pt_ARG_TIMER_INITIAL,        // unsigned ms; 0 stops the timer
    Pt_ARG_TIMER_REPEAT,         // unsigned ms; 0 fires once
    Pt_ARG_AUTOREPEAT_DELAY,     // unsigned ms before the first Pt_CB_REPEAT (default 300)
    Pt_ARG_AUTOREPEAT_INTERVAL,  // unsigned ms between repeats (default 100)
    Pt_ARG_LIST_ITEM_COUNT,      // get only: unsigned short
    Pt_ARG_SELECTION_INDEXES,    // get only: unsigned short* (1-based rows); how many: Pt_ARG_LIST_SEL_COUNT
    Pt_ARG_LIST_SEL_COUNT,       // get only: unsigned short
    Pt_ARG_TOP_ITEM_POS,         // unsigned short: first visible row
    Pt_ARG_CBOX_SEL_ITEM,        // unsigned short: selected row of a combo box (0 none)
    Pt_ARG_CURSOR_TYPE,          // unsigned short: 0 normal, Ph_CURSOR_WAIT busy
    Pt_ARG_CURSOR_OVERRIDE,      // int
    Pt_ARG_SCROLL_AREA_HEIGHT,   // int: height of a scroll container's scrolled area
    Pt_ARG_SCROLLBAR_WIDTH,      // get only: int
    Pt_ARG_FS_ROOT_DIR,          // const char*: folder shown by a file selector
    Pt_ARG_WINDOW_RENDER_FLAGS,  // Ph_WM_RENDER_* (decorations)
    Pt_ARG_WINDOW_STATE,         // Ph_WM_STATE_*
    Pt_ARG_TREE_IMAGES,          // const PhImage_t** (copied), len images; items name them by index
    Pt_ARG_PG_CURRENT_INDEX,     // int: the page a panel group shows, from 0

    // Ph_WM_* the window manager handles for the window.
    Pt_ARG_WINDOW_MANAGED_FLAGS,
};

enum : long { Pt_Z_STRING = 0, Pt_IMAGE = 1, Pt_TEXT_IMAGE = 2 };
enum : unsigned short { Ph_CURSOR_INHERIT = 0, Ph_CURSOR_WAIT = 0xE90A };
enum : long {
    Ph_WM_RENDER_BORDER = 0x01,
    Ph_WM_RENDER_TITLE = 0x10,
    Ph_WM_RENDER_RESIZE = 0x20,
    Ph_WM_RENDER_MENU = 0x80,
    Ph_WM_RENDER_MAX = 0x2000,
};
enum : long { Ph_WM_STATE_ISFRONT = 0x08, Ph_WM_STATE_ISHIDDEN = 0x01 };

struct PtArg_t {
    long type;
    long value;
    long len;
};
inline void PtSetArg(PtArg_t* arg, long type, long value, long len) { *arg = {type, value, len}; }
inline void PtSetArg(PtArg_t* arg, long type, const void* value, long len)
{
    *arg = {type, reinterpret_cast<long>(value), len};
}
inline void PtSetArg(PtArg_t* arg, long type, int value, long len) { *arg = {type, value, len}; }

// ---- Callback reasons -------------------------------------------------------------------------
enum : unsigned long {
    Pt_CB_ACTIVATE = 1,  // button released inside, toggle changed, menu item chosen,
                         // Enter in a text field
    Pt_CB_ARM,           // button pressed
    Pt_CB_DISARM,        // button released
    Pt_CB_REPEAT,        // button held: after the delay, then every interval
    Pt_CB_REALIZED,
    Pt_CB_UNREALIZED,
    Pt_CB_DESTROYED,
    Pt_CB_WINDOW_CLOSING,   // a window is being closed by its user
    Pt_CB_SELECTION,        // list or combo box row chosen (PtListCallback_t)
    Pt_CB_SLIDER_MOVE,      // slider moved (PtSliderCallback_t)
    Pt_CB_NUMERIC_CHANGED,  // integer field changed (PtNumericCallback_t)
    Pt_CB_TEXT_CHANGED,     // text field edited
    Pt_CB_TIMER_ACTIVATE,   // a PtTimer fired
    Pt_CB_FS_SELECTION,     // a file selector's item chosen (PtFileSelCallback_t)
    Pt_CB_HOTKEY,           // reason given to hotkey handlers
    Pt_CB_RAW,              // reason given to event handlers
    Pt_CB_TREE_STATE,       // a tree item expands or collapses (PtTreeCallback_t), before it does
    Pt_CB_TREE_SELECTION,   // a tree item chosen by the user (PtTreeCallback_t)
    Pt_CB_MODIFY_VERIFY,    // a text field is about to change (PtTextCallback_t)
    Pt_CB_WINDOW,           // a window was moved (PhWindowEvent_t with Ph_WM_MOVE)
    Pt_CB_RESIZE,           // a window's size changed (PtContainerCallback_t)
};

// Subtypes of Pt_CB_SELECTION: a pointer press on a row of a list gives BROWSE, its release
// FINAL; a combo box gives FINAL; Return on a list gives Pt_CB_ACTIVATE for the selected row.
// The pointer event's click_count is 2 for the second quick press on the same row. Rows
// selected by the program raise no callback.
enum : unsigned long { Pt_LIST_SELECTION_FINAL = 0, Pt_LIST_SELECTION_BROWSE = 1 };
// Subtypes of Pt_CB_SLIDER_MOVE.
enum : unsigned long {
    Pt_SLIDER_STEPPED = 1,   // moved by a key or a click beside the handle
    Pt_SLIDER_SET = 2,       // moved to a clicked position
    Pt_SLIDER_DRAGGED = 5,   // the handle is being dragged
    Pt_SLIDER_RELEASED = 6,  // the drag ended
};

struct PtListCallback_t {
    unsigned short mode;
    const char* item;  // text of the row
    unsigned short item_len;
    unsigned short item_pos;  // 1-based row
    unsigned short sel_item_count;
    const unsigned short* sel_array;
};
struct PtSliderCallback_t {
    int action;
    int position;
};
struct PtNumericCallback_t {
    int action;
    int numeric_value;
};
struct PtFileSelCallback_t {
    const char* path;
};
struct PtContainerCallback_t {
    PhRect_t old_size, new_size;
};
// A text change about to happen: clear doit to refuse it.
struct PtTextCallback_t {
    int doit;
    const char* text;        // the text inserted (UTF-8)
    int length;              // its bytes
    int start_pos, end_pos;  // characters replaced
};

// ---- Trees -------------------------------------------------------------------------------------
enum : unsigned {
    Pt_TREE_ITEM_EXPANDABLE = 0x0100,  // shows an expander even before it has children
    Pt_TREE_ITEM_EXPANDED = 0x0200,
};
// Subtypes of Pt_CB_TREE_STATE.
enum : unsigned long { Pt_TREE_COLLAPSING = 0, Pt_TREE_EXPANDING = 1 };
struct PtTreeItemRow;
struct PtTreeItem_t {
    unsigned flags;  // Pt_TREE_ITEM_*
    PtTreeItem_t* father;
    PtTreeItem_t* brother;     // the next item at the same level
    PtTreeItem_t* son;         // the first child
    void* data;                // the program's own
    short set_img, unset_img;  // images (Pt_ARG_TREE_IMAGES index) when expanded, when not; -1 none
    const char* string;        // its text (owned by the item)
    PtTreeItemRow* row;        // where it is shown (the layer's)
};
struct PtTreeCallback_t {
    PtTreeItem_t* item;
    unsigned expand;  // Pt_CB_TREE_STATE: 1 expanding, 0 collapsing
};
// Items are made unattached, then added; a removed item (with its children) may be added again
// or freed.
PtTreeItem_t* PtTreeAllocItem(PtWidget_t* tree, const char* string, short set_img, short unset_img);
int PtTreeAddFirst(PtWidget_t* tree, PtTreeItem_t* item, PtTreeItem_t* parent);  // NULL: top level
int PtTreeAddAfter(PtWidget_t* tree, PtTreeItem_t* item, PtTreeItem_t* brother);
PtTreeItem_t* PtTreeRemoveItem(PtWidget_t* tree, PtTreeItem_t* item);
void PtTreeFreeItems(PtTreeItem_t* item);  // the item, its later brothers and all their children
void PtTreeFreeAllItems(PtWidget_t* tree);
int PtTreeModifyItemString(PtWidget_t* tree, PtTreeItem_t* item, const char* string);
PtTreeItem_t* PtTreeRootItem(PtWidget_t* tree);  // the first top-level item
PtTreeItem_t* PtTreeGetCurrent(PtWidget_t* tree);
void PtTreeGoto(PtWidget_t* tree, PtTreeItem_t* item);  // makes it current, selected and visible
void PtTreeSelect(PtWidget_t* tree, PtTreeItem_t* item);
void PtTreeShow(PtWidget_t* tree, PtTreeItem_t* item);
int PtTreeExpand(PtWidget_t* tree, PtTreeItem_t* item, PhEvent_t* event);  // runs Pt_CB_TREE_STATE
int PtTreeCollapse(PtWidget_t* tree, PtTreeItem_t* item, PhEvent_t* event);

// ---- Window events ------------------------------------------------------------------------------
enum : unsigned long {
    Ph_WM_CLOSE = 0x0001,
    Ph_WM_FOCUS = 0x0002,
    Ph_WM_TOFRONT = 0x0008,
    Ph_WM_TOBACK = 0x0010,
    Ph_WM_RESIZE = 0x0040,
    Ph_WM_HIDE = 0x0100,
    Ph_WM_MOVE = 0x0200,
    Ph_WM_MAX = 0x0800,
    Ph_WM_FFRONT = 0x10000,  // keep in front: state_f 0 on, otherwise off
};
struct PhWindowEvent_t {
    unsigned long event_f;  // Ph_WM_*
    unsigned long state_f;
    PtWidget_t* window;  // the window it is for
    PhPoint_t pos;       // Ph_WM_MOVE: new position
    PhDim_t size;        // Ph_WM_RESIZE: new size
};

// ---- Widget life ---------------------------------------------------------------------------------
// Creates a widget of a class in a parent (NULL for a window); args are applied in order.
PtWidget_t* PtCreateWidget(PtWidgetClassRef_t* cls, PtWidget_t* parent, unsigned nargs, const PtArg_t* args);
int PtRealizeWidget(PtWidget_t* widget);    // shows it (and its children); runs Pt_CB_REALIZED
int PtUnrealizeWidget(PtWidget_t* widget);  // hides it; runs Pt_CB_UNREALIZED
int PtDestroyWidget(PtWidget_t* widget);    // children first; runs Pt_CB_DESTROYED; 0 or -1
int PtWidgetIsRealized(PtWidget_t* widget);
long PtWidgetFlags(PtWidget_t* widget);
PtWidget_t* PtWidgetParent(PtWidget_t* widget);
PtWidget_t* PtFindDisjoint(PtWidget_t* widget);  // the window holding the widget
PtWidgetClassRef_t* PtWidgetClass(PtWidget_t* widget);
int PtWidgetIsClass(PtWidget_t* widget, PtWidgetClassRef_t* cls);

// Order among siblings (later is in front), and sizes.
int PtWidgetToFront(PtWidget_t* widget);
int PtWidgetToBack(PtWidget_t* widget);
int PtWidgetInsert(PtWidget_t* widget, PtWidget_t* sibling, int behind);
PhArea_t* PtWidgetArea(PtWidget_t* widget, PhArea_t* area);
PhRect_t* PtWidgetExtent(PtWidget_t* widget, PhRect_t* extent);
int PtExtentWidget(PtWidget_t* widget);  // recomputes sizes after children changed

int PtWindowToFront(PtWidget_t* window);
int PtForwardWindowEvent(const PhWindowEvent_t* event);  // Ph_WM_MOVE, RESIZE, CLOSE, TOFRONT, FFRONT, HIDE
// Delivers a synthetic event to a widget as if the user made it: Ph_EV_BUT_PRESS, Ph_EV_BUT_REPEAT
// and Ph_EV_BUT_RELEASE work a button (arm, repeat, disarm and activate); Ph_EV_KEY goes to the key
// handlers (PtAddEventHandler) of the widget's window; a blocked widget takes none.
int PtSendEventToWidget(PtWidget_t* widget, PhEvent_t* event);
// The visible screen rectangle (flags and input group are accepted for form's sake).
int PhWindowQueryVisible(unsigned flags, long rid, unsigned input_group, PhRect_t* rect);
int PhInputGroup(PhEvent_t* event);

// ---- Resources -----------------------------------------------------------------------------------
int PtSetResource(PtWidget_t* widget, long type, long value, long len);
int PtSetResource(PtWidget_t* widget, long type, const void* value, long len);
inline int PtSetResource(PtWidget_t* widget, long type, int value, long len)
{
    return PtSetResource(widget, type, static_cast<long>(value), len);
}
inline int PtSetResource(PtWidget_t* widget, long type, unsigned value, long len)
{
    return PtSetResource(widget, type, static_cast<long>(value), len);
}
int PtSetResources(PtWidget_t* widget, unsigned nargs, const PtArg_t* args);
// value is the address of a pointer that receives the address of the widget's value.
int PtGetResource(PtWidget_t* widget, long type, void* value, long len);

// ---- Callbacks -----------------------------------------------------------------------------------
int PtAddCallback(PtWidget_t* widget, unsigned long reason, PtCallbackF_t* fn, void* data);
int PtRemoveCallback(PtWidget_t* widget, unsigned long reason, PtCallbackF_t* fn, void* data);
// Raw event handler for the events in mask (Ph_EV_KEY, Ph_EV_TIMER, Ph_EV_PTR_MOTION_BUTTON, ...).
int PtAddEventHandler(PtWidget_t* widget, unsigned long mask, PtCallbackF_t* fn, void* data);
int PtRemoveEventHandler(PtWidget_t* widget, unsigned long mask, PtCallbackF_t* fn, void* data);
// A window hotkey: key (a cap, or a symbol with Pt_HOTKEY_SYM) with exactly these modifiers.
enum : short { Pt_HOTKEY_SYM = 0x01 };
int PtAddHotkeyHandler(PtWidget_t* widget, unsigned key, unsigned long key_mods, short flags, void* data,
                       PtCallbackF_t* fn);

// Arms the widget's timer: after msec (of the layer's clock) its event handlers for Ph_EV_TIMER
// run once. Arming again replaces the earlier time; 0 disarms.
int PtTimerArm(PtWidget_t* widget, unsigned msec);

// Holding from redraw (counted); drawing resumes at the matching release.
int PtHold();
int PtRelease();
int PtContainerHold(PtWidget_t* widget);
int PtContainerRelease(PtWidget_t* widget);
int PtDamageWidget(PtWidget_t* widget);

// ---- Lists and combo boxes (rows numbered from 1; position 0 appends) -----------------------------
int PtListAddItems(PtWidget_t* widget, const char** items, int count, unsigned pos);
int PtListDeleteAllItems(PtWidget_t* widget);
int PtListDeleteItemPos(PtWidget_t* widget, int count, int pos);
void PtListSelectPos(PtWidget_t* widget, int pos);  // 0 clears the selection
void PtListUnselectPos(PtWidget_t* widget, int pos);
void PtListGotoPos(PtWidget_t* widget, int pos);          // scrolls the row into view and selects it
void PtListShowPos(PtWidget_t* widget, int pos);          // scrolls the row into view
int PtListItemPos(PtWidget_t* widget, const char* item);  // 0 when absent

}  // namespace photon
