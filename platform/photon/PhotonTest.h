// The GUI layer's test driver: finds widgets by name, works them as a user would (pointer and
// key events go through the same path as the display's), drives the layer's clock, answers
// dialogs and takes screenshots. For tests and demos only.
#pragma once

#include "photon/PtTypes.h"

#include <string>
#include <vector>

namespace photon::test {

// ---- The clock and the loop ----
void UseManualClock();           // from now on the layer's timers wait for AdvanceClock
void AdvanceClock(unsigned ms);  // fires due timers in time order, running the loop between
unsigned long Now();             // the layer's clock, in ms
void RunUntilIdle();             // handles everything pending (events, handlers, work)
void AwaitEvent(unsigned ms);    // waits in real time, at most ms, for the loop's next event

// ---- Widgets ----
PtWidget_t* Find(const char* name);    // the latest created widget of that name, or NULL
std::string Text(PtWidget_t* widget);  // Pt_ARG_TEXT_STRING
long Flags(PtWidget_t* widget);
int Value(PtWidget_t* widget);                      // gauge or numeric value
std::vector<std::string> Rows(PtWidget_t* widget);  // list or combo box rows

// ---- Pointer ----
void Press(PtWidget_t* widget);  // select button down at the widget's centre
void Release(PtWidget_t* widget);
void Click(PtWidget_t* widget);
void Hold(PtWidget_t* widget, unsigned ms);                    // press, advance the clock ms, release
void Drag(PtWidget_t* window, int dx, int dy);                 // button-held motion over a window
void MoveSlider(PtWidget_t* slider, int value);                // dragging the handle to value, then releasing
void SelectRow(PtWidget_t* list, int row);                     // a tap on a row (1-based) of a list, combo box or
                                                               // tree (top-level rows)
void ChooseItem(PtWidget_t* menu_item);                        // a menu item chosen
void SelectPanel(PtWidget_t* panel_group, const char* title);  // a tap on the page's tab

// ---- Keys (to the window holding widget) ----
void KeyDown(PtWidget_t* widget, unsigned long key, unsigned long mods = 0);
void KeyUp(PtWidget_t* widget, unsigned long key, unsigned long mods = 0);
void Key(PtWidget_t* widget, unsigned long key, unsigned long mods = 0);  // down and up
void TypeText(PtWidget_t* text_field, const char* text);                  // then Enter: no
void EnterNumber(PtWidget_t* integer_field, int value);                   // a value typed into an integer field
void CloseWindow(PtWidget_t* window);                                     // as the window manager's close button
void DisplayChanged();  // as the display does when its monitors change

// ---- Real input through the display ----
// The display server itself makes these events (its test extension), so they reach the program
// as a user's would: through the toolkit's event queue and the layer's conversion. Modifier keys
// (Pk_KM_*) are held down around the click or key. Each waits until the server has sent them and
// the loop has handled them.
void RealClick(PtWidget_t* widget, unsigned long mods = 0);                    // select button at the widget's centre
void RealKey(PtWidget_t* widget, const char* keysym, unsigned long mods = 0);  // an X key name ("KP_Enter", "a")
// A click on a row (1-based) of the first list view in the widget (a list, tree or file selector).
void RealClickRow(PtWidget_t* widget, int row, unsigned long mods = 0);
void RealDoubleClickRow(PtWidget_t* widget, int row);  // two clicks there, as quick as a user's double click
// A click on the first text on the screen inside the widget that reads `text` (a file selector's
// place in its sidebar, say); false when there is none.
bool RealClickLabel(PtWidget_t* widget, const char* text);
bool HaveRealInput();  // the display offers the test extension
// The file a file selector shows selected now (the toolkit's own choice included), or "".
std::string FileSelFocus(PtWidget_t* file_selector);

// ---- Dialogs ----
// The next dialogs are answered in order: alert/notice by button number (1-based), file
// selection by path and button. Without answers a dialog waits for a user.
void AnswerDialog(int button);
void AnswerFileSelection(const char* path, int button);
// The next dialog is answered as a user would: once it is on the screen its picture is written
// to png_path (when given), then the button with that label is clicked through the display. A
// button the click cannot reach on the screen closes the dialog as its window's close button would.
void AnswerDialogByClick(const char* button_label, const char* png_path = nullptr);
struct DialogSeen {
    std::string kind;  // "alert", "notice", "file"
    std::string title, message;
    std::vector<std::string> buttons;
    std::string root;  // file selection: the folder it opened at
    // Answered by a click: where the dialog lay on the screen, and whether the button was on it.
    int x = 0, y = 0, width = 0, height = 0;
    bool button_on_screen = false;
};
std::vector<DialogSeen> DialogsSeen();  // since the start, oldest first

// ---- Pictures ----
// Writes a PNG of the window as drawn now. false when it has no picture.
bool Screenshot(PtWidget_t* window, const char* png_path);
// Compares two PNG files: the share of pixels whose channels differ by more than tolerance.
double PictureDifference(const char* png_a, const char* png_b, int tolerance);

}  // namespace photon::test
