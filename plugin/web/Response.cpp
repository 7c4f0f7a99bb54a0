#include "web/Response.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <fstream>
#include <iterator>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/Format.h"
#include "vb/Strings.h"
#include "web/HtmlEncode.h"
#include "web/Request.h"
#include "web/ServerTexts.h"
#include "web/TCPServer.h"
#include "windows/File.h"
#include "windows/PathMap.h"

namespace zephra {

using namespace webtext;

namespace {

constexpr const char* kTagStreaming = "1";
constexpr const char* kTagDone = "0";

struct ContentType {
    const char* part;
    const char* type;
};
constexpr ContentType kContentTypes[] = {
    {".txt", "text/plain"}, {".htm", "text/html"}, {".html", "text/html"}, {".jpg", "image/jpg"},
    {".gif", "image/gif"},  {".bmp", "image/bmp"}, {".wav", "audio/wav"},  {".php", "text/html"},
};
constexpr const char* kUnknownType = "unknown/binary";

std::string N(int64_t value) { return std::to_string(value); }

std::string Today() { return vb::Format(vb::Variant(vb::Now()), kMediumDate); }

// Header lines joined by CR LF, the empty line, then the body.
std::string Answer(const std::vector<std::string>& lines, const std::string& body) {
    std::string text;
    for (const std::string& line : lines) text += line + kCrLf;
    return text + kCrLf + body;
}

// The file a path below the HTML folder names, when it is a regular file inside the folder
// (a link that leads out of it does not count).
std::optional<std::filesystem::path> HtmlFile(const std::string& htmlBase, const std::string& shortPath) {
    if (!StaysInHtmlFolder(shortPath)) return std::nullopt;
    std::error_code ec;
    const std::filesystem::path root = std::filesystem::canonical(windows::MapPath(htmlBase).native, ec);
    if (ec) return std::nullopt;
    const std::filesystem::path file = std::filesystem::canonical(windows::MapPath(htmlBase + shortPath).native, ec);
    if (ec || !std::filesystem::is_regular_file(file, ec)) return std::nullopt;
    auto [rootEnd, fileAt] = std::mismatch(root.begin(), root.end(), file.begin(), file.end());
    if (rootEnd != root.end()) return std::nullopt;
    return file;
}

// The file's last-change time in the general date format; `path` is its Windows path.
std::string FileTime(const std::string& path) {
    return vb::FormatDateTime(vb::localDate(windows::File(windows::MapPath(path)).DateLastModified()),
                              vb::vbGeneralDate);
}

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string ContentTypeOf(const std::string& name) {
    for (const ContentType& row : kContentTypes)
        if (name.find(row.part) != std::string::npos) return row.type;
    return kUnknownType;
}

bool StaysInHtmlFolder(const std::string& path) {
    for (unsigned char c : path)
        if (c < 32 || c == 127 || c == ':' || c == '/') return false;
    for (const std::string& name : vb::Split(path, "\\")) {
        if (name.empty()) continue;
        if (name.find_first_not_of('.') == std::string::npos) return false;
    }
    return true;
}

std::string StatusAnswer(int status, const std::string& message) {
    const std::string body =
        "<HTML>" + HTMLEncode(std::to_string(status) + " " + StatusReason(status) + ": " + message) + "</HTML>";
    return Answer({"HTTP/1.0 " + std::to_string(status) + " " + StatusReason(status), kServer, kDate + Today(),
                   kConnectionClose, kContentTypeHtml, kContentLength + N(static_cast<int64_t>(body.size()))},
                  body);
}

std::string StatusReason(int status) {
    switch (status) {
    case 400: return "Bad Request";
    case 408: return "Request Timeout";
    case 411: return "Length Required";
    case 413: return "Payload Too Large";
    case 415: return "Unsupported Media Type";
    case 431: return "Request Header Fields Too Large";
    default: return "Error";
    }
}

std::string WithoutControlBytes(const std::string& text) {
    std::string kept;
    kept.reserve(text.size());
    for (unsigned char c : text)
        if (c >= 32 && c != 127) kept += static_cast<char>(c);
    return kept;
}

void Response::describe(automation::Members<Response>& m) {
    m.let<&Response::Index>("index");
    m.method<&Response::Redirect>("Redirect", 0);
    m.method<&Response::Send>("Send");
    m.method<&Response::RedirectToHS>("RedirectToHS");
    m.method<&Response::SendTextString>("SendTextString");
    m.method<&Response::SendTextFile>("SendTextFile");
    m.method<&Response::SendErrorResponse>("SendErrorResponse");
    m.method<&Response::SendBinaryFile>("SendBinaryFile");
}

Response::Response(std::shared_ptr<TCPServer> server) : server_(std::move(server)) {}

void Response::LogTagged(const std::string& tag) {
    vb::Try([&] { WriteLog(server_->State().Host(), kSource, tag); });
}

void Response::Redirect(const vb::Variant&) {
    answered_ = true;
    SendTextString(kUnauthorized, index_);
}

void Response::Send(const std::string& text) {
    answered_ = true;
    SendTextString(text, index_);
}

void Response::SendAnswer(int16_t slot, const std::string& text, Unable unable, const std::string& fullPath) {
    forms::TcpSocket& socket = server_->Socket(slot);
    socket.Tag = kTagDone;
    // A client that closed only its sending side still reads the answer.
    if (socket.State() == forms::sckConnected || socket.State() == forms::sckClosing) {
        socket.SendData(text);
        return;
    }
    const std::string because = kDbgBecauseState + N(socket.State());
    switch (unable) {
    case Unable::TextString: server_->WriteServerDebug(kDbgUnableTextString + N(slot) + because); break;
    case Unable::TextFile:
        server_->WriteServerDebug(kDbgUnableTextFile + fullPath + kDbgToSocket + N(slot) + because);
        break;
    case Unable::Error: server_->WriteServerDebug(kDbgUnableError + N(slot) + because); break;
    }
}

void Response::SendTextString(const std::string& sResponse, int16_t index) {
    if (!vb::Try([&] {
            const std::string text = Answer({kStatus10Ok, kServer, kDate + Today(), kAcceptRanges, kContentTypeHtml,
                                             kContentLength + N(static_cast<int64_t>(sResponse.size()))},
                                            sResponse);
            server_->WriteServerDebug(kDbgSendingTextString + sResponse.substr(0, 10) + kDbgToSocket + N(index));
            SendAnswer(index, text, Unable::TextString);
        }))
        LogTagged(kTagSendTextString);
}

void Response::SendTextFile(const std::string& sShortFile, int16_t index) {
    std::optional<std::filesystem::path> file;
    if (!vb::Try([&] { file = HtmlFile(server_->HtmlBasePath, sShortFile); })) LogTagged(kTagSendTextFile);
    if (!file) return SendErrorResponse(index);
    if (!vb::Try([&] {
            const std::string fullPath = server_->HtmlBasePath + sShortFile;
            const std::string body = ReadAll(*file);
            const std::string text = Answer(
                {kStatus10Ok, kServer, kDate + Today(), kAcceptRanges, kContentTypeHtml,
                 kLastModifiedNoColon + FileTime(fullPath), kContentLength + N(static_cast<int64_t>(body.size()))},
                body);
            server_->WriteServerDebug(kDbgSendingTextFile + fullPath + kDbgToSocket + N(index) + kDbgWithLength +
                                      N(static_cast<int64_t>(body.size())));
            SendAnswer(index, text, Unable::TextFile, fullPath);
        }))
        LogTagged(kTagSendTextFile);
}

void Response::SendErrorResponse(int16_t index) {
    if (!vb::Try([&] {
            server_->Socket(index).Tag = kTagDone;
            const std::string text =
                Answer({kStatusNotFound, kServer, kDate + Today(), kConnectionCloseUpper, kContentTypeHtml,
                        kContentLength + N(static_cast<int64_t>(std::string_view(kNotFoundBody).size()))},
                       kNotFoundBody);
            server_->WriteServerDebug(std::string(kDbgSendingError) + kDbgToSocket + N(index));
            SendAnswer(index, text, Unable::Error);
        }))
        LogTagged(kTagSendErrorResponse);
}

void Response::RedirectToHS(const std::string& sLocation, const std::shared_ptr<Request>& oRequest, int16_t index) {
    if (!vb::Try([&] {
            const Request& request = *oRequest;
            const std::string page = vb::Replace(request.page(), "\\", "/");
            const std::string agent = request.ServerVariables(kUserAgentVariable);
            // The host gets the target as it came; control bytes cannot split the header.
            const std::string location = kLocation + std::string(kHttp) +
                                         WithoutControlBytes(sLocation + vb::Replace(request.RawTarget(), "\\", "/"));
            std::string text;
            if (vb::InStr(agent, kApplianceBrowser, vb::CompareMethod::Text) == 0) {
                const std::string& payload = request.Payload();
                std::vector<std::string> lines{kStatusRedirect,  kServer,          kDate + Today(),
                                               kConnectionClose, kContentTypeHtml, location};
                const bool withBody = !vb::Trim(payload).empty();
                if (withBody) lines.push_back(kContentLength + N(static_cast<int64_t>(payload.size())));
                text = Answer(lines, withBody ? payload : std::string());
                server_->WriteServerDebug(kDbgRedirect + payload + kDbgToLocation + sLocation + page + kDbgSocket +
                                          N(index));
            } else {
                std::string form = kResubmitHead + HTMLEncode(sLocation + page) + kResubmitMethod +
                                   HTMLEncode(request.Method() == "POSTx" ? "POST" : request.Method()) +
                                   kResubmitFormEnd;
                for (const vb::ObjectRef& pairs : {request.QueryStringCol(), request.FormCol()}) {
                    auto items = pairs->enumerate();
                    vb::Variant item;
                    while (items->next(item)) {
                        auto pair = std::dynamic_pointer_cast<KeyValuePair>(item.object());
                        if (!pair) continue;
                        form += kHiddenInput + HTMLEncode(pair->Key()) + kHiddenValue + HTMLEncode(pair->value()) +
                                kResubmitFormEnd;
                    }
                }
                form += kResubmitEnd;
                text = Answer({kStatus10Ok, kServer, kDate + Today(), kConnectionClose, kContentTypeHtml, location,
                               kContentLength + N(static_cast<int64_t>(form.size()))},
                              form);
                server_->WriteServerDebug(kDbgResubmit + form + kDbgToLocation + sLocation + page + kDbgSocket +
                                          N(index));
            }
            SendAnswer(index, text, Unable::TextString);
        }))
        LogTagged(kTagRedirectToHS);
}

void Response::SendBinaryFile(const std::string& sFile, int16_t windex) {
    std::optional<std::filesystem::path> file;
    if (!vb::Try([&] { file = HtmlFile(server_->HtmlBasePath, sFile); })) LogTagged(kTagSendBinaryFile + sFile);
    if (!file) return SendErrorResponse(windex);
    if (!vb::Try([&] {
            const std::string header = Answer(
                {kStatus11Ok, kServer, kDateNoBlank + Today(), kLastModified + FileTime(server_->HtmlBasePath + sFile),
                 kAcceptRanges, kContentLength + N(static_cast<int64_t>(std::filesystem::file_size(*file))),
                 kConnectionCloseUpper, kContentType + ContentTypeOf(sFile)},
                "");
            forms::TcpSocket& socket = server_->Socket(windex);
            socket.Tag = kTagStreaming;
            server_->WriteServerDebug(kDbgSendingBinaryHeader + sFile + kDbgToSocket + N(windex));
            if (socket.State() == forms::sckConnected || socket.State() == forms::sckClosing) socket.SendData(header);
            server_->StartBlockStream(windex, std::ifstream(*file, std::ios::binary), sFile);
        }))
        LogTagged(kTagSendBinaryFile + sFile);
}

}  // namespace zephra
