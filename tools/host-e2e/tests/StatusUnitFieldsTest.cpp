// The status page's unit fields saved through zephra-host as a browser or a script posts them:
// what a user types reads back as typed ("~" too), and a text the settings file could not give
// back (a line break, a megabyte, an address that is none) is refused by its field's name with
// the settings file left byte for byte as it was.

#include <gtest/gtest.h>

#include <memory>

#include "HostEndToEnd.h"
#include "web/tests/PageForm.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

constexpr const char* kIni = "Config/dkvZephraUtilities.ini";

std::string request(const std::string& method, const std::string& body = {}) {
    std::string text = method + " /status HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Mozilla/5.0\r\n";
    if (method == "POST")
        text += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " + std::to_string(body.size()) +
                "\r\n";
    return text + "\r\n" + body;
}

// The value of the page's input `name`; nothing when the page has none.
std::optional<std::string> inputValue(const std::string& page, const std::string& name) {
    for (const zephra::testing::Field& f : zephra::testing::Inputs(page))
        if (f.name == name) return f.value;
    return std::nullopt;
}

// The line of `ini` that starts with `start`.
std::string line(const std::string& ini, const std::string& start) {
    const std::size_t at = ini.find("\r\n" + start);
    if (at == std::string::npos) return {};
    return ini.substr(at + 2, ini.find("\r\n", at + 2) - at - 2);
}

class StatusUnitFields : public ::testing::Test {
protected:
    std::filesystem::path simLog_ =
        std::filesystem::temp_directory_path() / ("host-e2e-units-" + std::to_string(getpid()) + ".log");
    Appliances appliances_{simLog_};
    simkit::testing::ReservedPort reserved_;
    int port_ = reserved_.port();
    std::unique_ptr<HostFolder> folder_;
    std::unique_ptr<ChildProcess> host_;

    void SetUp() override {
        folder_ = std::make_unique<HostFolder>(appliances_, Lines{"Kitchen,,A3,B4", "Hall"},
                                               Lines{"ServerPort=" + std::to_string(port_)});
        folder_->write(kIni, folder_->read(kIni) +
                                 "[STATUS]\r\nShowControl=False\r\nShowSetup=True\r\nShowReceiveMessages=False\r\n"
                                 "ShowStatus=2\r\n");
        host_ = std::make_unique<ChildProcess>(ZEPHRA_HOST_PROGRAM, folder_->args());
        ASSERT_TRUE(host_->waitForLine("zephra-host: dkvZephra ready"));
        ASSERT_TRUE(accepts(port_));
        // The first reading of the settings stores the house code: the files are compared after it.
        ASSERT_NE(page().find("name='Location1'"), std::string::npos);
    }
    void TearDown() override {
        if (host_) {
            EXPECT_EQ(host_->terminate(), 0);
        }
        host_.reset();
        folder_.reset();
        std::filesystem::remove(simLog_);
    }

    std::string page() { return answerTo(port_, request("GET")); }
    std::string ini() const { return folder_->read(kIni); }
    // The page's form saved with `change` over what it shows.
    std::string save(const std::map<std::string, std::string>& change) {
        return answerTo(port_, request("POST", zephra::testing::FormPost(page(), "Save", change)));
    }
    std::string names() {
        host_->writeLine("? \"<\" & ZephraNames & \">\"");
        const std::optional<std::string> said = host_->waitForLine("= <");
        return said ? *said : std::string();
    }
};

TEST_F(StatusUnitFields, EveryUnitFieldReadsBackAsTyped) {
    const std::string before = ini();
    const std::string kitchen = line(before, "127.0.0.2/");
    const std::string hall = line(before, "127.0.0.3/");
    const std::map<std::string, std::string> typed = {
        {"Location0", "Kit~1chen"}, {"Power0", "A~2"}, {"Motion0", "B~11"}, {"Location1", "Hall~0~"}};
    const std::string answer = save(typed);
    ASSERT_EQ(answer.find("saveproblem"), std::string::npos) << answer.substr(0, 2000);
    for (const std::string& shown : {answer, page()})
        for (const auto& [field, value] : typed) EXPECT_EQ(inputValue(shown, field), value) << field;

    // Only the two entries changed, each "~" written so that the readers give it back.
    const std::string after = ini();
    std::string expected = before;
    const std::string key = kitchen.substr(0, kitchen.find('='));
    expected.replace(expected.find(kitchen), kitchen.size(), key + "=\"Kit~01chen,~11,A~02,B~011,0,0,\"");
    const std::string hallKey = hall.substr(0, hall.find('='));
    expected.replace(expected.find(hall), hall.size(), hallKey + "=\"Hall~00~0,~111,,,0,0,\"");
    EXPECT_EQ(line(after, "127.0.0.2/"), line(expected, "127.0.0.2/"));
    EXPECT_EQ(line(after, "127.0.0.3/"), line(expected, "127.0.0.3/"));
    // The appliance list reads the names as typed (its names are lower case).
    EXPECT_EQ(names(), "= <kit~1chen,hall~0~>");
}

TEST_F(StatusUnitFields, TextsTheFileCannotKeepAreRefusedByTheirFieldsNames) {
    // `shown`: the refusal as the page writes it, where its HTML differs from the text.
    struct Case {
        std::string field, value, refusal, shown;
    };
    const std::string kNoAddress =
        " (an IPv4 address or a host name, with an optional \":port\", then optionally \"/\" and the computer's "
        "address of the same form).";
    const std::string kNoAddressShown =
        " (an IPv4 address or a host name, with an optional &quot;:port&quot;, then optionally &quot;/&quot; and the "
        "computer&#39;s address of the same form).";
    // Nearly a megabyte: the server takes no body over one.
    const std::string megabyte(900 * 1024, 'x');
    for (const Case& c :
         {Case{"Motion0", "M\n1", "Motion of unit 1 (Kitchen) cannot hold LF."},
          Case{"Location1", "Ha\rll", "Location of unit 2 cannot hold CR."},
          Case{"Location0", "Kit\tchen", "Location of unit 1 cannot hold TAB."},
          Case{"Power1", "A\x01", "Power of unit 2 (Hall) cannot hold control character 1."},
          Case{"Location0", megabyte, "Location of unit 1 cannot hold more than 255 characters."},
          Case{"Power0", std::string(256, 'A'), "Power of unit 1 (Kitchen) cannot hold more than 255 characters."},
          Case{"Location1", "&#26085;&#26412;",
               "Location of unit 2 cannot hold U+65E5, a character outside the Windows-1252 code "
               "page."},
          Case{"ServerPort", "abc", "Server Port cannot hold 'abc' (a port number from 1 to 65535, or nothing).",
               "Server Port cannot hold &#39;abc&#39; (a port number from 1 to 65535, or nothing)."},
          Case{"FontColor", "re\"d", "Font Color cannot hold '\"'.", "Font Color cannot hold &#39;&quot;&#39;."},
          Case{"IP1", "%s%n%x", "IP of unit 2 (Hall) cannot hold '%s%n%x'" + kNoAddress,
               "IP of unit 2 (Hall) cannot hold &#39;%s%n%x&#39;" + kNoAddressShown},
          Case{"IP1", R"(\\server\share)", R"(IP of unit 2 (Hall) cannot hold '\\server\share')" + kNoAddress,
               R"(IP of unit 2 (Hall) cannot hold &#39;\\server\share&#39;)" + kNoAddressShown},
          Case{"IP2", "a  b", "IP of unit 3 cannot hold 'a  b'" + kNoAddress,
               "IP of unit 3 cannot hold &#39;a  b&#39;" + kNoAddressShown},
          Case{"IP0", "127.0.0.2/host:0", "IP of unit 1 (Kitchen) cannot hold '127.0.0.2/host:0'" + kNoAddress,
               "IP of unit 1 (Kitchen) cannot hold &#39;127.0.0.2/host:0&#39;" + kNoAddressShown}}) {
        SCOPED_TRACE(c.field);
        const std::string before = ini();
        const std::string answer = save({{c.field, c.value}});
        EXPECT_NE(answer.find("Nothing was saved: " + (c.shown.empty() ? c.refusal : c.shown)), std::string::npos)
            << answer.substr(0, 3000);
        EXPECT_EQ(ini(), before);
        // Nothing of a refused text stays behind: the next page is as small as ever.
        EXPECT_LT(page().size(), 200000u);
    }
    // A text of 255 characters is kept whole.
    const std::string longest(255, 'k');
    EXPECT_EQ(save({{"Location0", longest}}).find("saveproblem"), std::string::npos);
    EXPECT_EQ(inputValue(page(), "Location0"), longest);
}

}  // namespace
}  // namespace host_e2e
