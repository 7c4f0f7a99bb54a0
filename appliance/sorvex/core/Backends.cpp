#include "Backends.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "SorvexTexts.h"
#include "TrackLength.h"
#include "qnx/SoundBackend.h"

extern char** environ;

namespace sorvex {

namespace {

constexpr const char* kSinkVariable = "ZEPHRA_AUDIO_SINK";
constexpr std::size_t kFirstLineLimit = 99;
constexpr std::size_t kLineLimit = 499;
// How long the first output line may take, and how long a stopped program may take to end
// before it is killed: a hung decoder must not hold the jukebox for ever.
constexpr int kFirstLineMilliseconds = 10000;
constexpr auto kStopGrace = std::chrono::seconds(1);

// Seconds of a clock text "[H:]M:S[.fraction]" at `index` (more fields are taken as they
// come); what does not read as a number counts as zero.
int clockAt(const std::string& line, std::size_t index) {
    int seconds = 0;
    for (int field = 0; field < 3 && index < line.size(); ++field) {
        if (!std::isdigit(static_cast<unsigned char>(line[index]))) break;
        int value = 0;
        while (index < line.size() && std::isdigit(static_cast<unsigned char>(line[index])) && value < 1000000)
            value = value * 10 + (line[index++] - '0');
        seconds = seconds * 60 + value;
        if (index >= line.size() || line[index] != ':') break;
        ++index;
    }
    return seconds;
}

// Reads the program's first line (up to its '\n'), blocking for at most the time above.
// False when the program ended (or stayed silent) before printing anything.
bool readFirstLine(int fd, std::string& line) {
    line.clear();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kFirstLineMilliseconds);
    while (line.size() < kFirstLineLimit) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        char c;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        line += c;
        if (c == '\n') return true;
    }
    if (line.empty() && errno == 0) errno = EIO;
    return !line.empty();
}

void waitForChild(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
    for (;;) {
        const pid_t ended = ::waitpid(pid, nullptr, WNOHANG);
        if (ended == pid || (ended < 0 && errno != EINTR)) return;
        if (std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
}

}  // namespace

AudioOutput AudioOutputFromEnvironment() {
    const char* value = std::getenv(kSinkVariable);
    // Unnamed, the players' own default device: without one their play fails and says so.
    if (!value || !*value) return {};
    const std::string choice(value);
    if (choice == "null") return {AudioOutput::Kind::Null, ""};
    if (choice.starts_with("wav:") && choice.size() > 4) return {AudioOutput::Kind::Wav, choice.substr(4)};
    if (choice == "alsa" || choice.starts_with("alsa:")) return {};
    return {AudioOutput::Kind::Null, ""};
}

bool HasExtension(const char* path, const char* ext) {
    if (!path || !ext) return false;
    const std::size_t length = std::strlen(path), extLength = std::strlen(ext);
    if (length < extLength) return false;
    return strcasecmp(path + length - extLength, ext) == 0;
}

PlayerBackend::PlayerBackend(std::string program, std::vector<std::string> extensions, AudioOutput output)
    : output_(std::move(output)), program_(std::move(program)), extensions_(std::move(extensions)) {}

PlayerBackend::~PlayerBackend() { stop(); }

void PlayerBackend::stop() {
    if (pipe_ < 0) return;
    if (watch_) g_source_remove(watch_);
    watch_ = 0;
    ::close(pipe_);
    pipe_ = -1;
    ++session_;
    line_.clear();
    if (pid_ > 0) {
        if (paused_) ::kill(pid_, SIGCONT);
        ::kill(pid_, SIGINT);
        waitForChild(pid_);
    }
    pid_ = -1;
    paused_ = false;
}

int PlayerBackend::start(const char* path) {
    if (isPlaying()) stop();
    if (!path) return -1;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        std::perror(program_.c_str());
        return -1;
    }
    std::vector<std::string> args = arguments(path);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int target = 0; target <= 2; ++target) posix_spawn_file_actions_adddup2(&actions, ends[1], target);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // The jukebox ignores SIGPIPE; the program gets the usual signal handling back.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    short flags = POSIX_SPAWN_SETSIGDEF;
    if (ownProcessGroup()) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&attr, 0);
    }
    posix_spawnattr_setflags(&attr, flags);
    pid_t child = -1;
    const int failure = ::posix_spawnp(&child, program_.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(ends[1]);
    if (failure != 0) {
        ::close(ends[0]);
        ReportSpawnFailure(program_, failure);
        return -1;
    }
    pipe_ = ends[0];
    pid_ = child;
    ++session_;
    line_.clear();
    played_ = false;
    said_.clear();

    std::string first;
    errno = 0;
    if (!readFirstLine(pipe_, first)) {
        std::perror(readFailure());
        stop();
        return -1;
    }
    ::fcntl(pipe_, F_SETFL, ::fcntl(pipe_, F_GETFL) | O_NONBLOCK);
    paused_ = false;
    watchOutput();
    // Known from the start, and zero when unknown: no earlier track's length lingers.
    reportedLength_ = -1;
    const unsigned session = session_;
    reportLength(std::max(0, fileSeconds(path)));
    if (session != session_) return 0;
    if (!discardsFirstLine()) {
        first.resize(std::strcspn(first.c_str(), "\r\n"));
        if (!first.empty()) parseLine(first);
        if (session != session_) return 0;
    }
    return 0;
}

void PlayerBackend::reportLength(int seconds) {
    if (seconds == reportedLength_ || !listener_) return;
    reportedLength_ = seconds;
    listener_->setLength(seconds);
}

void PlayerBackend::pauseToggle() {
    if (pid_ <= 0) return;
    ::kill(pid_, paused_ ? SIGCONT : SIGSTOP);
    paused_ = !paused_;
}

void PlayerBackend::watchOutput() {
    watch_ = g_unix_fd_add(pipe_, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), onReadable, this);
}

gboolean PlayerBackend::onReadable(gint, GIOCondition, gpointer self) {
    auto* backend = static_cast<PlayerBackend*>(self);
    if (!backend->gate_) return backend->readAvailable();
    if (backend->gate_->busy()) return backend->holdOutput();
    CommandGate::Scope command(*backend->gate_);
    return backend->readAvailable();
}

gboolean PlayerBackend::holdOutput() {
    watch_ = 0;
    gate_->later([this, session = session_] {
        if (session == session_ && pipe_ >= 0 && !watch_) watchOutput();
    });
    return G_SOURCE_REMOVE;
}

void PlayerBackend::noteSaid(const std::string& line) {
    std::size_t start = 0;
    while (start < line.size() && std::isspace(static_cast<unsigned char>(line[start]))) ++start;
    if (start < line.size()) said_ = line.substr(start);
}

bool PlayerBackend::finishLine() {
    if (line_.empty()) return true;
    const std::string line = std::move(line_);
    line_.clear();
    const unsigned session = session_;
    parseLine(line);
    return session == session_;
}

gboolean PlayerBackend::readAvailable() {
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(pipe_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return G_SOURCE_CONTINUE;
        if (n <= 0) break;  // end of output (or a read error, which ends it as well)
        for (ssize_t i = 0; i < n; ++i) {
            const char c = chunk[i];
            if (c == '\n' || c == '\r') {
                if (!finishLine()) return G_SOURCE_REMOVE;
            } else if (line_.size() < kLineLimit) {
                line_ += c;
            }
        }
    }
    if (!finishLine()) return G_SOURCE_REMOVE;
    // The program's output has ended: the source goes with this return, the play list moves on
    // (whose next start stops and reaps this program).
    watch_ = 0;
    const unsigned session = session_;
    // A program that ends before it has played anything would end the same way again: it is
    // reported, not started anew.
    if (listener_ && played_) listener_->playNext();
    else if (listener_) listener_->playerFailed(program_, said_);
    if (session == session_) stop();
    return G_SOURCE_REMOVE;
}

bool PlayerBackend::tagLine(const std::string& line, std::string& key, std::string& value) {
    std::size_t start = 0;
    while (start < line.size() && std::isspace(static_cast<unsigned char>(line[start]))) ++start;
    const std::size_t colon = line.find(':', start);
    if (colon == std::string::npos) return false;
    key = line.substr(start, colon - start);
    std::size_t v = colon + 1;
    while (v < line.size() && std::isspace(static_cast<unsigned char>(line[v]))) ++v;
    value = line.substr(v, line.find_first_of("\r\n", v) - v);
    return true;
}

MadplayBackend::MadplayBackend(int replayGain, double addDecibels, AudioOutput output)
    : PlayerBackend("madplay", {".mp3", ".mp2"}, std::move(output)),
      replayGain_(replayGain),
      addDecibels_(addDecibels) {}

std::vector<std::string> MadplayBackend::arguments(const std::string& path) const {
    std::vector<std::string> args{"madplay", "-v"};
    if (replayGain_) {
        // Replay gain and the added decibels as separate switches: this madplay's -G takes an
        // attached profile, so "-Ga" would read "a" as one and the number as a file.
        char decibels[64];
        std::snprintf(decibels, sizeof decibels, "%.2f", addDecibels_);
        args.insert(args.end(), {"-G", "-a", decibels});
    }
    if (output_.kind == AudioOutput::Kind::Null) args.insert(args.end(), {"-o", "null:"});
    else if (output_.kind == AudioOutput::Kind::Wav) args.insert(args.end(), {"-o", "wave:" + output_.path});
    args.push_back(path);
    return args;
}

const char* MadplayBackend::readFailure() const { return texts::kReadingFromMadplay; }

// madplay prints no length, only the time played: the length comes from the file.
int MadplayBackend::fileSeconds(const std::string& path) const { return MpegSeconds(path); }

void MadplayBackend::parseLine(const std::string& line) {
    if (!listener_ || line.empty()) return;
    if (line[0] == '>') {
        listener_->stopPlayback();
    } else if (line.size() > 3 && line[3] == ':') {
        // " HH:MM:SS Layer III, ...": the time played.
        notePlayed();
        listener_->setElapsed(clockAt(line, 1));
    } else if (std::isdigit(static_cast<unsigned char>(line[0])) && line.find("frames decoded") != std::string::npos) {
        // The summary: decoding is done, but the last buffer still plays out until the program
        // ends, and the end of its output moves the list on.
        if (std::atoi(line.c_str()) > 0) notePlayed();
    } else {
        std::string key, value;
        if (!tagLine(line, key, value)) return noteSaid(line);
        if (key == "Title") listener_->setTrackTitle(value);
        else if (key == "Artist") listener_->setArtist(value);
        else if (key == "Album") listener_->setAlbum(value);
        else noteSaid(line);
    }
}

Ogg123Backend::Ogg123Backend(AudioOutput output) : PlayerBackend("ogg123", {".ogg"}, std::move(output)) {}

std::vector<std::string> Ogg123Backend::arguments(const std::string& path) const {
    std::vector<std::string> args{"ogg123", "-v"};
    if (output_.kind == AudioOutput::Kind::Null) args.insert(args.end(), {"-d", "null"});
    else if (output_.kind == AudioOutput::Kind::Wav) args.insert(args.end(), {"-d", "wav", "-f", output_.path});
    args.push_back(path);
    return args;
}

const char* Ogg123Backend::readFailure() const { return texts::kReadingFromPlayer; }

int Ogg123Backend::fileSeconds(const std::string& path) const { return OggVorbisSeconds(path); }

void Ogg123Backend::parseLine(const std::string& whole) {
    if (!listener_) return;
    const std::string line = whole.substr(0, whole.find_first_of("\r\n"));
    if (line.starts_with("Time: ")) {
        // "Time: 01:05.20 [00:59.80] of 02:05.00 ...": time played, time left, length.
        notePlayed();
        listener_->setElapsed(clockAt(line, 6));
        const std::size_t of = line.find("] of ");
        if (of != std::string::npos) reportLength(clockAt(line, of + 5));
    } else if (line == "Done.") {
        // As madplay's summary: the end of the output, soon after, moves the list on.
    } else {
        std::string key, value;
        if (!tagLine(line, key, value)) return noteSaid(line);
        if (key == "Title") listener_->setTrackTitle(value);
        else if (key == "Artist") listener_->setArtist(value);
        else if (key == "Album") listener_->setAlbum(value);
        else if (key == "Total Seconds") reportLength(std::atoi(value.c_str()));
        else noteSaid(line);
    }
}

Backends MakeBackends(int replayGain, double addDecibels, AudioOutput output) {
    Backends table;
    table.push_back(std::make_unique<MadplayBackend>(replayGain, addDecibels, output));
    table.push_back(std::make_unique<Ogg123Backend>(output));
    return table;
}

PlayerBackend* FindBackend(const Backends& backends, const char* path) {
    for (const auto& backend : backends)
        for (const std::string& ext : backend->extensions())
            if (HasExtension(path, ext.c_str())) return backend.get();
    return nullptr;
}

void ReportSpawnFailure(const std::string& program, int error) {
    errno = error;
    std::perror(program.c_str());
    if (error == ENOENT) {
        std::string dirs = std::getenv("PATH") ? std::getenv("PATH") : "";
        std::string shown;
        for (char c : dirs) shown += c == ':' ? std::string("\n\t") : std::string(1, c);
        std::fprintf(stderr, "%s%s", texts::kLookedIn, shown.c_str());
        std::fprintf(stderr, texts::kMakeSureInPath, program.c_str());
    } else if (error == EACCES) {
        std::fprintf(stderr, texts::kMakeSureExecutable, program.c_str());
    }
}

}  // namespace sorvex
