// The plug-in's own web server in zephra-host: files of the HTML folder answered by the plug-in,
// and every other page handed over to the host's web server on "svrport", where it arrives.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

#include <boost/asio/connect.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

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
// the hand-over (an .asp page run by the host), and the host's server answers on that address as a
// browser on the LAN asks it.
TEST_F(WebServerEndToEnd, PagesHandedOverAreAnsweredWhereHomeseerIPPoints) {
    std::string settings = folder_.read("Config/dkvZephraUtilities.ini");
    const std::string loopbackHost = "HomeseerIP=127.0.0.1";
    ASSERT_TRUE(holds(settings, loopbackHost));
    settings.replace(settings.find(loopbackHost), loopbackHost.size(), "HomeseerIP=127.0.0.5");
    folder_.write("Config/dkvZephraUtilities.ini", settings);
    folder_.write("HTML/mypage.asp",
                  "<% Dim n : n = 6 * 7 %>\r\n<html><body><p><%= n %> for <%= Request.ServerVariables(\"REMOTE_ADDR\") "
                  "%> <% Response.Write Request.QueryString(\"who\") %></p></body></html>\r\n");
    folder_.write("HTML/bad.asp", "<html><% x = 1 / 0 %></html>");
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
    // The host runs the page: "<html><body><p>42 for 127.0.0.2 </p></body></html>", 50 bytes.
    EXPECT_TRUE(appliances_.waitFor("kitchen", "browse \"" + hosts + "/mypage.asp\" ok status=200 bytes=50"))
        << ::testing::PrintToString(appliances_.lines("kitchen")) << folder_.log();
    const simkit::testing::HttpAnswer mine =
        simkit::testing::httpGet(simkit::testing::endpointOf("127.0.0.5:" + svrport), "/MyPage.asp?who=me%21");
    EXPECT_EQ(mine.status, 200u) << mine.error;
    EXPECT_EQ(mine.body, "<html><body><p>42 for 127.0.0.1 me!</p></body></html>");
    // A page whose script fails is answered 500, and the host's log says why.
    const simkit::testing::HttpAnswer bad =
        simkit::testing::httpGet(simkit::testing::endpointOf("127.0.0.5:" + svrport), "/bad.asp");
    EXPECT_EQ(bad.status, 500u) << bad.error;
    host.writeLine(R"(ZephraPushPage "kitchen", "pics/view.png")");
    EXPECT_TRUE(appliances_.waitFor(
        "kitchen", "browse \"" + hosts + "/pics/view.png\" ok status=200 bytes=" + std::to_string(picture.size())))
        << ::testing::PrintToString(appliances_.lines("kitchen"));

    const simkit::testing::HttpAnswer root =
        simkit::testing::httpGet(simkit::testing::endpointOf("127.0.0.5:" + svrport), "/");
    EXPECT_EQ(root.status, 404u) << root.error;  // a folder: answered, not served
    EXPECT_TRUE(holds(folder_.log(), "| zephra-host | Web server: Page /bad.asp failed: Error 11: Division by zero"))
        << folder_.log();
    EXPECT_EQ(host.terminate(), 0);
}

// The appliance from 127.0.0.2, to see the page the host's server gives it.
simkit::testing::HttpAnswer getAsKitchen(int port, const std::string& target) {
    namespace asio = boost::asio;
    asio::io_context io;
    asio::ip::tcp::socket socket(io);
    socket.open(asio::ip::tcp::v4());
    socket.bind({asio::ip::make_address("127.0.0.2"), 0});
    socket.connect({asio::ip::make_address("127.0.0.1"), static_cast<uint16_t>(port)});
    const std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    asio::write(socket, asio::buffer(request));
    std::string answer;
    boost::system::error_code ec;
    asio::read(socket, asio::dynamic_buffer(answer), ec);
    simkit::testing::HttpAnswer result;
    if (answer.size() > 12) result.status = static_cast<unsigned>(std::stoi(answer.substr(9, 3)));
    const std::size_t body = answer.find("\r\n\r\n");
    if (body != std::string::npos) result.body = answer.substr(body + 4);
    return result;
}

// With the host's web server chosen (TCPServerOption=1), the appliances' slideshow is the stub page
// the plug-in writes into the host's web folder: the host runs it, the stub asks the plug-in for the
// appliance's slide, and the appliance is shown its picture, its refresh leading back to the stub.
TEST(HostAspPages, TheSlideshowRunsThroughTheHostsServer) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-hostasp-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(
            appliances, {"Kitchen"},
            {"TCPServerOption=1", "SlideshowPath=slides", "DontRandomize=1", "SlideshowUpdateInterval=20"});
        const std::filesystem::path picture = folder.path() / "HTML" / "slides" / "one.gif";
        std::filesystem::create_directories(picture.parent_path());
        ASSERT_EQ(std::system(("convert -size 40x30 xc:gray '" + picture.string() + "'").c_str()), 0);
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        const std::string hosts = "http://127.0.0.1:" + std::to_string(folder.webPort());
        EXPECT_TRUE(holds(folder.read("HTML/ZephraSlideshow.asp"), "ZephraSlideshowASP(request, Response)"));

        host.writeLine(R"(ZephraPushPage "kitchen", "ZephraSlideshow.asp")");
        EXPECT_TRUE(appliances.waitFor("kitchen", "browse \"" + hosts + "/ZephraSlideshow.asp\" ok status=200"))
            << ::testing::PrintToString(appliances.lines("kitchen")) << folder.log();
        const simkit::testing::HttpAnswer slide = getAsKitchen(folder.webPort(), "/ZephraSlideshow.asp");
        EXPECT_EQ(slide.status, 200u);
        EXPECT_TRUE(slide.body.starts_with(
            "<html><head><meta http-equiv=\"Refresh\" content=\"20; URL=/ZephraSlideshow.asp\"></head>"))
            << slide.body;
        EXPECT_TRUE(holds(slide.body, "one.gif'")) << slide.body;
        EXPECT_FALSE(holds(folder.log(), "Web server: Page")) << folder.log();
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
