// Cost of one datagram at the caller-ID server as its subscriber list grows: a subscribe that
// adds nothing (the client is listed), and an unsubscribe and a subscribe again (one registry
// write each), with 1, 10, 100 and 1,000 entries in the list. Prints microseconds per datagram
// and fails when 1,000 entries cost more than three times what one entry costs (the list is read
// and written in one go, so the cost hardly grows).
//
// Usage: bench_subscribe [datagrams per case]   (default 2000)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "callerid/UdpServer.h"
#include "core/PluginState.h"
#include "host/ConnectServices.h"
#include "windows/Registry.h"
#include "windows/testing/TempAppFolder.h"

namespace {

// A list of `entries` subscribers, the last of them the client that the case drives.
void fillList(int entries) {
    std::vector<std::pair<std::string, std::string>> list{{"ClientMax", std::to_string(entries)}};
    for (int k = 1; k <= entries; ++k)
        list.emplace_back(std::to_string(k), "10.1." + std::to_string(k / 250) + "." + std::to_string(k % 250));
    windows::DeleteSetting(zephra::kUdpAppName, "Clients");
    windows::SaveSettings(zephra::kUdpAppName, "Clients", list);
}

double microsecondsPer(zephra::PluginState& state, const std::vector<forms::Datagram>& cycle, long datagrams) {
    auto start = std::chrono::steady_clock::now();
    for (long n = 0; n < datagrams; ++n) zephra::ReceiveClientDatagram(state, cycle[n % cycle.size()]);
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() /
           static_cast<double>(datagrams);
}

}  // namespace

int main(int argc, char** argv) {
    const long datagrams = argc > 1 ? std::max(2L, std::atol(argv[1])) : 2000;
    windows::testing::TempAppFolder app;
    windows::Registry::CurrentUser().SetFile(app.path() / "registry.ini");
    windows::SaveSetting(zephra::kUdpAppName, "Clients", "ClientMax", "0");
    zephra::PluginState state;
    zephra::ConnectServices(state);

    double listedAtOne = 0, changeAtOne = 0;
    bool ok = true;
    std::printf("%8s %22s %28s\n", "entries", "listed subscribe (us)", "unsubscribe/subscribe (us)");
    for (int entries : {1, 10, 100, 1000}) {
        fillList(entries);
        const std::string last = "10.1." + std::to_string(entries / 250) + "." + std::to_string(entries % 250);
        const std::vector<forms::Datagram> listed{{std::string(1, '\1'), last, 4550}};
        const std::vector<forms::Datagram> change{{std::string(1, '\2'), last, 4550},
                                                  {std::string(1, '\1'), last, 4550}};
        const double listedUs = microsecondsPer(state, listed, datagrams);
        const double changeUs = microsecondsPer(state, change, datagrams);
        if (entries == 1) {
            listedAtOne = listedUs;
            changeAtOne = changeUs;
        }
        const bool flat = listedUs <= 3 * listedAtOne + 5 && changeUs <= 3 * changeAtOne + 5;
        ok = ok && flat;
        std::printf("%8d %22.1f %28.1f %s\n", entries, listedUs, changeUs, flat ? "ok" : "GROWS");
    }
    return ok ? 0 : 1;
}
