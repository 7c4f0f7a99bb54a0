#pragma once
// A media host for the plug-in's tests: loads Plimsa_rave.so on the simulated sound card, sends
// commands, and records every report with what the host would read of it.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "media/LoadDll.h"
#include "mediaapi/MvPlugin.h"
#include "qnx/SimulatedSound.h"

namespace plimsa::test {

struct Report {
    uint32_t mask;
    uint32_t state;
    std::string text;  // the error text of a mask with MVS_ERRORMSG
    bool operator==(const Report&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Report& r) {
    return out << "{" << r.mask << "," << r.state << ",\"" << r.text << "\"}";
}

// What a report's media information said.
struct MediaSeen {
    uint32_t type = 0;
    uint32_t duration = 0;
    std::string url, title, moreinfo;
};

class PluginHost : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads and binds the plug-in; the settings in `ctrl.setup` go in.
    void Load();
    int Send(uint32_t code, int32_t delta = 0, uint32_t which = 0, uint32_t position = 0);
    int Open(const std::string& url);
    void Terminate();

    // Waits (bounded) until the condition holds over the reports; false at the time-out.
    bool WaitFor(const std::function<bool()>& condition);
    // Waits for the n-th report of this state (counting from 1).
    bool WaitForState(uint32_t state, int nth = 1);
    std::vector<Report> Reports();
    void ClearReports();
    int Count(uint32_t state);

    // A file in the test's folder with these bytes; its path.
    std::string File(const std::string& name, const std::vector<uint8_t>& bytes);

    static void Callback(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus* status);
    // Overwrites the stack below the caller, where the frames of returned calls lay.
    static void ScribbleOnTheStack();

    MvPluginCtrl ctrl{};
    MvPlaybackParams params{};
    std::shared_ptr<qnx::SimulatedSound> sim;
    std::string folder;

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Report> reports;
    std::vector<uint32_t> volumes;               // volume reports
    std::vector<MediaSeen> media;                // media information of reports with MVS_MEDIA
    std::vector<uint32_t> positions;             // MVS_POSITION reports
    std::vector<std::string> titles;             // MVS_VIDEO_WND_TITLE reports
    const MvPluginStatus* lastStatus = nullptr;  // the record of the last report, as a host may keep it
    bool deadStatusAllZero = false;
    bool terminateAtTheEnd = false;  // the callback terminates the plug-in at the end of play
};

}  // namespace plimsa::test
