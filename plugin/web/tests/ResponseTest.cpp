// The answers of the server byte for byte over loopback: text, text file, not found, streamed
// file, the hand-over to the host's web server and the resubmit page; and the paths that are
// refused because they leave the HTML folder.

#include "web/Response.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "vb/DateTime.h"
#include "vb/Format.h"
#include "web/tests/ServerTestBed.h"

namespace zephra {
namespace {

using testing::ServerBed;
using testing::WebClient;
using namespace std::chrono;

constexpr time_t kFileTime = 1700000000;
const std::string kNotFound =
    "HTTP/1.1 200 Object Not Found\r\nServer: dkv\r\nDate: 09-Dec-26\r\nConnection: Close\r\n"
    "Content-Type: text/html; charset=windows-1252\r\nContent-Length: 40\r\n\r\n<html><h1>404 File Not Found</h1></html>";

class ResponseTest : public ::testing::Test {
protected:
    ResponseTest() { s.bed.loop.setLocalNow(forms::LocalTime{local_days{year{2026} / December / 9}} + hours{10}); }

    // Writes a file below the application folder with a fixed change time.
    void File(const std::string& relative, const std::string& bytes) {
        const auto path = s.bed.app.write(relative, bytes);
        timespec times[2] = {{kFileTime, 0}, {kFileTime, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
    static std::string FileTime() {
        return vb::FormatDateTime(vb::localDate(system_clock::from_time_t(kFileTime)), vb::vbGeneralDate);
    }
    static std::string Get(const std::string& target, const std::string& more = "") {
        return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Mozilla/5.0\r\n" + more + "\r\n";
    }

    ServerBed s;
};

TEST_F(ResponseTest, TextAnswersCarryTheirHeaderLinesByteForByte) {
    // The generated pages: the header lines, then a body of the length announced.
    const std::string pageHead =
        "HTTP/1.0 200 OK\r\nServer: dkv\r\nDate: 09-Dec-26\r\nAccept-Ranges: bytes\r\nContent-Type: text/html; charset=windows-1252\r\n"
        "Content-Length: ";
    for (const char* target : {"/Status", "/ZephraSlideshow.asp?x=1"}) {
        const std::string answer = s.Ask(Get(target));
        EXPECT_NE(answer.find("</html>"), std::string::npos) << target;
        ASSERT_EQ(answer.substr(0, pageHead.size()), pageHead) << target;
        const std::size_t body = answer.find("\r\n\r\n");
        ASSERT_NE(body, std::string::npos) << target;
        EXPECT_EQ(answer.substr(pageHead.size(), body - pageHead.size()), std::to_string(answer.size() - body - 4))
            << target;
    }

    File("HTML/style.css", "b{x}\n");
    File("HTML/x.html", "<p>html</p>");
    const std::string textFile =
        "HTTP/1.0 200 OK\r\nServer: dkv\r\nDate: 09-Dec-26\r\nAccept-Ranges: bytes\r\n"
        "Content-Type: text/html; charset=windows-1252\r\nLast-Modified " +
        FileTime() + "\r\nContent-Length: ";
    EXPECT_EQ(s.Ask(Get("/Style.CSS")), textFile + "5\r\n\r\nb{x}\n");
    // The extension looks at four characters from the dot, ".html" at five.
    EXPECT_EQ(s.Ask(Get("/x.htmlx")), textFile + "11\r\n\r\n<p>html</p>");
    EXPECT_EQ(s.Ask(Get("/missing.htm")), kNotFound);
    EXPECT_EQ(s.DebugCount(">>>>>>>>>>> SendingTextString <html><hea to socket "), 2u);
    EXPECT_EQ(s.DebugCount(">>>>>>>>>>> SendingError  to socket "), 1u);
    EXPECT_EQ(s.DebugCount("\\HTML\\style.css to socket 3 with length 5"), 1u);

    // Redirect and Send on a slot, as a page handler calls them.
    WebClient c(s.port);
    ASSERT_TRUE(s.Settle([&] { return s.Server().SlotState(s.Server().LastClientSlot) == forms::sckConnected; }));
    Response r(s.bed.state.Part<TCPServerPart>().Window);
    r.Index(s.Server().LastClientSlot);
    r.Redirect(vb::Variant());
    ASSERT_TRUE(s.WaitFor([&] { return c.Pump(); }));
    EXPECT_EQ(
        c.Received(),
        "HTTP/1.0 200 OK\r\nServer: dkv\r\nDate: 09-Dec-26\r\nAccept-Ranges: bytes\r\nContent-Type: text/html; charset=windows-1252\r\n"
        "Content-Length: 31\r\n\r\n<HTML>Unauthorized Access<HTML>");
}

// The page frame's access check answers with the unauthorised page; the page is not sent after it.
TEST_F(ResponseTest, APageTurnedAwayByTheAccessCheckIsNotSentAfterTheAnswer) {
    s.bed.host->SetIniText("web_settings.ini", "[Settings]\nusesecurity=ENHANCED\n");
    s.bed.host->SetIniText("includes.ini", "[header.asp]\nstrShowLinks=TOPLEVEL\n");
    EXPECT_EQ(
        s.Ask(Get("/status")),
        "HTTP/1.0 200 OK\r\nServer: dkv\r\nDate: 09-Dec-26\r\nAccept-Ranges: bytes\r\nContent-Type: text/html; charset=windows-1252\r\n"
        "Content-Length: 31\r\n\r\n<HTML>Unauthorized Access<HTML>");
    EXPECT_EQ(s.DebugCount(">>>>>>>>>>> SendingTextString "), 1u);
}

TEST_F(ResponseTest, FilesAreStreamedInBlocksOfAThousandBytes) {
    std::string bytes;
    for (int i = 0; i < 2500; ++i) bytes += static_cast<char>(i * 7);
    File("HTML/pics/a.JPG", bytes);
    const std::string answer = s.Ask(Get("/pics/a.JPG", "Connection: keep-alive\r\n"));
    EXPECT_EQ(answer, "HTTP/1.1 200 OK\r\nServer: dkv\r\nDate:09-Dec-26\r\nLast-Modified: " + FileTime() +
                          "\r\nAccept-Ranges: bytes\r\nContent-Length: 2500\r\nConnection: Close\r\n"
                          "Content-Type: image/jpg\r\n\r\n" +
                          bytes);
    EXPECT_EQ(s.DebugCount(">>>>>>>>>>> SendingBinaryHeader \\pics\\a.jpg to socket 1"), 1u);
    EXPECT_EQ(s.DebugCount(">>>>>>>>>>> SendingBinaryData \\pics\\a.jpg to socket 1"), 3u);
    EXPECT_EQ(s.DebugCount("SendComplete for socket 1, tag=0"), 1u);
    EXPECT_GE(s.DebugCount("SendComplete for socket 1, tag=1"), 1u);
    EXPECT_FALSE(s.Server().TCPBinarySendTimer(1).Enabled());

    File("HTML/two.wav", std::string(2000, 'w'));
    EXPECT_TRUE(s.Ask(Get("/two.wav")).ends_with("Content-Type: audio/wav\r\n\r\n" + std::string(2000, 'w')));
    EXPECT_EQ(s.DebugCount(">>>>>>>>>>> SendingBinaryData \\two.wav to socket 2"), 2u);
    // ".jpeg" is no file extension of this server: handed over.
    EXPECT_TRUE(s.Ask(Get("/pics/x.jpeg")).starts_with("HTTP/1.0 307 NoSupport\r\n"));
}

TEST_F(ResponseTest, OtherRequestsAreHandedOverToTheHostsServer) {
    EXPECT_EQ(
        s.Ask(Get("/unknown.asp?x=a%20b&y=%26")),
        "HTTP/1.0 307 NoSupport\r\nServer: dkv\r\nDate: 09-Dec-26\r\nConnection: close\r\nContent-Type: text/html; charset=windows-1252\r\n"
        "Location: http://127.0.0.1:8081/unknown.asp?x=a%20b&y=%26\r\n\r\n");
    EXPECT_EQ(s.DebugCount("User Agent Mozilla/5.0"), 1u);
    EXPECT_TRUE(s.Ask(Get("/status/")).starts_with("HTTP/1.0 307 NoSupport\r\n"));
    // No method line: handed over with an empty path.
    EXPECT_NE(s.Ask("garbage\r\n\r\n").find("\r\nLocation: http://127.0.0.1:8081\r\n\r\n"), std::string::npos);
    // Control bytes of the target never split the header.
    const std::string injected = s.Ask("GET /a\rSet-Cookie: x=1\n HTTP/1.0\r\n\r\n");
    EXPECT_NE(injected.find("\r\nLocation: http://127.0.0.1:8081/aSet-Cookie: x=1\r\n\r\n"), std::string::npos);

    // The appliance's browser gets a page that re-submits the request, keys and values escaped.
    const std::string body = "name=%3Cb%3E&v='x";
    const std::string page =
        "<HTML><HEAD><SCRIPT LANGUAGE=\"JavaScript\">function initialize() {document.redo.submit();}</script></HEAD>"
        "<body onLoad='initialize()'><form name='redo' action='http://127.0.0.1:8081/set.asp' method='POST'>"
        "<input type='hidden' name='q' value='1'><input type='hidden' name='name' value='&lt;b&gt;'>"
        "<input type='hidden' name='v' value='&#39;x'></form></HTML>";
    EXPECT_EQ(
        s.Ask("POST /set.asp?q=1 HTTP/1.0\r\nUser-Agent: Zephra-Browser\r\nContent-Length: 17\r\n\r\n" + body),
        "HTTP/1.0 200 OK\r\nServer: dkv\r\nDate: 09-Dec-26\r\nConnection: close\r\nContent-Type: text/html; charset=windows-1252\r\n"
        "Location: http://127.0.0.1:8081/set.asp?q=1\r\nContent-Length: " +
            std::to_string(page.size()) + "\r\n\r\n" + page);
}

TEST_F(ResponseTest, PathsThatLeaveTheHtmlFolderGetTheNotFoundAnswer) {
    File("secret.htm", "secret");
    File("HTML/in.htm", "inside");
    File("HTML/sub/deeper.htm", "deeper");
    std::filesystem::create_symlink(s.bed.app.path() / "secret.htm", s.bed.app.path() / "HTML" / "link.htm");
    for (const char* target : {"/../secret.htm", "/%2E%2E/secret.htm", "/..%5Csecret.htm", "/sub/..%5C..%5Csecret.htm",
                               "/%2E%2E%2Fsecret.htm", "/sub/%2E%2E/%2E%2E/secret.htm", "/link.htm", "/c:%5Csecret.htm",
                               "/.../secret.htm"}) {
        EXPECT_EQ(s.Ask(Get(target)), kNotFound) << target;
    }
    EXPECT_EQ(s.Ask("GET /in\x01.htm HTTP/1.0\r\n\r\n"), kNotFound);
    EXPECT_TRUE(s.Ask(Get("/sub/deeper.htm")).ends_with("deeper"));
    EXPECT_TRUE(s.Ask(Get("/In.HTM")).ends_with("inside"));

    EXPECT_TRUE(StaysInHtmlFolder("\\a\\b.htm"));
    EXPECT_FALSE(StaysInHtmlFolder("\\a\\..\\b.htm"));
    EXPECT_FALSE(StaysInHtmlFolder(std::string("\\a\0b.htm", 8)));
    EXPECT_EQ(ContentTypeOf("\\a.txt.jpg"), "text/plain");
    EXPECT_EQ(ContentTypeOf("\\a.bmp"), "image/bmp");
    EXPECT_EQ(ContentTypeOf("\\a.JPG"), "unknown/binary");
}

}  // namespace
}  // namespace zephra
