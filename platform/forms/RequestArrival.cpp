#include "forms/RequestArrival.h"

#include <algorithm>

#include "vb/CodePage.h"

namespace forms {

namespace {

constexpr std::string_view kContentLength = "content-length";
constexpr std::string_view kTransferEncoding = "transfer-encoding";

RequestFrame Refused(int status, std::string reason) { return {RequestFrame::Refused, 0, std::move(reason), status}; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The value of a decimal text, none for anything else or a value of more than 12 digits.
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

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

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

RequestFrame FrameRequest(std::string_view text, std::size_t headerLimit, std::size_t bodyLimit) {
    const std::size_t headerSize = HeadSize(text);
    const std::string overHeader = "header block over " + std::to_string(headerLimit) + " bytes";
    if (headerSize == 0) {
        if (text.size() > headerLimit) return Refused(431, overHeader);
        return {};
    }
    if (headerSize > headerLimit) return Refused(431, overHeader);
    const BodyLength body = BodyLengthOf(text.substr(0, headerSize));
    if (body.malformed) return Refused(400, "malformed Content-Length");
    if (body.chunked) return Refused(411, "body in chunks");
    if (!body.length) return {RequestFrame::Complete, text.size(), {}};
    if (*body.length > bodyLimit) return Refused(413, "body over " + std::to_string(bodyLimit) + " bytes");
    const std::size_t total = headerSize + *body.length;
    if (text.size() < total) return {};
    return {RequestFrame::Complete, total, {}};
}

// --- Arrival ------------------------------------------------------------------------------

void RequestArrival::Open(const ArrivalRules& rules, TimePoint at) {
    *this = RequestArrival();
    rules_ = rules;
    opened_ = at;
}

bool RequestArrival::Arrived(std::string_view text, TimePoint at) {
    const bool wasHeard = Heard();
    const bool wasHeadWhole = HeadWhole();
    const bool wasWhole = Whole();
    received_ += text.size();
    if (!HeadWhole()) {
        // Only the head is kept, and no more of it than the framing reads.
        const std::size_t room = rules_.headerLimit + 4 - std::min(head_.size(), rules_.headerLimit + 4);
        head_.append(text.substr(0, std::min(text.size(), room)));
        const std::size_t size = HeadSize(head_);
        if (size > 0) {
            headSize_ = size;
            headAt_ = at;
            // A body of a told length follows; a head the framing refuses ends the request here.
            const RequestFrame frame = FrameRequest(head_.substr(0, size), rules_.headerLimit, rules_.bodyLimit);
            const BodyLength body =
                frame.kind == RequestFrame::Refused ? BodyLength{} : BodyLengthOf(head_.substr(0, size));
            total_ = size + body.length.value_or(0);
            head_.clear();
            head_.shrink_to_fit();
        } else if (head_.size() > rules_.headerLimit) {
            headSize_ = head_.size();  // refused by the framing: nothing more is awaited
            headAt_ = at;
            total_ = 0;
            head_.clear();
            head_.shrink_to_fit();
        }
    }
    return wasHeard != Heard() || wasHeadWhole != HeadWhole() || wasWhole != Whole();
}

std::string RequestArrival::Overdue(TimePoint now) const {
    if (taken_ || Whole()) return {};
    const auto age = now - opened_;
    if (!HeadWhole() && age >= rules_.headTimeout)
        return "no whole request head within " + std::to_string(rules_.headTimeout.count() / 1000) + " s";
    if (age >= rules_.requestTimeout)
        return "no whole request within " + std::to_string(rules_.requestTimeout.count() / 1000) + " s";
    if (HeadWhole()) {
        const double bodyTime = Seconds(now - headAt_ - rules_.bodyGrace);
        const std::size_t body = received_ - std::min(received_, headSize_);
        if (bodyTime > 0 && static_cast<double>(body) < bodyTime * static_cast<double>(rules_.bodyMinRate))
            return "body slower than " + std::to_string(rules_.bodyMinRate) + " bytes a second";
    }
    return {};
}

bool RequestArrival::MayGiveWay(TimePoint now) const {
    if (taken_ || Whole()) return false;
    return Heard() || now - opened_ >= rules_.silentGrace;
}

double RequestArrival::Rate(TimePoint now) const {
    return static_cast<double>(received_) / std::max(1.0, Seconds(now - opened_));
}

int SlowestToArrive(const std::vector<const RequestArrival*>& arrivals, RequestArrival::TimePoint now) {
    int found = -1;
    double foundRate = 0;
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        const RequestArrival* a = arrivals[i];
        if (!a || !a->MayGiveWay(now)) continue;
        const double rate = a->Rate(now);
        if (found < 0 || rate < foundRate ||
            (rate == foundRate && a->OpenedAt() < arrivals[static_cast<std::size_t>(found)]->OpenedAt())) {
            found = static_cast<int>(i);
            foundRate = rate;
        }
    }
    return found;
}

}  // namespace forms
