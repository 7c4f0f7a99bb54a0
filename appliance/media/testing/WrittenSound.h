// What a player wrote to its sound device, as it wrote it, for tests that play on a device of
// their own. The device (a sound server) runs on its own clock and drops what comes late on a
// busy machine; what the player sent is kept here whole, with the time of each write.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace media::testing {

struct WrittenSound {
    std::mutex mutex;
    std::vector<int16_t> samples;  // as written: 16-bit, interleaved stereo
    std::vector<std::pair<std::size_t, std::chrono::steady_clock::time_point>> writes;  // sample offset, time
    int drains = 0;  // queued sound dropped (a stop, or a pause that throws its queue away)

    void Clear();
    // Keeps the whole in `path` (the samples) and `path`.writes (offsets, times, drains), so
    // that another process can read it back with Load. False when a file could not be written.
    bool Save(const std::string &path);
    bool Load(const std::string &path);
};

// Wraps the sound output this process plays through (the installed one, else the environment's)
// so that every channel's writes are kept in `into`, which must outlive the tap.
void TapSoundOutput(WrittenSound &into);
// Back to the environment's output.
void UntapSoundOutput();

// The variable that makes a program started with the tap module preloaded keep what it writes:
// the module saves it to the named file when the program ends.
inline constexpr const char *kSoundTapVariable = "ZEPHRA_TEST_SOUND_TAP";

// Checks what the player wrote for a stepped tone of `seconds` paused once: every step in order,
// none left out, to the last, and the longest time between two writes (the pause) inside the
// piece. A player that keeps its queue at a pause (`queueKept`) drops no queued sound. Empty
// when right.
std::string CheckWrittenAcrossAPause(WrittenSound &written, int seconds, bool queueKept);

}  // namespace media::testing
