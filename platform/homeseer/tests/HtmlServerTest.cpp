// The host's web server over loopback: files of the HTML folder served, escapes refused.

#include <gtest/gtest.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <mutex>
#include <thread>

#include "homeseer/AspPages.h"
#include "homeseer/HtmlServer.h"
#include "homeseer/testing/RecordingHost.h"
#include "simkit/testing/HttpGet.h"
#include "windows/testing/TempAppFolder.h"

namespace homeseer {
namespace {

namespace asio = boost::asio;
using simkit::testing::httpGet;
using windows::testing::TempAppFolder;

// Sends `request` as it is and answers everything the server sent until it closed.
std::string exchange(uint16_t port, const std::string& request) {
    asio::io_context io;
    asio::ip::tcp::socket socket(io);
    socket.connect({asio::ip::make_address("127.0.0.1"), port});
    asio::write(socket, asio::buffer(request));
    std::string answer;
    boost::system::error_code ec;
    asio::read(socket, asio::dynamic_buffer(answer), ec);
    return answer;
}

class HtmlServerTest : public ::testing::Test {
protected:
    HtmlServerTest() {
        wav_ = std::string("RIFF\x24\0\0\0WAVEfmt ", 16) + std::string(4000, '\x7f');
        app_.write("HTML/ZephraTemp/ZephraTempFile1.wav", wav_);
        app_.write("HTML/links touchscreen.htm", "<html>links</html>");
        app_.write("HTML/ZephraSlideshow.asp", "<% Response.Write 1 %>");
        app_.write("Config/settings.ini", "[Settings]\r\ngPassword=secret\r\n");
        server_ = std::make_unique<HtmlServer>(
            HtmlServer::Options{app_.path() / "HTML", "127.0.0.1", 0, [this](const std::string& line) {
                                    std::lock_guard lock(mutex_);
                                    log_.push_back(line);
                                }});
        endpoint_ = {asio::ip::make_address("127.0.0.1"), server_->port()};
    }

    TempAppFolder app_;
    std::string wav_;
    std::unique_ptr<HtmlServer> server_;
    asio::ip::tcp::endpoint endpoint_;
    std::mutex mutex_;
    std::vector<std::string> log_;
};

TEST_F(HtmlServerTest, ServesTheFilesOfTheHtmlFolderFoundWithoutRegardToCase) {
    auto wav = httpGet(endpoint_, "/ZephraTemp/ZephraTempFile1.wav");
    EXPECT_EQ(wav.status, 200u);
    EXPECT_EQ(wav.body, wav_);
    auto lower = httpGet(endpoint_, "/zephratemp/ZEPHRATEMPFILE1.WAV?x=1");
    EXPECT_EQ(lower.status, 200u);
    EXPECT_EQ(lower.body.size(), wav_.size());
    auto page = httpGet(endpoint_, "/links%20touchscreen.htm");
    EXPECT_EQ(page.body, "<html>links</html>");

    std::string head = exchange(server_->port(), "HEAD /ZephraTemp/ZephraTempFile1.wav HTTP/1.0\r\n\r\n");
    EXPECT_EQ(head.substr(0, 17), "HTTP/1.0 200 OK\r\n");
    EXPECT_NE(head.find("Content-Type: audio/wav\r\n"), std::string::npos);
    EXPECT_NE(head.find("Content-Length: " + std::to_string(wav_.size()) + "\r\n"), std::string::npos);
    EXPECT_EQ(head.substr(head.size() - 4), "\r\n\r\n");  // no body
}

TEST_F(HtmlServerTest, PathsOutOfTheFolderFoldersPagesAndMissingFilesAreRefused) {
    for (const char* target :
         {"/../Config/settings.ini", "/ZephraTemp/../../Config/settings.ini", "/%2e%2e/Config/settings.ini",
          "/ZephraTemp", "/", "/nothing.wav", "/ZephraTemp/ZephraTempFile1.wav/x"})
        EXPECT_EQ(httpGet(endpoint_, target).status, 404u) << target;
    for (const char* target :
         {"/..%5cConfig%5csettings.ini", "/a%00b", "/bad%zz", "/ZephraTemp%5cZephraTempFile1.wav"}) {
        auto answer = httpGet(endpoint_, target);
        EXPECT_TRUE(answer.status == 400u || answer.status == 404u) << target;
        EXPECT_EQ(answer.body.find("secret"), std::string::npos);
    }
    std::filesystem::create_symlink(app_.path() / "Config", app_.path() / "HTML" / "outside");
    EXPECT_EQ(httpGet(endpoint_, "/outside/settings.ini").status, 404u);

    EXPECT_EQ(httpGet(endpoint_, "/zephraslideshow.asp").status, 501u);
    EXPECT_EQ(
        exchange(server_->port(), "POST /links%20touchscreen.htm HTTP/1.0\r\nContent-Length: 0\r\n\r\n").substr(0, 12),
        "HTTP/1.0 405");
    EXPECT_EQ(exchange(server_->port(), "GET /" + std::string(9000, 'a') + " HTTP/1.0\r\n\r\n").substr(0, 12),
              "HTTP/1.1 400");
    EXPECT_EQ(exchange(server_->port(), "garbage\r\n\r\n"), "");  // not HTTP: closed without an answer
    EXPECT_EQ(httpGet(endpoint_, "/ZephraTemp/ZephraTempFile1.wav").status, 200u);  // still serving

    std::lock_guard lock(mutex_);
    EXPECT_NE(std::find(log_.begin(), log_.end(), "Pages are not run by this host: /zephraslideshow.asp"), log_.end());
}

// With a page runner, the folder's .asp pages are run: the page sees the request (its address,
// header fields and query) and the host, and answers its text; a redirect answers 302, HEAD the
// head alone, and a page whose script fails 500, the failure logged with the error.
TEST(HtmlServerPages, AspPagesOfTheFolderAreRunWithTheRequestAndTheHost) {
    TempAppFolder app;
    app.write("HTML/Pages/ask.asp",
              "<% hs.WriteLog \"page\", Request.ServerVariables(\"http_user_agent\") %>\r\n"
              "<p><%= Request.ServerVariables(\"REMOTE_ADDR\") %>|<%= Request.QueryString(\"x\") %>|"
              "<%= Request.QueryString.item(\"y\") %>|<%= Request.ServerVariables(\"PATH_INFO\") %>|"
              "<%= Request.Form(\"x\") %></p>\r\n");
    app.write("HTML/away.asp", "<% Response.Redirect \"/other.htm\" %>");
    app.write("HTML/fails.asp", "<p>\r\n<% Err.Raise 5 %>\r\n</p>");
    auto hs = std::make_shared<RecordingHost>();
    std::mutex mutex;
    std::vector<std::string> log;
    AspPages pages(hs, [&](const std::string& line) {
        std::lock_guard lock(mutex);
        log.push_back(line);
    });
    // Run where they are asked, on the server's thread: the host is this test's alone.
    HtmlServer server({app.path() / "HTML", "127.0.0.1", 0, {}},
                      [&](PageRequest request, std::function<void(PageAnswer)> done) { done(pages.Run(request)); });

    const std::string asked =
        exchange(server.port(), "GET /pages/ASK.asp?x=a%20b&y=c+d HTTP/1.0\r\nUser-Agent: Probe/2\r\n\r\n");
    EXPECT_EQ(asked.substr(0, 17), "HTTP/1.0 200 OK\r\n") << asked;
    EXPECT_NE(asked.find("Content-Type: text/html\r\n"), std::string::npos) << asked;
    EXPECT_TRUE(asked.ends_with("\r\n\r\n<p>127.0.0.1|a b|c d|/pages/ASK.asp|</p>")) << asked;
    ASSERT_EQ(hs->Log().size(), 1u);
    EXPECT_EQ(hs->Log()[0].source, "page");
    EXPECT_EQ(hs->Log()[0].text, "Probe/2");

    const std::string head = exchange(server.port(), "HEAD /pages/ask.asp?x=1 HTTP/1.0\r\n\r\n");
    EXPECT_EQ(head.substr(0, 17), "HTTP/1.0 200 OK\r\n") << head;
    EXPECT_NE(head.find("Content-Length: 35\r\n"), std::string::npos) << head;  // "<p>127.0.0.1|1||/pages/ask.asp|</p>"
    EXPECT_TRUE(head.ends_with("\r\n\r\n")) << head;

    const std::string away = exchange(server.port(), "GET /away.asp HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(away.substr(0, 13), "HTTP/1.1 302 ") << away;
    EXPECT_NE(away.find("Location: /other.htm\r\n"), std::string::npos) << away;

    EXPECT_EQ(httpGet({asio::ip::make_address("127.0.0.1"), server.port()}, "/fails.asp").status, 500u);
    EXPECT_EQ(httpGet({asio::ip::make_address("127.0.0.1"), server.port()}, "/none.asp").status, 404u);
    std::lock_guard lock(mutex);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].starts_with("Page /fails.asp failed: Error 5: Invalid procedure call or argument (line "))
        << log[0];
}

// A flood of requests that are not HTTP is logged five lines a minute, the last saying so; the
// server goes on serving.
TEST_F(HtmlServerTest, RefusalsAreLoggedAtABoundedRate) {
    for (int i = 0; i < 12; ++i) EXPECT_EQ(exchange(server_->port(), "garbage " + std::to_string(i) + "\r\n\r\n"), "");
    EXPECT_EQ(httpGet(endpoint_, "/ZephraTemp/ZephraTempFile1.wav").status, 200u);
    std::lock_guard lock(mutex_);
    std::vector<std::string> refused;
    for (const std::string& line : log_)
        if (line.starts_with("Refused request that is not HTTP")) refused.push_back(line);
    ASSERT_EQ(refused.size(), 5u) << testing::PrintToString(log_);
    EXPECT_TRUE(refused[0].ends_with("): garbage 0")) << refused[0];
    EXPECT_TRUE(refused[4].ends_with("): garbage 4; more within a minute are only counted")) << refused[4];
}

// Two thousand clients connect at once, each sends its request as soon as it is connected and
// reads until the server closes; those beyond the connections served at once wait their turn.
// Then the same burst from a busy client machine, whose requests all come 0.3 s after it connected:
// none of those connections is taken for a silent one.
TEST_F(HtmlServerTest, TwoThousandClientsAtOnceAreAllAnswered) {
    constexpr int kClients = 2000;
    const std::string request = "GET /ZephraTemp/ZephraTempFile1.wav HTTP/1.0\r\n\r\n";
    struct Peer {
        int fd = -1;
        bool sent = false;
        bool done = false;
        std::string received;
    };
    for (const auto sendAfter : {std::chrono::milliseconds(0), std::chrono::milliseconds(300)}) {
        std::vector<Peer> peers(kClients);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(server_->port());
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (Peer& peer : peers) {
            peer.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ASSERT_GE(peer.fd, 0);
            const int rc = ::connect(peer.fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
            ASSERT_TRUE(rc == 0 || errno == EINPROGRESS);
        }
        std::this_thread::sleep_for(sendAfter);
        int open = kClients;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        std::vector<pollfd> watched;
        std::vector<Peer*> of;
        while (open > 0 && std::chrono::steady_clock::now() < until) {
            watched.clear();
            of.clear();
            for (Peer& peer : peers) {
                if (peer.done) continue;
                watched.push_back({peer.fd, static_cast<short>(peer.sent ? POLLIN : POLLOUT), 0});
                of.push_back(&peer);
            }
            if (::poll(watched.data(), watched.size(), 100) <= 0) continue;
            for (std::size_t i = 0; i < watched.size(); ++i) {
                Peer& peer = *of[i];
                if (!watched[i].revents) continue;
                if (!peer.sent) {
                    peer.sent = true;
                    if (::send(peer.fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                        static_cast<ssize_t>(request.size()))
                        continue;
                } else {
                    char chunk[8192];
                    const ssize_t n = ::recv(peer.fd, chunk, sizeof chunk, 0);
                    if (n > 0) {
                        peer.received.append(chunk, static_cast<std::size_t>(n));
                        continue;
                    }
                    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
                }
                peer.done = true;
                ::close(peer.fd);
                --open;
            }
        }
        int answered = 0, empty = 0;
        for (Peer& peer : peers) {
            if (!peer.done) ::close(peer.fd);
            answered += peer.received.starts_with("HTTP/1.0 200 OK\r\n") && peer.received.ends_with("\r\n\r\n" + wav_);
            empty += peer.done && peer.received.empty();
        }
        std::cout << "host web server, " << kClients << " clients at once, sending after " << sendAfter.count()
                  << " ms: " << answered << " answered, " << empty << " closed without an answer, " << open
                  << " still waiting\n";
        EXPECT_EQ(answered, kClients);
        EXPECT_EQ(empty, 0);
    }
    EXPECT_EQ(httpGet(endpoint_, "/ZephraTemp/ZephraTempFile1.wav").status, 200u);
}

// Three hundred clients that connect, send nothing and connect again 0.2 s after each close,
// beside a normal client: each of its requests is answered, 95 of 100 within a second.
TEST_F(HtmlServerTest, ACrowdOfSilentClientsDoesNotKeepANormalClientAway) {
    constexpr int kCrowd = 300;
    constexpr int kRequests = 20;
    std::atomic<bool> stop{false};
    std::atomic<int> connects{0};
    std::thread crowd([&] {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(server_->port());
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::vector<int> fds(kCrowd, -1);
        std::vector<std::chrono::steady_clock::time_point> again(kCrowd);
        while (!stop) {
            const auto now = std::chrono::steady_clock::now();
            for (int i = 0; i < kCrowd; ++i) {
                if (fds[i] >= 0) {
                    char byte;
                    const ssize_t n = ::recv(fds[i], &byte, 1, MSG_DONTWAIT);
                    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) continue;
                    ::close(fds[i]);  // closed (or answered) by the server
                    fds[i] = -1;
                    again[i] = now + std::chrono::milliseconds(200);
                }
                if (now < again[i]) continue;
                fds[i] = ::socket(AF_INET, SOCK_STREAM, 0);
                if (::connect(fds[i], reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) ++connects;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        for (int fd : fds)
            if (fd >= 0) ::close(fd);
    });
    while (connects < kCrowd) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    std::vector<long> times;
    int whole = 0;
    for (int r = 0; r < kRequests; ++r) {
        const auto began = std::chrono::steady_clock::now();
        auto wav = httpGet(endpoint_, "/ZephraTemp/ZephraTempFile1.wav");
        whole += wav.status == 200u && wav.body == wav_;
        times.push_back(static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began).count()));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    stop = true;
    crowd.join();
    std::vector<long> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const long p95 = sorted[(sorted.size() * 95 + 99) / 100 - 1];
    std::cout << "host web server beside a silent crowd of " << kCrowd << " (" << connects
              << " connections): normal client " << whole << " of " << kRequests << " answered, 95th percentile " << p95
              << " ms\n";
    EXPECT_EQ(whole, kRequests);
    EXPECT_LE(p95, 1000) << ::testing::PrintToString(times);
}

TEST(HtmlServer, AnAddressInUseFailsClearly) {
    TempAppFolder app;
    HtmlServer first({app.path(), "127.0.0.1", 0, nullptr});
    EXPECT_THROW(HtmlServer({app.path(), "127.0.0.1", first.port(), nullptr}), std::runtime_error);
    EXPECT_THROW(HtmlServer({app.path(), "not an address", 0, nullptr}), std::runtime_error);
}

}  // namespace
}  // namespace homeseer
