#include "media/testing/SoundServer.h"
#include "media/testing/WrittenSound.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

namespace media::testing {

namespace {

constexpr const char *kSinkName = "zephra_test";
// How long a starting server or recorder may take before the test gives up on it; generous,
// since the machine may be busy, and never reached when all is well.
constexpr auto kStartLimit = std::chrono::seconds(30);
constexpr auto kPoll = std::chrono::milliseconds(20);

// Runs argv with the given environment additions and standard output into `out` (or /dev/null).
pid_t Spawn(const std::vector<std::string> &argv, const std::vector<std::pair<std::string, std::string>> &env,
            const std::string &out, const std::string &err)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    for (const auto &[name, value] : env)
        setenv(name.c_str(), value.c_str(), 1);
    const int o = open(out.empty() ? "/dev/null" : out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (o >= 0)
        dup2(o, 1);
    if (e >= 0)
        dup2(e, 2);
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

void End(pid_t &pid, int signal)
{
    if (pid <= 0)
        return;
    kill(pid, signal);
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
}

bool Exited(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

bool Accepts(const std::string &path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    const bool ok = connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

off_t FileSize(const std::string &path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

}  // namespace

SoundServer::SoundServer()
{
    // A socket's path is short (108 bytes): the server lives in a folder of its own under /tmp.
    std::string pattern = "/tmp/zephra-sound-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        failure_ = "no folder for the sound server";
        return;
    }
    dir_ = pattern;
    socket_ = dir_ + "/native";
    // The server keeps its state, runtime files and cookie in the test's folder; running as root
    // (as in CI containers) only earns a warning in its log.
    const std::vector<std::pair<std::string, std::string>> env = {{"HOME", dir_},
                                                                  {"XDG_RUNTIME_DIR", dir_},
                                                                  {"XDG_CONFIG_HOME", dir_},
                                                                  {"PULSE_RUNTIME_PATH", dir_ + "/runtime"},
                                                                  {"PULSE_STATE_PATH", dir_ + "/state"}};
    server_ = Spawn({"pulseaudio", "--daemonize=no", "-n", "--use-pid-file=no", "--exit-idle-time=-1",
                     "--disable-shm=yes", "--log-target=stderr", "--log-level=error",
                     std::string("--load=module-null-sink sink_name=") + kSinkName + " rate=44100 channels=2",
                     "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket_},
                    env, "", dir_ + "/server.log");
    const auto limit = std::chrono::steady_clock::now() + kStartLimit;
    while (!Accepts(socket_)) {
        if (server_ <= 0 || Exited(server_)) {
            server_ = -1;
            std::ifstream log(dir_ + "/server.log");
            failure_ = "pulseaudio did not start: " + std::string(std::istreambuf_iterator<char>(log), {});
            return;
        }
        if (std::chrono::steady_clock::now() > limit) {
            failure_ = "pulseaudio did not open its socket " + socket_;
            return;
        }
        std::this_thread::sleep_for(kPoll);
    }
    ready_ = true;
}

SoundServer::~SoundServer()
{
    StopRecording();
    End(server_, SIGTERM);
    if (!dir_.empty())
        std::system(("rm -rf '" + dir_ + "'").c_str());
}

std::string SoundServer::ShellEnvironment() const
{
    return "PULSE_SERVER='" + Address() + "' PULSE_SINK=" + kSinkName + " ZEPHRA_AUDIO_SINK=alsa:pulse";
}

void SoundServer::ExportEnvironment() const
{
    setenv("PULSE_SERVER", Address().c_str(), 1);
    setenv("PULSE_SINK", kSinkName, 1);
    setenv("ZEPHRA_AUDIO_SINK", "alsa:pulse", 1);
}

bool SoundServer::StartRecording(const std::string &path)
{
    StopRecording();
    unlink(path.c_str());
    recorder_ = Spawn({"parec", "--server=" + Address(), std::string("--device=") + kSinkName + ".monitor",
                       "--format=s16le", "--rate=44100", "--channels=2", "--raw", "--latency-msec=20"},
                      {}, path, dir_ + "/recorder.log");
    // The monitor delivers silence while nothing plays: the file grows once recording runs.
    const auto limit = std::chrono::steady_clock::now() + kStartLimit;
    while (FileSize(path) == 0) {
        if (recorder_ <= 0 || Exited(recorder_) || std::chrono::steady_clock::now() > limit) {
            recorder_ = -1;
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

void SoundServer::StopRecording()
{
    End(recorder_, SIGINT);
}

void SoundServer::Kill()
{
    StopRecording();
    End(server_, SIGKILL);
    ready_ = false;
}

bool SoundServer::Control(const std::string &args, std::string *out) const
{
    const std::string cmd = "pactl --server='" + Address() + "' " + args + " 2>/dev/null";
    std::FILE *pipe = popen(cmd.c_str(), "r");
    if (!pipe)
        return false;
    std::string text;
    char buffer[512];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    if (out)
        *out = text;
    return pclose(pipe) == 0;
}

std::string SoundServer::SinkVolume() const
{
    std::string out;
    return Control(std::string("get-sink-volume ") + kSinkName, &out) ? out : "";
}

std::string SoundServer::SinkMute() const
{
    std::string out;
    return Control(std::string("get-sink-mute ") + kSinkName, &out) ? out : "";
}

const char *SoundServer::SinkName()
{
    return kSinkName;
}

std::vector<int16_t> ReadRecording(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

bool WaitUntilHeard(const std::string &path)
{
    const auto limit = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < limit) {
        const std::vector<int16_t> samples = ReadRecording(path);
        if (std::any_of(samples.begin(), samples.end(), [](int16_t v) { return v > 1000 || v < -1000; }))
            return true;
        std::this_thread::sleep_for(kPoll);
    }
    return false;
}

int StepHz(int step)
{
    return 300 + 50 * step;
}

bool WriteSteppedTone(const std::string &path, int rate, int channels, int seconds)
{
    const int frames = rate * seconds;
    std::vector<int16_t> pcm(static_cast<std::size_t>(frames) * channels);
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        const int step = i / (rate / 10);
        phase += 2 * M_PI * StepHz(step) / rate;
        const auto v = static_cast<int16_t>(12000 * std::sin(phase));
        for (int c = 0; c < channels; ++c)
            pcm[static_cast<std::size_t>(i) * channels + c] = v;
    }
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char *>(&v), 4); };
    auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char *>(&v), 2); };
    const uint32_t data = static_cast<uint32_t>(pcm.size() * 2);
    out.write("RIFF", 4);
    u32(36 + data);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(static_cast<uint16_t>(channels));
    u32(static_cast<uint32_t>(rate));
    u32(static_cast<uint32_t>(rate * channels * 2));
    u16(static_cast<uint16_t>(channels * 2));
    u16(16);
    out.write("data", 4);
    u32(data);
    out.write(reinterpret_cast<const char *>(pcm.data()), data);
    return static_cast<bool>(out);
}

bool MakeSteppedFiles(const std::string &dir, int seconds)
{
    const std::string wav = dir + "/steps.wav";
    return std::system(("mkdir -p '" + dir + "'").c_str()) == 0 && WriteSteppedTone(wav, 44100, 2, seconds) &&
           std::system(("lame --quiet -b 192 '" + wav + "' '" + dir + "/steps.mp3'").c_str()) == 0;
}

std::vector<int> HeardSteps(const std::vector<int16_t> &stereo, int rate)
{
    // A window counts as tone or silence only when each of its quarters is; windows across an
    // edge (-2) tell nothing.
    constexpr double kLoud = 2000, kQuiet = 200;
    const std::size_t window = static_cast<std::size_t>(rate / 20), quarter = window / 4;
    const std::size_t frames = stereo.size() / 2;
    std::vector<int> steps;
    for (std::size_t start = 0; start + window <= frames; start += window) {
        int loud = 0, quiet = 0;
        for (int q = 0; q < 4; ++q) {
            double sum = 0;
            for (std::size_t i = start + q * quarter; i < start + (q + 1) * quarter; ++i)
                sum += double(stereo[2 * i]) * stereo[2 * i];
            const double rms = std::sqrt(sum / quarter);
            loud += rms > kLoud;
            quiet += rms < kQuiet;
        }
        if (quiet == 4) {
            steps.push_back(-1);
            continue;
        }
        if (loud != 4) {
            steps.push_back(-2);
            continue;
        }
        int crossings = 0;
        for (std::size_t i = start + 1; i < start + window; ++i)
            crossings += (stereo[2 * i - 2] < 0) != (stereo[2 * i] < 0);
        const double hz = crossings * double(rate) / (2.0 * window);
        steps.push_back(static_cast<int>(std::lround((hz - StepHz(0)) / (StepHz(1) - StepHz(0)))));
    }
    // A window partly silent at a sound's start or end counts too few crossings: a step is
    // believed only when a neighbour heard the same step or the next one.
    std::vector<int> confirmed = steps;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] < 0)
            continue;
        const bool left = i > 0 && steps[i - 1] >= 0 && std::abs(steps[i - 1] - steps[i]) <= 1;
        const bool right = i + 1 < steps.size() && steps[i + 1] >= 0 && std::abs(steps[i + 1] - steps[i]) <= 1;
        if (!left && !right)
            confirmed[i] = -2;
    }
    return confirmed;
}

HeardPause FindPause(const std::vector<int> &steps)
{
    HeardPause pause;
    const auto first = std::find_if(steps.begin(), steps.end(), [](int s) { return s >= 0; });
    const auto last = std::find_if(steps.rbegin(), steps.rend(), [](int s) { return s >= 0; });
    if (first == steps.end())
        return pause;
    const std::size_t begin = static_cast<std::size_t>(first - steps.begin());
    const std::size_t end = steps.size() - static_cast<std::size_t>(last - steps.rbegin());
    // The longest run of windows without tone (edges included) that holds silence.
    std::size_t bestStart = 0, bestLength = 0;
    int bestSilent = 0;
    for (std::size_t i = begin; i < end;) {
        if (steps[i] >= 0) {
            ++i;
            continue;
        }
        std::size_t j = i;
        int silent = 0;
        for (; j < end && steps[j] < 0; ++j)
            silent += steps[j] == -1;
        if (silent > bestSilent) {
            bestStart = i;
            bestLength = j - i;
            bestSilent = silent;
        }
        i = j;
    }
    if (bestLength == 0)
        return pause;
    for (std::size_t i = bestStart; i-- > begin;)
        if (steps[i] >= 0) {
            pause.before = steps[i];
            break;
        }
    for (std::size_t i = bestStart + bestLength; i < end; ++i)
        if (steps[i] >= 0) {
            pause.after = steps[i];
            break;
        }
    pause.silentWindows = bestSilent;
    pause.found = pause.before >= 0 && pause.after >= 0;
    return pause;
}

std::string CheckWrittenAcrossAPause(WrittenSound &written, int seconds, bool queueKept)
{
    std::lock_guard lock(written.mutex);
    const std::vector<int> steps = HeardSteps(written.samples, kRecordRate);
    std::string wrong;
    int last = -1;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] < 0)
            continue;
        if (last >= 0 && (steps[i] < last || steps[i] > last + 1))
            wrong += "step " + std::to_string(steps[i]) + " came after " + std::to_string(last) + "; ";
        last = steps[i];
    }
    if (last < seconds * 10 - 1)
        wrong += "the piece ended at step " + std::to_string(last) + "; ";
    // The longest gap between two writes after the first half second of sound: on a busy machine
    // the device's start may stall longer than the pause itself.
    const std::size_t window = kRecordRate / 20 * 2;
    auto stepAt = [&](std::size_t sample) { return sample / window < steps.size() ? steps[sample / window] : -1; };
    std::chrono::steady_clock::duration longest{};
    std::size_t at = 0;
    for (std::size_t i = 1; i < written.writes.size(); ++i) {
        const auto gap = written.writes[i].second - written.writes[i - 1].second;
        const int step = stepAt(written.writes[i].first);
        if (gap > longest && (step < 0 || step >= 5)) {
            longest = gap;
            at = written.writes[i].first;
        }
    }
    const int pausedAt = stepAt(at);
    if (longest < std::chrono::milliseconds(400))
        wrong += "no pause between two writes (longest gap " +
                 std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(longest).count()) + " ms); ";
    else if (pausedAt >= 0 && (pausedAt < 5 || pausedAt > seconds * 10 - 10))
        wrong += "the pause came at step " + std::to_string(pausedAt) + "; ";
    if (queueKept && written.drains != 0)
        wrong += "queued sound was dropped " + std::to_string(written.drains) + " times; ";
    return wrong;
}

}  // namespace media::testing
