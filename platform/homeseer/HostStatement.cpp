#include "homeseer/HostStatement.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "vb/Error.h"
#include "windows/CaseFold.h"

namespace homeseer {

namespace {

constexpr int32_t kSyntaxError = 1002;

// Reads a statement left to right; each step of the grammar is one member.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    HostStatementLine statement() {
        HostStatementLine line;
        skipBlanks();
        if (peek() == '&') ++pos_;
        line.path.push_back(step());
        while (skipBlanks(), peek() == '.') {
            ++pos_;
            line.path.push_back(step());
        }
        skipBlanks();
        if (!atEnd()) {
            if (line.path.back().args) fail("unexpected text after the arguments");
            line.args = argumentList('\0');
        }
        return line;
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw vb::Error(kSyntaxError, "Syntax error: " + what + " at column " + std::to_string(pos_ + 1));
    }

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    void skipBlanks() {
        while (!atEnd() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    }

    StatementStep step() {
        skipBlanks();
        StatementStep s;
        s.member = name();
        if (peek() == '(') {
            ++pos_;
            s.args = argumentList(')');
        }
        return s;
    }

    std::string name() {
        std::size_t start = pos_;
        if (!std::isalpha(static_cast<unsigned char>(peek()))) fail("a name was expected");
        while (!atEnd() && (std::isalnum(static_cast<unsigned char>(peek())) || peek() == '_')) ++pos_;
        return std::string(text_.substr(start, pos_ - start));
    }

    // Arguments up to `close` (')' or the end of the line for '\0').
    std::vector<vb::Variant> argumentList(char close) {
        std::vector<vb::Variant> args;
        skipBlanks();
        if (close != '\0' && peek() == close) {
            ++pos_;
            return args;
        }
        while (true) {
            skipBlanks();
            if (peek() == ',' || (close != '\0' && peek() == close) || (close == '\0' && atEnd()))
                args.push_back(vb::Variant::missing());
            else
                args.push_back(argument());
            skipBlanks();
            if (peek() == ',') {
                ++pos_;
                continue;
            }
            if (close == '\0') {
                if (!atEnd()) fail("a comma was expected between arguments");
                return args;
            }
            if (peek() != close) fail(atEnd() ? "\")\" is missing" : "a comma was expected between arguments");
            ++pos_;
            return args;
        }
    }

    vb::Variant argument() {
        char c = peek();
        if (c == '"') return quoted();
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.') return number();
        if (std::isalpha(static_cast<unsigned char>(c))) {
            std::size_t start = pos_;
            std::string word = name();
            if (windows::EqualsNoCase(word, "True")) return vb::Variant(true);
            if (windows::EqualsNoCase(word, "False")) return vb::Variant(false);
            pos_ = start;
            fail("a text in double quotes, a number, True or False was expected");
        }
        fail("a text in double quotes, a number, True or False was expected");
    }

    vb::Variant quoted() {
        std::size_t open = pos_;
        ++pos_;
        std::string value;
        while (true) {
            if (atEnd()) {
                pos_ = open;
                fail("text not closed");
            }
            char c = text_[pos_++];
            if (c != '"') {
                value += c;
            } else if (peek() == '"') {
                value += '"';
                ++pos_;
            } else {
                return vb::Variant(std::move(value));
            }
        }
    }

    vb::Variant number() {
        std::size_t start = pos_;
        if (peek() == '-') ++pos_;
        bool digits = false;
        bool fraction = false;
        while (!atEnd() && (std::isdigit(static_cast<unsigned char>(peek())) || peek() == '.')) {
            if (peek() == '.') {
                if (fraction) fail("a number has two decimal points");
                fraction = true;
            } else {
                digits = true;
            }
            ++pos_;
        }
        if (!digits) {
            pos_ = start;
            fail("a number was expected");
        }
        if (!atEnd() && std::isalpha(static_cast<unsigned char>(peek()))) fail("a number was expected");
        std::string_view literal = text_.substr(start, pos_ - start);
        if (!fraction) {
            int32_t whole = 0;
            auto [end, ec] = std::from_chars(literal.data(), literal.data() + literal.size(), whole);
            if (ec == std::errc() && end == literal.data() + literal.size()) return vb::Variant(whole);
        }
        double value = std::strtod(std::string(literal).c_str(), nullptr);
        if (!std::isfinite(value)) fail("a number is too large");
        return vb::Variant(value);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

bool holdsNoStatement(std::string_view line) {
    std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) return true;
    std::string_view rest = line.substr(first);
    if (rest[0] == '\'') return true;
    return rest.size() >= 3 && windows::EqualsNoCase(rest.substr(0, 3), "Rem") &&
           (rest.size() == 3 || rest[3] == ' ' || rest[3] == '\t');
}

}  // namespace

HostStatementLine ParseHostStatement(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxStatementLength) throw vb::Error(kSyntaxError, "Syntax error: the line is too long");
    if (holdsNoStatement(line)) return {};
    return Reader(line).statement();
}

}  // namespace homeseer
