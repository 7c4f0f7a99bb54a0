// A recording media host for the tests that drive the MPEG plug-in core in their own process:
// it binds the core through MvInit on a simulated sound card, sends commands and keeps every
// report the core makes (volume reports apart).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "mediaapi/MvPlugin.h"
#include "StreamTools.h"
#include "qnx/SimulatedSound.h"

namespace brisko::test {

struct Report {
    Report(uint32_t m = 0, uint32_t s = 0, std::string t = "", uint32_t p = 0)
        : mask(m), state(s), text(std::move(t)), position(p)
    {
    }
    uint32_t mask = 0;
    uint32_t state = 0;
    std::string text;       // the error text (mask 64), the title line (mask 128), or the title (mask 4)
    uint32_t position = 0;  // mask 8
    bool operator==(const Report&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Report& r);

class CoreHost {
public:
    CoreHost();
    ~CoreHost();

    int Send(uint32_t code, int32_t delta = 0, uint32_t which = 0, const char* url = nullptr);
    int Open(const std::string& url) { return Send(CMD_PLUGIN_OPEN_URLS, 1, MVP_DELTA, url.c_str()); }
    int Seek(uint32_t ms);

    // The reports since the last call.
    std::vector<Report> Take();
    // Waits (at most 30 s) until a report made since the last command satisfies `done`; false on
    // time-out.
    bool WaitFor(const std::function<bool(const Report&)>& done);
    // Waits until the decoder thread's end: an MV_STOPPED or MV_CLOSED report.
    bool WaitForEnd();
    bool WaitForVolume();
    // Polls the status (at most 30 s) until the last report of a poll has a text that satisfies
    // `done`; false on time-out.
    bool PollStatusUntil(const std::function<bool(const std::string&)>& done);
    std::vector<uint32_t> Volumes();
    // Run inside the callback (on whichever thread reports) with each report but the volume's.
    std::function<void(const Report&)> onReport;

    MvPluginCtrl ctrl{};
    MvPlaybackParams params{};
    std::shared_ptr<qnx::SimulatedSound> sim;

private:
    static void Callback(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus* status);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Report> reports_;
    std::vector<Report> seen_;  // every report, for the waits
    std::size_t mark_ = 0;      // where the waits begin: after the last command or the last match
    std::vector<uint32_t> volumes_;
    bool deadSeen_ = false;
};

// The PCM the core wrote, without the silence (bytes of value `silence`) that completes the last
// 16384-byte fragment when the device closes; empty when that padding is not as expected.
std::vector<std::uint8_t> WithoutPadding(const std::vector<std::uint8_t>& written, std::size_t expected,
                                         std::uint8_t silence = 0);

// Whether the card's output ends with `expected` and the padding of the device's close.
bool EndsWith(const std::vector<std::uint8_t>& written, const std::vector<std::uint8_t>& expected,
              std::uint8_t silence = 0);

// Polls `done` until it holds (at most 30 s); for effects of the plug-in's threads that no
// report announces.
bool Eventually(const std::function<bool()>& done);

// The decoded PCM as the bytes a device gets.
std::vector<std::uint8_t> PcmBytes(const Decoded& decoded);

// Sets environment variables for one test and takes them away again.
class ScopedEnv {
public:
    ScopedEnv(std::initializer_list<std::pair<const char*, const char*>> vars);
    ~ScopedEnv();

private:
    std::vector<std::string> names_;
};

}  // namespace brisko::test
