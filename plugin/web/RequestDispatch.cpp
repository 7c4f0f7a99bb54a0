#include "web/RequestDispatch.h"

#include <memory>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "vb/Err.h"
#include "vb/Strings.h"
#include "web/Request.h"
#include "web/RequestFraming.h"
#include "web/Response.h"
#include "web/ServerTexts.h"
#include "web/SlideshowPage.h"
#include "web/StatusPage.h"
#include "web/TCPServer.h"
#include "windows/CaseFold.h"

namespace zephra {

using namespace webtext;

namespace {

std::string N(int64_t value) { return std::to_string(value); }

// The page in lower case with "\" between names.
std::string NormalisedPath(const std::string& page) { return vb::Replace(vb::LCase(page), "/", "\\"); }

// The same path for the file it names: only its ASCII letters in lower case, so that the bytes of
// a UTF-8 name (an emoji, which the code page has not) stay as the disk holds them.
std::string FilePath(const std::string& page) { return vb::Replace(windows::LowerCase(page), "/", "\\"); }

// The four characters from the last "." on, in lower case; "" when there is no ".".
std::string ExtensionOf(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : vb::LCase(path.substr(dot, 4));
}

bool IsOneOf(const std::string& ext, std::initializer_list<const char*> list) {
    for (const char* item : list)
        if (ext == item) return true;
    return false;
}

// A posted form is read only when it is URL-encoded, the one form the pages post: any other
// (multipart, JSON) would be taken apart as if it were, and a save would store garbage.
bool FormReadable(const Request& request) {
    const std::string& method = request.Method();
    if (method != "POST" && method != "POSTx") return true;
    const std::string type = vb::Trim(request.ServerVariables("Content-Type"));
    if (type.empty()) return true;
    const std::string bare = vb::LCase(vb::Trim(type.substr(0, type.find(';'))));
    return bare == "application/x-www-form-urlencoded";
}

// A decoded page may name a file only with "/" between names: a "\" that came in the request
// would be a name separator once the path is normalised.
bool FileNameAllowed(const std::string& page, const std::string& file) {
    return page.find('\\') == std::string::npos && StaysInHtmlFolder(file);
}

// The plug-in's own window when the server is it, else a reference that owns nothing.
std::shared_ptr<TCPServer> WindowOf(PluginState& state, TCPServer& server) {
    const std::shared_ptr<TCPServer>& window = state.Part<TCPServerPart>().Window;
    return window.get() == &server ? window : std::shared_ptr<TCPServer>(std::shared_ptr<void>(), &server);
}

class Dispatch {
public:
    Dispatch(PluginState& state, TCPServer& server)
        : state_(state), server_(server), window_(WindowOf(state, server)) {}

    void ServeNext() {
        TCPServer::QueueEntry entry = server_.PopEntry();
        const int16_t slot = entry.slot;
        if (!server_.Socket.Exists(slot) || entry.connection != server_.Connection(slot)) {
            server_.WriteServerDebug(kDbgOldConnection + N(slot));
            return;
        }
        if (server_.Streaming(slot)) {
            server_.WriteServerDebug(kDbgBusySlot + N(slot) + ": an answer is still being sent");
            return;
        }
        std::optional<std::string> text = WholeRequest(slot, entry.text);
        if (!text) return;
        server_.Answering(slot);
        auto request = std::make_shared<Request>(DebugSink(), LogSink());
        request->remoteip(server_.Socket(slot).RemoteHostIP());
        request->ParsePage(*text);
        if (request->Method() == "POST") JoinBody(slot, entry.connection, *request);
        if (request->TooManyFields()) {
            server_.Refuse(slot, "more than " + N(static_cast<int64_t>(Request::kFieldLimit)) + " fields", 413);
            return;
        }
        const std::string path = NormalisedPath(request->page());
        if ((path == kStatusPage || path == kSlideshowPage) && !FormReadable(*request)) {
            server_.Refuse(slot, "a form of type \"" + request->ServerVariables("Content-Type") + "\" is not read",
                           415);
            return;
        }
        Answer(slot, request);
    }

private:
    // The connection's text so far, once it holds a whole request; a request over the bounds
    // is refused.
    std::optional<std::string> WholeRequest(int16_t slot, const std::string& text) {
        std::string& pending = server_.Pending(slot);
        pending += text;
        const RequestFrame frame = FrameRequest(pending);
        if (frame.kind == RequestFrame::Refused) {
            server_.Refuse(slot, frame.reason, frame.status);
            return std::nullopt;
        }
        if (frame.kind == RequestFrame::Incomplete) {
            // A client that closed its side sends nothing more.
            if (server_.PeerClosed(slot) && !server_.HasQueued(slot)) server_.Refuse(slot, "request cut short", 400);
            return std::nullopt;
        }
        std::string whole = WithCrLfHead(std::string_view(pending).substr(0, frame.length));
        pending.clear();
        return whole;
    }

    // A POST whose body did not come with its header takes the slot's texts queued next.
    void JoinBody(int16_t slot, uint64_t connection, Request& request) {
        while (!server_.RequestQueue.empty()) {
            server_.WriteServerDebug(kDbgPopingForPost + N(slot));
            const TCPServer::QueueEntry& next = server_.RequestQueue.front();
            if (next.slot != slot || next.connection != connection) {
                server_.WriteServerDebug(kDbgPostExpected + N(slot) + kDbgButNextFrom + N(next.slot));
                return;
            }
            request.AddPostData(server_.PopEntry().text);
        }
    }

    void Answer(int16_t slot, const std::shared_ptr<Request>& request) {
        auto response = std::make_shared<Response>(window_);
        const std::string path = NormalisedPath(request->page());
        const std::string ext = ExtensionOf(path);
        server_.WriteServerDebug(kDbgPoping + N(slot) + kDbgType + ext + kDbgForPage + path);
        response->Index(slot);
        const vb::Variant req{vb::ObjectRef(request)};
        const vb::Variant resp{vb::ObjectRef(response)};
        // A page whose code already answered (an access check's redirect) is not sent after it.
        if (path == kSlideshowPage) {
            const std::string page = ZephraSlideshow_ASP(state_, req, resp);
            if (!response->Answered()) response->SendTextString(page, slot);
        } else if (path == kStatusPage) {
            const std::string page = StatusPage(state_, req, resp);
            if (!response->Answered()) response->SendTextString(page, slot);
        } else if (IsOneOf(ext, {".jpg", ".gif", ".wav"})) {
            const std::string file = FilePath(request->page()).substr(0, path.rfind('.') + 4);
            if (FileNameAllowed(request->page(), file)) {
                response->SendBinaryFile(file, slot);
            } else {
                response->SendErrorResponse(slot);
            }
        } else if (IsOneOf(ext, {".htm", ".css"})) {
            const std::size_t dot = path.rfind('.');
            const std::string file =
                FilePath(request->page()).substr(0, dot + (vb::LCase(path.substr(dot, 5)) == ".html" ? 5 : 4));
            if (FileNameAllowed(request->page(), file)) {
                response->SendTextFile(file, slot);
            } else {
                response->SendErrorResponse(slot);
            }
        } else {
            server_.WriteServerDebug(kDbgUserAgent + request->ServerVariables(kUserAgentVariable));
            const ZephraSettings& s = state_.settings;
            response->RedirectToHS(s.HomeseerIP + ":" + s.svrport, request, slot);
        }
    }

    Request::Sink DebugSink() {
        if (!server_.DebugOn()) return {};
        return [&server = server_](const std::string& line) { server.WriteServerDebug(line); };
    }
    Request::Sink LogSink() {
        return [&state = state_](const std::string& line) { vb::Try([&] { WriteLog(state.Host(), kSource, line); }); };
    }

    PluginState& state_;
    TCPServer& server_;
    std::shared_ptr<TCPServer> window_;
};

}  // namespace

void ProcessRequestQueue(PluginState& state, TCPServer& server) {
    server.ServerTimer.Interval(0);
    Dispatch dispatch(state, server);
    while (!server.RequestQueue.empty()) {
        if (!vb::Try([&] { dispatch.ServeNext(); }))
            vb::Try([&] { WriteLog(state.Host(), kSource, kTagProcessRequestQueue); });
    }
    server.ServerTimer.Enabled(false);
}

}  // namespace zephra
