// The request parser: decoding, the fields of a parsed request, the pair collections, and where a
// request ends in the text a connection has sent.

#include "web/Request.h"
#include "web/RequestFraming.h"

#include <gtest/gtest.h>

#include "automation/CallByName.h"

namespace zephra {
namespace {

Request Parsed(const std::string& text, const std::string& ip = "127.0.0.9") {
    Request r;
    r.remoteip(ip);
    r.ParsePage(text);
    return r;
}

TEST(RequestParser, DecodesAsTheDecodingTableSays) {
    Request r;
    EXPECT_EQ(r.Decode("a+b%20c"), "a b c");
    EXPECT_EQ(r.Decode("%4a"), "?");  // a lower-case digit counts -1: 16 * 4 - 1
    EXPECT_EQ(r.Decode("%4A"), "J");
    EXPECT_EQ(r.Decode("%zz"), " ");  // below 32 becomes a blank
    EXPECT_EQ(r.Decode("%0A"), " ");  // no control byte comes out of an escape
    EXPECT_EQ(r.Decode("%00x"), " x");
    EXPECT_EQ(r.Decode("ab%"), "ab ");  // beyond the end counts 0
    EXPECT_EQ(r.Decode("%A"), "\xA0");
    EXPECT_EQ(r.Decode("%E9t%E9"), "\xE9t\xE9");  // code-page bytes
    EXPECT_EQ(r.Decode("100%25"), "100%");
    EXPECT_EQ(r.Decode(""), "");
}

TEST(RequestParser, ParsesTheRequestLineHeaderAndQuery) {
    Request r = Parsed("GET /a%20b.htm?x=1+2 HTTP/1.1\r\nHost: h\r\nUser-Agent: zephra/2\r\n\r\n");
    EXPECT_EQ(r.Method(), "GET");
    EXPECT_EQ(r.page(), "/a b.htm");
    EXPECT_EQ(r.Query(), "?x=1 2");
    EXPECT_EQ(r.QueryString("X"), "1 2");
    EXPECT_EQ(r.QueryString("y"), "");
    EXPECT_EQ(r.Header(), "HTTP/1.1\r\nHost: h\r\nUser-Agent: zephra/2");
    EXPECT_EQ(r.ServerVariables("host"), "h");
    EXPECT_EQ(r.ServerVariables("HTTP_USER_AGENT"), "zephra/2");
    EXPECT_EQ(r.ServerVariables("REMOTE_ADDR"), "127.0.0.9");
    EXPECT_EQ(r.ServerVariables("Cookie"), "");
    EXPECT_EQ(r.Payload(), "");
    EXPECT_EQ(r.RawTarget(), "/a%20b.htm?x=1+2");

    // The version marker is the first "HTTP" after the method, in any case.
    EXPECT_EQ(Parsed("GET /xhttpy HTTP/1.1\r\n\r\n").page(), "/");
    // Two ": " separators are not stored; a second line of a name does not replace the first.
    Request h = Parsed("GET / HTTP/1.0\r\nX-Note: a: b\r\nHost: one\r\nHost: two\r\n\r\n");
    EXPECT_EQ(h.ServerVariables("X-Note"), "");
    EXPECT_EQ(h.ServerVariables("Host"), "one");
}

// "+" is a blank only in a query or a form: in the path it is a "+" of the name.
TEST(RequestParser, APlusInThePathStaysAPlus) {
    Request r = Parsed("GET /pages/two+words%20and+c.htm?q=a+b&p=1%2B1 HTTP/1.1\r\n\r\n");
    EXPECT_EQ(r.page(), "/pages/two+words and+c.htm");
    EXPECT_EQ(r.QueryString("q"), "a b");
    EXPECT_EQ(r.QueryString("p"), "1+1");
    EXPECT_EQ(r.Query(), "?q=a b&p=1+1");
    EXPECT_EQ(r.ServerVariables("PATH_INFO"), "\\pages\\two+words and+c.htm");
    Request post = Parsed("POST /c+d HTTP/1.0\r\nContent-Length: 7\r\n\r\nv=a+b&w");
    EXPECT_EQ(post.page(), "/c+d");
    EXPECT_EQ(post.Form("v"), "a b");
}

TEST(RequestParser, TextsWithoutBlankOrVersionSetLittle) {
    Request none = Parsed("garbage\r\n\r\n");
    EXPECT_EQ(none.Method(), "");
    EXPECT_EQ(none.page(), "");
    EXPECT_EQ(none.ServerVariables("REMOTE_ADDR"), "");
    Request method = Parsed("GET /x\r\n\r\n");
    EXPECT_EQ(method.Method(), "GET");
    EXPECT_EQ(method.page(), "");
    EXPECT_EQ(method.Header(), "");

    // A version marker right after the method is a failure of its own, logged; parsing goes on.
    std::vector<std::string> logged;
    Request r({}, [&](const std::string& line) { logged.push_back(line); });
    r.ParsePage("GET HTTP/1.0\r\nHost: h\r\n\r\n");
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0], "ParsePage i=4,j=5,len=25, Data=GET HTTP/1.0\r\nHost: h\r\n\r\n");
    EXPECT_EQ(r.ServerVariables("Host"), "h");
}

TEST(RequestParser, SplitsPairsBeforeDecodingThem) {
    // An encoded "&" or "=" stays inside its value; a value keeps any "=" after the first.
    Request r = Parsed("GET /s?init=AT%23CID%3D1&prefix=NAME+%3D&both=a%26b&raw=x=y&x=a%26y=b HTTP/1.0\r\n\r\n");
    EXPECT_EQ(r.QueryString("init"), "AT#CID=1");
    EXPECT_EQ(r.QueryString("prefix"), "NAME =");
    EXPECT_EQ(r.QueryString("both"), "a&b");
    EXPECT_EQ(r.QueryString("raw"), "x=y");
    EXPECT_EQ(r.QueryString("x"), "a&y=b");
    EXPECT_EQ(r.QueryString("y"), "");
    // An encoded "?" stays in the path.
    Request q = Parsed("GET /what%3Fnot.htm HTTP/1.0\r\n\r\n");
    EXPECT_EQ(q.page(), "/what?not.htm");
    EXPECT_EQ(q.Query(), "");
    // Empty pieces add nothing; the first of a name stays, whatever its case.
    Request d = Parsed("GET /?&a=1&&A=2&b HTTP/1.0\r\n\r\n");
    auto pairs = std::dynamic_pointer_cast<vb::Collection>(d.QueryStringCol());
    ASSERT_TRUE(pairs);
    EXPECT_EQ(pairs->Count(), 2);
    EXPECT_EQ(d.QueryString("a"), "1");
    // The pairs are KeyValuePair objects reachable by name.
    vb::Variant first = pairs->Item(vb::Variant(int32_t{1}));
    EXPECT_EQ(vb::CStr(automation::getProperty(first, "key")), "a");
    EXPECT_EQ(vb::CStr(automation::getProperty(first, "value")), "1");
}

TEST(RequestParser, TakesABodyOfThreeOrMoreCharacters) {
    Request post = Parsed("POST /f HTTP/1.0\r\nContent-Length: 21\r\n\r\nname=A%26B&v=1+2\r\n&w=");
    EXPECT_EQ(post.Method(), "POSTx");
    EXPECT_EQ(post.Payload(), "name=A&B&v=1 2&w=");
    EXPECT_EQ(post.Form("NAME"), "A&B");
    EXPECT_EQ(post.Form("v"), "1 2");
    EXPECT_EQ(post.Form("w"), "");

    Request shortBody = Parsed("POST /f HTTP/1.0\r\n\r\nab");
    EXPECT_EQ(shortBody.Method(), "POST");
    EXPECT_EQ(shortBody.Payload(), "");
    shortBody.AddPostData("c=%41+1");
    EXPECT_EQ(shortBody.Form("c"), "A 1");
    EXPECT_EQ(shortBody.Method(), "POST");
    EXPECT_EQ(shortBody.GetContent("x\r\n\r\nbody\r\n\r\nmore"), "body\r\n\r\nmore");
    EXPECT_EQ(shortBody.GetContent("no empty line"), "");
}

TEST(RequestParser, WritesItsDebugLines) {
    std::vector<std::string> lines;
    Request r([&](const std::string& line) { lines.push_back(line); });
    r.ParsePage("GET /p?a=%41 HTTP/1.0\r\n\r\n");
    r.QueryString("a");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Decode % detected at 0 in string </p>", "Decode % detected at 3 in string <a=%41>",
                         "AddQuery ", "Decode % detected at 0 in string <a>", "Decode % detected at 1 in string <%41>",
                         "KeyValue a = A", "Querystring a=A"}));
}

TEST(RequestFraming, BareLineFeedsEndLinesAsCrLfDo) {
    EXPECT_EQ(FrameRequest("GET / HTTP/1.0\n").kind, RequestFrame::Incomplete);
    RequestFrame get = FrameRequest("GET / HTTP/1.0\nHost: a\n\n");
    EXPECT_EQ(get.kind, RequestFrame::Complete);
    EXPECT_EQ(get.length, 24u);
    const std::string head = "POST /f HTTP/1.1\nContent-Length: 3\r\n\n";
    EXPECT_EQ(HeadSize(head + "abc"), head.size());
    EXPECT_EQ(FrameRequest(head + "a").kind, RequestFrame::Incomplete);
    RequestFrame post = FrameRequest(head + "abcGET");
    EXPECT_EQ(post.kind, RequestFrame::Complete);
    EXPECT_EQ(post.length, head.size() + 3);
    EXPECT_EQ(FrameRequest("POST / HTTP/1.0\nContent-Length: x\n\n").kind, RequestFrame::Refused);
    // The head reads as one sent with CR LF; a body's own line feeds stay.
    EXPECT_EQ(WithCrLfHead(head + "a\nb"), "POST /f HTTP/1.1\r\nContent-Length: 3\r\n\r\na\nb");
    EXPECT_EQ(WithCrLfHead("GET / HTTP/1.0\r\n\r\n"), "GET / HTTP/1.0\r\n\r\n");
}

TEST(RequestFraming, EndsARequestAfterItsHeaderAndContentLength) {
    EXPECT_EQ(FrameRequest("GET / HTTP/1.0\r\n").kind, RequestFrame::Incomplete);
    RequestFrame get = FrameRequest("GET / HTTP/1.0\r\n\r\n");
    EXPECT_EQ(get.kind, RequestFrame::Complete);
    EXPECT_EQ(get.length, 18u);

    const std::string head = "POST /f HTTP/1.1\r\ncontent-LENGTH:  5 \r\n\r\n";
    EXPECT_EQ(FrameRequest(head + "ab").kind, RequestFrame::Incomplete);
    RequestFrame post = FrameRequest(head + "abcdeGET");
    EXPECT_EQ(post.kind, RequestFrame::Complete);
    EXPECT_EQ(post.length, head.size() + 5);

    EXPECT_EQ(FrameRequest("POST / HTTP/1.0\r\nContent-Length: x\r\n\r\n").kind, RequestFrame::Refused);
    EXPECT_EQ(FrameRequest("POST / HTTP/1.0\r\nContent-Length: -1\r\n\r\n").kind, RequestFrame::Refused);
    EXPECT_EQ(FrameRequest("POST / HTTP/1.0\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n").kind,
              RequestFrame::Refused);
    RequestFrame big = FrameRequest("POST / HTTP/1.0\r\nContent-Length: 1048577\r\n\r\n");
    EXPECT_EQ(big.kind, RequestFrame::Refused);
    EXPECT_EQ(big.reason, "body over 1048576 bytes");
    EXPECT_EQ(FrameRequest("POST / HTTP/1.0\r\nContent-Length: 1048576\r\n\r\n").kind, RequestFrame::Incomplete);

    const std::string longLine = "GET /" + std::string(kHeaderLimit, 'a');
    EXPECT_EQ(FrameRequest(longLine).kind, RequestFrame::Refused);
    EXPECT_EQ(FrameRequest(longLine + " HTTP/1.0\r\n\r\n").reason, "header block over 16384 bytes");
}

}  // namespace
}  // namespace zephra
