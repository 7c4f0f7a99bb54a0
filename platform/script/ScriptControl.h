#pragma once
// The script control ("MSScriptControl.ScriptControl"): runs VBScript text with our own
// interpreter. Host code calls it directly or late-bound by name, as scripts and the host do.
//
//   script::ScriptControl sc;                // or automation::CreateObject("MSScriptControl.ScriptControl")
//   sc.AddObject("hs", host, true);          // hs and its members become global names
//   sc.AddCode("Function Twice(x): Twice = 2 * x: End Function");
//   vb::Variant args[] = {vb::Variant(int16_t{21})};
//   sc.Run("Twice", args);                   // 42
//
// Errors: every operation that fails fills `Error` and raises a vb::Error of the same number:
//  - a compile error (AddCode, ExecuteStatement, Eval, a module's AddCode) adds nothing; its
//    number is the language's (1002 "Syntax error", 1024 "Expected statement", 1025 "Expected
//    end of statement"...), Source "Microsoft VBScript compilation error", Line from 1 and
//    Column the 0-based character offset in that line, as callers read them;
//  - a run-time error that the script does not handle keeps its number and text (13 "Type
//    mismatch", 500 "Variable is undefined", a host object's own error...), Source "Microsoft
//    VBScript runtime error" unless the error names its own, and the line and column of the
//    statement that failed;
//  - a script still running when `Timeout` milliseconds have passed since the host's call
//    began is stopped (no On Error can catch it) with Number 0x80004004 (-2147467260) and
//    Description "The operation was canceled"; its code stays defined. A script stopped
//    through canceller() ends the same way.
// Timeout 0 or less (the control's NoTimeout is -1) lets scripts run without limit.
//
// A module added by the name of one that exists replaces it (its code is dropped), so that
// loading a script again under the same module name runs the new text only.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "automation/Class.h"
#include "vb/Object.h"

namespace script {

class Engine;
struct ModuleData;

// The number and text of the time-out error.
constexpr int32_t kTimeoutError = static_cast<int32_t>(0x80004004u);
constexpr std::string_view kTimeoutDescription = "The operation was canceled";

// The last error of a control: what its `Error` object answers.
struct ErrorInfo {
    int32_t Number = 0;
    std::string Description;
    std::string Source;
    int32_t Line = 0;
    int32_t Column = 0;
    std::string Text;  // the source line of a compile error
};

// The control's `Error` object.
class ScriptError : public automation::Dispatch<ScriptError> {
public:
    static constexpr std::string_view className = "Error";
    static void describe(automation::Members<ScriptError>& m);

    explicit ScriptError(std::shared_ptr<ErrorInfo> info) : info_(std::move(info)) {}

    int32_t Number() const { return info_->Number; }
    std::string Description() const { return info_->Description; }
    std::string Source() const { return info_->Source; }
    int32_t Line() const { return info_->Line; }
    int32_t Column() const { return info_->Column; }
    std::string Text() const { return info_->Text; }
    void Clear() { *info_ = ErrorInfo{}; }

private:
    std::shared_ptr<ErrorInfo> info_;
};

// One module of the control: its own namespace of definitions; names it does not define
// are looked up in the global module.
class Module : public automation::Dispatch<Module> {
public:
    static constexpr std::string_view className = "Module";
    static void describe(automation::Members<Module>& m);

    Module(std::weak_ptr<Engine> engine, std::shared_ptr<ModuleData> data, std::shared_ptr<ErrorInfo> error);

    std::string Name() const;
    void AddCode(const std::string& code);
    // Calls a procedure of the module; arguments are passed by reference (written back).
    vb::Variant Run(const std::string& procedure, vb::Args args);
    vb::Variant Eval(const std::string& expression);
    void ExecuteStatement(const std::string& statement);

private:
    std::shared_ptr<Engine> engine() const;

    std::weak_ptr<Engine> engine_;
    std::shared_ptr<ModuleData> data_;
    std::shared_ptr<ErrorInfo> error_;
};

// The control's `Modules` collection: Add, Item (the default member, by name or index from 1), Count.
class Modules : public automation::Dispatch<Modules> {
public:
    static constexpr std::string_view className = "Modules";
    static void describe(automation::Members<Modules>& m);

    Modules(std::weak_ptr<Engine> engine, std::shared_ptr<ErrorInfo> error)
        : engine_(std::move(engine)), error_(std::move(error)) {}

    vb::ObjectRef Add(const std::string& name);
    // Error 9 "Subscript out of range" for an unknown name or index.
    vb::ObjectRef Item(const vb::Variant& nameOrIndex);
    int32_t Count() const;
    std::unique_ptr<vb::Enumerator> enumerate() override;

private:
    std::shared_ptr<Engine> engine() const;

    std::weak_ptr<Engine> engine_;
    std::shared_ptr<ErrorInfo> error_;
};

class ScriptControl : public automation::Dispatch<ScriptControl> {
public:
    static constexpr std::string_view className = "ScriptControl";
    static void describe(automation::Members<ScriptControl>& m);

    // A steady clock for the time-out; tests give their own.
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // Where MsgBox texts go (nowhere until set).
    using Log = std::function<void(const std::string&)>;

    ScriptControl();
    ~ScriptControl() override;

    // "VBScript"; any other language raises 5.
    std::string Language() const { return "VBScript"; }
    void setLanguage(const std::string& language);
    int32_t Timeout() const;
    void setTimeout(int32_t milliseconds);
    bool AllowUI() const { return allowUI_; }
    void setAllowUI(bool allow) { allowUI_ = allow; }
    bool UseSafeSubset() const { return false; }
    void setUseSafeSubset(bool) {}

    // Makes `object` a global name of every module; with addMembers its members are global
    // names too (after the scripts' own names and the objects' names).
    void AddObject(const std::string& name, vb::ObjectRef object, bool addMembers = false);
    // Compiles the whole text into the global module (a syntax error adds nothing), then runs
    // its top-level statements.
    void AddCode(const std::string& code);
    vb::Variant Run(const std::string& procedure, vb::Args args);
    vb::Variant Eval(const std::string& expression);
    void ExecuteStatement(const std::string& statement);
    // Drops all code, all modules but the global one, and every added object.
    void Reset();
    // The Modules collection; with a name or index, that module (Modules("Main")).
    vb::ObjectRef Modules(const vb::Variant& nameOrIndex = vb::Variant::missing());
    vb::ObjectRef Error();
    // The last error, for C++ callers.
    const ErrorInfo& lastError() const { return *error_; }

    void setClock(Clock clock);
    void setLog(Log log);
    // For a host that is ending: calling the answer, from any thread and also after the
    // control is gone, stops the script running now at its next loop step or procedure call
    // (as a time-out does) and every script from then on.
    std::function<void()> canceller();

private:
    std::shared_ptr<Engine> engine_;
    std::shared_ptr<ErrorInfo> error_;
    vb::ObjectRef errorObject_;
    vb::ObjectRef modules_;
    bool allowUI_ = true;
};

// Registers "MSScriptControl.ScriptControl", "Scripting.FileSystemObject", "VBScript.RegExp"
// and the picture resizer "SfImageResize.ImageResize" with automation::CreateObject (repeated
// calls do nothing more).
void registerClasses();

}  // namespace script
