#pragma once
// The interpreter behind the script control: modules of named definitions, the objects the
// host added, and the evaluation of parsed programs. Internal to the script layer; the
// control (ScriptControl.h) is the contract.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include <boost/container/small_vector.hpp>

#include "script/Ast.h"
#include "vb/Err.h"
#include "vb/Object.h"

namespace script {

class Engine;
class ScriptObject;
struct Builtin;

// What a module name stands for.
struct Binding {
    enum Kind : uint8_t { Variable, Constant, Procedure, Class } kind = Variable;
    std::shared_ptr<vb::Variant> cell;  // Variable, Constant
    ast::ProcedurePtr procedure;
    ast::ClassPtr cls;
};

// One namespace of definitions (the global module or a named one).
struct ModuleData {
    std::string name;
    std::unordered_map<std::string, Binding> names;  // by folded name
};
using ModulePtr = std::shared_ptr<ModuleData>;

// What text run by Execute added to a procedure's frame: variables and procedures (the
// procedures are called only from that frame, as the language has it).
struct FrameExtras {
    ast::FrameNames names;
    std::deque<vb::Variant> storage;  // the added slots' variables (a deque: they never move)
    std::unordered_map<std::string, ast::ProcedurePtr> procedures;
};

// The running procedure (or a module's top-level code).
struct Frame {
    Frame(ModulePtr m, const ast::Procedure* p, ScriptObject* self) : module(std::move(m)), procedure(p), me(self) {}

    ModulePtr module;
    const ast::Procedure* procedure;  // null for top-level code
    ScriptObject* me;                 // the object of a method
    vb::ObjectRef keepMe;             // holds `me` while its method runs
    std::vector<vb::Variant> storage;
    std::vector<vb::Variant*> slots;  // each local: its own storage or a ByRef argument's variable
    std::vector<vb::Variant> with;    // With targets, innermost last
    bool resumeNext = false;
    bool optionExplicit = false;
    // The undeclared names' slots that became the procedure's own variables: from then on the
    // name means that variable, even when a module variable of its name appears later.
    std::vector<uint8_t> live;
    std::unique_ptr<FrameExtras> extras;

    // The procedure's own variable an undeclared name stands for, if it has become one.
    vb::Variant* own(const ast::NameRef& ref) const noexcept {
        auto slot = static_cast<std::size_t>(ref.implicitSlot);
        return ref.implicitSlot >= 0 && slot < live.size() && live[slot] ? slots[slot] : nullptr;
    }
    void makeOwn(int32_t slot) {
        auto at = static_cast<std::size_t>(slot);
        if (live.size() <= at) live.resize(std::max(slots.size(), at + 1));
        live[at] = 1;
    }
};

// The script ran past its time-out (not an error a script can handle).
struct Interrupt {};

// A run-time error's place in the source.
struct Location {
    int32_t line = 0;
    int32_t column = 0;
};

// One evaluated argument of a call: a variable passed by reference, or a value.
struct Arg {
    vb::Variant* ref = nullptr;         // the caller's variable (ByRef)
    std::shared_ptr<vb::Variant> keep;  // keeps a module variable alive during the call
    vb::ObjectRef keepObject;           // keeps the object owning a field alive
    vb::Variant value;                  // the value when not by reference
    // The array `ref` is an element of: locked while the element is bound (no ReDim or Erase
    // may move it), unlocked when the argument goes or is passed by value.
    vb::Array* locked = nullptr;

    Arg() = default;
    Arg(Arg&& o) noexcept
        : ref(o.ref),
          keep(std::move(o.keep)),
          keepObject(std::move(o.keepObject)),
          value(std::move(o.value)),
          locked(std::exchange(o.locked, nullptr)) {}
    Arg& operator=(Arg&& o) noexcept {
        if (this != &o) {
            unlock();
            ref = o.ref;
            keep = std::move(o.keep);
            keepObject = std::move(o.keepObject);
            value = std::move(o.value);
            locked = std::exchange(o.locked, nullptr);
        }
        return *this;
    }
    ~Arg() { unlock(); }
    void unlock() noexcept;

    vb::Variant& get() { return ref ? *ref : value; }
};
// Most calls pass a few arguments: those live in the list itself, not on the heap.
using ArgList = boost::container::small_vector<Arg, 3>;

class Engine : public std::enable_shared_from_this<Engine> {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using Log = std::function<void(const std::string&)>;

    Engine();
    ~Engine();

    // Settings.
    int32_t timeoutMs = 10000;  // <= 0: none
    Clock clock;
    Log log;

    // What GetLocale answers and SetLocale changes (English - United States). Dates and
    // numbers keep their one format whatever it is.
    int32_t locale = kDefaultLocale;
    static constexpr int32_t kDefaultLocale = 1033;

    // The script's own Err object.
    vb::ErrObject err;

    // Modules.
    ModulePtr globalModule() const { return global_; }
    ModulePtr findModule(std::string_view name) const;
    ModulePtr addModule(std::string_view name);
    std::vector<ModulePtr> modules() const;

    // Host objects: named globals; with members, their members are global names too.
    void addObject(std::string_view name, vb::ObjectRef object, bool members);

    // Drops every module's code, the named modules and the host objects.
    void reset();

    // The operations of the control on one module; they raise SyntaxError, vb::Error or Interrupt.
    void addCode(const ModulePtr& m, std::string_view text);
    vb::Variant run(const ModulePtr& m, std::string_view procedure, vb::Args args);
    vb::Variant eval(const ModulePtr& m, std::string_view expression);
    void executeStatement(const ModulePtr& m, std::string_view statement);

    // Where the last run-time error that escaped a script happened; taking it leaves none
    // recorded, so that a host that drops an error of a nested entry leaves no stale place.
    Location takeErrorLocation();

    // Set from any thread: every script stops at its next loop step or procedure call, as
    // at a time-out. Shared so that whoever holds it may outlive the engine.
    std::shared_ptr<std::atomic<bool>> canceled = std::make_shared<std::atomic<bool>>(false);

    // Called by script objects and procedure references when a host calls them.
    vb::Variant invokeMember(ScriptObject& self, int32_t member, vb::CallKind kind, vb::Args args);
    vb::Variant invokeProcedure(const ModulePtr& m, const ast::Procedure& p, vb::Args args);
    void terminate(ScriptObject& self);
    // Script objects tell the engine when they go (so Reset can break cycles among the rest).
    void forget(ScriptObject* object) { live_.erase(object); }

    // Used by the built-in functions.
    vb::Variant evalIn(Frame& f, std::string_view expression);
    void executeIn(Frame& f, std::string_view statements, bool global);
    vb::ObjectRef procedureReference(Frame& f, std::string_view name);
    vb::ObjectRef errObject();
    vb::ObjectRef createObject(std::string_view progId);
    void message(const std::string& text);
    [[noreturn]] void undefined(int32_t number, const std::string& name);

    // Guards one entry from the host: deadline, stack budget, error place. An entry made while
    // a script runs (a host calling back into the engine) keeps the outer error place unless
    // its own error escapes.
    class Entry {
    public:
        explicit Entry(Engine& e);
        ~Entry();

    private:
        Engine& e_;
        int uncaught_ = 0;
        bool outerLocated_ = false;
        Location outerLocation_;
        const std::atomic<bool>* outerCancel_ = nullptr;
    };

private:
    friend class Entry;
    struct Found;

    // Definitions.
    void define(const ModulePtr& m, ast::Program& program);
    void runTopLevel(const ModulePtr& m, ast::Program& program);

    // Statements.
    enum class Flow : uint8_t { Normal, ExitDo, ExitFor, ExitProcedure };
    Flow execBlock(const ast::Block& b, Frame& f);
    // Under On Error Resume Next, keeps the error under way in Err and answers true (the
    // statement goes on); otherwise answers false, the error to be thrown on.
    bool resumed(const ast::Stmt& s, Frame& f);
    Flow exec(const ast::Stmt& s, Frame& f);
    Flow execIf(const ast::If& s, Frame& f);
    Flow execSelect(const ast::Select& s, Frame& f);
    Flow execFor(const ast::For& s, Frame& f);
    Flow execForEach(const ast::ForEach& s, Frame& f);
    Flow execDo(const ast::Do& s, Frame& f);
    Flow execWith(const ast::With& s, Frame& f);
    void execAppend(const ast::Assign& a, Frame& f);
    bool assignWhole(const ast::Assign& a, Frame& f);
    static constexpr int kMaxAppendParts = 8;
    bool appendInPlace(const ast::Assign& a, const ast::Expr* const* parts, int n, Frame& f);
    void execDim(const ast::Dim& s, Frame& f);
    void execReDim(const ast::ReDim& s, Frame& f);
    void execErase(const ast::Erase& s, Frame& f);
    void execConst(const ast::Const& s, Frame& f);
    void execOnError(const ast::OnError& s, Frame& f);

    // Expressions.
    vb::Variant eval(const ast::Expr& e, Frame& f);
    vb::Variant evalName(const ast::NameRef& ref, Frame& f);
    vb::Variant evalMember(const ast::Member& m, Frame& f);
    vb::Variant evalBinary(const ast::Binary& b, Frame& f);
    vb::Variant concatLiteral(const ast::Binary& b, Frame& f);
    // The value of `e` where it lives (a local, a literal), or evaluated into `held`.
    const vb::Variant& operand(const ast::Expr& e, Frame& f, vb::Variant& held);
    bool isPlain(const ast::Expr& e) const;
    bool isConstant(const ast::Expr& e, Frame& f);
    vb::Variant evalNew(const ast::New& n, Frame& f);
    bool truth(const ast::Expr& e, Frame& f);
    // `parens`: the name was written with parentheses (`x()`), not bare as a statement (`x`).
    vb::Variant call(const ast::Expr& target, const std::vector<ast::ExprPtr>& args, Frame& f, bool parens = true);
    vb::Variant withTarget(Frame& f);
    vb::Variant objectOf(const ast::Expr* object, Frame& f);

    // Names.
    Found lookup(const ast::NameRef& ref, const ModulePtr& m);
    Binding* knownCell(const ast::NameRef& ref) const noexcept;
    vb::Variant* variable(const ast::NameRef& ref, Frame& f, Arg* keep, bool create);
    void assignName(const ast::NameRef& ref, vb::Variant value, bool isSet, Frame& f);
    void assign(const ast::Expr& target, vb::Variant value, bool isSet, Frame& f);

    // Calls.
    ArgList evalArgs(const std::vector<ast::ExprPtr>& args, Frame& f);
    void evalArg(const ast::Expr& e, Frame& f, Arg& out);
    // Slots for the names an Execute or Eval text added to the frame.
    static void growFrame(Frame& f);
    static FrameExtras& extrasOf(Frame& f);
    // A procedure text run by Execute defined in this frame, or null.
    static const ast::ProcedurePtr* frameProcedure(const Frame& f, const ast::NameRef& ref);
    vb::Variant callProcedure(const ModulePtr& m, const ast::Procedure& p, ScriptObject* me, ArgList& args);
    vb::Variant callMember(ScriptObject& self, int32_t member, vb::CallKind kind, ArgList& args);
    // `from`: the class whose method makes the call (its private members are reachable).
    vb::Variant callObject(const vb::Variant& object, const std::string& name, const ast::Member* site,
                           vb::CallKind kind, ArgList& args, const ast::ClassDef* from = nullptr);
    // A call of a host object's member that writes to none of its arguments, at a site that
    // knows the member: the arguments' values go straight to the object, with no records.
    vb::Variant callByValue(vb::Object& object, const ast::Member& site, const std::vector<ast::ExprPtr>& args,
                            Frame& f);
    // Invokes a host object's member; `indexed` is set when the member took no arguments and
    // what it answered was indexed with them instead (the arguments are then used up).
    vb::Variant invokeHost(vb::Object& o, vb::DispId id, vb::CallKind kind, vb::Args values, ArgList* args,
                           const std::string& name, bool& indexed);
    vb::Variant callBuiltin(const Builtin& b, ArgList& args, Frame& f);
    vb::Variant indexValue(const vb::Variant& value, ArgList& args, const std::string& name, bool parens = false);
    std::vector<int32_t> indicesOf(ArgList& args);

    // Empties the variables of every live script object, so that objects referring to each
    // other (which reference counting never frees) go with the control or its Reset.
    void breakCycles();

    // Limits.
    void tick();
    void enterCall();

    ModulePtr global_;
    std::vector<ModulePtr> named_;
    struct Added {
        std::string name;
        vb::ObjectRef object;
        bool members = false;
    };
    std::vector<std::unique_ptr<Added>> objects_;
    uint64_t generation_ = 1;

    int entries_ = 0;
    int callDepth_ = 0;
    bool hasDeadline_ = false;
    std::chrono::steady_clock::time_point deadline_;
    uint32_t ticks_ = 0;
    const char* stackBase_ = nullptr;
    bool located_ = false;
    Location location_;
    vb::ObjectRef errObject_;
    std::unordered_set<ScriptObject*> live_;
};

// Every text the engine reports.
namespace texts {
constexpr const char* RuntimeSource = "Microsoft VBScript runtime error";
constexpr const char* CompileSource = "Microsoft VBScript compilation error";
constexpr const char* Language = "VBScript";
}  // namespace texts

}  // namespace script
