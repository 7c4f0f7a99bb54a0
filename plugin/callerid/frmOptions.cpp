#include "callerid/frmOptions.h"

#include "callerid/UdpServer.h"
#include "callerid/UdpServerTexts.h"
#include "core/PluginState.h"
#include "windows/Registry.h"

namespace zephra {

namespace {

constexpr const char* kEnteredFormLoad = "Entered Form_Load() subroutine.";
constexpr const char* kEnteredCmdArray = "Entered cmdArray_Click() subroutine.";
constexpr const char* kEnteredTxtArray = "Entered txtArray_DblClick() subroutine.";
constexpr const char* kSendingTestCommand = "Sending Test Command.";
constexpr const char* kSendingTestMessage = "Sending Test Message.";
constexpr const char* kTestCommand = "TopLed";
constexpr const char* kTestCallerName = "Test Caller";
constexpr const char* kTestCallerNumber = "(123)456-7890";
constexpr const char* kRegisteredClients = "Registered CID clients:";
constexpr const char* kClientPrefix = "--> ";
constexpr const char* kLineEnd = "\r\n";
constexpr const char* kTrue = "True";
constexpr const char* kFalse = "False";

}  // namespace

frmOptions::frmOptions(PluginState& state) : forms::Form(kUdpAppName), state_(state) {}

void frmOptions::Form_Load() {
    if (state_.settings.DebugLog) ServerLog(state_, kEnteredFormLoad, kLogDebug);
    Caption = kUdpAppName;
    DebugMode = windows::GetSetting(kUdpAppName, udptext::kOptions, udptext::kDebug, kFalse) == kTrue;
}

void frmOptions::Form_Unload() { LogText.clear(); }

void frmOptions::AddLogText(const std::string& text) {
    Load();
    LogText += text;
}

void frmOptions::TestCommandButton_Click() {
    ServerLog(state_, kSendingTestCommand, kLogInfo);
    const char* argument = state_.Part<UdpServerState>().nextTestCommandOff ? "off" : "on";
    state_.Part<UdpServerState>().nextTestCommandOff = !state_.Part<UdpServerState>().nextTestCommandOff;
    UDPSendCommand(state_, kTestCommand, argument, "");
}

void frmOptions::TestMessageButton_Click() {
    ServerLog(state_, kSendingTestMessage, kLogInfo);
    std::string name = kTestCallerName;
    std::string number = kTestCallerNumber;
    UDPSendCID(state_, name, number, "");
}

void frmOptions::AdvancedInfoButton_Click() {
    std::string text = std::string(kRegisteredClients) + kLineEnd;
    for (const std::string& entry : ClientEntries()) text += kClientPrefix + entry + kLineEnd;
    AddLogText(text + kLineEnd);
}

void frmOptions::cmdArray_Click(int index) {
    if (state_.settings.DebugLog) ServerLog(state_, kEnteredCmdArray, kLogDebug);
    if (index == 0) {
        state_.Part<UdpServerState>().ServerDebug = DebugMode;
        windows::SaveSetting(kUdpAppName, udptext::kOptions, udptext::kDebug, DebugMode ? kTrue : kFalse);
    }
    Unload();
}

void frmOptions::txtArray_DblClick() {
    if (state_.settings.DebugLog) ServerLog(state_, kEnteredTxtArray, kLogDebug);
    LogText.clear();
}

}  // namespace zephra
