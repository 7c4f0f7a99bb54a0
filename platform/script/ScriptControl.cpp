#include "script/ScriptControl.h"

#include <mutex>

#include "automation/Registry.h"
#include "script/Engine.h"
#include "script/FileSystemObjects.h"
#include "script/ImageResizeObject.h"
#include "script/RegExp.h"
#include "script/SyntaxError.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace script {

namespace {

constexpr const char* kProgId = "MSScriptControl.ScriptControl";
constexpr const char* kFileSystemProgId = "Scripting.FileSystemObject";

// Line `line` (from 1) of the text, without its line end.
std::string lineOf(std::string_view text, int32_t line) {
    std::size_t start = 0;
    for (int32_t l = 1; l < line; ++l) {
        std::size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) return {};
        start = nl + 1;
    }
    std::size_t end = text.find_first_of("\r\n", start);
    return std::string(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

// Runs one operation of the control: its failure fills the error and raises it to the caller.
template <class F>
auto guarded(Engine& engine, ErrorInfo& info, std::string_view code, F&& operation) -> decltype(operation()) {
    try {
        return operation();
    } catch (const SyntaxError& s) {
        info = ErrorInfo{s.number(), s.what(), texts::CompileSource, s.line(), s.column(), lineOf(code, s.line())};
    } catch (const Interrupt&) {
        Location at = engine.takeErrorLocation();
        info = ErrorInfo{kTimeoutError, std::string(kTimeoutDescription), texts::RuntimeSource, at.line, at.column, {}};
    } catch (...) {
        vb::Error e = vb::currentError();
        Location at = engine.takeErrorLocation();
        std::string source = e.source().empty() ? std::string(texts::RuntimeSource) : e.source();
        info = ErrorInfo{e.number(), e.description(), source, at.line, at.column, {}};
    }
    throw vb::Error(info.Number, info.Description, info.Source, info.Line);
}

}  // namespace

// ---------------------------------------------------------------- Error

void ScriptError::describe(automation::Members<ScriptError>& m) {
    m.get<&ScriptError::Number>("Number");
    m.get<&ScriptError::Description>("Description");
    m.get<&ScriptError::Source>("Source");
    m.get<&ScriptError::Line>("Line");
    m.get<&ScriptError::Column>("Column");
    m.get<&ScriptError::Text>("Text");
    m.method<&ScriptError::Clear>("Clear");
    m.defaultMember("Number");
}

// ---------------------------------------------------------------- Module

void Module::describe(automation::Members<Module>& m) {
    m.get<&Module::Name>("Name");
    m.method<&Module::AddCode>("AddCode");
    m.method<&Module::Run>("Run");
    m.method<&Module::Eval>("Eval");
    m.method<&Module::ExecuteStatement>("ExecuteStatement");
    m.defaultMember("Name");
}

Module::Module(std::weak_ptr<Engine> engine, std::shared_ptr<ModuleData> data, std::shared_ptr<ErrorInfo> error)
    : engine_(std::move(engine)), data_(std::move(data)), error_(std::move(error)) {}

std::shared_ptr<Engine> Module::engine() const {
    std::shared_ptr<Engine> e = engine_.lock();
    if (!e) vb::raise(vb::errors::ObjectNotSet);
    return e;
}

std::string Module::Name() const { return data_->name; }

void Module::AddCode(const std::string& code) {
    auto e = engine();
    guarded(*e, *error_, code, [&] { e->addCode(data_, code); });
}

vb::Variant Module::Run(const std::string& procedure, vb::Args args) {
    auto e = engine();
    return guarded(*e, *error_, {}, [&] { return e->run(data_, procedure, args); });
}

vb::Variant Module::Eval(const std::string& expression) {
    auto e = engine();
    return guarded(*e, *error_, expression, [&] { return e->eval(data_, expression); });
}

void Module::ExecuteStatement(const std::string& statement) {
    auto e = engine();
    guarded(*e, *error_, statement, [&] { e->executeStatement(data_, statement); });
}

// ---------------------------------------------------------------- Modules

void Modules::describe(automation::Members<Modules>& m) {
    m.method<&Modules::Add>("Add");
    m.get<&Modules::Item>("Item");
    m.get<&Modules::Count>("Count");
    m.defaultMember("Item");
}

std::shared_ptr<Engine> Modules::engine() const {
    std::shared_ptr<Engine> e = engine_.lock();
    if (!e) vb::raise(vb::errors::ObjectNotSet);
    return e;
}

vb::ObjectRef Modules::Add(const std::string& name) {
    auto e = engine();
    return std::make_shared<Module>(e, e->addModule(name), error_);
}

vb::ObjectRef Modules::Item(const vb::Variant& nameOrIndex) {
    auto e = engine();
    ModulePtr m;
    if (nameOrIndex.isString()) {
        m = e->findModule(nameOrIndex.str());
    } else {
        int32_t index = vb::CLng(nameOrIndex);
        std::vector<ModulePtr> all = e->modules();
        if (index >= 1 && index <= static_cast<int32_t>(all.size())) m = all[static_cast<std::size_t>(index - 1)];
    }
    if (!m) vb::raise(vb::errors::SubscriptOutOfRange);
    return std::make_shared<Module>(e, m, error_);
}

int32_t Modules::Count() const { return static_cast<int32_t>(engine()->modules().size()); }

std::unique_ptr<vb::Enumerator> Modules::enumerate() {
    auto e = engine();
    std::vector<vb::Variant> all;
    for (const ModulePtr& m : e->modules()) all.emplace_back(vb::ObjectRef(std::make_shared<Module>(e, m, error_)));
    return vb::enumerateValues(std::move(all));
}

// ---------------------------------------------------------------- ScriptControl

void ScriptControl::describe(automation::Members<ScriptControl>& m) {
    m.property<&ScriptControl::Language, &ScriptControl::setLanguage>("Language");
    m.property<&ScriptControl::Timeout, &ScriptControl::setTimeout>("Timeout");
    m.property<&ScriptControl::AllowUI, &ScriptControl::setAllowUI>("AllowUI");
    m.property<&ScriptControl::UseSafeSubset, &ScriptControl::setUseSafeSubset>("UseSafeSubset");
    m.method<&ScriptControl::AddObject>("AddObject", 2);
    m.method<&ScriptControl::AddCode>("AddCode");
    m.method<&ScriptControl::Run>("Run");
    m.method<&ScriptControl::Eval>("Eval");
    m.method<&ScriptControl::ExecuteStatement>("ExecuteStatement");
    m.method<&ScriptControl::Reset>("Reset");
    m.get<&ScriptControl::Modules>("Modules", 0);
    m.get<&ScriptControl::Error>("Error");
}

ScriptControl::ScriptControl() : engine_(std::make_shared<Engine>()), error_(std::make_shared<ErrorInfo>()) {
    registerClasses();
    errorObject_ = std::make_shared<ScriptError>(error_);
    modules_ = std::make_shared<script::Modules>(engine_, error_);
}

ScriptControl::~ScriptControl() = default;

void ScriptControl::setLanguage(const std::string& language) {
    if (vb::compareStrings(language, "VBScript", vb::CompareMethod::Text) != 0)
        vb::raise(vb::errors::InvalidProcedureCall);
}

int32_t ScriptControl::Timeout() const { return engine_->timeoutMs; }
void ScriptControl::setTimeout(int32_t milliseconds) { engine_->timeoutMs = milliseconds; }

void ScriptControl::AddObject(const std::string& name, vb::ObjectRef object, bool addMembers) {
    if (name.empty()) vb::raise(vb::errors::InvalidProcedureCall);
    engine_->addObject(name, std::move(object), addMembers);
}

void ScriptControl::AddCode(const std::string& code) {
    guarded(*engine_, *error_, code, [&] { engine_->addCode(engine_->globalModule(), code); });
}

vb::Variant ScriptControl::Run(const std::string& procedure, vb::Args args) {
    return guarded(*engine_, *error_, {}, [&] { return engine_->run(engine_->globalModule(), procedure, args); });
}

vb::Variant ScriptControl::Eval(const std::string& expression) {
    return guarded(*engine_, *error_, expression, [&] { return engine_->eval(engine_->globalModule(), expression); });
}

void ScriptControl::ExecuteStatement(const std::string& statement) {
    guarded(*engine_, *error_, statement, [&] { engine_->executeStatement(engine_->globalModule(), statement); });
}

void ScriptControl::Reset() { engine_->reset(); }

vb::ObjectRef ScriptControl::Modules(const vb::Variant& nameOrIndex) {
    if (nameOrIndex.isMissing()) return modules_;
    return static_cast<script::Modules&>(*modules_).Item(nameOrIndex);
}
vb::ObjectRef ScriptControl::Error() { return errorObject_; }

void ScriptControl::setClock(Clock clock) { engine_->clock = std::move(clock); }

std::function<void()> ScriptControl::canceller() {
    return [canceled = engine_->canceled] { canceled->store(true, std::memory_order_relaxed); };
}
void ScriptControl::setLog(Log log) { engine_->log = std::move(log); }

void registerClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        automation::registerClass<ScriptControl>(kProgId);
        automation::registerClass(kFileSystemProgId, [] { return vb::ObjectRef(makeFileSystemObject()); });
        automation::registerClass(kRegExpProgId, [] { return makeRegExp(); });
        automation::registerClass(kImageResizeProgId, [] { return makeImageResize(); });
    });
}

}  // namespace script
