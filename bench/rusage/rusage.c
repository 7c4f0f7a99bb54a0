/* Runs one command as a child process and writes what it took to a file, as one line: wall
 * seconds, user seconds, system seconds (the child's own resource usage, in microseconds, as
 * wait4 gives it) and peak resident KiB. A program of its own, small, because a child's peak
 * counts the memory of the process it was forked from.
 *
 * Usage: bench_rusage OUT CORE COMMAND...   (CORE: the core the child is pinned to; "" leaves
 * it free.) The child keeps the standard input, output and error; the exit status is the
 * child's (128 + the signal when a signal ended it, 127 when it could not be started). */
#define _GNU_SOURCE
#include <errno.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double seconds(struct timeval t) { return (double)t.tv_sec + (double)t.tv_usec / 1e6; }

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: bench_rusage OUT CORE COMMAND...\n");
        return 2;
    }
    const char* out = argv[1];
    const char* core = argv[2];
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid = fork();
    if (pid < 0) {
        perror("bench_rusage: fork");
        return 127;
    }
    if (pid == 0) {
        if (core[0] != '\0') {
            cpu_set_t set;
            CPU_ZERO(&set);
            CPU_SET(atoi(core), &set);
            if (sched_setaffinity(0, sizeof set, &set) != 0) {
                perror("bench_rusage: sched_setaffinity");
                _exit(127);
            }
        }
        execvp(argv[3], argv + 3);
        fprintf(stderr, "bench_rusage: %s: %s\n", argv[3], strerror(errno));
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            perror("bench_rusage: wait4");
            return 127;
        }
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    double wall = (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) / 1e9;
    FILE* f = fopen(out, "w");
    if (!f) {
        fprintf(stderr, "bench_rusage: %s: %s\n", out, strerror(errno));
        return 127;
    }
    fprintf(f, "%.6f %.6f %.6f %ld\n", wall, seconds(usage.ru_utime), seconds(usage.ru_stime), usage.ru_maxrss);
    fclose(f);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
