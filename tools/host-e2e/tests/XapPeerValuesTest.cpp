// zephra-host as an xAP node, met by a peer as the LAN may send: values given in hex, hostile
// BSC levels sent over and over, and a flood of speech.

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "HostEndToEnd.h"
#include "XapPeer.h"

namespace host_e2e {
namespace {

using namespace std::chrono_literals;
using simkit::testing::ChildProcess;

// The log's lines that hold `text`.
Lines logLines(const std::string& log, const std::string& text) {
    Lines found;
    std::istringstream all(log);
    for (std::string line; std::getline(all, line);)
        if (holds(line, text)) found.push_back(line);
    return found;
}

// The playing time the appliance logged for a WAV it fetched ("... ok wav=... ms=820 ...").
long wavMs(const std::string& line) {
    std::smatch m;
    return std::regex_search(line, m, std::regex(" ms=([0-9]+) ")) ? std::stol(m[1]) : -1;
}

// zephra-host for the folder as an xAP node that the peer talks to.
std::vector<std::string> xapArgs(const HostFolder& folder, const XapPeer& peer) {
    return folder.args({"--xap", "--xap-broadcast", kPeerAddress, "--xap-listen", kHostAddress, "--xap-port",
                        std::to_string(peer.port()), "--xap-source", kHostSource});
}

TEST(XapPeerValues, HexValuesAreSpokenAndShownAsTheirText) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-xaphex-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen", "Hall"});
        XapPeer peer;
        ChildProcess host(ZEPHRA_HOST_PROGRAM, xapArgs(folder, peer));
        ASSERT_TRUE(peer.waitFor([](const XapParsed& m) { return m.heartbeat(); })) << folder.log();

        // "Hello" in hex, then as text: the same speech, of the same length.
        peer.send("tts.speak", "dkv.dkvZephra.kitchen", "tts.speak\n{\nsay!48656C6C6F\n}\n");
        ASSERT_TRUE(appliances.waitFor("kitchen", "ok wav=")) << folder.log();
        peer.send("tts.speak", "dkv.dkvZephra.kitchen", "tts.speak\n{\nsay=Hello\n}\n");
        ASSERT_TRUE(appliances.waitFor("kitchen", "ok wav=", 2)) << folder.log();
        // The digits as text, for a speech of another length.
        peer.send("tts.speak", "dkv.dkvZephra.kitchen", "tts.speak\n{\nsay=48656C6C6F\n}\n");
        ASSERT_TRUE(appliances.waitFor("kitchen", "ok wav=", 3)) << folder.log();
        const Lines wavs = appliances.matching("kitchen", "ok wav=");
        EXPECT_GT(wavMs(wavs[0]), 0) << wavs[0];
        // (the speech engine's length varies by a few milliseconds between runs)
        EXPECT_NEAR(wavMs(wavs[0]), wavMs(wavs[1]), 100) << wavs[0] << "\n" << wavs[1];
        EXPECT_GT(wavMs(wavs[2]), wavMs(wavs[0]) + 1000) << wavs[0] << "\n" << wavs[2];

        // A page of text given in hex.
        peer.send("xAP-OSD.Display", "dkv.dkvZephra.hall", "Display.Zephra\n{\nText!48656C6C6F\n}\n");
        ASSERT_TRUE(appliances.waitFor("hall", "browse \"http://127.0.0.1:" + std::to_string(folder.webPort()) +
                                                   "/ZephraTemp/ZephraTempFilehall1.html\" ok status=200"))
            << folder.log() << testing::PrintToString(appliances.lines("hall"));
        const std::string page = folder.read("HTML/ZephraTemp/ZephraTempFilehall1.html");
        EXPECT_TRUE(holds(page, "Hello")) << page;
        EXPECT_FALSE(holds(page, "48656C6C6F")) << page;

        // Hex digits that are not whole pairs: the message is malformed, logged, and not spoken.
        peer.send("tts.speak", "dkv.dkvZephra.kitchen", "tts.speak\n{\nsay!48656C6C6\n}\n");
        peer.send("tts.speak", "dkv.dkvZephra.kitchen", "tts.speak\n{\nsay!48656C6C6G\n}\n");
        peer.send("tts.speak", "dkv.dkvZephra.kitchen", "tts.speak\n{\nsay=Bye\n}\n");
        ASSERT_TRUE(appliances.waitFor("kitchen", "ok wav=", 4)) << folder.log();
        const Lines malformed = logLines(folder.log(), "malformed");
        ASSERT_EQ(malformed.size(), 2u) << folder.log();
        for (const std::string& line : malformed)
            EXPECT_TRUE(holds(line,
                              "A malformed xAP datagram from 127.0.0.31 is dropped (a \"key!hex\" value that is "
                              "not pairs of hexadecimal digits in line 12)"))
                << line;
        EXPECT_EQ(appliances.matching("kitchen", "ok wav=").size(), 4u);
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

TEST(XapPeerValues, HostileBscLevelsAreLoggedAtABoundedRate) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-xapbsclog-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen"});
        XapPeer peer;
        ChildProcess host(ZEPHRA_HOST_PROGRAM, xapArgs(folder, peer));
        ASSERT_TRUE(peer.waitFor([](const XapParsed& m) { return m.heartbeat(); })) << folder.log();
        // A hundred commands, each with three blocks of a level no value holds.
        const std::string target = std::string(kHostSource) + ":kitchen_topled";
        std::string blocks;
        for (const char* name : {"output.state", "output.state.2", "output.state.3"})
            blocks += std::string(name) + "\n{\nID=*\nState=on\nLevel=99999999999999999999\n}\n";
        for (int i = 0; i < 100; ++i) {
            peer.send("xAPBSC.cmd", target, blocks);
            if (i % 20 == 19) std::this_thread::sleep_for(10ms);  // no more than the socket buffer holds
        }
        // A sound command after them: once it is obeyed, every one before it was handled.
        peer.send("xAPBSC.cmd", target, "output.state\n{\nID=*\nState=on\n}\n");
        ASSERT_TRUE(appliances.waitFor("kitchen", "topled=on")) << folder.log();
        const Lines errors = logLines(folder.log(), "BSCCmd");
        ASSERT_EQ(errors.size(), 5u) << folder.log();
        EXPECT_TRUE(holds(errors[0], "| dkvZephra | BSCCmd Line 0 Overflow")) << errors[0];
        EXPECT_TRUE(holds(errors[4], "| dkvZephra | BSCCmd Line 0 Overflow; more within a minute are only counted"))
            << errors[4];
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

// The sum of the counts of the "xAP speech dropped" lines.
std::size_t droppedSpeech(const std::string& log) {
    std::size_t dropped = 0;
    const std::regex count(R"(xAP speech dropped: 4 waiting to be made \(([0-9]+) dropped since the last)");
    for (const std::string& line : logLines(log, "xAP speech dropped")) {
        std::smatch m;
        if (std::regex_search(line, m, count)) dropped += std::stoul(m[1]);
    }
    return dropped;
}

TEST(XapPeerValues, AFloodOfSpeechIsCountedAndLaterSpeechIsHeardSoon) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-xapflood-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen"});
        XapPeer peer;
        ChildProcess host(ZEPHRA_HOST_PROGRAM, xapArgs(folder, peer));
        ASSERT_TRUE(peer.waitFor([](const XapParsed& m) { return m.heartbeat(); })) << folder.log();

        // 25 speeches a second for 8 seconds.
        const std::string say = "tts.speak\n{\nsay=The front door is open.\n}\n";
        constexpr int kSent = 200;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kSent; ++i) {
            std::this_thread::sleep_until(start + i * 40ms);
            peer.send("tts.speak", "dkv.dkvZephra.kitchen", say);
        }
        // Every speech of the flood is either played or counted in a dropped line (the last line
        // comes at most 10 s after the one before it).
        auto wavs = [&] { return appliances.matching("kitchen", "ok wav="); };
        ASSERT_TRUE(appliances.waitFor("kitchen", "ok wav=", 1, 60s));
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        auto accounted = [&] { return wavs().size() + droppedSpeech(folder.log()); };
        while (accounted() < kSent && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(50ms);
        const std::size_t played = wavs().size();
        EXPECT_EQ(accounted(), static_cast<std::size_t>(kSent))
            << played << " played\n"
            << testing::PrintToString(logLines(folder.log(), "xAP speech dropped"));
        EXPECT_GE(played, 2u);

        // A speech after the flood: heard within a few seconds.
        const auto later = std::chrono::steady_clock::now();
        peer.send("tts.speak", "dkv.dkvZephra.kitchen", "tts.speak\n{\nsay=And this comes after.\n}\n");
        EXPECT_TRUE(appliances.waitFor("kitchen", "ok wav=", played + 1, 60s)) << folder.log();
        const auto heardAfter = std::chrono::steady_clock::now() - later;
        EXPECT_LT(heardAfter, 10s) << std::chrono::duration_cast<std::chrono::milliseconds>(heardAfter).count()
                                   << " ms";
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
