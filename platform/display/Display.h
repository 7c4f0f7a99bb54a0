#pragma once
// The display both GUI layers draw on (GTK 3): opened once per process, and what their tests
// need of it: layout settled without waiting for the next frame, pictures of windows.

typedef struct _GtkWidget GtkWidget;

namespace display {

// Opens the display named by DISPLAY, once; later calls answer as the first did. False when
// there is none (no DISPLAY, or the server cannot be reached).
bool Open();
bool IsOpen();

// Lays out the windows on screen now: GTK lays out on the display's next frame, a test does not
// wait for one.
void SettleLayout();

// Writes a PNG of the widget as drawn now; false when it has no picture (not shown) or the file
// cannot be written.
bool WritePng(GtkWidget* widget, const char* path);

// The share of pixels of two PNG files whose channels differ by more than `tolerance` (1.0 when
// either is missing or their sizes differ).
double PictureDifference(const char* pngA, const char* pngB, int tolerance);

}  // namespace display
