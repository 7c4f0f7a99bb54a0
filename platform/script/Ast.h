#pragma once
// The parsed form of a script: expressions, statements, procedures and classes. Names are
// resolved when the parser finishes a procedure or class: locals to frame slots, class
// members to their index; what is left is looked up in the module at run time (and cached).

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "vb/Object.h"
#include "vb/Variant.h"

namespace script::ast {

struct ClassDef;
struct Procedure;

// Where a name lives.
enum class Scope : uint8_t {
    Global,       // looked up in the module (and the control's objects, and the built-ins) at run time
    Local,        // a slot of the procedure's frame
    Field,        // a variable of the class's object (Me)
    ClassMember,  // a procedure or property of the class, called on Me
};

// The result of a run-time lookup, kept by a name until the module's names change.
struct NameCache {
    uint64_t generation = 0;
    uint8_t kind = 0;  // what the engine found (its own numbering)
    const void* target = nullptr;
    vb::DispId id = 0;
};

struct NameRef {
    std::string name;    // as written
    std::string folded;  // lower case, for lookups
    Scope scope = Scope::Global;
    int32_t slot = -1;          // Local: frame slot; Field: field index; ClassMember: member index
    int32_t implicitSlot = -1;  // a procedure's slot for an undeclared name that no module defines
    bool constant = false;      // a Const of the procedure
    mutable NameCache cache;
};

enum class ExprKind : uint8_t { Literal, Name, Me, Member, Call, Paren, Unary, Binary, New, Missing };

enum class Op : uint8_t {
    Neg,
    Not,
    Imp,
    Eqv,
    Xor,
    Or,
    And,
    Eq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge,
    Is,
    Concat,
    Add,
    Sub,
    Mod,
    IntDiv,
    Mul,
    Div,
    Pow,
};

struct Expr {
    explicit Expr(ExprKind k) : kind(k) {}
    virtual ~Expr() = default;
    ExprKind kind;
    uint16_t depth = 1;  // height of the tree below (bounded by the parser)
    int32_t line = 0;
    int32_t column = 0;
};
using ExprPtr = std::unique_ptr<Expr>;

struct Literal : Expr {
    Literal() : Expr(ExprKind::Literal) {}
    vb::Variant value;
};

struct Name : Expr {
    Name() : Expr(ExprKind::Name) {}
    NameRef ref;
};

struct Me : Expr {
    Me() : Expr(ExprKind::Me) {}
};

// object.name, or .name inside a With block (object null).
struct Member : Expr {
    Member() : Expr(ExprKind::Member) {}
    ExprPtr object;
    std::string name;
    mutable const void* cachedClass = nullptr;  // the classKey() the id was found for
    mutable vb::DispId cachedId = vb::kUnknownMember;
    mutable bool cachedByValue = false;  // that member writes to none of its arguments
};

// target(args): a call, an array element, or an object's default member. An omitted
// argument is null.
struct Call : Expr {
    Call() : Expr(ExprKind::Call) {}
    ExprPtr target;
    std::vector<ExprPtr> args;
};

// (expression): a value, never a reference (so a ByRef parameter gets a copy).
struct Paren : Expr {
    Paren() : Expr(ExprKind::Paren) {}
    ExprPtr inner;
};

struct Unary : Expr {
    Unary() : Expr(ExprKind::Unary) {}
    Op op = Op::Neg;
    ExprPtr operand;
};

struct Binary : Expr {
    Binary() : Expr(ExprKind::Binary) {}
    Op op = Op::Add;
    ExprPtr left, right;
    // A comparison with a literal on one side reads text as a number; between two variables a
    // number is less than any text.
    bool convertMixed = false;
};

struct New : Expr {
    New() : Expr(ExprKind::New) {}
    NameRef className;
};

struct Missing : Expr {
    Missing() : Expr(ExprKind::Missing) {}
};

enum class StmtKind : uint8_t {
    Call,
    Assign,
    Dim,
    ReDim,
    Erase,
    Const,
    If,
    Select,
    For,
    ForEach,
    Do,
    Exit,
    With,
    OnError,
};

struct Stmt {
    explicit Stmt(StmtKind k) : kind(k) {}
    virtual ~Stmt() = default;
    StmtKind kind;
    int32_t line = 0;
    int32_t column = 0;
};
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

// A procedure or method call as a statement (the result is dropped).
struct CallStmt : Stmt {
    CallStmt() : Stmt(StmtKind::Call) {}
    ExprPtr call;  // a Name, Member or Call
};

struct Assign : Stmt {
    Assign() : Stmt(StmtKind::Assign) {}
    ExprPtr target;  // Name, Member or Call
    ExprPtr value;
    bool isSet = false;
    // `s = s & a & b ...`: the value is a chain of `&` that starts with the target's own name.
    bool appends = false;
};

struct DimItem {
    NameRef ref;
    std::vector<ExprPtr> bounds;  // upper bounds; empty for a plain variable
    bool isArray = false;         // `Dim a()` is an array with no bounds yet
};

struct Dim : Stmt {
    Dim() : Stmt(StmtKind::Dim) {}
    std::vector<DimItem> items;
};

struct ReDim : Stmt {
    ReDim() : Stmt(StmtKind::ReDim) {}
    bool preserve = false;
    std::vector<DimItem> items;
};

struct Erase : Stmt {
    Erase() : Stmt(StmtKind::Erase) {}
    NameRef ref;
};

struct Const : Stmt {
    Const() : Stmt(StmtKind::Const) {}
    NameRef ref;
    ExprPtr value;
};

struct If : Stmt {
    If() : Stmt(StmtKind::If) {}
    struct Branch {
        ExprPtr condition;
        Block body;
    };
    std::vector<Branch> branches;
    Block elseBody;
};

// A Case lists values only: the language has no `Case a To b` nor `Case Is > x`.
struct Select : Stmt {
    Select() : Stmt(StmtKind::Select) {}
    ExprPtr test;
    struct Case {
        std::vector<ExprPtr> items;
        Block body;
    };
    std::vector<Case> cases;
    Block elseBody;
    bool hasElse = false;
};

struct For : Stmt {
    For() : Stmt(StmtKind::For) {}
    ExprPtr counter;  // a Name
    ExprPtr start, end, step;
    Block body;
};

struct ForEach : Stmt {
    ForEach() : Stmt(StmtKind::ForEach) {}
    ExprPtr element;  // a Name
    ExprPtr group;
    Block body;
};

struct Do : Stmt {
    Do() : Stmt(StmtKind::Do) {}
    ExprPtr condition;      // null: loops until Exit Do
    bool testFirst = true;  // Do While ... Loop / While ... Wend, or Do ... Loop While
    bool until = false;
    bool wend = false;  // While ... Wend: an Exit Do inside leaves the enclosing Do
    Block body;
};

enum class ExitKind : uint8_t { Do, For, Sub, Function, Property };

struct Exit : Stmt {
    Exit() : Stmt(StmtKind::Exit) {}
    ExitKind what = ExitKind::Sub;
};

struct With : Stmt {
    With() : Stmt(StmtKind::With) {}
    ExprPtr object;
    Block body;
};

struct OnError : Stmt {
    OnError() : Stmt(StmtKind::OnError) {}
    bool resumeNext = true;
};

enum class ProcKind : uint8_t { Sub, Function, PropertyGet, PropertyLet, PropertySet };

struct Param {
    std::string name;
    bool byVal = false;
};

struct Procedure {
    std::string name;
    std::string folded;
    ProcKind kind = ProcKind::Sub;
    std::vector<Param> params;  // slots 1..n
    Block body;
    int32_t slotCount = 1;  // slot 0 holds a function's result
    bool isPublic = true;
    bool isDefault = false;
    bool optionExplicit = false;
    int32_t line = 0;
    // Every local name and its slot (for Eval and Execute inside the procedure).
    std::unordered_map<std::string, int32_t> locals;
    // The slot of each name the procedure uses without declaring it: its own variable once
    // assigned while no module variable of that name exists (Eval and Execute share it).
    std::unordered_map<std::string, int32_t> implicits;
    // Slots of the procedure's own Const values, set when the frame starts.
    std::vector<std::pair<int32_t, const Expr*>> constants;
    // Slots of arrays declared with bounds, made when the frame starts.
    std::vector<const DimItem*> arrays;
    ClassDef* owner = nullptr;  // the class of a method
};
using ProcedurePtr = std::shared_ptr<Procedure>;

// One member of a class: a variable or a set of procedures of one name.
struct ClassMember {
    std::string name;
    bool isPublic = true;
    int32_t field = -1;           // a variable's index
    std::vector<ExprPtr> bounds;  // a variable declared as an array
    bool isArray = false;
    ProcedurePtr method, get, let, set;
};

struct ClassDef {
    std::string name;
    std::string folded;
    std::vector<ClassMember> members;                 // DispId = index + 1
    std::unordered_map<std::string, int32_t> byName;  // folded name -> index
    int32_t fieldCount = 0;
    int32_t defaultMember = -1;
    ProcedurePtr initialize, terminate;
};
using ClassPtr = std::shared_ptr<ClassDef>;

// The names text run by Execute added to a running procedure: slots beyond the procedure's
// own, kept with the frame so that a later Execute or Eval there finds them.
struct FrameNames {
    struct Entry {
        int32_t slot = -1;
        bool declared = false;  // by Dim or Const: a local; otherwise as an undeclared name
        bool constant = false;
    };
    std::unordered_map<std::string, Entry> names;
    int32_t nextSlot = 0;
};

// One compiled text: its definitions and its top-level statements.
struct Program {
    std::vector<ProcedurePtr> procedures;
    std::vector<ClassPtr> classes;
    std::vector<std::string> variables;   // top-level Dim names, in order
    std::vector<const Const*> constants;  // top-level Const statements
    Block statements;
    bool optionExplicit = false;
};

}  // namespace script::ast
