#pragma once
// Comparing names without regard to case, as Windows does for file names, INI sections
// and keys and registry names (letters A-Z; other bytes compare as they are).

#include <string>
#include <string_view>

namespace windows {

bool EqualsNoCase(std::string_view a, std::string_view b);
std::string LowerCase(std::string_view text);

}  // namespace windows
