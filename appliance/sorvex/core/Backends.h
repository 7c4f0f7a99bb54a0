#pragma once
// The outside decoder back-ends: each plays one track by running an outside program (madplay,
// ogg123) and reads the program's verbose output through a pipe, on the GLib main loop, to
// learn the track's tags, elapsed time, length and end.

#include <sys/types.h>

#include <glib.h>

#include <memory>
#include <string>
#include <vector>

#include "CommandGate.h"

namespace sorvex {

// What the back-ends' output parsers report, in the order the program prints it. The end of a
// track is the end of the program's output: a program that has printed its summary may still be
// playing out its last buffer.
class BackendListener {
public:
    virtual ~BackendListener() = default;
    virtual void setTrackTitle(const std::string& text) = 0;
    virtual void setArtist(const std::string& text) = 0;
    virtual void setAlbum(const std::string& text) = 0;
    virtual void setElapsed(int seconds) = 0;
    virtual void setLength(int seconds) = 0;
    // The track has ended (the program's output has): advance the play list.
    virtual void playNext() = 0;
    // The program asked to stop playback.
    virtual void stopPlayback() = 0;
    // The program's output ended before it played anything (no sound device, a file it cannot
    // decode); `said` is its last line of its own (empty when it said nothing).
    virtual void playerFailed(const std::string& /*program*/, const std::string& /*said*/) { playNext(); }
};

// Where the outside programs play: their own default output, nothing, or a WAV file.
struct AudioOutput {
    enum class Kind { Default, Null, Wav };
    Kind kind = Kind::Default;
    std::string path;
};
// The output ZEPHRA_AUDIO_SINK names ("null", "wav:PATH"; unset means the sound card, or
// nothing on a machine without one).
AudioOutput AudioOutputFromEnvironment();

// One decoder back-end: its program, the extensions it plays, and its operations.
class PlayerBackend {
public:
    PlayerBackend(std::string program, std::vector<std::string> extensions, AudioOutput output);
    virtual ~PlayerBackend();
    PlayerBackend(const PlayerBackend&) = delete;
    PlayerBackend& operator=(const PlayerBackend&) = delete;

    const std::string& name() const { return program_; }
    const std::vector<std::string>& extensions() const { return extensions_; }
    void setListener(BackendListener* listener) { listener_ = listener; }
    // The program's output is read as a command of its own through the gate: while another
    // command runs, it waits in the pipe.
    void setGate(CommandGate* gate) { gate_ = gate; }

    // Stops the running program (resuming it first when paused) and waits for it.
    void stop();
    // Starts playing a file; -1 when the program cannot be started or ends before its first line.
    int start(const char* path);
    // True while a program runs (its output pipe is open).
    bool isPlaying() const { return pipe_ >= 0; }
    // Pauses or resumes the running program.
    void pauseToggle();
    // The running program's process id; -1 when idle.
    pid_t pid() const { return pid_; }
    // The preferences the next start passes to the program (those that concern it).
    virtual void usePreferences(int /*replayGain*/, double /*addDecibels*/) {}

    // Parses one output line (without its line end). Public for the parser tests.
    virtual void parseLine(const std::string& line) = 0;

protected:
    virtual std::vector<std::string> arguments(const std::string& path) const = 0;
    // True when the program's first line is not parsed.
    virtual bool discardsFirstLine() const = 0;
    virtual const char* readFailure() const = 0;
    virtual bool ownProcessGroup() const { return false; }
    // The track's length read from its file; -1 when unknown.
    virtual int fileSeconds(const std::string& path) const = 0;
    // Tells the listener the track's length when it differs from the last one told.
    void reportLength(int seconds);
    // Key/value tag lines common to both programs; returns false when the line is no tag line.
    static bool tagLine(const std::string& line, std::string& key, std::string& value);
    // The parsers' notes: the program has played (a time line), or said a line of its own.
    void notePlayed() { played_ = true; }
    void noteSaid(const std::string& line);

    BackendListener* listener_ = nullptr;
    const AudioOutput output_;

private:
    static gboolean onReadable(gint fd, GIOCondition condition, gpointer self);
    gboolean readAvailable();
    // While another command runs: stops watching the pipe until it is done.
    gboolean holdOutput();
    void watchOutput();
    // Hands the collected line to the parser; false when the parse ended this session.
    bool finishLine();

    std::string program_;
    std::vector<std::string> extensions_;
    int pipe_ = -1;
    pid_t pid_ = -1;
    bool paused_ = false;
    guint watch_ = 0;
    unsigned session_ = 0;
    std::string line_;
    int reportedLength_ = -1;
    CommandGate* gate_ = nullptr;
    bool played_ = false;
    std::string said_;
};

class MadplayBackend : public PlayerBackend {
public:
    MadplayBackend(int replayGain, double addDecibels, AudioOutput output);
    void parseLine(const std::string& line) override;
    void usePreferences(int replayGain, double addDecibels) override {
        replayGain_ = replayGain;
        addDecibels_ = addDecibels;
    }
    std::vector<std::string> arguments(const std::string& path) const override;

protected:
    bool discardsFirstLine() const override { return true; }
    const char* readFailure() const override;
    bool ownProcessGroup() const override { return true; }
    int fileSeconds(const std::string& path) const override;

private:
    int replayGain_;
    double addDecibels_;
};

class Ogg123Backend : public PlayerBackend {
public:
    explicit Ogg123Backend(AudioOutput output);
    void parseLine(const std::string& line) override;
    std::vector<std::string> arguments(const std::string& path) const override;

protected:
    bool discardsFirstLine() const override { return false; }
    const char* readFailure() const override;
    int fileSeconds(const std::string& path) const override;
};

// True when `path` ends in `ext`, without regard to case; false when either is missing or the
// path is shorter.
bool HasExtension(const char* path, const char* ext);

// The table of back-ends: madplay first, then ogg123.
using Backends = std::vector<std::unique_ptr<PlayerBackend>>;
Backends MakeBackends(int replayGain, double addDecibels, AudioOutput output);
// The first back-end, in table order, that plays the path; none otherwise.
PlayerBackend* FindBackend(const Backends& backends, const char* path);

// Prints why a program could not be started, with the PATH directories when it was not found.
void ReportSpawnFailure(const std::string& program, int error);

}  // namespace sorvex
