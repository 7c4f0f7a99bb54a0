// The server window over loopback on the manual clock: loading, client slots, the queue, the
// bounds on requests, and streams that do not hold up other clients.

#include "web/TCPServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <iostream>
#include <memory>
#include <thread>

#include "web/tests/ServerTestBed.h"

namespace zephra {
namespace {

using testing::ServerBed;
using testing::WebClient;
using namespace std::chrono_literals;

constexpr const char* kGetPage = "GET /x.htm HTTP/1.1\r\nHost: h\r\nConnection: keep-alive\r\n\r\n";

TEST(TCPServer, TheSettingsReaderLoadsTheWindowOnceWhenItsPortIsNumeric) {
    ServerBed s;
    ASSERT_TRUE(s.bed.state.Part<TCPServerPart>().Window);
    TCPServer& server = s.Server();
    EXPECT_TRUE(server.Loaded());
    EXPECT_EQ(server.Caption, "Server");
    EXPECT_EQ(server.Socket(0).State(), forms::sckListening);
    EXPECT_EQ(server.Socket(0).LocalPort, s.port);
    EXPECT_EQ(server.HighestSlot(), 5);
    EXPECT_FALSE(server.ServerTimer.Enabled());
    EXPECT_TRUE(std::filesystem::is_directory(s.bed.app.path() / "Data" / "dkvZephra"));

    // A second reading keeps the window as it is.
    InitZephraUtilities(s.bed.state);
    EXPECT_EQ(&s.Server(), &server);

    // An empty or non-numeric port, or the host's server chosen: no window, no port.
    for (const char* settings : {"ServerPort=web", "ServerPort=", "TCPServerOption=1\r\nServerPort=8123"}) {
        testing::PluginTestBed other;
        other.host->SetIniText("dkvZephraUtilities.ini", std::string("[Zephra Utilities]\r\n") + settings + "\r\n");
        InitZephraUtilities(other.state);
        EXPECT_FALSE(other.state.Part<TCPServerPart>().Window) << settings;
    }
}

// A debug switch that is no boolean takes its default and the window is loaded all the same; a
// port that cannot be listened on is named with its setting.
TEST(TCPServer, ABadDebugSwitchStopsNothingAndAPortThatCannotBeListenedOnIsNamed) {
    testing::PluginTestBed bed;
    bed.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\r\nServerPort=99999\r\nTCPDebug=abc\r\n");
    InitZephraUtilities(bed.state);
    ASSERT_TRUE(bed.state.Part<TCPServerPart>().Window);
    EXPECT_FALSE(bed.state.settings.TCPDebug);
    const std::vector<std::string> log = bed.Log();
    EXPECT_NE(
        std::find(log.begin(), log.end(),
                  "dkvZephra|InitZephraUtilities  Line 0 Type mismatch: dkvZephraUtilities.ini [Zephra Utilities] "
                  "TCPDebug=abc, 0 is used"),
        log.end());
    const auto named = std::find_if(log.begin(), log.end(), [](const std::string& line) {
        return line.starts_with("dkvZephra|Server Form_Load  Line 0 ") &&
               line.ends_with(": dkvZephraUtilities.ini [Zephra Utilities] ServerPort=99999");
    });
    EXPECT_NE(named, log.end()) << ::testing::PrintToString(log);
}

TEST(TCPServer, SlotsAreMadeAheadAndHandedOutInRotation) {
    ServerBed s;
    TCPServer& server = s.Server();
    // One open connection: the next request makes slot 6 before it is accepted.
    WebClient first(s.port);
    ASSERT_TRUE(s.Settle([&] { return server.LastClientSlot == 1; }));
    WebClient second(s.port);
    ASSERT_TRUE(s.Settle([&] { return server.LastClientSlot == 2; }));
    EXPECT_EQ(server.HighestSlot(), 6);
    EXPECT_EQ(server.OpenConnectionCount, 2);
    first.Close();
    second.Close();
    ASSERT_TRUE(s.Settle([&] { return server.OpenConnectionCount == 0; }));

    // Closed connections: 3, 4, 5, 6, then 1 again, skipping a slot that is open.
    std::vector<int> slots;
    auto blocker = std::make_unique<WebClient>(s.port);  // takes 3
    ASSERT_TRUE(s.Settle([&] { return server.LastClientSlot == 3; }));
    for (int i = 0; i < 5; ++i) {
        const int16_t before = server.LastClientSlot;
        WebClient c(s.port);
        ASSERT_TRUE(s.Settle([&] { return server.LastClientSlot != before; }));
        slots.push_back(server.LastClientSlot);
        c.Close();
        ASSERT_TRUE(s.Settle([&] { return server.OpenConnectionCount == 1; }));
    }
    EXPECT_EQ(slots, (std::vector<int>{4, 5, 6, 1, 2}));
    EXPECT_EQ(s.DebugCount("ConnectionRequest for socket 1 RequestID="), 2u);
    EXPECT_EQ(s.DebugCount(", Sockets Defined=5, Sockets Open=1"), 1u);
    EXPECT_EQ(s.DebugCount(", Sockets Defined=6, Sockets Open=2"), 6u);
    EXPECT_EQ(s.DebugCount("ConnectionClose for socket 4, Sockets Open=1, state was 8, open count was 2"), 1u);
}

TEST(TCPServer, WithEverySlotTakenTheSlowestRequestGivesWayAndWholeRequestsKeepTheirSlots) {
    ServerBed s;
    s.bed.app.write("HTML/x.htm", "late");
    TCPServer& server = s.Server();
    constexpr const char* kPostHead = "POST /form.asp HTTP/1.0\r\nContent-Length: 4\r\n\r\n";
    std::vector<std::unique_ptr<WebClient>> clients;
    for (int i = 1; i <= 50; ++i) {
        clients.push_back(std::make_unique<WebClient>(s.port));
        ASSERT_TRUE(s.Settle([&] { return server.OpenConnectionCount == i; })) << i;
    }
    EXPECT_EQ(server.HighestSlot(), 50);
    // Client 0 sends nothing, 1 to 9 send half a head, 10 to 19 whole heads whose bodies are to
    // come, the rest whole requests (queued: they are not served while the clock stands).
    for (std::size_t i = 1; i < 10; ++i) clients[i]->Send("GET /x.htm HTTP/1.0\r\nHost: h\r\n");
    for (std::size_t i = 10; i < 20; ++i) clients[i]->Send(kPostHead);
    for (std::size_t i = 20; i < clients.size(); ++i) clients[i]->Send(kGetPage);
    ASSERT_TRUE(s.Settle([&] { return server.RequestQueue.size() == 49; }));
    EXPECT_FALSE(server.Socket(0).AcceptingPaused());

    // Newcomers get in at once, without the clock moving: the slowest to arrive give way, the
    // half-sent heads (fewest bytes) oldest first, then the heads whose bodies have not come.
    std::vector<std::unique_ptr<WebClient>> more;
    for (std::size_t n = 1; n < 20; ++n) {
        more.push_back(std::make_unique<WebClient>(s.port));
        more.back()->Send(kGetPage);
        ASSERT_TRUE(s.Settle([&] { return clients[n]->Pump(); })) << n;
        EXPECT_EQ(clients[n]->Received(), "") << n;
    }
    EXPECT_EQ(s.DebugCount("Gave way to a newcomer: socket 2, its request head unfinished after 0 ms"), 1u);
    EXPECT_EQ(s.DebugCount("Gave way to a newcomer: socket 11, its request body unfinished after 0 ms"), 1u);
    EXPECT_EQ(s.DebugCount("Gave way to a newcomer: socket "), 19u);

    // The silent one is left its first second, and whole requests keep their slots: a newcomer
    // waits in the backlog until a slot frees.
    ASSERT_TRUE(s.Settle([&] { return server.OpenConnectionCount == 50 && server.Socket(0).AcceptingPaused(); }));
    WebClient waiting(s.port);
    waiting.Send(kGetPage);
    EXPECT_FALSE(s.bed.loop.runUntil([&] { return waiting.Pump(); }, 200ms));
    EXPECT_FALSE(clients[0]->Pump());
    ASSERT_TRUE(s.WaitFor([&] { return waiting.Pump(); }));
    EXPECT_TRUE(waiting.Received().ends_with("\r\n\r\nlate"));
    for (std::size_t i = 20; i < clients.size(); ++i) {
        ASSERT_TRUE(s.WaitFor([&] { return clients[i]->Pump(); })) << i;
        EXPECT_TRUE(clients[i]->Received().ends_with("\r\n\r\nlate")) << i;
    }
    for (auto& c : more) {
        ASSERT_TRUE(s.WaitFor([&] { return c->Pump(); }));
        EXPECT_TRUE(c->Received().ends_with("\r\n\r\nlate"));
    }
    EXPECT_TRUE(s.Ask(kGetPage).ends_with("late"));
}

// One request on a blocking socket of its own; true when the page came whole.
bool AskBlocking(int port, const std::string& request, const std::string& body, int ceilingSeconds = 30) {
    const std::string received = testing::AnswerOnBlockingSocket(port, request, ceilingSeconds);
    return received.starts_with("HTTP/1.0 200 OK\r\n") && received.ends_with("\r\n\r\n" + body);
}

TEST(TCPServer, SixtyClientsAtOnceAreAnsweredAndANormalClientBesideThem) {
    ServerBed s;
    const std::string page(2000, 'p');
    s.bed.app.write("HTML/x.htm", page);
    TCPServer& server = s.Server();
    constexpr int kClients = 60;
    constexpr int kRequests = 10;
    std::atomic<int> answered{0}, normalAnswered{0}, running{kClients + 1};
    std::vector<std::thread> threads;
    for (int c = 0; c < kClients; ++c) {
        threads.emplace_back([&] {
            for (int r = 0; r < kRequests; ++r) answered += AskBlocking(s.port, kGetPage, page);
            --running;
        });
    }
    threads.emplace_back([&] {
        for (int r = 0; r < kRequests; ++r) normalAnswered += AskBlocking(s.port, kGetPage, page);
        --running;
    });
    // The loop runs in real time; its clock moves on only to serve the queue, so that no
    // connection ages while the machine is busy.
    const auto until = std::chrono::steady_clock::now() + 120s;
    while (running > 0 && std::chrono::steady_clock::now() < until) {
        s.bed.loop.runUntil([&] { return running == 0 || server.ServerTimer.Enabled(); }, 20ms);
        if (server.ServerTimer.Enabled()) s.bed.loop.advance(50ms);
    }
    for (std::thread& t : threads) t.join();
    std::cout << "flood: " << answered << " of " << kClients * kRequests << " answered; normal client "
              << normalAnswered << " of " << kRequests << "\n";
    EXPECT_GE(answered * 100, kClients * kRequests * 95);
    EXPECT_EQ(normalAnswered, kRequests);
}

// Sixty clients that send a request head a byte a second, reconnecting when dropped, beside a
// normal client that must get every answer.
TEST(TCPServer, SixtySlowSendersDoNotKeepANormalClientAway) {
    ServerBed s;
    const std::string page(500, 'n');
    s.bed.app.write("HTML/x.htm", page);
    TCPServer& server = s.Server();
    constexpr int kSlow = 60;
    constexpr int kRequests = 9;
    std::atomic<bool> stop{false};
    std::atomic<int> slowConnects{0}, normalAnswered{0};
    std::atomic<long> slowestMs{0}, totalMs{0};
    std::thread slow([&] {
        const std::string head = "GET /x.htm HTTP/1.0\r\nHost: 127.0.0.1\r\nX-Slow: ";
        std::vector<std::unique_ptr<WebClient>> senders(kSlow);
        std::vector<std::size_t> sent(kSlow, 0);
        while (!stop) {
            for (int i = 0; i < kSlow && !stop; ++i) {
                if (!senders[i] || senders[i]->Pump()) {
                    senders[i] = std::make_unique<WebClient>(s.port);
                    sent[i] = 0;
                    ++slowConnects;
                }
                senders[i]->Send(std::string(1, sent[i] < head.size() ? head[sent[i]] : 'x'));
                ++sent[i];
            }
            for (int t = 0; t < 10 && !stop; ++t) std::this_thread::sleep_for(100ms);
        }
    });
    std::atomic<bool> normalDone{false};
    std::thread normal([&] {
        // The slow senders hold the slots first.
        while (!stop && slowConnects < kSlow) std::this_thread::sleep_for(50ms);
        std::this_thread::sleep_for(1500ms);
        for (int r = 0; r < kRequests; ++r) {
            const auto began = std::chrono::steady_clock::now();
            const bool ok = AskBlocking(s.port, kGetPage, page, 10);
            const long ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began).count();
            normalAnswered += ok;
            totalMs += ms;
            if (ms > slowestMs) slowestMs = ms;
            std::this_thread::sleep_for(300ms);
        }
        normalDone = true;
    });
    const auto until = std::chrono::steady_clock::now() + 180s;
    int mostOpen = 0;
    while (!normalDone && std::chrono::steady_clock::now() < until) {
        s.bed.loop.runUntil([&] { return normalDone || server.ServerTimer.Enabled(); }, 20ms);
        if (server.ServerTimer.Enabled()) s.bed.loop.advance(50ms);
        mostOpen = std::max<int>(mostOpen, server.OpenConnectionCount);
    }
    stop = true;
    normal.join();
    slow.join();
    std::cout << "slow senders: " << kSlow << " (" << slowConnects << " connections, up to " << mostOpen
              << " slots held); normal client " << normalAnswered << " of " << kRequests << " answered, slowest "
              << slowestMs << " ms, mean " << totalMs / kRequests << " ms\n";
    EXPECT_EQ(mostOpen, TCPServer::kHighestSlot);
    EXPECT_EQ(normalAnswered, kRequests);
    EXPECT_GE(s.DebugCount("Gave way to a newcomer: socket "), 10u);
}

// A crowd of clients beside a timed normal client, on a thread of its own: each crowd member
// connects, runs `open` on its connection and, once the server has closed it, connects again
// 0.2 s later.
struct Crowd {
    Crowd(int port, int size, std::function<void(WebClient&)> open) {
        thread = std::thread([this, port, size, open = std::move(open)] {
            std::vector<std::unique_ptr<WebClient>> members(static_cast<std::size_t>(size));
            std::vector<std::chrono::steady_clock::time_point> again(members.size());
            while (!stop) {
                const auto now = std::chrono::steady_clock::now();
                for (std::size_t i = 0; i < members.size() && !stop; ++i) {
                    if (members[i] && members[i]->Pump()) {
                        answered += members[i]->Received().starts_with("HTTP/1.0 400 ");
                        members[i].reset();
                        again[i] = now + 200ms;
                    }
                    if (!members[i] && now >= again[i]) {
                        members[i] = std::make_unique<WebClient>(port);
                        open(*members[i]);
                        ++connects;
                    }
                }
                std::this_thread::sleep_for(10ms);
            }
        });
    }
    ~Crowd() {
        stop = true;
        thread.join();
    }
    std::atomic<bool> stop{false};
    std::atomic<int> connects{0}, answered{0};
    std::thread thread;
};

// Times `requests` normal requests one after another once the crowd has come, running the loop
// meanwhile, its clock moving on only to serve the queue. Answers how many came whole, and the
// time each took in ms.
std::pair<int, std::vector<long>> TimeNormalRequests(ServerBed& s, const Crowd& crowd, int crowdSize, int requests,
                                                     const std::string& page) {
    std::atomic<int> whole{0};
    std::vector<long> times;
    std::atomic<bool> done{false};
    std::thread normal([&] {
        while (crowd.connects < crowdSize) std::this_thread::sleep_for(50ms);
        std::this_thread::sleep_for(1500ms);
        for (int r = 0; r < requests; ++r) {
            const auto began = std::chrono::steady_clock::now();
            whole += AskBlocking(s.port, kGetPage, page, 20);
            times.push_back(static_cast<long>(
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began)
                    .count()));
            std::this_thread::sleep_for(100ms);
        }
        done = true;
    });
    TCPServer& server = s.Server();
    const auto until = std::chrono::steady_clock::now() + 240s;
    while (!done && std::chrono::steady_clock::now() < until) {
        s.bed.loop.runUntil([&] { return done || server.ServerTimer.Enabled(); }, 20ms);
        if (server.ServerTimer.Enabled()) s.bed.loop.advance(50ms);
    }
    normal.join();
    return {whole.load(), times};
}

// A server whose page is 300 `fill` bytes, with a crowd of `crowdSize` clients that each run
// `open`; TimeRequests times a normal client's requests beside them.
struct CrowdBed {
    CrowdBed(char fill, int crowdSize, std::function<void(WebClient&)> open) : page(300, fill), size(crowdSize) {
        s.bed.app.write("HTML/x.htm", page);
        crowd = std::make_unique<Crowd>(s.port, crowdSize, std::move(open));
    }
    std::pair<int, std::vector<long>> TimeRequests(int requests) {
        return TimeNormalRequests(s, *crowd, size, requests, page);
    }
    ServerBed s;
    const std::string page;
    const int size;
    std::unique_ptr<Crowd> crowd;  // ends before the server
};

// The time below which 95 of 100 of `times` lie.
long Percentile95(std::vector<long> times) {
    if (times.empty()) return -1;
    std::sort(times.begin(), times.end());
    return times[(times.size() * 95 + 99) / 100 - 1];
}

// Three hundred clients that connect, send nothing and connect again 0.2 s after each close: a
// normal client is answered within a second (95 of 100 requests at least), every request whole.
TEST(TCPServer, ACrowdOfSilentClientsDoesNotKeepANormalClientAway) {
    constexpr int kCrowd = 300;
    constexpr int kRequests = 20;
    CrowdBed c('q', kCrowd, [](WebClient&) {});
    auto [whole, times] = c.TimeRequests(kRequests);
    std::cout << "silent crowd of " << kCrowd << " (" << c.crowd->connects << " connections, "
              << c.s.Server().Socket(0).HeldCount() << " held at the end): normal client " << whole << " of "
              << kRequests << " answered, 95th percentile " << Percentile95(times) << " ms\n";
    EXPECT_EQ(whole, kRequests);
    EXPECT_LE(Percentile95(times), 1000) << ::testing::PrintToString(times);
    EXPECT_GE(c.s.DebugCount("Held again, having sent nothing, for a request that waits: socket "), 1u);
}

// A hundred clients that send a request line, close their sending side and connect again (each
// answered 400): no normal request beside them is dropped.
TEST(TCPServer, ClientsThatCloseTheirSideAfterARequestLineDropNoNormalRequest) {
    constexpr int kCrowd = 100;
    constexpr int kRequests = 19;
    CrowdBed c('h', kCrowd, [](WebClient& member) {
        member.Send("GET /x.htm HTTP/1.0\r\n");
        member.CloseSending();
    });
    auto [whole, times] = c.TimeRequests(kRequests);
    std::cout << "half-closing crowd of " << kCrowd << " (" << c.crowd->connects << " connections, "
              << c.crowd->answered << " answered 400): normal client " << whole << " of " << kRequests << " answered\n";
    EXPECT_EQ(whole, kRequests) << ::testing::PrintToString(times);
    EXPECT_GE(c.crowd->answered, kCrowd);
}

TEST(TCPServer, EachPacketIsOneQueueEntryAndAClientThatClosesItsSideIsStillAnswered) {
    ServerBed s;
    s.bed.app.write("HTML/a.htm", "half");
    TCPServer& server = s.Server();
    WebClient c(s.port);
    ASSERT_TRUE(s.Settle([&] { return server.LastClientSlot == 1; }));
    c.Send("GET /a");
    ASSERT_TRUE(s.Settle([&] { return server.RequestQueue.size() == 1; }));
    c.Send(".htm HTTP/1.0\r\n\r\n");
    ASSERT_TRUE(s.Settle([&] { return server.RequestQueue.size() == 2; }));
    EXPECT_EQ(server.RequestQueue[0].Entry(), "1~GET /a");
    EXPECT_EQ(server.RequestQueue[1].Entry(), "1~.htm HTTP/1.0\r\n\r\n");
    EXPECT_TRUE(server.ServerTimer.Enabled());
    EXPECT_EQ(server.ServerTimer.Interval(), 50);
    EXPECT_EQ(s.DebugCount("Pushing Index 2 for socket 1"), 1u);
    c.CloseSending();
    ASSERT_TRUE(s.Settle([&] { return s.DebugCount("Client closed its side") == 1; }));
    EXPECT_EQ(server.RequestQueue.size(), 2u);
    ASSERT_TRUE(s.WaitFor([&] { return c.Pump(); }));
    EXPECT_TRUE(c.Received().starts_with("HTTP/1.0 200 OK\r\n"));
    EXPECT_TRUE(c.Received().ends_with("\r\n\r\nhalf"));
    ASSERT_TRUE(s.WaitFor([&] { return server.RequestQueue.empty() && !server.ServerTimer.Enabled(); }));
    EXPECT_EQ(server.SlotState(1), forms::sckClosed);

    // A request cut short by the close gets an error, and one that closes at once goes unanswered.
    WebClient cut(s.port);
    cut.Send("GET /a.htm HTTP/1.0\r\nHost: h");
    cut.CloseSending();
    ASSERT_TRUE(s.WaitFor([&] { return cut.Pump(); }));
    EXPECT_TRUE(cut.Received().starts_with("HTTP/1.0 400 Bad Request\r\n"));
    WebClient gone(s.port);
    gone.Send("GET /a.htm HTTP/1.0\r\n\r\n");
    gone.Close();
    EXPECT_TRUE(s.Ask("GET /a.htm HTTP/1.0\r\n\r\n").ends_with("half"));
}

TEST(TCPServer, HeadsThatNeverCompleteAreClosedAfterTenSecondsAndRequestsAfterThirty) {
    ServerBed s;
    s.bed.app.write("HTML/x.htm", "fine");
    TCPServer& server = s.Server();
    WebClient silent(s.port);
    WebClient slow(s.port);
    WebClient slowBody(s.port);
    WebClient trickle(s.port);
    ASSERT_TRUE(s.Settle([&] { return server.OpenConnectionCount == 4; }));
    const auto start = s.bed.loop.now();
    const std::string postHead = "POST /form.asp HTTP/1.0\r\nContent-Length: 100000\r\n\r\n";
    const std::string chunk(3000, 'b');
    slow.Send("GET /x.htm HTTP/1.0\r\n");
    slowBody.Send(postHead + chunk);
    trickle.Send(postHead);
    // A body that has not kept 1 KiB a second after its first 2 s is closed.
    ASSERT_TRUE(s.WaitFor([&] { return trickle.Pump(); }));
    EXPECT_GE(s.bed.loop.now() - start, TCPServer::kBodyGrace);
    EXPECT_LT(s.bed.loop.now() - start, TCPServer::kBodyGrace + 2s);
    EXPECT_TRUE(trickle.Received().starts_with("HTTP/1.0 408 Request Timeout\r\n"));
    EXPECT_EQ(s.DebugCount(": body slower than 1024 bytes a second"), 1u);
    // A byte now and then does not hold the slot past its time-out.
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(s.WaitFor([&] { return s.bed.loop.now() - start >= std::chrono::seconds(2 * (i + 1)) - 500ms; }));
        slow.Send("X");
        slowBody.Send(chunk);
    }
    ASSERT_TRUE(s.WaitFor([&] { return slow.Pump() && silent.Pump(); }));
    EXPECT_GE(s.bed.loop.now() - start, TCPServer::kHeadTimeout);
    EXPECT_LT(s.bed.loop.now() - start, TCPServer::kHeadTimeout + 3s);
    EXPECT_TRUE(slow.Received().starts_with("HTTP/1.0 408 Request Timeout\r\n"));
    EXPECT_TRUE(silent.Received().starts_with("HTTP/1.0 408 Request Timeout\r\n"));
    EXPECT_EQ(s.DebugCount(": no whole request head within 10 s"), 2u);
    // A whole head whose body keeps the rate has the request's 30 s.
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(s.WaitFor([&] { return s.bed.loop.now() - start >= std::chrono::seconds(15 + 2 * i); }));
        EXPECT_FALSE(slowBody.Pump());
        slowBody.Send(chunk);
    }
    ASSERT_TRUE(s.WaitFor([&] { return slowBody.Pump(); }));
    EXPECT_GE(s.bed.loop.now() - start, TCPServer::kRequestTimeout);
    EXPECT_LT(s.bed.loop.now() - start, TCPServer::kRequestTimeout + 3s);
    EXPECT_TRUE(slowBody.Received().starts_with("HTTP/1.0 408 Request Timeout\r\n"));
    EXPECT_EQ(s.DebugCount(": no whole request within 30 s"), 1u);
    EXPECT_TRUE(s.Ask(kGetPage).ends_with("fine"));
    ASSERT_TRUE(s.WaitFor([&] { return !server.IdleTimer.Enabled(); }));
}

TEST(TCPServer, ARequestSplitOverPacketsIsServedOnceWhole) {
    ServerBed s;
    s.bed.app.write("HTML/x.htm", "whole");
    TCPServer& server = s.Server();
    WebClient c(s.port);
    c.Send("GET /x.h");
    ASSERT_TRUE(s.Settle([&] { return server.RequestQueue.size() == 1; }));
    // The first part is served on its own poll and waits for the rest.
    ASSERT_TRUE(s.WaitFor([&] { return server.RequestQueue.empty() && !server.ServerTimer.Enabled(); }));
    EXPECT_EQ(server.Pending(1), "GET /x.h");
    c.Send("tm HTTP/1.0\r\nHost: a\r\n");
    c.Send("\r\n");
    ASSERT_TRUE(s.WaitFor([&] { return c.Pump(); }));
    EXPECT_TRUE(c.Received().starts_with("HTTP/1.0 200 OK\r\n"));
    EXPECT_TRUE(c.Received().ends_with("\r\n\r\nwhole"));
    EXPECT_EQ(s.DebugCount("Poping socket 1 type=.htm for page \\x.htm"), 1u);

    // A POST whose body comes after another client's request is served with its body.
    WebClient post(s.port);
    post.Send("POST /form.asp HTTP/1.0\r\nContent-Length: 7\r\n\r\n");
    ASSERT_TRUE(s.Settle([&] { return server.RequestQueue.size() == 1; }));
    WebClient other(s.port);
    other.Send(kGetPage);
    ASSERT_TRUE(s.Settle([&] { return server.RequestQueue.size() == 2; }));
    post.Send("a=1&b=2");
    ASSERT_TRUE(s.WaitFor([&] { return post.Pump() && other.Pump(); }));
    EXPECT_TRUE(other.Received().ends_with("whole"));
    EXPECT_TRUE(post.Received().starts_with("HTTP/1.0 307 NoSupport\r\n"));
    EXPECT_NE(post.Received().find("Location: http://127.0.0.1:8081/form.asp\r\nContent-Length: 7\r\n\r\na=1&b=2"),
              std::string::npos);
}

TEST(TCPServer, AHeadWithBareLineFeedsIsServedAtOnce) {
    ServerBed s;
    s.bed.app.write("HTML/x.htm", "lf");
    TCPServer& server = s.Server();
    WebClient c(s.port);
    const auto start = s.bed.loop.now();
    c.Send("GET /x.htm?a=1 HTTP/1.0\nHost: 127.0.0.1\nUser-Agent: lf-client\n\n");
    ASSERT_TRUE(s.WaitFor([&] { return c.Pump(); }));
    EXPECT_LT(s.bed.loop.now() - start, TCPServer::kRequestTimeout);
    EXPECT_TRUE(c.Received().starts_with("HTTP/1.0 200 OK\r\n"));
    EXPECT_TRUE(c.Received().ends_with("\r\n\r\nlf"));
    EXPECT_EQ(s.DebugCount("Poping socket 1 type=.htm for page \\x.htm"), 1u);

    // Mixed line ends and a body of a told length: the body is kept as it came.
    WebClient post(s.port);
    post.Send("POST /form.asp HTTP/1.0\r\nContent-Length: 7\n\r\na=1&b=2");
    ASSERT_TRUE(s.WaitFor([&] { return post.Pump(); }));
    EXPECT_TRUE(post.Received().starts_with("HTTP/1.0 307 NoSupport\r\n"));
    EXPECT_NE(post.Received().find("Content-Length: 7\r\n\r\na=1&b=2"), std::string::npos);
    EXPECT_EQ(s.DebugCount(": no whole request within 30 s"), 0u);
    (void)server;
}

TEST(TCPServer, OversizedAndMalformedRequestsAreRefusedAndOthersGoOn) {
    ServerBed s;
    s.bed.app.write("HTML/x.htm", "fine");
    TCPServer& server = s.Server();
    WebClient longHeader(s.port);
    longHeader.Send("GET /" + std::string(17 * 1024, 'a'));
    WebClient bigBody(s.port);
    bigBody.Send("POST /x.asp HTTP/1.0\r\nContent-Length: 2000000\r\n\r\nabc");
    WebClient badLength(s.port);
    badLength.Send("POST /x.asp HTTP/1.0\r\nContent-Length: 12x\r\n\r\nabc");
    WebClient flood(s.port);
    WebClient good(s.port);
    good.Send(kGetPage);
    WebClient chunked(s.port);
    chunked.Send("POST /status HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nSave=\r\n0\r\n\r\n");
    ASSERT_TRUE(s.WaitFor(
        [&] { return longHeader.Pump() && bigBody.Pump() && badLength.Pump() && good.Pump() && chunked.Pump(); }));
    // Each is told why before the close.
    EXPECT_TRUE(longHeader.Received().starts_with("HTTP/1.0 431 Request Header Fields Too Large\r\n"));
    EXPECT_TRUE(bigBody.Received().starts_with("HTTP/1.0 413 Payload Too Large\r\n"));
    EXPECT_TRUE(badLength.Received().starts_with("HTTP/1.0 400 Bad Request\r\n"));
    EXPECT_TRUE(chunked.Received().starts_with("HTTP/1.0 411 Length Required\r\n"));
    EXPECT_TRUE(badLength.Received().ends_with("\r\n\r\n<HTML>400 Bad Request: malformed Content-Length</HTML>"));
    EXPECT_TRUE(good.Received().ends_with("fine"));
    EXPECT_EQ(s.DebugCount(": header block over 16384 bytes"), 1u);
    EXPECT_EQ(s.DebugCount(": body over 1048576 bytes"), 1u);
    EXPECT_EQ(s.DebugCount(": malformed Content-Length"), 1u);

    // A connection that sends without end is cut off before the queue holds more than its bound.
    const std::string chunk(64 * 1024, 'b');
    std::string head = "POST /x.asp HTTP/1.0\r\nContent-Length: 1000000\r\n\r\n";
    std::size_t sent = head.size();
    flood.Send(head);
    auto queuedOf = [&](int16_t slot) {
        std::size_t bytes = 0;
        for (const auto& e : server.RequestQueue) bytes += e.slot == slot ? e.text.size() : 0;
        return bytes;
    };
    // The queue is not served meanwhile: the clock stands still.
    for (int i = 0; i < 24 && server.SlotState(4) != forms::sckClosed; ++i) {
        ASSERT_TRUE(s.Settle([&] { return queuedOf(4) == sent || server.SlotState(4) == forms::sckClosed; }));
        flood.Send(chunk);
        sent += chunk.size();
    }
    ASSERT_TRUE(s.WaitFor([&] { return flood.Pump(); }));
    EXPECT_TRUE(flood.Received().starts_with("HTTP/1.0 413 Payload Too Large\r\n"));
    EXPECT_EQ(s.DebugCount("Request refused for socket 4: request over 1064960 bytes"), 1u);
    std::size_t queued = 0;
    for (const auto& e : server.RequestQueue) queued += e.text.size();
    EXPECT_LE(queued, 16384u + 1048576u);
    EXPECT_TRUE(s.Ask(kGetPage).ends_with("fine"));
}

TEST(TCPServer, AClientThatStopsReadingIsDroppedWithoutHoldingUpOthers) {
    ServerBed s;
    s.bed.loop.setSettleTimeout(20ms);
    s.bed.app.write("HTML/big.wav", std::string(16 * 1024 * 1024, 'w'));
    s.bed.app.write("HTML/x.htm", "quick");
    TCPServer& server = s.Server();
    WebClient slow(s.port, 4096);
    slow.Send("GET /big.wav HTTP/1.0\r\n\r\n");
    ASSERT_TRUE(s.WaitFor([&] { return server.Streaming(1); }));
    // Once the slow client's buffers are full a block waits for its time-out.
    const auto start = s.bed.loop.now();
    ASSERT_TRUE(s.WaitFor([&] { return s.bed.loop.now() - start > 6s; }));
    ASSERT_TRUE(server.Streaming(1));
    EXPECT_TRUE(server.TCPBinarySendTimer(1).Enabled());
    EXPECT_EQ(server.TCPBinarySendTimer(1).Interval(), 5000);

    WebClient fast(s.port);
    fast.Send(kGetPage);
    ASSERT_TRUE(s.WaitFor([&] { return fast.Pump(); }));
    EXPECT_TRUE(fast.Received().ends_with("quick"));
    EXPECT_TRUE(server.Streaming(1));

    ASSERT_TRUE(s.WaitFor([&] { return !server.Streaming(1); }));
    EXPECT_EQ(server.SlotState(1), forms::sckClosed);
    EXPECT_EQ(s.DebugCount("Stream dropped for socket 1 after 3 block time-outs"), 1u);
    EXPECT_GE(s.bed.loop.now() - start, 14s);
}

// `count` clients that ask for the .wav and never read its answer (small receive buffers).
std::vector<std::unique_ptr<WebClient>> NonReaders(int port, int count) {
    std::vector<std::unique_ptr<WebClient>> clients;
    for (int i = 0; i < count; ++i) {
        clients.push_back(std::make_unique<WebClient>(port, 4096));
        clients.back()->Send("GET /big.wav HTTP/1.0\r\n\r\n");
    }
    return clients;
}

// Fifty clients that stop reading a .wav hold every slot: a stream whose reader has taken nothing
// gives way to a newcomer (on the loop's clock), rather than hold its slot through three block
// time-outs.
TEST(TCPServer, StreamsWhoseReadersStoppedGiveWayToANewcomer) {
    ServerBed s;
    s.bed.loop.setSettleTimeout(20ms);
    s.bed.app.write("HTML/big.wav", std::string(4 * 1024 * 1024, 'w'));
    s.bed.app.write("HTML/x.htm", "quick");
    TCPServer& server = s.Server();
    const auto readers = NonReaders(s.port, TCPServer::kHighestSlot);
    ASSERT_TRUE(s.WaitFor([&] {
        for (int16_t slot = 1; slot <= TCPServer::kHighestSlot; ++slot)
            if (!server.Streaming(slot)) return false;
        return true;
    }));
    const auto start = s.bed.loop.now();
    ASSERT_TRUE(s.WaitFor([&] { return s.bed.loop.now() - start > 1500ms; }));

    WebClient newcomer(s.port);
    newcomer.Send(kGetPage);
    ASSERT_TRUE(s.WaitFor([&] { return newcomer.Pump(); }));
    EXPECT_TRUE(newcomer.Received().ends_with("quick"));
    EXPECT_LT(s.bed.loop.now() - start, 5s);
    EXPECT_GE(s.DebugCount(", its answer not taken for "), 1u);
    EXPECT_EQ(s.DebugCount("Stream dropped for socket "), 0u);
}

// A reader that asks for a large file and takes none of it: what the server gives the system for
// it stays small (under 512 blocks), so that it is seen stalled soon and a crowd of such readers
// costs little to serve.
TEST(TCPServer, AStreamToAReaderThatTakesNothingIsHeldToLittleUnsent) {
    ServerBed s;
    s.bed.loop.setSettleTimeout(20ms);
    s.bed.app.write("HTML/big.wav", std::string(16 * 1024 * 1024, 'w'));
    TCPServer& server = s.Server();
    WebClient reader(s.port);
    reader.Send("GET /big.wav HTTP/1.0\r\n\r\n");
    ASSERT_TRUE(s.WaitFor([&] { return server.Streaming(1); }));
    // Stalled: no block goes out over a quarter of a second.
    std::size_t blocks = 0;
    ASSERT_TRUE(s.WaitFor([&] {
        const std::size_t before = s.DebugCount(">>>>>>>>>>> SendingBinaryData ");
        const auto from = s.bed.loop.now();
        s.WaitFor([&] { return s.bed.loop.now() - from > 250ms; });
        blocks = s.DebugCount(">>>>>>>>>>> SendingBinaryData ");
        return blocks == before;
    }));
    EXPECT_GT(blocks, 16u);
    EXPECT_LT(blocks, 512u);
    EXPECT_TRUE(server.Streaming(1));
}

// More non-readers of a .wav than slots: the streams leave their slots to the newcomers and go on
// outside them, and one whose reader takes nothing for three block time-outs (on the loop's clock)
// is reset there, so none is kept for good.
TEST(TCPServer, StreamsLeaveTheirSlotsToNewcomersAndStalledOnesAreResetOutside) {
    ServerBed s;
    s.bed.loop.setSettleTimeout(20ms);
    s.bed.app.write("HTML/big.wav", std::string(4 * 1024 * 1024, 'w'));
    s.bed.app.write("HTML/x.htm", "quick");
    TCPServer& server = s.Server();
    const auto readers = NonReaders(s.port, TCPServer::kHighestSlot + 10);
    ASSERT_TRUE(s.WaitFor([&] { return server.AnswersOutside() >= 10; }));
    const auto start = s.bed.loop.now();
    WebClient newcomer(s.port);
    newcomer.Send(kGetPage);
    ASSERT_TRUE(s.WaitFor([&] { return newcomer.Pump(); }));
    EXPECT_TRUE(newcomer.Received().ends_with("quick"));
    EXPECT_LT(s.bed.loop.now() - start, 1s);

    ASSERT_TRUE(s.WaitFor([&] { return server.AnswersOutside() == 0; }));
    EXPECT_GE(s.bed.loop.now() - start, 14s);
    EXPECT_GE(s.DebugCount("Answer outside the sockets reset, not taken for "), 1u);
}

// A reader that has not taken its answer yet when the slots fill is the first whose stream leaves
// its slot; it goes on outside, block after block, and the reader gets every byte once it reads.
TEST(TCPServer, AStreamThatLeavesItsSlotGoesOnWhole) {
    ServerBed s;
    s.bed.loop.setSettleTimeout(20ms);
    std::string picture;
    for (int i = 0; picture.size() < 200000; ++i) picture += std::to_string(i) + ",";
    s.bed.app.write("HTML/p.jpg", picture);
    s.bed.app.write("HTML/big.wav", std::string(4 * 1024 * 1024, 'w'));
    TCPServer& server = s.Server();
    WebClient reader(s.port, 4096);
    reader.Send("GET /p.jpg HTTP/1.0\r\n\r\n");
    ASSERT_TRUE(s.WaitFor([&] { return server.Streaming(1); }));
    const auto crowd = NonReaders(s.port, TCPServer::kHighestSlot);
    ASSERT_TRUE(s.WaitFor([&] { return s.DebugCount("Answer goes on outside the sockets: socket 1") == 1; }));
    ASSERT_TRUE(s.WaitFor([&] { return reader.Pump(); }));
    const std::string& answer = reader.Received();
    ASSERT_NE(answer.find("\r\n\r\n"), std::string::npos);
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 OK\r\n"));
    EXPECT_EQ(answer.substr(answer.find("\r\n\r\n") + 4), picture);
}

}  // namespace
}  // namespace zephra
