#pragma once
// "%XY" escapes of URLs and form bodies, decoded under the rules of the caller: the plug-in's
// request object decodes as its pages expect (odd escapes give a character all the same), the
// host's file server refuses an odd escape, and the stand-in programs keep it as it came.

#include <optional>
#include <string>
#include <string_view>

namespace vb {

struct PercentRules {
    // What an escape without two hex digits gives.
    enum class BadEscape {
        Keep,     // the "%" and what follows, as they are
        Fail,     // the whole text fails
        Compute,  // a character that is no digit counts -1, one past the end 0; three characters go
    };
    bool plusIsBlank = false;  // "+" stands for a blank (decoded before the escapes)
    bool upperCaseDigitsOnly = false;
    BadEscape badEscape = BadEscape::Keep;
    int lowestCode = 0;     // a decoded code below it gives a blank
    bool nulFails = false;  // a decoded NUL fails the whole text
};

// The decoded text; none when the rules make it fail.
std::optional<std::string> PercentDecoded(std::string_view text, const PercentRules& rules = {});

}  // namespace vb
