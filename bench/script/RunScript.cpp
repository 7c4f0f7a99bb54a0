// Runs one benchmark script through the script control and prints the CPU seconds its `Bench`
// procedure took the second time it ran, start-up and the untimed `Prepare` (when the script
// has one) left out. CPU time, as the Python side measures it: a shared machine's other work
// disturbs it less than the clock's.
//
// Usage: bench_script_run FILE.vbs COUNT   (COUNT is passed to Prepare and Bench)

#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "script/ScriptControl.h"
#include "vb/Error.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_script_run FILE.vbs COUNT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "bench_script_run: cannot read %s\n", argv[1]);
        return 2;
    }
    std::string code((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int32_t count = std::atoi(argv[2]);
    try {
        script::ScriptControl sc;
        sc.setTimeout(-1);
        sc.AddCode(code);
        vb::Variant args[] = {vb::Variant(count)};
        if (code.find("Sub Prepare") != std::string::npos) sc.Run("Prepare", args);
        // A first run pays what a process pays once (symbols bound, the stack's size read,
        // the heap grown): the second one is timed.
        sc.Run("Bench", args);
        timespec start{}, end{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
        sc.Run("Bench", args);
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
        double took = static_cast<double>(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
        std::printf("%.6f\n", took);
    } catch (const vb::Error& e) {
        std::fprintf(stderr, "bench_script_run: %s: error %d: %s\n", argv[1], e.number(), e.what());
        return 1;
    }
    return 0;
}
