#include "core/SettingsChecks.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "vb/CodePage.h"
#include "vb/Strings.h"

namespace zephra::settings {

namespace {

constexpr const char* kTooLong = "more than 255 characters";
constexpr const char* kOutsideCodePage = ", a character outside the Windows-1252 code page";
constexpr const char* kNotInCodePage = " (the settings files keep Windows-1252 characters only)";
constexpr const char* kNotAPort = " (a port number from 1 to 65535, or nothing)";
constexpr const char* kNotAnAddress =
    " (an IPv4 address or a host name, with an optional \":port\", then optionally \"/\" and the computer's "
    "address of the same form)";
constexpr const char* kNotAHost = " (an IPv4 address or a host name, without a port)";
constexpr const char* kOf = " of ";
constexpr const char* kUnit = "unit ";
constexpr const char* kOfGroup = " of Group ";
constexpr const char* kRow = ", row ";
constexpr int kRowsPerGroup = kSlideRows;

// A label as the page writes it, as a user reads it: blanks for "&nbsp;", none around, no colon
// after it.
std::string Plain(const char* label) {
    if (!label) return {};
    std::string text = vb::Trim(vb::Replace(label, "&nbsp;", " "));
    while (!text.empty() && (text.back() == ':' || text.back() == ' ')) text.pop_back();
    return text;
}

// The code point of a decimal character reference at `at` ("&#" digits ";"), and its length;
// none when the text there is no such reference.
bool CharacterReference(std::string_view text, std::size_t at, uint32_t& codePoint, std::size_t& length) {
    if (text.substr(at, 2) != "&#") return false;
    std::size_t end = at + 2;
    uint64_t value = 0;
    while (end < text.size() && end - at < 12 && text[end] >= '0' && text[end] <= '9')
        value = value * 10 + static_cast<uint64_t>(text[end++] - '0');
    if (end == at + 2 || end >= text.size() || text[end] != ';' || value > 0x10FFFF) return false;
    codePoint = static_cast<uint32_t>(value);
    length = end + 1 - at;
    return true;
}

std::string CodePointName(uint32_t codePoint) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", codePoint);
    return name;
}

// What no text may hold: a control character (the settings file ends a value at a line break
// and keeps no other control character), or a character its code page lacks.
std::string UnkeptCharacter(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r') return "CR";
        if (c == '\n') return "LF";
        if (c == '\0') return "NUL";
        if (c == '\t') return "TAB";
        if (u < 0x20 || u == 0x7f) return "control character " + std::to_string(u);
        uint32_t codePoint = 0;
        std::size_t length = 0;
        if (CharacterReference(text, i, codePoint, length) && codePoint != '?' && vb::byteOf(codePoint) == '?')
            return OutsideCodePage(codePoint);
    }
    return {};
}

bool Digits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool PortNumber(std::string_view text) {
    if (!Digits(text) || text.size() > 5) return false;
    const int port = std::stoi(std::string(text));
    return port >= 1 && port <= 65535;
}

std::vector<std::string_view> Parts(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

bool IPv4(std::string_view text) {
    const std::vector<std::string_view> numbers = Parts(text, '.');
    return numbers.size() == 4 && std::all_of(numbers.begin(), numbers.end(), [](std::string_view n) {
               return Digits(n) && n.size() <= 3 && std::stoi(std::string(n)) <= 255;
           });
}

// Letters, digits, "-" and "_" (computer names of Windows networks), in labels of 1 to 63
// characters, none starting or ending with "-"; a name of digits and dots only must be an IPv4
// address.
bool HostName(std::string_view text) {
    if (text.empty() || text.size() > 253) return false;
    bool allNumeric = true;
    for (std::string_view label : Parts(text, '.')) {
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
        for (const char c : label) {
            const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
            if (!letter && !(c >= '0' && c <= '9') && c != '-' && c != '_') return false;
            if (letter || c == '-' || c == '_') allNumeric = false;
        }
    }
    return !allNumeric;
}

// An IPv4 address or a host name, with an optional ":port".
bool HostAndPort(std::string_view text) {
    const std::size_t colon = text.find(':');
    const std::string_view host = text.substr(0, colon);
    if (colon != std::string_view::npos && !PortNumber(text.substr(colon + 1))) return false;
    return IPv4(host) || HostName(host);
}

// A unit's address: its own, then optionally "/" and its computer's; blanks around either part
// are not part of it (the readers trim them).
bool UnitAddress(const std::string& text) {
    const std::size_t slash = text.find('/');
    if (!HostAndPort(vb::Trim(text.substr(0, slash)))) return false;
    return slash == std::string::npos || HostAndPort(vb::Trim(text.substr(slash + 1)));
}

bool IsText(Fill fill) { return fill == Fill::Text || fill == Fill::NumericText || fill == Fill::Voice; }

}  // namespace

std::string Problem(const std::string& text, Check kind) {
    if (kind == Check::None) return {};
    if (text.size() > kLongestValue) return kTooLong;
    if (std::string what = UnkeptCharacter(text); !what.empty()) return what;
    if (std::string what = Unstorable(text, kind == Check::Port ? Check::Text : kind); !what.empty()) return what;
    const std::string trimmed = vb::Trim(text);
    if (kind == Check::Port && !trimmed.empty() && !PortNumber(trimmed)) return "'" + trimmed + "'" + kNotAPort;
    if (kind == Check::UnitAddress && !trimmed.empty() && !UnitAddress(text)) return "'" + text + "'" + kNotAnAddress;
    if (kind == Check::Address && !trimmed.empty() && !IPv4(trimmed) && !HostName(trimmed))
        return "'" + text + "'" + kNotAHost;
    return {};
}

std::string Refused(const std::string& shown, const std::string& what) {
    return kNothingSaved + shown + kCannotHold + what + ".";
}

std::string UnitShown(int index, const std::string& name) {
    const std::string shown = vb::Trim(name);
    return kUnit + std::to_string(index + 1) + (shown.empty() ? "" : " (" + shown + ")");
}

std::string UnitFieldShown(const std::string& label, int index, const std::string& name) {
    return label + kOf + UnitShown(index, name);
}

std::string OutsideCodePage(uint32_t codePoint) { return CodePointName(codePoint) + kOutsideCodePage; }

std::string NotInCodePage(uint32_t codePoint) { return CodePointName(codePoint) + kNotInCodePage; }

std::string ShownName(const Setting& row) {
    if (row.named) return row.named;
    if (std::string label = Plain(row.page.label); !label.empty()) return label;
    if (std::string caption = Plain(row.dialog.caption); !caption.empty()) return caption;
    return row.key;
}

std::string ShownName(const Family& family, const FamilyField& field, int index, const std::string& unitName) {
    std::string name = field.named ? field.named : field.heading ? field.heading : Plain(field.page.label);
    if (&family == &Units()) {
        // The name says which unit only when it is shown as it is and is not the field refused.
        const std::string shown = vb::Trim(unitName);
        const bool told =
            &field != &family.fields.front() && !shown.empty() && Problem(shown, Check::UnitField).empty();
        name = UnitFieldShown(name, index, told ? shown : std::string());
    } else if (family.keys == FamilyKeys::Numbered) {
        name += kOfGroup + std::to_string(index / kRowsPerGroup + 1) + kRow + std::to_string(index % kRowsPerGroup + 1);
    } else {
        name += kOfGroup + std::to_string(index + 1);
    }
    return name;
}

std::string Refusal(const Setting& row, const std::string& value) {
    if (!IsText(row.dialog.fill)) return {};
    const std::string what = Problem(value, row.check);
    return what.empty() ? std::string() : Refused(ShownName(row), what);
}

std::string Refusal(const Family& family, const FamilyField& field, int index, const std::string& value,
                    const std::string& unitName) {
    const std::string what = Problem(value, field.check);
    return what.empty() ? std::string() : Refused(ShownName(family, field, index, unitName), what);
}

}  // namespace zephra::settings
