#include "callerid/EchoWindow.h"

#include <algorithm>
#include <memory>

#include "callerid/CallerIdPart.h"
#include "callerid/CallerIdTexts.h"
#include "callerid/ModemPort.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "vb/Err.h"

namespace zephra {

using namespace cidtext;

EchoWindow::EchoWindow(PluginState& state) : forms::Form(kCaption), state_(state) {}

void EchoWindow::Form_Load() {
    CommStatus.clear();
    CommData.clear();
    CommStatusTopLine = 0;
    CommDataTopLine = 0;
}

void EchoWindow::SendToTemp05_Click() { ModemSend(state_, EchoCrLf ? SendString + kCrLf : SendString); }

void EchoWindow::CommClose_Click() { Hide(); }

namespace {

// The window, made on first use and loaded as any use of its controls loads it.
EchoWindow& Window(PluginState& state) {
    std::shared_ptr<EchoWindow>& window = state.Part<CallerIdPart>().echoWindow;
    if (!window) window = std::make_shared<EchoWindow>(state);
    EchoWindow& w = *window;
    w.Load();
    return w;
}

void AppendKept(std::string& box, const std::string& text) {
    box += text;
    if (box.size() > EchoWindow::kEchoKept) box.erase(0, box.size() - EchoWindow::kEchoKept);
}

// The lines of a multi-line box, as its edit control counts them.
int32_t LineCount(const std::string& text) {
    int32_t count = 1;
    for (std::size_t at = text.find(kCrLf); at != std::string::npos; at = text.find(kCrLf, at + 2)) ++count;
    return count;
}

// Setting a box's text puts its caret on line 0; a box of more than `shown` lines is then
// scrolled by count - (caret line + 1) - `kept` lines, leaving the newest lines in view.
int32_t TopLine(const std::string& text, int32_t shown, int32_t kept) {
    const int32_t count = LineCount(text);
    constexpr int32_t caretLine = 0;
    return count > shown ? std::max(0, count - (caretLine + 1) - kept) : 0;
}

}  // namespace

void LoadEchoWindow(PluginState& state) { Window(state); }

void ShowEchoWindow(PluginState& state) { Window(state).Show(forms::vbModal); }

void AppendCommData(PluginState& state, const std::string& text) { AppendKept(Window(state).CommData, text); }

void AppendCommStatus(PluginState& state, const std::string& text) { AppendKept(Window(state).CommStatus, text); }

void ScrollEchoWindows(PluginState& state) {
    if (!vb::Try([&] {
            EchoWindow& w = Window(state);
            w.CommDataTopLine = TopLine(w.CommData, 10, 8);
            w.CommStatusTopLine = TopLine(w.CommStatus, 8, 6);
        }))
        vb::Try([&] { WriteLog(state.Host(), kSource, kScrollTag); });
}

void UnloadEchoWindow(PluginState& state) {
    if (state.Part<CallerIdPart>().echoWindow) state.Part<CallerIdPart>().echoWindow->Unload();
}

}  // namespace zephra
