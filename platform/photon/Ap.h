// The application-builder frame: start-up options, modules described by UI files, set-up
// functions, the link table and widgets by module and name, image databases.
//
// A module is one UI file, "<module>.ui", in the application's UI folder. The ids of the file's
// objects are the widget names. A callback is attached in the file as a signal whose handler is
// the name of a function in the application's callback table:
//   <signal name="clicked" handler="cbplay"/>           the widget's natural reason (below)
//   <signal name="notify" handler="Pt_CB_REPEAT:cbff"/> any reason, named before a colon
// Natural reasons: "clicked" and "toggled" Pt_CB_ACTIVATE, "pressed" Pt_CB_ARM, "released"
// Pt_CB_DISARM, "activate" (text field, menu item) Pt_CB_ACTIVATE, "value-changed" Pt_CB_SLIDER_MOVE
// or Pt_CB_NUMERIC_CHANGED, "changed" (combo box, text field) Pt_CB_SELECTION or Pt_CB_TEXT_CHANGED,
// "realize" Pt_CB_REALIZED, "destroy" Pt_CB_DESTROYED, "delete-event" Pt_CB_WINDOW_CLOSING,
// "insert-text" Pt_CB_MODIFY_VERIFY, "test-expand-row" Pt_CB_TREE_STATE, "cursor-changed" (tree)
// Pt_CB_TREE_SELECTION;
// "Pt_EV_<event>:fn" (Pt_EV_KEY, Pt_EV_TIMER, Pt_EV_PTR_MOTION_BUTTON, Pt_EV_INFO) adds an event handler.
// A widget whose GTK name property is "PtTimer" is a PtTimer; "PtRaw" a drawn area; a GtkTreeView
// named "PtTree" a PtTree (other tree views are PtLists).
#pragma once

#include <string>

#include "photon/PtTypes.h"
#include "photon/PtWidget.h"

namespace photon {

struct ApInfo_t {
    int reason;  // ABR_PRE_REALIZE or ABR_POST_REALIZE
};
enum : int { ABR_PRE_REALIZE = 1, ABR_POST_REALIZE = 2 };

using ApSetupF_t = int(PtWidget_t* link_instance, ApInfo_t* info, PtCallbackInfo_t* cbinfo);

enum : int { ABM_WINDOW = 1, ABM_DIALOG = 2, ABM_MENU = 3, ABM_PICTURE = 4 };
// Where a module appears (pos_type of a link).
enum : int { ABM_PLACE_DEFAULT = 0, ABM_PLACE_CENTER = 1, ABM_PLACE_POINTER = 2, ABM_PLACE_POS = 3 };

struct ApEventLink_t {
    int type;            // ABM_*
    const char* module;  // module name: "<module>.ui" in the UI folder
    ApSetupF_t* setup;   // called before and after realising; NULL for none
    int pos_type;        // ABM_PLACE_*
    short x, y;          // for ABM_PLACE_POS
};

struct ApCallbackName_t {
    const char* name;
    PtCallbackF_t* fn;
};

struct ApContext_t {
    const char* ui_dir;                 // UI folder; ZEPHRA_PHOTON_UI_DIR overrides it
    const ApCallbackName_t* callbacks;  // ends with a {NULL, NULL} entry
    const char* app_name;               // for messages and the window class
};

// Takes the framework's options out of argv (each with its value: "-s server", "-x X", "-y Y",
// "-w W", "-h H", "-S state"; x, y may end in '%' of the screen), connects to the display and
// records the context. The first window linked gets the position, size and state; it is the
// application's base window: closing it ends the program. Returns 0, or -1 without a display.
int ApInitialize(int argc, char* argv[], const ApContext_t* context);

// Creates a module's widgets: set-up before realising, realise (not for menus: those pop up at
// the pointer; not for pictures), set-up after. parent is the widget the module appears over
// (a window module's parent window, a menu's button); for a picture module the widget its root
// is put in. Returns the module's root widget, or NULL (with a line on standard error).
PtWidget_t* ApCreateModule(const ApEventLink_t* link, PtWidget_t* parent, PtCallbackInfo_t* cbinfo);
PtWidget_t* ApLinkWindow(PtWidget_t* parent, const ApEventLink_t* link, PtCallbackInfo_t* cbinfo);

// A widget by name: in the module instance of link_instance, or the latest created anywhere.
PtWidget_t* ApGetWidgetPtr(PtWidget_t* link_instance, const char* name);
PtWidget_t* ApWidget(const char* name);

// The folder share/zephra/NAME beside the running program's folder (bin/../share/zephra/NAME): a
// program's UI files and pictures are copied there in the build tree and installed there, so the
// program finds them by its own place wherever the tree was put.
std::string ApProgramDataFolder(const char* name);
const char* ApName(PtWidget_t* widget);         // "" for an unnamed widget
PtWidget_t* ApGetInstance(PtWidget_t* widget);  // the module root holding the widget
// A window module made without parent (AB_NO_PARENT) stands alone rather than over its parent.
enum : int { AB_PARENT = 0, AB_NO_PARENT = 1 };
int ApModuleParent(const ApEventLink_t* link, int parent_type, PtWidget_t* parent);

// A picture module opened as a database: images by the names of its image widgets, and widgets
// made from it by name, as often as wanted.
struct ApDBase_t;
ApDBase_t* ApOpenDBase(const ApEventLink_t* link);
PhImage_t* ApGetImageRes(ApDBase_t* db, const char* name);  // owned by the database
// Makes the named widget and its children (with their callbacks) under parent, at pos (NULL: the
// origin), then applies args. Made unrealised; widgets made from the database outlive it.
// ApGetWidgetPtr(widget, name) finds its children. NULL, with a line on standard error, for a
// name the module does not have.
PtWidget_t* ApCreateDBWidget(ApDBase_t* db, const char* name, PtWidget_t* parent, const PhPoint_t* pos, int nargs,
                             const PtArg_t* args);
void ApCloseDBase(ApDBase_t* db);

}  // namespace photon
