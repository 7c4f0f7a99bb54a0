#pragma once
// Plays a modem script into the pseudo-terminal and logs every line the other side writes back.

#include "ModemScript.h"
#include "Pty.h"
#include "simkit/SimLog.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/streambuf.hpp>

#include <array>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace modem_sim {

enum class Pacing {
    realTime,  // waits last their time
    noDelays,  // waits pass at once
    step,      // waits last until a line on standard input
};

class ModemPlayer {
public:
    ModemPlayer(boost::asio::io_context& io, Pty& pty, simkit::SimLog& log, std::vector<ModemStep> steps, Pacing pacing,
                bool stay, int baud = 0);

    void start();
    // Logs what is left of a line without its end and stops reading.
    void stop();

private:
    void playNext();
    void send(const std::string& bytes);
    void sendCharacters(std::string bytes, std::size_t next);
    void pause(int ms);
    void expect(const std::string& text);
    bool takeExpected();
    void readPty();
    void takeBytes(const char* bytes, std::size_t count);
    void lineIn(const std::string& line);
    void readStdin();
    void onTrigger();
    void finish();
    void drain(int triesLeft, int quiet);

    boost::asio::io_context& io_;
    Pty& pty_;
    simkit::SimLog& log_;
    std::vector<ModemStep> steps_;
    std::size_t next_ = 0;
    Pacing pacing_;
    bool stay_;
    int baud_;  // above 0: one character at a time, 10 bits each at this speed
    boost::asio::posix::stream_descriptor master_;
    std::optional<boost::asio::posix::stream_descriptor> stdin_;
    boost::asio::steady_timer timer_;
    boost::asio::streambuf stdinBuffer_{4096};
    std::array<char, 4096> chunk_{};
    std::string partial_;                // received text not yet ended by CR or LF
    std::deque<std::string> unmatched_;  // lines received since the last expected one
    std::string expected_;               // text of the expect step under way
    int triggers_ = 0;                   // stdin lines not yet used by a wait
    bool waitingForTrigger_ = false;
    bool stdinEnded_ = false;
    bool finished_ = false;
};

}  // namespace modem_sim
