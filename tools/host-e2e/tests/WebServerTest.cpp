// The plug-in's own web server in zephra-host: files of the HTML folder answered by the plug-in,
// and every other page handed over to the host's web server on "svrport", where it arrives.

#include <gtest/gtest.h>

#include <unistd.h>

#include "HostEndToEnd.h"
#include "simkit/testing/HttpGet.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

std::string get(const std::string& target, const std::string& agent = "Mozilla/5.0") {
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: " + agent + "\r\n\r\n";
}

// The value of one header line of an answer.
std::string header(const std::string& answer, const std::string& name) {
    std::size_t at = answer.find("\r\n" + name + ": ");
    if (at == std::string::npos) return {};
    at += name.size() + 4;
    return answer.substr(at, answer.find("\r\n", at) - at);
}

class WebServerEndToEnd : public ::testing::Test {
protected:
    std::filesystem::path simLog_ =
        std::filesystem::temp_directory_path() / ("host-e2e-web-" + std::to_string(getpid()) + ".log");
    Appliances appliances_{simLog_};
    // The plug-in's own server, on a port kept for it.
    simkit::testing::ReservedPort reserved_;
    int serverPort_ = reserved_.port();
    HostFolder folder_{appliances_, {"Kitchen"}, {"ServerPort=" + std::to_string(serverPort_), "TCPDebug=1"}};

    ~WebServerEndToEnd() override { std::filesystem::remove(simLog_); }
};

TEST_F(WebServerEndToEnd, ServesFilesAndHandsOtherPagesToTheHostsServer) {
    folder_.write("HTML/index.htm", "<html><body><img src='pics/dot.gif'></body></html>");
    std::string picture;
    for (int i = 0; i < 3300; ++i) picture += static_cast<char>(i % 251);
    folder_.write("HTML/pics/dot.gif", picture);
    folder_.write("HTML/notes.txt", "kept by the host");

    ChildProcess host(ZEPHRA_HOST_PROGRAM, folder_.args());
    ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
    ASSERT_TRUE(accepts(serverPort_));

    const std::string page = answerTo(serverPort_, get("/index.htm"));
    EXPECT_TRUE(page.starts_with("HTTP/1.0 200 OK\r\nServer: dkv\r\n")) << page;
    EXPECT_TRUE(page.ends_with("\r\n\r\n<html><body><img src='pics/dot.gif'></body></html>"));

    const std::string gif = answerTo(serverPort_, get("/pics/DOT.gif"));
    EXPECT_EQ(header(gif, "Content-Type"), "image/gif");
    EXPECT_EQ(header(gif, "Content-Length"), "3300");
    EXPECT_TRUE(gif.ends_with("\r\n\r\n" + picture));

    EXPECT_TRUE(answerTo(serverPort_, get("/../Config/settings.htm")).starts_with("HTTP/1.1 200 Object Not Found\r\n"));

    // Anything else goes to the host's server, and arrives there.
    const std::string handedOver = answerTo(serverPort_, get("/notes.txt?from=plug-in"));
    EXPECT_TRUE(handedOver.starts_with("HTTP/1.0 307 NoSupport\r\n")) << handedOver;
    const std::string location = header(handedOver, "Location");
    const std::string hostPrefix = "http://127.0.0.1:" + std::to_string(folder_.webPort());
    ASSERT_EQ(location, hostPrefix + "/notes.txt?from=plug-in");
    const std::string arrived = answerTo(folder_.webPort(), get(location.substr(hostPrefix.size())));
    EXPECT_TRUE(arrived.starts_with("HTTP/1.1 200")) << arrived;
    EXPECT_TRUE(arrived.ends_with("kept by the host"));

    // The appliance's browser is given a page that re-submits the request to the host.
    const std::string resubmit = answerTo(serverPort_, get("/notes.txt?a=1", "Zephra/1.0"));
    EXPECT_NE(resubmit.find("<form name='redo' action='" + hostPrefix +
                            "/notes.txt' method='GET'>"
                            "<input type='hidden' name='a' value='1'></form>"),
              std::string::npos)
        << resubmit;

    EXPECT_TRUE(holds(folder_.read("Data/dkvZephra/dkvZephra_TCPServerDebug.txt"), "User Agent Zephra/1.0"));
}

// "HomeseerIP" names this machine's LAN address, as a first run writes it (127.0.0.5 here): a page
// the plug-in hands over to the host's server is answered there, the appliance's browser following
// the hand-over, and the host's server answers on that address as a browser on the LAN asks it.
TEST_F(WebServerEndToEnd, PagesHandedOverAreAnsweredWhereHomeseerIPPoints) {
    std::string settings = folder_.read("Config/dkvZephraUtilities.ini");
    const std::string loopbackHost = "HomeseerIP=127.0.0.1";
    ASSERT_TRUE(holds(settings, loopbackHost));
    settings.replace(settings.find(loopbackHost), loopbackHost.size(), "HomeseerIP=127.0.0.5");
    folder_.write("Config/dkvZephraUtilities.ini", settings);
    folder_.write("HTML/mypage.asp", "<% Response.Write 1 %>");
    const std::string picture(1234, 'p');
    folder_.write("HTML/pics/view.png", picture);

    ChildProcess host(ZEPHRA_HOST_PROGRAM, folder_.args());
    const std::string svrport = std::to_string(folder_.webPort());
    EXPECT_EQ(host.waitForLine("zephra-host: listening on TCP 0.0.0.0:" + svrport),
              "zephra-host: listening on TCP 0.0.0.0:" + svrport +
                  " (the host's HTML server, \"svrport\" in Config/settings.ini)");
    ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));

    const std::string plugin = "http://127.0.0.5:" + std::to_string(serverPort_);
    const std::string hosts = "http://127.0.0.5:" + svrport;
    host.writeLine(R"(ZephraPushPage "kitchen", "mypage.asp")");
    EXPECT_TRUE(appliances_.waitFor(
        "kitchen", "browse \"" + plugin + "/mypage.asp\" redirect status=307 to=\"" + hosts + "/mypage.asp\""))
        << ::testing::PrintToString(appliances_.lines("kitchen"));
    // The host runs no pages: its own answer says so.
    EXPECT_TRUE(appliances_.waitFor("kitchen", "browse \"" + hosts + "/mypage.asp\" failed reason=\"http 501\""))
        << ::testing::PrintToString(appliances_.lines("kitchen"));
    host.writeLine(R"(ZephraPushPage "kitchen", "pics/view.png")");
    EXPECT_TRUE(appliances_.waitFor(
        "kitchen", "browse \"" + hosts + "/pics/view.png\" ok status=200 bytes=" + std::to_string(picture.size())))
        << ::testing::PrintToString(appliances_.lines("kitchen"));

    const simkit::testing::HttpAnswer root =
        simkit::testing::httpGet(simkit::testing::endpointOf("127.0.0.5:" + svrport), "/");
    EXPECT_EQ(root.status, 404u) << root.error;  // a folder: answered, not served
    EXPECT_TRUE(holds(folder_.log(), "Web server: Pages are not run by this host: /mypage.asp")) << folder_.log();
    EXPECT_EQ(host.terminate(), 0);
}

}  // namespace
}  // namespace host_e2e
