// The command protocol over loopback TCP: every command and its reply, the line rules, and
// clients that send half a line, vanish, or never read.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>

#include "CommandPort.h"
#include "FakePlayers.h"
#include "JukeboxCommands.h"
#include "SorvexTesting.h"

namespace sorvex {
namespace {

using testing::Client;
using testing::RunFor;
using testing::RunUntil;

class RecordingActions : public CommandActions {
public:
    void play() override { calls.push_back("play"); }
    void stop() override { calls.push_back("stop"); }
    void pause() override { calls.push_back("pause"); }
    void prev() override { calls.push_back("prev"); }
    void next() override { calls.push_back("next"); }
    void launch(const std::string& path) override { calls.push_back("launch[" + path + "]"); }
    void clear() override { calls.push_back("clear"); }
    SaveRefusal save(const std::string& directory, const std::string& name) override {
        calls.push_back("save[" + directory + "][" + name + "]");
        return SaveRefusal::None;
    }
    std::string status() override {
        calls.push_back("status");
        return statusText;
    }
    void quit() override { calls.push_back("quit"); }
    void exitProgram() override { calls.push_back("exit"); }

    std::vector<std::string> calls;
    std::string statusText = "mode stop\n";
};

class CommandPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(port.open(0), 0);
        ASSERT_GT(port.boundPort(), 0);
    }
    // Sends the text on a connection of its own, closes its sending side and returns what came back.
    std::string exchange(const std::string& text) {
        Client client("127.0.0.2", port.boundPort());
        EXPECT_TRUE(client.connected());
        client.send(text);
        client.shutdownWrite();
        EXPECT_TRUE(client.awaitClosed());
        return client.received();
    }

    RecordingActions actions;
    CommandPort port{actions};
};

TEST_F(CommandPortTest, EveryCommandAndItsReply) {
    const std::string ok = "200 OK\n";
    EXPECT_EQ(exchange("PLAY\nPlay\nplay\n"), ok + ok + ok);
    EXPECT_EQ(exchange("stop\npause\nprev\nback\nnext\nforward\nclear\n"), ok + ok + ok + ok + ok + ok + ok);
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"play", "play", "play", "stop", "pause", "prev", "prev", "next",
                                                       "next", "clear"}));
    actions.calls.clear();

    // Launch and save take everything after the first blank; without one they only answer.
    EXPECT_EQ(exchange("launch /music/a b.mp3\nlaunch\nlaunch \nlaunchX\nLAUNCH  /x\n"), ok + ok + ok + ok + ok);
    EXPECT_EQ(exchange("save list.m3u\nsave lists/party\nsaveX\nsave\n"), ok + ok + ok + ok);
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"launch[/music/a b.mp3]", "launch[ /x]", "save[.][list.m3u]",
                                                       "save[lists][party]"}));
    actions.calls.clear();

    // Status text before the reply; unknown lines (a trailing blank included) are refused.
    EXPECT_EQ(exchange("status\n"), "mode stop\n200 OK\n");
    actions.statusText = "mode play\ntime 65\nlength 200\nartist A\nalbum B\ntrack C\n";
    EXPECT_EQ(exchange("STATUS\r\n"), actions.statusText + ok);
    EXPECT_EQ(exchange("play \n status\nplayer\n"),
              "500 Unrecognized command\n500 Unrecognized command\n500 Unrecognized command\n");
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"status", "status"}));
}

TEST_F(CommandPortTest, LineEnds) {
    // "\r\n" runs the command once: the '\n' is an empty line without a reply.
    EXPECT_EQ(exchange("play\r\n\r\n\n"), "200 OK\n");
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"play"}));
    actions.calls.clear();

    // The plug-in's habit: the command without a line end, then the close. It runs; the reply is lost.
    {
        Client client("127.0.0.2", port.boundPort());
        client.send("stop");
        client.close();
        ASSERT_TRUE(RunUntil([&] { return actions.calls.size() == 1 && port.connections() == 0; }));
        EXPECT_EQ(actions.calls[0], "stop");
    }
    EXPECT_EQ(exchange("next"), "");
    EXPECT_EQ(actions.calls.back(), "next");

    // A 2,500-character line runs as a 1,999-character line and a 501-character one.
    EXPECT_EQ(exchange(std::string(2500, 'x') + "\n"), "500 Unrecognized command\n500 Unrecognized command\n");
    actions.calls.clear();
    EXPECT_EQ(exchange("launch " + std::string(1992, 'a') + "bcd\n"), "200 OK\n500 Unrecognized command\n");
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"launch[" + std::string(1992, 'a') + "]"}));
}

TEST_F(CommandPortTest, HalfALineHoldsNothingUp) {
    Client slow("127.0.0.2", port.boundPort());
    slow.send("sta");
    RunFor(std::chrono::milliseconds(50));
    // Another client is served meanwhile; the half line is not run.
    EXPECT_EQ(exchange("play\n"), "200 OK\n");
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"play"}));
    slow.send("tus\n");
    ASSERT_TRUE(slow.awaitReceived("mode stop\n200 OK\n"));
    EXPECT_EQ(slow.received(), "mode stop\n200 OK\n");
}

TEST_F(CommandPortTest, DisconnectQuitAndVanishingClients) {
    {
        Client client("127.0.0.2", port.boundPort());
        client.send("disconnect\nplay\n");
        ASSERT_TRUE(client.awaitClosed());
        EXPECT_EQ(client.received(), "200 OK\n");
        RunFor(std::chrono::milliseconds(20));
        EXPECT_TRUE(actions.calls.empty());  // the line after "disconnect" went with the connection
        EXPECT_EQ(port.connections(), 0u);
    }
    {
        Client client("127.0.0.2", port.boundPort());
        client.send("quit\n");
        ASSERT_TRUE(client.awaitReceived("200 OK\n"));
        EXPECT_EQ(actions.calls, (std::vector<std::string>{"quit", "exit"}));
    }
    actions.calls.clear();
    // Clients that send many status lines and go without reading: no reply may end the process.
    for (int i = 0; i < 20; ++i) {
        Client client("127.0.0.2", port.boundPort());
        std::string lines;
        for (int j = 0; j < 200; ++j) lines += "status\n";
        client.send(lines);
        client.close();
        // The test's own thread runs the loop: each client is served before the next one
        // connects, so the listening queue never fills.
        ASSERT_TRUE(RunUntil([&] { return port.connections() == 0 && actions.calls.size() > 0; }));
        actions.calls.clear();
    }
    // One that never reads while asking on and on is dropped before its replies pile up.
    actions.statusText = std::string(8000, 's') + "\n";
    Client greedy("127.0.0.2", port.boundPort());
    std::string lines;
    for (int j = 0; j < 2000; ++j) lines += "status\n";
    greedy.send(lines);
    ASSERT_TRUE(RunUntil([&] { return port.connections() == 0; }));
    EXPECT_EQ(exchange("status\n"), actions.statusText + "200 OK\n");
}

TEST_F(CommandPortTest, SaveNamesStayInsideTheMusicFolder) {
    // Absolute paths, ways up, hidden files and names that would not be playlists are refused on
    // standard output and nothing is saved; the reply is that of any save that failed.
    const std::string refused = "200 OK\n";
    ::testing::internal::CaptureStdout();
    for (const char* line :
         {"save /some/where/victim.txt", "save /", "save /list.m3u", "save ../list.m3u", "save lists/../../list.m3u",
          "save a/..", "save .sorvex", "save ~/.sorvex", "save lists/.hidden.m3u", "save victim.txt", "save lists/",
          "save a//b.m3u", "save ./x.m3u", "save list.m3u.sh", "save list.m3u/"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(exchange(std::string(line) + "\n"), refused);
    }
    std::string withNul = "save a.m3u";
    withNul += '\0';
    EXPECT_EQ(exchange(withNul + "/../../x.m3u\n"), refused);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(testing::holds(printed, "Refused network save outside the music folder: /some/where/victim.txt\n"));
    // Each refusal says its own reason.
    EXPECT_TRUE(testing::holds(printed, "Refused network save outside the music folder: lists/../../list.m3u\n"));
    EXPECT_TRUE(testing::holds(printed, "Refused network save of a hidden file: .sorvex\n")) << printed;
    EXPECT_TRUE(testing::holds(printed, "Refused network save of a hidden file: lists/.hidden.m3u\n"));
    EXPECT_TRUE(testing::holds(printed, "Refused network save of a name that is no .m3u playlist: victim.txt\n"));
    EXPECT_TRUE(testing::holds(printed, "Refused network save of a name that is no .m3u playlist: a//b.m3u\n"));
    EXPECT_FALSE(testing::holds(printed, "outside the music folder: victim.txt\n"));
    EXPECT_TRUE(actions.calls.empty());
    // Upper-case extensions and names without one (".m3u" is added) are playlists.
    EXPECT_EQ(exchange("save Party.M3U\nsave a/b/c\n"), "200 OK\n200 OK\n");
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"save[.][Party.M3U]", "save[a/b][c]"}));
}

TEST(CommandPortSave, NetworkSavesLandInTheMusicFolder) {
    testing::ScratchFolder folder;
    const std::string victim = folder.write("victim.txt", "precious\n");
    const std::string prefsFile = folder.write("home/.sorvex", "shuffle 0\n");
    std::filesystem::create_directories(folder / "music/lists");
    Prefs prefs;
    prefs.directory = folder / "music";
    prefs.fsCharset = prefs.dataCharset = "UTF-8";
    Jukebox jukebox(prefs, MakeBackends(0, 0.0, {AudioOutput::Kind::Null, ""}));
    jukebox.addEntry(folder / "music", "a.mp3", std::string("Song A"), false);
    JukeboxCommands commands(jukebox, std::nullopt, nullptr);
    CommandPort port(commands);
    ASSERT_EQ(port.open(0), 0);
    auto exchange = [&](const std::string& line) {
        Client client("127.0.0.2", port.boundPort());
        client.send(line + "\n");
        client.shutdownWrite();
        EXPECT_TRUE(client.awaitClosed());
        return client.received();
    };
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(exchange("save " + victim), "200 OK\n");
    EXPECT_EQ(exchange("save ../victim.txt"), "200 OK\n");
    EXPECT_EQ(exchange("save ../home/.sorvex"), "200 OK\n");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Refused network save outside the music folder: " + victim +
                  "\nRefused network save outside the music folder: ../victim.txt\n"
                  "Refused network save outside the music folder: ../home/.sorvex\n");
    EXPECT_EQ(folder.read("victim.txt"), "precious\n");
    EXPECT_EQ(folder.read("home/.sorvex"), "shuffle 0\n");
    // Names refused for their form that would land inside the folder say so, not "outside".
    std::filesystem::create_directories(folder / "music/fifty");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(exchange("save " + (folder / "music/x.m3u")), "200 OK\n");
    EXPECT_EQ(exchange("save fifty/../ok1.m3u"), "200 OK\n");
    EXPECT_EQ(exchange("save lists/../../music/ok2.m3u"), "200 OK\n");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Refused network save by an absolute path (a name inside the music folder is needed): " +
                  (folder / "music/x.m3u") +
                  "\nRefused network save of a path with \"..\" in it: fifty/../ok1.m3u\n"
                  "Refused network save of a path with \"..\" in it: lists/../../music/ok2.m3u\n");
    for (const char* name : {"music/x.m3u", "music/ok1.m3u", "music/ok2.m3u"})
        EXPECT_FALSE(std::filesystem::exists(folder / name)) << name;
    EXPECT_EQ(exchange("save party"), "200 OK\n");
    EXPECT_EQ(exchange("save lists/later.m3u"), "200 OK\n");
    EXPECT_EQ(folder.read("music/party.m3u"), "#EXTM3U\r\n#EXTINF:-1,Song A\r\na.mp3\r\n");
    EXPECT_EQ(folder.read("music/lists/later.m3u"),
              "#EXTM3U\r\n#EXTINF:-1,Song A\r\n" + (folder / "music/a.mp3") + "\r\n");

    // Links out of the folder are refused, as the file or as a folder on the way.
    std::filesystem::create_symlink(victim, folder / "music/evil.m3u");
    std::filesystem::create_symlink(folder.path(), folder / "music/out");
    std::filesystem::create_symlink("party.m3u", folder / "music/inner.m3u");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(exchange("save evil.m3u"), "200 OK\n");
    EXPECT_EQ(exchange("save evil"), "200 OK\n");
    EXPECT_EQ(exchange("save out/victim.txt.m3u"), "200 OK\n");
    EXPECT_EQ(exchange("save out/new.m3u"), "200 OK\n");
    EXPECT_EQ(exchange("save inner"), "200 OK\n");
    const std::string said = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("Refused network save outside the music folder: evil.m3u\n"), std::string::npos) << said;
    // A link that stays inside the folder is refused as a link, not as a way out.
    EXPECT_TRUE(testing::holds(said, "Refused network save over a link or a file that is not a plain file: inner\n"))
        << said;
    EXPECT_FALSE(testing::holds(said, "outside the music folder: inner\n")) << said;
    EXPECT_EQ(folder.read("victim.txt"), "precious\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "new.m3u"));
    EXPECT_EQ(folder.read("music/party.m3u"), "#EXTM3U\r\n#EXTINF:-1,Song A\r\na.mp3\r\n");
    // A link or a pipe put in place after those checks is not opened either.
    ASSERT_EQ(::mkfifo((folder / "music/pipe.m3u").c_str(), 0600), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(jukebox.savePlaylist(folder / "music", "evil.m3u", true));
    EXPECT_FALSE(jukebox.savePlaylist(folder / "music", "pipe.m3u", true));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(folder.read("victim.txt"), "precious\n");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(exchange("save pipe"), "200 OK\n");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "Refused network save over a link or a file that is not a plain file: pipe\n");
}

// A save that fails shows its alert (modal on the appliance) only after the client has its reply.
TEST(CommandPortSave, TheClientIsAnsweredBeforeTheAlertOfAFailedSave) {
    testing::ScratchFolder folder;
    std::filesystem::create_directories(folder / "music");
    Prefs prefs;
    prefs.directory = folder / "music";
    prefs.fsCharset = prefs.dataCharset = "UTF-8";
    Jukebox jukebox(prefs, MakeBackends(0, 0.0, {AudioOutput::Kind::Null, ""}));
    jukebox.addEntry(folder / "music", "a.mp3", std::string("Song A"), false);
    struct ModalView : testing::RecordingView {
        std::function<void()> shown;
        void alert(const std::string& text) override {
            if (shown) shown();
            RecordingView::alert(text);
        }
    } view;
    jukebox.setView(&view);
    JukeboxCommands commands(jukebox, std::nullopt, nullptr);
    CommandPort port(commands);
    ASSERT_EQ(port.open(0), 0);
    Client client("127.0.0.2", port.boundPort());
    std::string seenAtAlert = "(no alert)";
    view.shown = [&] {
        client.poll();
        seenAtAlert = client.received();
    };
    client.send("save missing/list.m3u\n");
    ASSERT_TRUE(client.awaitReceived("200 OK\n"));
    ASSERT_TRUE(RunUntil([&] { return view.alerts.size() == 1; }));
    EXPECT_EQ(seenAtAlert, "200 OK\n");
    EXPECT_TRUE(view.alerts[0].starts_with("Couldn't open playlist file\n")) << view.alerts[0];
    // The next command is not followed by the same alert again.
    client.send("status\n");
    ASSERT_TRUE(client.awaitReceived("200 OK\n" + jukebox.statusText() + "200 OK\n"));
    EXPECT_EQ(view.alerts.size(), 1u);
}

// A view whose progress display lets the loop run, as the window's does.
struct PumpingView : testing::RecordingView {
    std::function<void()> onProgress;
    void showProgress(const std::string& text, int n) override {
        RecordingView::showProgress(text, n);
        if (onProgress) onProgress();
        while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
    }
    void endProgress() override {
        while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
    }
};

// Lines from a second client that arrive while a long list loads (its progress display runs
// the loop) wait until the load is done: "clear" then empties the whole list.
TEST(CommandPortGate, ACommandThatArrivesDuringAnotherRunsAfterIt) {
    testing::FakePlayers players;
    testing::ScratchFolder folder;
    folder.write("music/one.mp3", "");
    std::string list;
    for (int i = 0; i < 3000; ++i) list += "one.mp3\n";
    const std::string big = folder.write("music/big.m3u", list);
    Prefs prefs;
    prefs.directory = folder / "music";
    prefs.fsCharset = prefs.dataCharset = "UTF-8";
    Jukebox jukebox(prefs);
    PumpingView view;
    jukebox.setView(&view);
    JukeboxCommands commands(jukebox, std::nullopt, nullptr);
    CommandPort port(commands);
    ASSERT_EQ(port.open(0), 0);
    Client first("127.0.0.2", port.boundPort()), second("127.0.0.2", port.boundPort());
    ASSERT_TRUE(RunUntil([&] { return port.connections() == 2; }));

    // The first list plays; the second client speaks while the second launch loads.
    first.send("launch " + big + "\n");
    ASSERT_TRUE(first.awaitReceived("200 OK\n"));
    ASSERT_TRUE(jukebox.isPlaying());
    ASSERT_EQ(jukebox.count(), 3000);
    std::vector<int> countsSeen;
    bool sent = false;
    view.onProgress = [&] {
        countsSeen.push_back(jukebox.count());
        if (sent) return;
        sent = true;
        second.send("clear\nstatus\n");
    };
    first.send("launch " + big + "\n");
    ASSERT_TRUE(first.awaitReceived("200 OK\n200 OK\n"));
    ASSERT_TRUE(second.awaitReceived("200 OK\nmode stop\n200 OK\n"));
    EXPECT_EQ(second.received(), "200 OK\nmode stop\n200 OK\n");
    EXPECT_EQ(jukebox.count(), 0);
    EXPECT_FALSE(jukebox.isPlaying());
    // While it loaded, nothing else touched the list: it only grew.
    EXPECT_TRUE(std::is_sorted(countsSeen.begin(), countsSeen.end()));
    EXPECT_FALSE(countsSeen.empty());
}

TEST_F(CommandPortTest, WithEveryPlaceTakenTheClientIdleLongestMakesRoom) {
    // Seventeen clients that connect and say nothing: the first makes room for the seventeenth.
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 16; ++i) {
        clients.push_back(std::make_unique<Client>("127.0.0.2", port.boundPort()));
        ASSERT_TRUE(RunUntil([&] { return port.connections() == static_cast<std::size_t>(i + 1); })) << i;
    }
    // One of them is in use: it keeps its place over those that never spoke.
    clients[1]->send("status\n");
    EXPECT_TRUE(clients[1]->awaitReceived("mode stop\n200 OK\n"));
    clients.push_back(std::make_unique<Client>("127.0.0.2", port.boundPort()));
    ASSERT_TRUE(clients[0]->awaitClosed());
    EXPECT_EQ(clients[0]->received(), "");
    EXPECT_EQ(port.connections(), 16u);
    // A newcomer gets its status; the idle one after the first goes, not the one in use.
    Client newcomer("127.0.0.2", port.boundPort());
    ASSERT_TRUE(newcomer.connected());
    newcomer.send("status\n");
    EXPECT_TRUE(newcomer.awaitReceived("mode stop\n200 OK\n"));
    ASSERT_TRUE(clients[2]->awaitClosed());
    EXPECT_EQ(port.connections(), 16u);
    clients[1]->send("next\n");
    EXPECT_TRUE(clients[1]->awaitReceived("mode stop\n200 OK\n200 OK\n"));
    for (std::size_t i = 3; i < clients.size(); ++i) {
        clients[i]->send("play\n");
        EXPECT_TRUE(clients[i]->awaitReceived("200 OK\n")) << i;
    }
    // When one goes, a newcomer takes its place without anyone making room.
    clients[3]->close();
    ASSERT_TRUE(RunUntil([&] { return port.connections() == 15; }));
    Client late("127.0.0.2", port.boundPort());
    late.send("status\n");
    EXPECT_TRUE(late.awaitReceived("mode stop\n200 OK\n"));
    for (std::size_t i = 4; i < clients.size(); ++i) EXPECT_FALSE(clients[i]->poll()) << i;
    EXPECT_FALSE(clients[1]->poll());
}

// Out of descriptors, the waiting connections keep the listening socket readable: the port must
// rest instead of spinning, and say so once. Run in a child whose descriptor limit is lowered.
TEST(CommandPortLimits, OutOfDescriptorsTheLoopRestsAndSaysSoOnce) {
    testing::ScratchFolder folder;
    const std::string errors = folder / "stderr";
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const int log = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(log, 2);
        ::close(log);
        RecordingActions actions;
        CommandPort port(actions);
        if (port.open(0) != 0) ::_exit(2);
        const int probe = ::dup(0);  // the lowest free descriptor
        ::close(probe);
        const rlimit limit{static_cast<rlim_t>(probe + 2), static_cast<rlim_t>(probe + 2)};
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(3);
        const int number = port.boundPort();
        if (::write(report[1], &number, sizeof number) != sizeof number) ::_exit(4);
        bool done = false;
        // Long enough for many connections to wait; a spinning loop would use all of it.
        g_timeout_add(
            1500,
            [](gpointer flag) {
                *static_cast<bool*>(flag) = true;
                return G_SOURCE_REMOVE;
            },
            &done);
        const auto start = std::chrono::steady_clock::now();
        while (!done) g_main_context_iteration(nullptr, TRUE);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        const double figures[2] = {cpu, wall};
        if (::write(report[1], figures, sizeof figures) != sizeof figures) ::_exit(5);
        ::_exit(0);
    }
    ::close(report[1]);
    int number = 0;
    ASSERT_EQ(::read(report[0], &number, sizeof number), static_cast<ssize_t>(sizeof number));
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 20; ++i) {
        clients.push_back(std::make_unique<Client>("127.0.0.2", number));
        EXPECT_TRUE(clients.back()->connected());
    }
    double figures[2] = {0, 0};
    ASSERT_EQ(::read(report[0], figures, sizeof figures), static_cast<ssize_t>(sizeof figures));
    ::close(report[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const auto [cpu, wall] = figures;
    std::printf("out of descriptors: %.3f s CPU in %.3f s\n", cpu, wall);
    EXPECT_LT(cpu, wall / 4);
    const std::string said = folder.read("stderr");
    EXPECT_EQ(said, "accept: Too many open files\n");
}

TEST(CommandPortOpen, ARestartGetsItsPortBackWhileOldConnectionsLinger) {
    RecordingActions actions;
    auto first = std::make_unique<CommandPort>(actions);
    ASSERT_EQ(first->open(0), 0);
    const int number = first->boundPort();
    Client client("127.0.0.2", number);
    ASSERT_TRUE(RunUntil([&] { return first->connections() == 1; }));
    // The jukebox ends first (as after "quit"): its side of the connection waits in TIME_WAIT.
    first.reset();
    ASSERT_TRUE(client.awaitClosed());
    client.close();
    const int plain = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(number));
    EXPECT_NE(::bind(plain, reinterpret_cast<sockaddr*>(&address), sizeof address), 0)
        << "no lingering connection: the case is not made";
    ::close(plain);
    CommandPort second(actions);
    ASSERT_EQ(second.open(number), 0);
    Client again("127.0.0.2", number);
    again.send("play\n");
    EXPECT_TRUE(again.awaitReceived("200 OK\n"));
}

TEST(CommandPortOpen, ABusyPortIsReported) {
    RecordingActions actions;
    CommandPort first(actions), second(actions);
    ASSERT_EQ(first.open(0), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(second.open(first.boundPort()), -1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("bind: "), std::string::npos);
    EXPECT_EQ(second.failure(), "Address already in use");
}

}  // namespace
}  // namespace sorvex
