#include "host/UserScripts.h"

#include <deque>
#include <memory>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "host/Script.h"
#include "host/UserScriptTexts.h"
#include "vb/Err.h"
#include "windows/FileSystemObject.h"

namespace zephra {

using namespace userscript;

void RunScriptFile(PluginState& state) {
    const std::string path = state.Host().GetAppPath() + kScriptsFolder + "\\" + kScriptFile;
    if (!windows::FileSystemObject().FileExists(path)) {
        state.scripts.UserScript.reset();
        return;
    }
    state.scripts.UserScript = std::make_shared<Script>(state);
    state.scripts.UserScript->Add(kScriptFile, kModuleName);
}

void QueueScriptText(PluginState& state, const std::string& text) {
    state.scripts.ScriptQueue.push_back(text);
    forms::Timer& timer = state.QueueTimerForm().ScriptQueueTimer;
    if (timer.Enabled()) return;
    timer.Interval(kQueueStartInterval);
    timer.Enabled(true);
}

// "Main" may pump events while it runs: the long interval keeps this tick from coming back
// meanwhile, and the script is held in case it is loaded afresh during the call.
void RunScriptQueue(PluginState& state, forms::Timer& timer) {
    std::deque<std::string>& queue = state.scripts.ScriptQueue;
    while (!queue.empty()) {
        if (!vb::Try([&] {
                timer.Interval(kQueueRunInterval);
                std::string text = std::move(queue.front());
                queue.pop_front();
                if (std::shared_ptr<Script> script = state.scripts.UserScript) script->Run(kMainProcedure, text);
            }))
            vb::Try([&] { WriteLog(state.Host(), kSource, kQueueTimerFailed); });
    }
    timer.Enabled(false);
}

}  // namespace zephra
