#include "host/Script.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "host/UserScriptTexts.h"
#include "script/ScriptControl.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/ErrorNumbers.h"
#include "vb/Strings.h"
#include "windows/FileSystemObject.h"
#include "windows/PathMap.h"

namespace zephra {

namespace {

using namespace userscript;
namespace fs = std::filesystem;

script::ScriptControl& Control(PluginState& state) { return *state.QueueTimerForm().ScriptControl1; }

void ClearControlError(script::ScriptControl& sc) {
    std::static_pointer_cast<script::ScriptError>(sc.Error())->Clear();
}

void Log(PluginState& state, const std::string& text) {
    vb::Try([&] { WriteLog(state.Host(), kSource, text); });
}

// One step of loading a file: a failure is logged with the loader's tag and the pending
// error, and the file is given up.
template <class Step>
bool LoadStep(PluginState& state, Step&& step) {
    if (vb::Try(std::forward<Step>(step))) return true;
    Log(state, kLoadFailed);
    return false;
}

// Where " Line n col m" of the control's error is shown.
std::string ErrorPlace(const script::ErrorInfo& error) {
    return kAtLine + std::to_string(error.Line) + kColumn + std::to_string(error.Column);
}

// The two quotes of an include directive at `at` (0-based), on the directive's own line.
// None when they are missing: the scan ends there and the directive stays in the text.
std::optional<std::pair<std::size_t, std::size_t>> DirectiveQuotes(const std::string& text, std::size_t at) {
    std::size_t lineEnd = std::min(text.find_first_of("\r\n", at), text.size());
    std::size_t open = text.find('"', at);
    if (open >= lineEnd) return std::nullopt;
    std::size_t close = text.find('"', open + 1);
    if (close >= lineEnd) return std::nullopt;
    return std::make_pair(open, close);
}

// The same file however its path is written.
fs::path FileIdentity(const std::string& path) { return fs::weakly_canonical(windows::MapPath(path).native); }

// Holds a file on the include chain while its includes load.
class ChainEntry {
public:
    ChainEntry(std::vector<fs::path>& chain, fs::path file) : chain_(chain) { chain_.push_back(std::move(file)); }
    ~ChainEntry() { chain_.pop_back(); }
    ChainEntry(const ChainEntry&) = delete;
    ChainEntry& operator=(const ChainEntry&) = delete;

private:
    std::vector<fs::path>& chain_;
};

}  // namespace

Script::Script(PluginState& state) : state_(state), fileDate_(vb::DateSerial(1980, 1, 1)) {}

void Script::Add(const std::string& file, const std::string& moduleName) {
    vb::Err().Clear();
    script::ScriptControl& sc = Control(state_);
    if (vb::Try([&] {
            moduleName_ = moduleName;
            fileName_ = file;
            module_ = std::dynamic_pointer_cast<script::Module>(
                std::static_pointer_cast<script::Modules>(sc.Modules())->Add(moduleName));
            std::vector<fs::path> chain;
            AccumulateReferences(file, chain);
        }))
        return;
    std::string text = kAddFailed + vb::Err().Description + kSeparator + sc.lastError().Description;
    vb::Err().Clear();
    Log(state_, text);
}

vb::Variant Script::Run(const std::string& procedure, const std::string& argument) {
    vb::Err().Clear();
    script::ScriptControl& sc = Control(state_);
    ClearControlError(sc);
    vb::Variant result;
    vb::Try([&] {
        if (!module_) vb::raise(vb::errors::ObjectNotSet);
        std::vector<vb::Variant> args{vb::Variant(argument)};
        result = module_->Run(procedure, args);
    });
    const script::ErrorInfo& error = sc.lastError();
    if (vb::Err().Number == 0 && error.Number == 0) return result;
    std::string text = kRunError + vb::Err().Description + kSeparator + std::to_string(error.Number) + " - " +
                       error.Description + ErrorPlace(error);
    vb::Err().Clear();
    ClearControlError(sc);
    Log(state_, text);
    return vb::Variant();
}

void Script::AccumulateReferences(const std::string& file, std::vector<fs::path>& chain) {
    vb::Err().Clear();
    windows::FileSystemObject fso;
    std::string path;
    if (!LoadStep(state_, [&] { path = ResolvePath(file); })) return;
    if (!fso.FileExists(path)) {
        // A missing file is skipped quietly; one the loader will not read is named.
        if (windows::LeavesAppFolder(path)) Log(state_, kIncludeRefused + file);
        return;
    }
    fs::path identity;
    if (!LoadStep(state_, [&] { identity = FileIdentity(path); })) return;
    if (std::find(chain.begin(), chain.end(), identity) != chain.end()) {
        Log(state_, kIncludeCycle + file);
        return;
    }
    std::string text;
    if (!LoadStep(state_, [&] { text = fso.OpenTextFile(path)->ReadAll(); })) return;
    {
        ChainEntry entry(chain, identity);
        if (!LoadStep(state_, [&] { text = TakeIncludes(std::move(text), chain); })) return;
    }
    AddToModule(file, text);
}

std::string Script::ResolvePath(const std::string& file) const {
    if (file.find(':') != std::string::npos || file.find("\\\\") != std::string::npos) return file;
    std::string scripts = state_.Host().GetAppPath() + kScriptsFolder;
    return scripts + (vb::Left(file, 1) == "\\" ? "" : "\\") + file;
}

// Each directive is replaced by the code of the file it names, loaded into the module
// first; what follows the directive on its line stays.
std::string Script::TakeIncludes(std::string text, std::vector<fs::path>& chain) {
    int32_t position = 1;
    for (;;) {
        int32_t found = vb::InStr(position, text, kIncludeDirective, vb::CompareMethod::Text);
        if (found == 0) break;
        const auto at = static_cast<std::size_t>(found - 1);
        auto quotes = DirectiveQuotes(text, at);
        if (!quotes) {
            // Not a directive (a comment that mentions one, say): the lines after it still are.
            position = found + 1;
            continue;
        }
        auto [open, close] = *quotes;
        AccumulateReferences(vb::Trim(std::string_view(text).substr(open + 1, close - open - 1)), chain);
        text.erase(at, close + 1 - at);
        position = found;
    }
    return text;
}

void Script::AddToModule(const std::string& file, const std::string& text) {
    vb::Err().Clear();
    script::ScriptControl& sc = Control(state_);
    ClearControlError(sc);
    vb::Try([&] {
        auto module = std::dynamic_pointer_cast<script::Module>(sc.Modules(vb::Variant(moduleName_)));
        if (!module) vb::raise(vb::errors::ObjectNotSet);
        module->AddCode(text);
    });
    const script::ErrorInfo& error = sc.lastError();
    if (vb::Err().Number == 0 && error.Number == 0) return;
    std::string line =
        kSyntaxError + vb::Err().Description + kSeparator + file + " " + error.Description + ErrorPlace(error);
    vb::Err().Clear();
    ClearControlError(sc);
    Log(state_, line);
}

}  // namespace zephra
