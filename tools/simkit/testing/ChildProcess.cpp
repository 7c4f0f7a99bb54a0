#include "simkit/testing/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

extern char** environ;

namespace simkit::testing {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args, Input input) {
    // A program that ended early makes writes to it fail, rather than end the test.
    signal(SIGPIPE, SIG_IGN);
    int out[2];
    int in[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    if (input == Input::Pipe) posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    else if (input == Input::DevNull) posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    else posix_spawn_file_actions_addclose(&actions, 0);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(in[0]);
    stdoutFd_ = out[0];
    stdinFd_ = in[1];
    if (rc != 0) {
        pid_ = -1;
        throw std::runtime_error("cannot start " + program);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        reap();
    }
    if (stdoutFd_ >= 0) close(stdoutFd_);
    if (stdinFd_ >= 0) close(stdinFd_);
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            lines_.push_back(line);
            return line;
        }
        if (ended_) return std::nullopt;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd poller{stdoutFd_, POLLIN, 0};
        const int ready = poll(&poller, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        char chunk[4096];
        const ssize_t got = read(stdoutFd_, chunk, sizeof chunk);
        if (got <= 0) {
            ended_ = true;
            continue;
        }
        pending_.append(chunk, static_cast<std::size_t>(got));
    }
}

std::optional<std::string> ChildProcess::waitForLine(std::string_view text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        auto line = readLine(left);
        if (!line) return std::nullopt;
        if (line->find(text) != std::string::npos) return line;
    }
}

void ChildProcess::writeLine(std::string_view text) {
    std::string line(text);
    line += '\n';
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t put = write(stdinFd_, line.data() + done, line.size() - done);
        if (put <= 0) throw std::runtime_error("cannot write to child");
        done += static_cast<std::size_t>(put);
    }
}

void ChildProcess::closeStdin() {
    if (stdinFd_ >= 0) close(stdinFd_);
    stdinFd_ = -1;
}

int ChildProcess::terminate() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    return reap();
}

int ChildProcess::waitExit(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!ended_) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return -1;
        readLine(left);
    }
    return reap();
}

int ChildProcess::reap() {
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
    pid_ = -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace simkit::testing
