#pragma once
// One line per event, "time who what outcome", flushed at once so that tests can follow it.

#include <cstdio>
#include <string>
#include <string_view>

namespace simkit {

class SimLog {
public:
    // Writes to standard output.
    SimLog();
    // Appends to the file; throws std::runtime_error when it cannot be opened.
    explicit SimLog(const std::string& path);
    ~SimLog();
    SimLog(const SimLog&) = delete;
    SimLog& operator=(const SimLog&) = delete;

    // Writes "HH:MM:SS.mmm who what outcome" (outcome left out when empty).
    void line(std::string_view who, std::string_view what, std::string_view outcome = {});

private:
    std::FILE* out_;
    bool owned_;
};

// Local time of day as "HH:MM:SS.mmm".
std::string timeOfDay();

}  // namespace simkit
