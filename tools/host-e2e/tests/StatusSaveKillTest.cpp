// The status page's save in zephra-host killed (SIGKILL) at random moments: the settings file is
// always the one before the save or the one after it, never a mix, and never holds fewer rows.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "HostEndToEnd.h"
#include "web/tests/PageForm.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

constexpr const char* kIni = "Config/dkvZephraUtilities.ini";

int connectTo(int port) {
    // Not inherited by the hosts that other rounds start meanwhile.
    int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval timeout{120, 0};
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

    ~StatusSaveKill() override { std::filesystem::remove(simLog_); }

    // A fresh application folder (the host's devices and their codes as on a first start) whose
    // settings file holds the display options and five rows; the plug-in's server on `serverPort`.
    std::unique_ptr<HostFolder> freshFolder(int serverPort) {
        auto folder = std::make_unique<HostFolder>(appliances_, Lines{"Kitchen,,A3,B4", "Hall"},
                                                   Lines{"ServerPort=" + std::to_string(serverPort)});
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

// One round on one folder: the host started, the page drawn, the save posted and, with `killAfter`,
// the host killed (SIGKILL) that long after the post; without it the save is let finish. Runs on
// a thread of its own beside the other rounds of a batch, so it reports rather than asserts.
struct Round {
    const HostFolder* folder = nullptr;
    int serverPort = 0;
    std::optional<std::chrono::microseconds> killAfter;

    std::string failure;  // empty when the round ran as it should
    std::string before;   // the file as the round's page was drawn
    std::string after;    // the file once the host had gone (or the save was answered)
    long saveMicros = 0;  // how long an undisturbed save took

    void Run() {
        // The host gets its own registry through its environment: rounds side by side share this
        // process's, which names the folder made last.
        std::vector<std::string> args = {"XDG_CONFIG_HOME=" + (folder->path() / "registry").string(),
                                         ZEPHRA_HOST_PROGRAM};
        for (const std::string& arg : folder->args()) args.push_back(arg);
        ChildProcess host("/usr/bin/env", args);
        if (!host.waitForLine("zephra-host: dkvZephra ready")) return Fail("the host did not start");
        if (!accepts(serverPort)) return Fail("the plug-in's server does not accept");
        int s = connectTo(serverPort);
        if (s < 0) return Fail("no connection for the page");
        const std::string get = request("GET", "");
        send(s, get.data(), get.size(), MSG_NOSIGNAL);
        const std::string page = readAll(s);
        if (page.find("name='Source0'") == std::string::npos) return Fail("no page: " + page.substr(0, 300));
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
        s = connectTo(serverPort);
        if (s < 0) return Fail("no connection for the save");
        const auto sent = std::chrono::steady_clock::now();
        send(s, post.data(), post.size(), MSG_NOSIGNAL);
        if (!killAfter) {
            const std::string answer = readAll(s);
            saveMicros = static_cast<long>(
                std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - sent).count());
            if (answer.find("value='acme.s6'") == std::string::npos) return Fail("the new row is not shown");
            after = folder->read(kIni);
            return;
        }
        std::this_thread::sleep_until(sent + *killAfter);
        ::kill(host.pid(), SIGKILL);
        close(s);
        host.waitExit();
        after = folder->read(kIni);
    }
    void Fail(const std::string& why) { failure = why; }
};

// The rounds run side by side, a batch of hosts at a time, each on a folder and port of its own:
// the save's moments of danger are the same in each, and a busy machine gives a batch of them
// its cores as readily as one.
TEST_F(StatusSaveKill, EveryFileIsTheOldOrTheNewOne) {
    constexpr int kSlots = 12;
    constexpr int kBatches = 9;  // the first saves undisturbed; then 96 kills
    std::mt19937 random(46);
    std::array<simkit::testing::ReservedPort, kSlots> ports;
    std::array<std::string, kSlots> saved;  // each folder's file after a save that was not killed
    long longest = 1000;                    // microseconds a save took, for the spread of the kills
    int oldOnes = 0, newOnes = 0;
    for (int batch = 0; batch < kBatches; ++batch) {
        SCOPED_TRACE("batch " + std::to_string(batch));
        // Folders are made and removed here, between batches: each sets this process's registry.
        std::vector<std::unique_ptr<HostFolder>> folders;
        std::array<Round, kSlots> rounds;
        for (int i = 0; i < kSlots; ++i) {
            folders.push_back(freshFolder(ports[i].port()));
            rounds[i].folder = folders.back().get();
            rounds[i].serverPort = ports[i].port();
            if (batch > 0) rounds[i].killAfter = std::chrono::microseconds(random() % (longest * 3 / 2));
        }
        std::vector<std::thread> threads;
        for (Round& round : rounds) threads.emplace_back([&round] { round.Run(); });
        for (std::thread& thread : threads) thread.join();
        while (!folders.empty()) folders.pop_back();  // the registry setting restored in turn

        for (int i = 0; i < kSlots; ++i) {
            const Round& round = rounds[i];
            SCOPED_TRACE("folder " + std::to_string(i));
            ASSERT_EQ(round.failure, "");
            if (batch == 0) {
                // The first batch saves undisturbed: the new file.
                longest = std::max(longest, round.saveMicros);
                saved[i] = round.after;
                ASSERT_NE(saved[i], round.before);
                ASSERT_EQ(rowsOf(saved[i], "Received"), 6u) << saved[i];
                continue;
            }
            const bool isNew = round.after == saved[i] || round.after == withoutHouseCode(saved[i]);
            EXPECT_TRUE(round.after == round.before || isNew) << round.after;
            EXPECT_GE(rowsOf(round.after, "Received"), 5u);
            oldOnes += round.after == round.before;
            newOnes += isNew;
        }
    }
    std::cout << "kills that left the old file: " << oldOnes << ", the new one: " << newOnes << " (a save took "
              << longest << " us)" << std::endl;
}

}  // namespace
}  // namespace host_e2e
