#include "FuzzEntry.h"

#include <chrono>
#include <memory>
#include <string>

#include "automation/Registry.h"
#include "script/Parser.h"
#include "script/ScriptControl.h"
#include "script/SyntaxError.h"
#include "vb/Error.h"

namespace script::fuzz {

namespace {

// Fuzzed scripts must not touch files or build further controls.
void keepToTheEngine() {
    static const bool done = [] {
        registerClasses();
        automation::unregisterClass("Scripting.FileSystemObject");
        automation::unregisterClass("MSScriptControl.ScriptControl");
        return true;
    }();
    (void)done;
}

}  // namespace

void runInput(const uint8_t* data, std::size_t size) {
    keepToTheEngine();
    std::string text(reinterpret_cast<const char*>(data), size < kMaxInput ? size : kMaxInput);
    try {
        parseProgram(text);
    } catch (const SyntaxError&) {}
    ScriptControl sc;
    auto now = std::make_shared<std::chrono::steady_clock::time_point>();
    sc.setClock([now] { return *now += std::chrono::milliseconds(1); });
    sc.setTimeout(20);
    try {
        sc.AddCode(text);
    } catch (const vb::Error&) {}
    try {
        sc.Eval(text);
    } catch (const vb::Error&) {}
}

}  // namespace script::fuzz
