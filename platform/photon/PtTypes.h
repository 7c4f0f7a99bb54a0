// The appliance GUI's basic types and constants: points, sizes, areas, colours, events, callback
// information and the return codes of callbacks, as the appliance programs use them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace photon {

struct PtWidget_t;       // a widget; created by modules or PtCreateWidget
struct PtWidgetClass_t;  // a widget class (PtButton, PtLabel, ...)
using PtWidgetClassRef_t = const PtWidgetClass_t;
struct PtAppContext;  // the one application context; NULL names it everywhere
using PtAppContext_t = PtAppContext*;

using PgColor_t = uint32_t;  // 0xRRGGBB
inline constexpr PgColor_t Pg_TRANSPARENT = 0xFFFFFFFFu;

// clang-format off
struct PhPoint_t { int16_t x, y; };
struct PhDim_t { uint16_t w, h; };
struct PhArea_t { PhPoint_t pos; PhDim_t size; };
struct PhRect_t { PhPoint_t ul, lr; };   // upper-left and lower-right corners, both inside
// clang-format on

// ---- Callback return codes ---------------------------------------------------------------
enum : int {
    Pt_CONTINUE = 0,  // keep going (and keep the handler)
    Pt_END = -1,      // remove this handler / work procedure; stop the chain
    Pt_HALT = 1,      // stop the chain of callbacks
    Pt_CONSUME = 2,   // the event is consumed
};

enum : int { Pt_FALSE = 0, Pt_TRUE = -1 };

// ---- Events --------------------------------------------------------------------------------
inline constexpr unsigned long Ph_EV_KEY = 0x0001;
inline constexpr unsigned long Ph_EV_BUT_PRESS = 0x0002;
inline constexpr unsigned long Ph_EV_BUT_RELEASE = 0x0004;
inline constexpr unsigned long Ph_EV_PTR_MOTION_NOBUTTON = 0x0008;
inline constexpr unsigned long Ph_EV_PTR_MOTION_BUTTON = 0x0010;
inline constexpr unsigned long Ph_EV_BOUNDARY = 0x0020;
inline constexpr unsigned long Ph_EV_WM = 0x0040;
inline constexpr unsigned long Ph_EV_EXPOSE = 0x0080;
inline constexpr unsigned long Ph_EV_DRAG = 0x0100;
inline constexpr unsigned long Ph_EV_BUT_REPEAT = 0x0200;
inline constexpr unsigned long Ph_EV_TIMER = 0x0400;
inline constexpr unsigned long Ph_EV_INFO = 0x80000;  // system information, to every open window
inline constexpr unsigned long Ph_EV_PTR_MOTION = Ph_EV_PTR_MOTION_NOBUTTON | Ph_EV_PTR_MOTION_BUTTON;

// Subtypes of a button release.
enum : unsigned { Ph_EV_RELEASE_REAL = 0, Ph_EV_RELEASE_PHANTOM = 1, Ph_EV_RELEASE_ENDCLICK = 2 };
// Subtype of an information event: the display's configuration changed (its size or its
// monitors), so what was drawn straight to it is no longer valid.
enum : unsigned { Ph_OFFSCREEN_INVALID = 0 };
// Subtype of a drag event.
enum : unsigned { Ph_EV_DRAG_INIT = 0, Ph_EV_DRAG_MOVE = 1, Ph_EV_DRAG_COMPLETE = 2 };

// Key modifiers and flags of a key event.
inline constexpr unsigned long Pk_KM_Shift = 0x0001;
inline constexpr unsigned long Pk_KM_Ctrl = 0x0002;
inline constexpr unsigned long Pk_KM_Alt = 0x0004;
inline constexpr unsigned long Pk_KF_Key_Down = 0x0001;
inline constexpr unsigned long Pk_KF_Key_Repeat = 0x0002;
inline constexpr unsigned long Pk_KF_Scan_Valid = 0x0020;
inline constexpr unsigned long Pk_KF_Sym_Valid = 0x0040;
inline constexpr unsigned long Pk_KF_Cap_Valid = 0x0080;
// Key symbols beyond the printable characters (whose symbol is their code).
enum : unsigned long {
    Pk_BackSpace = 0xF008,
    Pk_Tab = 0xF009,
    Pk_Return = 0xF00D,
    Pk_Escape = 0xF01B,
    Pk_Home = 0xF050,
    Pk_Left = 0xF051,
    Pk_Up = 0xF052,
    Pk_Right = 0xF053,
    Pk_Down = 0xF054,
    Pk_Pg_Up = 0xF055,
    Pk_Pg_Down = 0xF056,
    Pk_End = 0xF057,
    Pk_Delete = 0xF0FF,
    Pk_F1 = 0xF0BE,
    Pk_F2 = 0xF0BF,
    Pk_F3 = 0xF0C0,
    Pk_F4 = 0xF0C1,
    Pk_F5 = 0xF0C2,
    Pk_F6 = 0xF0C3,
    Pk_F7 = 0xF0C4,
    Pk_F8 = 0xF0C5,
    Pk_F9 = 0xF0C6,
    Pk_F10 = 0xF0C7,
    Pk_F11 = 0xF0C8,
    Pk_F12 = 0xF0C9,
    // The numeric keypad's digit keys (their caps, whatever Num Lock says).
    Pk_KP_0 = 0xF0B0,
    Pk_KP_1 = 0xF0B1,
    Pk_KP_2 = 0xF0B2,
    Pk_KP_3 = 0xF0B3,
    Pk_KP_4 = 0xF0B4,
    Pk_KP_5 = 0xF0B5,
    Pk_KP_6 = 0xF0B6,
    Pk_KP_7 = 0xF0B7,
    Pk_KP_8 = 0xF0B8,
    Pk_KP_9 = 0xF0B9,
};

struct PhKeyEvent_t {
    unsigned long key_mods;   // Pk_KM_*
    unsigned long key_flags;  // Pk_KF_*
    unsigned long key_cap;    // the key's symbol without modifiers ('a' for A, a, Ctrl+A)
    unsigned long key_sym;    // the symbol the modifiers give ('A' for Shift+A)
    PhPoint_t pos;
};

struct PhPointerEvent_t {
    PhPoint_t pos;           // relative to the widget's origin
    unsigned short buttons;  // 1 = select (left)
    unsigned short click_count;
    unsigned long key_mods;
};

struct PhEvent_t {
    unsigned long type;       // Ph_EV_*
    unsigned subtype;         // Ph_EV_RELEASE_*, Ph_EV_DRAG_*, ...
    unsigned long timestamp;  // milliseconds of the layer's clock
    unsigned num_rects;
    union {
        PhKeyEvent_t key;
        PhPointerEvent_t pointer;
    } data;
};

// The data carried by an event (as Photon's PhGetData gives it).
inline void* PhGetData(PhEvent_t* event) { return &event->data; }

struct PtCallbackInfo_t {
    unsigned long reason;          // Pt_CB_*
    unsigned long reason_subtype;  // per reason (list and slider subtypes below)
    PhEvent_t* event;              // the event that caused the callback, or NULL
    void* cbdata;                  // per reason: PtListCallback_t*, PtSliderCallback_t*, ...
};

using PtCallbackF_t = int(PtWidget_t* widget, void* data, PtCallbackInfo_t* cbinfo);

// ---- Images --------------------------------------------------------------------------------
// An image in memory. Its pixels are owned as the flags say: PhReleaseImage frees what the
// Ph_RELEASE_* bits name; a copy whose low four bits are cleared shares nothing it would free.
struct PhImageData;
struct PhImage_t {
    int type;  // Pg_IMAGE_DIRECT_8888
    PhDim_t size;
    int bpl;            // bytes per line
    unsigned flags;     // Ph_RELEASE_*
    PhImageData* data;  // the pixels (opaque)
};
enum : int { Pg_IMAGE_DIRECT_8888 = 0x21 };
enum : unsigned {
    Ph_RELEASE_IMAGE = 0x01,
    Ph_RELEASE_PALETTE = 0x02,
    Ph_RELEASE_TRANSPARENCY_MASK = 0x04,
    Ph_RELEASE_GHOST_BITMAP = 0x08,
    Ph_RELEASE_IMAGE_ALL = 0x0F,
};

}  // namespace photon
