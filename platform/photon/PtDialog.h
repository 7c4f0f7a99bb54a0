// Standard dialogs: alert with buttons, notice, file selection. Each is modal: the loop runs
// (callbacks, timers and handlers go on) until the user answers.
#pragma once

#include "photon/PtTypes.h"

#include <climits>

namespace photon {

// Shows message with title and buttons ("&OK": '&' marks the mnemonic). Returns the number of
// the button chosen (1-based), or escape when the dialog was closed otherwise.
int PtAlert(PtWidget_t* parent, const PhPoint_t* location, const char* title, const PhImage_t* image,
            const char* message, const char* msg_font, int btn_count, const char** buttons, const char** btn_fonts,
            int def_btn, int escape_btn, int flags);
// One button; returns when it was pressed.
void PtNotice(PtWidget_t* parent, const PhPoint_t* location, const char* title, const PhImage_t* image,
              const char* message, const char* msg_font, const char* button, const char* btn_font, int flags);

// Without a display an alert or notice cannot be shown and returns at once as closed: a program
// that must not lose its text (a player's error) has it handed to fn, on the caller's thread
// (null: dropped).
using PtUnshownAlertF_t = void(const char* title, const char* message);
void PtSetUnshownAlertHandler(PtUnshownAlertF_t* fn);

enum : int { Pt_FSDIALOG_BTN1 = 1, Pt_FSDIALOG_BTN2 = 2 };
struct PtFileSelectionInfo_t {
    int ret;                             // Pt_FSDIALOG_BTN1 or Pt_FSDIALOG_BTN2
    char path[PATH_MAX + NAME_MAX + 1];  // the chosen file
    PhPoint_t pos;                       // where the dialog was
};
// Chooses a file starting at root_dir. Returns 0 when the dialog ran (info->ret tells the
// button), -1 when it could not be shown.
int PtFileSelection(PtWidget_t* parent, const PhPoint_t* pos, const char* title, const char* root_dir,
                    const char* file_spec, const char* btn1, const char* btn2, const char* format,
                    PtFileSelectionInfo_t* info, int flags);

}  // namespace photon
