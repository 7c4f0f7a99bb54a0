// A sound device that plays at a card's pace, for tests that need one: a PulseAudio server of the
// test's own with one null sink, reached through ALSA's "pulse" device. The server, its socket and
// its runtime folder belong to the test; the machine's own sound is never touched. What the sink
// plays is recorded from its monitor as raw 16-bit stereo at 44100 Hz.
//
// Position-coded tones: a tone whose pitch steps every 100 ms, so that a recording tells which
// part of the file was playing at each moment, whatever the delays around it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace media::testing {

class SoundServer {
public:
    // Starts the server, with its socket and files in a folder of its own under /tmp, and waits
    // until it answers.
    SoundServer();
    // Ends a recording still running, then the server, and removes its folder.
    ~SoundServer();
    SoundServer(const SoundServer &) = delete;
    SoundServer &operator=(const SoundServer &) = delete;

    // Whether the server answered; otherwise Failure() says why.
    bool Ready() const { return ready_; }
    const std::string &Failure() const { return failure_; }
    // The server's address for PULSE_SERVER ("unix:PATH").
    std::string Address() const { return "unix:" + socket_; }
    // Environment assignments that send a program's ALSA output to this server, for a shell command.
    std::string ShellEnvironment() const;
    // Sets those variables in this process (before its first sound output).
    void ExportEnvironment() const;

    // Records the sink's monitor into `path`; false when the recorder did not start.
    bool StartRecording(const std::string &path);
    // Ends the recording; the file then holds what was recorded.
    void StopRecording();
    // The server dies at once, as a crashed one does, with its players still connected.
    void Kill();

    // Runs pactl on this server with `args` (a shell word list); false when it failed. What it
    // printed goes to `out`.
    bool Control(const std::string &args, std::string *out = nullptr) const;
    // The null sink's own volume and mute, as pactl prints them; every program plays at them.
    std::string SinkVolume() const;
    std::string SinkMute() const;
    // The sink's name, for pactl's commands.
    static const char *SinkName();

private:
    std::string dir_, socket_, failure_;
    pid_t server_ = -1, recorder_ = -1;
    bool ready_ = false;
};

inline constexpr int kRecordRate = 44100;

// Samples (interleaved stereo, 16-bit) of a raw recording.
std::vector<int16_t> ReadRecording(const std::string &path);

// Waits until a recording still running holds sound (not silence); false when none came in a
// limit far beyond any start.
bool WaitUntilHeard(const std::string &path);

// Writes a WAV file of `seconds` of position-coded tone: step k (100 ms each) at StepHz(k).
bool WriteSteppedTone(const std::string &path, int rate, int channels, int seconds);
int StepHz(int step);
// Makes `dir` and in it steps.wav (44100 Hz stereo) and steps.mp3 (made from it by lame). False
// when either could not be made.
bool MakeSteppedFiles(const std::string &dir, int seconds);

// A recording read as what played: per 50 ms window the step heard, or -1 for silence.
std::vector<int> HeardSteps(const std::vector<int16_t> &stereo, int rate);

// A pause in a recording: the last step heard before the longest run of silence inside the
// played part, and the first step heard after it; found is false without such a run.
struct HeardPause {
    bool found = false;
    int before = -1, after = -1;
    int silentWindows = 0;
};
HeardPause FindPause(const std::vector<int> &steps);

}  // namespace media::testing
