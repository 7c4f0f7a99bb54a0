#include "vb/PercentDecode.h"

namespace vb {

namespace {

// The value of a hex digit; -1 for any other character.
int digitValue(char c, bool upperOnly) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (!upperOnly && c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<std::string> PercentDecoded(std::string_view in, const PercentRules& rules) {
    std::string plain;
    if (rules.plusIsBlank) {
        plain.assign(in);
        for (char& c : plain)
            if (c == '+') c = ' ';
        in = plain;
    }
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        int high = i + 1 < in.size() ? digitValue(in[i + 1], rules.upperCaseDigitsOnly) : -1;
        int low = i + 2 < in.size() ? digitValue(in[i + 2], rules.upperCaseDigitsOnly) : -1;
        if (high < 0 || low < 0) {
            if (rules.badEscape == PercentRules::BadEscape::Fail) return std::nullopt;
            if (rules.badEscape == PercentRules::BadEscape::Keep) {
                out += in[i];
                continue;
            }
            if (i + 1 >= in.size()) high = 0;
            if (i + 2 >= in.size()) low = 0;
        }
        int code = 16 * high + low;
        if (code < rules.lowestCode || code < 0) code = ' ';
        if (code == 0 && rules.nulFails) return std::nullopt;
        out += static_cast<char>(code);
        i += 2;
    }
    return out;
}

}  // namespace vb
