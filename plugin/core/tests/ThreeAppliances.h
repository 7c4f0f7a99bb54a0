#pragma once
// For the tests of what reaches several appliances: the settings read with three appliances
// on 127.0.0.2 to 127.0.0.4, "kitchen" and "hall" (power devices A3 and A4, both beside the
// motion sensor A7, slide group 1) and "den" (power device A5); with the appliance stand-in,
// their pages go to it. The loop runs on the manual clock, from 2001-01-01 10:00:30.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "callerid/UdpServer.h"
#include "core/QueueTimer.h"
#include "core/SettingsReader.h"
#include "core/Zephra.h"
#include "core/tests/ApplianceSim.h"
#include "core/tests/PluginTestBed.h"
#include "forms/UdpSocket.h"
#include "windows/Registry.h"

namespace zephra::testing {

inline forms::LocalTime LocalTime(int year, unsigned month, unsigned day, int hour, int minute, int second = 0) {
    using namespace std::chrono;
    return local_days{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}} + hours{hour} +
           minutes{minute} + seconds{second};
}

class ThreeAppliances : public ::testing::Test {
protected:
    using Strings = std::vector<std::string>;

    ThreeAppliances() {
        bed.state.HostVersionNumber = 20500;
        // The stand-in answers every request here: a loop-time wait gives it all the real time a
        // busy machine takes rather than moving the clock past an answer still on its way.
        bed.loop.setSettleTimeout(std::chrono::seconds(30));
        bed.loop.setLocalNow(LocalTime(2001, 1, 1, 10, 0, 30));
        bed.app.write("HTML/start.htm", "<html><body>start</body></html>");
        bed.app.write("HTML/links_touchscreen.htm", "<a href='/'>Home</a>");
    }
    ~ThreeAppliances() override {
        for (ZephraEntry& slot : bed.state.appliances.slots)
            if (slot.Object) slot.Object->Shutdown();
    }

    // Reads `settings` (lines of section "Zephra Utilities") with the three appliances; the
    // names field of each line may be given other switches with `fields` (after the base
    // code: power, motion, slide group, caller-ID switch).
    // With `udp`, the UDP server is bound first and the stand-in's clients, all on the port
    // udpPort, subscribe to it.
    void Start(const std::string& settings, bool withSim, const Strings& fields = {"A3,A7,1,0", "A4,A7,1,0", "A5,,0,0"},
               bool udp = false) {
        std::string kitchen = "127.0.0.2", hall = "127.0.0.3", den = "127.0.0.4";
        Strings options = {"--appliance", "hall=127.0.0.3:0", "--appliance", "den=127.0.0.4:0"};
        if (udp) {
            windows::SaveSetting(kUdpAppName, "Options", "LocalPort", "0");
            InitUDP(bed.state);
            udpPort = FreeUdpPort();
            windows::SaveSetting(kUdpAppName, "Options", "RemotePort", std::to_string(udpPort));
            const std::string server = "127.0.0.1:" + std::to_string(bed.state.QueueTimerForm().Winsock1.LocalPort);
            options.insert(options.end(), {"--udp-server", server, "--udp-port", std::to_string(udpPort)});
        }
        if (withSim) {
            sim = std::make_unique<ApplianceSim>(options);
            kitchen += "/" + sim->Http("kitchen");
            hall += "/" + sim->Http("hall");
            den += "/" + sim->Http("den");
        }
        if (udp)
            bed.loop.runUntil(
                [&] {
                    return IsRegisteredClient(bed.state, "127.0.0.2") && IsRegisteredClient(bed.state, "127.0.0.3") &&
                           IsRegisteredClient(bed.state, "127.0.0.4");
                },
                std::chrono::seconds(3));
        bed.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\nHomeseerIP=127.0.0.1\n" + settings +
                                                           "\n[Zephra Names]\n" + kitchen + "=\"Kitchen,[1," +
                                                           fields[0] + "\"\n" + hall + "=\"Hall,[11," + fields[1] +
                                                           "\"\n" + den + "=\"Den,[21," + fields[2] + "\"\n");
        InitZephraUtilities(bed.state);
        ASSERT_EQ(bed.state.appliances.slots.size(), 3u);
        if (sim) Sent();
        bed.host->ClearCalls();
    }
    Zephra& Z(int slot) { return *bed.state.appliances.slots[static_cast<std::size_t>(slot)].Object; }

    bool AllIdle() {
        for (int i = 0; i < 3; ++i)
            if (!Z(i).QueueIdle() || Z(i).CommandQueue().size() != 1) return false;
        return true;
    }
    // Lets every queued command go out, moving the clock on to due timers (at most `most`).
    void Settle(std::chrono::milliseconds most = std::chrono::seconds(10)) {
        bed.loop.waitUntil([&] { return AllIdle(); }, bed.loop.now() + most);
    }
    // A UDP port that is free on the appliances' addresses.
    static int32_t FreeUdpPort() {
        forms::UdpSocket probe;
        probe.Bind(0, "127.0.0.2");
        const int32_t port = probe.LocalPort;
        probe.Close();
        return port;
    }

    // What the appliances were sent since the last call, as "name /page" lines and "name udp
    // what ..." lines (without the sender).
    Strings Sent(std::chrono::milliseconds most = std::chrono::seconds(10)) {
        Settle(most);
        Strings pages;
        for (const std::string& line : sim->Lines(bed.loop, std::chrono::milliseconds(100))) {
            std::istringstream words(line);
            std::string name, page;
            words >> name >> page;
            if (!page.empty() && page[0] == '/') pages.push_back(name + " " + page);
            if (page == "udp" && line.find(" subscribe") == std::string::npos)
                pages.push_back(line.substr(0, line.find(" from=")));
        }
        return pages;
    }
    static int Count(const Strings& lines, const std::string& line) {
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
    // A client that is no appliance, the sentry: a UDP socket on 127.0.0.5 subscribed to the
    // plug-in's server, the last datagram it receives kept in `datagram`. False when the
    // server has not registered it.
    bool SubscribeSentry(forms::UdpSocket& sentry, std::string& datagram) {
        sentry.OnDataArrival = [&datagram](const forms::Datagram& d) { datagram = d.Data; };
        sentry.Bind(udpPort, "127.0.0.5");
        sentry.RemoteHost = "127.0.0.1";
        sentry.RemotePort = bed.state.QueueTimerForm().Winsock1.LocalPort;
        sentry.SendData(std::string(1, '\x01'));
        return bed.loop.runUntil([&] { return IsRegisteredClient(bed.state, "127.0.0.5"); }, std::chrono::seconds(30));
    }
    static Strings Of(const Strings& lines, const std::string& name) {
        Strings found;
        for (const std::string& line : lines)
            if (line.rfind(name + " ", 0) == 0) found.push_back(line.substr(name.size() + 1));
        return found;
    }

    PluginTestBed bed;
    std::unique_ptr<ApplianceSim> sim;
    int32_t udpPort = 0;
};

}  // namespace zephra::testing
