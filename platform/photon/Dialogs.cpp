// Standard dialogs as GTK dialogs run modally on the loop. Answers queued by the test driver
// are given once the dialog is on the screen.
#include "photon/PhotonTest.h"
#include "photon/PtDialog.h"
#include "photon/detail/Widget.h"

#include "display/Display.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>

namespace photon {
namespace {

struct Answer {
    int button;
    std::string path;
    std::string click_label;  // answered by a real click on this button
    std::string png;          // the dialog's picture, taken first
};

std::deque<Answer>& answers()
{
    static auto* q = new std::deque<Answer>;
    return *q;
}

std::vector<test::DialogSeen>& seen()
{
    static auto* v = new std::vector<test::DialogSeen>;
    return *v;
}

// "&OK" -> "_OK": the appliance marks mnemonics with '&', GTK with '_'.
std::string Mnemonic(const char* text)
{
    std::string out;
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '&' && p[1] == '&') out += '&', ++p;
        else if (*p == '&') out += '_';
        else if (*p == '_') out += "__";
        else out += *p;
    }
    return out;
}

struct Pending {
    GtkDialog* dialog;
    Answer answer;
};

// The button of the dialog whose label (mnemonic marks aside) is text.
GtkWidget* FindButton(GtkWidget* w, const std::string& text)
{
    if (GTK_IS_BUTTON(w) && gtk_widget_is_drawable(w)) {
        const char* label = gtk_button_get_label(GTK_BUTTON(w));
        std::string plain;
        for (const char* c = label ? label : ""; *c; ++c)
            if (*c != '_') plain += *c;
        if (plain == text) return w;
    }
    if (!GTK_IS_CONTAINER(w)) return nullptr;
    GList* kids = gtk_container_get_children(GTK_CONTAINER(w));
    GtkWidget* found = nullptr;
    for (GList* l = kids; l && !found; l = l->next) found = FindButton(GTK_WIDGET(l->data), text);
    g_list_free(kids);
    // Buttons in the header bar or action area are internal children, not listed above.
    if (!found && GTK_IS_DIALOG(w)) {
        if (GtkWidget* bar = gtk_dialog_get_header_bar(GTK_DIALOG(w))) found = FindButton(bar, text);
    }
    return found;
}

// Answers by a real click on the named button, after a picture of the dialog.
void ClickAnswer(GtkDialog* dialog, const Answer& answer)
{
    GtkWidget* d = GTK_WIDGET(dialog);
    if (!answer.png.empty()) display::WritePng(d, answer.png.c_str());
    GdkWindow* win = gtk_widget_get_window(d);
    int ox = 0, oy = 0;
    if (win) gdk_window_get_origin(win, &ox, &oy);
    test::DialogSeen* s = seen().empty() ? nullptr : &seen().back();
    if (s) {
        s->x = ox;
        s->y = oy;
        s->width = gtk_widget_get_allocated_width(d);
        s->height = gtk_widget_get_allocated_height(d);
    }
    GtkWidget* button = FindButton(d, answer.click_label);
    GdkWindow* root = gdk_screen_get_root_window(gtk_widget_get_screen(d));
    int bx = -1, by = -1;
    if (button) {
        gtk_widget_translate_coordinates(button, d, gtk_widget_get_allocated_width(button) / 2,
                                         gtk_widget_get_allocated_height(button) / 2, &bx, &by);
        bx += ox;
        by += oy;
    }
    const bool on_screen =
        button && bx >= 0 && by >= 0 && bx < gdk_window_get_width(root) && by < gdk_window_get_height(root);
    if (s) s->button_on_screen = on_screen;
    if (!on_screen || !detail::RealClickAt(bx, by)) gtk_dialog_response(dialog, GTK_RESPONSE_DELETE_EVENT);
}

gboolean GiveAnswer(gpointer user)
{
    auto* p = static_cast<Pending*>(user);
    if (!p->answer.click_label.empty()) {
        ClickAnswer(p->dialog, p->answer);
        g_object_unref(p->dialog);
        delete p;
        return G_SOURCE_REMOVE;
    }
    if (!p->answer.path.empty() && GTK_IS_FILE_CHOOSER(p->dialog))
        gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(p->dialog), p->answer.path.c_str());
    g_object_set_data_full(G_OBJECT(p->dialog), "photon-answer", g_strdup(p->answer.path.c_str()), g_free);
    gtk_dialog_response(p->dialog, p->answer.button);
    g_object_unref(p->dialog);
    delete p;
    return G_SOURCE_REMOVE;
}

void OnShown(GtkWidget* dialog, gpointer)
{
    if (answers().empty()) return;
    auto* p = new Pending{GTK_DIALOG(g_object_ref(dialog)), answers().front()};
    answers().pop_front();
    g_idle_add(GiveAnswer, p);
}

// The work area of the monitor the dialog is on (before it is shown: the first one); false
// without a monitor.
bool WorkArea(GtkWidget* dialog, GdkRectangle& area)
{
    GdkDisplay* display = gtk_widget_get_display(dialog);
    GdkWindow* win = gtk_widget_get_window(dialog);
    GdkMonitor* monitor = win ? gdk_display_get_monitor_at_window(display, win) : nullptr;
    if (!monitor) monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) monitor = gdk_display_get_monitor(display, 0);
    if (!monitor) return false;
    gdk_monitor_get_workarea(monitor, &area);
    return true;
}

// A dialog is never laid out larger than the screen's work area, not even for a moment before
// it is fitted (a picture taken then would show it so).
void BoundToScreen(GtkWidget* dialog)
{
    GdkRectangle area;
    if (!WorkArea(dialog, area)) return;
    GdkGeometry bound{};
    bound.max_width = area.width;
    bound.max_height = area.height;
    gtk_window_set_geometry_hints(GTK_WINDOW(dialog), nullptr, &bound, GDK_HINT_MAX_SIZE);
}

// A dialog larger than the screen's work area is made to fit it, and kept on it: the appliance's
// screen is small and its buttons must stay within reach.
void FitScreen(GtkWidget* dialog, gpointer)
{
    GdkRectangle area;
    if (!WorkArea(dialog, area)) return;
    int w = 0, h = 0, x = 0, y = 0;
    gtk_window_get_size(GTK_WINDOW(dialog), &w, &h);
    gtk_window_get_position(GTK_WINDOW(dialog), &x, &y);
    if (w > area.width || h > area.height) {
        w = std::min(w, area.width);
        h = std::min(h, area.height);
        gtk_window_resize(GTK_WINDOW(dialog), w, h);
    }
    const int fx = std::clamp(x, area.x, area.x + area.width - w), fy = std::clamp(y, area.y, area.y + area.height - h);
    if (fx != x || fy != y) gtk_window_move(GTK_WINDOW(dialog), fx, fy);
}

GtkWindow* ParentWindow(PtWidget_t* parent)
{
    PtWidget_t* w = PtFindDisjoint(parent);
    return w && w->kind == Kind::Window ? GTK_WINDOW(w->gtk) : nullptr;
}

int RunDialog(GtkWidget* dialog)
{
    g_signal_connect(dialog, "map", G_CALLBACK(OnShown), nullptr);
    int modal = PtModalStart();
    int r = gtk_dialog_run(GTK_DIALOG(dialog));
    PtModalEnd(modal);
    return r;
}

}  // namespace

namespace {
std::atomic<PtUnshownAlertF_t*> g_unshown{nullptr};
}  // namespace

void PtSetUnshownAlertHandler(PtUnshownAlertF_t* fn) { g_unshown = fn; }

int PtAlert(PtWidget_t* parent, const PhPoint_t* location, const char* title, const PhImage_t*, const char* message,
            const char*, int btn_count, const char** buttons, const char**, int def_btn, int escape_btn, int)
{
    if (!detail::HaveDisplay()) {
        if (PtUnshownAlertF_t* fn = g_unshown.load()) fn(title ? title : "", message ? message : "");
        return escape_btn;
    }
    int result = escape_btn;
    detail::RunOnLoop([&] {
        GtkWidget* d = gtk_message_dialog_new(ParentWindow(parent), GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                              GTK_BUTTONS_NONE, "%s", message ? message : "");
        gtk_window_set_title(GTK_WINDOW(d), title ? title : "");
        test::DialogSeen s{"alert", title ? title : "", message ? message : "", {}, ""};
        for (int i = 0; i < btn_count; ++i) {
            gtk_dialog_add_button(GTK_DIALOG(d), Mnemonic(buttons[i]).c_str(), i + 1);
            s.buttons.push_back(buttons[i] ? buttons[i] : "");
        }
        if (def_btn >= 1 && def_btn <= btn_count) gtk_dialog_set_default_response(GTK_DIALOG(d), def_btn);
        if (location) gtk_window_move(GTK_WINDOW(d), location->x, location->y);
        seen().push_back(s);
        int r = RunDialog(d);
        gtk_widget_destroy(d);
        result = r >= 1 && r <= btn_count ? r : escape_btn;
    });
    return result;
}

void PtNotice(PtWidget_t* parent, const PhPoint_t* location, const char* title, const PhImage_t* image,
              const char* message, const char* msg_font, const char* button, const char* btn_font, int flags)
{
    const char* buttons[] = {button ? button : "OK"};
    const char* fonts[] = {btn_font};
    size_t before = seen().size();
    PtAlert(parent, location, title, image, message, msg_font, 1, buttons, fonts, 1, 1, flags);
    if (seen().size() > before) seen().back().kind = "notice";
}

namespace {

// The location field's completion is left without a model while the folder typed cannot be read
// (one that does not exist), yet the toolkit's inline completion still looks for a prefix in it
// after each key, with a complaint on stderr. An empty list stands in until the folder's rows come.
void KeepCompletionRows(GtkEditable* field, gpointer)
{
    GtkEntryCompletion* completion = gtk_entry_get_completion(GTK_ENTRY(field));
    if (!completion || gtk_entry_completion_get_model(completion)) return;
    GtkListStore* none = gtk_list_store_new(2, G_TYPE_STRING, G_TYPE_STRING);
    gtk_entry_completion_set_model(completion, GTK_TREE_MODEL(none));
    g_object_unref(none);
}

// A field that takes the focus is looked after from then on.
void OnFocusField(GtkWindow*, GtkWidget* focus, gpointer)
{
    if (!focus || !GTK_IS_ENTRY(focus) || g_object_get_data(G_OBJECT(focus), "photon-kept")) return;
    g_object_set_data(G_OBJECT(focus), "photon-kept", GINT_TO_POINTER(1));
    g_signal_connect_after(focus, "changed", G_CALLBACK(KeepCompletionRows), nullptr);
}

}  // namespace

int PtFileSelection(PtWidget_t* parent, const PhPoint_t* pos, const char* title, const char* root_dir, const char*,
                    const char* btn1, const char* btn2, const char*, PtFileSelectionInfo_t* info, int)
{
    if (!info || !detail::HaveDisplay()) return -1;
    detail::RunOnLoop([&] {
        GtkWidget* d =
            gtk_file_chooser_dialog_new(title ? title : "", ParentWindow(parent), GTK_FILE_CHOOSER_ACTION_OPEN,
                                        Mnemonic(btn2 ? btn2 : "Cancel").c_str(), Pt_FSDIALOG_BTN2,
                                        Mnemonic(btn1 ? btn1 : "Open").c_str(), Pt_FSDIALOG_BTN1, nullptr);
        std::string root = root_dir ? root_dir : "";
        if (g_file_test(root.c_str(), G_FILE_TEST_IS_DIR))
            gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(d), root.c_str());
        else if (!root.empty()) gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(d), root.c_str());
        if (pos && (pos->x || pos->y)) gtk_window_move(GTK_WINDOW(d), pos->x, pos->y);
        BoundToScreen(d);
        g_signal_connect_after(d, "map", G_CALLBACK(FitScreen), nullptr);
        g_signal_connect_after(d, "set-focus", G_CALLBACK(OnFocusField), nullptr);
        seen().push_back({"file", title ? title : "", "", {btn1 ? btn1 : "", btn2 ? btn2 : ""}, root});
        int r = RunDialog(d);
        info->ret = r == Pt_FSDIALOG_BTN1 ? Pt_FSDIALOG_BTN1 : Pt_FSDIALOG_BTN2;
        info->path[0] = '\0';
        // A path given by the responder stands even where the folder does not exist.
        const char* answered = static_cast<const char*>(g_object_get_data(G_OBJECT(d), "photon-answer"));
        gchar* chosen = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(d));
        const char* path = answered && *answered ? answered : chosen;
        if (path) g_strlcpy(info->path, path, sizeof info->path);
        g_free(chosen);
        int x = 0, y = 0;
        gtk_window_get_position(GTK_WINDOW(d), &x, &y);
        info->pos = {static_cast<int16_t>(x), static_cast<int16_t>(y)};
        gtk_widget_destroy(d);
    });
    return 0;
}

namespace test {

void AnswerDialog(int button) { answers().push_back({button, "", "", ""}); }

void AnswerFileSelection(const char* path, int button) { answers().push_back({button, path ? path : "", "", ""}); }

void AnswerDialogByClick(const char* button_label, const char* png_path)
{
    answers().push_back({0, "", button_label ? button_label : "", png_path ? png_path : ""});
}

std::vector<DialogSeen> DialogsSeen() { return seen(); }

}  // namespace test
}  // namespace photon
