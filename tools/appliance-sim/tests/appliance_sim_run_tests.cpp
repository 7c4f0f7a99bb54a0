// appliance-sim run as a program, driven over real sockets on 127.0.0.2 and 127.0.0.3.

#include "simkit/testing/ChildProcess.h"
#include "simkit/testing/HttpGet.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <chrono>
#include <thread>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using udp = asio::ip::udp;
using simkit::testing::ChildProcess;
using simkit::testing::endpointOf;
using simkit::testing::httpGet;
using simkit::testing::PendingRequest;

namespace {

std::string withoutTime(const std::string& line) { return line.substr(line.find(' ') + 1); }

template <typename Endpoint>
std::string text(const Endpoint& endpoint) {
    std::ostringstream out;
    out << endpoint;
    return out.str();
}

// The simulator, started and read up to its "ready" line.
class Sim {
public:
    explicit Sim(std::vector<std::string> args) : process_(APPLIANCE_SIM_PATH, args) {
        for (;;) {
            const auto line = process_.readLine();
            if (!line) throw std::runtime_error("appliance-sim did not start");
            if (*line == "ready") break;
            std::istringstream words(*line);
            std::string kind, name, socket, address;
            words >> kind;
            if (kind == "control") words >> address, sockets_["control"] = address;
            if (kind == "appliance") words >> name >> socket >> address, sockets_[name + " " + socket] = address;
        }
    }

    tcp::endpoint http(const std::string& name) { return endpointOf(sockets_.at(name + " http")); }
    udp::endpoint udpClient(const std::string& name) {
        const auto endpoint = endpointOf(sockets_.at(name + " udp"));
        return {endpoint.address(), endpoint.port()};
    }
    simkit::testing::HttpAnswer get(const std::string& name, const std::string& target) {
        return httpGet(http(name), target);
    }
    simkit::testing::HttpAnswer control(const std::string& target) {
        return httpGet(endpointOf(sockets_.at("control")), target);
    }
    std::map<std::string, std::string> state(const std::string& name) {
        std::map<std::string, std::string> values;
        std::istringstream lines(control("/sim/state?name=" + name).body);
        for (std::string line; std::getline(lines, line);) {
            const auto equals = line.find('=');
            if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
        }
        return values;
    }
    // The next log line that holds text, without its time.
    std::string logLine(const std::string& text) {
        const auto line = process_.waitForLine(text);
        return line ? withoutTime(*line) : "no log line holding: " + text;
    }
    ChildProcess& process() { return process_; }

private:
    ChildProcess process_;
    std::map<std::string, std::string> sockets_;
};

std::vector<std::string> twoAppliances(std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"--appliance",      "kitchen=127.0.0.2:0", "--appliance",
                                     "hall=127.0.0.3:0", "--control",           "127.0.0.1:0"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// A web server for the appliance to fetch from; it notes who asked for what.
class TinyWebServer {
public:
    explicit TinyWebServer(std::map<std::string, std::string> files)
        : files_(std::move(files)), acceptor_(io_, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)) {
        accept();
        thread_ = std::thread([this] { io_.run(); });
    }
    ~TinyWebServer() {
        io_.stop();
        thread_.join();
    }
    std::string url(const std::string& path) const { return "http://" + text(acceptor_.local_endpoint()) + path; }
    std::vector<std::string> requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    void accept() {
        acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
            if (ec) return;
            beast::flat_buffer buffer;
            http::request<http::empty_body> request;
            http::read(socket, buffer, request, ec);
            if (!ec) {
                {
                    std::lock_guard lock(mutex_);
                    requests_.push_back(socket.remote_endpoint().address().to_string() + " " +
                                        std::string(request.target()));
                }
                const auto file = files_.find(std::string(request.target()));
                http::response<http::string_body> response{
                    file == files_.end() ? http::status::not_found : http::status::ok, 11};
                response.body() = file == files_.end() ? "missing" : file->second;
                response.prepare_payload();
                http::write(socket, response, ec);
            }
            accept();
        });
    }

    std::map<std::string, std::string> files_;
    asio::io_context io_;
    tcp::acceptor acceptor_;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
};

// Answers every connection with the same bytes, as a server whose header lines are odd would.
class RawAnswerServer {
public:
    // With `splitAt`, the answer goes in two writes, a moment apart.
    explicit RawAnswerServer(std::string answer, std::size_t splitAt = 0)
        : answer_(std::move(answer)),
          splitAt_(splitAt),
          acceptor_(io_, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)) {
        accept();
        thread_ = std::thread([this] { io_.run(); });
    }
    ~RawAnswerServer() {
        io_.stop();
        thread_.join();
    }
    std::string url(const std::string& path) const { return "http://" + text(acceptor_.local_endpoint()) + path; }

private:
    void accept() {
        acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
            if (ec) return;
            beast::flat_buffer buffer;
            http::request<http::empty_body> request;
            http::read(socket, buffer, request, ec);
            if (!ec && splitAt_ > 0) {
                asio::write(socket, asio::buffer(answer_.data(), splitAt_), ec);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                asio::write(socket, asio::buffer(answer_.data() + splitAt_, answer_.size() - splitAt_), ec);
            } else if (!ec) {
                asio::write(socket, asio::buffer(answer_), ec);
            }
            socket.shutdown(tcp::socket::shutdown_both, ec);
            accept();
        });
    }

    std::string answer_;
    std::size_t splitAt_;
    asio::io_context io_;
    tcp::acceptor acceptor_;
    std::thread thread_;
};

std::string soxWave(const std::string& options) {
    const auto path = std::filesystem::temp_directory_path() / ("sim-wav-" + std::to_string(getpid()) + ".wav");
    const std::string command = "sox -n " + options + " " + path.string() + " synth 0.5 sine 440 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
    return bytes;
}

// Sends bytes on a new connection and returns what comes back until the server closes.
std::string rawExchange(const tcp::endpoint& server, const std::string& bytes) {
    asio::io_context io;
    tcp::socket socket(io);
    socket.connect(server);
    timeval limit{5, 0};
    setsockopt(socket.native_handle(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    asio::write(socket, asio::buffer(bytes));
    std::string answer;
    char chunk[4096];
    for (;;) {
        boost::system::error_code ec;
        const auto got = socket.read_some(asio::buffer(chunk), ec);
        if (ec) break;
        answer.append(chunk, got);
    }
    return answer;
}

std::vector<std::uint8_t> serverDatagram(std::uint8_t type, const std::string& first, const std::string& second) {
    std::vector<std::uint8_t> bytes(136, 0);
    bytes[0] = type;
    std::copy(first.begin(), first.end(), bytes.begin() + 8);
    std::copy(second.begin(), second.end(), bytes.begin() + 72);
    return bytes;
}

// The next datagram on socket, waiting at most five seconds; empty at time-out.
std::vector<std::uint8_t> receiveDatagram(udp::socket& socket, udp::endpoint& from) {
    pollfd poller{socket.native_handle(), POLLIN, 0};
    if (poll(&poller, 1, 5000) <= 0) return {};
    std::vector<std::uint8_t> bytes(2048);
    bytes.resize(socket.receive_from(asio::buffer(bytes), from));
    return bytes;
}

}  // namespace

TEST(ApplianceSimRun, PagesChangeStateOfTheirOwnApplianceOnly) {
    Sim sim(twoAppliances());
    EXPECT_EQ(sim.http("kitchen").address().to_string(), "127.0.0.2");
    EXPECT_EQ(sim.http("hall").address().to_string(), "127.0.0.3");

    auto answer = sim.get("kitchen", "/led.shtml?t1");
    EXPECT_EQ(answer.status, 200u);
    EXPECT_EQ(answer.body, "<html><body>OK</body></html>");
    EXPECT_EQ(sim.logLine("/led.shtml?t1"), "kitchen /led.shtml?t1 ok topled=on");
    sim.get("kitchen", "/beep.shtml?0%203");
    EXPECT_EQ(sim.logLine("/beep.shtml"), "kitchen /beep.shtml?0%203 ok sound=3");
    sim.get("hall", "/volume.shtml?35");
    EXPECT_EQ(sim.logLine("/volume.shtml"), "hall /volume.shtml?35 ok volume=35");
    sim.get("hall", "/screen.shtml?0");
    EXPECT_EQ(sim.get("hall", "/screen.shtml?p").body, "<html><body>0</body></html>");
    EXPECT_EQ(sim.get("kitchen", "/screen.shtml?p").body, "<html><body>1</body></html>");
    EXPECT_EQ(sim.logLine("kitchen /screen.shtml?p"), "kitchen /screen.shtml?p ok poll=1");
    sim.get("kitchen", "/cgi-bin/firef4");
    EXPECT_EQ(sim.get("kitchen", "/nothing.html").status, 404u);
    EXPECT_EQ(sim.logLine("/nothing.html"), "kitchen /nothing.html not-found");

    auto kitchen = sim.state("kitchen");
    EXPECT_EQ(kitchen["topled"], "on");
    EXPECT_EQ(kitchen["sound"], "3");
    EXPECT_EQ(kitchen["awake"], "1");
    EXPECT_EQ(kitchen["fullscreen"], "0");
    EXPECT_EQ(kitchen["volume"], "50");
    EXPECT_EQ(kitchen["requests"], "5");
    auto hall = sim.state("hall");
    EXPECT_EQ(hall["topled"], "off");
    EXPECT_EQ(hall["volume"], "35");
    EXPECT_EQ(hall["awake"], "0");
    EXPECT_EQ(hall["backlight"], "off");
    const auto everything = sim.control("/sim/state").body;
    EXPECT_EQ(everything.rfind("appliance=kitchen\n", 0), 0u);
    EXPECT_NE(everything.find("\n\nappliance=hall\n"), std::string::npos);
}

TEST(ApplianceSimRun, FetchesTheWavFileFromItsOwnAddressAndMeasuresIt) {
    const auto wav = soxWave("-r 8000 -c 1 -b 16");
    TinyWebServer server(
        {{"/ZephraTemp/ZephraTempFilekitchen1.wav", wav}, {"/ZephraSlideshow.asp", "<html>slide</html>"}});
    Sim sim(twoAppliances());

    const auto url = server.url("/ZephraTemp/ZephraTempFilekitchen1.wav");
    const auto answer = sim.get("kitchen", "/loadWav.shtml?" + url);
    EXPECT_EQ(answer.status, 200u);
    EXPECT_EQ(sim.logLine("/loadWav.shtml"),
              "kitchen /loadWav.shtml?" + url + " ok wav=\"" + url +
                  "\" ms=500 format=\"pcm 8000Hz 16bit 1ch\" bytes=" + std::to_string(wav.size()));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], "127.0.0.2 /ZephraTemp/ZephraTempFilekitchen1.wav");
    auto state = sim.state("kitchen");
    EXPECT_EQ(state["wav"], url);
    EXPECT_EQ(state["wavms"], "500");
    EXPECT_EQ(state["wavformat"], "pcm 8000Hz 16bit 1ch");

    const auto missing = server.url("/ZephraTemp/gone.wav");
    EXPECT_EQ(sim.get("hall", "/loadWav.shtml?" + missing).status, 200u);
    EXPECT_EQ(sim.logLine("/loadWav.shtml"),
              "hall /loadWav.shtml?" + missing + " fetch-failed wav=\"" + missing + "\" reason=\"http 404\"");
    EXPECT_EQ(server.requests().back(), "127.0.0.3 /ZephraTemp/gone.wav");

    // Nothing is fetched from off this machine, nor by name.
    sim.get("kitchen", "/loadWav.shtml?http://192.0.2.7/x.wav");
    EXPECT_EQ(sim.logLine("/loadWav.shtml"),
              "kitchen /loadWav.shtml?http://192.0.2.7/x.wav fetch-failed "
              "wav=\"http://192.0.2.7/x.wav\" reason=\"refused not-loopback\"");
    sim.get("kitchen", "/loadWav.shtml?http://wavs.example/x.wav");
    EXPECT_NE(sim.logLine("/loadWav.shtml").find("reason=\"refused not-loopback\""), std::string::npos);
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(sim.state("kitchen")["waverror"], "refused not-loopback");

    // The browser loads a pushed page from the appliance's address too.
    const auto page = server.url("/ZephraSlideshow.asp");
    sim.get("kitchen", "/gotoURL.shtml?M=GOTO_URL&S=" + page);
    EXPECT_EQ(sim.logLine("kitchen browse"), "kitchen browse \"" + page + "\" ok status=200 bytes=18");
    EXPECT_EQ(server.requests().back(), "127.0.0.2 /ZephraSlideshow.asp");
    EXPECT_EQ(sim.state("kitchen")["url"], page);
}

TEST(ApplianceSimRun, AHeaderLineWithoutAColonIsSkippedAsBrowsersDo) {
    Sim sim(twoAppliances());
    // A file page as the plug-in serves it: its date line has no colon.
    RawAnswerServer text(
        "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n"
        "Last-Modified Thu, 10 Dec 2026 04:00:00 GMT\r\nContent-Length: 17\r\n\r\n"
        "<html>note</html>");
    const auto page = text.url("/note.htm");
    sim.get("kitchen", "/gotoURL.shtml?M=GOTO_URL&S=" + page);
    EXPECT_EQ(sim.logLine("kitchen browse"), "kitchen browse \"" + page + "\" ok status=200 bytes=17");
    // Bare line feeds, a line of junk and a body that ends with the connection.
    RawAnswerServer bare("HTTP/1.0 200 OK\nServer: x\n\x01junk\n\nbody to the end");
    const auto other = bare.url("/cid.htm");
    sim.get("hall", "/gotoURL.shtml?M=GOTO_URL&S=" + other);
    EXPECT_EQ(sim.logLine("hall browse"), "hall browse \"" + other + "\" ok status=200 bytes=15");
    // A head whose empty line comes in a later read than the line end before it.
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n";
    RawAnswerServer split(head + "\r\nok", head.size());
    const auto later = split.url("/split.htm");
    sim.get("kitchen", "/gotoURL.shtml?M=GOTO_URL&S=" + later);
    EXPECT_EQ(sim.logLine("kitchen browse \"" + later), "kitchen browse \"" + later + "\" ok status=200 bytes=2");
    // A line that is not a header at all is still an error.
    RawAnswerServer broken("NOT HTTP\r\n\r\n");
    const auto bad = broken.url("/x.htm");
    sim.get("kitchen", "/gotoURL.shtml?M=GOTO_URL&S=" + bad);
    EXPECT_NE(sim.logLine("kitchen browse \"" + bad).find("receive: "), std::string::npos);
}

TEST(ApplianceSimRun, FaultModesLeaveRequestsUnansweredUntilLifted) {
    const auto markers = std::filesystem::temp_directory_path() / ("sim-markers-" + std::to_string(getpid()));
    std::filesystem::create_directories(markers);
    Sim sim(twoAppliances({"--drop", "hall=1", "--marker-dir", markers.string()}));
    const auto marker = markers / "kitchen.txt";
    {
        std::ifstream in(marker, std::ios::binary);
        std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(written, "BROWSER\r\n");
    }

    // Dropped from the command line, then answered.
    PendingRequest droppedAtStart(sim.http("hall"), "/led.shtml?m1");
    EXPECT_EQ(sim.logLine("/led.shtml?m1"), "hall /led.shtml?m1 dropped left=0");
    EXPECT_FALSE(droppedAtStart.answered());
    EXPECT_EQ(sim.get("hall", "/led.shtml?m1").status, 200u);

    EXPECT_EQ(sim.control("/sim/drop?name=kitchen&n=1").body, "ok\n");
    PendingRequest dropped(sim.http("kitchen"), "/led.shtml?t1");
    EXPECT_EQ(sim.logLine("kitchen /led.shtml?t1"), "kitchen /led.shtml?t1 dropped left=0");
    EXPECT_FALSE(dropped.answered());
    EXPECT_EQ(sim.get("kitchen", "/led.shtml?t2").status, 200u);
    EXPECT_FALSE(dropped.answered());

    sim.control("/sim/silent?name=kitchen&on=1");
    PendingRequest ignored(sim.http("kitchen"), "/scrOff.shtml");
    EXPECT_EQ(sim.logLine("/scrOff.shtml"), "kitchen /scrOff.shtml silent");
    EXPECT_FALSE(ignored.answered());
    EXPECT_EQ(sim.get("hall", "/scrOff.shtml").status, 200u);  // the other appliance goes on
    sim.control("/sim/silent?name=kitchen&on=0");
    EXPECT_EQ(sim.get("kitchen", "/scrOff.shtml").status, 200u);

    sim.control("/sim/slow?name=kitchen&ms=150");
    EXPECT_EQ(sim.get("kitchen", "/volume.shtml?30").status, 200u);
    EXPECT_EQ(sim.logLine("/volume.shtml"), "kitchen /volume.shtml?30 ok volume=30 slow=150");
    sim.control("/sim/slow?name=kitchen&ms=0");

    // Power off: nothing answers; power on: the appliance boots afresh and says so in its marker.
    std::filesystem::remove(marker);
    sim.control("/sim/power?name=kitchen&on=0");
    EXPECT_EQ(sim.logLine("power"), "kitchen power off");
    PendingRequest unpowered(sim.http("kitchen"), "/volume.shtml?20");
    EXPECT_EQ(sim.logLine("/volume.shtml"), "kitchen /volume.shtml?20 off");
    EXPECT_FALSE(unpowered.answered());
    EXPECT_EQ(sim.state("kitchen")["power"], "off");
    sim.control("/sim/power?name=kitchen&on=1");
    EXPECT_EQ(sim.logLine("power"), "kitchen power on");
    EXPECT_EQ(sim.logLine("marker"), "kitchen marker \"" + marker.string() + "\"");
    EXPECT_TRUE(std::filesystem::exists(marker));
    auto state = sim.state("kitchen");
    EXPECT_EQ(state["volume"], "50");
    EXPECT_EQ(state["topled"], "off");
    EXPECT_EQ(state["power"], "on");

    EXPECT_EQ(sim.control("/sim/silent?name=nobody&on=1").status, 400u);
    EXPECT_EQ(sim.control("/sim/slow?name=kitchen&ms=soon").status, 400u);
    EXPECT_EQ(sim.control("/sim/silent?name=kitchen&on=2").status, 400u);
    EXPECT_EQ(sim.control("/sim/subscribe?name=kitchen").status, 400u);  // no UDP client
    EXPECT_EQ(sim.control("/sim/frobnicate").status, 404u);
    sim.control("/sim/mark?text=phase%20two");
    EXPECT_EQ(sim.logLine(" mark "), "- mark phase two");
    std::filesystem::remove_all(markers);
}

TEST(ApplianceSimRun, UdpClientSubscribesLogsDatagramsAndUnsubscribesAtTheEnd) {
    asio::io_context io;
    udp::socket server(io, udp::endpoint(asio::ip::make_address("127.0.0.1"), 0));
    const auto serverAddress = text(server.local_endpoint());
    Sim sim(twoAppliances({"--udp-server", serverAddress, "--udp-port", "0"}));
    const auto kitchen = sim.udpClient("kitchen");
    const auto hall = sim.udpClient("hall");
    EXPECT_EQ(kitchen.address().to_string(), "127.0.0.2");

    std::map<std::string, std::vector<std::uint8_t>> subscriptions;
    for (int i = 0; i < 2; ++i) {
        udp::endpoint from;
        const auto bytes = receiveDatagram(server, from);
        subscriptions[text(from)] = bytes;
    }
    EXPECT_EQ(subscriptions[text(kitchen)], std::vector<std::uint8_t>{1});
    EXPECT_EQ(subscriptions[text(hall)], std::vector<std::uint8_t>{1});

    server.send_to(asio::buffer(serverDatagram(3, "JOHN DOE", "(555)123-4567")), kitchen);
    EXPECT_EQ(sim.logLine("kitchen udp cid"),
              "kitchen udp cid name=\"JOHN DOE\" number=\"(555)123-4567\" from=" + serverAddress);
    server.send_to(asio::buffer(serverDatagram(6, "TopLed", "on")), hall);
    EXPECT_EQ(sim.logLine("hall udp"), "hall udp command name=\"TopLed\" argument=\"on\" from=" + serverAddress);
    const std::uint8_t junk[] = {6, 1, 2};
    server.send_to(asio::buffer(junk), hall);
    EXPECT_EQ(sim.logLine("hall udp"), "hall udp malformed length=3 type=6 from=" + serverAddress);

    auto state = sim.state("kitchen");
    EXPECT_EQ(state["subscribed"], "1");
    EXPECT_EQ(state["datagrams"], "1");
    EXPECT_EQ(state["udpserver"], serverAddress);
    EXPECT_EQ(state["lastdatagram"], "cid name=\"JOHN DOE\" number=\"(555)123-4567\" from=" + serverAddress);

    sim.control("/sim/unsubscribe?name=kitchen");
    udp::endpoint from;
    EXPECT_EQ(receiveDatagram(server, from), std::vector<std::uint8_t>{2});
    EXPECT_EQ(from, kitchen);
    EXPECT_EQ(sim.state("kitchen")["subscribed"], "0");

    sim.control("/sim/silent?name=kitchen&on=1");
    server.send_to(asio::buffer(serverDatagram(6, "Beep", "3")), kitchen);
    EXPECT_EQ(sim.logLine("kitchen udp command"),
              "kitchen udp command name=\"Beep\" argument=\"3\" from=" + serverAddress + " ignored=silent");

    // Quitting unsubscribes the clients still subscribed, and only those.
    EXPECT_EQ(sim.control("/sim/quit").body, "ok\n");
    EXPECT_EQ(receiveDatagram(server, from), std::vector<std::uint8_t>{2});
    EXPECT_EQ(from, hall);
    EXPECT_EQ(sim.process().waitExit(), 0);
    pollfd poller{server.native_handle(), POLLIN, 0};
    EXPECT_EQ(poll(&poller, 1, 0), 0);
}

TEST(ApplianceSimRun, GarbageGetsAnErrorAndTheApplianceGoesOn) {
    Sim sim(twoAppliances());
    const auto kitchen = sim.http("kitchen");

    EXPECT_EQ(rawExchange(kitchen, "GARBAGE\r\n\r\n").rfind("HTTP/1.1 400", 0), 0u);
    EXPECT_EQ(sim.logLine("bad-request").rfind("kitchen - bad-request ", 0), 0u);
    EXPECT_EQ(rawExchange(kitchen, std::string("\0\1\2\3\xff\r\n\r\n", 8)).rfind("HTTP/1.1 400", 0), 0u);
    EXPECT_EQ(sim.logLine("bad-request").rfind("kitchen - bad-request ", 0), 0u);
    const std::string hugeHeader = "GET /led.shtml?t1 HTTP/1.1\r\nX-Big: " + std::string(20000, 'a') + "\r\n\r\n";
    EXPECT_EQ(rawExchange(kitchen, hugeHeader).rfind("HTTP/1.1 400", 0), 0u);
    EXPECT_EQ(sim.logLine("bad-request").rfind("kitchen - bad-request ", 0), 0u);
    const std::string post = "POST /led.shtml?t1 HTTP/1.1\r\nContent-Length: 2\r\nConnection: close\r\n\r\nhi";
    EXPECT_EQ(rawExchange(kitchen, post).rfind("HTTP/1.1 405", 0), 0u);
    EXPECT_EQ(sim.logLine("POST"), "kitchen /led.shtml?t1 method-not-allowed POST");

    // Two requests on one kept-alive connection are both answered.
    const std::string twice =
        "GET /led.shtml?t1 HTTP/1.1\r\nHost: a\r\n\r\nGET /led.shtml?m2 HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n";
    const auto answers = rawExchange(kitchen, twice);
    EXPECT_NE(answers.find("HTTP/1.1 200"), answers.rfind("HTTP/1.1 200"));

    // A burst of random bytes, on the pages and on the control page.
    std::mt19937 random(8080);
    for (int round = 0; round < 40; ++round) {
        std::string junk = round % 2 ? "GET /" : "";
        for (int i = 0; i < 200; ++i) junk += static_cast<char>(random() % 256);
        junk += "\r\n\r\n";
        rawExchange(round % 4 < 2 ? kitchen : sim.http("hall"), junk);
    }
    EXPECT_EQ(sim.control("/sim/state?name=%ff%00").status, 400u);
    EXPECT_EQ(sim.control("/sim/drop?name=kitchen&n=99999999999999999999").status, 400u);

    EXPECT_EQ(sim.get("kitchen", "/led.shtml?t2").status, 200u);
    EXPECT_EQ(sim.state("kitchen")["topled"], "blink");
    EXPECT_EQ(sim.state("kitchen")["mailled"], "blink");
}

TEST(ApplianceSimRun, RefusesABadCommandLine) {
    ChildProcess offMachine(APPLIANCE_SIM_PATH, {"--appliance", "kitchen=192.168.1.5:80"});
    EXPECT_EQ(offMachine.waitExit(), 2);
    ChildProcess help(APPLIANCE_SIM_PATH, {"--help"});
    EXPECT_NE(help.waitForLine("--appliance NAME=IP:PORT"), std::nullopt);
    EXPECT_EQ(help.waitExit(), 0);
}
