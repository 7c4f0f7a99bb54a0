// The status page's save in zephra-host killed (SIGKILL) at random moments: the settings file is
// always the one before the save or the one after it, never a mix, and never holds fewer rows.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <thread>

#include "HostEndToEnd.h"
#include "web/tests/PageForm.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

constexpr const char* kIni = "Config/dkvZephraUtilities.ini";

int connectTo(int port) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    timeval timeout{20, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(s);
        return -1;
    }
    return s;
}

std::string readAll(int s) {
    std::string answer;
    char buffer[8192];
    for (ssize_t n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, static_cast<std::size_t>(n));
    close(s);
    return answer;
}

std::string request(const std::string& method, const std::string& body) {
    std::string text = method + " /status HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Mozilla/5.0\r\n";
    if (method == "POST")
        text += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " + std::to_string(body.size()) +
                "\r\n";
    return text + "\r\n" + body;
}

std::size_t rowsOf(const std::string& ini, const std::string& section) {
    const std::size_t start = ini.find("[" + section + "]\r\n");
    if (start == std::string::npos) return 0;
    std::size_t rows = 0;
    for (std::size_t at = ini.find("\r\n", start) + 2; at < ini.size() && ini[at] != '['; at = ini.find("\r\n", at) + 2)
        ++rows;
    return rows;
}

class StatusSaveKill : public ::testing::Test {
protected:
    std::filesystem::path simLog_ =
        std::filesystem::temp_directory_path() / ("host-e2e-save-" + std::to_string(getpid()) + ".log");
    Appliances appliances_{simLog_};
    simkit::testing::ReservedPort reserved_;
    int serverPort_ = reserved_.port();

    ~StatusSaveKill() override { std::filesystem::remove(simLog_); }

    // A fresh application folder (the host's devices and their codes as on a first start) whose
    // settings file holds the display options and five rows.
    std::unique_ptr<HostFolder> freshFolder() {
        auto folder = std::make_unique<HostFolder>(appliances_, Lines{"Kitchen,,A3,B4", "Hall"},
                                                   Lines{"ServerPort=" + std::to_string(serverPort_)});
        std::string start = folder->read(kIni) +
                            "[STATUS]\r\nShowControl=True\r\nShowSetup=True\r\nShowReceiveMessages=True\r\n"
                            "ShowReceiveDetail=True\r\nShowStatus=2\r\n[Received]\r\n";
        for (int r = 1; r <= 5; ++r) start += "acme.s" + std::to_string(r) + "~T.R=Tag_" + std::to_string(r) + ";1\r\n";
        folder->write(kIni, start);
        return folder;
    }
};

// The file as the save left it, before the settings reading that follows the save stores the
// house code (a change of its own, after the save's).
std::string withoutHouseCode(std::string text) {
    const std::size_t at = text.find("\r\nHouseCode=");
    if (at != std::string::npos) text.erase(at, text.find("\r\n", at + 2) - at);
    return text;
}

TEST_F(StatusSaveKill, EveryFileIsTheOldOrTheNewOne) {
    constexpr int kRounds = 100;
    std::mt19937 random(46);
    std::string saved;    // the file after a save that was not killed
    std::string before;   // the file as the round's page was drawn
    long longest = 1000;  // microseconds a save took, for the spread of the kills
    int oldOnes = 0, newOnes = 0;
    for (int round = 0; round <= kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::unique_ptr<HostFolder> folder = freshFolder();
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder->args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        ASSERT_TRUE(accepts(serverPort_));
        int s = connectTo(serverPort_);
        ASSERT_GE(s, 0);
        const std::string get = request("GET", "");
        send(s, get.data(), get.size(), MSG_NOSIGNAL);
        const std::string page = readAll(s);
        ASSERT_NE(page.find("name='Source0'"), std::string::npos) << page.substr(0, 300);
        before = folder->read(kIni);
        // The main keys, the display options and the rows change together.
        const std::string post = request("POST", zephra::testing::FormPost(page, "Save",
                                                                           {{"PushDelay", "9"},
                                                                            {"FontColor", "teal"},
                                                                            {"Source0", "acme.s6"},
                                                                            {"Class0", "T.R"},
                                                                            {"FilterTag0", "Tag 6"},
                                                                            {"FilterTag2", "Tag_2b"}},
                                                                           {"ShowReceiveDetail"}));
        s = connectTo(serverPort_);
        ASSERT_GE(s, 0);
        const auto sent = std::chrono::steady_clock::now();
        send(s, post.data(), post.size(), MSG_NOSIGNAL);
        if (round == 0) {
            // The first round saves undisturbed: the new file.
            const std::string answer = readAll(s);
            longest = std::max<long>(
                longest,
                std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - sent).count());
            ASSERT_NE(answer.find("value='acme.s6'"), std::string::npos) << "the new row is shown";
            saved = folder->read(kIni);
            ASSERT_NE(saved, before);
            ASSERT_EQ(rowsOf(saved, "Received"), 6u) << saved;
            continue;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % (longest * 3 / 2)));
        ::kill(host.pid(), SIGKILL);
        close(s);
        host.waitExit();
        const std::string after = folder->read(kIni);
        const bool isNew = after == saved || after == withoutHouseCode(saved);
        EXPECT_TRUE(after == before || isNew) << after;
        EXPECT_GE(rowsOf(after, "Received"), 5u);
        oldOnes += after == before;
        newOnes += isNew;
    }
    std::cout << "kills that left the old file: " << oldOnes << ", the new one: " << newOnes << " (a save took "
              << longest << " us)" << std::endl;
}

}  // namespace
}  // namespace host_e2e
