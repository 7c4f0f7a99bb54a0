// A simulated sound card for tests: installed in place of the environment's output, it plays the
// PCM it is given at the stream's real rate on a clock the test moves, tells what is queued, and
// can be made to take a short write or to run into an underrun. Its mixer has one group "PCM"
// (0..100 unless set) whose levels a test may change as another program would.
#pragma once

#include "qnx/asoundlib.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

namespace qnx {

class SimulatedSound {
public:
    // Installs a new simulated card as the sound library's output for the whole process.
    static std::shared_ptr<SimulatedSound> Install();
    // Goes back to the output the environment names. Open handles keep their card.
    static void Uninstall();

    // Moves the clock: queued PCM plays at the stream's rate; a running channel whose queue runs
    // empty before the time is up goes into SND_PCM_STATUS_UNDERRUN.
    void Advance(std::chrono::microseconds elapsed);
    // When on, a write or flush that would wait for room moves the clock itself, by just enough.
    void SetAutoAdvance(bool on);
    std::chrono::microseconds Now() const;

    // The next `times` writes take only `accepted` bytes each and leave the channel as it is.
    void InjectShortWrite(size_t accepted, int times = 1);
    // The running channel underruns now: its queue is dropped, the status becomes UNDERRUN.
    void InjectUnderrun();
    // The next snd_pcm_open fails with this (negative) error number.
    void FailNextOpen(int error);

    std::vector<unsigned char> Written() const;  // every byte any write took, in order
    uint64_t PlayedBytes() const;
    size_t QueuedBytes() const;
    int Status() const;  // SND_PCM_STATUS_* of the open channel
    bool IsOpen() const;
    snd_pcm_channel_params_t LastParams() const;
    int Prepares() const;  // counts since Install
    int Drains() const;
    int Flushes() const;
    int Underruns() const;

    void SetMixerRange(int min, int max);
    void SetMixerChannels(uint32_t mask);
    // Changes the front levels as another program would; open mixers get a change event.
    void SetLevels(int left, int right);
    void Levels(int &left, int &right) const;
    snd_mixer_group_t MixerGroup() const;
    // The next `times` mixer group writes fail with this (negative) error number.
    void FailMixerWrites(int error, int times = 1);
    int OpenMixers() const;  // mixers of the card open now

    struct State;
    explicit SimulatedSound(std::shared_ptr<State> state);

private:
    std::shared_ptr<State> state_;
};

}  // namespace qnx
