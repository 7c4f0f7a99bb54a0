#include "web/ConvertASP.h"

#include <cctype>
#include <cstdio>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"
#include "web/HTMLIncludes.h"
#include "web/SlideshowPage.h"
#include "windows/FileSystemObject.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kCrLf = "\r\n";
constexpr const char* kHeaderCall = "CustomHeader";
constexpr int kDwellArgument = 7;

// Builds one page's script. Every statement starts on a line of its own, so that code blocks
// and literals on one page line (`<p><%= x %></p>`) still make valid script.
class Converter {
public:
    explicit Converter(ConvertASPState& page) : page_(page) {}

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
    void Add(const std::string& text) { page_.PageOutput.Add(text); }

    void LineStart() {
        const std::string& out = page_.PageOutput.value();
        if (!out.empty() && out.back() != '\n') Add(kCrLf);
    }

    void EmitHead() {
        if (page_.HeadEmitted) return;
        page_.HeadEmitted = true;
        LineStart();
        Add(std::string(kCrLf) + "Dim fs" + kCrLf + "Function " + page_.PageFunctionName + "()" + kCrLf +
            "Set fs = New FastString" + kCrLf);
    }

    // An empty page still gets a head before its tail, so that its function compiles.
    void EmitTail() {
        if (page_.TailEmitted) return;
        EmitHead();
        page_.TailEmitted = true;
        LineStart();
        Add(std::string(kCrLf) + page_.PageFunctionName + " = fs.value" + kCrLf + "Set fs = Nothing" + kCrLf +
            "end Function" + kCrLf);
    }

    void EmitResponseWrite(const std::string& code) {
        LineStart();
        Add(vb::Replace(code, "response.write", "fs.add", 1, -1, vb::CompareMethod::Text));
    }

    // Literal HTML as fs.add statements, one per line; its line breaks are not page output.
    void EmitHtmlLiteral(const std::string& text) {
        const bool blank = vb::Trim(vb::Replace(vb::Replace(text, kCrLf, ""), "\t", "")).empty();
        if (!page_.StatementSeen && !blank) EmitHead();
        // Blank text before the page function would be a statement outside it.
        if (!page_.HeadEmitted) return;
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
        page_.CurrentLine.clear();
        const int32_t length = vb::Len(block);
        if (length == 0) return 1;
        for (;;) {
            const int32_t end = vb::InStr(position, block, kCrLf);
            if (end == 0) {
                page_.CurrentLine = Clean(vb::Mid(block, position));
                return length + 1;
            }
            if (end > position) {
                page_.CurrentLine = Clean(vb::Mid(block, position, end - position));
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
            if (!page_.StatementSeen) {
                EmitHead();
                page_.StatementSeen = true;
            }
            EmitResponseWrite("fs.add " + vb::Mid(block, 2));
            return;
        }
        if (!page_.StatementSeen) {
            int32_t position = 1;
            while (position <= vb::Len(block)) {
                const int32_t start = position;
                position = GetLine(block, position);
                if (!IsStatement(page_.CurrentLine)) continue;
                if (start > 1) EmitResponseWrite(vb::Left(block, start - 1));
                EmitHead();
                page_.StatementSeen = true;
                block = vb::Mid(block, start);
                break;
            }
        }
        if (!page_.ProceduresStarted) {
            if (const int32_t at = ProcedureStart(block)) {
                page_.ProceduresStarted = true;
                EmitResponseWrite(vb::Left(block, at - 1));
                EmitTail();
                EmitResponseWrite(vb::Mid(block, at));
                return;
            }
        }
        EmitResponseWrite(block);
    }

    ConvertASPState& page_;
};

// Pads every CustomHeader call to seven arguments and makes the seventh the slide's time.
bool RewriteHeaderCalls(std::string& script, const std::string& dwell) {
    bool rewritten = false;
    int32_t from = 1;
    for (;;) {
        const int32_t name = vb::InStr(from, script, kHeaderCall, vb::CompareMethod::Text);
        if (name == 0) break;
        const int32_t open = vb::InStr(name, script, "(");
        if (open == 0) break;
        from = open + 1;
        int depth = 1;
        int32_t close = 0;
        for (int32_t i = open + 1; i <= vb::Len(script); ++i) {
            const char c = script[static_cast<std::size_t>(i - 1)];
            if (c == '(') ++depth;
            if (c == ')' && --depth == 0) {
                close = i;
                break;
            }
        }
        if (close == 0) continue;
        auto arguments = vb::Split(vb::Mid(script, open + 1, close - open - 1), ",");
        if (arguments.size() < kDwellArgument) arguments.resize(kDwellArgument);
        arguments[kDwellArgument - 1] = dwell;
        script = vb::Left(script, open) + vb::Join(arguments, ",") + vb::Mid(script, close);
        rewritten = true;
    }
    return rewritten;
}

}  // namespace

std::string PageFunctionNameOf(const std::string& page) {
    std::string name = "dkvZephra";
    for (const char c : vb::LCase(page)) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            name += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "_%02x", static_cast<unsigned char>(c));
            name += escaped;
        }
    }
    return name;
}

// Only refresh tags have their time replaced: the first digits of another tag's content (a
// character set's "8859") are no refresh time.
void metaReplace(PluginState& state, std::string& script, const std::string& dwell) {
    if (!vb::Try([&] {
            int32_t from = 1;
            for (;;) {
                const int32_t meta = vb::InStr(from, script, "meta http-equiv", vb::CompareMethod::Text);
                if (meta == 0) break;
                from = meta + 1;
                const int32_t content = vb::InStr(meta, script, "content", vb::CompareMethod::Text);
                if (content == 0) break;
                const int32_t close = vb::InStr(content, script, ">");
                if (close == 0) break;
                if (vb::InStr(vb::Mid(script, meta, content - meta), "refresh", vb::CompareMethod::Text) == 0) continue;
                const int32_t equals = vb::InStr(content, script, "=");
                if (equals == 0 || equals > close) continue;
                int32_t digit = equals + 1;
                while (digit < close &&
                       !std::isdigit(static_cast<unsigned char>(script[static_cast<std::size_t>(digit - 1)])))
                    ++digit;
                if (digit >= close) continue;
                int32_t end = digit;
                while (end < close &&
                       std::isdigit(static_cast<unsigned char>(script[static_cast<std::size_t>(end - 1)])))
                    ++end;
                script = vb::Left(script, digit - 1) + dwell + vb::Mid(script, end);
                return;
            }
            const std::string tag =
                "<meta http-equiv=\"\"Refresh\"\" content=\"\"" + dwell + "; URL=/ZephraSlideshow.asp\"\">";
            if (const int32_t head = vb::InStr(script, "<HEAD>", vb::CompareMethod::Text)) {
                script.insert(static_cast<std::size_t>(head - 1 + 6), tag);
            } else if (const int32_t html = vb::InStr(script, "<HTML>", vb::CompareMethod::Text)) {
                script.insert(static_cast<std::size_t>(html - 1 + 6), "<HEAD>" + tag + "</HEAD>");
            } else {
                // A page without HTML or HEAD gets its refresh as the page function's first literal.
                const int32_t body = vb::InStr(script, "Set fs = New FastString\r\n");
                const std::string literal = "fs.add \"<HTML><HEAD>" + tag + "</HEAD>\"\r\n";
                if (body == 0) {
                    script.insert(0, literal);
                } else {
                    script.insert(static_cast<std::size_t>(body - 1) + 25, literal);
                }
            }
        }))
        vb::Try([&] { WriteLog(state.Host(), kSource, "metaReplace " + std::to_string(vb::Err().Number) + " "); });
}

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

std::string ConvertPage(PluginState& state, ConvertASPState& page, const std::string& text, const std::string& dwell) {
    Converter(page).Convert(WithCrLf(text));
    std::string script = page.PageOutput.value();
    if (!RewriteHeaderCalls(script, dwell)) metaReplace(state, script, dwell);
    return script;
}

void ASPAdd(PluginState& state, ConvertASPState& page, const std::string& path, const std::string& dwell) {
    if (!vb::Try([&] {
            windows::FileSystemObject fso;
            auto stream = fso.OpenTextFile(path);
            const std::string text = stream->ReadAll();
            stream->Close();
            const std::string script = ConvertPage(state, page, text, dwell);
            if (state.settings.DebugLog) DumpStringToFile(state, page.PageFunctionName, script);
            AccumulateHTMLString(state, script);
        }))
        vb::Try([&] { WriteLog(state.Host(), kSource, "ASPAdd " + std::to_string(vb::Err().Number) + " "); });
}

}  // namespace zephra
