#include "simkit/PrintableText.h"

#include <cstdio>

#include "vb/PercentDecode.h"

namespace simkit {

std::string printable(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': text += "\\\\"; break;
        case '"': text += "\\\""; break;
        case '\r': text += "\\r"; break;
        case '\n': text += "\\n"; break;
        case '\t': text += "\\t"; break;
        default:
            if (byte >= 0x20 && byte < 0x7f) {
                text += c;
            } else {
                char escape[5];
                std::snprintf(escape, sizeof escape, "\\x%02x", byte);
                text += escape;
            }
        }
    }
    return text;
}

std::string quoted(std::string_view bytes) { return '"' + printable(bytes) + '"'; }

std::string percentDecoded(std::string_view text) { return *vb::PercentDecoded(text); }

}  // namespace simkit
