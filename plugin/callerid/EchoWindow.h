#pragma once
// The modem echo window: every text received from and sent to the modem with time stamps,
// one line per serial event code, and a box to type text for the modem. Nothing is drawn;
// the controls are fields and the buttons are methods a user (or a test) works.

#include <cstdint>
#include <string>

#include "forms/Form.h"

namespace zephra {

class PluginState;

class EchoWindow : public forms::Form {
public:
    static constexpr const char* kCaption = "Modem Echo Window";
    static constexpr const char* kCrLfLabel = "CrLf";
    static constexpr const char* kStatusLabel = "Status";
    static constexpr const char* kSendButton = "Send To Modem";
    static constexpr const char* kCloseButton = "Close";
    // The echo boxes keep their last this many characters.
    static constexpr std::size_t kEchoKept = 5000;

    explicit EchoWindow(PluginState& state);

    bool EchoCrLf = false;   // "Send To Modem" adds CR LF
    std::string SendString;  // the text for the modem
    std::string CommStatus;  // one line per serial event code
    std::string CommData;    // the traffic echo
    // The first line in view of each echo box, as ScrollEchoWindows leaves it.
    int32_t CommStatusTopLine = 0;
    int32_t CommDataTopLine = 0;

    // "Send To Modem": SendString (& CR LF when EchoCrLf is ticked) to the modem.
    void SendToTemp05_Click();
    // "Close": hides the window; the echo stays for the next showing.
    void CommClose_Click();

protected:
    // Empties both echo boxes.
    void Form_Load() override;

private:
    PluginState& state_;
};

// Loads the window once (made on first use).
void LoadEchoWindow(PluginState& state);
// Unloads the window when it is loaded; any later use loads it again with empty boxes.
void UnloadEchoWindow(PluginState& state);
// Shows the window modally; the call returns when it closes.
void ShowEchoWindow(PluginState& state);

// Append to an echo box, keeping its last 5,000 characters; the window is made and loaded
// when it is not.
void AppendCommData(PluginState& state, const std::string& text);
void AppendCommStatus(PluginState& state, const std::string& text);
// Scrolls both echo boxes so that their newest lines are in view.
void ScrollEchoWindows(PluginState& state);

}  // namespace zephra
