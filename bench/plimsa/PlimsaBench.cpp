// plimsa_bench: decoding speed of the sound-file readers and decoders beside sox. For each file it
// decodes the whole file as the plug-in does (discarding the samples) and runs
// `sox file -t raw /dev/null`, best of several runs each, and reports both times and their ratio.
//
//   plimsa_bench [-n runs] file...

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "DecodeSoundFile.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Count {
    uint64_t bytes = 0;
};

int Discard(plimsa::SoundStream& stream, const uint8_t*, uint32_t length) {
    static_cast<Count*>(stream.owner)->bytes += length;
    return 0;
}

// Seconds of the fastest of `runs` runs of `step`; false when a run fails.
template <typename Step>
bool Best(int runs, Step step, double& best) {
    best = 1e30;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        if (!step()) return false;
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return true;
}

bool RunSox(const char* path) {
    const char* args[] = {"sox", path, "-t", "raw", "/dev/null", nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "sox", nullptr, nullptr, const_cast<char**>(args), environ) != 0) return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 5;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "-n") == 0) {
        runs = std::max(1, std::atoi(argv[2]));
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: plimsa_bench [-n runs] file...\n");
        return 1;
    }
    std::printf("%-28s %9s %10s %10s %9s %11s\n", "file", "audio s", "ours ms", "sox ms", "sox/ours", "x realtime");
    for (int i = first; i < argc; ++i) {
        const char* path = argv[i];
        plimsa::tools::DecodedFile decoded;
        Count count;
        double ours = 0;
        double sox = 0;
        const bool decodedOk = Best(
            runs,
            [&] {
                count.bytes = 0;
                return plimsa::tools::DecodeSoundFile(path, false, Discard, &count, decoded) == plimsa::tools::kPlayed;
            },
            ours);
        if (!decodedOk) {
            std::fprintf(stderr, "%s: %s\n", path, decoded.error.c_str());
            return 1;
        }
        if (!Best(
                runs, [path] { return RunSox(path); }, sox)) {
            std::fprintf(stderr, "%s: sox failed\n", path);
            return 1;
        }
        const double seconds = double(count.bytes) / 2 / decoded.channels / decoded.sampleRate;
        const char* name = std::strrchr(path, '/') ? std::strrchr(path, '/') + 1 : path;
        std::printf("%-28s %9.1f %10.2f %10.2f %9.2f %11.0f\n", name, seconds, ours * 1000, sox * 1000, sox / ours,
                    seconds / ours);
    }
    return 0;
}
