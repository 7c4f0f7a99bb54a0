// Stand-in for the outside mixer program: it announces itself on standard error and runs until it
// is told to end (SIGTERM, SIGINT, or the end of standard input when that is a pipe), so that a
// player can see it start and be told when it ends. ZEPHRA_MIXER_LOG, when set, names a file
// that gets one line "started PID" at start.
#include <csignal>
#include <string>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "OwnUsage.h"

namespace {
volatile sig_atomic_t ended = 0;
void End(int) { ended = 1; }
}  // namespace

int main(int argc, char* argv[]) {
    if (qnx::AsksForHelp(argc, argv)) return qnx::ShowUsage(kOwnUsage);
    if (argc > 1) return qnx::UsageError(kOwnUsage, std::string("unexpected argument ") + argv[1], 2);
    signal(SIGTERM, End);
    signal(SIGINT, End);
    if (const char* log = getenv("ZEPHRA_MIXER_LOG"); log && *log) {
        if (FILE* f = fopen(log, "a")) {
            fprintf(f, "started %ld\n", static_cast<long>(getpid()));
            fclose(f);
        }
    }
    fprintf(stderr, "mixer: running\n");
    struct stat st;
    const bool piped = fstat(0, &st) == 0 && S_ISFIFO(st.st_mode);
    while (!ended) {
        if (piped) {
            char c;
            if (read(0, &c, 1) <= 0) break;
        } else {
            pause();
        }
    }
    return 0;
}
