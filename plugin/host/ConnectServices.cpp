#include "host/ConnectServices.h"

#include "callerid/CallerIdProcessing.h"
#include "callerid/EchoWindow.h"
#include "callerid/MessageCIDEvent.h"
#include "callerid/ModemInput.h"
#include "callerid/ModemPort.h"
#include "callerid/Phonebook.h"
#include "callerid/UdpServer.h"
#include "callerid/XapBsc.h"
#include "callerid/XapCID.h"
#include "core/PluginState.h"
#include "host/ActionStrings.h"
#include "host/DeviceCommands.h"
#include "host/ScriptOperations.h"
#include "host/Startup.h"
#include "host/UserScripts.h"
#include "web/TCPServer.h"

namespace zephra {

void ConnectServices(PluginState& state) {
    ServiceHooks& hooks = state.services;
    hooks.MessageCIDEvent = MessageCIDEvent;
    hooks.SendCIDToOtherClients = SendCIDToOtherClients;
    hooks.XapCID = XapCID;
    hooks.SendXapBSC = SendXapBSC;
    hooks.UDPSendCID = UDPSendCID;
    hooks.UDPSendCommand = UDPSendCommand;
    hooks.IsRegisteredClient = IsRegisteredClient;
    hooks.ReceiveClientDatagram = ReceiveClientDatagram;
    hooks.ProcessCommData = ProcessCommData;
    hooks.TakePendingModemLine = TakePendingModemLine;
    hooks.ProcessModemInput = ProcessModemInput;
    hooks.UnloadEchoWindow = UnloadEchoWindow;
    hooks.BuildPhonebook = BuildPhonebook;
    hooks.InitCommPort = InitCommPort;
    hooks.ModemSend = ModemSend;
    hooks.LoadTCPServerWindow = LoadTCPServerWindow;
    hooks.RunScriptQueue = RunScriptQueue;
    hooks.SetZephraIO = SetZephraIO;
    hooks.ButtonPress = ButtonPress;
    hooks.QueueScriptText = QueueScriptText;
    hooks.InitHSP = InitHSP;
    hooks.RunScriptFile = RunScriptFile;
    hooks.ZephraSorvexEx = ZephraSorvexEx;
}

}  // namespace zephra
