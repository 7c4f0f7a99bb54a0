// The regular-expression objects on Boost.Regex in its ECMAScript grammar, the flavour the
// language's patterns follow. Text is the code page's bytes: indexes count bytes.

#include "script/RegExp.h"

#include <boost/regex.hpp>

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "automation/Class.h"
#include "script/Engine.h"
#include "script/ErrObject.h"
#include "vb/CodePage.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "vb/Strings.h"

namespace script {

namespace {

// Letter case as the code page has it, so that IgnoreCase folds accented letters too.
struct CodePageTraits : boost::regex_traits<char> {
    char translate(char c) const { return c; }
    char translate(char c, bool icase) const { return icase ? translate_nocase(c) : c; }
    char translate_nocase(char c) const { return static_cast<char>(vb::toLowerByte(static_cast<unsigned char>(c))); }
};

using Compiled = boost::basic_regex<char, CodePageTraits>;

// The work one call may spend, in characters the matcher reads: 100 for each character of
// the text, at least 1e8 (about a tenth of a second). Boost's own bound counts states, and a
// repeat of one character scans the text within a single state: `a{50000}b` tried at each
// place of a long text of "a" costs the square of its length in one state per place.
constexpr double kMinReads = 1e8;
constexpr double kReadsPerCharacter = 100;
// How often, in characters read, a match looks at the script's cancel flag.
constexpr std::size_t kCancelCheckReads = 4096;

struct TooMuchWork {};

// What a search may still read, and the flag that cancels it.
class Budget {
public:
    Budget(double reads, const std::atomic<bool>* cancel) : total_(static_cast<std::size_t>(reads)), cancel_(cancel) {}

    void spend() {
        if (--left_ == 0) refill();
    }

private:
    void refill() {
        if (cancel_ && cancel_->load(std::memory_order_relaxed)) throw Interrupt{};
        if (total_ == 0) throw TooMuchWork{};
        left_ = std::min(total_, kCancelCheckReads);
        total_ -= left_;
    }

    std::size_t total_;
    std::size_t left_ = 1;
    const std::atomic<bool>* cancel_;
};

// The text as the matcher reads it: each character read is charged to the budget.
class Iterator {
public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    Iterator() = default;
    Iterator(const char* p, Budget* budget) : p_(p), budget_(budget) {}

    const char* get() const { return p_; }
    reference operator*() const {
        budget_->spend();
        return *p_;
    }
    reference operator[](difference_type n) const { return *(*this + n); }
    Iterator& operator++() { return ++p_, *this; }
    Iterator operator++(int) { return {p_++, budget_}; }
    Iterator& operator--() { return --p_, *this; }
    Iterator operator--(int) { return {p_--, budget_}; }
    Iterator& operator+=(difference_type n) { return p_ += n, *this; }
    Iterator& operator-=(difference_type n) { return p_ -= n, *this; }
    friend Iterator operator+(Iterator i, difference_type n) { return i += n; }
    friend Iterator operator+(difference_type n, Iterator i) { return i += n; }
    friend Iterator operator-(Iterator i, difference_type n) { return i -= n; }
    friend difference_type operator-(const Iterator& a, const Iterator& b) { return a.p_ - b.p_; }
    friend bool operator==(const Iterator& a, const Iterator& b) { return a.p_ == b.p_; }
    friend bool operator!=(const Iterator& a, const Iterator& b) { return a.p_ != b.p_; }
    friend bool operator<(const Iterator& a, const Iterator& b) { return a.p_ < b.p_; }
    friend bool operator>(const Iterator& a, const Iterator& b) { return a.p_ > b.p_; }
    friend bool operator<=(const Iterator& a, const Iterator& b) { return a.p_ <= b.p_; }
    friend bool operator>=(const Iterator& a, const Iterator& b) { return a.p_ >= b.p_; }

private:
    const char* p_ = nullptr;
    Budget* budget_ = nullptr;
};

using Results = boost::match_results<Iterator>;

// The text of a matched part, read past the budget.
std::string_view partOf(const boost::sub_match<Iterator>& m) {
    return {m.first.get(), static_cast<std::size_t>(m.second - m.first)};
}

// The work one search may take, in matcher states. Boost's own bound is its estimate of what
// a sound pattern needs, but that stops a backtracking search of a short text (`^(\d+)*$` on
// 15 digits and an "x") long before it has tried its few million ways, and grows with the
// square of the pattern's size times the text's length on a long one. Here a search may visit
// as many states as it may read characters: the read budget is what ends a hopeless search.
double maxReads(std::size_t textLength) {
    return std::max(kMinReads, kReadsPerCharacter * static_cast<double>(textLength));
}

}  // namespace
}  // namespace script

// The states a search may visit, for this engine's matcher only (its traits are its own, so no
// other user of Boost.Regex sees the change).
template <>
void boost::BOOST_REGEX_DETAIL_NS::perl_matcher<
    script::Iterator, std::allocator<boost::sub_match<script::Iterator>>,
    script::CodePageTraits>::estimate_max_state_count(std::random_access_iterator_tag*) {
    max_state_count = static_cast<std::ptrdiff_t>(script::maxReads(static_cast<std::size_t>(last - base)));
}

namespace script {
namespace {

// The language's errors of a pattern.
constexpr int32_t kPatternSyntax = 5017;
constexpr int32_t kUnexpectedQuantifier = 5018;
constexpr int32_t kExpectedBracket = 5019;
constexpr int32_t kExpectedParen = 5020;
constexpr int32_t kInvalidRange = 5021;
constexpr int32_t kOutOfStack = 28;

// The code point of the four hexadecimal digits at `at` of "\uXXXX"; none when they are not
// all there (the escape is then a plain "u").
std::optional<uint32_t> unicodeEscape(const std::string& p, std::size_t at) {
    if (at + 4 > p.size()) return std::nullopt;
    uint32_t cp = 0;
    for (std::size_t k = at; k < at + 4; ++k) {
        const unsigned char d = static_cast<unsigned char>(p[k]);
        if (!std::isxdigit(d)) return std::nullopt;
        cp = cp * 16 + static_cast<uint32_t>(std::isdigit(d) ? d - '0' : (d | 0x20) - 'a' + 10);
    }
    return cp;
}

// The byte "\uXXXX" stands for: the code page's character of the code point ("?" when it has
// none, as for ChrW), but 0xFF at the upper end of a range, so that "[\u0000-\uFFFF]" still
// spans every character.
unsigned char unicodeByte(uint32_t cp, bool upperEnd) { return upperEnd && cp > 0xFF ? 0xFF : vb::byteOf(cp); }

// One character of a set at `i` (moved past it): its byte, or -1 for a class such as \d.
int setCharacter(const std::string& p, std::size_t& i, bool upperEnd = false) {
    unsigned char c = static_cast<unsigned char>(p[i++]);
    if (c != '\\' || i >= p.size()) return c;
    unsigned char e = static_cast<unsigned char>(p[i++]);
    switch (e) {
    case 'd':
    case 'D':
    case 'w':
    case 'W':
    case 's':
    case 'S': return -1;
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case 'f': return '\f';
    case 'v': return '\v';
    case 'x':
        if (i + 2 <= p.size() && std::isxdigit(static_cast<unsigned char>(p[i])) &&
            std::isxdigit(static_cast<unsigned char>(p[i + 1]))) {
            int v = std::stoi(p.substr(i, 2), nullptr, 16);
            i += 2;
            return v;
        }
        return 'x';
    case 'u':
        if (std::optional<uint32_t> cp = unicodeEscape(p, i)) {
            i += 4;
            return unicodeByte(*cp, upperEnd);
        }
        return 'u';
    default: return e;
    }
}

// Whether a set of the pattern holds a range whose end comes before its start (`[z-a]`), which
// Boost reports as a bad character class rather than as a bad range.
bool hasReversedRange(const std::string& p) {
    for (std::size_t i = 0; i < p.size();) {
        if (p[i] == '\\') {
            i += 2;
            continue;
        }
        if (p[i++] != '[') continue;
        if (i < p.size() && p[i] == '^') ++i;
        bool first = true;
        while (i < p.size() && (p[i] != ']' || first)) {
            first = false;
            int from = setCharacter(p, i);
            if (i + 1 < p.size() && p[i] == '-' && p[i + 1] != ']') {
                ++i;
                int to = setCharacter(p, i, true);
                if (from >= 0 && to >= 0 && from > to) return true;
            }
        }
        ++i;
    }
    return false;
}

[[noreturn]] void patternError(boost::regex_constants::error_type code, const std::string& pattern) {
    namespace rc = boost::regex_constants;
    if (code == rc::error_ctype && hasReversedRange(pattern)) code = rc::error_range;
    int32_t number = kPatternSyntax;
    switch (code) {
    case rc::error_badrepeat: number = kUnexpectedQuantifier; break;
    case rc::error_brack: number = kExpectedBracket; break;
    case rc::error_paren: number = kExpectedParen; break;
    case rc::error_range: number = kInvalidRange; break;
    default: break;
    }
    throw vb::Error(number, std::string(languageDescription(number)));
}

// The pattern as Boost reads it. "." matches anything but a line end ("\n" or "\r"): spelled
// out as a set, because the engine's own "." also stops at byte 0x85, which is a character of
// the code page. "\uXXXX" is the character, and "\u" without its digits a "u" (Boost would read "\u" as an
// upper-case letter).
std::string enginePattern(const std::string& pattern) {
    std::string out;
    out.reserve(pattern.size());
    bool inSet = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c == '\\' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == 'u') {
                if (std::optional<uint32_t> cp = unicodeEscape(pattern, i + 2)) {
                    // A range's upper end: "-" after a character of the set, not after its "[" or "[^".
                    const bool upperEnd =
                        inSet && out.size() >= 2 && out.back() == '-' && out[out.size() - 2] != '[' &&
                        !(out[out.size() - 2] == '^' && out.size() >= 3 && out[out.size() - 3] == '[');
                    static constexpr char kDigits[] = "0123456789ABCDEF";
                    const unsigned char b = unicodeByte(*cp, upperEnd);
                    out += "\\x";
                    out += kDigits[b >> 4];
                    out += kDigits[b & 0xF];
                    i += 5;
                    continue;
                }
                out += 'u';  // without its four digits, a plain "u"
                ++i;
                continue;
            }
            out += c;
            out += pattern[++i];
            continue;
        }
        if (inSet) {
            if (c == ']') inSet = false;
        } else if (c == '[') {
            inSet = true;
            out += c;
            if (i + 1 < pattern.size() && pattern[i + 1] == '^') out += pattern[++i];
            if (i + 1 < pattern.size() && pattern[i + 1] == ']') out += pattern[++i];  // "[]...]": a literal "]"
            continue;
        } else if (c == '.') {
            out += "[^\\n\\r]";
            continue;
        }
        out += c;
    }
    return out;
}

// What any match of a pattern needs: its least length and the characters it must hold. With
// them a search that cannot succeed ends at once, where backtracking would try every way
// (`a*a*a*a*a*c` on a long text of "a", a count longer than the text). Nothing is known of a
// pattern with a construct the reading below does not follow.
struct Shape {
    uint64_t least = 0;
    std::bitset<256> needed;  // folded when the case is ignored
};

class ShapeReader {
public:
    ShapeReader(const std::string& pattern, bool ignoreCase) : p_(pattern), fold_(ignoreCase) {}

    std::optional<Shape> read() {
        try {
            Shape s = alternatives();
            if (i_ != p_.size()) return std::nullopt;
            return s;
        } catch (const Unknown&) {
            return std::nullopt;
        }
    }

private:
    struct Unknown {};
    static constexpr uint64_t kHuge = uint64_t{1} << 62;

    bool more() const { return i_ < p_.size(); }
    char peek() const { return p_[i_]; }

    Shape alternatives() {
        Shape s = sequence();
        while (more() && peek() == '|') {
            ++i_;
            Shape other = sequence();
            s.least = std::min(s.least, other.least);
            s.needed &= other.needed;
        }
        return s;
    }

    Shape sequence() {
        Shape s;
        while (more() && peek() != '|' && peek() != ')') {
            Shape a = quantified(atom());
            s.least = std::min(kHuge, s.least + a.least);
            s.needed |= a.needed;
        }
        return s;
    }

    Shape quantified(Shape a) {
        if (!more()) return a;
        uint64_t lowest;
        char q = peek();
        if (q == '*' || q == '?') {
            lowest = 0;
            ++i_;
        } else if (q == '+') {
            lowest = 1;
            ++i_;
        } else if (q == '{') {
            ++i_;
            lowest = number();
            if (more() && peek() == ',') {
                ++i_;
                if (more() && peek() != '}') number();
            }
            if (!more() || peek() != '}') throw Unknown{};
            ++i_;
        } else {
            return a;
        }
        if (more() && (peek() == '?' || peek() == '+')) ++i_;  // lazy or possessive: the same need
        if (lowest == 0) return {};
        a.least = a.least == 0 ? 0 : (lowest >= kHuge / a.least ? kHuge : a.least * lowest);
        return a;
    }

    uint64_t number() {
        std::size_t start = i_;
        uint64_t n = 0;
        while (more() && peek() >= '0' && peek() <= '9')
            n = std::min(kHuge, n * 10 + static_cast<uint64_t>(p_[i_++] - '0'));
        if (i_ == start) throw Unknown{};
        return n;
    }

    Shape one(unsigned char c) {
        Shape s;
        s.least = 1;
        s.needed.set(fold_ ? vb::toLowerByte(c) : c);
        return s;
    }
    static Shape anyOne() {
        Shape s;
        s.least = 1;
        return s;
    }

    Shape atom() {
        char c = p_[i_++];
        switch (c) {
        case '(': {
            bool look = false;
            if (more() && peek() == '?') {
                ++i_;
                if (more() && peek() == ':') {
                    ++i_;
                } else if (more() && (peek() == '=' || peek() == '!')) {
                    ++i_;
                    look = true;
                } else if (i_ + 1 < p_.size() && peek() == '<' && (p_[i_ + 1] == '=' || p_[i_ + 1] == '!')) {
                    i_ += 2;
                    look = true;
                } else {
                    throw Unknown{};
                }
            }
            Shape inner = alternatives();
            if (!more() || peek() != ')') throw Unknown{};
            ++i_;
            return look ? Shape{} : inner;
        }
        case '[': {
            if (more() && peek() == '^') ++i_;
            if (more() && peek() == ']') ++i_;
            while (more() && peek() != ']') {
                if (peek() == '[') throw Unknown{};  // [:alpha:] and its kind
                i_ += peek() == '\\' ? 2 : 1;
            }
            if (!more()) throw Unknown{};
            ++i_;
            return anyOne();
        }
        case '^':
        case '$': return {};
        case '.': return anyOne();
        case '*':
        case '+':
        case '?':
        case '{':
        case ')':
        case '|': throw Unknown{};
        case '\\': return escape();
        default: return one(static_cast<unsigned char>(c));
        }
    }

    Shape escape() {
        if (!more()) throw Unknown{};
        unsigned char e = static_cast<unsigned char>(p_[i_++]);
        switch (e) {
        case 'd':
        case 'D':
        case 'w':
        case 'W':
        case 's':
        case 'S':
        case 'n':
        case 'r':
        case 't':
        case 'f':
        case 'v': return anyOne();
        case 'b':
        case 'B': return {};
        case 'x':
            if (i_ + 2 <= p_.size() && std::isxdigit(static_cast<unsigned char>(p_[i_])) &&
                std::isxdigit(static_cast<unsigned char>(p_[i_ + 1]))) {
                auto c = static_cast<unsigned char>(std::stoi(p_.substr(i_, 2), nullptr, 16));
                i_ += 2;
                return one(c);
            }
            throw Unknown{};
        default:
            if (e >= '1' && e <= '9') {  // a back reference may match nothing
                while (more() && peek() >= '0' && peek() <= '9') ++i_;
                return {};
            }
            if (std::isalnum(e)) throw Unknown{};
            return one(e);
        }
    }

    const std::string& p_;
    bool fold_;
    std::size_t i_ = 0;
};

// Whether a match may still start at or after a place of the text, by the pattern's shape:
// the text left holds its least length and each character it needs (so the match starts no
// later than the last place of the needed character seen last).
class Possible {
public:
    Possible(const std::optional<Shape>& shape, const std::string& text, bool fold) : size_(text.size()) {
        if (!shape) return;
        least_ = shape->least;
        if (shape->needed.none()) return;
        std::array<std::ptrdiff_t, 256> last;
        last.fill(-1);
        for (std::size_t k = 0; k < text.size(); ++k) {
            auto c = static_cast<unsigned char>(text[k]);
            last[fold ? vb::toLowerByte(c) : c] = static_cast<std::ptrdiff_t>(k);
        }
        for (std::size_t c = 0; c < 256; ++c)
            if (shape->needed.test(c)) latestStart_ = std::min(latestStart_, last[c]);
    }

    bool from(std::size_t pos) const {
        return size_ - pos >= least_ && static_cast<std::ptrdiff_t>(pos) <= latestStart_;
    }

private:
    std::size_t size_;
    uint64_t least_ = 0;
    std::ptrdiff_t latestStart_ = PTRDIFF_MAX;
};

// Whether matching a pattern (as Boost reads it) may depend on its groups: a back reference, a
// condition or recursion on a group, or a construct this reading does not know ("\G" and "\K"
// depend on where the search starts). A pattern without them matches the same with or without
// its groups kept.
bool looksAtGroups(const std::string& p) {
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        if (p[i] == '\\') {
            const char e = p[++i];
            if ((e >= '1' && e <= '9') || e == 'k' || e == 'K' || e == 'g' || e == 'G') return true;
        } else if (p[i] == '(' && p[i + 1] == '?') {
            const std::string_view rest = std::string_view(p).substr(i + 2);
            if (!(rest.starts_with(":") || rest.starts_with("=") || rest.starts_with("!") || rest.starts_with("<=") ||
                  rest.starts_with("<!")))
                return true;
        }
    }
    return false;
}

// One match, kept as values: the objects outlive the text they were found in.
struct Found {
    std::string value;
    int32_t index = 0;
    std::vector<std::optional<std::string>> groups;  // unmatched groups are empty
};

class SubMatchesObject : public automation::Dispatch<SubMatchesObject> {
public:
    static constexpr std::string_view className = "ISubMatches";
    static void describe(automation::Members<SubMatchesObject>& m) {
        m.get<&SubMatchesObject::Item>("Item");
        m.get<&SubMatchesObject::Count>("Count");
        m.defaultMember("Item");
    }

    explicit SubMatchesObject(std::vector<std::optional<std::string>> groups) : groups_(std::move(groups)) {}

    vb::Variant Item(int32_t index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= groups_.size()) vb::raise(vb::errors::InvalidProcedureCall);
        return value(groups_[static_cast<std::size_t>(index)]);
    }
    int32_t Count() const { return static_cast<int32_t>(groups_.size()); }
    std::unique_ptr<vb::Enumerator> enumerate() override {
        std::vector<vb::Variant> all;
        for (const auto& g : groups_) all.push_back(value(g));
        return vb::enumerateValues(std::move(all));
    }

private:
    static vb::Variant value(const std::optional<std::string>& g) { return g ? vb::Variant(*g) : vb::Variant(); }
    std::vector<std::optional<std::string>> groups_;
};

class MatchObject : public automation::Dispatch<MatchObject> {
public:
    static constexpr std::string_view className = "IMatch2";
    static void describe(automation::Members<MatchObject>& m) {
        m.get<&MatchObject::Value>("Value");
        m.get<&MatchObject::FirstIndex>("FirstIndex");
        m.get<&MatchObject::Length>("Length");
        m.get<&MatchObject::SubMatches>("SubMatches");
        m.defaultMember("Value");
    }

    explicit MatchObject(Found f) : found_(std::move(f)) {}

    std::string Value() const { return found_.value; }
    int32_t FirstIndex() const { return found_.index; }
    int32_t Length() const { return static_cast<int32_t>(found_.value.size()); }
    vb::ObjectRef SubMatches() const { return std::make_shared<SubMatchesObject>(found_.groups); }

private:
    Found found_;
};

class MatchesObject : public automation::Dispatch<MatchesObject> {
public:
    static constexpr std::string_view className = "IMatchCollection2";
    static void describe(automation::Members<MatchesObject>& m) {
        m.get<&MatchesObject::Item>("Item");
        m.get<&MatchesObject::Count>("Count");
        m.defaultMember("Item");
    }

    explicit MatchesObject(std::vector<vb::ObjectRef> matches) : matches_(std::move(matches)) {}

    vb::ObjectRef Item(int32_t index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= matches_.size())
            vb::raise(vb::errors::InvalidProcedureCall);
        return matches_[static_cast<std::size_t>(index)];
    }
    int32_t Count() const { return static_cast<int32_t>(matches_.size()); }
    std::unique_ptr<vb::Enumerator> enumerate() override {
        std::vector<vb::Variant> all;
        for (const vb::ObjectRef& m : matches_) all.emplace_back(m);
        return vb::enumerateValues(std::move(all));
    }

private:
    std::vector<vb::ObjectRef> matches_;
};

class RegExpObject : public automation::Dispatch<RegExpObject> {
public:
    static constexpr std::string_view className = "IRegExp2";
    static void describe(automation::Members<RegExpObject>& m) {
        m.property<&RegExpObject::Pattern, &RegExpObject::setPattern>("Pattern");
        m.property<&RegExpObject::IgnoreCase, &RegExpObject::setIgnoreCase>("IgnoreCase");
        m.property<&RegExpObject::Global, &RegExpObject::setGlobal>("Global");
        m.property<&RegExpObject::MultiLine, &RegExpObject::setMultiLine>("MultiLine");
        m.method<&RegExpObject::Test>("Test");
        m.method<&RegExpObject::Execute>("Execute");
        m.method<&RegExpObject::Replace>("Replace");
    }

    std::string Pattern() const { return pattern_; }
    void setPattern(std::string p) { pattern_ = std::move(p), compiled_.reset(); }
    bool IgnoreCase() const { return ignoreCase_; }
    void setIgnoreCase(bool v) { ignoreCase_ = v, compiled_.reset(); }
    bool Global() const { return global_; }
    void setGlobal(bool v) { global_ = v; }
    bool MultiLine() const { return multiLine_; }
    void setMultiLine(bool v) { multiLine_ = v, compiled_.reset(); }

    bool Test(std::string text) {
        bool found = false;
        eachMatch(text, false, false, [&](const Results&) { found = true; });
        return found;
    }

    vb::ObjectRef Execute(std::string text) {
        std::vector<vb::ObjectRef> all;
        for (Found& f : find(text, global_)) all.push_back(std::make_shared<MatchObject>(std::move(f)));
        return std::make_shared<MatchesObject>(std::move(all));
    }

    std::string Replace(std::string text, std::string replacement) {
        const bool plain = replacement.find('$') == std::string::npos;
        // Whether it may name a group ("$1"); the search may go without them otherwise.
        bool numbered = false;
        for (std::size_t i = 0; i + 1 < replacement.size() && !numbered; ++i)
            numbered = replacement[i] == '$' && replacement[i + 1] >= '0' && replacement[i + 1] <= '9';
        const std::atomic<bool>* cancel = runningScriptCancel();
        // Each match in turn, with what comes before it; a canceled script stops at the next.
        auto eachPart = [&](auto add) {
            std::size_t copied = 0;
            eachMatch(text, global_, numbered, [&](const Results& m) {
                if (cancel && cancel->load(std::memory_order_relaxed)) throw Interrupt{};
                std::size_t at = static_cast<std::size_t>(m[0].first.get() - text.data());
                add(std::string_view(text).substr(copied, at - copied));
                if (plain) add(std::string_view(replacement));
                else expand(replacement, m, text, add);
                copied = static_cast<std::size_t>(m[0].second.get() - text.data());
            });
            add(std::string_view(text).substr(copied));
        };
        std::string out;
        // The text before or after each match ("$`", "$'") may make the result as long as the
        // square of the text: its length is reckoned first, error 14 past the longest text
        // before any of it is built.
        if (replacement.find("$`") != std::string::npos || replacement.find("$'") != std::string::npos) {
            std::size_t length = 0;
            eachPart([&](std::string_view part) {
                length += part.size();
                vb::requireTextLength(length);
            });
            out.reserve(length);
        }
        eachPart([&](std::string_view part) {
            vb::requireTextLength(out.size() + part.size());
            out += part;
        });
        return out;
    }

private:
    const Compiled& compiled() {
        if (!compiled_) {
            namespace rc = boost::regex_constants;
            rc::syntax_option_type flags = rc::ECMAScript | rc::mod_s;
            if (!multiLine_) flags |= rc::no_mod_m;
            if (ignoreCase_) flags |= rc::icase;
            std::string translated = enginePattern(pattern_);
            try {
                compiled_.emplace(translated, flags);
            } catch (const boost::regex_error& e) {
                patternError(e.code(), pattern_);
            }
            shape_ = ShapeReader(translated, ignoreCase_).read();
            groupsFree_ = !looksAtGroups(translated);
        }
        return *compiled_;
    }

    // Each match from the start, each search going on where the last match ended (one
    // character further after an empty match); only the first unless `all`, with its groups
    // when `groups`. The whole call reads at most its budget of characters, and ends when the
    // script is canceled.
    template <class Visit>
    void eachMatch(const std::string& text, bool all, bool groups, Visit visit) {
        const Compiled& re = compiled();
        Budget budget(maxReads(text.size()), runningScriptCancel());
        const Iterator begin(text.data(), &budget), end(text.data() + text.size(), &budget);
        const Possible possible(shape_, text, ignoreCase_);
        std::size_t pos = 0;
        Results m;
        auto search = [&](Iterator from, boost::match_flag_type flags) {
            if (from != begin) flags |= boost::match_prev_avail;
            return boost::regex_search(from, end, m, re, flags, begin);
        };
        while (pos <= text.size() && possible.from(pos)) {
            const Iterator from = begin + static_cast<std::ptrdiff_t>(pos);
            try {
                // Boost keeps each group's earlier bounds for every way a repeated group is
                // tried, so that a failing search such as `^(\w+\s?)*$` on 20 words exhausts
                // its stack. Where the pattern does not look at its groups, the search goes
                // without them, and a match found is taken again in place for its groups.
                if (!groupsFree_) {
                    if (!search(from, boost::match_default)) break;
                } else {
                    if (!search(from, boost::match_nosubs)) break;
                    if (groups && !search(m[0].first, boost::match_continuous) && !search(from, boost::match_default))
                        break;
                }
            } catch (const TooMuchWork&) {
                vb::raise(kOutOfStack);
            } catch (const std::runtime_error&) {
                // Too much backtracking: the language's out-of-stack error, which scripts know.
                vb::raise(kOutOfStack);
            }
            visit(m);
            if (!all) break;
            std::size_t start = static_cast<std::size_t>(m[0].first - begin);
            std::size_t stop = static_cast<std::size_t>(m[0].second - begin);
            pos = stop == start ? stop + 1 : stop;
        }
    }

    // The matches as values.
    std::vector<Found> find(const std::string& text, bool all) {
        std::vector<Found> found;
        eachMatch(text, all, true, [&](const Results& m) {
            Found f;
            f.index = static_cast<int32_t>(m[0].first.get() - text.data());
            f.value = std::string(partOf(m[0]));
            for (std::size_t g = 1; g < m.size(); ++g) {
                if (m[g].matched) f.groups.emplace_back(std::string(partOf(m[g])));
                else f.groups.emplace_back();
            }
            found.push_back(std::move(f));
        });
        return found;
    }

    // The replacement with its references, each part handed to `add`: $1..$99 (the groups), $&
    // (the match), $` and $' (the text before and after it), $$ (a "$"); any other "$" stays as
    // written.
    template <class Add>
    static void expand(const std::string& replacement, const Results& m, const std::string& text, Add& add) {
        const std::string_view whole(text), written(replacement);
        auto digit = [](char c) { return c >= '0' && c <= '9'; };
        std::size_t groups = m.size() - 1;
        std::size_t index = static_cast<std::size_t>(m[0].first.get() - text.data());
        std::size_t after = static_cast<std::size_t>(m[0].second.get() - text.data());
        for (std::size_t i = 0; i < replacement.size(); ++i) {
            char c = replacement[i];
            if (c != '$' || i + 1 >= replacement.size()) {
                add(written.substr(i, 1));
                continue;
            }
            char n = replacement[i + 1];
            if (n == '$') {
                add(written.substr(i, 1));
                ++i;
            } else if (n == '&') {
                add(partOf(m[0]));
                ++i;
            } else if (n == '`') {
                add(whole.substr(0, index));
                ++i;
            } else if (n == '\'') {
                add(whole.substr(after));
                ++i;
            } else if (digit(n)) {
                std::size_t one = static_cast<std::size_t>(n - '0');
                std::size_t two = i + 2 < replacement.size() && digit(replacement[i + 2])
                                      ? one * 10 + static_cast<std::size_t>(replacement[i + 2] - '0')
                                      : 0;
                std::size_t group = 0, used = 0;
                if (two >= 1 && two <= groups) group = two, used = 2;
                else if (one >= 1 && one <= groups) group = one, used = 1;
                if (used == 0) {
                    add(written.substr(i, 1));
                    continue;
                }
                if (m[group].matched) add(partOf(m[group]));
                i += used;
            } else {
                add(written.substr(i, 1));
            }
        }
    }

    std::string pattern_;
    bool ignoreCase_ = false;
    bool global_ = false;
    bool multiLine_ = false;
    std::optional<Compiled> compiled_;
    std::optional<Shape> shape_;  // of the compiled pattern
    bool groupsFree_ = false;     // whether its matching never looks at its groups
};

}  // namespace

vb::ObjectRef makeRegExp() { return std::make_shared<RegExpObject>(); }

const std::atomic<bool>*& runningScriptCancel() {
    thread_local const std::atomic<bool>* cancel = nullptr;
    return cancel;
}

}  // namespace script
