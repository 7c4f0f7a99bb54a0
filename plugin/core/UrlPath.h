#pragma once
// A path below the HTML folder as the part of a URL after the server: "\" between names becomes
// "/", the leading separators go, and every byte but letters, digits, "-._~" and "/" is
// percent-encoded, so that "#", "?", "%", "'", "+" and blanks stay part of the name and the
// server is asked for exactly the file named (pushed pages, WAV files, slideshow pictures).

#include <string>

namespace zephra {

std::string UrlEncodedPath(const std::string& page);

}  // namespace zephra
