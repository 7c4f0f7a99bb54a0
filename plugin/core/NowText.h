#pragma once
// `Now` as the language turns it into text: the general date format, US English, no
// leading zeros ("12/8/2026 7:37:12 PM"; at midnight sharp the date alone).
// Stands in until the language runtime's date formatting is available; then NowText
// becomes the runtime's text of Now and this file goes.

#include <chrono>
#include <string>

namespace zephra {

std::string NowText();

// The general date text of a moment, in local time.
std::string GeneralDateText(std::chrono::system_clock::time_point when);

}  // namespace zephra
