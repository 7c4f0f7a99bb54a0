#include "homeseer/XapWire.h"

#include <optional>

#include "windows/CaseFold.h"

namespace homeseer {

namespace {

constexpr const char* kHeaderName = "xap-header";
constexpr const char* kHeartbeatName = "xap-hbeat";
constexpr std::string_view kBlockEnd = "\n}\n";  // where the plug-in's appended blocks begin

using windows::EqualsNoCase;

std::string headerText(const char* name, const std::string& uid, const std::string& messageClass,
                       const std::string& source) {
    return std::string(name) + "\n{\nv=12\nhop=1\nuid=" + uid + "\nclass=" + messageClass + "\nsource=" + source + "\n";
}

// A pair's key or value on one line: a line end inside it would start a line of its own.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> levels(std::string_view address) {
    std::vector<std::string_view> found;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= address.size(); ++i) {
        if (i == address.size() || address[i] == '.' || address[i] == ':') {
            found.push_back(address.substr(start, i - start));
            start = i + 1;
        }
    }
    return found;
}

// A line's key ends at its first "=" (a text value) or "!" (a hex value), whichever comes first.
bool isPairLine(std::string_view line) {
    const auto equals = line.find('=');
    return equals != std::string_view::npos && equals > 0 && line.substr(0, equals).find('!') == std::string_view::npos;
}

bool isHexLine(std::string_view line) {
    const auto bang = line.find('!');
    return bang != std::string_view::npos && bang > 0 && line.substr(0, bang).find('=') == std::string_view::npos;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "key!48656C6C6F": the value as pairs of hexadecimal digits, turned back into its bytes, as
// "key=Hello"; none when the digits are not whole pairs.
std::optional<std::string> decodedHexLine(std::string_view line) {
    const auto bang = line.find('!');
    const std::string_view hex = trimmed(line.substr(bang + 1));
    if (hex.size() % 2 != 0) return std::nullopt;
    std::string decoded(trimmed(line.substr(0, bang)));
    decoded += '=';
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexDigit(hex[i]), low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
    }
    return decoded;
}

}  // namespace

std::optional<std::string> XapBlock::value(std::string_view key) const {
    for (const std::string& line : lines) {
        const auto equals = line.find('=');
        if (equals != std::string::npos && EqualsNoCase(trimmed(std::string_view(line).substr(0, equals)), key))
            return line.substr(equals + 1);
    }
    return std::nullopt;
}

bool XapParsed::heartbeat() const { return EqualsNoCase(header.name, kHeartbeatName); }

std::string FrameXapMessage(const XapIdentity& node, const std::string& target, const std::string& messageClass,
                            const std::string& section, const std::string& body, const std::string& subAddress,
                            const std::string& uidPart) {
    const std::string source = subAddress.empty() ? node.source : node.source + ":" + subAddress;
    std::string text = headerText(kHeaderName, node.uidPrefix + (uidPart.empty() ? "00" : uidPart),
                                  oneLine(messageClass), oneLine(source));
    if (!target.empty()) text += "target=" + oneLine(target) + "\n";
    text += "}\n";

    const auto appendedAt = body.find(kBlockEnd);
    const std::string pairs = body.substr(0, appendedAt);
    std::string appended = appendedAt == std::string::npos ? std::string() : body.substr(appendedAt);
    std::vector<std::string> lines;
    if (!pairs.empty()) {
        std::size_t start = 0;
        for (;;) {
            const auto end = pairs.find('\0', start);
            const std::string pair = pairs.substr(start, end == std::string::npos ? std::string::npos : end - start);
            const auto split = pair.find('\1');
            lines.push_back(oneLine(pair.substr(0, split)) + "=" +
                            (split == std::string::npos ? std::string() : oneLine(pair.substr(split + 1))));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    text += oneLine(section.empty() ? messageClass : section) + "\n{\n";
    for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + lines[i];
    if (lines.empty() && !appended.empty()) appended.erase(0, 1);  // no empty line in the first block
    text += appended;
    if (!lines.empty() || !appended.empty()) text += "\n";
    text += "}\n";
    return text;
}

std::string FrameXapHeartbeat(const XapIdentity& node, int intervalSeconds, int port) {
    return headerText(kHeartbeatName, node.uidPrefix + "00", "xap-hbeat.alive", node.source) +
           "interval=" + std::to_string(intervalSeconds) + "\nport=" + std::to_string(port) + "\n}\n";
}

XapParsing ParseXapDatagram(std::string_view datagram) {
    XapParsing result;
    auto refuse = [&](std::string why) {
        result.error = std::move(why);
        return result;
    };
    if (datagram.size() > kXapMaxDatagram)
        return refuse("longer than " + std::to_string(kXapMaxDatagram) + " bytes (" + std::to_string(datagram.size()) +
                      ")");
    for (unsigned char c : datagram)
        if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) return refuse("binary data");

    enum class Expect { Name, Open, Line } expect = Expect::Name;
    std::vector<XapBlock> blocks;
    std::size_t start = 0;
    int lineNumber = 0;
    while (start < datagram.size()) {
        auto end = datagram.find('\n', start);
        if (end == std::string_view::npos) end = datagram.size();
        std::string_view line = datagram.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = trimmed(line);
        if (line.empty()) continue;
        const std::string where = " in line " + std::to_string(lineNumber);
        switch (expect) {
        case Expect::Name:
            if (line == "{" || line == "}" || line.find('=') != std::string_view::npos)
                return refuse("no block name" + where);
            blocks.push_back(XapBlock{std::string(line), {}});
            expect = Expect::Open;
            break;
        case Expect::Open:
            if (line != "{") return refuse("no \"{\" after the block name" + where);
            expect = Expect::Line;
            break;
        case Expect::Line:
            if (line == "}") {
                expect = Expect::Name;
            } else if (isPairLine(line)) {
                blocks.back().lines.emplace_back(line);
            } else if (!isHexLine(line)) {
                return refuse("not a \"key=value\" line" + where);
            } else if (std::optional<std::string> decoded = decodedHexLine(line)) {
                blocks.back().lines.push_back(std::move(*decoded));
            } else {
                return refuse("a \"key!hex\" value that is not pairs of hexadecimal digits" + where);
            }
            break;
        }
    }
    if (expect == Expect::Open) return refuse("no \"{\" after the block name");
    if (expect == Expect::Line) return refuse("a block is not closed");
    if (blocks.empty()) return refuse("empty");
    if (!EqualsNoCase(blocks[0].name, kHeaderName) && !EqualsNoCase(blocks[0].name, kHeartbeatName))
        return refuse("no xAP header");
    if (!blocks[0].value("class") || !blocks[0].value("source")) return refuse("a header without class or source");
    XapParsed parsed;
    parsed.header = std::move(blocks[0]);
    parsed.body.assign(std::make_move_iterator(blocks.begin() + 1), std::make_move_iterator(blocks.end()));
    result.message = std::move(parsed);
    return result;
}

bool XapAddressMatches(std::string_view pattern, std::string_view address) {
    const std::vector<std::string_view> want = levels(pattern);
    const std::vector<std::string_view> have = levels(address);
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (want[i] == ">") return true;
        if (i >= have.size()) return false;
        if (want[i] != "*" && !EqualsNoCase(want[i], have[i])) return false;
    }
    return want.size() == have.size();
}

}  // namespace homeseer
