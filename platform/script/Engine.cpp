#include "script/Engine.h"

#include <pthread.h>

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

#include "automation/Registry.h"
#include "script/Builtins.h"
#include "script/ErrObject.h"
#include "script/Parser.h"
#include "script/RegExp.h"
#include "script/ScriptControl.h"
#include "script/ScriptObject.h"
#include "script/SyntaxError.h"
#include "vb/Array.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "vb/Operators.h"

namespace script {

using namespace ast;

namespace {

// Script procedures calling each other deeper than this get the language's out-of-stack error
// instead of overrunning the thread's stack.
constexpr int kMaxCallDepth = 1000;
// Room kept free on the thread's stack below the deepest script call.
constexpr std::size_t kStackReserve = std::size_t{2} << 20;

constexpr int32_t kVariableUndefined = 500;
constexpr int32_t kIllegalAssignment = 501;
constexpr int32_t kUnqualifiedReference = 505;
constexpr int32_t kClassNotDefined = 506;
constexpr int32_t kOutOfStackSpace = 28;
constexpr int32_t kProcedureNotDefined = 35;

// How much stack the calling thread may use for scripts.
std::size_t stackBudget() {
    thread_local std::size_t budget = [] {
        std::size_t size = std::size_t{8} << 20;
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            std::size_t s = 0;
            if (pthread_attr_getstacksize(&attr, &s) == 0 && s > 0) size = s;
            pthread_attr_destroy(&attr);
        }
        return size > kStackReserve * 2 ? size - kStackReserve : size / 2;
    }();
    return budget;
}

// Replaces a variable's value; the old value goes only afterwards, so that a Class_Terminate
// it sets off sees the variable already changed.
void store(vb::Variant& cell, vb::Variant value) {
    vb::Variant old = std::move(cell);
    cell = std::move(value);
}

bool isLetOrSet(vb::CallKind kind) { return (kind & (vb::PropertyLet | vb::PropertySet)) != 0; }

vb::Variant compareResult(Op op, const vb::Variant& l, const vb::Variant& r, vb::MixedCompare mixed) {
    const auto bin = vb::CompareMethod::Binary;
    switch (op) {
    case Op::Eq: return vb::equal(l, r, bin, mixed);
    case Op::Ne: return vb::notEqual(l, r, bin, mixed);
    case Op::Lt: return vb::less(l, r, bin, mixed);
    case Op::Gt: return vb::greater(l, r, bin, mixed);
    case Op::Le: return vb::lessOrEqual(l, r, bin, mixed);
    case Op::Ge: return vb::greaterOrEqual(l, r, bin, mixed);
    default: return vb::Variant(false);
    }
}

// An element by its indices (`a()` of an array without dimensions is out of range).
template <class A>
auto& element(A& array, const std::vector<int32_t>& indices) {
    return array.at(std::span<const int32_t>(indices));
}

const ClassDef* classOf(const Frame& f) { return f.me ? &f.me->cls() : nullptr; }

// The values of a host object's arguments, for the call to take and write back to; a few
// live on the stack.
class ArgValues {
public:
    explicit ArgValues(ArgList& args) : n_(args.size()) {
        if (n_ > kInline) heap_.reserve(n_);
        for (std::size_t i = 0; i < n_; ++i) {
            if (n_ > kInline) heap_.push_back(args[i].get());
            else inline_[i] = args[i].get();
        }
    }
    std::span<vb::Variant> span() {
        return n_ > kInline ? std::span<vb::Variant>(heap_) : std::span<vb::Variant>(inline_, n_);
    }
    vb::Variant& operator[](std::size_t i) { return span()[i]; }

private:
    static constexpr std::size_t kInline = 4;
    std::size_t n_;
    vb::Variant inline_[kInline];
    std::vector<vb::Variant> heap_;
};

constexpr std::size_t kValueArgs = 4;

// Arguments a by-value call can take without records: a few, each a local variable (read once
// all are evaluated, as a reference would be) or an expression that is not a name.
bool plainArguments(const std::vector<ExprPtr>& args) {
    if (args.size() > kValueArgs) return false;
    for (const ExprPtr& a : args)
        if (a->kind == ExprKind::Name && static_cast<const Name&>(*a).ref.scope != Scope::Local) return false;
    return true;
}

// A value as a Double, the common kinds without a call.
double number(const vb::Variant& v) {
    switch (v.kind()) {
    case vb::VarKind::Integer: return v.integer();
    case vb::VarKind::Long: return v.lng();
    case vb::VarKind::Double: return v.dbl();
    default: return vb::toDouble(v);
    }
}

bool isLiteral(const Expr& e) {
    return e.kind == ExprKind::Literal ||
           (e.kind == ExprKind::Unary && static_cast<const Unary&>(e).operand->kind == ExprKind::Literal);
}

// A whole number put in a variable that holds no text, object or array (nothing to release).
void setPlain(vb::Variant& cell, vb::Variant value) noexcept {
    std::destroy_at(&cell);
    std::construct_at(&cell, std::move(value));
}

bool holdsNothing(const vb::Variant& v) noexcept { return !v.isString() && !v.isObject() && !v.isArray(); }

bool isWhole(const vb::Variant& v) noexcept {
    return v.kind() == vb::VarKind::Integer || v.kind() == vb::VarKind::Long;
}

// A counter of whole numbers moved on by its step where it is, the kind as vb::add gives it;
// false when the sum leaves the kind (or the values are of other kinds): vb::add decides then.
bool stepWhole(vb::Variant& counter, const vb::Variant& step) {
    if (counter.kind() == vb::VarKind::Integer && step.kind() == vb::VarKind::Integer) {
        int32_t v = int32_t{counter.integer()} + step.integer();
        if (v < INT16_MIN || v > INT16_MAX) return false;
        setPlain(counter, vb::Variant(static_cast<int16_t>(v)));
        return true;
    }
    if (counter.kind() == vb::VarKind::Long &&
        (step.kind() == vb::VarKind::Long || step.kind() == vb::VarKind::Integer)) {
        int64_t v = int64_t{counter.lng()} + (step.kind() == vb::VarKind::Long ? step.lng() : step.integer());
        if (v < INT32_MIN || v > INT32_MAX) return false;
        setPlain(counter, vb::Variant(static_cast<int32_t>(v)));
        return true;
    }
    return false;
}

}  // namespace

struct Engine::Found {
    enum Kind : uint8_t { None, Bound, Object, ObjectMember, BuiltinFn } kind = None;
    Binding* binding = nullptr;
    bool inGlobal = false;  // found in the global module from a named one
    Added* object = nullptr;
    vb::DispId id = 0;
    const Builtin* builtin = nullptr;
};

// ---------------------------------------------------------------- set-up

Engine::Engine() : clock([] { return std::chrono::steady_clock::now(); }), global_(std::make_shared<ModuleData>()) {
    global_->name = "Global";
}

Engine::~Engine() {
    // Objects made by scripts may outlive the engine; they see it gone and skip Class_Terminate.
    breakCycles();
}

void Engine::breakCycles() {
    std::vector<vb::ObjectRef> alive;
    for (ScriptObject* o : live_)
        if (vb::ObjectRef r = o->weak_from_this().lock()) alive.push_back(std::move(r));
    std::vector<vb::Variant> garbage;
    for (vb::ObjectRef& r : alive)
        for (vb::Variant& field : static_cast<ScriptObject&>(*r).fields) garbage.push_back(std::move(field));
    garbage.clear();
    alive.clear();
}

ModulePtr Engine::findModule(std::string_view name) const {
    std::string f = foldName(name);
    if (f == foldName(global_->name)) return global_;
    for (const ModulePtr& m : named_)
        if (foldName(m->name) == f) return m;
    return nullptr;
}

ModulePtr Engine::addModule(std::string_view name) {
    std::string f = foldName(name);
    if (f == foldName(global_->name)) return global_;
    // Adding a module of a name already there starts it afresh: the old code goes.
    named_.erase(
        std::remove_if(named_.begin(), named_.end(), [&](const ModulePtr& m) { return foldName(m->name) == f; }),
        named_.end());
    auto m = std::make_shared<ModuleData>();
    m->name = std::string(name);
    named_.push_back(m);
    ++generation_;
    return m;
}

std::vector<ModulePtr> Engine::modules() const {
    std::vector<ModulePtr> all{global_};
    all.insert(all.end(), named_.begin(), named_.end());
    return all;
}

void Engine::addObject(std::string_view name, vb::ObjectRef object, bool members) {
    std::string f = foldName(name);
    for (auto& a : objects_) {
        if (foldName(a->name) == f) {
            a->object = std::move(object);
            a->members = members;
            ++generation_;
            return;
        }
    }
    auto a = std::make_unique<Added>();
    a->name = std::string(name);
    a->object = std::move(object);
    a->members = members;
    objects_.push_back(std::move(a));
    ++generation_;
}

void Engine::reset() {
    breakCycles();
    ModulePtr old = std::move(global_);
    std::vector<ModulePtr> oldNamed = std::move(named_);
    std::vector<std::unique_ptr<Added>> oldObjects = std::move(objects_);
    global_ = std::make_shared<ModuleData>();
    global_->name = "Global";
    named_.clear();
    objects_.clear();
    err.Clear();
    ++generation_;
}

// ---------------------------------------------------------------- entries and limits

Engine::Entry::Entry(Engine& e) : e_(e) {
    outerCancel_ = std::exchange(runningScriptCancel(), e_.canceled.get());
    if (e_.entries_++ > 0) {
        uncaught_ = std::uncaught_exceptions();
        outerLocated_ = std::exchange(e_.located_, false);
        outerLocation_ = e_.location_;
        return;
    }
    char probe;
    e_.stackBase_ = &probe;
    e_.callDepth_ = 0;
    e_.located_ = false;
    e_.location_ = {};
    e_.hasDeadline_ = e_.timeoutMs > 0;
    if (e_.hasDeadline_) e_.deadline_ = e_.clock() + std::chrono::milliseconds(e_.timeoutMs);
}

Engine::Entry::~Entry() {
    runningScriptCancel() = outerCancel_;
    if (--e_.entries_ > 0 && std::uncaught_exceptions() == uncaught_) {
        e_.located_ = outerLocated_;
        e_.location_ = outerLocation_;
    }
}

Location Engine::takeErrorLocation() {
    located_ = false;
    return std::exchange(location_, Location{});
}

void Engine::tick() {
    if (canceled->load(std::memory_order_relaxed)) throw Interrupt{};
    if (hasDeadline_ && (++ticks_ & 63u) == 0 && clock() >= deadline_) throw Interrupt{};
}

void Engine::enterCall() {
    char probe;
    if (callDepth_ >= kMaxCallDepth || (stackBase_ && static_cast<std::size_t>(stackBase_ - &probe) > stackBudget()))
        vb::raise(kOutOfStackSpace);
    ++callDepth_;
    tick();
}

// The error of a name the script uses but nothing defines, naming it as the language does
// ("Type mismatch: 'Speek'"), so that a misspelling shows in the message.
void Engine::undefined(int32_t number, const std::string& name) {
    if (name.empty()) vb::raise(number);
    throw vb::Error(number, std::string(vb::errors::standardDescription(number)) + ": '" + name + "'");
}

// ---------------------------------------------------------------- operations

void Engine::addCode(const ModulePtr& m, std::string_view text) {
    Entry entry(*this);
    std::unique_ptr<Program> program = parseProgram(text);
    define(m, *program);
    runTopLevel(m, *program);
}

void Engine::define(const ModulePtr& m, Program& program) {
    for (const ClassPtr& c : program.classes) {
        Binding& b = m->names[c->folded];
        b = Binding{};
        b.kind = Binding::Class;
        b.cls = c;
    }
    for (const ProcedurePtr& p : program.procedures) {
        Binding& b = m->names[p->folded];
        b = Binding{};
        b.kind = Binding::Procedure;
        b.procedure = p;
    }
    for (const std::string& v : program.variables) {
        Binding& b = m->names[v];
        if (b.kind == Binding::Variable && b.cell) continue;  // a second Dim keeps the value
        b = Binding{};
        b.kind = Binding::Variable;
        b.cell = std::make_shared<vb::Variant>();
    }
    ++generation_;
    Frame f(m, nullptr, nullptr);
    for (const Const* c : program.constants) {
        vb::Variant value = eval(*c->value, f);
        Binding& b = m->names[c->ref.folded];
        b = Binding{};
        b.kind = Binding::Constant;
        b.cell = std::make_shared<vb::Variant>(std::move(value));
    }
    ++generation_;
}

void Engine::runTopLevel(const ModulePtr& m, Program& program) {
    Frame f(m, nullptr, nullptr);
    f.optionExplicit = program.optionExplicit;
    execBlock(program.statements, f);
}

vb::Variant Engine::run(const ModulePtr& m, std::string_view procedure, vb::Args args) {
    Entry entry(*this);
    std::string f = foldName(procedure);
    ModulePtr where = m;
    auto it = m->names.find(f);
    if ((it == m->names.end() || it->second.kind != Binding::Procedure) && m != global_) {
        where = global_;
        it = global_->names.find(f);
    }
    if (it == where->names.end() || it->second.kind != Binding::Procedure)
        undefined(kProcedureNotDefined, std::string(procedure));
    ProcedurePtr p = it->second.procedure;
    ArgList list(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) list[i].ref = &args[i];
    return callProcedure(where, *p, nullptr, list);
}

vb::Variant Engine::eval(const ModulePtr& m, std::string_view expression) {
    Entry entry(*this);
    ExprPtr e = parseExpression(expression, nullptr);
    Frame f(m, nullptr, nullptr);
    return eval(*e, f);
}

void Engine::executeStatement(const ModulePtr& m, std::string_view statement) {
    Entry entry(*this);
    std::unique_ptr<Program> program = parseProgram(statement);
    define(m, *program);
    runTopLevel(m, *program);
}

FrameExtras& Engine::extrasOf(Frame& f) {
    if (!f.extras) {
        f.extras = std::make_unique<FrameExtras>();
        f.extras->names.nextSlot = static_cast<int32_t>(f.slots.size());
    }
    return *f.extras;
}

void Engine::growFrame(Frame& f) {
    if (!f.extras) return;
    while (static_cast<int32_t>(f.slots.size()) < f.extras->names.nextSlot)
        f.slots.push_back(&f.extras->storage.emplace_back());
}

const ProcedurePtr* Engine::frameProcedure(const Frame& f, const NameRef& ref) {
    if (!f.extras) return nullptr;
    auto it = f.extras->procedures.find(ref.folded);
    return it == f.extras->procedures.end() ? nullptr : &it->second;
}

vb::Variant Engine::evalIn(Frame& f, std::string_view expression) {
    ExprPtr e;
    try {
        e = parseExpression(expression, f.procedure, f.procedure ? &extrasOf(f).names : nullptr);
    } catch (const SyntaxError& s) {
        growFrame(f);
        throw vb::Error(s.number(), s.what());
    }
    growFrame(f);
    return eval(*e, f);
}

// Execute runs its text where it is called: inside a procedure its names are the procedure's
// (what it declares becomes the procedure's, what it defines is called from there only);
// ExecuteGlobal and Execute outside any procedure add to the module.
void Engine::executeIn(Frame& f, std::string_view statements, bool global) {
    std::unique_ptr<Program> program;
    bool inProcedure = !global && f.procedure;
    try {
        program = parseProgram(statements, global ? nullptr : f.procedure, inProcedure ? &extrasOf(f).names : nullptr);
    } catch (const SyntaxError& s) {
        growFrame(f);
        throw vb::Error(s.number(), s.what());
    }
    if (!inProcedure) {
        define(f.module, *program);
        if (global) runTopLevel(f.module, *program);
        else execBlock(program->statements, f);
        return;
    }
    growFrame(f);
    if (!program->classes.empty()) {
        for (const ClassPtr& c : program->classes) {
            Binding& b = f.module->names[c->folded];
            b = Binding{};
            b.kind = Binding::Class;
            b.cls = c;
        }
        ++generation_;
    }
    for (const ProcedurePtr& p : program->procedures) f.extras->procedures[p->folded] = p;
    execBlock(program->statements, f);
}

vb::ObjectRef Engine::procedureReference(Frame& f, std::string_view name) {
    NameRef ref;
    ref.name = std::string(name);
    ref.folded = foldName(name);
    Found x = lookup(ref, f.module);
    if (x.kind != Found::Bound || x.binding->kind != Binding::Procedure) vb::raise(vb::errors::InvalidProcedureCall);
    return std::make_shared<ProcedureReference>(x.binding->procedure, x.inGlobal ? global_ : f.module,
                                                weak_from_this());
}

vb::ObjectRef Engine::errObject() {
    if (!errObject_) errObject_ = std::make_shared<ErrObject>(err);
    return errObject_;
}

vb::ObjectRef Engine::createObject(std::string_view progId) { return automation::CreateObject(progId); }

void Engine::message(const std::string& text) {
    if (log) log(text);
}

vb::Variant Engine::invokeMember(ScriptObject& self, int32_t member, vb::CallKind kind, vb::Args args) {
    Entry entry(*this);
    ArgList list(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) list[i].ref = &args[i];
    try {
        return callMember(self, member, kind, list);
    } catch (const Interrupt&) {
        // A host calling a script object directly sees the time-out as an error.
        if (entries_ == 1) throw vb::Error(kTimeoutError, std::string(kTimeoutDescription), texts::RuntimeSource);
        throw;
    }
}

vb::Variant Engine::invokeProcedure(const ModulePtr& m, const Procedure& p, vb::Args args) {
    Entry entry(*this);
    ArgList list(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) list[i].ref = &args[i];
    try {
        return callProcedure(m, p, nullptr, list);
    } catch (const Interrupt&) {
        if (entries_ == 1) throw vb::Error(kTimeoutError, std::string(kTimeoutDescription), texts::RuntimeSource);
        throw;
    }
}

void Engine::terminate(ScriptObject& self) {
    Entry entry(*this);
    ArgList none;
    callProcedure(self.module(), *self.cls().terminate, &self, none);
}

// ---------------------------------------------------------------- statements

Engine::Flow Engine::execBlock(const Block& b, Frame& f) {
    for (const StmtPtr& s : b) {
        try {
            Flow flow = exec(*s, f);
            if (flow != Flow::Normal) return flow;
        } catch (const Interrupt&) {
            if (!located_) {
                located_ = true;
                location_ = {s->line, s->column};
            }
            throw;
        } catch (...) {
            if (resumed(*s, f)) continue;
            if (!located_) {
                located_ = true;
                location_ = {s->line, s->column};
            }
            throw vb::currentError();
        }
    }
    return Flow::Normal;
}

bool Engine::resumed(const Stmt& s, Frame& f) {
    if (!f.resumeNext) return false;
    vb::Error e = vb::currentError();
    if (e.source().empty()) e.setSource(texts::RuntimeSource);
    if (e.line() == 0) e.setLine(s.line);
    err.set(e);
    located_ = false;
    return true;
}

Engine::Flow Engine::exec(const Stmt& s, Frame& f) {
    switch (s.kind) {
    case StmtKind::Call: {
        const Expr& c = *static_cast<const CallStmt&>(s).call;
        static const std::vector<ExprPtr> none;
        if (c.kind == ExprKind::Call) {
            const auto& call = static_cast<const Call&>(c);
            this->call(*call.target, call.args, f);
        } else {
            this->call(c, none, f, false);
        }
        return Flow::Normal;
    }
    case StmtKind::Assign: {
        const auto& a = static_cast<const Assign&>(s);
        if (a.appends) {
            execAppend(a, f);
            return Flow::Normal;
        }
        if (assignWhole(a, f)) return Flow::Normal;
        vb::Variant value = eval(*a.value, f);
        if (a.isSet) {
            if (!value.isObject()) vb::raise(vb::errors::ObjectRequired);
        } else if (value.isObject()) {
            value = vb::valueOf(value);
        }
        if (a.target->kind == ExprKind::Name) {
            const NameRef& ref = static_cast<const Name&>(*a.target).ref;
            if (ref.scope == Scope::Local && !ref.constant) {
                store(*f.slots[static_cast<std::size_t>(ref.slot)], std::move(value));
                return Flow::Normal;
            }
        }
        assign(*a.target, std::move(value), a.isSet, f);
        return Flow::Normal;
    }
    case StmtKind::Dim: execDim(static_cast<const Dim&>(s), f); return Flow::Normal;
    case StmtKind::ReDim: execReDim(static_cast<const ReDim&>(s), f); return Flow::Normal;
    case StmtKind::Erase: execErase(static_cast<const Erase&>(s), f); return Flow::Normal;
    case StmtKind::Const: execConst(static_cast<const Const&>(s), f); return Flow::Normal;
    case StmtKind::If: return execIf(static_cast<const If&>(s), f);
    case StmtKind::Select: return execSelect(static_cast<const Select&>(s), f);
    case StmtKind::For: return execFor(static_cast<const For&>(s), f);
    case StmtKind::ForEach: return execForEach(static_cast<const ForEach&>(s), f);
    case StmtKind::Do: return execDo(static_cast<const Do&>(s), f);
    case StmtKind::With: return execWith(static_cast<const With&>(s), f);
    case StmtKind::OnError: execOnError(static_cast<const OnError&>(s), f); return Flow::Normal;
    case StmtKind::Exit:
        switch (static_cast<const Exit&>(s).what) {
        case ExitKind::Do: return Flow::ExitDo;
        case ExitKind::For: return Flow::ExitFor;
        default: return Flow::ExitProcedure;
        }
    }
    return Flow::Normal;
}

// `x = a + b` or `x = a - b` into a local, with locals or literals holding whole numbers, and a
// local that holds no text, object or array: the sum goes straight where it belongs.
bool Engine::assignWhole(const Assign& a, Frame& f) {
    if (a.target->kind != ExprKind::Name || a.value->kind != ExprKind::Binary || a.isSet) return false;
    const NameRef& target = static_cast<const Name&>(*a.target).ref;
    if (target.scope != Scope::Local || target.constant) return false;
    const auto& b = static_cast<const Binary&>(*a.value);
    if (b.op != Op::Add && b.op != Op::Sub) return false;
    auto plain = [&](const Expr& e) -> const vb::Variant* {
        if (e.kind == ExprKind::Literal) return &static_cast<const Literal&>(e).value;
        if (e.kind == ExprKind::Name && static_cast<const Name&>(e).ref.scope == Scope::Local)
            return f.slots[static_cast<std::size_t>(static_cast<const Name&>(e).ref.slot)];
        return nullptr;
    };
    const vb::Variant* l = plain(*b.left);
    const vb::Variant* r = plain(*b.right);
    if (!l || !r || !isWhole(*l) || !isWhole(*r)) return false;
    vb::Variant& cell = *f.slots[static_cast<std::size_t>(target.slot)];
    if (!holdsNothing(cell)) return false;
    setPlain(cell, b.op == Op::Add ? vb::add(*l, *r) : vb::subtract(*l, *r));
    return true;
}

// `s = s & a & b`: the operands are evaluated in the order the tree of `&` would take them
// (an object's default value read right after the object), and when the variable alone holds
// its text besides the value just read, the text grows in place: appending costs no copy of
// what is there. Anything else (a text shared with another variable, a variable changed by
// the operands, a target that is not a plain variable) takes the ordinary assignment.
void Engine::execAppend(const Assign& a, Frame& f) {
    constexpr int kMaxParts = kMaxAppendParts;
    const Expr* parts[kMaxParts];
    int n = 0;
    const Expr* e = a.value.get();
    for (; e->kind == ExprKind::Binary && static_cast<const Binary*>(e)->op == Op::Concat; ++n) {
        if (n == kMaxParts) {
            assign(*a.target, eval(*a.value, f), false, f);  // a text value: no default to read
            return;
        }
        parts[n] = static_cast<const Binary*>(e)->right.get();
        e = static_cast<const Binary*>(e)->left.get();
    }
    std::reverse(parts, parts + n);
    if (appendInPlace(a, parts, n, f)) return;
    vb::Variant acc = eval(*e, f);
    if (!acc.isString()) {
        for (int i = 0; i < n; ++i) acc = vb::concatenate(acc, eval(*parts[i], f));
        if (acc.isObject()) acc = vb::valueOf(acc);
        assign(*a.target, std::move(acc), false, f);
        return;
    }
    vb::Variant values[kMaxParts];
    for (int i = 0; i < n; ++i) {
        values[i] = eval(*parts[i], f);
        if (values[i].isObject()) values[i] = vb::valueOf(values[i]);
    }
    const NameRef& ref = static_cast<const Name&>(*a.target).ref;
    vb::Variant* cell = nullptr;
    Arg keep;
    if (!(ref.scope == Scope::Local && ref.constant) && ref.scope != Scope::ClassMember)
        cell = variable(ref, f, &keep, false);
    if (cell && cell->sharesTextOnlyWith(acc)) {
        acc.clear();
        std::string& text = cell->str();
        for (int i = 0; i < n; ++i) vb::concatenateInto(text, values[i]);
        return;
    }
    std::string& text = acc.str();
    for (int i = 0; i < n; ++i) vb::concatenateInto(text, values[i]);
    assign(*a.target, std::move(acc), false, f);
}

// The common case of execAppend: a local holding text and parts that are literals or other
// locals (reading them runs nothing), none of them the variable itself. The text grows where it
// is (copied first only when another variable shares it); a text grown too long is put back.
bool Engine::appendInPlace(const Assign& a, const Expr* const* parts, int n, Frame& f) {
    const NameRef& ref = static_cast<const Name&>(*a.target).ref;
    if (ref.scope != Scope::Local || ref.constant) return false;
    vb::Variant* cell = f.slots[static_cast<std::size_t>(ref.slot)];
    if (!cell->isString()) return false;
    const vb::Variant* values[kMaxAppendParts];
    for (int i = 0; i < n; ++i) {
        const Expr& e = *parts[i];
        if (e.kind == ExprKind::Literal) {
            values[i] = &static_cast<const Literal&>(e).value;
        } else if (e.kind == ExprKind::Name && static_cast<const Name&>(e).ref.scope == Scope::Local) {
            values[i] = f.slots[static_cast<std::size_t>(static_cast<const Name&>(e).ref.slot)];
            if (values[i] == cell) return false;
        } else {
            return false;
        }
        if (values[i]->isObject() || values[i]->isArray()) return false;
    }
    std::string& text = cell->str();
    std::size_t before = text.size();
    try {
        for (int i = 0; i < n; ++i) vb::concatenateInto(text, *values[i]);
    } catch (...) {
        text.resize(before);
        throw;
    }
    return true;
}

bool Engine::truth(const Expr& e, Frame& f) {
    vb::Variant v = eval(e, f);
    if (v.isNull()) return false;
    return vb::CBool(v);
}

Engine::Flow Engine::execIf(const If& s, Frame& f) {
    for (const If::Branch& b : s.branches) {
        bool taken = true;
        try {
            taken = truth(*b.condition, f);
        } catch (const Interrupt&) {
            throw;
        } catch (...) {
            // Resuming after a failed condition goes on with the next statement: the branch's first.
            if (!resumed(s, f)) throw;
        }
        if (taken) return execBlock(b.body, f);
    }
    return execBlock(s.elseBody, f);
}

Engine::Flow Engine::execSelect(const Select& s, Frame& f) {
    vb::Variant test = eval(*s.test, f);
    bool testLiteral = isLiteral(*s.test);
    auto mixedFor = [&](const Expr& e) {
        return testLiteral || isLiteral(e) ? vb::MixedCompare::Convert : vb::MixedCompare::NumberLess;
    };
    auto isTrue = [](const vb::Variant& v) { return v.kind() == vb::VarKind::Boolean && v.boolean(); };
    for (const Select::Case& c : s.cases) {
        for (const ExprPtr& item : c.items) {
            vb::Variant value = eval(*item, f);
            bool match = isTrue(compareResult(Op::Eq, test, value, mixedFor(*item)));
            if (match) return execBlock(c.body, f);
        }
    }
    return execBlock(s.elseBody, f);
}

Engine::Flow Engine::execFor(const For& s, Frame& f) {
    const NameRef& ref = static_cast<const Name&>(*s.counter).ref;
    vb::Variant start = vb::valueOf(eval(*s.start, f));
    vb::Variant end = vb::valueOf(eval(*s.end, f));
    vb::Variant step = s.step ? vb::valueOf(eval(*s.step, f)) : vb::Variant(int16_t{1});
    double last = vb::toDouble(end);
    double by = vb::toDouble(step);
    (void)vb::toDouble(start);
    assignName(ref, start, false, f);
    Arg keep;
    auto counter = [&]() -> vb::Variant& {
        vb::Variant* cell =
            ref.scope == Scope::Local ? f.slots[static_cast<std::size_t>(ref.slot)] : variable(ref, f, &keep, true);
        if (!cell) vb::raise(vb::errors::TypeMismatch);
        return *cell;
    };
    for (;;) {
        double current = number(counter());
        if (by >= 0 ? current > last : current < last) break;
        Flow flow = execBlock(s.body, f);
        if (flow == Flow::ExitFor) break;
        if (flow != Flow::Normal) return flow;
        tick();
        vb::Variant& c = counter();
        if (stepWhole(c, step)) continue;
        vb::Variant next = vb::add(c, step);
        store(counter(), std::move(next));
    }
    return Flow::Normal;
}

Engine::Flow Engine::execForEach(const ForEach& s, Frame& f) {
    const NameRef& ref = static_cast<const Name&>(*s.element).ref;
    vb::Variant group = eval(*s.group, f);
    std::unique_ptr<vb::Enumerator> items = vb::enumerate(group);
    vb::Variant item;
    while (items->next(item)) {
        Arg keep;
        vb::Variant* cell = variable(ref, f, &keep, true);
        bool isObject = item.isObject();
        if (cell) store(*cell, std::move(item));
        else assignName(ref, std::move(item), isObject, f);
        item.clear();
        Flow flow = execBlock(s.body, f);
        if (flow == Flow::ExitFor) break;
        if (flow != Flow::Normal) return flow;
        tick();
    }
    return Flow::Normal;
}

Engine::Flow Engine::execDo(const Do& s, Frame& f) {
    for (;;) {
        if (s.condition && s.testFirst && truth(*s.condition, f) == s.until) break;
        Flow flow = execBlock(s.body, f);
        if (flow == Flow::ExitDo && !s.wend) break;
        if (flow != Flow::Normal) return flow;
        tick();
        if (s.condition && !s.testFirst && truth(*s.condition, f) == s.until) break;
    }
    return Flow::Normal;
}

Engine::Flow Engine::execWith(const With& s, Frame& f) {
    f.with.push_back(eval(*s.object, f));
    struct Pop {
        Frame& f;
        ~Pop() { f.with.pop_back(); }
    } pop{f};
    return execBlock(s.body, f);
}

namespace {

std::vector<vb::Array::Bounds> boundsOf(const std::vector<vb::Variant>& uppers) {
    std::vector<vb::Array::Bounds> b;
    for (const vb::Variant& u : uppers) b.push_back({0, vb::CLng(u)});
    return b;
}

}  // namespace

void Engine::execDim(const Dim& s, Frame& f) {
    for (const DimItem& item : s.items) {
        Arg keep;
        vb::Variant* cell = variable(item.ref, f, &keep, true);
        if (item.ref.scope == Scope::Local) f.makeOwn(item.ref.slot);  // Execute "Dim x" of an undeclared name
        if (!cell || !item.isArray) continue;
        if (cell->isArray()) continue;  // declared once: a Dim met again keeps the array
        std::vector<vb::Variant> uppers;
        for (const ExprPtr& e : item.bounds) uppers.push_back(eval(*e, f));
        store(*cell, item.bounds.empty() ? vb::Variant(vb::Array()) : vb::Variant(vb::Array(boundsOf(uppers), true)));
    }
}

void Engine::execReDim(const ReDim& s, Frame& f) {
    for (const DimItem& item : s.items) {
        std::vector<vb::Variant> uppers;
        for (const ExprPtr& e : item.bounds) uppers.push_back(eval(*e, f));
        Arg keep;
        vb::Variant* cell = variable(item.ref, f, &keep, true);
        if (!cell) vb::raise(vb::errors::TypeMismatch);
        // A fixed array, or one whose element is bound to a ByRef argument.
        if (cell->isArray() && (cell->array().fixed() || cell->array().locked())) vb::raise(vb::errors::ArrayFixed);
        if (s.preserve && cell->isArray()) {
            vb::Variant a = std::move(*cell);
            cell->clear();
            struct Back {
                vb::Variant& cell;
                vb::Variant& a;
                ~Back() { cell = std::move(a); }
            } back{*cell, a};
            a.array().redim(boundsOf(uppers), true);
        } else {
            store(*cell, vb::Variant(vb::Array(boundsOf(uppers))));
        }
    }
}

void Engine::execErase(const Erase& s, Frame& f) {
    Arg keep;
    vb::Variant* cell = variable(s.ref, f, &keep, false);
    if (!cell || !cell->isArray()) vb::raise(vb::errors::TypeMismatch);
    if (cell->array().locked()) vb::raise(vb::errors::ArrayFixed);
    vb::Variant a = std::move(*cell);
    cell->clear();
    a.array().erase();
    *cell = std::move(a);
}

void Engine::execConst(const Const& s, Frame& f) {
    vb::Variant value = eval(*s.value, f);
    if (s.ref.scope == Scope::Local) {
        f.makeOwn(s.ref.slot);
        store(*f.slots[static_cast<std::size_t>(s.ref.slot)], std::move(value));
        return;
    }
    Binding& b = f.module->names[s.ref.folded];
    if (b.kind != Binding::Constant || !b.cell) {
        b = Binding{};
        b.kind = Binding::Constant;
        b.cell = std::make_shared<vb::Variant>();
        ++generation_;
    }
    store(*b.cell, std::move(value));
}

void Engine::execOnError(const OnError& s, Frame& f) {
    f.resumeNext = s.resumeNext;
    err.Clear();
}

// ---------------------------------------------------------------- names

Engine::Found Engine::lookup(const NameRef& ref, const ModulePtr& m) {
    Found x;
    NameCache& c = ref.cache;
    if (c.generation == generation_) {
        x.kind = static_cast<Found::Kind>(c.kind);
        switch (x.kind) {
        case Found::Bound:
            x.binding = const_cast<Binding*>(static_cast<const Binding*>(c.target));
            x.inGlobal = c.id != 0;
            break;
        case Found::Object:
        case Found::ObjectMember:
            x.object = const_cast<Added*>(static_cast<const Added*>(c.target));
            x.id = c.id;
            break;
        case Found::BuiltinFn: x.builtin = static_cast<const Builtin*>(c.target); break;
        case Found::None: break;
        }
        return x;
    }
    auto remember = [&] {
        c.generation = generation_;
        c.kind = x.kind;
        c.target = x.kind == Found::Bound       ? static_cast<const void*>(x.binding)
                   : x.kind == Found::BuiltinFn ? static_cast<const void*>(x.builtin)
                                                : static_cast<const void*>(x.object);
        c.id = x.kind == Found::Bound ? (x.inGlobal ? 1 : 0) : x.id;
        return x;
    };
    auto it = m->names.find(ref.folded);
    if (it != m->names.end()) {
        x.kind = Found::Bound;
        x.binding = &it->second;
        return remember();
    }
    if (m != global_) {
        it = global_->names.find(ref.folded);
        if (it != global_->names.end()) {
            x.kind = Found::Bound;
            x.binding = &it->second;
            x.inGlobal = true;
            return remember();
        }
    }
    for (auto& a : objects_) {
        if (foldName(a->name) == ref.folded) {
            x.kind = Found::Object;
            x.object = a.get();
            return remember();
        }
    }
    for (auto& a : objects_) {
        if (!a->members || !a->object) continue;
        vb::DispId id = a->object->memberId(ref.name);
        if (id != vb::kUnknownMember && id != vb::kDefaultMember) {
            x.kind = Found::ObjectMember;
            x.object = a.get();
            x.id = id;
            return remember();
        }
    }
    if (const Builtin* b = findBuiltin(ref.folded)) {
        x.kind = Found::BuiltinFn;
        x.builtin = b;
        return remember();
    }
    return remember();
}

// The module variable or constant a name was found to be, while the modules' names stay as
// they were then; null when it must be looked up again (or is something else).
Binding* Engine::knownCell(const NameRef& ref) const noexcept {
    const NameCache& c = ref.cache;
    if (c.generation != generation_ || c.kind != Found::Bound) return nullptr;
    auto* b = const_cast<Binding*>(static_cast<const Binding*>(c.target));
    return b->kind == Binding::Variable || b->kind == Binding::Constant ? b : nullptr;
}

vb::Variant* Engine::variable(const NameRef& ref, Frame& f, Arg* keep, bool create) {
    switch (ref.scope) {
    case Scope::Local: return f.slots[static_cast<std::size_t>(ref.slot)];
    case Scope::Field:
        if (keep) keep->keepObject = f.keepMe;
        return &f.me->fields[static_cast<std::size_t>(ref.slot)];
    case Scope::ClassMember: return nullptr;
    case Scope::Global: break;
    }
    if (vb::Variant* own = f.own(ref)) return own;
    if (Binding* b = knownCell(ref); b && b->kind == Binding::Variable) {
        if (keep) keep->keep = b->cell;
        return b->cell.get();
    }
    Found x = lookup(ref, f.module);
    if (x.kind == Found::Bound) {
        if (x.binding->kind != Binding::Variable) return nullptr;
        if (keep) keep->keep = x.binding->cell;
        return x.binding->cell.get();
    }
    if (x.kind != Found::None) return nullptr;
    if (f.optionExplicit) undefined(kVariableUndefined, ref.name);
    if (ref.implicitSlot >= 0 && f.procedure && static_cast<std::size_t>(ref.implicitSlot) < f.slots.size()) {
        if (create) f.makeOwn(ref.implicitSlot);
        return f.slots[static_cast<std::size_t>(ref.implicitSlot)];
    }
    if (!create) return nullptr;
    Binding& b = f.module->names[ref.folded];
    b = Binding{};
    b.kind = Binding::Variable;
    b.cell = std::make_shared<vb::Variant>();
    ++generation_;
    if (keep) keep->keep = b.cell;
    return b.cell.get();
}

vb::Variant Engine::evalName(const NameRef& ref, Frame& f) {
    switch (ref.scope) {
    case Scope::Local: return *f.slots[static_cast<std::size_t>(ref.slot)];
    case Scope::Field: return f.me->fields[static_cast<std::size_t>(ref.slot)];
    case Scope::ClassMember: {
        ArgList none;
        return callMember(*f.me, ref.slot, vb::Method | vb::PropertyGet, none);
    }
    case Scope::Global: break;
    }
    if (vb::Variant* own = f.own(ref)) return *own;
    if (Binding* b = knownCell(ref)) return *b->cell;
    Found x = lookup(ref, f.module);
    switch (x.kind) {
    case Found::Bound:
        switch (x.binding->kind) {
        case Binding::Variable:
        case Binding::Constant: return *x.binding->cell;
        case Binding::Procedure: {
            ArgList none;
            ProcedurePtr p = x.binding->procedure;
            return callProcedure(x.inGlobal ? global_ : f.module, *p, nullptr, none);
        }
        case Binding::Class: vb::raise(vb::errors::TypeMismatch);
        }
        break;
    case Found::Object: return vb::Variant(x.object->object);
    case Found::ObjectMember: {
        vb::ObjectRef o = x.object->object;
        return o->invoke(x.id, vb::Method | vb::PropertyGet, {});
    }
    case Found::BuiltinFn: {
        ArgList none;
        return callBuiltin(*x.builtin, none, f);
    }
    case Found::None: break;
    }
    if (const ProcedurePtr* p = frameProcedure(f, ref)) {
        ArgList none;
        ProcedurePtr keep = *p;
        return callProcedure(f.module, *keep, nullptr, none);
    }
    if (f.optionExplicit) undefined(kVariableUndefined, ref.name);
    if (ref.implicitSlot >= 0 && f.procedure && static_cast<std::size_t>(ref.implicitSlot) < f.slots.size())
        return *f.slots[static_cast<std::size_t>(ref.implicitSlot)];
    return {};
}

void Engine::assignName(const NameRef& ref, vb::Variant value, bool isSet, Frame& f) {
    switch (ref.scope) {
    case Scope::Local:
        if (ref.constant) vb::raise(kIllegalAssignment);
        store(*f.slots[static_cast<std::size_t>(ref.slot)], std::move(value));
        return;
    case Scope::Field: store(f.me->fields[static_cast<std::size_t>(ref.slot)], std::move(value)); return;
    case Scope::ClassMember: {
        ArgList a(1);
        a[0].value = std::move(value);
        callMember(*f.me, ref.slot, isSet ? vb::PropertySet : vb::PropertyLet, a);
        return;
    }
    case Scope::Global: break;
    }
    if (vb::Variant* own = f.own(ref)) {
        store(*own, std::move(value));
        return;
    }
    if (Binding* b = knownCell(ref); b && b->kind == Binding::Variable) {
        store(*b->cell, std::move(value));
        return;
    }
    Found x = lookup(ref, f.module);
    switch (x.kind) {
    case Found::Bound:
        if (x.binding->kind != Binding::Variable) vb::raise(kIllegalAssignment);
        store(*x.binding->cell, std::move(value));
        return;
    case Found::ObjectMember: {
        vb::ObjectRef o = x.object->object;
        vb::Variant v[1] = {std::move(value)};
        o->invoke(x.id, isSet ? vb::PropertySet : vb::PropertyLet, v);
        return;
    }
    case Found::Object:
    case Found::BuiltinFn: vb::raise(kIllegalAssignment);
    case Found::None: break;
    }
    vb::Variant* cell = variable(ref, f, nullptr, true);
    store(*cell, std::move(value));
}

void Engine::assign(const Expr& target, vb::Variant value, bool isSet, Frame& f) {
    vb::CallKind kind = isSet ? vb::PropertySet : vb::PropertyLet;
    switch (target.kind) {
    case ExprKind::Name: assignName(static_cast<const Name&>(target).ref, std::move(value), isSet, f); return;
    case ExprKind::Member: {
        const auto& m = static_cast<const Member&>(target);
        vb::Variant object = objectOf(m.object.get(), f);
        ArgList a(1);
        a[0].value = std::move(value);
        callObject(object, m.name, &m, kind, a, classOf(f));
        return;
    }
    case ExprKind::Call: {
        const auto& c = static_cast<const Call&>(target);
        if (c.target->kind == ExprKind::Member) {
            const auto& m = static_cast<const Member&>(*c.target);
            vb::Variant object = objectOf(m.object.get(), f);
            ArgList a = evalArgs(c.args, f);
            a.emplace_back().value = std::move(value);
            callObject(object, m.name, &m, kind, a, classOf(f));
            return;
        }
        if (c.target->kind == ExprKind::Name) {
            const NameRef& ref = static_cast<const Name&>(*c.target).ref;
            if (ref.scope == Scope::ClassMember) {
                ArgList a = evalArgs(c.args, f);
                a.emplace_back().value = std::move(value);
                callMember(*f.me, ref.slot, kind, a);
                return;
            }
            ArgList a = evalArgs(c.args, f);
            Arg keep;
            vb::Variant* cell = variable(ref, f, &keep, false);
            if (cell && cell->isArray()) {
                std::vector<int32_t> idx = indicesOf(a);
                store(element(cell->array(), idx), std::move(value));
                return;
            }
            if (cell && cell->isObject()) {
                vb::Variant object = *cell;
                a.emplace_back().value = std::move(value);
                callObject(object, "", nullptr, kind, a);
                return;
            }
            if (!cell && ref.scope == Scope::Global) {
                Found x = lookup(ref, f.module);
                if (x.kind == Found::ObjectMember || x.kind == Found::Object) {
                    a.emplace_back().value = std::move(value);
                    vb::Variant object(x.object->object);
                    if (x.kind == Found::Object) {
                        callObject(object, "", nullptr, kind, a);
                    } else {
                        std::vector<vb::Variant> values;
                        for (Arg& arg : a) values.push_back(arg.get());
                        x.object->object->invoke(x.id, kind, values);
                    }
                    return;
                }
            }
            vb::raise(vb::errors::TypeMismatch);
        }
        vb::Variant object = eval(*c.target, f);
        ArgList a = evalArgs(c.args, f);
        a.emplace_back().value = std::move(value);
        callObject(object, "", nullptr, kind, a);
        return;
    }
    default: vb::raise(kIllegalAssignment);
    }
}

// ---------------------------------------------------------------- expressions

vb::Variant Engine::eval(const Expr& e, Frame& f) {
    switch (e.kind) {
    case ExprKind::Literal: return static_cast<const Literal&>(e).value;
    case ExprKind::Name: return evalName(static_cast<const Name&>(e).ref, f);
    case ExprKind::Me: {
        if (!f.me) vb::raise(kUnqualifiedReference);
        vb::ObjectRef self = f.me->weak_from_this().lock();
        return self ? vb::Variant(std::move(self)) : vb::Variant::nothing();
    }
    case ExprKind::Member: return evalMember(static_cast<const Member&>(e), f);
    case ExprKind::Call: {
        const auto& c = static_cast<const Call&>(e);
        return call(*c.target, c.args, f);
    }
    case ExprKind::Paren: return eval(*static_cast<const Paren&>(e).inner, f);
    case ExprKind::Unary: {
        const auto& u = static_cast<const Unary&>(e);
        vb::Variant v = eval(*u.operand, f);
        return u.op == Op::Neg ? vb::negate(v) : vb::logicalNot(v);
    }
    case ExprKind::Binary: return evalBinary(static_cast<const Binary&>(e), f);
    case ExprKind::New: return evalNew(static_cast<const New&>(e), f);
    case ExprKind::Missing: return vb::Variant::missing();
    }
    return {};
}

vb::Variant Engine::evalMember(const Member& m, Frame& f) {
    vb::Variant object = objectOf(m.object.get(), f);
    ArgList none;
    return callObject(object, m.name, &m, vb::Method | vb::PropertyGet, none, classOf(f));
}

// A literal, a local or a known module variable: reading it runs nothing.
bool Engine::isPlain(const Expr& e) const {
    if (e.kind == ExprKind::Literal) return true;
    if (e.kind != ExprKind::Name) return false;
    const NameRef& ref = static_cast<const Name&>(e).ref;
    return ref.scope == Scope::Local || (ref.scope == Scope::Global && ref.implicitSlot < 0 && knownCell(ref));
}

const vb::Variant& Engine::operand(const Expr& e, Frame& f, vb::Variant& held) {
    if (e.kind == ExprKind::Literal) return static_cast<const Literal&>(e).value;
    if (e.kind == ExprKind::Name) {
        const NameRef& ref = static_cast<const Name&>(e).ref;
        if (ref.scope == Scope::Local) return *f.slots[static_cast<std::size_t>(ref.slot)];
        if (ref.scope == Scope::Global) {
            if (vb::Variant* own = f.own(ref)) return *own;
            if (Binding* b = knownCell(ref)) return *b->cell;
        }
    }
    held = eval(e, f);
    return held;
}

bool Engine::isConstant(const Expr& e, Frame& f) {
    if (e.kind != ExprKind::Name) return false;
    const NameRef& ref = static_cast<const Name&>(e).ref;
    if (ref.scope != Scope::Global || f.own(ref)) return false;
    Found x = lookup(ref, f.module);
    return (x.kind == Found::Bound && x.binding->kind == Binding::Constant) || x.kind == Found::BuiltinFn;
}

namespace {

vb::Variant arithmetic(Op op, const vb::Variant& l, const vb::Variant& r) {
    switch (op) {
    case Op::Add: return vb::add(l, r);
    case Op::Sub: return vb::subtract(l, r);
    case Op::Mod: return vb::modulo(l, r);
    case Op::IntDiv: return vb::integerDivide(l, r);
    case Op::Mul: return vb::multiply(l, r);
    case Op::Div: return vb::divide(l, r);
    case Op::Pow: return vb::power(l, r);
    default: return {};
    }
}

}  // namespace

vb::Variant Engine::evalBinary(const Binary& b, Frame& f) {
    if (b.op >= Op::Add) {
        // Arithmetic reads a local or a literal where it is, without a copy; the left one only
        // when the right one cannot change it, and neither when an object's default value is
        // to be read (a script's Property Get may change a variable).
        vb::Variant lt, rt;
        const vb::Variant& l = isPlain(*b.right) ? operand(*b.left, f, lt) : (lt = eval(*b.left, f));
        const vb::Variant& r = operand(*b.right, f, rt);
        if (l.isObject() || r.isObject()) return arithmetic(b.op, vb::Variant(l), vb::Variant(r));
        return arithmetic(b.op, l, r);
    }
    if (b.op == Op::Concat && b.left->kind == ExprKind::Literal) return concatLiteral(b, f);
    vb::Variant l = eval(*b.left, f);
    vb::Variant r = eval(*b.right, f);
    // A module's Const (like vbTrue) counts as the literal it stands for.
    bool convert = b.convertMixed || (b.op >= Op::Eq && b.op <= Op::Ge && l.kind() != r.kind() &&
                                      (isConstant(*b.left, f) || isConstant(*b.right, f)));
    vb::MixedCompare mixed = convert ? vb::MixedCompare::Convert : vb::MixedCompare::NumberLess;
    switch (b.op) {
    case Op::Imp: return vb::logicalImp(l, r);
    case Op::Eqv: return vb::logicalEqv(l, r);
    case Op::Xor: return vb::logicalXor(l, r);
    case Op::Or: return vb::logicalOr(l, r);
    case Op::And: return vb::logicalAnd(l, r);
    case Op::Eq:
    case Op::Ne:
    case Op::Lt:
    case Op::Gt:
    case Op::Le:
    case Op::Ge: return compareResult(b.op, l, r, mixed);
    case Op::Is: return vb::Variant(vb::Is(l, r));
    case Op::Concat:
        // A text made by the operand below (`a & b & c`) grows in place.
        if (l.isString() && !r.isObject()) {
            vb::concatenateInto(l.str(), r);
            return l;
        }
        return vb::concatenate(l, r);
    default: break;
    }
    return {};
}

// `"text" & x`: the new text is made once, with no copy of the literal first. Kept apart from
// evalBinary so that the arithmetic there stays small enough to inline its values' upkeep.
vb::Variant Engine::concatLiteral(const Binary& b, Frame& f) {
    const vb::Variant& l = static_cast<const Literal&>(*b.left).value;
    vb::Variant held;
    const vb::Variant& r = operand(*b.right, f, held);
    if (l.isString() && !r.isObject()) {
        std::string text;
        text.reserve(l.str().size() + (r.isString() ? r.str().size() : 11));
        text = l.str();
        vb::concatenateInto(text, r);
        return vb::Variant(std::move(text));
    }
    // A copy holds an object while its default value is read.
    return r.isObject() ? vb::concatenate(l, vb::Variant(r)) : vb::concatenate(l, r);
}

vb::Variant Engine::evalNew(const New& n, Frame& f) {
    Found x = lookup(n.className, f.module);
    if (x.kind != Found::Bound || x.binding->kind != Binding::Class) {
        // The language's one built-in class; a script's own class of that name comes first.
        if (n.className.folded == "regexp") return vb::Variant(makeRegExp());
        vb::raise(kClassNotDefined);
    }
    ClassPtr cls = x.binding->cls;
    ModulePtr where = x.inGlobal ? global_ : f.module;
    auto object = std::make_shared<ScriptObject>(cls, where, weak_from_this());
    live_.insert(object.get());
    for (const ClassMember& m : cls->members) {
        if (m.field < 0 || !m.isArray) continue;
        std::vector<vb::Variant> uppers;
        for (const ExprPtr& e : m.bounds) uppers.push_back(eval(*e, f));
        object->fields[static_cast<std::size_t>(m.field)] =
            m.bounds.empty() ? vb::Variant(vb::Array()) : vb::Variant(vb::Array(boundsOf(uppers), true));
    }
    if (cls->initialize) {
        ArgList none;
        callProcedure(where, *cls->initialize, object.get(), none);
    }
    return vb::Variant(vb::ObjectRef(std::move(object)));
}

vb::Variant Engine::withTarget(Frame& f) {
    if (f.with.empty()) vb::raise(kUnqualifiedReference);
    return f.with.back();
}

vb::Variant Engine::objectOf(const Expr* object, Frame& f) { return object ? eval(*object, f) : withTarget(f); }

// ---------------------------------------------------------------- calls

void Engine::evalArg(const Expr& e, Frame& f, Arg& out) {
    if (e.kind == ExprKind::Missing) {
        out.value = vb::Variant::missing();
        return;
    }
    if (e.kind == ExprKind::Name) {
        const NameRef& ref = static_cast<const Name&>(e).ref;
        if (!ref.constant) {
            if (vb::Variant* cell = variable(ref, f, &out, true)) {
                out.ref = cell;
                return;
            }
        }
        out.value = evalName(ref, f);
        return;
    }
    if (e.kind == ExprKind::Call) {
        const auto& c = static_cast<const Call&>(e);
        if (c.target->kind == ExprKind::Name) {
            const NameRef& ref = static_cast<const Name&>(*c.target).ref;
            Arg keep;
            vb::Variant* cell = ref.scope == Scope::ClassMember ? nullptr : variable(ref, f, &keep, false);
            if (cell && cell->isArray()) {
                // The element itself is passed, its array locked until the call is over.
                ArgList idx = evalArgs(c.args, f);
                std::vector<int32_t> indices = indicesOf(idx);
                if (!cell->isArray()) vb::raise(vb::errors::SubscriptOutOfRange);
                vb::Array& array = cell->array();
                out.ref = &element(array, indices);
                array.lock();
                out.locked = &array;
                out.keep = std::move(keep.keep);
                out.keepObject = std::move(keep.keepObject);
                return;
            }
        }
    }
    out.value = eval(e, f);
}

ArgList Engine::evalArgs(const std::vector<ExprPtr>& args, Frame& f) {
    ArgList list(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) evalArg(*args[i], f, list[i]);
    return list;
}

void Arg::unlock() noexcept {
    if (locked) std::exchange(locked, nullptr)->unlock();
}

std::vector<int32_t> Engine::indicesOf(ArgList& args) {
    std::vector<int32_t> idx;
    idx.reserve(args.size());
    for (Arg& a : args) idx.push_back(vb::CLng(a.get()));
    return idx;
}

vb::Variant Engine::indexValue(const vb::Variant& value, ArgList& args, const std::string& name, bool parens) {
    if (value.isArray()) return element(value.array(), indicesOf(args));
    if (value.isObject()) return callObject(value, "", nullptr, vb::Method | vb::PropertyGet, args);
    // A variable named alone as a statement is left as it is; `v()` of a value that is neither an
    // array nor an object has nothing to call or index.
    if (args.empty() && !parens) return value;
    undefined(vb::errors::TypeMismatch, name);
}

vb::Variant Engine::call(const Expr& target, const std::vector<ExprPtr>& argExprs, Frame& f, bool parens) {
    if (target.kind == ExprKind::Name) {
        const NameRef& ref = static_cast<const Name&>(target).ref;
        // A function's own name with arguments inside it is a call, not its result.
        if (ref.scope == Scope::Local && ref.slot == 0 && f.procedure && ref.folded == f.procedure->folded &&
            f.procedure->kind != ProcKind::Sub) {
            NameRef byName;
            byName.name = ref.name;
            byName.folded = ref.folded;
            if (f.procedure->owner && f.me) {
                auto it = f.procedure->owner->byName.find(ref.folded);
                if (it != f.procedure->owner->byName.end()) {
                    ArgList a = evalArgs(argExprs, f);
                    vb::Variant r = callMember(*f.me, it->second, vb::Method | vb::PropertyGet, a);
                    return r;
                }
            }
            Found x = lookup(byName, f.module);
            if (x.kind == Found::Bound && x.binding->kind == Binding::Procedure) {
                ArgList a = evalArgs(argExprs, f);
                ProcedurePtr p = x.binding->procedure;
                vb::Variant r = callProcedure(x.inGlobal ? global_ : f.module, *p, nullptr, a);
                return r;
            }
        }
        switch (ref.scope) {
        case Scope::ClassMember: {
            ArgList a = evalArgs(argExprs, f);
            vb::Variant r = callMember(*f.me, ref.slot, vb::Method | vb::PropertyGet, a);
            return r;
        }
        case Scope::Local:
        case Scope::Field: {
            ArgList a = evalArgs(argExprs, f);
            Arg keep;
            vb::Variant* cell = variable(ref, f, &keep, false);
            if (cell->isArray()) return element(cell->array(), indicesOf(a));  // no copy of the array
            vb::Variant value = *cell;
            return indexValue(value, a, ref.name, parens);
        }
        case Scope::Global: break;
        }
        if (vb::Variant* own = f.own(ref)) {
            ArgList a = evalArgs(argExprs, f);
            own = f.own(ref);
            if (own->isArray()) return element(own->array(), indicesOf(a));
            vb::Variant value = *own;
            return indexValue(value, a, ref.name, parens);
        }
        Found x = lookup(ref, f.module);
        ArgList a = evalArgs(argExprs, f);
        switch (x.kind) {
        case Found::Bound:
            switch (x.binding->kind) {
            case Binding::Variable:
            case Binding::Constant: {
                x = lookup(ref, f.module);  // the arguments may have changed the module's names
                if (x.kind != Found::Bound || !x.binding->cell) vb::raise(vb::errors::TypeMismatch);
                std::shared_ptr<vb::Variant> cell = x.binding->cell;
                if (cell->isArray()) return element(cell->array(), indicesOf(a));
                vb::Variant value = *cell;
                return indexValue(value, a, ref.name, parens);
            }
            case Binding::Procedure: {
                ProcedurePtr p = x.binding->procedure;
                vb::Variant r = callProcedure(x.inGlobal ? global_ : f.module, *p, nullptr, a);
                return r;
            }
            case Binding::Class: vb::raise(vb::errors::TypeMismatch);
            }
            break;
        case Found::Object: {
            vb::Variant object(x.object->object);
            if (a.empty()) return object;
            return callObject(object, "", nullptr, vb::Method | vb::PropertyGet, a);
        }
        case Found::ObjectMember: {
            vb::ObjectRef o = x.object->object;
            std::vector<vb::Variant> values;
            values.reserve(a.size());
            for (Arg& arg : a) values.push_back(arg.get());
            vb::Variant r = o->invoke(x.id, vb::Method | vb::PropertyGet, values);
            for (std::size_t i = 0; i < a.size(); ++i)
                if (a[i].ref) a[i].get() = std::move(values[i]);
            return r;
        }
        case Found::BuiltinFn: return callBuiltin(*x.builtin, a, f);
        case Found::None: break;
        }
        if (const ProcedurePtr* p = frameProcedure(f, ref)) {
            ProcedurePtr keep = *p;
            return callProcedure(f.module, *keep, nullptr, a);
        }
        if (f.optionExplicit) undefined(kVariableUndefined, ref.name);
        // A name nothing defines is no procedure to call, with or without parentheses, inside a
        // procedure as at the top level.
        if (ref.implicitSlot >= 0 && f.procedure && static_cast<std::size_t>(ref.implicitSlot) < f.slots.size())
            return indexValue(*f.slots[static_cast<std::size_t>(ref.implicitSlot)], a, ref.name, true);
        undefined(vb::errors::TypeMismatch, ref.name);
    }
    if (target.kind == ExprKind::Member) {
        const auto& m = static_cast<const Member&>(target);
        vb::Variant object = objectOf(m.object.get(), f);
        if (m.cachedByValue && object.isObject() && object.object() && m.cachedClass == object.object()->classKey() &&
            plainArguments(argExprs))
            return callByValue(*object.object(), m, argExprs, f);
        ArgList a = evalArgs(argExprs, f);
        vb::Variant r = callObject(object, m.name, &m, vb::Method | vb::PropertyGet, a, classOf(f));
        return r;
    }
    vb::Variant value = eval(target, f);
    ArgList a = evalArgs(argExprs, f);
    return indexValue(value, a, {});
}

vb::Variant Engine::callObject(const vb::Variant& object, const std::string& name, const Member* site,
                               vb::CallKind kind, ArgList& args, const ClassDef* from) {
    if (!object.isObject()) vb::raise(vb::errors::ObjectRequired);
    if (!object.object()) vb::raise(vb::errors::ObjectNotSet);
    vb::ObjectRef o = object.object();  // held: the call may drop the variable that refers to it
    // A call site remembers the member of a host object's class (never of a script object).
    bool cached = site && site->cachedClass && site->cachedClass == o->classKey();
    if (auto* so = cached ? nullptr : dynamic_cast<ScriptObject*>(o.get())) {
        int32_t member;
        if (name.empty()) {
            member = so->cls().defaultMember;
        } else {
            auto it = so->cls().byName.find(foldName(name));
            member = it == so->cls().byName.end() ? -1 : it->second;
            if (member >= 0 && !so->cls().members[static_cast<std::size_t>(member)].isPublic && from != &so->cls())
                member = -1;
        }
        if (member < 0) vb::raise(vb::errors::NotSupported);
        return callMember(*so, member, kind, args);
    }
    vb::DispId id;
    if (cached) {
        id = site->cachedId;
    } else {
        id = o->memberId(name);
        if (site && id != vb::kUnknownMember) {
            site->cachedClass = o->classKey();
            site->cachedId = id;
            site->cachedByValue = o->argumentsByValue(id);
        }
    }
    if (id == vb::kUnknownMember) vb::raise(vb::errors::NotSupported);
    ArgValues values(args);
    bool indexed = false;
    vb::Variant r = invokeHost(*o, id, kind, values.span(), &args, name, indexed);
    if (indexed) return r;
    for (std::size_t i = 0; i < args.size(); ++i)
        if (args[i].ref) args[i].get() = std::move(values[i]);
    return r;
}

vb::Variant Engine::invokeHost(vb::Object& o, vb::DispId id, vb::CallKind kind, vb::Args values, ArgList* args,
                               const std::string& name, bool& indexed) {
    try {
        return o.invoke(id, kind, values);
    } catch (const vb::Error& e) {
        // obj.Prop(x) on a property without parameters reads the property and indexes what it
        // answers (a collection's default member, an array): late binding resolves it so, and
        // scripts written against it use that form.
        if (e.number() != vb::errors::WrongArgumentCount || values.empty() || !(kind & vb::PropertyGet) ||
            isLetOrSet(kind))
            throw;
        vb::Variant whole = o.invoke(id, kind, {});
        if (!whole.isObject() && !whole.isArray()) throw;
        indexed = true;
        if (args) return indexValue(whole, *args, name);
        ArgList copies(values.size());
        for (std::size_t i = 0; i < values.size(); ++i) copies[i].value = std::move(values[i]);
        return indexValue(whole, copies, name);
    }
}

vb::Variant Engine::callByValue(vb::Object& o, const Member& site, const std::vector<ExprPtr>& args, Frame& f) {
    // The caller's Variant holds the object for the call (the call may drop the variable).
    // Only the values there are get made and freed.
    struct Values {
        alignas(vb::Variant) unsigned char raw[kValueArgs * sizeof(vb::Variant)];
        std::size_t made = 0;
        vb::Variant* at() { return std::launder(reinterpret_cast<vb::Variant*>(raw)); }
        ~Values() {
            for (std::size_t i = 0; i < made; ++i) at()[i].~Variant();
        }
    } values;
    const vb::Variant* locals[kValueArgs];
    std::size_t n = args.size();
    for (; values.made < n; ++values.made) {
        const Expr& e = *args[values.made];
        vb::Variant* at = values.at() + values.made;
        if (e.kind == ExprKind::Name) {
            locals[values.made] = f.slots[static_cast<std::size_t>(static_cast<const Name&>(e).ref.slot)];
            new (at) vb::Variant();
        } else {
            locals[values.made] = nullptr;
            new (at) vb::Variant(e.kind == ExprKind::Missing ? vb::Variant::missing() : eval(e, f));
        }
    }
    for (std::size_t i = 0; i < n; ++i)
        if (locals[i]) values.at()[i] = *locals[i];
    bool indexed = false;
    return invokeHost(o, site.cachedId, vb::Method | vb::PropertyGet, vb::Args(values.at(), n), nullptr, site.name,
                      indexed);
}

vb::Variant Engine::callMember(ScriptObject& self, int32_t member, vb::CallKind kind, ArgList& args) {
    const ClassMember& m = self.cls().members[static_cast<std::size_t>(member)];
    if (m.field >= 0) {
        vb::Variant& field = self.fields[static_cast<std::size_t>(m.field)];
        if (isLetOrSet(kind)) {
            if (args.size() == 1) {
                vb::Variant v = args[0].get();
                if ((kind & vb::PropertySet) && !(kind & vb::PropertyLet) && !v.isObject())
                    vb::raise(vb::errors::ObjectRequired);
                store(field, std::move(v));
                return {};
            }
            if (args.empty()) vb::raise(vb::errors::WrongArgumentCount);
            vb::Variant v = args.back().get();
            args.pop_back();
            if (field.isArray()) {
                store(element(field.array(), indicesOf(args)), std::move(v));
                return {};
            }
            args.emplace_back().value = std::move(v);
            return callObject(field, "", nullptr, kind, args);
        }
        if (args.empty()) return field;
        return indexValue(field, args, m.name);
    }
    ProcedurePtr p;
    if (kind & vb::PropertySet) p = m.set ? m.set : m.let;
    else if (kind & vb::PropertyLet)
        p = m.let ? m.let : (args.size() && args.back().get().isObject() ? m.set : nullptr);
    else p = m.method ? m.method : m.get;
    if (!p) vb::raise(vb::errors::NotSupported);
    if (!isLetOrSet(kind) && p->params.empty() && !args.empty()) {
        ArgList none;
        vb::Variant value = callProcedure(self.module(), *p, &self, none);
        return indexValue(value, args, m.name);
    }
    return callProcedure(self.module(), *p, &self, args);
}

vb::Variant Engine::callProcedure(const ModulePtr& m, const Procedure& p, ScriptObject* me, ArgList& args) {
    if (args.size() != p.params.size()) vb::raise(vb::errors::WrongArgumentCount);
    enterCall();
    struct Depth {
        int& depth;
        ~Depth() { --depth; }
    } depth{callDepth_};
    Frame f(m, &p, me);
    if (me) f.keepMe = me->weak_from_this().lock();
    f.optionExplicit = p.optionExplicit;
    std::size_t slots = static_cast<std::size_t>(p.slotCount);
    f.storage.resize(slots);
    f.slots.resize(slots);
    for (std::size_t i = 0; i < slots; ++i) f.slots[i] = &f.storage[i];
    for (std::size_t i = 0; i < args.size(); ++i) {
        Arg& a = args[i];
        if (!p.params[i].byVal && a.ref) {
            f.slots[i + 1] = &a.get();
        } else {
            f.storage[i + 1] = a.get();
            a.unlock();  // a copy binds no element
        }
    }
    for (const auto& [slot, value] : p.constants) f.storage[static_cast<std::size_t>(slot)] = eval(*value, f);
    for (const DimItem* item : p.arrays) {
        std::vector<vb::Variant> uppers;
        for (const ExprPtr& e : item->bounds) uppers.push_back(eval(*e, f));
        f.storage[static_cast<std::size_t>(item->ref.slot)] = vb::Variant(vb::Array(boundsOf(uppers), true));
    }
    execBlock(p.body, f);
    return std::move(f.storage[0]);
}

vb::Variant Engine::callBuiltin(const Builtin& b, ArgList& args, Frame& f) {
    if (static_cast<int>(args.size()) < b.minArgs || (b.maxArgs >= 0 && static_cast<int>(args.size()) > b.maxArgs))
        vb::raise(vb::errors::WrongArgumentCount);
    // Built-ins take values: an array element passed to one (say to Execute, whose text may
    // ReDim that array) leaves its array free.
    for (Arg& arg : args) {
        if (!arg.locked) continue;
        arg.value = *arg.ref;
        arg.ref = nullptr;
        arg.unlock();
    }
    BuiltinCall c{*this, f, args};
    return b.fn(c);
}

}  // namespace script
