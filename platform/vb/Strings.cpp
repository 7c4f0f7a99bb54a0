#include "vb/Strings.h"

#include <algorithm>

#include "vb/CodePage.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"

namespace vb {

namespace {

void requireNotNegative(int32_t v) {
    if (v < 0) raise(errors::InvalidProcedureCall);
}

bool sameAt(std::string_view s, std::size_t at, std::string_view find, CompareMethod method) {
    if (method == CompareMethod::Binary) return s.compare(at, find.size(), find) == 0;
    for (std::size_t i = 0; i < find.size(); ++i)
        if (toLowerByte(static_cast<unsigned char>(s[at + i])) != toLowerByte(static_cast<unsigned char>(find[i])))
            return false;
    return true;
}

// The 0-based position of `find` in `s` at or after `from`, npos when absent.
std::size_t findFrom(std::string_view s, std::string_view find, std::size_t from, CompareMethod method) {
    if (method == CompareMethod::Binary) return s.find(find, from);
    if (find.size() > s.size()) return std::string_view::npos;
    for (std::size_t i = from; i + find.size() <= s.size(); ++i)
        if (sameAt(s, i, find, method)) return i;
    return std::string_view::npos;
}

}  // namespace

void requireTextLength(std::size_t length) {
    if (length > kMaxTextLength) raise(errors::OutOfStringSpace);
}

int compareStrings(std::string_view a, std::string_view b, CompareMethod method) noexcept {
    if (method == CompareMethod::Binary) return a.compare(b);
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        int ca = toLowerByte(static_cast<unsigned char>(a[i]));
        int cb = toLowerByte(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca - cb;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int32_t Len(std::string_view s) noexcept { return static_cast<int32_t>(s.size()); }

std::string Left(std::string_view s, int32_t length) {
    requireNotNegative(length);
    return std::string(s.substr(0, static_cast<std::size_t>(length)));
}

std::string Right(std::string_view s, int32_t length) {
    requireNotNegative(length);
    std::size_t n = std::min(s.size(), static_cast<std::size_t>(length));
    return std::string(s.substr(s.size() - n));
}

std::string Mid(std::string_view s, int32_t start, std::optional<int32_t> length) {
    if (start < 1) raise(errors::InvalidProcedureCall);
    if (length) requireNotNegative(*length);
    if (static_cast<std::size_t>(start) > s.size()) return {};
    std::string_view rest = s.substr(static_cast<std::size_t>(start) - 1);
    return std::string(length ? rest.substr(0, static_cast<std::size_t>(*length)) : rest);
}

int32_t InStr(int32_t start, std::string_view s, std::string_view find, CompareMethod method) {
    if (start < 1) raise(errors::InvalidProcedureCall);
    if (static_cast<std::size_t>(start) > s.size()) return 0;
    if (find.empty()) return start;
    std::size_t at = findFrom(s, find, static_cast<std::size_t>(start) - 1, method);
    return at == std::string_view::npos ? 0 : static_cast<int32_t>(at) + 1;
}

int32_t InStr(std::string_view s, std::string_view find, CompareMethod method) { return InStr(1, s, find, method); }

int32_t InStrRev(std::string_view s, std::string_view find, int32_t start, CompareMethod method) {
    if (start == 0 || start < -1) raise(errors::InvalidProcedureCall);
    if (start == -1) start = Len(s);
    if (s.empty() || static_cast<std::size_t>(start) > s.size()) return 0;
    if (find.empty()) return start;
    if (find.size() > static_cast<std::size_t>(start)) return 0;
    for (std::size_t i = static_cast<std::size_t>(start) - find.size() + 1; i-- > 0;)
        if (sameAt(s, i, find, method)) return static_cast<int32_t>(i) + 1;
    return 0;
}

std::string Replace(std::string_view s, std::string_view find, std::string_view with, int32_t start, int32_t count,
                    CompareMethod method) {
    if (start < 1 || count < -1) raise(errors::InvalidProcedureCall);
    if (static_cast<std::size_t>(start) > s.size()) return {};
    std::string_view rest = s.substr(static_cast<std::size_t>(start) - 1);
    if (find.empty() || count == 0) return std::string(rest);
    if (with.size() > find.size()) {
        // A growing result is measured before it is built.
        std::size_t matches = 0;
        auto wanted = count < 0 ? std::string_view::npos : static_cast<std::size_t>(count);
        std::size_t at = findFrom(rest, find, 0, method);
        while (at != std::string_view::npos && matches < wanted) {
            ++matches;
            at = findFrom(rest, find, at + find.size(), method);
        }
        requireTextLength(rest.size() + matches * (with.size() - find.size()));
    }
    std::string out;
    out.reserve(rest.size());
    std::size_t from = 0;
    int32_t done = 0;
    while (count < 0 || done < count) {
        std::size_t at = findFrom(rest, find, from, method);
        if (at == std::string_view::npos) break;
        out.append(rest.substr(from, at - from));
        out.append(with);
        from = at + find.size();
        ++done;
    }
    out.append(rest.substr(from));
    return out;
}

std::vector<std::string> Split(std::string_view s, std::string_view delimiter, int32_t limit, CompareMethod method) {
    if (limit < -1) raise(errors::InvalidProcedureCall);
    std::vector<std::string> pieces;
    if (s.empty() || limit == 0) return pieces;
    if (delimiter.empty()) {
        pieces.emplace_back(s);
        return pieces;
    }
    std::size_t from = 0;
    while (limit < 0 || static_cast<int32_t>(pieces.size()) < limit - 1) {
        std::size_t at = findFrom(s, delimiter, from, method);
        if (at == std::string_view::npos) break;
        pieces.emplace_back(s.substr(from, at - from));
        from = at + delimiter.size();
    }
    pieces.emplace_back(s.substr(from));
    return pieces;
}

Array toArray(const std::vector<std::string>& pieces) {
    std::vector<Variant> elements;
    elements.reserve(pieces.size());
    for (const std::string& p : pieces) elements.emplace_back(p);
    return Array::of(std::move(elements));
}

std::string Join(std::span<const std::string> pieces, std::string_view delimiter) {
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        requireTextLength(out.size() + delimiter.size() + pieces[i].size());
        if (i) out.append(delimiter);
        out.append(pieces[i]);
    }
    return out;
}

std::string Join(const Array& pieces, std::string_view delimiter) {
    if (pieces.dimensions() != 1) raise(errors::InvalidProcedureCall);
    std::string out;
    bool first = true;
    for (const Variant& v : pieces.elements()) {
        if (!first) out.append(delimiter);
        first = false;
        if (v.isArray() || v.isNull()) raise(errors::TypeMismatch);
        std::string piece = v.isString() ? v.str() : CStr(v);
        requireTextLength(out.size() + piece.size());
        out.append(piece);
    }
    return out;
}

std::vector<std::string> Filter(std::span<const std::string> pieces, std::string_view match, bool include,
                                CompareMethod method) {
    std::vector<std::string> out;
    for (const std::string& p : pieces)
        if ((findFrom(p, match, 0, method) != std::string_view::npos) == include) out.push_back(p);
    return out;
}

std::string Trim(std::string_view s) { return LTrim(RTrim(s)); }

std::string LTrim(std::string_view s) {
    std::size_t i = s.find_first_not_of(' ');
    return i == std::string_view::npos ? std::string() : std::string(s.substr(i));
}

std::string RTrim(std::string_view s) {
    std::size_t i = s.find_last_not_of(' ');
    return i == std::string_view::npos ? std::string() : std::string(s.substr(0, i + 1));
}

std::string UCase(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(toUpperByte(static_cast<unsigned char>(c)));
    return out;
}

std::string LCase(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(toLowerByte(static_cast<unsigned char>(c)));
    return out;
}

std::string Space(int32_t count) {
    requireNotNegative(count);
    requireTextLength(static_cast<std::size_t>(count));
    return std::string(static_cast<std::size_t>(count), ' ');
}

std::string String(int32_t count, int32_t code) {
    requireNotNegative(count);
    requireTextLength(static_cast<std::size_t>(count));
    if (code < 0 || code > 255) raise(errors::InvalidProcedureCall);
    return std::string(static_cast<std::size_t>(count), static_cast<char>(code));
}

std::string String(int32_t count, std::string_view character) {
    if (character.empty()) raise(errors::InvalidProcedureCall);
    return String(count, static_cast<unsigned char>(character[0]));
}

int16_t StrComp(std::string_view a, std::string_view b, CompareMethod method) noexcept {
    int c = compareStrings(a, b, method);
    return static_cast<int16_t>(c < 0 ? -1 : c > 0 ? 1 : 0);
}

std::string StrReverse(std::string_view s) { return std::string(s.rbegin(), s.rend()); }

std::string Chr(int32_t code) {
    if (code < 0 || code > 255) raise(errors::InvalidProcedureCall);
    return std::string(1, static_cast<char>(code));
}

int32_t Asc(std::string_view s) {
    if (s.empty()) raise(errors::InvalidProcedureCall);
    return static_cast<unsigned char>(s[0]);
}

std::string ChrW(int32_t code) {
    if (code < -32768 || code > 65535) raise(errors::InvalidProcedureCall);
    uint32_t cp = code < 0 ? static_cast<uint32_t>(code + 65536) : static_cast<uint32_t>(code);
    return std::string(1, static_cast<char>(byteOf(cp)));
}

int32_t AscW(std::string_view s) {
    if (s.empty()) raise(errors::InvalidProcedureCall);
    return static_cast<int32_t>(unicodeOf(static_cast<unsigned char>(s[0])));
}

}  // namespace vb
