#include "web/HTMLIncludes.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/FastString.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/SettingsTable.h"
#include "script/ScriptControl.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/ErrorNumbers.h"
#include "vb/Strings.h"
#include "web/PageFrame.h"
#include "web/PageFrameDetail.h"
#include "web/PageScriptObjects.h"
#include "windows/FileSystemObject.h"
#include "windows/PathMap.h"

namespace zephra {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSource = "dkvZephra";
constexpr const char* kCrLf = "\r\n";
constexpr const char* kIncludeDirective = "#include";
constexpr const char* kScriptsMark = "..\\Scripts";
constexpr const char* kIncludeCycle = "Page include skipped, already being loaded: ";
constexpr const char* kIncludeRefused = "Page include refused, it leads out of the application folder: ";
constexpr const char* kHostIncludes[] = {"includes\\style.asp", "includes\\misc_functions.asp", "includes\\header.asp",
                                         "includes\\menu_functions.asp"};

// The files being loaded around the current one, so that an include cycle is cut.
using Chain = std::vector<fs::path>;

fs::path FileIdentity(const std::string& path) { return fs::weakly_canonical(windows::MapPath(path).native); }

std::string Resolve(PluginState& state, const std::string& name, const char* folder) {
    if (name.find("\\\\") != std::string::npos || name.find(':') != std::string::npos) return name;
    return state.Host().GetAppPath() + folder + (vb::Left(name, 1) == "\\" ? "" : "\\") + name;
}

// The text of a file to add, or nothing when it does not exist or is already being loaded.
std::optional<std::string> ReadOnce(PluginState& state, const std::string& path, const std::string& name,
                                    const Chain& chain, fs::path& identity) {
    windows::FileSystemObject fso;
    if (!fso.FileExists(path)) {
        // A missing file is skipped quietly; one the loader will not read is named.
        if (windows::LeavesAppFolder(path)) WriteLog(state.Host(), kSource, kIncludeRefused + name);
        return std::nullopt;
    }
    identity = FileIdentity(path);
    if (std::find(chain.begin(), chain.end(), identity) != chain.end()) {
        WriteLog(state.Host(), kSource, kIncludeCycle + name);
        return std::nullopt;
    }
    auto stream = fso.OpenTextFile(path);
    std::string text = stream->ReadAll();
    stream->Close();
    return text;
}

struct ChainEntry {
    ChainEntry(Chain& chain, fs::path file) : chain(chain) { chain.push_back(std::move(file)); }
    ~ChainEntry() { chain.pop_back(); }
    Chain& chain;
};

enum class Includer { HtmlFile, ScriptFile, Page };

void HtmlReferences(PluginState& state, const std::string& name, Chain& chain);
void ScriptReferences(PluginState& state, const std::string& name, Chain& chain);

// Cuts every include directive out of the text, adding the file it names first. A directive
// whose two quotes are not on its own line stays, and the scan goes on after that line.
std::string TakeIncludes(PluginState& state, std::string text, Includer includer, Chain& chain) {
    int32_t position = 1;
    for (;;) {
        const int32_t found = vb::InStr(position, text, kIncludeDirective, vb::CompareMethod::Text);
        if (found == 0) break;
        const auto at = static_cast<std::size_t>(found - 1);
        const std::size_t lineEnd = std::min(text.find_first_of("\r\n", at), text.size());
        const std::size_t open = text.find('"', at);
        const std::size_t close = open < lineEnd ? text.find('"', open + 1) : std::string::npos;
        if (open >= lineEnd || close >= lineEnd) {
            // A line that names no file (a comment about includes, say) is left as it is.
            if (lineEnd >= text.size()) break;
            position = static_cast<int32_t>(lineEnd) + 1;
            continue;
        }
        std::string name = text.substr(open + 1, close - open - 1);
        if (includer == Includer::ScriptFile) {
            ScriptReferences(state, vb::Trim(name), chain);
        } else {
            name = vb::Trim(vb::Replace(name, "/", "\\"));
            if (vb::InStr(name, kScriptsMark, vb::CompareMethod::Text) > 0) {
                name = vb::Replace(name, kScriptsMark, "", 1, -1, vb::CompareMethod::Text);
                if (includer == Includer::Page) name = vb::Replace(name, "\\\\", "\\");
                ScriptReferences(state, name, chain);
            } else {
                HtmlReferences(state, name, chain);
            }
        }
        text.erase(at, close + 1 - at);
        position = found;
    }
    return text;
}

void HtmlReferences(PluginState& state, const std::string& name, Chain& chain) {
    page_frame::Trapped(state, "AccumulateHTMLReferences: ", [&] {
        fs::path identity;
        auto text = ReadOnce(state, Resolve(state, name, "\\HTML"), name, chain, identity);
        if (!text) return;
        std::string code = vb::Replace(vb::Replace(*text, "<%", ""), "%>", "");
        code = vb::Replace(code, "<!--", "'");
        code = vb::Replace(code, "Response.Write", "fsg.Add", 1, -1, vb::CompareMethod::Text);
        {
            ChainEntry entry(chain, identity);
            code = TakeIncludes(state, std::move(code), Includer::HtmlFile, chain);
        }
        PageEngine(state).AddCode(code);
    });
}

void ScriptReferences(PluginState& state, const std::string& name, Chain& chain) {
    page_frame::Trapped(state, "AccumulateReferences: ", [&] {
        fs::path identity;
        auto text = ReadOnce(state, Resolve(state, name, "\\Scripts"), name, chain, identity);
        if (!text) return;
        std::string code;
        {
            ChainEntry entry(chain, identity);
            code = TakeIncludes(state, std::move(*text), Includer::ScriptFile, chain);
        }
        PageEngine(state).AddCode(code);
    });
}

}  // namespace

script::ScriptControl& PageEngine(PluginState& state) {
    auto engine = std::dynamic_pointer_cast<script::ScriptControl>(state.web.PageEngine);
    if (!engine) vb::raise(vb::errors::ObjectNotSet);
    return *engine;
}

void HTMLInit(PluginState& state) {
    page_frame::Trapped(state, "HTMLInit: ", [&] {
        auto engine = std::make_shared<script::ScriptControl>();
        state.web.PageEngine = engine;
        engine->setLanguage("VBScript");
        engine->setAllowUI(true);
        engine->AddObject("hs", state.hs, true);
        const settings::Setting& row = settings::MainSetting("ScriptTimeout");
        const vb::Variant timeout(settings::ReadText(state.Host(), row));
        // A setting that is no number leaves the default rather than the engine half made.
        engine->setTimeout(vb::IsNumeric(timeout) ? vb::CLng(timeout) : vb::CLng(vb::Variant(row.read.fallback)));
        engine->AddObject("fsg", std::make_shared<PageBuffer>());
        engine->AddObject("ZephraPageFrame", std::make_shared<PageFrameObject>(state), true);
        engine->AddCode(kFastStringClass);
        FastString code;
        for (const char* line : {"Dim Request, Response", "sub setObjects(pRequest,pResponse)",
                                 "Set Request = pRequest", "Set Response = pResponse", "End sub"}) {
            code.Add(line);
            code.Add(kCrLf);
        }
        engine->AddCode(code.value());
    });
}

void HTMLBuild(PluginState& state) {
    page_frame::Trapped(state, "HTMLBuild: ", [&] {
        for (const char* file : kHostIncludes) AccumulateHTMLReferences(state, file);
    });
}

void AccumulateHTMLReferences(PluginState& state, const std::string& name) {
    Chain chain;
    HtmlReferences(state, name, chain);
}

void AccumulateReferences(PluginState& state, const std::string& name) {
    Chain chain;
    ScriptReferences(state, name, chain);
}

void AccumulateHTMLString(PluginState& state, const std::string& text) {
    page_frame::Trapped(state, "AccumulateHTMLString: ", [&] {
        Chain chain;
        std::string code = TakeIncludes(state, text, Includer::Page, chain);
        PageEngine(state).AddCode(vb::Replace(code, "<!---->", ""));
    });
}

namespace html_includes {

std::string FormatCell(PluginState& state, const std::string& text, const std::string& style,
                       const std::string& colspan, const std::string& align) {
    return zephra::FormatCell(state, text, style, colspan, align);
}

std::string CustomHeader(PluginState& state, const vb::Variant& header) {
    std::string text;
    page_frame::Trapped(state, "CustomHeader: ", [&] { text = zephra::CustomHeader(state, header); });
    return text;
}

std::string CustomFooter(PluginState& state) {
    return vb::Replace(XCustomFooter(state), "\"powered.jpg\"", "\"/powered.jpg\"", 1, -1, vb::CompareMethod::Text);
}

}  // namespace html_includes

}  // namespace zephra
