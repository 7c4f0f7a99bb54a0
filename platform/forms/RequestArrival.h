#pragma once
// How one HTTP request arrives on a server's connection, for the plug-in's web server and the
// host's alike: where its head and the whole request end in the text that has come (lines end
// in CR LF or a bare LF), and the rules that keep slow or silent clients from holding every
// connection a server serves at once.
//
// The rules: a connection that has not sent its whole request may give way to a newcomer when
// every place is taken, the slowest to arrive first (fewest bytes a second since it opened; of
// equals, the one open longest); one that has sent nothing yet is left its first second, so that
// a burst of newcomers does not push out clients whose requests are on their way. A request head
// has 10 s to come and the whole request 30 s; a body, after its first 2 s, must keep coming at
// 1 KiB a second on average. Times are the caller's (its loop's clock), so that the rules can be
// run on a manual clock.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace forms {

// The bytes of the request line and header block up to and with the empty line that ends them
// (lines end in CR LF or a bare LF); 0 while that line has not come.
std::size_t HeadSize(std::string_view text);

// The request with every bare LF of its head made a CR LF, so that the head reads as one sent
// with CR LF line ends; the body is kept as it came.
std::string WithCrLfHead(std::string_view request);

struct RequestFrame {
    enum Kind { Incomplete, Complete, Refused };
    Kind kind = Incomplete;
    std::size_t length = 0;  // Complete: the bytes of the request, header and body
    std::string reason;      // Refused: why, for a log
    int status = 0;          // Refused: the HTTP status the client is answered with
};

// Where one request ends: after its header block and, when it names one, a body of
// "Content-Length" bytes. Incomplete while the header block or the body has not all come;
// Refused for a header block over `headerLimit` (431), a body over `bodyLimit` (413), a
// "Content-Length" that is not one decimal number (400), or a body sent in chunks (411: only
// bodies of a told length are read). A request without "Content-Length" ends with the text that
// came.
RequestFrame FrameRequest(std::string_view text, std::size_t headerLimit, std::size_t bodyLimit);

struct ArrivalRules {
    std::size_t headerLimit = 16 * 1024;
    std::size_t bodyLimit = 1024 * 1024;
    std::chrono::milliseconds silentGrace{1000};
    std::chrono::milliseconds headTimeout{10000};
    std::chrono::milliseconds requestTimeout{30000};
    std::chrono::milliseconds bodyGrace{2000};
    std::size_t bodyMinRate = 1024;  // bytes a second, on average after the body's grace
};

// One connection's request as it comes.
class RequestArrival {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // A new connection, opened at `at`.
    void Open(const ArrivalRules& rules, TimePoint at);
    // Notes text that came at `at`; true when it changes whether the connection may give way
    // (its first text, the end of its head, the end of its request).
    bool Arrived(std::string_view text, TimePoint at);
    // The request is being answered: it no longer gives way, and its arrival has no time limit.
    void Taken() { taken_ = true; }

    bool Heard() const { return received_ > 0; }
    bool HeadWhole() const { return headSize_ > 0; }
    bool Whole() const { return total_ && received_ >= *total_; }
    TimePoint OpenedAt() const { return opened_; }
    std::size_t Received() const { return received_; }

    // Why the connection is past its time at `now` ("no whole request head within 10 s" and the
    // like); empty while it keeps the rules or once its request is whole.
    std::string Overdue(TimePoint now) const;
    // True when it may give way to a newcomer at `now`.
    bool MayGiveWay(TimePoint now) const;
    // Bytes a second since it opened, its age counted as a second at least.
    double Rate(TimePoint now) const;

private:
    ArrivalRules rules_;
    TimePoint opened_{};
    TimePoint headAt_{};
    std::size_t received_ = 0;
    std::size_t headSize_ = 0;
    std::optional<std::size_t> total_;  // head and body, once the head is whole
    std::string head_;                  // what came of an unfinished head (up to the header limit)
    bool taken_ = false;
};

// Of `arrivals` (null entries skipped), the index of the one that gives way to a newcomer at
// `now`: the slowest to arrive of those that may; -1 when none may.
int SlowestToArrive(const std::vector<const RequestArrival*>& arrivals, RequestArrival::TimePoint now);

}  // namespace forms
