#pragma once
// The script a modem stand-in plays: lines to send, pauses, and texts to wait for.
//   RING                 any other line is sent as it stands, followed by CR LF, as a modem does
//   wait 500             pause 500 ms (or, with --step, until a line arrives on standard input)
//   expect AT#CID        wait until the other side has written a line holding AT#CID (any case)
//   raw ...NMBR5551234\r sent without CR LF; \r \n \t \\ and \xNN are escapes
//   # comment            blank lines and lines starting with # are skipped

#include <string>
#include <string_view>
#include <vector>

namespace modem_sim {

struct ModemStep {
    enum class Kind { send, wait, expect };
    Kind kind = Kind::send;
    std::string text;  // bytes to send, or the text to expect
    int ms = 0;        // length of a pause
};

inline constexpr int longestWaitMs = 60 * 60 * 1000;
inline constexpr std::size_t longestScriptLine = 4096;

// Parses a whole script; throws std::invalid_argument naming the line of the first fault.
std::vector<ModemStep> parseModemScript(std::string_view script);

}  // namespace modem_sim
