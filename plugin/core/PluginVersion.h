#pragma once
// The plug-in's own version: the version line of the host log, the version device and the
// Version member show these numbers.

#include <cstdint>
#include <string>

namespace zephra {

constexpr int32_t kPluginMajor = 2;
constexpr int32_t kPluginMinor = 5;
constexpr int32_t kPluginRevision = 0;

// major & "." & minor & "." & revision.
inline std::string PluginVersionText() {
    return std::to_string(kPluginMajor) + "." + std::to_string(kPluginMinor) + "." + std::to_string(kPluginRevision);
}

}  // namespace zephra
