#include "forms/HiddenBrowser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "LoopbackHttpServer.h"
#include "forms/Timer.h"
#include "forms/detail/BrowserUrl.h"
#include "forms/detail/PageText.h"

using namespace std::chrono_literals;
using namespace forms;

namespace {

// A browser whose page-complete events are recorded.
struct Browser {
    explicit Browser(Loop& loop) : object(std::make_unique<HiddenBrowser>(loop)) {
        object->OnDocumentComplete = [this](const std::string& url) { completed.push_back(url); };
    }
    std::string text() const { return object->Document().body.innerText; }
    std::unique_ptr<HiddenBrowser> object;
    std::vector<std::string> completed;
};

std::string page(const std::string& body, const std::string& type = "text/html") {
    return "HTTP/1.0 200 OK\r\nContent-Type: " + type + "\r\n\r\n" + body;
}

}  // namespace

TEST(HiddenBrowser, FetchesAPageAndGivesItsBodyText) {
    Loop loop(Loop::ClockKind::Manual);
    LoopbackHttpServer appliance("127.0.0.5");
    appliance.answerWith(page("<html><head><title>Zephra</title></head><body bgcolor=white>\r\n 1 </body></html>"));
    Browser browser(loop);
    EXPECT_EQ(browser.text(), "");
    std::string url = "http://127.0.0.5:" + std::to_string(appliance.port()) + "/screen.shtml?p";
    browser.object->Navigate2(url);
    EXPECT_TRUE(browser.completed.empty());  // nothing is raised inside Navigate2
    ASSERT_TRUE(loop.runUntil([&] { return !browser.completed.empty(); }, 30s));
    EXPECT_EQ(browser.completed, (std::vector<std::string>{url}));
    EXPECT_EQ(browser.text(), "\r\n 1 ");
    ASSERT_EQ(appliance.requests().size(), 1u);
    const std::string head = appliance.requests()[0];
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET /screen.shtml?p HTTP/1.1");
    EXPECT_NE(head.find("\r\nHost: 127.0.0.5:" + std::to_string(appliance.port()) + "\r\n"), std::string::npos);
}

TEST(HiddenBrowser, EncodesTheUrlAsABrowserDoes) {
    Loop loop(Loop::ClockKind::Manual);
    LoopbackHttpServer appliance;
    appliance.answerWith("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 8\r\n\r\n<b>1</b>");
    Browser browser(loop);
    std::string base = "http://127.0.0.1:" + std::to_string(appliance.port());
    browser.object->Navigate2(base + "/screen.shtml?Hello World|\"x\"%41\xe9#top");
    ASSERT_TRUE(loop.runUntil([&] { return !browser.completed.empty(); }, 30s));
    const std::string head = appliance.requests().at(0);
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET /screen.shtml?Hello%20World%7C%22x%22%41%E9 HTTP/1.1");
    EXPECT_EQ(browser.completed[0], base + "/screen.shtml?Hello%20World%7C%22x%22%41%E9#top");
    EXPECT_EQ(browser.text(), "<b>1</b>");  // a text page is shown as it is
}

TEST(HiddenBrowser, FailedRequestsCompleteWithTheCancelledPage) {
    Loop loop(Loop::ClockKind::Manual);
    LoopbackHttpServer appliance;
    std::string base = "http://127.0.0.1:" + std::to_string(appliance.port()) + "/led.shtml?on";
    struct Case {
        const char* what;
        std::string url;
        LoopbackHttpServer::Behaviour behaviour;
        std::string answer;
    };
    std::vector<Case> cases = {
        {"refused", "http://127.0.0.1:" + std::to_string(unusedLoopbackPort()) + "/",
         LoopbackHttpServer::Behaviour::Answer, ""},
        {"reset", base, LoopbackHttpServer::Behaviour::Reset, ""},
        {"not http", base, LoopbackHttpServer::Behaviour::Answer, "hello there\r\n\r\n"},
        {"closed early", base, LoopbackHttpServer::Behaviour::Answer, ""},
        {"too large", base, LoopbackHttpServer::Behaviour::Answer,
         "HTTP/1.0 200 OK\r\nContent-Length: 99999999\r\n\r\nxx"},
        {"other scheme", "ftp://127.0.0.1/", LoopbackHttpServer::Behaviour::Answer, ""},
        {"bad port", "http://127.0.0.1:99999/", LoopbackHttpServer::Behaviour::Answer, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        appliance.behave(c.behaviour);
        appliance.answerWith(c.answer);
        Browser browser(loop);
        browser.object->Navigate2(c.url);
        ASSERT_TRUE(loop.runUntil([&] { return !browser.completed.empty(); }, 30s));
        EXPECT_EQ(browser.text().substr(0, 16), "Action cancelled");
        EXPECT_EQ(browser.completed.size(), 1u);
    }
}

TEST(HiddenBrowser, ReleasedBrowserRaisesNothingAndDropsItsRequest) {
    Loop loop(Loop::ClockKind::Manual);
    LoopbackHttpServer appliance;
    appliance.behave(LoopbackHttpServer::Behaviour::Silent);
    std::string url = "http://127.0.0.1:" + std::to_string(appliance.port()) + "/scrOn.shtml";
    auto browser = std::make_unique<Browser>(loop);
    browser->object->Navigate2(url);
    ASSERT_TRUE(loop.runUntil([&] { return appliance.requests().size() == 1; }, 30s));
    auto& completed = browser->completed;
    browser->object.reset();  // released while the appliance keeps silent
    ASSERT_TRUE(loop.runUntil([&] { return appliance.closedByClient() == 1; }, 30s));
    EXPECT_TRUE(completed.empty());

    // A new object takes its place and works; navigating again drops the request under way.
    appliance.behave(LoopbackHttpServer::Behaviour::Silent);
    browser->object = std::make_unique<HiddenBrowser>(loop);
    browser->object->OnDocumentComplete = [&](const std::string& u) { completed.push_back(u); };
    browser->object->Navigate2(url + "?first");
    ASSERT_TRUE(loop.runUntil([&] { return appliance.requests().size() == 2; }, 30s));
    appliance.behave(LoopbackHttpServer::Behaviour::Answer);
    appliance.answerWith(page("<p>second</p>"));
    browser->object->Navigate2(url + "?second");
    ASSERT_TRUE(loop.runUntil([&] { return !completed.empty(); }, 30s));
    loop.runUntil([] { return false; }, 20ms);
    EXPECT_EQ(completed, (std::vector<std::string>{url + "?second"}));
    EXPECT_EQ(browser->text(), "second");
    EXPECT_EQ(appliance.closedByClient(), 2);
}

TEST(HiddenBrowser, PageArrivesBeforeATimeOutWhileCodeWaitsUnderTheManualClock) {
    Loop loop(Loop::ClockKind::Manual);
    LoopbackHttpServer appliance;
    Browser browser(loop);
    bool timedOut = false;
    Timer timeout(loop);
    timeout.OnTimer = [&] { timedOut = true; };
    timeout.Interval(5000);
    auto start = loop.now();
    browser.object->Navigate2("http://127.0.0.1:" + std::to_string(appliance.port()) + "/screen.shtml?p");
    // As a synchronous sleep poll does: wait in slices of 100 ms until the answer came.
    for (int slice = 0; slice < 50 && browser.completed.empty(); ++slice) loop.waitFor([] { return false; }, 100ms);
    ASSERT_EQ(browser.completed.size(), 1u);
    EXPECT_EQ(loop.now() - start, 100ms);  // the answer came within the first slice
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(browser.text(), "1");
}

TEST(BrowserUrl, SplitsHttpUrls) {
    auto url = detail::parseHttpUrl("HTTP://zephra1:8080/gotoURL.shtml?http://host/x#frag");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->host, "zephra1");
    EXPECT_EQ(url->port, 8080);
    EXPECT_EQ(url->hostHeader, "zephra1:8080");
    EXPECT_EQ(url->target, "/gotoURL.shtml?http://host/x");
    url = detail::parseHttpUrl("http://127.0.0.2?x=1");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->port, 80);
    EXPECT_EQ(url->hostHeader, "127.0.0.2");
    EXPECT_EQ(url->target, "/?x=1");
    EXPECT_FALSE(detail::parseHttpUrl("http:///x"));
    EXPECT_FALSE(detail::parseHttpUrl("http://h:0/"));
    EXPECT_FALSE(detail::parseHttpUrl("http://h:8x/"));
    EXPECT_FALSE(detail::parseHttpUrl("about:blank"));
    EXPECT_EQ(detail::encodeUrl("a b\t<>{}^`\\~%20"), "a%20b%09%3C%3E%7B%7D%5E%60%5C~%20");
}

TEST(PageText, MarkupIsRemovedAndReferencesDecoded) {
    EXPECT_EQ(detail::pageText("<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY onLoad='x()'> 0 </BODY></HTML>"), " 0 ");
    EXPECT_EQ(detail::pageText("<p>a<script>if (a<b) x();</script>b<style>p{}</style><!-- <b>c</b> -->d</p>"), "abd");
    EXPECT_EQ(detail::pageText("x &amp; y &lt;&gt; &quot;&#65;&#x42;&nbsp;&bogus; &"), "x & y <> \"AB\xa0&bogus; &");
    EXPECT_EQ(detail::pageText("<head><title>t</title></head>1 < 2"), "1 < 2");
    EXPECT_EQ(detail::pageText("plain"), "plain");
    EXPECT_EQ(detail::pageText("<body>unclosed <b"), "unclosed ");
}
