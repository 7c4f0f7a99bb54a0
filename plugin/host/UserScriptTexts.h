#pragma once
// The user script's file names and the lines it writes to the host log.

#include <cstdint>

namespace zephra::userscript {

constexpr const char* kSource = "dkvZephra";
// The user script: this file in the host's scripts folder, added as module "Main".
constexpr const char* kScriptFile = "dkvZephra.txt";
constexpr const char* kScriptsFolder = "\\Scripts";
constexpr const char* kModuleName = "Main";
constexpr const char* kMainProcedure = "Main";

constexpr const char* kIncludeDirective = "#include";

// Log lines; the ones that end in a tag get the pending error appended by the log writer.
constexpr const char* kAddFailed = "Script-Add ";
constexpr const char* kLoadFailed = "Script-AccumulateReferences ";
constexpr const char* kSyntaxError = "Error in script syntax ";
constexpr const char* kRunError = "Script Run Error ";
constexpr const char* kQueueTimerFailed = "ScriptQueueTimer_Timer";
constexpr const char* kIncludeCycle = "Script include skipped, already being loaded: ";
constexpr const char* kIncludeRefused = "Script include refused, it leads out of the application folder: ";
constexpr const char* kAtLine = "@ Line ";
constexpr const char* kColumn = " col ";
constexpr const char* kSeparator = " / ";

// The script queue's timer: soon after the first text, and a minute away while "Main" runs.
constexpr int32_t kQueueStartInterval = 5;
constexpr int32_t kQueueRunInterval = 60000;

}  // namespace zephra::userscript
