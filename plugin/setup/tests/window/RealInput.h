#pragma once
// Input as a user gives it, for the setup window's tests: pointer clicks and key presses sent to
// the virtual display through its test extension; the message box on screen; and the user's
// steps, each taken on the windows' own loop once the one before it has shown its effect.

#include <gtk/gtk.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Last: Xlib's macros (None, Bool, Status) would clash with names above.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace zephra::testing {

// Input as the user gives it: through the display server, to whatever window is under the
// pointer or has the keyboard.
class RealInput {
public:
    RealInput() : display_(XOpenDisplay(nullptr)) {}
    ~RealInput() {
        if (display_) XCloseDisplay(display_);
    }
    RealInput(const RealInput&) = delete;
    RealInput& operator=(const RealInput&) = delete;

    bool Ready() {
        int event = 0, error = 0, major = 0, minor = 0;
        return display_ && XTestQueryExtension(display_, &event, &error, &major, &minor);
    }

    // A click in the middle of the widget as it lies on the screen now.
    void Click(GtkWidget* widget) {
        GtkWidget* top = gtk_widget_get_toplevel(widget);
        int x = 0, y = 0, originX = 0, originY = 0;
        gtk_widget_translate_coordinates(widget, top, 0, 0, &x, &y);
        gdk_window_get_origin(gtk_widget_get_window(top), &originX, &originY);
        GtkAllocation size;
        gtk_widget_get_allocation(widget, &size);
        XTestFakeMotionEvent(display_, -1, originX + x + size.width / 2, originY + y + size.height / 2, 0);
        XTestFakeButtonEvent(display_, 1, True, 0);
        XTestFakeButtonEvent(display_, 1, False, 0);
        XFlush(display_);
    }
    // Keys that give these characters: a character the keyboard map lacks gets a spare key of
    // its own. Call a step before typing them, so that the windows have heard of the new map.
    void Prepare(const std::string& utf8) {
        int first = 0, last = 0;
        XDisplayKeycodes(display_, &first, &last);
        for (const uint32_t cp : CodePoints(utf8)) {
            const KeySym sym = SymOf(cp);
            if (spare_.count(sym) || XKeysymToKeycode(display_, sym) != 0) continue;
            for (int code = last; code >= first; --code) {
                int per = 0;
                KeySym* syms = XGetKeyboardMapping(display_, static_cast<KeyCode>(code), 1, &per);
                bool free = true;
                for (int i = 0; i < per; ++i) free = free && syms[i] == NoSymbol;
                XFree(syms);
                if (!free) continue;
                KeySym both[2] = {sym, sym};
                XChangeKeyboardMapping(display_, code, 2, both, 1);
                spare_[sym] = static_cast<KeyCode>(code);
                break;
            }
        }
        XSync(display_, False);
    }
    // The text typed key by key (see Prepare), with Shift where the character needs it.
    void Type(const std::string& utf8) {
        for (const uint32_t cp : CodePoints(utf8)) {
            const KeySym sym = SymOf(cp);
            auto spare = spare_.find(sym);
            if (spare != spare_.end()) {
                Press(spare->second);
                continue;
            }
            const KeyCode code = XKeysymToKeycode(display_, sym);
            Key(sym, XkbKeycodeToKeysym(display_, code, 0, 0) != sym);
        }
    }
    void Key(KeySym key, bool shift = false, bool control = false) {
        const KeyCode shiftKey = XKeysymToKeycode(display_, XK_Shift_L);
        const KeyCode controlKey = XKeysymToKeycode(display_, XK_Control_L);
        if (shift) XTestFakeKeyEvent(display_, shiftKey, True, 0);
        if (control) XTestFakeKeyEvent(display_, controlKey, True, 0);
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), True, 0);
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), False, 0);
        if (control) XTestFakeKeyEvent(display_, controlKey, False, 0);
        if (shift) XTestFakeKeyEvent(display_, shiftKey, False, 0);
        XFlush(display_);
    }

private:
    void Press(KeyCode code) {
        XTestFakeKeyEvent(display_, code, True, 0);
        XTestFakeKeyEvent(display_, code, False, 0);
        XFlush(display_);
    }
    static KeySym SymOf(uint32_t cp) { return cp < 0x100 ? cp : 0x01000000 | cp; }
    static std::vector<uint32_t> CodePoints(const std::string& utf8) {
        std::vector<uint32_t> out;
        glong count = 0;
        gunichar* all = g_utf8_to_ucs4(utf8.c_str(), -1, nullptr, &count, nullptr);
        for (glong i = 0; all && i < count; ++i) out.push_back(all[i]);
        g_free(all);
        return out;
    }
    Display* display_;
    std::map<KeySym, KeyCode> spare_;  // keys given characters the map lacked
};

// The message box on screen, if one is.
inline GtkWidget* ShownBox() {
    GtkWidget* box = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next)
        if (GTK_IS_MESSAGE_DIALOG(w->data) && gtk_widget_get_mapped(GTK_WIDGET(w->data))) box = GTK_WIDGET(w->data);
    g_list_free(windows);
    return box;
}

inline std::string BoxText(GtkWidget* box) {
    gchar* text = nullptr;
    g_object_get(box, "text", &text, nullptr);
    std::string out = text ? text : "";
    g_free(text);
    return out;
}

// The user's steps: each runs, on the windows' own loop, once the one before it has shown its
// effect; a step answers true when its effect is there and the next may go. Gives up after a
// generous time, closing what is open, so that a fault fails the test instead of hanging it.
class Steps {
public:
    using Step = std::function<bool()>;
    Steps(std::vector<Step> steps, std::function<void()> giveUp)
        : steps_(std::move(steps)),
          giveUp_(std::move(giveUp)),
          deadline_(std::chrono::steady_clock::now() + std::chrono::seconds(60)) {
        source_ = g_timeout_add(50, &Steps::Tick, this);
    }
    ~Steps() {
        if (source_) g_source_remove(source_);
    }
    bool Done() const { return next_ == steps_.size(); }
    std::size_t Reached() const { return next_; }

private:
    static gboolean Tick(gpointer self) {
        auto* steps = static_cast<Steps*>(self);
        if (steps->Done()) {
            steps->source_ = 0;
            return G_SOURCE_REMOVE;
        }
        if (std::chrono::steady_clock::now() > steps->deadline_) {
            steps->source_ = 0;
            steps->giveUp_();
            return G_SOURCE_REMOVE;
        }
        if (steps->steps_[steps->next_]()) ++steps->next_;
        return G_SOURCE_CONTINUE;
    }

    std::vector<Step> steps_;
    std::function<void()> giveUp_;
    std::chrono::steady_clock::time_point deadline_;
    std::size_t next_ = 0;
    guint source_ = 0;
};

}  // namespace zephra::testing
