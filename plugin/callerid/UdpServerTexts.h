#pragma once
// Texts of the UDP caller-ID and command server.

namespace zephra::udptext {

// Registry sections and keys.
inline constexpr const char* kOptions = "Options";
inline constexpr const char* kClients = "Clients";
inline constexpr const char* kClientMax = "ClientMax";
inline constexpr const char* kDebug = "Debug";
inline constexpr const char* kRemotePort = "RemotePort";
inline constexpr const char* kLocalPort = "LocalPort";
inline constexpr const char* kDefaultPort = "4550";
// How the log names the section of these keys.
inline constexpr const char* kRegistryOptions = "registry [Zephra\\Options] ";
// The start-up step that starts the server, as its failures are logged.
inline constexpr const char* kInitUDPTag = "InitHW InitUDP";
inline constexpr const char* kUnsubscribedMark = "-";

// Server-log captions.
inline constexpr const char* kDebugCaption = "dkvZephra Debug";
inline constexpr const char* kCaption = "dkvZephra";
inline constexpr const char* kWarningCaption = " ZephraServer Warning";
inline constexpr const char* kErrorCaption = " ZephraServer Error";
inline constexpr const char* kInfoCaption = " ZephraServer Info";
inline constexpr const char* kLogFieldSeparator = "~!~";
inline constexpr const char* kUnexpectedError = "An unexpected error occured in the ";
inline constexpr const char* kUnexpectedErrorTail = " function/subroutine:  [";

// Start-up.
inline constexpr const char* kEnteredInitIO = "Entered InitIO() function.";
inline constexpr const char* kClearing = " - Clearing CID Client Database...";
inline constexpr const char* kInitializing = " - Initializing I/O... (LocalPort=";
inline constexpr const char* kRemotePortText = ", RemotePort=";

// Sending.
inline constexpr const char* kEnteredSendCID = "Entered UDPSendCID function. ";
inline constexpr const char* kEnteredSendCommand = "Entered UDPSendCommand function. ";
inline constexpr const char* kSentCIDTo = "Sent CID Message to host ";
inline constexpr const char* kNoClients = "Error: No CID Clients Defined. Unable to send data.";
inline constexpr const char* kSentCID = "Send CID data to all defined clients";
inline constexpr const char* kSentCommandToAll = "Sent Command data to all defined clients";
inline constexpr const char* kSentCommand = "Send Command data to all defined clients";
inline constexpr const char* kNotRegistered = "Error: Client is not Registered. Unable to send data.";
inline constexpr const char* kNotRegisteredLog = " is not currently a registered client and unable to send command ";
inline constexpr const char* kAllTargets = "ALL";
inline constexpr const char* kSendCIDTag = "UDPSendCID ";
inline constexpr const char* kSendCommandTag = "UDPSendCommand ";

// Caller names and numbers that stand for a text.
inline constexpr const char* kUnknownMark = "O";
inline constexpr const char* kPrivateMark = "P";
inline constexpr const char* kUnknownName = "Unknown Name";
inline constexpr const char* kPrivateName = "Private Caller";
inline constexpr const char* kUnknownNumber = "Unknown Number";
inline constexpr const char* kPrivateNumber = "Private Number";

// Received datagrams.
inline constexpr const char* kEmptyMessage = "Empty Message Received from ";
inline constexpr const char* kSubscribe = "CID Client Subcribe Request from ";
inline constexpr const char* kUnsubscribe = "CID Client Unsubcribe Request from ";
inline constexpr const char* kUnknownData = "Unknown data received from ";
inline constexpr const char* kListFull = "CID client list is full; subscribe request refused from ";
inline constexpr const char* kGaveWay = "CID client list is full; ";
inline constexpr const char* kGaveWayFor = " gave way to ";
inline constexpr const char* kClientMaxOutOfRange = "ClientMax out of range: ";
inline constexpr const char* kClientMaxTakenAs = "; taken as ";
inline constexpr const char* kWinsockReceive = "Winsock Receive()";

}  // namespace zephra::udptext
