// Appliances driven through zephra-host over time: a power device the host has never switched
// does not silence its appliance, one switched off stays off across a restart and across a
// kill, a script that speaks faster than the appliance plays learns which speeches were refused
// while the rest, and a later speech, are heard, an appliance that does not answer holds up no
// other's speech, and a command given up is said and not shown as done.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <csignal>
#include <string>
#include <thread>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;
using Clock = std::chrono::steady_clock;

std::filesystem::path SimLog(const char* name) {
    return std::filesystem::temp_directory_path() /
           ("host-e2e-" + std::string(name) + "-" + std::to_string(getpid()) + ".log");
}

// The value zephra-host prints for `expression` ("= " and the value), between "<" and ">".
std::string Value(ChildProcess& host, const std::string& expression) {
    host.writeLine("? \"<\" & " + expression + " & \">\"");
    const std::optional<std::string> said = host.waitForLine("= <");
    if (!said) return "(no answer)";
    return said->substr(3, said->size() - 4);
}

// The host log's lines that hold `text`.
Lines LogLines(const std::string& log, const std::string& text) {
    Lines found;
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        const std::string line = log.substr(start, end - start);
        if (holds(line, text)) found.push_back(line);
        start = end + 1;
    }
    return found;
}

TEST(PowerAndQueue, APowerDeviceNeverSwitchedServesItsApplianceAndOneSwitchedOffStaysOffAcrossARestart) {
    const std::filesystem::path simLog = SimLog("power");
    {
        Appliances appliances(simLog, {"--slow", "kitchen=4000"});
        HostFolder folder(appliances, {"Kitchen,[1", "Hall,,C5"});
        const std::string skipped = "| dkvZephra | hall Zephra skipped: the host reports its power device C5 off";
        {
            ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
            ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
            EXPECT_EQ(Value(host, "hs.DeviceStatus(\"C5\")"), "17");
            // Never switched: the hall is served.
            EXPECT_NE(Value(host, "ZephraLED(\"hall\", \"top on\")"), "");
            EXPECT_NE(Value(host, "ZephraSpeak(\"hall\", \"Hello hall\")"), "");
            EXPECT_TRUE(appliances.waitFor("hall", "/led.shtml?t1 ok topled=on"));
            EXPECT_TRUE(appliances.waitFor("hall", "/loadWav.shtml?http://127.0.0.1:"));
            EXPECT_TRUE(LogLines(folder.log(), skipped).empty());

            // Switched off, it is skipped, and said so once.
            host.writeLine("hs.ExecX10 \"C5\", \"off\"");
            EXPECT_EQ(Value(host, "ZephraLED(\"hall\", \"mail on\")"), "");
            EXPECT_EQ(Value(host, "ZephraVolume(\"hall\", 30)"), "");
            EXPECT_EQ(LogLines(folder.log(), skipped).size(), 1u) << folder.log();

            // Three commands for the slow kitchen: they are still queued when the host ends.
            for (int level = 21; level <= 23; ++level)
                host.writeLine("ZephraVolume \"kitchen\", " + std::to_string(level));
            EXPECT_TRUE(
                holds(Value(host, "hs.DeviceString(\"[10\")"), "Queue: 2)  | volume.shtml?22 | volume.shtml?23"));
            EXPECT_EQ(host.terminate(), 0);
        }
        {
            ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
            ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
            // The power device is still off: the hall stays skipped; nothing is queued for the kitchen.
            EXPECT_EQ(Value(host, "hs.DeviceStatus(\"C5\")"), "3");
            EXPECT_EQ(Value(host, "ZephraLED(\"hall\", \"mail blink\")"), "");
            EXPECT_EQ(Value(host, "hs.DeviceString(\"[10\")"), "Queue: 0) ");
            EXPECT_EQ(LogLines(folder.log(), skipped).size(), 2u) << folder.log();

            host.writeLine("hs.ExecX10 \"C5\", \"on\"");
            EXPECT_NE(Value(host, "ZephraLED(\"hall\", \"mail blink\")"), "");
            EXPECT_TRUE(appliances.waitFor("hall", "/led.shtml?m2 ok mailled=blink"));
            EXPECT_EQ(host.terminate(), 0);
        }
        EXPECT_TRUE(appliances.matching("hall", "/led.shtml?m1").empty());
        EXPECT_TRUE(appliances.matching("hall", "/volume.shtml?30").empty());
        EXPECT_FALSE(holds(folder.log(), "hsExecX10"));
    }
    std::filesystem::remove(simLog);
}

// The tokens of "[token]" items: how many were given and how many were empty.
struct Tokens {
    int given = 0, refused = 0;
};
Tokens Count(const std::string& items) {
    Tokens t;
    const std::regex token(R"(\[([^\]]*)\])");
    for (std::sregex_iterator it(items.begin(), items.end(), token), end; it != end; ++it)
        ++((*it)[1].length() == 0 ? t.refused : t.given);
    return t;
}

// The sum of the counts of the log's refusal lines that hold `text`.
int Refusals(const std::string& log, const std::string& text) {
    const std::regex count(R"(; ([0-9]+) refused since the last such line)");
    int counted = 0;
    for (const std::string& line : LogLines(log, text)) {
        std::smatch m;
        if (std::regex_search(line, m, count)) counted += std::stoi(m[1]);
    }
    return counted;
}

// Waits until the log's refusal lines holding `text` count `refused`; the count reached.
int WaitForRefusals(const HostFolder& folder, const std::string& text, int refused) {
    const auto deadline = Clock::now() + std::chrono::seconds(40);
    int counted = Refusals(folder.log(), text);
    while (counted < refused && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        counted = Refusals(folder.log(), text);
    }
    return counted;
}

TEST(PowerAndQueue, AScriptLoopLearnsWhichCallsWereRefusedTheRestAreHeardAndALaterSpeechComesWithinSeconds) {
    const std::filesystem::path simLog = SimLog("speechloop");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen"});
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));

        // Thirty speeches from one statement, which lets no answer of the appliance in: a speech
        // whose file would be spoken over while it still waits is refused.
        host.writeLine(
            "s = \"\" : For i = 1 To 30 : s = s & \"[\" & ZephraSpeak(\"kitchen\", \"Speech \" & i) & \"]\" : "
            "Next");
        const Tokens speeches = Count(Value(host, "s"));
        EXPECT_EQ(speeches.given + speeches.refused, 30);
        EXPECT_GE(speeches.given, 10);
        EXPECT_GT(speeches.refused, 0);
        const auto given = static_cast<std::size_t>(speeches.given);
        ASSERT_TRUE(appliances.waitFor("kitchen", "/loadWav.shtml?", given, std::chrono::seconds(60)))
            << appliances.matching("kitchen", "/loadWav").size();
        // Each speech heard is its own file: none was spoken over before it was played.
        Lines heard = appliances.matching("kitchen", "/loadWav.shtml?");
        std::sort(heard.begin(), heard.end());
        EXPECT_EQ(std::unique(heard.begin(), heard.end()) - heard.begin(), speeches.given);

        // Thirty volumes: the queue takes twenty-one behind the one under way, the rest are refused.
        host.writeLine("s = \"\" : For i = 1 To 30 : s = s & \"[\" & ZephraVolume(\"kitchen\", i) & \"]\" : Next");
        const Tokens volumes = Count(Value(host, "s"));
        EXPECT_EQ(volumes.given + volumes.refused, 30);
        EXPECT_GE(volumes.given, 21);  // 22 when the last speech's answer is in by then
        EXPECT_GT(volumes.refused, 0);
        EXPECT_TRUE(appliances.waitFor("kitchen", "/volume.shtml?", static_cast<std::size_t>(volumes.given),
                                       std::chrono::seconds(60)));

        // A later speech is heard within seconds, not after a power cycle.
        const Clock::time_point asked = Clock::now();
        EXPECT_NE(Value(host, "ZephraSpeak(\"kitchen\", \"One more\")"), "");
        EXPECT_TRUE(appliances.waitFor("kitchen", "/loadWav.shtml?", given + 1, std::chrono::seconds(30)));
        EXPECT_LT(Clock::now() - asked, std::chrono::seconds(20));

        // Every refusal is counted in the log; no power cycle, no X10 command with an empty code.
        EXPECT_EQ(WaitForRefusals(folder, "InternalSpeak refused a speech for \"kitchen\"", speeches.refused),
                  speeches.refused)
            << folder.log();
        EXPECT_EQ(WaitForRefusals(folder, "kitchen Zephra refused volume.shtml?", volumes.refused), volumes.refused)
            << folder.log();
        const std::string log = folder.log();
        EXPECT_FALSE(holds(log, "hsExecX10")) << log;
        EXPECT_FALSE(holds(log, "power cycle")) << log;
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

// The kitchen answers nothing: twelve speeches for it, and two seconds later one for the hall,
// which hears it at once. The refusals are counted in the log with the kitchen's name.
TEST(PowerAndQueue, AnApplianceThatDoesNotAnswerHoldsUpNoOtherAppliancesSpeech) {
    const std::filesystem::path simLog = SimLog("silentspeech");
    {
        Appliances appliances(simLog, {"--silent", "kitchen"});
        HostFolder folder(appliances, {"Kitchen", "Hall"});
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        host.writeLine(
            "s = \"\" : For i = 1 To 12 : s = s & \"[\" & ZephraSpeak(\"kitchen\", \"Kitchen \" & i) & \"]\" : "
            "Next");
        const Tokens kitchen = Count(Value(host, "s"));
        EXPECT_EQ(kitchen.given, 10);
        EXPECT_EQ(kitchen.refused, 2);
        ASSERT_TRUE(appliances.waitFor("kitchen", "/loadWav.shtml?"));

        std::this_thread::sleep_for(std::chrono::seconds(2));
        const Clock::time_point asked = Clock::now();
        EXPECT_NE(Value(host, "ZephraSpeak(\"hall\", \"The hall is spoken to\")"), "");
        EXPECT_TRUE(appliances.waitFor("hall", "/ZephraTemp/ZephraTempFilehall1.wav\"", 1, std::chrono::seconds(30)))
            << folder.log();
        EXPECT_LT(Clock::now() - asked, std::chrono::seconds(20));

        const std::string refused = "InternalSpeak refused a speech for \"kitchen\"";
        EXPECT_EQ(WaitForRefusals(folder, refused, 2), 2) << folder.log();
        for (const std::string& line : LogLines(folder.log(), refused))
            EXPECT_TRUE(std::regex_search(line, std::regex("refused since the last such line: \"kitchen\" [12]$")))
                << line;
        EXPECT_TRUE(LogLines(folder.log(), "refused a speech for \"hall\"").empty());
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

// The hall answers nothing: its mail LED command is given up after its try, said once in the
// log, and the LED's status stays what the hall has.
TEST(PowerAndQueue, ACommandGivenUpIsSaidAndItsStatusIsNotShownAsDone) {
    const std::filesystem::path simLog = SimLog("givenup");
    {
        Appliances appliances(simLog, {"--silent", "hall"});
        HostFolder folder(appliances, {"Kitchen", "Hall"});
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        host.writeLine("t = ZephraMailLed(\"hall\", \"on\")");
        EXPECT_EQ(Value(host, "ZephraCommandBusy(\"hall\", t)"), "True");
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (Value(host, "ZephraCommandBusy(\"hall\", t)") != "False" && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        EXPECT_EQ(Value(host, "ZephraCommandBusy(\"hall\", t)"), "False");
        EXPECT_EQ(Value(host, "ZephraMailLEDStatus(\"hall\")"), "off");
        EXPECT_EQ(
            LogLines(folder.log(), "| dkvZephra | hall Zephra gave up led.shtml?m1: no answer after 1 try").size(), 1u)
            << folder.log();
        EXPECT_EQ(appliances.matching("hall", "/led.shtml?m1").size(), 1u);
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

// A power device switched off and the host killed at once: after the restart the device still
// reads off, and its appliance is sent nothing.
TEST(PowerAndQueue, APowerSwitchOutlivesAKilledHost) {
    const std::filesystem::path simLog = SimLog("powerkill");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen,,C5", "Hall"});
        {
            ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
            ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
            EXPECT_EQ(Value(host, "hs.DeviceStatus(\"C5\")"), "17");
            host.writeLine("hs.ExecX10 \"C5\", \"off\"");
            EXPECT_EQ(Value(host, "hs.DeviceStatus(\"C5\")"), "3");
            ASSERT_EQ(::kill(host.pid(), SIGKILL), 0);
            host.waitExit();
        }
        {
            ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
            ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
            EXPECT_EQ(Value(host, "hs.DeviceStatus(\"C5\")"), "3");
            EXPECT_EQ(Value(host, "ZephraLED(\"kitchen\", \"top on\")"), "");
            EXPECT_NE(Value(host, "ZephraLED(\"hall\", \"top on\")"), "");
            EXPECT_TRUE(appliances.waitFor("hall", "/led.shtml?t1 ok topled=on"));
            EXPECT_EQ(host.terminate(), 0);
        }
        EXPECT_TRUE(appliances.matching("kitchen", "/led.shtml?t1").empty());
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
