#include "simkit/SimLog.h"

#include <chrono>
#include <ctime>
#include <stdexcept>

namespace simkit {

SimLog::SimLog() : out_(stdout), owned_(false) {}

SimLog::SimLog(const std::string& path) : out_(std::fopen(path.c_str(), "a")), owned_(true) {
    if (!out_) throw std::runtime_error("cannot open log file " + path);
}

SimLog::~SimLog() {
    if (owned_) std::fclose(out_);
}

void SimLog::line(std::string_view who, std::string_view what, std::string_view outcome) {
    std::string text = timeOfDay();
    text += ' ';
    text += who;
    text += ' ';
    text += what;
    if (!outcome.empty()) {
        text += ' ';
        text += outcome;
    }
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
}

std::string timeOfDay() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));
    return text;
}

}  // namespace simkit
