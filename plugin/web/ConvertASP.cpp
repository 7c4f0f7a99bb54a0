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
#include "script/AspPage.h"
#include "windows/FileSystemObject.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kHeaderCall = "CustomHeader";
constexpr int kDwellArgument = 7;

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

std::string ConvertPage(PluginState& state, ConvertASPState& page, const std::string& text, const std::string& dwell) {
    script::AspPage converted;
    converted.functionName = page.PageFunctionName;
    script::ConvertAspPage(converted, script::WithCrLf(text));
    page.PageOutput.Add(converted.script);
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
