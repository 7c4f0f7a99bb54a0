#pragma once
// The answer to one request on one client slot of the server window: a page text, a text file
// or a streamed file of the host's HTML folder, the not-found answer, or the hand-over to the
// host's own web server. Every answer is one text: header lines joined by CR LF, an empty line,
// the body; the server closes the connection once it has been sent. Page handlers receive the
// object too and may call Redirect or Send by name.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "automation/Class.h"
#include "vb/Variant.h"

namespace zephra {

class Request;
class TCPServer;

class Response : public automation::Dispatch<Response> {
public:
    static constexpr std::string_view className = "Response";
    static void describe(automation::Members<Response>& m);

    explicit Response(std::shared_ptr<TCPServer> server);

    void Index(int16_t slot) { index_ = slot; }
    // A page's code answered through Redirect or Send: the page it builds is not sent as well.
    bool Answered() const noexcept { return answered_; }
    // "<HTML>Unauthorized Access<HTML>" as a text answer on the own slot.
    void Redirect(const vb::Variant& unused);
    // The text as a text answer on the own slot.
    void Send(const std::string& text);
    // Hands the request on to the host's web server at sLocation (address ":" port): a 307
    // redirect, or for the appliance's browser a page that re-submits the request there.
    void RedirectToHS(const std::string& sLocation, const std::shared_ptr<Request>& oRequest, int16_t index);
    void SendTextString(const std::string& sResponse, int16_t index);
    // sShortFile below the HTML folder ("\" first): its text, or the not-found answer.
    void SendTextFile(const std::string& sShortFile, int16_t index);
    void SendErrorResponse(int16_t index);
    // sFile below the HTML folder streamed in blocks of 1000 bytes, or the not-found answer.
    void SendBinaryFile(const std::string& sFile, int16_t windex);

private:
    enum class Unable { TextString, TextFile, Error };
    void SendAnswer(int16_t slot, const std::string& answer, Unable unable, const std::string& fullPath = {});
    void LogTagged(const std::string& tag);

    std::shared_ptr<TCPServer> server_;
    int16_t index_ = 0;
    bool answered_ = false;
};

// The content type of a file name: the first of ".txt", ".htm", ".html", ".jpg", ".gif", ".bmp",
// ".wav", ".php" found in it (case counts); "unknown/binary" for none.
std::string ContentTypeOf(const std::string& name);

// A path below the HTML folder that stays there: every name is a real name (no "." or ".."
// and no name of dots only), no ":" and no control byte. `path` uses "\" between names.
bool StaysInHtmlFolder(const std::string& path);

// An error answer: "HTTP/1.0 <status> <reason>", closing, with the status and the message as
// its page. The server sends it to a request it will not serve, then closes the connection.
std::string StatusAnswer(int status, const std::string& message);
// The reason phrase of the error statuses the server answers.
std::string StatusReason(int status);

// The text without CR, LF and any other control byte (a header line cannot be split by it).
std::string WithoutControlBytes(const std::string& text);

}  // namespace zephra
