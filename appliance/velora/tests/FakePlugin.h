#pragma once
// A media plug-in for the player's tests: it records every command it is sent and reports from
// a thread of its own, as the real plug-ins do from their decoder threads. The test reaches it
// through the library's FakePluginControl.

#include <mutex>
#include <string>
#include <vector>

#include "mediaapi/MvPlugin.h"

namespace velora::testing {

struct FakeCommand {
    uint32_t cmdType;
    uint32_t which;
    std::string url;           // OPEN_URLS: the first URL
    uint32_t position;         // params->position
    int32_t delta;             // params->delta
    uint32_t statusFrequency;  // params->status_frequency as sent
    uint32_t volume;           // params->audio.volume
    uint32_t seekUnit;
    uint32_t repeatType;
};

struct FakeControl {
    std::mutex mutex;
    std::vector<FakeCommand> commands;
    MvPluginCtrl* ctrl = nullptr;  // the record of the latest MvInit
    uint32_t duration = 180000;    // what an opened medium reports
    uint32_t mediaType = MV_MEDIA_AUDIO | MV_MEDIA_SEEKABLE;
    std::string moreinfo;
    bool answer = true;  // reply to commands with state reports
    uint32_t pflags = 0;
    int terminated = 0;
    bool endOnTerminate = true;  // false: never reports MV_DEAD

    // Report from a thread of the plug-in's own, and wait for it (set by the plug-in).
    void (*Report)(uint32_t mask, const MvPluginStatus& status) = nullptr;
    void (*ReportState)(uint32_t state) = nullptr;
    void (*ReportPosition)(uint32_t position) = nullptr;

    // Forgets the commands so far and gives them.
    std::vector<FakeCommand> Take()
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<FakeCommand> taken;
        taken.swap(commands);
        return taken;
    }
};

using FakeControlF = FakeControl* (*)();

}  // namespace velora::testing
