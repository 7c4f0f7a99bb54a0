// The host's own phone caller ID through zephra-host: the status page's save makes the host
// event that hands each call to the plug-in; the event outlives a restart and follows a saved
// change of the phone line and the event group.

#include <gtest/gtest.h>

#include <unistd.h>

#include <thread>

#include "HostEndToEnd.h"
#include "web/tests/PageForm.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

class CallerIdEvent : public ::testing::Test {
protected:
    std::filesystem::path simLog_ =
        std::filesystem::temp_directory_path() / ("host-e2e-cid-" + std::to_string(getpid()) + ".log");
    Appliances appliances_{simLog_};
    simkit::testing::ReservedPort reserved_;
    int serverPort_ = reserved_.port();
    // The kitchen shows callers (its caller-ID switch on); pages come from the plug-in's own server.
    HostFolder folder_{
        appliances_,
        {"Kitchen,,,,0,1"},
        {"ServerPort=" + std::to_string(serverPort_), "LogCID=1", "BrowserCIDResponse=1", "UseHSPPhoneBook=1"}};

    ~CallerIdEvent() override { std::filesystem::remove(simLog_); }

    static std::string valueOf(ChildProcess& host, const std::string& expression) {
        host.writeLine("? \"<\" & (" + expression + ") & \">\"");
        std::optional<std::string> line = host.waitForLine("= <");
        if (!line) return "(no answer)";
        return line->substr(3, line->size() - 4);
    }

    // The status page's save with the host phone's line and event group, from the page as drawn.
    std::string saveCallerId(const std::string& line, const std::string& group) {
        const std::string page = answerTo(serverPort_, "GET /status HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
        const std::size_t at = page.find("name='drawn' value='");
        const std::string drawn =
            at == std::string::npos ? std::string() : page.substr(at + 20, page.find('\'', at + 20) - at - 20);
        const std::string body =
            "clientinput=Save&clientvalue=Save&Save=Save&ShowSetup=on&LogCID=1&BrowserCIDResponse=1&UseHSPPhoneBook=1&LineNumber=" +
            line + "&CIDEventGroup=" + group + "&drawn=" + zephra::testing::UrlEncode(drawn);
        return answerTo(serverPort_,
                        "POST /status HTTP/1.0\r\nHost: 127.0.0.1\r\n"
                        "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                            std::to_string(body.size()) + "\r\n\r\n" + body);
    }

    // Waits until the host's log holds `text` `count` times.
    bool logged(const std::string& text, std::size_t count = 1) const {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        for (;;) {
            const std::string log = folder_.log();
            std::size_t found = 0;
            for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++found;
            if (found >= count) return true;
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    static void call(ChildProcess& host, int line, const std::string& number, const std::string& name) {
        host.writeLine("CreateObject(\"hsPhone.Application\").IncomingCall " + std::to_string(line) + ", \"" + number +
                       "\", \"" + name + "\"");
    }
};

TEST_F(CallerIdEvent, TheEventOutlivesARestartAndFollowsTheSavedLine) {
    {
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder_.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        EXPECT_EQ(valueOf(host, "hs.EventCount"), "0");
        // A text page from the plug-in's own server loads in the appliance's browser.
        const std::string web = "http://127.0.0.1:" + std::to_string(serverPort_);
        host.writeLine("ZephraText \"kitchen\", \"Welcome home\"");
        EXPECT_TRUE(appliances_.waitFor("kitchen",
                                        "browse \"" + web + "/ZephraTemp/ZephraTempFilekitchen1.html\" ok status=200"))
            << testing::PrintToString(appliances_.lines("kitchen"));
        const std::string answer = saveCallerId("1", "Phone");
        EXPECT_TRUE(answer.starts_with("HTTP/1.0 200")) << answer.substr(0, 200);
        EXPECT_EQ(valueOf(host, "hs.EventCount"), "1");
        EXPECT_EQ(
            valueOf(host, "hs.GetEvent(1).Name & \"|\" & hs.GetEvent(1).phone_line & \"|\" & hs.GetEvent(1).Group"),
            "dkvZephra CID|1|Phone");
        call(host, 1, "5551234567", "LEE ANN");
        EXPECT_TRUE(logged("| dkvZephra | (555) 123-4567 : LEE ANN"));
        // The caller's page loads on the kitchen too.
        EXPECT_TRUE(appliances_.waitFor("kitchen", "ok status=200", 2))
            << testing::PrintToString(appliances_.lines("kitchen"));
        EXPECT_TRUE(appliances_.matching("kitchen", "failed").empty())
            << testing::PrintToString(appliances_.lines("kitchen"));
        EXPECT_EQ(host.terminate(), 0);
    }

    // A real restart: the host reads its events back, and calls on line 1 are announced at once.
    {
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder_.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        EXPECT_EQ(valueOf(host, "hs.EventCount"), "1");
        EXPECT_EQ(valueOf(host, "hs.GetEvent(1).phone_line & \"|\" & hs.GetEvent(1).phone_event"), "1|4");
        call(host, 1, "5557654321", "AFTER RESTART");
        EXPECT_TRUE(logged("| dkvZephra | (555) 765-4321 : AFTER RESTART"));

        // Moved to line 2: calls there are announced, with their own caller; line 1's no longer.
        saveCallerId("2", "Upstairs");
        EXPECT_EQ(valueOf(host, "hs.EventCount & \"|\" & hs.GetEvent(1).phone_line & \"|\" & hs.GetEvent(1).Group"),
                  "1|2|Upstairs");
        call(host, 1, "5551111111", "ONE");
        call(host, 2, "5552222222", "TWO");
        EXPECT_TRUE(logged("| dkvZephra | (555) 222-2222 : TWO"));
        EXPECT_FALSE(holds(folder_.log(), ": ONE"));
        EXPECT_FALSE(holds(folder_.log(), "(555) 111-1111"));
        EXPECT_EQ(host.terminate(), 0);
    }

    ChildProcess host(ZEPHRA_HOST_PROGRAM, folder_.args());
    ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
    EXPECT_EQ(valueOf(host, "hs.EventCount & \"|\" & hs.GetEvent(1).phone_line"), "1|2");
    EXPECT_TRUE(holds(folder_.read("Config/zephra-host-events.ini"), "Name=dkvZephra CID"));
    EXPECT_EQ(host.terminate(), 0);
}

}  // namespace
}  // namespace host_e2e
