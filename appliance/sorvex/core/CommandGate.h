#pragma once
// One command at a time. A long command's progress display lets the main loop run, so that the
// window is drawn; what arrives meanwhile (a port line, a player's output, a click) must not run
// inside it while it walks the play list. Such work waits here and runs, in order, once the
// running command is done.

#include <cstddef>
#include <deque>
#include <functional>

namespace sorvex {

class CommandGate {
public:
    // Marks a command as running for its scope; the last one out runs what waits.
    class Scope {
    public:
        explicit Scope(CommandGate& gate) : gate_(gate) { ++gate_.depth_; }
        ~Scope() { gate_.leave(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        CommandGate& gate_;
    };

    bool busy() const { return depth_ > 0; }
    // Runs the command now when none runs; else it waits for the running one. Beyond a bound the
    // waiting clicks are dropped (false), so a flood cannot grow memory without end.
    bool run(std::function<void()> command);
    // Runs `resume` once the running command is done. For a source that holds back its input:
    // each waits at most once at a time, so this needs no bound.
    void later(std::function<void()> resume) { waiting_.push_back(std::move(resume)); }
    // Called each time the last command is done and nothing waits (what must come only then,
    // such as a modal alert).
    void setIdle(std::function<void()> idle) { idle_ = std::move(idle); }
    std::size_t waiting() const { return waiting_.size(); }

private:
    void leave();

    int depth_ = 0;
    bool draining_ = false;
    std::deque<std::function<void()>> waiting_;
    std::function<void()> idle_;
};

}  // namespace sorvex
