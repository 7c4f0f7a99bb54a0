#pragma once
// The text of a page's body as a browser gives it (the document body's innerText): the
// body with its markup, scripts, styles and comments removed and character references
// decoded.

#include <string>

namespace forms::detail {

std::string pageText(const std::string& html);

}  // namespace forms::detail
