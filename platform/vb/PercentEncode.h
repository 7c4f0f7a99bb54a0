#pragma once
// "%XY" escapes for URLs: every byte but ASCII letters, digits and "-._~" is written as "%"
// and two upper-case hex digits, except the bytes the caller keeps as they are ("/" for a path
// whose names stay apart, the reserved marks and "%" for a URL already written).

#include <string>
#include <string_view>

namespace vb {

std::string PercentEncoded(std::string_view text, std::string_view keep = {});

}  // namespace vb
