#include "RequestFuzz.h"

#include <cstdlib>

#include "web/Request.h"
#include "web/RequestFraming.h"

namespace zephra::fuzz {

namespace {

void Require(bool promise) {
    if (!promise) std::abort();
}

void ReadBack(Request& request) {
    for (const vb::ObjectRef& pairs : {request.QueryStringCol(), request.FormCol()}) {
        auto items = pairs->enumerate();
        vb::Variant item;
        while (items->next(item)) {
            auto pair = std::dynamic_pointer_cast<KeyValuePair>(item.object());
            Require(pair != nullptr);
            request.QueryString(pair->Key());
            request.Form(pair->Key());
        }
    }
    request.ServerVariables("http_user_agent");
    request.ServerVariables("REMOTE_ADDR");
}

}  // namespace

void RequestFuzzOne(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size < kMaxInput ? size : kMaxInput);
    std::size_t debugBytes = 0;
    Request request([&](const std::string& line) { debugBytes += line.size(); }, [](const std::string&) {});
    request.remoteip("127.0.0.1");
    request.ParsePage(text);
    ReadBack(request);
    request.AddPostData(text);
    request.GetContent(text);
    // No escape decodes to a control byte.
    std::string printable;
    for (unsigned char c : text) printable += static_cast<char>(c < 32 ? '.' : c);
    for (unsigned char c : request.Decode(printable)) Require(c >= 32);

    // Framed whole and as it grows packet by packet: a frame never reaches past its text.
    for (std::size_t cut : {text.size() / 3, text.size() / 2, text.size()}) {
        const RequestFrame frame = FrameRequest(std::string_view(text).substr(0, cut));
        if (frame.kind == RequestFrame::Complete) Require(frame.length <= cut);
    }
}

std::vector<std::string> Seeds() {
    return {
        "GET /a%20b.htm?x=1+2&y=%41%4a HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Zephra/1.0\r\n\r\n",
        "POST /set.asp?q=1 HTTP/1.0\r\nContent-Length: 17\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n"
        "name=%3Cb%3E&v='x",
        "POST /f HTTP/1.0\r\n\r\nab",
        "GET /pics/a.JPG HTTP/1.1\r\nX-Note: a: b\r\nHost: one\r\nHost: two\r\n\r\n",
        "GET /../secret.htm%00%zz% HTTP/1.0\r\n\r\n",
        "garbage\r\n\r\n",
        "GET HTTP/1.0\r\n\r\n",
        "GET /s?init=AT%23CID%3D1&prefix=NAME+%3D&&=&a=b=c HTTP/1.0\r\nContent-Length: 0\r\n\r\n",
    };
}

}  // namespace zephra::fuzz
