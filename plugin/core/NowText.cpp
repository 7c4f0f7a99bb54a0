#include "core/NowText.h"

#include <ctime>

namespace zephra {

std::string GeneralDateText(std::chrono::system_clock::time_point when) {
    std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    std::string text = std::to_string(local.tm_mon + 1) + "/" + std::to_string(local.tm_mday) + "/" +
                       std::to_string(local.tm_year + 1900);
    if (local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0) return text;
    int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    auto twoDigits = [](int v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    return text + " " + std::to_string(hour12) + ":" + twoDigits(local.tm_min) + ":" + twoDigits(local.tm_sec) +
           (local.tm_hour < 12 ? " AM" : " PM");
}

std::string NowText() { return GeneralDateText(std::chrono::system_clock::now()); }

}  // namespace zephra
