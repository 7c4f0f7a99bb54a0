#pragma once
// A stand-in program run by a test: its standard output read line by line with time-outs,
// its standard input written by the test.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace simkit::testing {

// What the program gets as its standard input: a pipe the test writes, /dev/null, or none at
// all (closed), as a service manager or a detached start gives it.
enum class Input { Pipe, DevNull, Closed };

class ChildProcess {
public:
    // Starts program with args; standard error is inherited.
    ChildProcess(const std::string& program, const std::vector<std::string>& args, Input input = Input::Pipe);
    // Ends the program (SIGTERM, then SIGKILL) when it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The default waits are ceilings for what a program does by itself, far above what even a
    // heavily loaded machine takes: a wait ends as soon as what it waits for comes.
    static constexpr std::chrono::milliseconds kDefaultWait = std::chrono::seconds(120);

    // Next line of standard output without its line end; empty at time-out or end of output.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout = kDefaultWait);
    // Reads lines until one contains text and returns it; empty at time-out or end of output.
    std::optional<std::string> waitForLine(std::string_view text, std::chrono::milliseconds timeout = kDefaultWait);
    // Every line read so far.
    const std::vector<std::string>& lines() const { return lines_; }

    void writeLine(std::string_view text);
    void closeStdin();

    // Sends SIGTERM and waits for the end; returns the exit status (128 + signal when killed).
    int terminate();
    // Waits for the program to end by itself (its output reaching its end); -1 at time-out.
    int waitExit(std::chrono::milliseconds timeout = kDefaultWait);

    pid_t pid() const { return pid_; }

private:
    int reap();

    pid_t pid_ = -1;
    int stdoutFd_ = -1;
    int stdinFd_ = -1;
    std::string pending_;
    bool ended_ = false;
    std::vector<std::string> lines_;
};

}  // namespace simkit::testing
