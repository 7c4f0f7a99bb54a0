#pragma once
// Texts of the plug-in's own web server: header lines, fixed answers, debug lines of the server
// log and the tags of the host log.

namespace zephra::webtext {

inline constexpr const char* kSource = "dkvZephra";
inline constexpr const char* kCrLf = "\r\n";
inline constexpr const char* kQueueSeparator = "~";

// The server window and its debug log ("\Data\dkvZephra\dkvZephra_TCPServerDebug.txt").
inline constexpr const char* kCaption = "Server";
inline constexpr const char* kHtmlFolder = "\\HTML";
inline constexpr const char* kDebugSeparator = " | ";

// What the listening port is, with the setting that chooses it, for the host's console.
inline constexpr const char* kListenerPurpose =
    "the plug-in's web server, \"ServerPort\" in Config/dkvZephraUtilities.ini";
inline constexpr const char* kStatusPageAt = "; its status page is http://localhost:";
inline constexpr const char* kStatusPagePath = "/status";

// Host-log tags.
inline constexpr const char* kTagFormLoad = "Server Form_Load ";
inline constexpr const char* kTagConnectionRequest = "socket_ConnectionRequest ";
inline constexpr const char* kTagDataArrival = "socket_DataArrival ";
inline constexpr const char* kTagClose = "socket_Close ";
inline constexpr const char* kTagProcessRequestQueue = "ProcessRequestQueue ";
inline constexpr const char* kTagParsePage = "ParsePage i=";
inline constexpr const char* kTagDecode = "Request-Decode";
inline constexpr const char* kTagRedirectToHS = "TCPSever_RedirectToHS ";
inline constexpr const char* kTagSendTextString = "TCPSever_SendTextString ";
inline constexpr const char* kTagSendTextFile = "TCPServer_SendTextFile ";
inline constexpr const char* kTagSendErrorResponse = "TCPServer_SendError_Response ";
inline constexpr const char* kTagSendBinaryFile = "TCPServer_SendBinaryFile ";

// Debug lines of the listener.
inline constexpr const char* kDbgConnectionRequest = "ConnectionRequest for socket ";
inline constexpr const char* kDbgRequestId = " RequestID=";
inline constexpr const char* kDbgSocketsDefined = ", Sockets Defined=";
inline constexpr const char* kDbgSocketsOpen = ", Sockets Open=";
inline constexpr const char* kDbgPushing = "Pushing Index ";
inline constexpr const char* kDbgForSocket = " for socket ";
inline constexpr const char* kDbgPendingRemoved = "Pending Request Removed for socket ";
inline constexpr const char* kDbgConnectionClose = "ConnectionClose for socket ";
inline constexpr const char* kDbgStateWas = ", state was ";
inline constexpr const char* kDbgOpenCountWas = ", open count was ";
inline constexpr const char* kDbgSendComplete = "SendComplete for socket ";
inline constexpr const char* kDbgTag = ", tag=";
// Our own: what the bounds refuse, and a reader that stopped reading.
inline constexpr const char* kDbgRefused = "Request refused for socket ";
inline constexpr const char* kDbgNoFreeSocket = "ConnectionRequest refused, no free socket, RequestID=";
inline constexpr const char* kDbgStalledReader = "Stream dropped for socket ";
inline constexpr const char* kDbgBusySlot = "Request dropped for socket ";
inline constexpr const char* kDbgOldConnection = "Request of a closed connection dropped for socket ";
inline constexpr const char* kDbgGaveWay = "Gave way to a newcomer: socket ";
inline constexpr const char* kDbgHandedBack = "Held again, having sent nothing, for a request that waits: socket ";
inline constexpr const char* kDbgHeadUnfinished = ", its request head unfinished after ";
inline constexpr const char* kDbgBodyUnfinished = ", its request body unfinished after ";
inline constexpr const char* kDbgAnswerUntaken = ", its answer not taken for ";
inline constexpr const char* kDbgAcceptPaused = "Every socket busy: newcomers wait";
inline constexpr const char* kDbgAcceptResumed = "Taking newcomers again";
inline constexpr const char* kDbgAnswerNotTaken = "Answer not taken in time, closed socket ";
inline constexpr const char* kDbgAnswerMovedOut = "Answer goes on outside the sockets: socket ";
inline constexpr const char* kDbgAnswerStalled = "Answer outside the sockets reset, not taken for ";
inline constexpr const char* kDbgAnswersFull = "Answers outside the sockets full, the longest stalled reset";
inline constexpr const char* kDbgPeerClosed = "Client closed its side, its request is still answered, socket ";

// Debug lines of the parser.
inline constexpr const char* kDbgAddQuery = "AddQuery ";
inline constexpr const char* kDbgAddPayload = "AddPayload";
inline constexpr const char* kDbgAddPostData = "AddPostData ";
inline constexpr const char* kDbgKeyValue = "KeyValue ";
inline constexpr const char* kDbgQueryString = "Querystring ";
inline constexpr const char* kDbgForm = "Form ";
inline constexpr const char* kDbgDecode = "Decode % detected at ";
inline constexpr const char* kDbgInString = " in string <";

// Debug lines of the writer.
inline constexpr const char* kDbgSendingTextString = ">>>>>>>>>>> SendingTextString ";
inline constexpr const char* kDbgSendingTextFile = ">>>>>>>>>>> SendingTextFile ";
inline constexpr const char* kDbgSendingError = ">>>>>>>>>>> SendingError ";
inline constexpr const char* kDbgSendingBinaryHeader = ">>>>>>>>>>> SendingBinaryHeader ";
inline constexpr const char* kDbgSendingBinaryData = ">>>>>>>>>>> SendingBinaryData ";
inline constexpr const char* kDbgRedirect = ">>>>>>>>>>> Redirect";
inline constexpr const char* kDbgResubmit = ">>>>>>>>>>> Resubmit";
inline constexpr const char* kDbgToLocation = " to location ";
inline constexpr const char* kDbgSocket = " socket ";
inline constexpr const char* kDbgToSocket = " to socket ";
inline constexpr const char* kDbgWithLength = " with length ";
inline constexpr const char* kDbgUnableTextString = "Unable to send TextString to socket ";
inline constexpr const char* kDbgUnableTextFile = "Unable to send TextFile ";
inline constexpr const char* kDbgUnableError = "Unable to send Error Resonse to socket ";
inline constexpr const char* kDbgBecauseState = " because State is ";

// Debug lines of the dispatch.
inline constexpr const char* kDbgPopingForPost = "Poping socket for post data for socket ";
inline constexpr const char* kDbgPostExpected = "Post data expected from socket ";
inline constexpr const char* kDbgButNextFrom = " but next packet was from socket ";
inline constexpr const char* kDbgPoping = "Poping socket ";
inline constexpr const char* kDbgType = " type=";
inline constexpr const char* kDbgForPage = " for page ";
inline constexpr const char* kDbgUserAgent = "User Agent ";

// Header lines and answers.
inline constexpr const char* kStatus10Ok = "HTTP/1.0 200 OK";
inline constexpr const char* kStatus11Ok = "HTTP/1.1 200 OK";
inline constexpr const char* kStatusNotFound = "HTTP/1.1 200 Object Not Found";
inline constexpr const char* kStatusRedirect = "HTTP/1.0 307 NoSupport";
inline constexpr const char* kServer = "Server: dkv";
inline constexpr const char* kDate = "Date: ";
inline constexpr const char* kDateNoBlank = "Date:";
inline constexpr const char* kAcceptRanges = "Accept-Ranges: bytes";
// Settings and pages are kept as the host stores them, in the Windows-1252 code page: every text
// answer says so, so that a browser shows them as stored and posts them back in the same bytes.
inline constexpr const char* kContentTypeHtml = "Content-Type: text/html; charset=windows-1252";
inline constexpr const char* kContentType = "Content-Type: ";
inline constexpr const char* kContentLength = "Content-Length: ";
inline constexpr const char* kLastModifiedNoColon = "Last-Modified ";
inline constexpr const char* kLastModified = "Last-Modified: ";
inline constexpr const char* kConnectionCloseUpper = "Connection: Close";
inline constexpr const char* kConnectionClose = "Connection: close";
inline constexpr const char* kLocation = "Location: ";
inline constexpr const char* kHttp = "http://";
inline constexpr const char* kNotFoundBody = "<html><h1>404 File Not Found</h1></html>";
inline constexpr const char* kUnauthorized = "<HTML>Unauthorized Access<HTML>";
inline constexpr const char* kMediumDate = "Medium Date";
inline constexpr const char* kApplianceBrowser = "zephra";

// The resubmit page.
inline constexpr const char* kResubmitHead =
    "<HTML><HEAD><SCRIPT LANGUAGE=\"JavaScript\">function initialize() {document.redo.submit();}"
    "</script></HEAD><body onLoad='initialize()'><form name='redo' action='http://";
inline constexpr const char* kResubmitMethod = "' method='";
inline constexpr const char* kResubmitFormEnd = "'>";
inline constexpr const char* kHiddenInput = "<input type='hidden' name='";
inline constexpr const char* kHiddenValue = "' value='";
inline constexpr const char* kResubmitEnd = "</form></HTML>";

// Request and server-variable names.
inline constexpr const char* kRemoteAddr = "REMOTE_ADDR";
inline constexpr const char* kPathInfo = "PATH_INFO";
inline constexpr const char* kUserAgentVariable = "http_user_agent";
inline constexpr const char* kUserAgentHeader = "User-Agent";

// Pages of the dispatch.
inline constexpr const char* kSlideshowPage = "\\zephraslideshow.asp";
inline constexpr const char* kStatusPage = "\\status";

}  // namespace zephra::webtext
