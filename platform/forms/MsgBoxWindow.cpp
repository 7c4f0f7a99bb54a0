// Message boxes on screen: a modal GTK dialog with the box's buttons, run until the user presses
// one of them.
#include <gtk/gtk.h>

#include "forms/Loop.h"
#include "forms/MsgBox.h"
#include "forms/detail/FormWindow.h"
#include "forms/detail/LoopInternals.h"
#include "vb/CodePage.h"

namespace forms::detail {

namespace {

const char* CaptionOf(int answer) {
    switch (answer) {
    case vbOK: return "OK";
    case vbCancel: return "Cancel";
    case vbAbort: return "Abort";
    case vbRetry: return "Retry";
    case vbIgnore: return "Ignore";
    case vbYes: return "Yes";
    case vbNo: return "No";
    default: return "OK";
    }
}

GtkMessageType TypeOf(int buttons) {
    switch (buttons & 0x70) {
    case vbCritical: return GTK_MESSAGE_ERROR;
    case vbQuestion: return GTK_MESSAGE_QUESTION;
    case vbExclamation: return GTK_MESSAGE_WARNING;
    case vbInformation: return GTK_MESSAGE_INFO;
    default: return GTK_MESSAGE_OTHER;
    }
}

// The window the box stands over: the application's window that has the focus, else the last
// one shown.
GtkWindow* Owner() {
    GtkWindow* owner = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next) {
        auto* window = GTK_WINDOW(w->data);
        if (!gtk_widget_get_visible(GTK_WIDGET(window)) || gtk_window_get_window_type(window) != GTK_WINDOW_TOPLEVEL)
            continue;
        if (!owner || gtk_window_is_active(window)) owner = window;
    }
    g_list_free(windows);
    return owner;
}

struct Answer {
    int pressed = 0;
    bool closeAnswers = false;  // the close box answers Cancel (or OK for a box with OK alone)
    int closeAnswer = 0;
};

void Responded(GtkDialog*, gint response, gpointer data) {
    auto* answer = static_cast<Answer*>(data);
    if (response > 0) answer->pressed = response;
    else if (response == GTK_RESPONSE_DELETE_EVENT && answer->closeAnswers) answer->pressed = answer->closeAnswer;
}

}  // namespace

std::optional<int> AskOnScreen(const MessageBox& box, const std::vector<int>& answers) {
    if (!DisplayAvailable()) return std::nullopt;
    // Prompts are kept in the settings files' code page; the display speaks UTF-8.
    GtkWidget* dialog = gtk_message_dialog_new(Owner(), GTK_DIALOG_MODAL, TypeOf(box.Buttons), GTK_BUTTONS_NONE, "%s",
                                               vb::toUtf8(box.Prompt).c_str());
    // A box without a title carries the program's name, as the language's boxes carry the application's.
    const char* program = g_get_application_name();
    gtk_window_set_title(GTK_WINDOW(dialog), !box.Title.empty() ? vb::toUtf8(box.Title).c_str()
                                             : program          ? program
                                                                : "");
    Answer answer;
    for (int a : answers) {
        gtk_dialog_add_button(GTK_DIALOG(dialog), CaptionOf(a), a);
        if (a == vbCancel) answer.closeAnswer = vbCancel;
    }
    if (answers.size() == 1 && answers.front() == vbOK) answer.closeAnswer = vbOK;
    answer.closeAnswers = answer.closeAnswer != 0;
    // Boxes without a way out but their buttons have no close box.
    gtk_window_set_deletable(GTK_WINDOW(dialog), answer.closeAnswers);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), DefaultAnswer(box.Buttons));
    g_signal_connect(dialog, "response", G_CALLBACK(Responded), &answer);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_widget_show_all(dialog);
    gtk_window_present(GTK_WINDOW(dialog));

    // The loop goes on serving sockets and timers while the box waits for its user, as a form
    // shown modally does; without a loop, GLib's own runs.
    auto answered = [&answer] { return answer.pressed != 0; };
    if (Loop* loop = Loop::tryCurrent()) {
        ServeWindowsOnLoop();
        runModal(*loop, answered);
    } else {
        while (!answered()) g_main_context_iteration(nullptr, TRUE);
    }
    g_signal_handlers_disconnect_by_data(dialog, &answer);
    gtk_widget_destroy(dialog);
    if (answer.pressed == 0) return DefaultAnswer(box.Buttons);  // the loop was stopped meanwhile
    return answer.pressed;
}

}  // namespace forms::detail
