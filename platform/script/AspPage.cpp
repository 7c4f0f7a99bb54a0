#include "script/AspPage.h"

#include <cctype>
#include <cstdint>

#include "vb/Strings.h"

namespace script {

namespace {

constexpr const char* kCrLf = "\r\n";

// Builds one page's script. Every statement starts on a line of its own, so that code blocks
// and literals on one page line (`<p><%= x %></p>`) still make valid script.
class Converter {
public:
    explicit Converter(AspPage& page) : page_(page) {}

    void Convert(const std::string& text) {
        const int32_t length = vb::Len(text);
        int32_t p = 1;
        while (p <= length) {
            const int32_t open = vb::InStr(p, text, "<%");
            if (open == 0) {
                ConvertToString(vb::Mid(text, p));
                break;
            }
            ConvertToString(vb::Mid(text, p, open - p));
            int32_t close = vb::InStr(open, text, "%>");
            if (close == 0) close = length + 1;
            CodeBlock(vb::Mid(text, open + 2, close - open - 2));
            p = close + 2;
        }
        EmitTail();
    }

private:
    void Add(const std::string& text) { page_.script += text; }

    void LineStart() {
        const std::string& out = page_.script;
        if (!out.empty() && out.back() != '\n') Add(kCrLf);
    }

    void EmitHead() {
        if (page_.headEmitted) return;
        page_.headEmitted = true;
        LineStart();
        Add(std::string(kCrLf) + "Dim fs" + kCrLf + "Function " + page_.functionName + "()" + kCrLf +
            "Set fs = New FastString" + kCrLf);
    }

    // An empty page still gets a head before its tail, so that its function compiles.
    void EmitTail() {
        if (page_.tailEmitted) return;
        EmitHead();
        page_.tailEmitted = true;
        LineStart();
        Add(std::string(kCrLf) + page_.functionName + " = fs.value" + kCrLf + "Set fs = Nothing" + kCrLf +
            "end Function" + kCrLf);
    }

    void EmitResponseWrite(const std::string& code) {
        LineStart();
        Add(vb::Replace(code, "response.write", "fs.add", 1, -1, vb::CompareMethod::Text));
    }

    // Literal HTML as fs.add statements, one per line; its line breaks are not page output.
    void EmitHtmlLiteral(const std::string& text) {
        const bool blank = vb::Trim(vb::Replace(vb::Replace(text, kCrLf, ""), "\t", "")).empty();
        if (!page_.statementSeen && !blank) EmitHead();
        // Blank text before the page function would be a statement outside it.
        if (!page_.headEmitted) return;
        const auto lines = vb::Split(text, kCrLf);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].empty()) continue;
            LineStart();
            Add("fs.add \"" + vb::Replace(lines[i], "\"", "\"\"") + "\"");
            if (i + 1 < lines.size()) Add(kCrLf);
        }
    }

    // The next include directive from `from`: "<!--", blanks allowed, "#include" in any case.
    static int32_t FindDirective(const std::string& text, int32_t from) {
        for (int32_t open = vb::InStr(from, text, "<!--"); open != 0; open = vb::InStr(open + 1, text, "<!--")) {
            auto at = static_cast<std::size_t>(open - 1) + 4;
            while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
            if (vb::StrComp(text.substr(at, 8), "#include", vb::CompareMethod::Text) == 0) return open;
        }
        return 0;
    }

    // Literal text; include directives in it become lines of the script.
    void ConvertToString(const std::string& text) {
        const int32_t length = vb::Len(text);
        int32_t q = 1;
        while (q <= length) {
            const int32_t found = FindDirective(text, q);
            if (found == 0) {
                EmitHtmlLiteral(vb::Mid(text, q));
                return;
            }
            if (found > q) EmitHtmlLiteral(vb::Mid(text, q, found - q));
            const int32_t end = vb::InStr(found, text, "-->");
            int32_t stop = end == 0 ? length + 1 : end + 3;
            if (end != 0 && vb::Mid(text, stop, 2) == kCrLf) stop += 2;
            EmitResponseWrite(vb::Mid(text, found, stop - found));
            LineStart();
            q = stop;
        }
    }

    // The next line of a block from `position` (1-based): CurrentLine without tabs, trimmed and
    // in lower case; returns the position after the line's CRLF.
    int32_t GetLine(const std::string& block, int32_t position) {
        page_.currentLine.clear();
        const int32_t length = vb::Len(block);
        if (length == 0) return 1;
        for (;;) {
            const int32_t end = vb::InStr(position, block, kCrLf);
            if (end == 0) {
                page_.currentLine = Clean(vb::Mid(block, position));
                return length + 1;
            }
            if (end > position) {
                page_.currentLine = Clean(vb::Mid(block, position, end - position));
                return end + 2;
            }
            position += 2;
            if (position > length) return length + 1;
        }
    }

    static std::string Clean(const std::string& line) { return vb::LCase(vb::Trim(vb::Replace(line, "\t", ""))); }

    static bool IsStatement(const std::string& line) {
        if (line.empty()) return false;
        for (const char* opener : {"'", "const", "dim", "<!--"})
            if (vb::Left(line, vb::Len(opener)) == opener) return false;
        return true;
    }

    // The first "sub " (else "function ") that starts a word, ignoring case; 0 when none.
    static int32_t ProcedureStart(const std::string& block) {
        for (const char* keyword : {"sub ", "function "}) {
            int32_t at = 0;
            while ((at = vb::InStr(at + 1, block, keyword, vb::CompareMethod::Text)) != 0) {
                if (at == 1 || std::isspace(static_cast<unsigned char>(block[static_cast<std::size_t>(at - 2)])))
                    return at;
            }
        }
        return 0;
    }

    void CodeBlock(std::string block) {
        // The expression form writes its value.
        if (vb::Left(block, 1) == "=") {
            if (!page_.statementSeen) {
                EmitHead();
                page_.statementSeen = true;
            }
            EmitResponseWrite("fs.add " + vb::Mid(block, 2));
            return;
        }
        if (!page_.statementSeen) {
            int32_t position = 1;
            while (position <= vb::Len(block)) {
                const int32_t start = position;
                position = GetLine(block, position);
                if (!IsStatement(page_.currentLine)) continue;
                if (start > 1) EmitResponseWrite(vb::Left(block, start - 1));
                EmitHead();
                page_.statementSeen = true;
                block = vb::Mid(block, start);
                break;
            }
        }
        if (!page_.proceduresStarted) {
            if (const int32_t at = ProcedureStart(block)) {
                page_.proceduresStarted = true;
                EmitResponseWrite(vb::Left(block, at - 1));
                EmitTail();
                EmitResponseWrite(vb::Mid(block, at));
                return;
            }
        }
        EmitResponseWrite(block);
    }

    AspPage& page_;
};

}  // namespace

void ConvertAspPage(AspPage& page, const std::string& text) { Converter(page).Convert(text); }

// Every line end as CR LF: literal text is split into statements at CR LF, so a page saved with
// LF (or CR) alone would otherwise leave line breaks inside a string constant.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // its LF writes the pair
        if (c == '\r' || c == '\n') {
            out += kCrLf;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace script
