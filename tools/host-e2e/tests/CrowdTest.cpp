// zephra-host's two web servers beside crowds that a careless or hostile client on the LAN makes:
// clients that ask for a large file and never read it, clients that close their sending side after
// a request line, and thousands of clients that connect and send nothing. Each crowd member
// reconnects 0.2 s after the server closes it; a normal client beside the crowd has every request
// answered whole, 95 of 100 within a second.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <iostream>
#include <thread>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

// The sanitizer build's servers run several times slower: a normal client's wait is held to a
// bound as many times wider there.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kSlower = 5;
#else
constexpr long kSlower = 1;
#endif

using namespace std::chrono_literals;
using simkit::testing::ChildProcess;
using Clock = std::chrono::steady_clock;

// A crowd on a thread of its own, every member on a non-blocking socket.
class Crowd {
public:
    enum Kind {
        NonReader,   // sends its request and never reads the answer
        HalfCloser,  // sends its request, shuts its sending side, reads the answer
        Silent,      // sends nothing
    };

    Crowd(int port, Kind kind, int size, std::string request)
        : port_(port), kind_(kind), request_(std::move(request)), members_(static_cast<std::size_t>(size)) {
        thread_ = std::thread([this] { run(); });
    }
    ~Crowd() {
        stop_ = true;
        thread_.join();
        for (Member& m : members_)
            if (m.fd >= 0) close(m.fd);
    }
    // Connections made so far, reconnections included, and closes the server made.
    int connections() const { return connections_; }
    int closes() const { return closes_; }

private:
    struct Member {
        int fd = -1;
        bool sent = false;
        Clock::time_point again{};
    };

    void connect(Member& m) {
        m.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        m.sent = false;
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(port_));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(m.fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
        ++connections_;
    }

    void closed(Member& m, Clock::time_point now) {
        close(m.fd);
        m.fd = -1;
        m.again = now + 200ms;
        ++closes_;
    }

    void run() {
        std::vector<pollfd> polled;
        std::vector<std::size_t> owners;
        while (!stop_) {
            const auto now = Clock::now();
            polled.clear();
            owners.clear();
            for (std::size_t i = 0; i < members_.size(); ++i) {
                Member& m = members_[i];
                if (m.fd < 0 && now >= m.again) connect(m);
                if (m.fd < 0) continue;
                short events = POLLRDHUP;
                if (kind_ != NonReader) events |= POLLIN;
                if (kind_ != Silent && !m.sent) events |= POLLOUT;
                polled.push_back({m.fd, events, 0});
                owners.push_back(i);
            }
            if (poll(polled.data(), polled.size(), 10) < 0) continue;
            const auto at = Clock::now();
            for (std::size_t k = 0; k < polled.size(); ++k) {
                Member& m = members_[owners[k]];
                const short ready = polled[k].revents;
                if ((ready & POLLOUT) && !m.sent) {
                    if (send(m.fd, request_.data(), request_.size(), MSG_NOSIGNAL) ==
                        static_cast<ssize_t>(request_.size())) {
                        m.sent = true;
                        if (kind_ == HalfCloser) shutdown(m.fd, SHUT_WR);
                    }
                }
                if (kind_ == NonReader) {
                    if (ready & (POLLHUP | POLLERR | POLLRDHUP)) closed(m, at);
                    continue;
                }
                if (!(ready & (POLLIN | POLLHUP | POLLERR | POLLRDHUP))) continue;
                char buffer[8192];
                ssize_t n;
                while ((n = recv(m.fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) {}
                if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) closed(m, at);
            }
        }
    }

    int port_;
    Kind kind_;
    std::string request_;
    std::vector<Member> members_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> closes_{0};
    std::thread thread_;
};

struct Answers {
    int asked = 0;
    int whole = 0;
    std::vector<long> ms;
    std::string wrong;  // the start of an answer that was not whole, if any

    // The time below which `percent` of 100 answers came.
    long percentile(int percent) const {
        std::vector<long> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? -1 : sorted[(sorted.size() * percent + 99) / 100 - 1];
    }
    long percentile95() const { return percentile(95); }
    int withinASecond() const {
        return static_cast<int>(std::count_if(ms.begin(), ms.end(), [](long t) { return t <= 1000; }));
    }
};

// `count` requests one after the other, each on a connection of its own; an answer is whole when
// it starts with `status` and ends with `ending`, however long it took (up to 20 s).
Answers askInTurn(int port, const std::string& request, const std::string& status, const std::string& ending,
                  int count) {
    Answers answers;
    for (int i = 0; i < count; ++i) {
        const auto began = Clock::now();
        const std::string answer = answerTo(port, request, kWait);
        answers.ms.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began).count());
        ++answers.asked;
        if (answer.starts_with(status) && answer.ends_with(ending)) ++answers.whole;
        else answers.wrong = answer.substr(0, 200);
        std::this_thread::sleep_for(100ms);
    }
    return answers;
}

// Waits until the crowd has made `connections` and then `settle` more, for it to take hold.
void letCrowdGather(const Crowd& crowd, int connections, std::chrono::milliseconds settle) {
    const auto until = Clock::now() + 20s;
    while (crowd.connections() < connections && Clock::now() < until) std::this_thread::sleep_for(50ms);
    std::this_thread::sleep_for(settle);
}

constexpr int kRequests = 20;
const std::string kPage = "kept by the host";
const std::string kPluginPage = "<html>beside the crowd</html>";
// 10 KB that no block of it repeats: a block lost or sent twice shows.
const std::string kPicture = [] {
    std::string bytes;
    for (int i = 0; bytes.size() < 10240; ++i) bytes += std::to_string(i) + ",";
    return bytes.substr(0, 10240);
}();

class Crowds : public ::testing::Test {
protected:
    Crowds() {
        folder_.write("HTML/notes.txt", kPage);
        folder_.write("HTML/notes.htm", kPluginPage);
        folder_.write("HTML/big.wav", std::string(10 * 1024 * 1024, 'w'));
        folder_.write("HTML/file10k.jpg", kPicture);
    }
    ~Crowds() override { std::filesystem::remove(simLog_); }

    void startHost() {
        host_.emplace(ZEPHRA_HOST_PROGRAM, folder_.args());
        ASSERT_TRUE(host_->waitForLine("zephra-host: dkvZephra ready"));
        ASSERT_TRUE(accepts(folder_.webPort()));
        ASSERT_TRUE(accepts(pluginPort_));
    }

    // The host's server, asked for a small file.
    Answers askHost() {
        return askInTurn(folder_.webPort(), "GET /notes.txt HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", "HTTP/1.1 200 OK\r\n",
                         "\r\n\r\n" + kPage, kRequests);
    }
    // The plug-in's server, asked for a page of the HTML folder.
    Answers askPlugin(int count = kRequests) {
        return askInTurn(pluginPort_, "GET /notes.htm HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", "HTTP/1.",
                         "\r\n\r\n" + kPluginPage, count);
    }

    // The plug-in's server, asked for a picture it streams in blocks.
    Answers askPluginStreamed(int count = kRequests) {
        return askInTurn(pluginPort_, "GET /file10k.jpg HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", "HTTP/1.1 200 OK\r\n",
                         "\r\n\r\n" + kPicture, count);
    }

    static void report(const std::string& what, const Crowd& crowd, const Answers& answers) {
        std::cout << what << " (" << crowd.connections() << " connections, " << crowd.closes()
                  << " closed by the server): normal client " << answers.whole << " of " << answers.asked
                  << " answered whole, " << answers.withinASecond() << " within 1 s, 95th percentile "
                  << answers.percentile95() << " ms\n";
    }
    static void expectServed(const Answers& answers, int count = kRequests) {
        EXPECT_EQ(answers.asked, count);
        EXPECT_EQ(answers.whole, answers.asked) << answers.wrong;
        // Most answers within a second, and no long stall: on a machine busy with other work a few
        // answers wait for a processor whatever the server does (the crowds held it up for seconds each).
        EXPECT_LE(answers.percentile(75), 1000 * kSlower) << ::testing::PrintToString(answers.ms);
        EXPECT_LE(answers.percentile95(), 3000 * kSlower) << ::testing::PrintToString(answers.ms);
    }

    std::filesystem::path simLog_ =
        std::filesystem::temp_directory_path() / ("host-e2e-crowd-" + std::to_string(getpid()) + ".log");
    Appliances appliances_{simLog_};
    simkit::testing::ReservedPort reserved_;
    int pluginPort_ = reserved_.port();
    HostFolder folder_{appliances_, {"Kitchen"}, {"ServerPort=" + std::to_string(pluginPort_)}};
    std::optional<ChildProcess> host_;
};

const std::string kBigFile = "GET /big.wav HTTP/1.0\r\n\r\n";

// Clients that ask the host's server for a 10 MB file and never read it hold no place: 64 of
// them (as many as its places), then 200.
TEST_F(Crowds, ClientsThatNeverReadALargeFileDoNotShutTheHostsServer) {
    startHost();
    for (int size : {64, 200}) {
        Crowd crowd(folder_.webPort(), Crowd::NonReader, size, kBigFile);
        letCrowdGather(crowd, size, 2s);
        const Answers answers = askHost();
        report("host's server beside " + std::to_string(size) + " clients that never read a 10 MB file", crowd,
               answers);
        expectServed(answers);
    }
}

// Fifty clients that never read a .wav answer hold the plug-in's 50 slots: a normal client still
// gets its page at once.
TEST_F(Crowds, ClientsThatNeverReadAWavAnswerDoNotShutThePluginsServer) {
    startHost();
    Crowd crowd(pluginPort_, Crowd::NonReader, 50, kBigFile);
    letCrowdGather(crowd, 50, 2500ms);
    const Answers answers = askPlugin();
    report("plug-in's server beside 50 clients that never read a 10 MB .wav", crowd, answers);
    expectServed(answers);
    // Not one request waits while a stalled reader holds its slot through three 5 s block time-outs.
    EXPECT_LT(*std::max_element(answers.ms.begin(), answers.ms.end()), 10000) << ::testing::PrintToString(answers.ms);
}

// More clients that never read a .wav answer than the plug-in has slots, 64 and then 200, each
// reconnecting once cut off: a stalled answer leaves its slot, so the crowd beyond the slots does
// not keep cycling through them ahead of a normal client.
TEST_F(Crowds, MoreClientsThatNeverReadAWavAnswerThanSlotsDoNotDelayThePluginsServer) {
    startHost();
    for (int size : {64, 200}) {
        Crowd crowd(pluginPort_, Crowd::NonReader, size, kBigFile);
        letCrowdGather(crowd, size, 2500ms);
        const Answers answers = askPlugin();
        report("plug-in's server beside " + std::to_string(size) + " clients that never read a 10 MB .wav", crowd,
               answers);
        expectServed(answers);
        // A streamed file (ten blocks) beside them comes whole: its own stream may leave its slot too.
        const Answers streamed = askPluginStreamed();
        report("plug-in's server, a streamed file, beside " + std::to_string(size) +
                   " clients that never read a 10 MB .wav",
               crowd, streamed);
        expectServed(streamed);
    }
}

// Two hundred clients that send a request line, close their sending side and reconnect after each
// answer (a 400): no normal request beside them is dropped. A drop was a matter of chance (a
// request lost when its connection was taken for a silent one), hence more requests here.
TEST_F(Crowds, ClientsThatHalfCloseDropNoNormalRequestOfThePluginsServer) {
    startHost();
    Crowd crowd(pluginPort_, Crowd::HalfCloser, 200, "GET /notes.htm HTTP/1.0\r\n");
    letCrowdGather(crowd, 400, 1s);
    const Answers answers = askPlugin(60);
    report("plug-in's server beside 200 clients that half-close after a request line", crowd, answers);
    expectServed(answers, 60);
    EXPECT_GE(crowd.closes(), 200);
}

// Three thousand clients that connect, send nothing and reconnect once closed: both servers take
// a request that comes at once.
TEST_F(Crowds, ThreeThousandSilentClientsDoNotDelayEitherServer) {
    if (!raiseOpenFileLimit(8192)) GTEST_SKIP() << "the open file limit cannot be raised to 8192";
    startHost();
    {
        Crowd crowd(pluginPort_, Crowd::Silent, 3000, "");
        letCrowdGather(crowd, 4000, 1s);
        const Answers answers = askPlugin();
        report("plug-in's server beside 3,000 silent clients", crowd, answers);
        expectServed(answers);
    }
    {
        Crowd crowd(folder_.webPort(), Crowd::Silent, 3000, "");
        letCrowdGather(crowd, 4000, 1s);
        const Answers answers = askHost();
        report("host's server beside 3,000 silent clients", crowd, answers);
        expectServed(answers);
    }
}

}  // namespace
}  // namespace host_e2e
