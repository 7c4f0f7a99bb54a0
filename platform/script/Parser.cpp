#include "script/Parser.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "script/Lexer.h"
#include "script/SyntaxError.h"
#include "vb/Conversions.h"

namespace script {

using namespace ast;

std::string foldName(std::string_view name) {
    std::string s(name);
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

namespace {

// Words that can never name a variable or procedure.
const std::unordered_set<std::string>& reservedWords() {
    static const std::unordered_set<std::string> words = {
        "and",     "byref",  "byval", "call",   "case", "class",   "const",  "dim",   "do",   "each",
        "else",    "elseif", "empty", "end",    "eqv",  "erase",   "exit",   "false", "for",  "function",
        "if",      "imp",    "in",    "is",     "loop", "me",      "mod",    "new",   "next", "not",
        "nothing", "null",   "on",    "option", "or",   "private", "public", "redim", "rem",  "select",
        "set",     "sub",    "then",  "to",     "true", "until",   "wend",   "while", "with", "xor",
    };
    return words;
}

// What the parser knows of the procedure it is inside.
struct ProcContext {
    Procedure* proc = nullptr;
    std::vector<NameRef*> refs;  // names to resolve when the procedure ends
};

class Parser {
public:
    Parser(std::string_view text, const Procedure* scope, FrameNames* frame)
        : lexer_(text), scope_(scope), frame_(frame) {
        advance();
    }

    std::unique_ptr<Program> program();
    ExprPtr expressionOnly();

private:
    // Tokens.
    void advance() {
        if (ahead_) {
            tok_ = std::move(*ahead_);
            ahead_.reset();
        } else {
            tok_ = lexer_.next();
        }
    }
    const Token& peek() {
        if (!ahead_) ahead_ = lexer_.next();
        return *ahead_;
    }
    bool isWord(std::string_view w) const { return tok_.kind == Tok::Word && !bracketed(tok_) && folded(tok_) == w; }
    static bool bracketed(const Token& t) { return t.value.kind() == vb::VarKind::Boolean; }
    static std::string folded(const Token& t) { return foldName(t.text); }
    bool atEndOfStatement() const {
        return tok_.kind == Tok::Newline || tok_.kind == Tok::Colon || tok_.kind == Tok::End;
    }
    [[noreturn]] void fail(int32_t number) const { throw SyntaxError(number, tok_.line, tok_.column); }
    void expect(Tok kind, int32_t error) {
        if (tok_.kind != kind) fail(error);
        advance();
    }
    void expectWord(std::string_view w, int32_t error) {
        if (!isWord(w)) fail(error);
        advance();
    }
    std::string identifier() {
        if (tok_.kind != Tok::Word || (!bracketed(tok_) && reservedWords().count(folded(tok_))))
            fail(syntax::ExpectedIdentifier);
        std::string name = tok_.text;
        advance();
        return name;
    }

    // Nesting guard.
    struct Nest {
        explicit Nest(Parser& p) : p_(p) {
            if (++p_.depth_ > kMaxNesting) p_.fail(syntax::TooComplex);
        }
        ~Nest() { --p_.depth_; }
        Parser& p_;
    };

    // Names.
    void track(NameRef& ref) {
        if (proc_) proc_->refs.push_back(&ref);
        else if (scope_) resolveInScope(ref);
    }
    // A Dim or Const of text executed inside a procedure.
    bool declaresInScope() const { return !proc_ && scope_; }
    NameRef nameRef(std::string name) {
        NameRef r;
        r.folded = foldName(name);
        r.name = std::move(name);
        return r;
    }
    void resolveInScope(NameRef& ref);
    void declareInScope(NameRef& ref, bool constant);
    void resolveProcedure(ProcContext& ctx);
    void resolveClass(ClassDef& cls, std::vector<NameRef*>& refs);

    // Statements.
    void endStatement();
    Block block(bool singleLine = false);
    bool atBlockEnd() const;
    StmtPtr statement();
    StmtPtr dimStatement(bool isPublicLike);
    DimItem dimItem();
    StmtPtr redimStatement();
    StmtPtr constStatement();
    StmtPtr ifStatement();
    StmtPtr selectStatement();
    StmtPtr forStatement();
    StmtPtr doStatement();
    StmtPtr whileStatement();
    StmtPtr withStatement();
    StmtPtr exitStatement();
    StmtPtr onErrorStatement();
    StmtPtr eraseStatement();
    StmtPtr callOrAssign(bool explicitCall, bool isSet);
    static bool appendsToItself(const Expr& target, const Expr& value);
    void topLevelItem(Block& into);
    void procedure(bool isPublic, bool isDefault, ClassDef* cls);
    void classDefinition();
    void classBody(ClassDef& cls, std::vector<NameRef*>& refs);
    template <class T>
    std::unique_ptr<T> stmt() {
        auto s = std::make_unique<T>();
        s->line = tok_.line;
        s->column = tok_.column;
        return s;
    }

    // Expressions.
    template <class T>
    std::unique_ptr<T> node(const Token& at) {
        auto e = std::make_unique<T>();
        e->line = at.line;
        e->column = at.column;
        return e;
    }
    ExprPtr expression();
    ExprPtr binaryLevel(int level);
    ExprPtr notLevel();
    ExprPtr negation();
    ExprPtr powerOperand();
    ExprPtr postfix(ExprPtr e, bool statementTarget);
    ExprPtr primary();
    std::vector<ExprPtr> argumentList(Tok closing);
    ExprPtr makeBinary(Op op, ExprPtr l, ExprPtr r, const Token& at);
    void measure(Expr& e);

    Lexer lexer_;
    Token tok_;
    std::optional<Token> ahead_;
    const Procedure* scope_;
    FrameNames* frame_;
    std::unique_ptr<Program> program_;
    ProcContext* proc_ = nullptr;
    ClassDef* class_ = nullptr;
    int depth_ = 0;
    int doDepth_ = 0;
    int forDepth_ = 0;
    std::vector<NameRef*> classRefs_;  // names in the methods of the class being parsed
};

// ---------------------------------------------------------------- statements

void Parser::endStatement() {
    if (tok_.kind == Tok::Colon || tok_.kind == Tok::Newline) {
        advance();
        return;
    }
    if (tok_.kind == Tok::End) return;
    fail(syntax::ExpectedEndOfStatement);
}

bool Parser::atBlockEnd() const {
    if (tok_.kind == Tok::End) return true;
    if (tok_.kind != Tok::Word || bracketed(tok_)) return false;
    static const std::unordered_set<std::string> enders = {"end", "else", "elseif", "loop", "next", "wend", "case"};
    return enders.count(folded(tok_)) != 0;
}

Block Parser::block(bool singleLine) {
    Nest nest(*this);
    Block b;
    for (;;) {
        if (singleLine) {
            if (tok_.kind == Tok::Colon) {
                advance();
                continue;
            }
            if (tok_.kind == Tok::Newline || tok_.kind == Tok::End || isWord("else")) return b;
            if (isWord("end") && peek().kind == Tok::Word && foldName(peek().text) == "if") return b;
            if (isWord("sub") || isWord("function") || isWord("public") || isWord("private"))
                fail(syntax::ExpectedStatement);
        } else {
            while (tok_.kind == Tok::Newline || tok_.kind == Tok::Colon) advance();
            if (atBlockEnd()) return b;
        }
        StmtPtr s = statement();
        if (s) b.push_back(std::move(s));
        if (singleLine) {
            if (tok_.kind == Tok::Colon) advance();
            else if (!(tok_.kind == Tok::Newline || tok_.kind == Tok::End || isWord("else") || isWord("end")))
                fail(syntax::ExpectedEndOfStatement);
        } else if (!atBlockEnd()) {
            endStatement();
        }
    }
}

StmtPtr Parser::statement() {
    if (tok_.kind == Tok::Dot) return callOrAssign(false, false);
    if (tok_.kind != Tok::Word) fail(syntax::ExpectedStatement);
    if (bracketed(tok_)) return callOrAssign(false, false);
    std::string w = folded(tok_);
    if (w == "dim") {
        advance();
        return dimStatement(false);
    }
    if (w == "redim") return redimStatement();
    if (w == "const") {
        advance();
        return constStatement();
    }
    if (w == "if") return ifStatement();
    if (w == "select") return selectStatement();
    if (w == "for") return forStatement();
    if (w == "do") return doStatement();
    if (w == "while") return whileStatement();
    if (w == "with") return withStatement();
    if (w == "exit") return exitStatement();
    if (w == "on") return onErrorStatement();
    if (w == "erase") return eraseStatement();
    if (w == "call") {
        advance();
        return callOrAssign(true, false);
    }
    if (w == "set") {
        advance();
        return callOrAssign(false, true);
    }
    if (w == "let") {
        advance();
        return callOrAssign(false, false);
    }
    if (w == "stop") {
        advance();
        return nullptr;
    }
    if (w == "option") fail(syntax::ExpectedStatement);
    if (w == "sub" || w == "function" || w == "public" || w == "private") {
        // A Sub or Function written inside a block of the module's code is a procedure of the
        // module, as if written at the top (and defined whether or not the block runs).
        if (proc_ || class_) fail(syntax::ExpectedStatement);
        bool isPublic = w != "private";
        if (w == "public" || w == "private") {
            advance();
            if (!isWord("sub") && !isWord("function")) fail(syntax::ExpectedStatement);
        }
        procedure(isPublic, false, nullptr);
        return nullptr;
    }
    if (w == "class" || w == "property") fail(syntax::ExpectedStatement);
    if (w == "next") fail(syntax::UnexpectedNext);
    if (w == "loop" || w == "wend" || w == "end" || w == "else" || w == "elseif" || w == "case")
        fail(syntax::ExpectedStatement);
    return callOrAssign(false, false);
}

DimItem Parser::dimItem() {
    DimItem item;
    item.ref = nameRef(identifier());
    if (tok_.kind == Tok::LParen) {
        advance();
        item.isArray = true;
        if (tok_.kind != Tok::RParen) {
            for (;;) {
                item.bounds.push_back(expression());
                if (tok_.kind != Tok::Comma) break;
                advance();
            }
        }
        expect(Tok::RParen, syntax::ExpectedRParen);
    }
    return item;
}

StmtPtr Parser::dimStatement(bool) {
    auto s = stmt<Dim>();
    for (;;) {
        s->items.push_back(dimItem());
        if (tok_.kind != Tok::Comma) break;
        advance();
    }
    std::unordered_set<std::string> seen;
    for (DimItem& item : s->items) {
        if (proc_) {
            auto& locals = proc_->proc->locals;
            if (locals.count(item.ref.folded) || !seen.insert(item.ref.folded).second) fail(syntax::NameRedefined);
            int32_t slot = proc_->proc->slotCount++;
            locals[item.ref.folded] = slot;
            if (item.isArray && !item.bounds.empty()) proc_->proc->arrays.push_back(&item);
        } else if (!scope_) {
            program_->variables.push_back(item.ref.folded);
        }
        if (declaresInScope()) declareInScope(item.ref, false);
        else track(item.ref);
        for (ExprPtr& b : item.bounds) (void)b;
    }
    return s;
}

StmtPtr Parser::redimStatement() {
    auto s = stmt<ReDim>();
    advance();
    if (isWord("preserve")) {
        s->preserve = true;
        advance();
    }
    for (;;) {
        DimItem item = dimItem();
        if (item.bounds.empty()) fail(syntax::ExpectedLParen);
        s->items.push_back(std::move(item));
        if (tok_.kind != Tok::Comma) break;
        advance();
    }
    for (DimItem& item : s->items) track(item.ref);
    return s;
}

StmtPtr Parser::constStatement() {
    // Several constants in one statement become one statement each, run in order.
    auto first = stmt<Const>();
    std::vector<std::unique_ptr<Const>> all;
    for (;;) {
        auto c = all.empty() ? std::move(first) : stmt<Const>();
        c->ref = nameRef(identifier());
        expect(Tok::Eq, syntax::ExpectedEquals);
        c->value = expression();
        all.push_back(std::move(c));
        if (tok_.kind != Tok::Comma) break;
        advance();
    }
    // Only a statement can be returned: chain the rest as an If True block would be odd, so
    // several constants are wrapped in an always-true If without condition overhead.
    auto registerConst = [&](Const& c) {
        if (proc_) {
            auto& locals = proc_->proc->locals;
            if (locals.count(c.ref.folded)) fail(syntax::NameRedefined);
            int32_t slot = proc_->proc->slotCount++;
            locals[c.ref.folded] = slot;
            c.ref.constant = true;
            proc_->proc->constants.emplace_back(slot, c.value.get());
        } else if (!scope_) {
            program_->constants.push_back(&c);
        }
        if (declaresInScope()) declareInScope(c.ref, true);
        else track(c.ref);
    };
    for (auto& c : all) registerConst(*c);
    if (all.size() == 1) return std::move(all.front());
    auto wrapper = stmt<If>();
    If::Branch branch;
    auto yes = node<Literal>(tok_);
    yes->value = vb::Variant(true);
    branch.condition = std::move(yes);
    for (auto& c : all) branch.body.push_back(std::move(c));
    wrapper->branches.push_back(std::move(branch));
    return wrapper;
}

StmtPtr Parser::ifStatement() {
    auto s = stmt<If>();
    advance();
    If::Branch first;
    first.condition = expression();
    expectWord("then", syntax::ExpectedThen);
    if (!(tok_.kind == Tok::Newline || tok_.kind == Tok::End)) {
        // One-line form: statements up to the line end, an optional Else part.
        first.body = block(true);
        s->branches.push_back(std::move(first));
        if (isWord("else")) {
            advance();
            s->elseBody = block(true);
        }
        if (isWord("end") && peek().kind == Tok::Word && foldName(peek().text) == "if") {
            advance();
            advance();
        }
        return s;
    }
    first.body = block();
    s->branches.push_back(std::move(first));
    for (;;) {
        if (isWord("elseif")) {
            advance();
            If::Branch b;
            b.condition = expression();
            expectWord("then", syntax::ExpectedThen);
            if (!atEndOfStatement()) {
                b.body = block(true);
            } else {
                b.body = block();
            }
            s->branches.push_back(std::move(b));
            continue;
        }
        if (isWord("else")) {
            advance();
            s->elseBody = block();  // the last part: End If must follow
        }
        break;
    }
    expectWord("end", syntax::ExpectedEnd);
    expectWord("if", syntax::ExpectedIf);
    return s;
}

StmtPtr Parser::selectStatement() {
    auto s = stmt<Select>();
    advance();
    expectWord("case", syntax::ExpectedCase);
    s->test = expression();
    endStatement();
    for (;;) {
        while (tok_.kind == Tok::Newline || tok_.kind == Tok::Colon) advance();
        if (!isWord("case")) break;
        advance();
        if (isWord("else")) {
            advance();
            if (tok_.kind == Tok::Colon) advance();
            s->elseBody = block();  // the last part: End Select must follow
            s->hasElse = true;
            break;
        }
        Select::Case c;
        for (;;) {
            c.items.push_back(expression());
            if (tok_.kind != Tok::Comma) break;
            advance();
        }
        // "Case 4 To 6" stops here, at "To".
        if (!atEndOfStatement()) fail(syntax::ExpectedEndOfStatement);
        if (tok_.kind == Tok::Colon) advance();
        c.body = block();
        s->cases.push_back(std::move(c));
    }
    expectWord("end", syntax::ExpectedEnd);
    expectWord("select", syntax::ExpectedSelect);
    return s;
}

StmtPtr Parser::forStatement() {
    Token at = tok_;
    advance();
    if (isWord("each")) {
        auto s = stmt<ForEach>();
        s->line = at.line;
        s->column = at.column;
        advance();
        Token nameTok = tok_;
        auto n = node<Name>(nameTok);
        n->ref = nameRef(identifier());
        track(n->ref);
        s->element = std::move(n);
        expectWord("in", syntax::ExpectedIn);
        s->group = expression();
        endStatement();
        ++forDepth_;
        s->body = block();
        --forDepth_;
        expectWord("next", syntax::ExpectedNext);
        if (tok_.kind == Tok::Word && !isWord("else") && !isWord("end")) advance();  // Next name
        return s;
    }
    auto s = stmt<For>();
    s->line = at.line;
    s->column = at.column;
    if (tok_.kind != Tok::Word) fail(syntax::InvalidForVariable);
    Token nameTok = tok_;
    auto n = node<Name>(nameTok);
    n->ref = nameRef(identifier());
    track(n->ref);
    s->counter = std::move(n);
    expect(Tok::Eq, syntax::ExpectedEquals);
    s->start = expression();
    expectWord("to", syntax::ExpectedTo);
    s->end = expression();
    if (isWord("step")) {
        advance();
        s->step = expression();
    }
    endStatement();
    ++forDepth_;
    s->body = block();
    --forDepth_;
    expectWord("next", syntax::ExpectedNext);
    if (tok_.kind == Tok::Word && !atBlockEnd()) advance();  // Next name
    return s;
}

StmtPtr Parser::doStatement() {
    auto s = stmt<Do>();
    advance();
    if (isWord("while") || isWord("until")) {
        s->until = isWord("until");
        advance();
        s->condition = expression();
        s->testFirst = true;
    }
    endStatement();
    ++doDepth_;
    s->body = block();
    --doDepth_;
    expectWord("loop", syntax::ExpectedLoop);
    if (isWord("while") || isWord("until")) {
        if (s->condition) fail(syntax::ExpectedEndOfStatement);
        s->until = isWord("until");
        advance();
        s->condition = expression();
        s->testFirst = false;
    }
    return s;
}

StmtPtr Parser::whileStatement() {
    auto s = stmt<Do>();
    advance();
    s->condition = expression();
    s->wend = true;
    endStatement();
    // While ... Wend has no Exit of its own; an Exit Do inside leaves an outer Do.
    s->body = block();
    expectWord("wend", syntax::ExpectedWend);
    return s;
}

StmtPtr Parser::withStatement() {
    auto s = stmt<With>();
    advance();
    s->object = expression();
    endStatement();
    s->body = block();
    expectWord("end", syntax::ExpectedEnd);
    expectWord("with", syntax::ExpectedWith);
    return s;
}

StmtPtr Parser::exitStatement() {
    auto s = stmt<Exit>();
    advance();
    std::string w = tok_.kind == Tok::Word ? folded(tok_) : std::string();
    Procedure* p = proc_ ? proc_->proc : nullptr;
    if (w == "do") {
        if (doDepth_ == 0) fail(syntax::InvalidExit);
        s->what = ExitKind::Do;
    } else if (w == "for") {
        if (forDepth_ == 0) fail(syntax::InvalidExit);
        s->what = ExitKind::For;
    } else if (w == "sub") {
        if (!p || p->kind != ProcKind::Sub) fail(syntax::InvalidExit);
        s->what = ExitKind::Sub;
    } else if (w == "function") {
        if (!p || p->kind != ProcKind::Function) fail(syntax::InvalidExit);
        s->what = ExitKind::Function;
    } else if (w == "property") {
        if (!p ||
            (p->kind != ProcKind::PropertyGet && p->kind != ProcKind::PropertyLet && p->kind != ProcKind::PropertySet))
            fail(syntax::InvalidExit);
        s->what = ExitKind::Property;
    } else {
        fail(syntax::InvalidExit);
    }
    advance();
    return s;
}

StmtPtr Parser::onErrorStatement() {
    auto s = stmt<OnError>();
    advance();
    expectWord("error", syntax::SyntaxError);
    if (isWord("resume")) {
        advance();
        expectWord("next", syntax::SyntaxError);
        s->resumeNext = true;
        return s;
    }
    if (isWord("goto")) {
        advance();
        if (tok_.kind != Tok::Literal || !tok_.value.isNumber() || vb::toDouble(tok_.value) != 0)
            fail(syntax::SyntaxError);
        advance();
        s->resumeNext = false;
        return s;
    }
    fail(syntax::SyntaxError);
}

StmtPtr Parser::eraseStatement() {
    auto s = stmt<Erase>();
    advance();
    s->ref = nameRef(identifier());
    track(s->ref);
    return s;
}

StmtPtr Parser::callOrAssign(bool explicitCall, bool isSet) {
    Token at = tok_;
    ExprPtr target = postfix(primary(), !explicitCall);
    if (tok_.kind == Tok::Eq && !explicitCall) {
        advance();
        auto s = stmt<Assign>();
        s->line = at.line;
        s->column = at.column;
        s->isSet = isSet;
        if (target->kind != ExprKind::Name && target->kind != ExprKind::Member && target->kind != ExprKind::Call)
            fail(syntax::ExpectedStatement);
        if (target->kind == ExprKind::Name && static_cast<Name&>(*target).ref.constant) fail(syntax::SyntaxError);
        s->target = std::move(target);
        if (isSet && isWord("new")) {
            Token newTok = tok_;
            advance();
            auto n = node<New>(newTok);
            n->className = nameRef(identifier());
            s->value = std::move(n);
        } else {
            s->value = expression();
            s->appends = !isSet && appendsToItself(*s->target, *s->value);
        }
        return s;
    }
    if (isSet) fail(syntax::ExpectedEquals);
    auto s = stmt<CallStmt>();
    s->line = at.line;
    s->column = at.column;
    if (target->kind != ExprKind::Name && target->kind != ExprKind::Member && target->kind != ExprKind::Call)
        fail(syntax::ExpectedStatement);
    if (explicitCall || atEndOfStatement() || isWord("else")) {
        if (!explicitCall && target->kind == ExprKind::Call) {
            auto& call = static_cast<Call&>(*target);
            // name(a, b) as a statement needs Call; name(a) passes a copy of a.
            if (call.args.size() > 1) fail(syntax::ParenthesesOnSubCall);
            if (call.args.size() == 1 && call.args[0] && call.args[0]->kind != ExprKind::Paren &&
                call.target->kind == ExprKind::Name) {
                auto p = node<Paren>(at);
                p->inner = std::move(call.args[0]);
                measure(*p);
                call.args[0] = std::move(p);
            }
        }
        s->call = std::move(target);
        return s;
    }
    // name arg, arg...: the arguments without parentheses.
    auto call = node<Call>(at);
    call->target = std::move(target);
    call->args = argumentList(Tok::End);
    measure(*call);
    if (tok_.kind == Tok::Eq && call->args.size() == 1 && call->args[0] && call->args[0]->kind == ExprKind::Paren) {
        // "a (i) = x": an element assignment written with a blank before the parenthesis.
        advance();
        auto& p = static_cast<Paren&>(*call->args[0]);
        ExprPtr index = std::move(p.inner);
        call->args[0] = std::move(index);
        auto a = stmt<Assign>();
        a->line = at.line;
        a->column = at.column;
        a->target = std::move(call);
        a->value = expression();
        return a;
    }
    s->call = std::move(call);
    return s;
}

// `name = name & ...`: the same name on both sides resolves to the same variable.
bool Parser::appendsToItself(const Expr& target, const Expr& value) {
    if (target.kind != ExprKind::Name) return false;
    const Expr* e = &value;
    bool concat = false;
    while (e->kind == ExprKind::Binary && static_cast<const Binary*>(e)->op == Op::Concat) {
        e = static_cast<const Binary*>(e)->left.get();
        concat = true;
    }
    return concat && e->kind == ExprKind::Name &&
           static_cast<const Name*>(e)->ref.folded == static_cast<const Name&>(target).ref.folded;
}

// ---------------------------------------------------------------- procedures and classes

void Parser::resolveProcedure(ProcContext& ctx) {
    Procedure& p = *ctx.proc;
    std::unordered_map<std::string, int32_t> implicit;
    for (NameRef* ref : ctx.refs) {
        auto it = p.locals.find(ref->folded);
        if (it != p.locals.end()) {
            ref->scope = Scope::Local;
            ref->slot = it->second;
            if (std::find_if(p.constants.begin(), p.constants.end(), [&](auto& c) { return c.first == it->second; }) !=
                p.constants.end())
                ref->constant = true;
            continue;
        }
        auto [slot, added] = implicit.try_emplace(ref->folded, p.slotCount);
        if (added) ++p.slotCount;
        ref->implicitSlot = slot->second;
    }
    p.implicits = std::move(implicit);
}

// A name in text executed inside a procedure means what it would in the procedure's own code:
// a local, then a member of the method's class, then the procedure's undeclared name; a name
// the procedure never used gets a slot of the frame, to be used as an undeclared name is.
void Parser::resolveInScope(NameRef& ref) {
    const Procedure& p = *scope_;
    if (auto it = p.locals.find(ref.folded); it != p.locals.end()) {
        ref.scope = Scope::Local;
        ref.slot = it->second;
        ref.constant = std::find_if(p.constants.begin(), p.constants.end(),
                                    [&](auto& c) { return c.first == it->second; }) != p.constants.end();
        return;
    }
    if (frame_) {
        if (auto it = frame_->names.find(ref.folded); it != frame_->names.end() && it->second.declared) {
            ref.scope = Scope::Local;
            ref.slot = it->second.slot;
            ref.constant = it->second.constant;
            return;
        }
    }
    if (p.owner) {
        if (auto it = p.owner->byName.find(ref.folded); it != p.owner->byName.end()) {
            const ClassMember& m = p.owner->members[static_cast<std::size_t>(it->second)];
            ref.scope = m.field >= 0 ? Scope::Field : Scope::ClassMember;
            ref.slot = m.field >= 0 ? m.field : it->second;
            return;
        }
    }
    if (auto it = p.implicits.find(ref.folded); it != p.implicits.end()) {
        ref.implicitSlot = it->second;
        return;
    }
    if (!frame_) return;
    auto [it, added] = frame_->names.try_emplace(ref.folded);
    if (added) it->second.slot = frame_->nextSlot++;
    ref.implicitSlot = it->second.slot;
}

// `Dim x` or `Const x = ...` in text executed inside a procedure: a local of that procedure's
// frame (the procedure's own undeclared name of that spelling becomes it).
void Parser::declareInScope(NameRef& ref, bool constant) {
    const Procedure& p = *scope_;
    if (auto it = p.locals.find(ref.folded); it != p.locals.end() || !frame_) {
        resolveInScope(ref);
        return;
    }
    auto [it, added] = frame_->names.try_emplace(ref.folded);
    if (added) {
        auto own = p.implicits.find(ref.folded);
        it->second.slot = own != p.implicits.end() ? own->second : frame_->nextSlot++;
    }
    it->second.declared = true;
    it->second.constant = it->second.constant || constant;
    ref.scope = Scope::Local;
    ref.slot = it->second.slot;
    ref.constant = constant;
}

void Parser::resolveClass(ClassDef& cls, std::vector<NameRef*>& refs) {
    for (NameRef* ref : refs) {
        if (ref->scope != Scope::Global) continue;
        auto it = cls.byName.find(ref->folded);
        if (it == cls.byName.end()) continue;
        const ClassMember& m = cls.members[static_cast<std::size_t>(it->second)];
        if (m.field >= 0) {
            ref->scope = Scope::Field;
            ref->slot = m.field;
        } else {
            ref->scope = Scope::ClassMember;
            ref->slot = it->second;
        }
    }
}

void Parser::procedure(bool isPublic, bool isDefault, ClassDef* cls) {
    auto p = std::make_shared<Procedure>();
    p->line = tok_.line;
    p->isPublic = isPublic;
    p->isDefault = isDefault;
    std::string w = folded(tok_);
    advance();
    std::string endWord = w;
    if (w == "sub") {
        p->kind = ProcKind::Sub;
    } else if (w == "function") {
        p->kind = ProcKind::Function;
    } else {
        if (!cls) fail(syntax::InsideClassOnly);
        std::string which = tok_.kind == Tok::Word ? folded(tok_) : std::string();
        if (which == "get") p->kind = ProcKind::PropertyGet;
        else if (which == "let") p->kind = ProcKind::PropertyLet;
        else if (which == "set") p->kind = ProcKind::PropertySet;
        else fail(syntax::ExpectedLetSetGet);
        advance();
    }
    if (isDefault && p->kind != ProcKind::Function && p->kind != ProcKind::Sub && p->kind != ProcKind::PropertyGet)
        fail(syntax::SyntaxError);
    p->name = identifier();
    p->folded = foldName(p->name);
    if (tok_.kind == Tok::LParen) {
        advance();
        if (tok_.kind != Tok::RParen) {
            for (;;) {
                Param prm;
                if (isWord("byval")) {
                    prm.byVal = true;
                    advance();
                } else if (isWord("byref")) advance();
                prm.name = identifier();
                if (tok_.kind == Tok::LParen) {
                    advance();
                    expect(Tok::RParen, syntax::ExpectedRParen);
                }
                std::string f = foldName(prm.name);
                if (p->locals.count(f)) fail(syntax::NameRedefined);
                p->locals[f] = static_cast<int32_t>(p->params.size()) + 1;
                p->params.push_back(std::move(prm));
                if (tok_.kind != Tok::Comma) break;
                advance();
            }
        }
        expect(Tok::RParen, syntax::ExpectedRParen);
    }
    p->slotCount = static_cast<int32_t>(p->params.size()) + 1;
    if ((p->kind == ProcKind::PropertyLet || p->kind == ProcKind::PropertySet) && p->params.empty())
        fail(syntax::LetSetArgument);
    if (p->kind == ProcKind::Function || p->kind == ProcKind::PropertyGet) {
        if (!p->locals.count(p->folded)) p->locals[p->folded] = 0;
    }
    p->optionExplicit = program_->optionExplicit;
    p->owner = cls;
    endStatement();

    ProcContext ctx;
    ctx.proc = p.get();
    ProcContext* outer = proc_;
    proc_ = &ctx;
    int savedDo = doDepth_, savedFor = forDepth_;
    doDepth_ = forDepth_ = 0;
    p->body = block();
    doDepth_ = savedDo;
    forDepth_ = savedFor;
    proc_ = outer;
    expectWord("end", syntax::ExpectedEnd);
    if (endWord == "sub") expectWord("sub", syntax::ExpectedSub);
    else if (endWord == "function") expectWord("function", syntax::ExpectedFunction);
    else expectWord("property", syntax::ExpectedProperty);
    resolveProcedure(ctx);

    if (!cls) {
        program_->procedures.push_back(p);
        return;
    }
    if (p->folded == "class_initialize" || p->folded == "class_terminate") {
        if (!p->params.empty()) fail(syntax::InitTerminateArguments);
        (p->folded == "class_initialize" ? cls->initialize : cls->terminate) = p;
    }
    auto [it, added] = cls->byName.try_emplace(p->folded, static_cast<int32_t>(cls->members.size()));
    if (added) {
        ClassMember m;
        m.name = p->name;
        m.isPublic = isPublic;
        cls->members.push_back(std::move(m));
    }
    ClassMember& m = cls->members[static_cast<std::size_t>(it->second)];
    if (m.field >= 0) fail(syntax::NameRedefined);
    switch (p->kind) {
    case ProcKind::Sub:
    case ProcKind::Function:
        if (m.method || m.get || m.let || m.set) fail(syntax::NameRedefined);
        m.method = p;
        break;
    case ProcKind::PropertyGet:
        if (m.get || m.method) fail(syntax::NameRedefined);
        m.get = p;
        break;
    case ProcKind::PropertyLet:
        if (m.let || m.method) fail(syntax::NameRedefined);
        m.let = p;
        break;
    case ProcKind::PropertySet:
        if (m.set || m.method) fail(syntax::NameRedefined);
        m.set = p;
        break;
    }
    if (isPublic) m.isPublic = true;
    if (isDefault) {
        if (cls->defaultMember >= 0 && cls->defaultMember != it->second) fail(syntax::TwoDefaults);
        cls->defaultMember = it->second;
    }
    // The names of this procedure still to resolve against the class.
    classRefs_.insert(classRefs_.end(), ctx.refs.begin(), ctx.refs.end());
}

void Parser::classDefinition() {
    advance();  // Class
    if (class_ || proc_) fail(syntax::ExpectedStatement);
    auto cls = std::make_shared<ClassDef>();
    cls->name = identifier();
    cls->folded = foldName(cls->name);
    endStatement();
    class_ = cls.get();
    classRefs_.clear();
    classBody(*cls, classRefs_);
    class_ = nullptr;
    expectWord("end", syntax::ExpectedEnd);
    expectWord("class", syntax::ExpectedClass);
    resolveClass(*cls, classRefs_);
    classRefs_.clear();
    program_->classes.push_back(std::move(cls));
}

void Parser::classBody(ClassDef& cls, std::vector<NameRef*>&) {
    for (;;) {
        while (tok_.kind == Tok::Newline || tok_.kind == Tok::Colon) advance();
        if (isWord("end") || tok_.kind == Tok::End) return;
        bool isPublic = true, isDefault = false, sawScope = false;
        if (isWord("public") || isWord("private")) {
            isPublic = isWord("public");
            sawScope = true;
            advance();
            if (isWord("default")) {
                if (!isPublic) fail(syntax::DefaultOnlyPublic);
                isDefault = true;
                advance();
            }
        }
        if (isWord("sub") || isWord("function") || isWord("property")) {
            procedure(isPublic, isDefault, &cls);
            endStatement();
            continue;
        }
        if (isDefault) fail(syntax::ExpectedFunction);
        if (isWord("dim")) {
            if (sawScope) fail(syntax::ExpectedIdentifier);
            advance();
        } else if (!sawScope) {
            fail(syntax::ExpectedStatement);
        }
        if (isWord("const")) fail(syntax::ExpectedStatement);
        for (;;) {
            DimItem item = dimItem();
            if (cls.byName.count(item.ref.folded)) fail(syntax::NameRedefined);
            ClassMember m;
            m.name = item.ref.name;
            m.isPublic = isPublic;
            m.field = cls.fieldCount++;
            m.bounds = std::move(item.bounds);
            m.isArray = item.isArray;
            cls.byName[item.ref.folded] = static_cast<int32_t>(cls.members.size());
            cls.members.push_back(std::move(m));
            if (tok_.kind != Tok::Comma) break;
            advance();
        }
        endStatement();
    }
}

void Parser::topLevelItem(Block& into) {
    if (tok_.kind == Tok::Word && !bracketed(tok_)) {
        std::string w = folded(tok_);
        if (w == "option") {
            advance();
            expectWord("explicit", syntax::SyntaxError);
            program_->optionExplicit = true;
            return;
        }
        if (w == "class") {
            classDefinition();
            return;
        }
        if (w == "sub" || w == "function" || w == "property") {
            procedure(true, false, nullptr);
            return;
        }
        if (w == "public" || w == "private") {
            advance();
            if (isWord("default")) fail(syntax::InsideClassOnly);
            if (isWord("sub") || isWord("function")) {
                procedure(w == "public", false, nullptr);
                return;
            }
            if (isWord("const")) {
                advance();
                into.push_back(constStatement());
                return;
            }
            into.push_back(dimStatement(true));
            return;
        }
    }
    StmtPtr s = statement();
    if (s) into.push_back(std::move(s));
}

std::unique_ptr<Program> Parser::program() {
    program_ = std::make_unique<Program>();
    for (;;) {
        while (tok_.kind == Tok::Newline || tok_.kind == Tok::Colon) advance();
        if (tok_.kind == Tok::End) break;
        if (atBlockEnd()) {
            if (isWord("next")) fail(syntax::UnexpectedNext);
            fail(syntax::ExpectedStatement);
        }
        topLevelItem(program_->statements);
        endStatement();
    }
    return std::move(program_);
}

ExprPtr Parser::expressionOnly() {
    program_ = std::make_unique<Program>();
    while (tok_.kind == Tok::Newline) advance();
    ExprPtr e = expression();
    while (tok_.kind == Tok::Newline) advance();
    if (tok_.kind != Tok::End) fail(syntax::ExpectedEndOfStatement);
    return e;
}

// ---------------------------------------------------------------- expressions

ExprPtr Parser::expression() {
    Nest nest(*this);
    return binaryLevel(0);
}

namespace {

bool wordOp(const Token& t, std::string_view w) {
    return t.kind == Tok::Word && t.value.kind() != vb::VarKind::Boolean && foldName(t.text) == w;
}

}  // namespace

// Levels from the loosest: Imp, Eqv, Xor, Or, And, (Not), comparisons, &, + -, Mod, \, * /.
ExprPtr Parser::binaryLevel(int level) {
    if (level == 5) return notLevel();
    if (level >= 12) return negation();
    ExprPtr left = binaryLevel(level + 1);
    for (;;) {
        Op op;
        const Token& t = tok_;
        bool found = true;
        switch (level) {
        case 0:
            found = wordOp(t, "imp");
            op = Op::Imp;
            break;
        case 1:
            found = wordOp(t, "eqv");
            op = Op::Eqv;
            break;
        case 2:
            found = wordOp(t, "xor");
            op = Op::Xor;
            break;
        case 3:
            found = wordOp(t, "or");
            op = Op::Or;
            break;
        case 4:
            found = wordOp(t, "and");
            op = Op::And;
            break;
        case 6:
            switch (t.kind) {
            case Tok::Eq: op = Op::Eq; break;
            case Tok::Ne: op = Op::Ne; break;
            case Tok::Lt: op = Op::Lt; break;
            case Tok::Gt: op = Op::Gt; break;
            case Tok::Le: op = Op::Le; break;
            case Tok::Ge: op = Op::Ge; break;
            default:
                found = wordOp(t, "is");
                op = Op::Is;
                break;
            }
            break;
        case 7:
            found = t.kind == Tok::Amp;
            op = Op::Concat;
            break;
        case 8:
            found = t.kind == Tok::Plus || t.kind == Tok::Minus;
            op = t.kind == Tok::Plus ? Op::Add : Op::Sub;
            break;
        case 9:
            found = wordOp(t, "mod");
            op = Op::Mod;
            break;
        case 10:
            found = t.kind == Tok::Backslash;
            op = Op::IntDiv;
            break;
        case 11:
            found = t.kind == Tok::Star || t.kind == Tok::Slash;
            op = t.kind == Tok::Star ? Op::Mul : Op::Div;
            break;
        default:
            found = false;
            op = Op::Add;
            break;
        }
        if (!found) return left;
        Token at = tok_;
        advance();
        Nest nest(*this);
        ExprPtr right = binaryLevel(level + 1);
        left = makeBinary(op, std::move(left), std::move(right), at);
    }
}

// The height of an expression tree is bounded too, so that evaluating and releasing it
// cannot exhaust the stack (a chain of 10 000 "+" is not nested but is deep).
void Parser::measure(Expr& e) {
    int depth = 1;
    auto child = [&](const ExprPtr& c) {
        if (c) depth = std::max(depth, c->depth + 1);
    };
    switch (e.kind) {
    case ExprKind::Member: child(static_cast<Member&>(e).object); break;
    case ExprKind::Call:
        child(static_cast<Call&>(e).target);
        for (const ExprPtr& a : static_cast<Call&>(e).args) child(a);
        break;
    case ExprKind::Paren: child(static_cast<Paren&>(e).inner); break;
    case ExprKind::Unary: child(static_cast<Unary&>(e).operand); break;
    case ExprKind::Binary:
        child(static_cast<Binary&>(e).left);
        child(static_cast<Binary&>(e).right);
        break;
    default: break;
    }
    if (depth > kMaxExpressionDepth) throw SyntaxError(syntax::TooComplex, e.line, e.column);
    e.depth = static_cast<uint16_t>(depth);
}

ExprPtr Parser::makeBinary(Op op, ExprPtr l, ExprPtr r, const Token& at) {
    auto b = node<Binary>(at);
    b->op = op;
    auto literalLike = [](const Expr& e) {
        if (e.kind == ExprKind::Literal) return true;
        if (e.kind == ExprKind::Unary && static_cast<const Unary&>(e).operand->kind == ExprKind::Literal) return true;
        if (e.kind == ExprKind::Name && static_cast<const Name&>(e).ref.constant) return true;
        return false;
    };
    b->convertMixed = literalLike(*l) || literalLike(*r);
    b->left = std::move(l);
    b->right = std::move(r);
    measure(*b);
    return b;
}

ExprPtr Parser::notLevel() {
    if (wordOp(tok_, "not")) {
        Token at = tok_;
        advance();
        Nest nest(*this);
        auto u = node<Unary>(at);
        u->op = Op::Not;
        u->operand = notLevel();
        measure(*u);
        return u;
    }
    return binaryLevel(6);
}

// Unary minus binds tighter than "^" in the language: -3 ^ 2 is 9, 2 ^ -1 is 0.5.
ExprPtr Parser::negation() {
    ExprPtr left = powerOperand();
    while (tok_.kind == Tok::Caret) {
        Token at = tok_;
        advance();
        Nest nest(*this);
        left = makeBinary(Op::Pow, std::move(left), powerOperand(), at);
    }
    return left;
}

ExprPtr Parser::powerOperand() {
    if (tok_.kind == Tok::Minus || tok_.kind == Tok::Plus) {
        Token at = tok_;
        bool minus = tok_.kind == Tok::Minus;
        advance();
        Nest nest(*this);
        ExprPtr operand = powerOperand();
        if (!minus) return operand;
        auto u = node<Unary>(at);
        u->op = Op::Neg;
        u->operand = std::move(operand);
        measure(*u);
        return u;
    }
    return postfix(primary(), false);
}

std::vector<ExprPtr> Parser::argumentList(Tok closing) {
    std::vector<ExprPtr> args;
    auto atClose = [&] {
        return closing == Tok::RParen ? tok_.kind == Tok::RParen : (atEndOfStatement() || isWord("else"));
    };
    if (atClose()) return args;
    for (;;) {
        if (tok_.kind == Tok::Comma || atClose()) {
            args.push_back(node<Missing>(tok_));
        } else {
            args.push_back(expression());
        }
        if (tok_.kind != Tok::Comma) break;
        advance();
    }
    return args;
}

ExprPtr Parser::postfix(ExprPtr e, bool statementTarget) {
    for (;;) {
        if (tok_.kind == Tok::Dot && !tok_.spaceBefore) {
            Token at = tok_;
            advance();
            if (tok_.kind != Tok::Word) fail(syntax::ExpectedIdentifier);
            auto m = node<Member>(at);
            m->object = std::move(e);
            m->name = tok_.text;
            advance();
            measure(*m);
            e = std::move(m);
            continue;
        }
        if (tok_.kind == Tok::LParen && !(statementTarget && tok_.spaceBefore)) {
            Token at = tok_;
            advance();
            Nest nest(*this);
            auto c = node<Call>(at);
            c->target = std::move(e);
            c->args = argumentList(Tok::RParen);
            expect(Tok::RParen, syntax::ExpectedRParen);
            measure(*c);
            e = std::move(c);
            continue;
        }
        return e;
    }
}

ExprPtr Parser::primary() {
    Token at = tok_;
    switch (tok_.kind) {
    case Tok::Literal: {
        auto l = node<Literal>(at);
        l->value = std::move(tok_.value);
        advance();
        return l;
    }
    case Tok::LParen: {
        advance();
        Nest nest(*this);
        auto p = node<Paren>(at);
        p->inner = expression();
        expect(Tok::RParen, syntax::ExpectedRParen);
        measure(*p);
        return p;
    }
    case Tok::Dot: {
        advance();
        if (tok_.kind != Tok::Word) fail(syntax::ExpectedIdentifier);
        auto m = node<Member>(at);
        m->name = tok_.text;
        advance();
        return m;
    }
    case Tok::Word: {
        if (!bracketed(tok_)) {
            std::string w = folded(tok_);
            auto literal = [&](vb::Variant v) {
                auto l = node<Literal>(at);
                l->value = std::move(v);
                advance();
                return l;
            };
            if (w == "true") return literal(vb::Variant(true));
            if (w == "false") return literal(vb::Variant(false));
            if (w == "empty") return literal(vb::Variant());
            if (w == "null") return literal(vb::Variant::null());
            if (w == "nothing") return literal(vb::Variant::nothing());
            if (w == "me") {
                if (!class_ && !(scope_ && scope_->owner)) fail(syntax::ExpectedExpression);
                advance();
                return node<Me>(at);
            }
            if (w == "new") {
                advance();
                auto n = node<New>(at);
                n->className = nameRef(identifier());
                return n;
            }
            if (reservedWords().count(w)) fail(syntax::ExpectedExpression);
        }
        auto n = node<Name>(at);
        n->ref = nameRef(tok_.text);
        advance();
        track(n->ref);
        return n;
    }
    default: fail(syntax::ExpectedExpression);
    }
}

}  // namespace

std::unique_ptr<Program> parseProgram(std::string_view text, const Procedure* scope, FrameNames* frame) {
    Parser p(text, scope, frame);
    return p.program();
}

ExprPtr parseExpression(std::string_view text, const Procedure* procedure, FrameNames* frame) {
    Parser p(text, procedure, frame);
    return p.expressionOnly();
}

}  // namespace script
