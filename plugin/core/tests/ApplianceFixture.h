#pragma once
// For the appliance object's tests: the appliance stand-in on 127.0.0.2, the settings read
// by the settings reader from an INI text that defines the appliance "kitchen" (computer
// name: the stand-in's address and port; base device code "[1", so the queue device is
// "[10"; power device A3), and the host's X10 commands for A3 switching the stand-in's power.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "automation/Class.h"
#include "callerid/UdpServer.h"
#include "core/QueueTimer.h"
#include "core/SettingsReader.h"
#include "core/Zephra.h"
#include "core/tests/ApplianceSim.h"
#include "core/tests/PluginTestBed.h"
#include "homeseer/Host.h"
#include "windows/Registry.h"

namespace zephra::testing {

// Takes the host's X10 events as the plug-in's hidden form does: HSEvent(parms) with parms
// (event type, house code, unit, command 2 on / 3 off).
class X10Listener : public automation::Dispatch<X10Listener> {
public:
    static constexpr std::string_view className = "X10Listener";
    static void describe(automation::Members<X10Listener>& m) { m.method<&X10Listener::HSEvent>("HSEvent"); }

    void HSEvent(const vb::Variant& parms) {
        const vb::Array& p = parms.array();
        if (onEvent) onEvent(vb::CStr(p.at(1)) + vb::CStr(p.at(2)), vb::CLng(p.at(3)));
    }
    std::function<void(const std::string& code, int32_t command)> onEvent;
};

class ApplianceFixture : public ::testing::Test {
protected:
    // Starts the stand-in (with more options), reads `settings` (lines of section "Zephra
    // Utilities") and takes the appliance object. With `udp`, the UDP server is bound first
    // and the stand-in's client subscribes to it.
    void Start(const std::string& settings = "", std::vector<std::string> simOptions = {}, bool udp = false) {
        bed.app.write("HTML/start.htm", "<html><body>start</body></html>");
        bed.loop.setSettleTimeout(std::chrono::milliseconds(200));
        if (udp) {
            windows::SaveSetting(kUdpAppName, "Options", "LocalPort", "0");
            InitUDP(bed.state);
            const int local = bed.state.QueueTimerForm().Winsock1.LocalPort;
            simOptions.insert(simOptions.end(),
                              {"--udp-server", "127.0.0.1:" + std::to_string(local), "--udp-port", "0"});
        }
        sim = std::make_unique<ApplianceSim>(simOptions);
        if (udp) {
            windows::SaveSetting(kUdpAppName, "Options", "RemotePort", std::to_string(sim->UdpPort()));
            bed.loop.runUntil([&] { return IsRegisteredClient(bed.state, "127.0.0.2"); }, std::chrono::seconds(30));
        }
        bed.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\n" + settings +
                                                           "\n[Zephra Names]\n127.0.0.2/" + sim->Http() +
                                                           "=\"Kitchen,[1,A3,,0,0,\"\n");
        InitZephraUtilities(bed.state);
        kitchen = bed.state.appliances.slots[0].Object;
        ASSERT_TRUE(kitchen);
        powerLine->onEvent = [this](const std::string& code, int32_t command) {
            if (code == "A3") sim->Control(std::string("/sim/power?name=kitchen&on=") + (command == 2 ? "1" : "0"));
        };
        bed.host->RegisterEventCB(homeseer::kX10Event, powerLine);
        bed.host->ClearCalls();
    }

    // Runs the loop, moving the manual clock on to due timers once nothing else is awaited,
    // until `done` holds (at most ten minutes of loop time).
    bool Settle(const std::function<bool()>& done) {
        return bed.loop.waitUntil(done, bed.loop.now() + std::chrono::minutes(10));
    }
    bool Idle() {
        return Settle([&] { return kitchen->QueueIdle() && kitchen->CommandQueue().size() == 1; });
    }

    std::string Url(const std::string& command) const { return "http://" + sim->Http() + "/" + command; }
    forms::Timer& Timer1() { return bed.state.QueueTimerForm().Timer1(*kitchen->Timer1Index()); }
    std::string PageLine(const std::string& page) { return sim->Next(bed.loop, "kitchen /" + page); }

    ~ApplianceFixture() override {
        if (kitchen) kitchen->Shutdown();
    }

    PluginTestBed bed;
    std::unique_ptr<ApplianceSim> sim;
    std::shared_ptr<Zephra> kitchen;
    std::shared_ptr<X10Listener> powerLine = std::make_shared<X10Listener>();
};

}  // namespace zephra::testing
