#include "ModemPlayer.h"

#include "simkit/PrintableText.h"

#include <boost/asio/read_until.hpp>
#include <boost/asio/write.hpp>
#include <boost/algorithm/string/case_conv.hpp>

#include <unistd.h>

#include <chrono>
#include <istream>

namespace modem_sim {

namespace asio = boost::asio;

namespace {

constexpr const char* who = "modem";
constexpr std::size_t longestLineIn = 1024;
constexpr std::size_t linesKept = 256;
// At the end the other side gets up to two seconds (200 checks, 10 ms apart) to read what was sent:
// closing the master hangs the terminal up and throws away what is still unread. Bytes written reach
// the other side's queue a moment after the write, so the queue must stay empty for five checks.
constexpr int drainTries = 200;
constexpr int quietChecks = 5;

std::string shown(const std::string& bytes) {
    const bool lineEnded = bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0;
    return simkit::printable(lineEnded ? bytes.substr(0, bytes.size() - 2) : bytes);
}

}  // namespace

ModemPlayer::ModemPlayer(asio::io_context& io, Pty& pty, simkit::SimLog& log, std::vector<ModemStep> steps,
                         Pacing pacing, bool stay, int baud)
    : io_(io),
      pty_(pty),
      log_(log),
      steps_(std::move(steps)),
      pacing_(pacing),
      stay_(stay),
      baud_(baud),
      master_(io, ::dup(pty.master())),
      timer_(io) {}

void ModemPlayer::start() {
    if (pacing_ == Pacing::step) {
        stdin_.emplace(io_, ::dup(STDIN_FILENO));
        readStdin();
    }
    readPty();
    playNext();
}

void ModemPlayer::stop() {
    if (!partial_.empty()) lineIn(std::exchange(partial_, {}));
    boost::system::error_code ignored;
    master_.close(ignored);
    if (stdin_) stdin_->close(ignored);
    timer_.cancel();
}

void ModemPlayer::playNext() {
    if (next_ >= steps_.size()) return finish();
    const ModemStep& step = steps_[next_++];
    switch (step.kind) {
    case ModemStep::Kind::send: return send(step.text);
    case ModemStep::Kind::wait: return pause(step.ms);
    case ModemStep::Kind::expect: return expect(step.text);
    }
}

void ModemPlayer::send(const std::string& bytes) {
    log_.line(who, "out", shown(bytes));
    if (baud_ > 0) return sendCharacters(bytes, 0);
    asio::async_write(master_, asio::buffer(bytes), [this](boost::system::error_code ec, std::size_t) {
        if (ec) {
            log_.line(who, "error", simkit::quoted(ec.message()));
            return finish();
        }
        playNext();
    });
}

// One character, then the next once the line would have carried it (a start bit, eight data bits
// and a stop bit).
void ModemPlayer::sendCharacters(std::string bytes, std::size_t next) {
    if (next >= bytes.size()) return playNext();
    const char c = bytes[next];
    boost::system::error_code ec;
    asio::write(master_, asio::buffer(&c, 1), ec);
    if (ec) {
        log_.line(who, "error", simkit::quoted(ec.message()));
        return finish();
    }
    timer_.expires_after(std::chrono::microseconds(10'000'000 / baud_));
    timer_.async_wait([this, bytes = std::move(bytes), next](boost::system::error_code waited) mutable {
        if (!waited) sendCharacters(std::move(bytes), next + 1);
    });
}

void ModemPlayer::pause(int ms) {
    log_.line(who, "wait", std::to_string(ms));
    if (pacing_ == Pacing::noDelays || (pacing_ == Pacing::step && stdinEnded_)) return playNext();
    if (pacing_ == Pacing::step) {
        if (triggers_ > 0) {
            --triggers_;
            return playNext();
        }
        waitingForTrigger_ = true;
        return;
    }
    timer_.expires_after(std::chrono::milliseconds(ms));
    timer_.async_wait([this](boost::system::error_code ec) {
        if (!ec) playNext();
    });
}

void ModemPlayer::expect(const std::string& text) {
    log_.line(who, "expect", simkit::quoted(text));
    expected_ = boost::algorithm::to_lower_copy(text);
    if (takeExpected()) playNext();
}

// True when a line received since the last expected one holds the expected text; that line and
// those before it are used up.
bool ModemPlayer::takeExpected() {
    if (expected_.empty()) return false;
    for (std::size_t i = 0; i < unmatched_.size(); ++i) {
        if (boost::algorithm::to_lower_copy(unmatched_[i]).find(expected_) == std::string::npos) continue;
        unmatched_.erase(unmatched_.begin(), unmatched_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        expected_.clear();
        return true;
    }
    return false;
}

void ModemPlayer::readPty() {
    master_.async_read_some(asio::buffer(chunk_), [this](boost::system::error_code ec, std::size_t got) {
        if (ec) {
            if (ec != asio::error::operation_aborted) log_.line(who, "error", simkit::quoted(ec.message()));
            return;
        }
        takeBytes(chunk_.data(), got);
        readPty();
    });
}

// Lines end at CR or LF (a CR LF pair makes one end); a line too long for the buffer is logged in parts.
void ModemPlayer::takeBytes(const char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            if (!partial_.empty()) lineIn(std::exchange(partial_, {}));
            continue;
        }
        partial_ += c;
        if (partial_.size() >= longestLineIn) lineIn(std::exchange(partial_, {}));
    }
}

void ModemPlayer::lineIn(const std::string& line) {
    log_.line(who, "in", simkit::printable(line));
    unmatched_.push_back(line);
    if (unmatched_.size() > linesKept) unmatched_.pop_front();
    if (takeExpected()) playNext();
}

void ModemPlayer::readStdin() {
    asio::async_read_until(*stdin_, stdinBuffer_, '\n', [this](boost::system::error_code ec, std::size_t) {
        if (ec == asio::error::not_found) {
            // A line longer than the buffer still counts as one trigger.
            stdinBuffer_.consume(stdinBuffer_.size());
            onTrigger();
            return readStdin();
        }
        if (ec) {
            // No more triggers will come: the remaining waits pass at once.
            stdinEnded_ = true;
            if (std::exchange(waitingForTrigger_, false)) playNext();
            return;
        }
        std::istream in(&stdinBuffer_);
        std::string ignored;
        std::getline(in, ignored);
        onTrigger();
        readStdin();
    });
}

void ModemPlayer::onTrigger() {
    log_.line(who, "step");
    if (std::exchange(waitingForTrigger_, false)) return playNext();
    ++triggers_;
}

void ModemPlayer::finish() {
    if (std::exchange(finished_, true)) return;
    log_.line(who, "done");
    if (!stay_) drain(drainTries, 0);
}

void ModemPlayer::drain(int triesLeft, int quiet) {
    quiet = pty_.unreadBySlave() == 0 ? quiet + 1 : 0;
    if (triesLeft <= 0 || quiet >= quietChecks) {
        stop();
        io_.stop();
        return;
    }
    timer_.expires_after(std::chrono::milliseconds(10));
    timer_.async_wait([this, triesLeft, quiet](boost::system::error_code ec) {
        if (!ec) drain(triesLeft - 1, quiet);
    });
}

}  // namespace modem_sim
