#pragma once
// The UDP server's window: its log, the debug switch and the test buttons. Nothing is
// drawn; the controls are fields and the buttons are methods a user (or a test) works.

#include <string>

#include "forms/Form.h"

namespace zephra {

class PluginState;

class frmOptions : public forms::Form {
public:
    static constexpr const char* kTestCommandButton = "Send Test Command";
    static constexpr const char* kAdvancedInfoButton = "&Advanced Information";
    static constexpr const char* kTestMessageButton = "&Send Test Message";
    static constexpr const char* kDebugCheck = "Turn Debug Mode On";
    static constexpr const char* kOkButton = "&OK";
    static constexpr const char* kCancelButton = "&Cancel";
    static constexpr const char* kLoggingFrame = "Logging";
    static constexpr const char* kLogFont = "Lucida Console";

    explicit frmOptions(PluginState& state);

    // txtArray(0): the server log; chkArray(0): debug mode.
    std::string LogText;
    bool DebugMode = false;

    // Appends to the log, loading the window when it is not loaded.
    void AddLogText(const std::string& text);

    void TestCommandButton_Click();
    void AdvancedInfoButton_Click();
    void TestMessageButton_Click();
    // 0 OK: keeps the debug mode (in the server and the registry) and closes; 1 Cancel: closes.
    void cmdArray_Click(int index);
    // Empties the log.
    void txtArray_DblClick();

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    PluginState& state_;
};

}  // namespace zephra
