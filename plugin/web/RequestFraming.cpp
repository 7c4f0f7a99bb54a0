#include "web/RequestFraming.h"

#include <optional>

#include "vb/CodePage.h"

namespace zephra {

namespace {

constexpr std::string_view kEmptyLine = "\r\n\r\n";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kContentLength = "content-length";
constexpr std::string_view kTransferEncoding = "transfer-encoding";

RequestFrame Refused(int status, std::string reason) { return {RequestFrame::Refused, 0, std::move(reason), status}; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The value of a decimal text, none for anything else or a value beyond the body limit + 1.
std::optional<std::size_t> Decimal(std::string_view s) {
    if (s.empty() || s.size() > 12) return std::nullopt;
    std::size_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return value;
}

struct BodyLength {
    bool malformed = false;
    bool chunked = false;  // a transfer coding other than none
    std::optional<std::size_t> length;
};

// The "Content-Length" of a header block; lines after the request line, any case.
BodyLength BodyLengthOf(std::string_view header) {
    BodyLength found;
    std::size_t at = header.find(kLineEnd);
    while (at != std::string_view::npos) {
        const std::size_t start = at + kLineEnd.size();
        at = header.find(kLineEnd, start);
        std::string_view line =
            header.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = Trimmed(line.substr(0, colon));
        if (vb::equalsFolded(name, kTransferEncoding)) {
            if (!vb::equalsFolded(Trimmed(line.substr(colon + 1)), "identity")) found.chunked = true;
            continue;
        }
        if (!vb::equalsFolded(name, kContentLength)) continue;
        std::optional<std::size_t> value = Decimal(Trimmed(line.substr(colon + 1)));
        if (!value || (found.length && *found.length != *value)) return {true, false, std::nullopt};
        found.length = value;
    }
    return found;
}

}  // namespace

RequestFrame FrameRequest(std::string_view text) {
    const std::size_t end = text.find(kEmptyLine);
    if (end == std::string_view::npos) {
        if (text.size() > kHeaderLimit)
            return Refused(431, "header block over " + std::to_string(kHeaderLimit) + " bytes");
        return {};
    }
    const std::size_t headerSize = end + kEmptyLine.size();
    if (headerSize > kHeaderLimit) return Refused(431, "header block over " + std::to_string(kHeaderLimit) + " bytes");
    const BodyLength body = BodyLengthOf(text.substr(0, end + kLineEnd.size()));
    if (body.malformed) return Refused(400, "malformed Content-Length");
    if (body.chunked) return Refused(411, "body in chunks");
    if (!body.length) return {RequestFrame::Complete, text.size(), {}};
    if (*body.length > kBodyLimit) return Refused(413, "body over " + std::to_string(kBodyLimit) + " bytes");
    const std::size_t total = headerSize + *body.length;
    if (text.size() < total) return {};
    return {RequestFrame::Complete, total, {}};
}

}  // namespace zephra
