#include "script/Builtins.h"

#include <unordered_map>

#include "vb/Array.h"
#include "vb/CodePage.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "vb/Format.h"
#include "vb/Math.h"
#include "vb/Strings.h"

namespace script {

const vb::Variant& BuiltinCall::operator[](std::size_t i) const {
    static const vb::Variant missing = vb::Variant::missing();
    return i < args.size() ? args[i].get() : missing;
}

namespace {

using V = vb::Variant;
using C = BuiltinCall;

std::string text(const V& v) { return v.isString() ? v.str() : vb::CStr(v); }
int32_t whole(const V& v) { return vb::CLng(v); }
vb::CompareMethod method(const C& c, std::size_t i) {
    return c.has(i) ? static_cast<vb::CompareMethod>(whole(c[i]) != 0 ? 1 : 0) : vb::CompareMethod::Binary;
}
int32_t optionalWhole(const C& c, std::size_t i, int32_t otherwise) { return c.has(i) ? whole(c[i]) : otherwise; }
bool optionalBool(const C& c, std::size_t i, bool otherwise) { return c.has(i) ? vb::CBool(c[i]) : otherwise; }
bool anyNull(const C& c, std::size_t upTo) {
    for (std::size_t i = 0; i < upTo && i < c.count(); ++i)
        if (c[i].isNull()) return true;
    return false;
}
vb::Date date(const V& v) { return vb::CDate(v); }
const vb::Array& arrayArg(const V& v) {
    if (!v.isArray()) vb::raise(vb::errors::TypeMismatch);
    return v.array();
}

// ---- text
V Len(C& c) { return c[0].isNull() ? V::null() : V(vb::Len(text(c[0]))); }
V Left(C& c) { return c[0].isNull() ? V::null() : V(vb::Left(text(c[0]), whole(c[1]))); }
V Right(C& c) { return c[0].isNull() ? V::null() : V(vb::Right(text(c[0]), whole(c[1]))); }
V Mid(C& c) {
    if (c[0].isNull()) return V::null();
    std::optional<int32_t> length;
    if (c.has(2)) length = whole(c[2]);
    return V(vb::Mid(text(c[0]), whole(c[1]), length));
}
V InStr(C& c) {
    if (c.count() == 2) {
        if (anyNull(c, 2)) return V::null();
        return V(vb::InStr(text(c[0]), text(c[1])));
    }
    // A Null start is an error; a Null text gives Null.
    if (c[0].isNull()) vb::raise(vb::errors::InvalidUseOfNull);
    if (anyNull(c, 3)) return V::null();
    return V(vb::InStr(whole(c[0]), text(c[1]), text(c[2]), method(c, 3)));
}
V InStrRev(C& c) {
    if (anyNull(c, 2)) return V::null();
    return V(vb::InStrRev(text(c[0]), text(c[1]), optionalWhole(c, 2, -1), method(c, 3)));
}
V Replace(C& c) {
    if (c[0].isNull()) vb::raise(vb::errors::InvalidUseOfNull);
    return V(
        vb::Replace(text(c[0]), text(c[1]), text(c[2]), optionalWhole(c, 3, 1), optionalWhole(c, 4, -1), method(c, 5)));
}
V Split(C& c) {
    std::string delimiter = c.has(1) ? text(c[1]) : std::string(" ");
    return V(vb::toArray(vb::Split(text(c[0]), delimiter, optionalWhole(c, 2, -1), method(c, 3))));
}
V Join(C& c) { return V(vb::Join(arrayArg(c[0]), c.has(1) ? text(c[1]) : std::string(" "))); }
V Filter(C& c) {
    std::vector<std::string> pieces;
    for (const V& v : arrayArg(c[0]).elements()) pieces.push_back(text(v));
    return V(vb::toArray(vb::Filter(pieces, text(c[1]), optionalBool(c, 2, true), method(c, 3))));
}
V Trim(C& c) { return c[0].isNull() ? V::null() : V(vb::Trim(text(c[0]))); }
V LTrim(C& c) { return c[0].isNull() ? V::null() : V(vb::LTrim(text(c[0]))); }
V RTrim(C& c) { return c[0].isNull() ? V::null() : V(vb::RTrim(text(c[0]))); }
V UCase(C& c) { return c[0].isNull() ? V::null() : V(vb::UCase(text(c[0]))); }
V LCase(C& c) { return c[0].isNull() ? V::null() : V(vb::LCase(text(c[0]))); }
V Space(C& c) { return V(vb::Space(whole(c[0]))); }
V String(C& c) {
    if (c[1].isNull()) return V::null();
    if (c[1].isString()) return V(vb::String(whole(c[0]), c[1].str()));
    return V(vb::String(whole(c[0]), whole(c[1]) & 0xFF));
}
V StrComp(C& c) {
    if (anyNull(c, 2)) return V::null();
    return V(vb::StrComp(text(c[0]), text(c[1]), method(c, 2)));
}
V StrReverse(C& c) { return V(vb::StrReverse(text(c[0]))); }
V Chr(C& c) { return V(vb::Chr(whole(c[0]))); }
V ChrW(C& c) { return V(vb::ChrW(whole(c[0]))); }
V Asc(C& c) { return V(static_cast<int16_t>(vb::Asc(text(c[0])))); }
V AscW(C& c) { return V(static_cast<int16_t>(vb::AscW(text(c[0])))); }

// ---- the byte forms: a string as the language holds it, two bytes (UTF-16, low byte first)
// for each character. A byte result is read back two bytes to a character; an odd last byte
// has no character of its own here and is dropped.
std::string bytesOf(std::string_view s) {
    std::string bytes;
    bytes.reserve(s.size() * 2);
    for (char ch : s) {
        uint32_t u = vb::unicodeOf(static_cast<unsigned char>(ch));
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>((u >> 8) & 0xFF);
    }
    return bytes;
}
std::string textOfBytes(std::string_view bytes) {
    std::string s;
    s.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        s += static_cast<char>(vb::byteOf(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8));
    return s;
}
V LenB(C& c) { return c[0].isNull() ? V::null() : V(static_cast<int32_t>(text(c[0]).size() * 2)); }
V LeftB(C& c) { return c[0].isNull() ? V::null() : V(textOfBytes(vb::Left(bytesOf(text(c[0])), whole(c[1])))); }
V RightB(C& c) { return c[0].isNull() ? V::null() : V(textOfBytes(vb::Right(bytesOf(text(c[0])), whole(c[1])))); }
V MidB(C& c) {
    if (c[0].isNull()) return V::null();
    std::optional<int32_t> length;
    if (c.has(2)) length = whole(c[2]);
    return V(textOfBytes(vb::Mid(bytesOf(text(c[0])), whole(c[1]), length)));
}
V InStrB(C& c) {
    if (c.count() == 2) {
        if (anyNull(c, 2)) return V::null();
        return V(vb::InStr(bytesOf(text(c[0])), bytesOf(text(c[1]))));
    }
    if (c[0].isNull()) vb::raise(vb::errors::InvalidUseOfNull);
    if (anyNull(c, 3)) return V::null();
    return V(vb::InStr(whole(c[0]), bytesOf(text(c[1])), bytesOf(text(c[2])), vb::CompareMethod::Binary));
}
V AscB(C& c) {
    if (c[0].isNull()) vb::raise(vb::errors::InvalidUseOfNull);
    std::string s = text(c[0]);
    if (s.empty()) vb::raise(vb::errors::InvalidProcedureCall);
    return V(static_cast<int16_t>(vb::unicodeOf(static_cast<unsigned char>(s[0])) & 0xFF));
}

// ---- conversions and math
V CStr(C& c) { return V(vb::CStr(c[0])); }
V CInt(C& c) { return V(vb::CInt(c[0])); }
V CLng(C& c) { return V(vb::CLng(c[0])); }
V CDbl(C& c) { return V(vb::CDbl(c[0])); }
V CSng(C& c) { return V(vb::CSng(c[0])); }
V CBool(C& c) { return V(vb::CBool(c[0])); }
V CByte(C& c) { return V(vb::CByte(c[0])); }
V CCur(C& c) { return vb::CCur(c[0]); }
V CDate(C& c) { return V(vb::CDate(c[0])); }
V Hex(C& c) { return c[0].isNull() ? V::null() : V(vb::Hex(c[0])); }
V Oct(C& c) { return c[0].isNull() ? V::null() : V(vb::Oct(c[0])); }
V Fix(C& c) { return vb::Fix(c[0]); }
V Int(C& c) { return vb::Int(c[0]); }
V Abs(C& c) { return vb::Abs(c[0]); }
V Sgn(C& c) { return V(vb::Sgn(c[0])); }
V Round(C& c) { return vb::Round(c[0], optionalWhole(c, 1, 0)); }
V Sqr(C& c) { return V(vb::Sqr(vb::toDouble(c[0]))); }
V Exp(C& c) { return V(vb::Exp(vb::toDouble(c[0]))); }
V Log(C& c) { return V(vb::Log(vb::toDouble(c[0]))); }
V Atn(C& c) { return V(vb::Atn(vb::toDouble(c[0]))); }
V Sin(C& c) { return V(vb::Sin(vb::toDouble(c[0]))); }
V Cos(C& c) { return V(vb::Cos(vb::toDouble(c[0]))); }
V Tan(C& c) { return V(vb::Tan(vb::toDouble(c[0]))); }
V Rnd(C& c) { return V(c.has(0) ? vb::Rnd(vb::CSng(c[0])) : vb::Rnd()); }
V Randomize(C& c) {
    if (c.has(0)) vb::Randomize(vb::toDouble(c[0]));
    else vb::Randomize();
    return {};
}

// ---- tests
V IsNumeric(C& c) { return V(vb::IsNumeric(c[0])); }
V IsEmpty(C& c) { return V(vb::IsEmpty(c[0])); }
V IsNull(C& c) { return V(vb::IsNull(c[0])); }
V IsObject(C& c) { return V(vb::IsObject(c[0])); }
V IsArray(C& c) { return V(vb::IsArray(c[0])); }
V IsDate(C& c) { return V(vb::IsDate(c[0])); }
V TypeName(C& c) { return V(vb::TypeName(c[0])); }
V VarType(C& c) { return V(static_cast<int16_t>(vb::VarType(c[0]))); }

// ---- dates
V Now(C&) { return V(vb::Now()); }
V Date(C&) { return V(vb::Today()); }
V Time(C&) { return V(vb::Time()); }
V Timer(C&) { return V(vb::Timer()); }
V Year(C& c) { return c[0].isNull() ? V::null() : V(static_cast<int16_t>(vb::Year(date(c[0])))); }
V Month(C& c) { return c[0].isNull() ? V::null() : V(static_cast<int16_t>(vb::Month(date(c[0])))); }
V Day(C& c) { return c[0].isNull() ? V::null() : V(static_cast<int16_t>(vb::Day(date(c[0])))); }
V Hour(C& c) { return c[0].isNull() ? V::null() : V(static_cast<int16_t>(vb::Hour(date(c[0])))); }
V Minute(C& c) { return c[0].isNull() ? V::null() : V(static_cast<int16_t>(vb::Minute(date(c[0])))); }
V Second(C& c) { return c[0].isNull() ? V::null() : V(static_cast<int16_t>(vb::Second(date(c[0])))); }
V Weekday(C& c) {
    if (c[0].isNull()) return V::null();
    return V(static_cast<int16_t>(vb::Weekday(date(c[0]), optionalWhole(c, 1, 1))));
}
V WeekdayName(C& c) { return V(vb::WeekdayName(whole(c[0]), optionalBool(c, 1, false), optionalWhole(c, 2, 1))); }
V MonthName(C& c) { return V(vb::MonthName(whole(c[0]), optionalBool(c, 1, false))); }
V DateAdd(C& c) { return V(vb::DateAdd(text(c[0]), vb::toDouble(c[1]), date(c[2]))); }
V DateDiff(C& c) {
    if (c[1].isNull() || c[2].isNull()) return V::null();
    return V(vb::DateDiff(text(c[0]), date(c[1]), date(c[2]), optionalWhole(c, 3, 1)));
}
V DatePart(C& c) {
    if (c[1].isNull()) return V::null();
    return V(vb::DatePart(text(c[0]), date(c[1]), optionalWhole(c, 2, 1)));
}
V DateSerial(C& c) { return V(vb::DateSerial(whole(c[0]), whole(c[1]), whole(c[2]))); }
V TimeSerial(C& c) { return V(vb::TimeSerial(whole(c[0]), whole(c[1]), whole(c[2]))); }
V DateValue(C& c) { return V(vb::DateValue(c[0])); }
V TimeValue(C& c) { return V(vb::TimeValue(c[0])); }
V FormatDateTime(C& c) {
    if (c[0].isNull()) vb::raise(vb::errors::TypeMismatch);
    return V(vb::FormatDateTime(date(c[0]), optionalWhole(c, 1, vb::vbGeneralDate)));
}
V FormatNumber(C& c) {
    return V(vb::FormatNumber(c[0], optionalWhole(c, 1, -1), optionalWhole(c, 2, vb::vbUseDefault),
                              optionalWhole(c, 3, vb::vbUseDefault), optionalWhole(c, 4, vb::vbUseDefault)));
}
V FormatPercent(C& c) {
    return V(vb::FormatPercent(c[0], optionalWhole(c, 1, -1), optionalWhole(c, 2, vb::vbUseDefault),
                               optionalWhole(c, 3, vb::vbUseDefault), optionalWhole(c, 4, vb::vbUseDefault)));
}
V FormatCurrency(C& c) {
    return V(vb::FormatCurrency(c[0], optionalWhole(c, 1, -1), optionalWhole(c, 2, vb::vbUseDefault),
                                optionalWhole(c, 3, vb::vbUseDefault), optionalWhole(c, 4, vb::vbUseDefault)));
}

// ---- arrays
V ArrayOf(C& c) {
    std::vector<V> values;
    values.reserve(c.count());
    for (std::size_t i = 0; i < c.count(); ++i) values.push_back(c[i]);
    return V(vb::Array::of(std::move(values)));
}
V UBound(C& c) { return V(arrayArg(c[0]).ubound(optionalWhole(c, 1, 1))); }
V LBound(C& c) { return V(arrayArg(c[0]).lbound(optionalWhole(c, 1, 1))); }

// ---- the engine's own
V CreateObject(C& c) { return V(c.engine.createObject(text(c[0]))); }
V GetRef(C& c) { return V(c.engine.procedureReference(c.frame, text(c[0]))); }
V Err(C& c) { return V(c.engine.errObject()); }
V Eval(C& c) {
    std::string expression = text(c[0]);
    return c.engine.evalIn(c.frame, expression);
}
V Execute(C& c) {
    std::string statements = text(c[0]);
    c.engine.executeIn(c.frame, statements, false);
    return {};
}
V ExecuteGlobal(C& c) {
    std::string statements = text(c[0]);
    c.engine.executeIn(c.frame, statements, true);
    return {};
}
V MsgBox(C& c) {
    c.engine.message(c[0].isNull() ? std::string() : text(c[0]));
    return V(int16_t{1});  // vbOK
}
V ScriptEngine(C&) { return V(texts::Language); }
V ScriptEngineMajorVersion(C&) { return V(int32_t{5}); }
V ScriptEngineMinorVersion(C&) { return V(int32_t{8}); }
V ScriptEngineBuildVersion(C&) { return V(int32_t{16384}); }

// ---- escapes: the characters of the code page by their Unicode code points, as "%XX" up to
// 255 and "%uXXXX" above; letters, digits and @*_+-./ stay as they are.
V Escape(C& c) {
    if (c[0].isNull()) return V::null();
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : text(c[0])) {
        uint32_t u = vb::unicodeOf(static_cast<unsigned char>(ch));
        bool plain = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
                     std::string_view("@*_+-./").find(static_cast<char>(u)) != std::string_view::npos;
        if (u < 0x80 && plain) {
            out += static_cast<char>(u);
        } else if (u < 0x100) {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 0xF];
        } else {
            out += "%u";
            for (int shift = 12; shift >= 0; shift -= 4) out += hex[(u >> shift) & 0xF];
        }
    }
    return V(std::move(out));
}
V Unescape(C& c) {
    if (c[0].isNull()) return V::null();
    std::string in = text(c[0]), out;
    auto hexValue = [&](std::size_t at, std::size_t digits) -> int32_t {
        if (at + digits > in.size()) return -1;
        int32_t v = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            char d = in[i];
            int n = d >= '0' && d <= '9'   ? d - '0'
                    : d >= 'a' && d <= 'f' ? d - 'a' + 10
                    : d >= 'A' && d <= 'F' ? d - 'A' + 10
                                           : -1;
            if (n < 0) return -1;
            v = v * 16 + n;
        }
        return v;
    };
    for (std::size_t i = 0; i < in.size(); ++i) {
        // A "%" not followed by a whole escape stays as written.
        if (in[i] == '%') {
            int32_t v;
            if (i + 1 < in.size() && in[i + 1] == 'u' && (v = hexValue(i + 2, 4)) >= 0) {
                out += static_cast<char>(vb::byteOf(static_cast<uint32_t>(v)));
                i += 5;
                continue;
            }
            if ((v = hexValue(i + 1, 2)) >= 0) {
                out += static_cast<char>(vb::byteOf(static_cast<uint32_t>(v)));
                i += 2;
                continue;
            }
        }
        out += in[i];
    }
    return V(std::move(out));
}

// ---- colours and the locale
V RGB(C& c) {
    int32_t parts[3];
    for (std::size_t i = 0; i < 3; ++i) {
        int32_t v = whole(c[i]);
        if (v < 0) vb::raise(vb::errors::InvalidProcedureCall);
        parts[i] = v > 255 ? 255 : v;
    }
    return V(parts[0] | parts[1] << 8 | parts[2] << 16);
}
V GetLocale(C& c) { return V(c.engine.locale); }
// A locale by its number, or by its short name for the common ones; 0, 1024 (the user's) and
// 2048 (the system's) and no argument at all are the default.
V SetLocale(C& c) {
    static const std::unordered_map<std::string, int32_t> names = {
        {"en-us", 1033}, {"en-gb", 2057}, {"en-au", 3081}, {"en-ca", 4105}, {"en-ie", 6153}, {"en", 9},
        {"de-de", 1031}, {"de-at", 3079}, {"de-ch", 2055}, {"de", 7},       {"fr-fr", 1036}, {"fr-be", 2060},
        {"fr-ca", 3084}, {"fr-ch", 4108}, {"fr", 12},      {"nl-nl", 1043}, {"nl-be", 2067}, {"nl", 19},
        {"es-es", 3082}, {"es-mx", 2058}, {"es", 10},      {"it-it", 1040}, {"it", 16},      {"pt-br", 1046},
        {"pt-pt", 2070}, {"pt", 22},      {"sv-se", 1053}, {"sv", 29},      {"da", 1030},    {"nb-no", 1044},
        {"no", 20},      {"fi", 1035},    {"pl", 1045},    {"cs", 1029},    {"hu", 1038},    {"el", 1032},
        {"tr", 1055},    {"ru", 1049},    {"ja", 1041},    {"zh-cn", 2052}, {"zh-tw", 1028}, {"ko", 1042},
    };
    int32_t previous = c.engine.locale;
    int32_t lcid = 0;
    if (c.has(0)) {
        const V& arg = c[0];
        if (arg.isString() && !vb::IsNumeric(arg)) {
            auto it = names.find(vb::LCase(arg.str()));
            if (it == names.end()) vb::raise(vb::errors::InvalidProcedureCall);
            lcid = it->second;
        } else {
            lcid = whole(arg);
        }
    }
    if (lcid == 0 || lcid == 1024 || lcid == 2048) lcid = Engine::kDefaultLocale;
    if (lcid < 0 || lcid > 0xFFFFF || (lcid & 0x3FF) == 0) vb::raise(vb::errors::InvalidProcedureCall);
    c.engine.locale = lcid;
    return V(previous);
}

// ---- constants
template <int16_t N>
V integer(C&) {
    return V(N);
}
template <int32_t N>
V longValue(C&) {
    return V(N);
}
V crlf(C&) { return V("\r\n"); }
V cr(C&) { return V("\r"); }
V lf(C&) { return V("\n"); }
V tab(C&) { return V("\t"); }
V nullString(C&) { return V(""); }
V nullChar(C&) { return V(std::string(1, '\0')); }
V formFeed(C&) { return V("\f"); }
V verticalTab(C&) { return V("\v"); }

// clang-format off
const Builtin kBuiltins[] = {
    {"len", 1, 1, Len}, {"left", 2, 2, Left}, {"right", 2, 2, Right}, {"mid", 2, 3, Mid},
    {"instr", 2, 4, InStr}, {"instrrev", 2, 4, InStrRev}, {"replace", 3, 6, Replace}, {"split", 1, 4, Split},
    {"join", 1, 2, Join}, {"filter", 2, 4, Filter}, {"trim", 1, 1, Trim}, {"ltrim", 1, 1, LTrim},
    {"rtrim", 1, 1, RTrim}, {"ucase", 1, 1, UCase}, {"lcase", 1, 1, LCase}, {"space", 1, 1, Space},
    {"string", 2, 2, String}, {"strcomp", 2, 3, StrComp}, {"strreverse", 1, 1, StrReverse}, {"chr", 1, 1, Chr},
    {"chrw", 1, 1, ChrW}, {"asc", 1, 1, Asc}, {"ascw", 1, 1, AscW},
    {"lenb", 1, 1, LenB}, {"leftb", 2, 2, LeftB}, {"rightb", 2, 2, RightB}, {"midb", 2, 3, MidB},
    {"instrb", 2, 4, InStrB}, {"ascb", 1, 1, AscB},
    {"cstr", 1, 1, CStr}, {"cint", 1, 1, CInt}, {"clng", 1, 1, CLng}, {"cdbl", 1, 1, CDbl}, {"csng", 1, 1, CSng},
    {"cbool", 1, 1, CBool}, {"cbyte", 1, 1, CByte}, {"ccur", 1, 1, CCur}, {"cdate", 1, 1, CDate},
    {"hex", 1, 1, Hex}, {"oct", 1, 1, Oct}, {"fix", 1, 1, Fix}, {"int", 1, 1, Int}, {"abs", 1, 1, Abs},
    {"sgn", 1, 1, Sgn}, {"round", 1, 2, Round}, {"sqr", 1, 1, Sqr}, {"exp", 1, 1, Exp}, {"log", 1, 1, Log},
    {"atn", 1, 1, Atn}, {"sin", 1, 1, Sin}, {"cos", 1, 1, Cos}, {"tan", 1, 1, Tan}, {"rnd", 0, 1, Rnd},
    {"randomize", 0, 1, Randomize},
    {"isnumeric", 1, 1, IsNumeric}, {"isempty", 1, 1, IsEmpty}, {"isnull", 1, 1, IsNull},
    {"isobject", 1, 1, IsObject}, {"isarray", 1, 1, IsArray}, {"isdate", 1, 1, IsDate},
    {"typename", 1, 1, TypeName}, {"vartype", 1, 1, VarType},
    {"now", 0, 0, Now}, {"date", 0, 0, Date}, {"time", 0, 0, Time}, {"timer", 0, 0, Timer},
    {"year", 1, 1, Year}, {"month", 1, 1, Month}, {"day", 1, 1, Day}, {"hour", 1, 1, Hour},
    {"minute", 1, 1, Minute}, {"second", 1, 1, Second}, {"weekday", 1, 2, Weekday},
    {"weekdayname", 1, 3, WeekdayName}, {"monthname", 1, 2, MonthName}, {"dateadd", 3, 3, DateAdd},
    {"datediff", 3, 5, DateDiff}, {"datepart", 2, 4, DatePart}, {"dateserial", 3, 3, DateSerial},
    {"timeserial", 3, 3, TimeSerial}, {"datevalue", 1, 1, DateValue}, {"timevalue", 1, 1, TimeValue},
    {"formatdatetime", 1, 2, FormatDateTime}, {"formatnumber", 1, 5, FormatNumber},
    {"formatpercent", 1, 5, FormatPercent}, {"formatcurrency", 1, 5, FormatCurrency},
    {"array", 0, -1, ArrayOf}, {"ubound", 1, 2, UBound}, {"lbound", 1, 2, LBound},
    {"createobject", 1, 2, CreateObject}, {"getref", 1, 1, GetRef}, {"err", 0, 0, Err}, {"eval", 1, 1, Eval},
    {"execute", 1, 1, Execute}, {"executeglobal", 1, 1, ExecuteGlobal}, {"msgbox", 1, 5, MsgBox},
    {"scriptengine", 0, 0, ScriptEngine}, {"scriptenginemajorversion", 0, 0, ScriptEngineMajorVersion},
    {"scriptengineminorversion", 0, 0, ScriptEngineMinorVersion},
    {"scriptenginebuildversion", 0, 0, ScriptEngineBuildVersion}, {"escape", 1, 1, Escape},
    {"unescape", 1, 1, Unescape}, {"rgb", 3, 3, RGB}, {"getlocale", 0, 0, GetLocale}, {"setlocale", 0, 1, SetLocale},
    {"vbcrlf", 0, 0, crlf}, {"vbnewline", 0, 0, crlf}, {"vbcr", 0, 0, cr}, {"vblf", 0, 0, lf},
    {"vbtab", 0, 0, tab}, {"vbnullstring", 0, 0, nullString}, {"vbnullchar", 0, 0, nullChar},
    {"vbformfeed", 0, 0, formFeed}, {"vbverticaltab", 0, 0, verticalTab},
    {"vbtrue", 0, 0, integer<-1>}, {"vbfalse", 0, 0, integer<0>}, {"vbusedefault", 0, 0, integer<-2>},
    {"vbbinarycompare", 0, 0, integer<0>}, {"vbtextcompare", 0, 0, integer<1>},
    {"vbdatabasecompare", 0, 0, integer<2>}, {"vbobjecterror", 0, 0, longValue<-2147221504>},
    {"vbempty", 0, 0, integer<0>}, {"vbnull", 0, 0, integer<1>}, {"vbinteger", 0, 0, integer<2>},
    {"vblong", 0, 0, integer<3>}, {"vbsingle", 0, 0, integer<4>}, {"vbdouble", 0, 0, integer<5>},
    {"vbcurrency", 0, 0, integer<6>}, {"vbdate", 0, 0, integer<7>}, {"vbstring", 0, 0, integer<8>},
    {"vbobject", 0, 0, integer<9>}, {"vberror", 0, 0, integer<10>}, {"vbboolean", 0, 0, integer<11>},
    {"vbvariant", 0, 0, integer<12>}, {"vbdataobject", 0, 0, integer<13>}, {"vbdecimal", 0, 0, integer<14>},
    {"vbbyte", 0, 0, integer<17>}, {"vbarray", 0, 0, integer<8192>},
    {"vbusesystemdayofweek", 0, 0, integer<0>}, {"vbsunday", 0, 0, integer<1>}, {"vbmonday", 0, 0, integer<2>},
    {"vbtuesday", 0, 0, integer<3>}, {"vbwednesday", 0, 0, integer<4>}, {"vbthursday", 0, 0, integer<5>},
    {"vbfriday", 0, 0, integer<6>}, {"vbsaturday", 0, 0, integer<7>},
    {"vbgeneraldate", 0, 0, integer<0>}, {"vblongdate", 0, 0, integer<1>}, {"vbshortdate", 0, 0, integer<2>},
    {"vblongtime", 0, 0, integer<3>}, {"vbshorttime", 0, 0, integer<4>},
    {"vbokonly", 0, 0, integer<0>}, {"vbokcancel", 0, 0, integer<1>}, {"vbabortretryignore", 0, 0, integer<2>},
    {"vbyesnocancel", 0, 0, integer<3>}, {"vbyesno", 0, 0, integer<4>}, {"vbretrycancel", 0, 0, integer<5>},
    {"vbcritical", 0, 0, integer<16>}, {"vbquestion", 0, 0, integer<32>}, {"vbexclamation", 0, 0, integer<48>},
    {"vbinformation", 0, 0, integer<64>}, {"vbdefaultbutton1", 0, 0, integer<0>},
    {"vbdefaultbutton2", 0, 0, integer<256>}, {"vbdefaultbutton3", 0, 0, integer<512>},
    {"vbok", 0, 0, integer<1>}, {"vbcancel", 0, 0, integer<2>}, {"vbabort", 0, 0, integer<3>},
    {"vbretry", 0, 0, integer<4>}, {"vbignore", 0, 0, integer<5>}, {"vbyes", 0, 0, integer<6>},
    {"vbno", 0, 0, integer<7>},
};
// clang-format on

}  // namespace

const Builtin* findBuiltin(std::string_view folded) {
    static const std::unordered_map<std::string_view, const Builtin*> table = [] {
        std::unordered_map<std::string_view, const Builtin*> t;
        for (const Builtin& b : kBuiltins) t.emplace(b.name, &b);
        return t;
    }();
    auto it = table.find(folded);
    return it == table.end() ? nullptr : it->second;
}

}  // namespace script
