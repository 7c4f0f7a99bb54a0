// zephra-host's two web servers beside clients that send slowly or not at all, each reconnecting
// when dropped: a normal client still gets its answers at once.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <iostream>
#include <thread>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using namespace std::chrono_literals;
using simkit::testing::ChildProcess;
using Clock = std::chrono::steady_clock;

// Senders on their own thread, each on a non-blocking socket that reconnects once the server
// drops it. Once a second each sends its next byte: one of its request head, or, when it sent a
// whole head at once, one of its body.
class SlowSenders {
public:
    enum Kind { Silent, SlowHead, SlowBody };

    SlowSenders(int port, std::vector<Kind> kinds) : port_(port), senders_(kinds.size()) {
        for (std::size_t i = 0; i < kinds.size(); ++i) senders_[i].kind = kinds[i];
        thread_ = std::thread([this] { run(); });
    }
    ~SlowSenders() {
        stop_ = true;
        thread_.join();
        for (Sender& s : senders_)
            if (s.fd >= 0) close(s.fd);
    }
    // Connections made so far, reconnections included.
    int connections() const { return connections_; }
    // Rounds of one byte each so far.
    int rounds() const { return rounds_; }

private:
    struct Sender {
        Kind kind = Silent;
        int fd = -1;
        std::size_t sent = 0;
    };

    void connect(Sender& s) {
        if (s.fd >= 0) close(s.fd);
        s.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        s.sent = 0;
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(port_));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(s.fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
        ++connections_;
    }

    // True when the server has closed the connection (its answer, if any, read and dropped).
    static bool dropped(const Sender& s) {
        char buffer[4096];
        for (;;) {
            const ssize_t n = recv(s.fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) continue;
            return n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOTCONN);
        }
    }

    void step(Sender& s) {
        static const std::string head = "GET /status HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
        static const std::string postHead =
            "POST /status HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
            "Content-Length: 100000\r\n\r\n";
        if (s.fd < 0 || dropped(s)) connect(s);
        if (s.kind == Silent) return;
        std::string next;
        if (s.kind == SlowBody && s.sent == 0) next = postHead;
        else if (s.kind == SlowHead) next = std::string(1, s.sent < head.size() ? head[s.sent] : 'x');
        else next = "a";
        // Until the connection is made a send fails; the byte goes in a later round.
        if (send(s.fd, next.data(), next.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(next.size())) s.sent += 1;
    }

    // The senders are spread over the second, a tenth of them every 100 ms.
    void run() {
        while (!stop_) {
            for (int tenth = 0; tenth < 10 && !stop_; ++tenth) {
                for (std::size_t i = static_cast<std::size_t>(tenth); i < senders_.size(); i += 10) step(senders_[i]);
                std::this_thread::sleep_for(100ms);
            }
            ++rounds_;
        }
    }

    int port_;
    std::vector<Sender> senders_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> rounds_{0};
    std::thread thread_;
};

struct Answers {
    int asked = 0;
    int inTime = 0;  // whole answers within a second
    long slowestMs = 0;
    std::string wrong;  // the start of an answer that was not whole, if any
};

// `count` requests one after the other, each on a connection of its own, within `budget` in all;
// an answer counts when it is whole (starts with `status`, ends with `ending`) within a second.
Answers askInTurn(int port, const std::string& request, const std::string& status, const std::string& ending, int count,
                  std::chrono::seconds budget) {
    Answers answers;
    const auto until = Clock::now() + budget;
    for (int i = 0; i < count && Clock::now() < until; ++i) {
        const auto began = Clock::now();
        const std::string answer = answerTo(port, request, 2s);
        const long ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began).count();
        ++answers.asked;
        answers.slowestMs = std::max(answers.slowestMs, ms);
        const bool whole = answer.starts_with(status) && answer.ends_with(ending);
        if (!whole)
            answers.wrong = answer.substr(0, 200) + " ... " +
                            answer.substr(answer.size() - std::min<std::size_t>(answer.size(), 100));
        answers.inTime += ms <= 1000 && whole;
        std::this_thread::sleep_for(200ms);
    }
    return answers;
}

std::vector<SlowSenders::Kind> kinds(std::initializer_list<std::pair<SlowSenders::Kind, int>> counts) {
    std::vector<SlowSenders::Kind> all;
    for (auto [kind, count] : counts) all.insert(all.end(), static_cast<std::size_t>(count), kind);
    return all;
}

class SlowClients : public ::testing::Test {
protected:
    SlowClients() { raiseOpenFileLimit(2048); }
    ~SlowClients() override { std::filesystem::remove(simLog_); }

    std::filesystem::path simLog_ =
        std::filesystem::temp_directory_path() / ("host-e2e-slow-" + std::to_string(getpid()) + ".log");
    Appliances appliances_{simLog_};
    simkit::testing::ReservedPort reserved_;
    int serverPort_ = reserved_.port();
    HostFolder folder_{appliances_, {"Kitchen"}, {"ServerPort=" + std::to_string(serverPort_)}};
};

// 200 senders of slow bodies and 200 of slow heads hold the plug-in's server (50 slots) from
// the start; a normal client asks for its status page 40 times.
TEST_F(SlowClients, SlowBodiesAndSlowHeadsDoNotKeepANormalClientFromThePluginsServer) {
    ChildProcess host(ZEPHRA_HOST_PROGRAM, folder_.args());
    ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
    ASSERT_TRUE(accepts(serverPort_));

    SlowSenders senders(serverPort_, kinds({{SlowSenders::SlowBody, 200}, {SlowSenders::SlowHead, 200}}));
    const auto until = Clock::now() + 20s;
    while ((senders.rounds() < 3 || senders.connections() < 400) && Clock::now() < until)
        std::this_thread::sleep_for(50ms);
    ASSERT_GE(senders.connections(), 400);

    const Answers answers = askInTurn(serverPort_, "GET /status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
                                      "HTTP/1.0 200 OK\r\n", "</body></html>\r\n", 40, 45s);
    std::cout << "plug-in's server beside 200 slow bodies and 200 slow heads (" << senders.connections()
              << " connections): " << answers.inTime << " of " << answers.asked << " answers within 1 s, slowest "
              << answers.slowestMs << " ms\n";
    EXPECT_EQ(answers.asked, 40);
    EXPECT_GE(answers.inTime * 100, 40 * 95) << answers.wrong;
}

// 100 silent clients hold the host's own server (64 connections) from the start; a normal client
// fetches a file 40 times.
TEST_F(SlowClients, SilentClientsDoNotKeepANormalClientFromTheHostsServer) {
    folder_.write("HTML/notes.txt", "kept by the host");
    ChildProcess host(ZEPHRA_HOST_PROGRAM, folder_.args());
    ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
    ASSERT_TRUE(accepts(folder_.webPort()));

    SlowSenders senders(folder_.webPort(), kinds({{SlowSenders::Silent, 100}}));
    const auto until = Clock::now() + 20s;
    while ((senders.rounds() < 3 || senders.connections() < 100) && Clock::now() < until)
        std::this_thread::sleep_for(50ms);
    ASSERT_GE(senders.connections(), 100);

    const Answers answers = askInTurn(folder_.webPort(), "GET /notes.txt HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
                                      "HTTP/1.1 200 OK\r\n", "\r\n\r\nkept by the host", 40, 45s);
    std::cout << "host's server beside 100 silent clients (" << senders.connections()
              << " connections): " << answers.inTime << " of " << answers.asked << " answers within 1 s, slowest "
              << answers.slowestMs << " ms\n";
    EXPECT_EQ(answers.asked, 40);
    EXPECT_GE(answers.inTime * 100, 40 * 95) << answers.wrong;
}

// A head with bare LF line ends is read by the host's server as the plug-in's server reads it,
// and a text that is not HTTP is logged.
TEST_F(SlowClients, TheHostsServerReadsHeadsWithBareLineFeedsAndLogsWhatIsNotHttp) {
    folder_.write("HTML/notes.txt", "kept by the host");
    ChildProcess host(ZEPHRA_HOST_PROGRAM, folder_.args());
    ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));

    const std::string answer = answerTo(folder_.webPort(), "GET /notes.txt HTTP/1.1\nHost: 127.0.0.1\n\n");
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 OK\r\n")) << answer;
    EXPECT_TRUE(answer.ends_with("\r\n\r\nkept by the host")) << answer;
    EXPECT_TRUE(answerTo(folder_.webPort(), "GET /notes.txt HTTP/1.0\n\n").ends_with("kept by the host"));

    EXPECT_EQ(answerTo(folder_.webPort(), "not a request\n\n"), "");
    const auto until = Clock::now() + kWait;
    while (!holds(folder_.log(), "Refused request that is not HTTP") && Clock::now() < until)
        std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(holds(folder_.log(), "Web server: Refused request that is not HTTP (")) << folder_.log();
    EXPECT_TRUE(holds(folder_.log(), "): not a request")) << folder_.log();
}

}  // namespace
}  // namespace host_e2e
