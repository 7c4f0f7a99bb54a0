// Files pushed to an appliance by name, with characters that mean something in a URL ("#", "?",
// "%", "+", blanks and bytes above 127): the appliance is sent an address that the plug-in's own
// web server answers with exactly the file named, whether the page is pushed by a script, is the
// default page after a power cycle, or is a WAV file; and an escaped ".." or "\" in a request
// reaches no file outside the web folder. A file whose name on disk is UTF-8 (as Linux names are)
// is found by the plug-in's Windows-1252 name, through either web server.

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

// A page of its own length, so that the bytes the appliance received tell which file it got.
std::string PageText(const std::string& what, std::size_t padding) {
    return "<html><body>" + what + std::string(padding, '.') + "</body></html>";
}

class PushedPath : public ::testing::Test {
protected:
    std::filesystem::path simLog_ =
        std::filesystem::temp_directory_path() / ("host-e2e-pushed-" + std::to_string(getpid()) + ".log");
    // The hall answers late, so that commands given together fill its queue.
    Appliances appliances_{simLog_, {"--slow", "hall=1500"}};
    simkit::testing::ReservedPort reserved_;
    int serverPort_ = reserved_.port();
    std::string web_ = "http://127.0.0.1:" + std::to_string(serverPort_);

    ~PushedPath() override { std::filesystem::remove(simLog_); }

    // The appliance's browse of `url` (as the appliance decoded its command) loaded `bytes`.
    bool browsed(const std::string& name, const std::string& url, std::size_t bytes) const {
        return appliances_.waitFor(name, "browse \"" + url + "\" ok status=200 bytes=" + std::to_string(bytes));
    }
};

TEST_F(PushedPath, ThePageNamedIsTheOneTheApplianceLoads) {
    const std::string hash = PageText("hash", 1), query = PageText("query", 22), high = PageText("high", 43);
    HostFolder folder(appliances_, {"Kitchen", "Hall,,C5"},
                      {"ServerPort=" + std::to_string(serverPort_), "DefaultPushPage=pages\\a#b.htm", "PushDelay=1",
                       "PowerCycleTime=1", "PowerUpTime=0"});
    folder.write("HTML/pages/a#b.htm", hash);
    folder.write("HTML/pages/a", "<html><body>not this one</body></html>");
    folder.write("HTML/pages/100% sure?.htm", query);
    folder.write("HTML/pages/caf\xE9+x.htm", high);
    folder.write("secret.htm", "<html><body>outside the web folder</body></html>");

    ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
    ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));

    // Pushed by a script, as typed: "\" or "/" between names.
    host.writeLine(R"(ZephraPushPage "kitchen", "pages\a#b.htm")");
    EXPECT_TRUE(browsed("kitchen", web_ + "/pages/a%23b.htm", hash.size()))
        << ::testing::PrintToString(appliances_.lines("kitchen"));
    host.writeLine(R"(ZephraPushPage "kitchen", "pages/100% sure?.htm")");
    EXPECT_TRUE(browsed("kitchen", web_ + "/pages/100%25%20sure%3F.htm", query.size()))
        << ::testing::PrintToString(appliances_.lines("kitchen"));
    host.writeLine(R"(ZephraPushPage "kitchen", "pages/caf" & Chr(233) & "+x.htm")");
    EXPECT_TRUE(browsed("kitchen", web_ + "/pages/caf%E9%2Bx.htm", high.size()))
        << ::testing::PrintToString(appliances_.lines("kitchen"));

    // A WAV file below the web folder.
    host.writeLine("f = ZephraTextToWav(\"Ding dong\")");
    host.writeLine("? \"<\" & f & \">\"");
    const std::optional<std::string> spoken = host.waitForLine("= <");
    ASSERT_TRUE(spoken);
    const std::string wav = spoken->substr(3, spoken->size() - 4);
    std::filesystem::create_directories(folder.path() / "HTML" / "sounds");
    std::filesystem::copy_file(folder.path() / "HTML" / "ZephraTemp" / wav, folder.path() / "HTML/sounds/door#1.wav");
    const std::size_t wavBytes = std::filesystem::file_size(folder.path() / "HTML/sounds/door#1.wav");
    host.writeLine(R"(ZephraWav "kitchen", "sounds\door#1.wav")");
    EXPECT_TRUE(appliances_.waitFor("kitchen", "ok wav=\"" + web_ + "/sounds/door%231.wav\""))
        << ::testing::PrintToString(appliances_.lines("kitchen"));
    const Lines played = appliances_.matching("kitchen", "/sounds/door%231.wav\"");
    ASSERT_EQ(played.size(), 1u);
    EXPECT_TRUE(played[0].ends_with(" bytes=" + std::to_string(wavBytes))) << played[0];

    // The default page after a power cycle of the hall.
    host.writeLine(R"(ZephraCyclePower "hall")");
    EXPECT_TRUE(browsed("hall", web_ + "/pages/a%23b.htm", hash.size()))
        << ::testing::PrintToString(appliances_.lines("hall"));

    // An escaped ".." or "\" names no file outside the web folder.
    for (const char* target : {"/%2e%2e/secret.htm", "/pages/%2E%2E/%2e%2e/secret.htm", "/pages/..%2fsecret.htm",
                               "/pages/..%5c..%5csecret.htm", "/%2e%2e%2fsecret.htm"}) {
        const std::string answer = answerTo(serverPort_, std::string("GET ") + target + " HTTP/1.1\r\nHost: x\r\n\r\n");
        EXPECT_FALSE(holds(answer, "outside the web folder")) << target;
        EXPECT_TRUE(holds(answer, "404 File Not Found")) << target << ": " << answer;
    }
    EXPECT_EQ(host.terminate(), 0);
}

// "café.htm" made by a Linux user (its name UTF-8 on disk) and pushed as the plug-in spells it
// (Windows-1252, the address percent-encoded byte for byte): the plug-in's own web server and the
// host's both answer with it, and ".." in such a name still climbs nowhere.
TEST_F(PushedPath, AFileWithAUtf8NameIsFoundByItsWindowsName) {
    const std::string cafe = PageText("cafe", 7), deep = PageText("deep", 30);
    for (const bool own : {true, false}) {
        SCOPED_TRACE(own ? "the plug-in's web server" : "the host's web server");
        Lines more = {"ServerPort=" + std::to_string(serverPort_), "PushDelay=1"};
        if (!own) more.push_back("TCPServerOption=1");
        HostFolder folder(appliances_, {"Kitchen"}, more);
        folder.write("HTML/pages/caf\xC3\xA9.htm", cafe);
        folder.write("HTML/R\xC3\xA9sum\xC3\xA9s/Ann.htm", deep);
        folder.write("secret.htm", "<html><body>outside the web folder</body></html>");
        const std::string web = own ? web_ : "http://127.0.0.1:" + std::to_string(folder.webPort());

        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        host.writeLine(R"(ZephraPushPage "kitchen", "pages/caf" & Chr(233) & ".htm")");
        EXPECT_TRUE(browsed("kitchen", web + "/pages/caf%E9.htm", cafe.size()))
            << ::testing::PrintToString(appliances_.lines("kitchen"));
        // A folder of such a name, its other letters in another case.
        host.writeLine(R"(ZephraPushPage "kitchen", "r" & Chr(233) & "sum" & Chr(233) & "s\ann.htm")");
        EXPECT_TRUE(browsed("kitchen", web + "/r%E9sum%E9s/ann.htm", deep.size()))
            << ::testing::PrintToString(appliances_.lines("kitchen"));

        const int port = own ? serverPort_ : folder.webPort();
        for (const char* target :
             {"/pages/caf%E9.htm/%2e%2e/%2e%2e/secret.htm", "/R%E9sum%E9s/%2e%2e/%2e%2e/secret.htm"}) {
            const std::string answer = answerTo(port, std::string("GET ") + target + " HTTP/1.1\r\nHost: x\r\n\r\n");
            EXPECT_FALSE(holds(answer, "outside the web folder")) << target << ": " << answer;
            EXPECT_TRUE(holds(answer, own ? "404 File Not Found" : "HTTP/1.1 40")) << target << ": " << answer;
        }
        EXPECT_EQ(host.terminate(), 0);
    }
}

}  // namespace
}  // namespace host_e2e
