// Standard dialogs as GTK dialogs run modally on the loop. Answers queued by the test driver
// are given once the dialog is on the screen.
#include "photon/PhotonTest.h"
#include "photon/PtDialog.h"
#include "photon/detail/Widget.h"

#include <cstring>
#include <deque>

namespace photon {
namespace {

struct Answer {
    int button;
    std::string path;
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

gboolean GiveAnswer(gpointer user)
{
    auto* p = static_cast<Pending*>(user);
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

int PtAlert(PtWidget_t* parent, const PhPoint_t* location, const char* title, const PhImage_t*, const char* message,
            const char*, int btn_count, const char** buttons, const char**, int def_btn, int escape_btn, int)
{
    if (!detail::HaveDisplay()) return escape_btn;
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

void AnswerDialog(int button) { answers().push_back({button, ""}); }

void AnswerFileSelection(const char* path, int button) { answers().push_back({button, path ? path : ""}); }

std::vector<DialogSeen> DialogsSeen() { return seen(); }

}  // namespace test
}  // namespace photon
