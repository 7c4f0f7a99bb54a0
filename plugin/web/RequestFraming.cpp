#include "web/RequestFraming.h"

#include <optional>

#include "vb/CodePage.h"

namespace zephra {

namespace {

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
    std::size_t at = header.find('\n');
    while (at != std::string_view::npos) {
        const std::size_t start = at + 1;
        at = header.find('\n', start);
        std::string_view line =
            header.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
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

std::size_t HeadSize(std::string_view text) {
    // Lines end in CR LF or, as clients may send them, a bare LF: the head ends at the first
    // line end followed by an empty line.
    for (std::size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1)) {
        if (at + 1 < text.size() && text[at + 1] == '\n') return at + 2;
        if (at + 2 < text.size() && text[at + 1] == '\r' && text[at + 2] == '\n') return at + 3;
    }
    return 0;
}

std::string WithCrLfHead(std::string_view request) {
    const std::size_t head = HeadSize(request);
    std::string out;
    out.reserve(request.size() + 64);
    for (std::size_t i = 0; i < head; ++i) {
        if (request[i] == '\n' && (i == 0 || request[i - 1] != '\r')) out += '\r';
        out += request[i];
    }
    out.append(request.substr(head));
    return out;
}

RequestFrame FrameRequest(std::string_view text) {
    const std::size_t headerSize = HeadSize(text);
    if (headerSize == 0) {
        if (text.size() > kHeaderLimit)
            return Refused(431, "header block over " + std::to_string(kHeaderLimit) + " bytes");
        return {};
    }
    if (headerSize > kHeaderLimit) return Refused(431, "header block over " + std::to_string(kHeaderLimit) + " bytes");
    const BodyLength body = BodyLengthOf(text.substr(0, headerSize));
    if (body.malformed) return Refused(400, "malformed Content-Length");
    if (body.chunked) return Refused(411, "body in chunks");
    if (!body.length) return {RequestFrame::Complete, text.size(), {}};
    if (*body.length > kBodyLimit) return Refused(413, "body over " + std::to_string(kBodyLimit) + " bytes");
    const std::size_t total = headerSize + *body.length;
    if (text.size() < total) return {};
    return {RequestFrame::Complete, total, {}};
}

}  // namespace zephra
