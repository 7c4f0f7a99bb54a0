#include "ModemScript.h"

#include "simkit/WholeNumber.h"

#include <cctype>
#include <stdexcept>

namespace modem_sim {

namespace {

constexpr std::string_view lineEnd = "\r\n";

std::string lowered(std::string_view text) {
    std::string lower;
    for (const char c : text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The keyword and what follows it, when the line starts with keyword and a blank (or is just it).
bool keyword(std::string_view line, std::string_view word, std::string_view& rest) {
    if (line.size() < word.size() || lowered(line.substr(0, word.size())) != word) return false;
    if (line.size() > word.size() && line[word.size()] != ' ') return false;
    rest = line.size() > word.size() ? line.substr(word.size() + 1) : std::string_view();
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
    return -1;
}

std::string unescaped(std::string_view text, const std::string& where) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i >= text.size()) throw std::invalid_argument(where + ": lone backslash at the end");
        switch (text[i]) {
        case 'r': bytes += '\r'; break;
        case 'n': bytes += '\n'; break;
        case 't': bytes += '\t'; break;
        case '\\': bytes += '\\'; break;
        case 'x': {
            const int high = i + 1 < text.size() ? hexDigit(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? hexDigit(text[i + 2]) : -1;
            if (high < 0 || low < 0) throw std::invalid_argument(where + ": \\x needs two hex digits");
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default: throw std::invalid_argument(where + ": unknown escape \\" + std::string(1, text[i]));
        }
    }
    return bytes;
}

int waitMs(std::string_view text, const std::string& where) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    const auto ms = simkit::wholeNumber(text, longestWaitMs);
    if (!ms)
        throw std::invalid_argument(where + ": wait needs milliseconds from 0 to " + std::to_string(longestWaitMs));
    return *ms;
}

ModemStep stepOf(std::string_view line, const std::string& where) {
    ModemStep step;
    std::string_view rest;
    if (keyword(line, "wait", rest)) {
        step.kind = ModemStep::Kind::wait;
        step.ms = waitMs(rest, where);
    } else if (keyword(line, "expect", rest)) {
        if (rest.empty()) throw std::invalid_argument(where + ": expect needs a text");
        step.kind = ModemStep::Kind::expect;
        step.text = std::string(rest);
    } else if (keyword(line, "raw", rest)) {
        step.text = unescaped(rest, where);
        if (step.text.empty()) throw std::invalid_argument(where + ": raw needs a text");
    } else {
        step.text = std::string(line) + std::string(lineEnd);
    }
    return step;
}

}  // namespace

std::vector<ModemStep> parseModemScript(std::string_view script) {
    std::vector<ModemStep> steps;
    int number = 0;
    while (!script.empty()) {
        ++number;
        const auto end = script.find('\n');
        std::string_view line = script.substr(0, end);
        script = end == std::string_view::npos ? std::string_view() : script.substr(end + 1);
        const std::string where = "line " + std::to_string(number);
        if (line.size() > longestScriptLine) throw std::invalid_argument(where + ": longer than 4096 characters");
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        steps.push_back(stepOf(line, where));
    }
    return steps;
}

}  // namespace modem_sim
