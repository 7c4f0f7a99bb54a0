#include "vb/Operators.h"

#include <algorithm>
#include <charconv>
#include <cfloat>
#include <cmath>

#include "vb/CodePage.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"

namespace vb {

namespace {

// An operand with objects replaced by their default value, without copying anything else.
class Resolved {
public:
    explicit Resolved(const Variant& v) : p_(&v) {
        if (v.isObject()) {
            held_ = valueOf(v);
            p_ = &held_;
        }
    }
    const Variant& operator*() const { return *p_; }
    const Variant* operator->() const { return p_; }

private:
    const Variant* p_;
    Variant held_;
};

// The arithmetic kinds in the order results widen.
enum Rank { RByte = 1, RInteger, RLong, RSingle, RDouble, RCurrency, RDate };

Rank rankOf(const Variant& v) {
    switch (v.kind()) {
        case VarKind::Empty:
        case VarKind::Boolean:
        case VarKind::Integer: return RInteger;
        case VarKind::Byte: return RByte;
        case VarKind::Long: return RLong;
        case VarKind::Single: return RSingle;
        case VarKind::Double:
        case VarKind::String: return RDouble;
        case VarKind::Currency: return RCurrency;
        case VarKind::Date: return RDate;
        default: raise(errors::TypeMismatch);
    }
}

int64_t wholeValue(const Variant& v) {
    switch (v.kind()) {
        case VarKind::Boolean: return v.boolean() ? -1 : 0;
        case VarKind::Byte: return v.byte();
        case VarKind::Integer: return v.integer();
        case VarKind::Long: return v.lng();
        default: return 0;  // Empty
    }
}

// A whole-number result in the narrowest kind from `rank` up that holds it.
Variant fitWhole(int64_t v, Rank rank) {
    if (rank <= RByte && v >= 0 && v <= 255) return Variant(static_cast<uint8_t>(v));
    if (rank <= RInteger && v >= INT16_MIN && v <= INT16_MAX) return Variant(static_cast<int16_t>(v));
    if (v >= INT32_MIN && v <= INT32_MAX) return Variant(static_cast<int32_t>(v));
    return Variant(static_cast<double>(v));
}

double finite(double d) {
    if (!std::isfinite(d)) raise(errors::Overflow);
    return d;
}

int64_t currencyOf(const Variant& v) {
    if (v.kind() == VarKind::Currency) return v.currencyValue();
    return CCur(v).currencyValue();
}

Variant currencyResult(__int128 v) {
    if (v > INT64_MAX || v < INT64_MIN) raise(errors::Overflow);
    return Variant::currency(static_cast<int64_t>(v));
}

Variant dateResult(double d) {
    if (!isValidDateSerial(d)) raise(errors::Overflow);
    return Variant(Date{d});
}

enum class Op { Add, Subtract, Multiply };

Variant arithmetic(Op op, const Variant& a0, const Variant& b0) {
    Resolved a(a0), b(b0);
    if (a->isNull() || b->isNull()) return Variant::null();
    if (op == Op::Add) {
        if (a->isString() && b->isString()) {
            requireTextLength(a->str().size() + b->str().size());
            return Variant(a->str() + b->str());
        }
        if (a->isString() && b->isEmpty()) return *a;
        if (b->isString() && a->isEmpty()) return *b;
    }
    Rank ra = rankOf(*a), rb = rankOf(*b);
    Rank r = std::max(ra, rb);
    if (r == RSingle && (ra == RLong || rb == RLong)) r = RDouble;
    if (r == RDate && (op == Op::Multiply || (op == Op::Subtract && ra == RDate && rb == RDate))) r = RDouble;
    auto apply = [op](auto x, auto y) { return op == Op::Add ? x + y : op == Op::Subtract ? x - y : x * y; };
    switch (r) {
        case RByte:
        case RInteger:
        case RLong: return fitWhole(apply(wholeValue(*a), wholeValue(*b)), r);
        case RSingle: {
            double d = apply(static_cast<double>(CSng(*a)), static_cast<double>(CSng(*b)));
            if (std::fabs(d) <= FLT_MAX) return Variant(static_cast<float>(d));
            return Variant(finite(d));
        }
        case RDouble: return Variant(finite(apply(toDouble(*a), toDouble(*b))));
        case RCurrency: {
            __int128 x = currencyOf(*a), y = currencyOf(*b);
            if (op != Op::Multiply) return currencyResult(apply(x, y));
            __int128 p = x * y;
            __int128 q = p / 10000, rem = p % 10000;
            // Half to even on the dropped ten-thousandths.
            if (rem * 2 > 10000 || (rem * 2 == 10000 && (q & 1))) ++q;
            if (rem * 2 < -10000 || (rem * 2 == -10000 && (q & 1))) --q;
            return currencyResult(q);
        }
        case RDate: return dateResult(apply(toDouble(*a), toDouble(*b)));
    }
    return Variant();
}

// The whole-number operands of \ and Mod.
Rank integerRank(const Variant& v) {
    switch (v.kind()) {
        case VarKind::Byte: return RByte;
        case VarKind::Empty:
        case VarKind::Boolean:
        case VarKind::Integer: return RInteger;
        case VarKind::Array:
        case VarKind::Error: raise(errors::TypeMismatch);
        default: return RLong;
    }
}

int64_t integerOperand(const Variant& v) {
    switch (v.kind()) {
        case VarKind::Empty:
        case VarKind::Boolean:
        case VarKind::Byte:
        case VarKind::Integer:
        case VarKind::Long: return wholeValue(v);
        default: return CLng(v);
    }
}

template <class Step>
Variant integerArithmetic(const Variant& a0, const Variant& b0, Step step) {
    Resolved a(a0), b(b0);
    if (a->isNull() || b->isNull()) return Variant::null();
    Rank r = std::max(integerRank(*a), integerRank(*b));
    int64_t x = integerOperand(*a), y = integerOperand(*b);
    if (y == 0) raise(errors::DivisionByZero);
    int64_t result = step(x, y);
    if (result < INT32_MIN || result > INT32_MAX) raise(errors::Overflow);
    return fitWhole(result, r);
}

// ---- logical -----------------------------------------------------------------------------

enum LogicRank { LBoolean, LByte, LInteger, LLong };

struct Bits {
    int32_t value;
    LogicRank rank;
};

Bits bitsOf(const Variant& v) {
    switch (v.kind()) {
        case VarKind::Boolean: return {v.boolean() ? -1 : 0, LBoolean};
        case VarKind::Byte: return {v.byte(), LByte};
        case VarKind::Empty: return {0, LInteger};
        case VarKind::Integer: return {v.integer(), LInteger};
        case VarKind::Long: return {v.lng(), LLong};
        case VarKind::String: {
            if (equalsFolded(v.str(), "True")) return {-1, LBoolean};
            if (equalsFolded(v.str(), "False")) return {0, LBoolean};
            return {CLng(v), LLong};
        }
        default: return {CLng(v), LLong};
    }
}

LogicRank resultRank(LogicRank a, LogicRank b) {
    if (a == b) return a;
    if (a == LLong || b == LLong) return LLong;
    return LInteger;
}

Variant makeBits(int32_t value, LogicRank rank) {
    switch (rank) {
        case LBoolean: return Variant(value != 0);
        case LByte: return Variant(static_cast<uint8_t>(value & 0xFF));
        case LInteger: return Variant(static_cast<int16_t>(value));
        case LLong: return Variant(value);
    }
    return Variant();
}

bool allBits(const Bits& b) { return b.rank == LByte ? (b.value & 0xFF) == 0xFF : b.value == -1; }

enum class Logic { And, Or, Xor };

Variant logical(Logic op, const Variant& a0, const Variant& b0) {
    Resolved a(a0), b(b0);
    bool na = a->isNull(), nb = b->isNull();
    if (na && nb) return Variant::null();
    if (na || nb) {
        // Null and False is False, Null or True is True: the other operand decides alone.
        Bits other = bitsOf(na ? *b : *a);
        if (op == Logic::And && other.value == 0) return makeBits(0, other.rank);
        if (op == Logic::Or && allBits(other)) return makeBits(other.value, other.rank);
        return Variant::null();
    }
    Bits x = bitsOf(*a), y = bitsOf(*b);
    int32_t v = op == Logic::And ? (x.value & y.value) : op == Logic::Or ? (x.value | y.value) : (x.value ^ y.value);
    return makeBits(v, resultRank(x.rank, y.rank));
}

// ---- comparison --------------------------------------------------------------------------

Comparison order(double x, double y) {
    return x < y ? Comparison::Less : x > y ? Comparison::Greater : Comparison::Equal;
}

Comparison orderOf(int c) { return c < 0 ? Comparison::Less : c > 0 ? Comparison::Greater : Comparison::Equal; }

bool wholeKind(const Variant& v) {
    switch (v.kind()) {
        case VarKind::Boolean:
        case VarKind::Byte:
        case VarKind::Integer:
        case VarKind::Long: return true;
        default: return false;
    }
}

Comparison numberWithText(const Variant& number, const Variant& text, MixedCompare mixed, bool numberFirst) {
    Comparison c;
    if (mixed == MixedCompare::NumberLess) {
        c = Comparison::Less;
    } else if (number.kind() == VarKind::Date) {
        c = order(number.date().serial, CDate(text).serial);
    } else if (number.kind() == VarKind::Boolean) {
        c = order(toDouble(number), CBool(text) ? -1 : 0);  // "True" and "False" read as Booleans
    } else {
        c = order(toDouble(number), toDouble(text));
    }
    if (numberFirst) return c;
    return c == Comparison::Less ? Comparison::Greater : c == Comparison::Greater ? Comparison::Less : c;
}

Variant truth(Comparison c, bool (*test)(Comparison)) {
    if (c == Comparison::Null) return Variant::null();
    return Variant(test(c));
}

}  // namespace

namespace detail {

Variant arithmetic(int op, const Variant& a, const Variant& b) {
    return vb::arithmetic(op == 0 ? Op::Add : op == 1 ? Op::Subtract : Op::Multiply, a, b);
}

}  // namespace detail

Variant divide(const Variant& a0, const Variant& b0) {
    Resolved a(a0), b(b0);
    if (a->isNull() || b->isNull()) return Variant::null();
    Rank ra = rankOf(*a), rb = rankOf(*b);
    double x = toDouble(*a), y = toDouble(*b);
    if (y == 0) raise(x == 0 ? errors::Overflow : errors::DivisionByZero);
    double q = finite(x / y);
    bool single = (ra == RSingle || rb == RSingle) && std::max(ra, rb) == RSingle && ra != RLong && rb != RLong;
    if (single && std::fabs(q) <= FLT_MAX) return Variant(static_cast<float>(q));
    return Variant(q);
}

Variant integerDivide(const Variant& a, const Variant& b) {
    return integerArithmetic(a, b, [](int64_t x, int64_t y) { return x / y; });
}

Variant modulo(const Variant& a, const Variant& b) {
    return integerArithmetic(a, b, [](int64_t x, int64_t y) { return x % y; });
}

Variant power(const Variant& a0, const Variant& b0) {
    Resolved a(a0), b(b0);
    if (a->isNull() || b->isNull()) return Variant::null();
    double x = toDouble(*a), y = toDouble(*b);
    if ((x == 0 && y < 0) || (x < 0 && y != std::trunc(y))) raise(errors::InvalidProcedureCall);
    return Variant(finite(std::pow(x, y)));
}

Variant negate(const Variant& a0) {
    Resolved a(a0);
    const Variant& v = *a;
    switch (v.kind()) {
        case VarKind::Null: return v;
        case VarKind::Empty: return Variant(int16_t{0});
        case VarKind::Boolean:
        case VarKind::Byte:
        case VarKind::Integer:
        case VarKind::Long: return fitWhole(-wholeValue(v), v.kind() == VarKind::Long ? RLong : RInteger);
        case VarKind::Single: return Variant(-v.sng());
        case VarKind::Currency:
            if (v.currencyValue() == INT64_MIN) raise(errors::Overflow);
            return Variant::currency(-v.currencyValue());
        case VarKind::Date: return dateResult(-v.date().serial);
        case VarKind::Double:
        case VarKind::String: return Variant(-toDouble(v));
        default: raise(errors::TypeMismatch);
    }
}

Variant concatenate(const Variant& a0, const Variant& b0) {
    Resolved a(a0), b(b0);
    if (a->isNull() && b->isNull()) return Variant::null();
    std::string text = a->isNull() ? std::string() : a->isString() ? a->str() : CStr(*a);
    concatenateInto(text, *b);
    return Variant(std::move(text));
}

void concatenateInto(std::string& text, const Variant& b) {
    if (b.isString()) {
        requireTextLength(text.size() + b.str().size());
        text += b.str();
    } else if (b.kind() == VarKind::Long || b.kind() == VarKind::Integer) {
        // Whole numbers, the common case of `"key" & i`, go in without a text of their own.
        char digits[12];
        int32_t n = b.kind() == VarKind::Long ? b.lng() : b.integer();
        text.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
    } else if (!b.isNull()) {
        text += CStr(b);
    }
}

Variant logicalNot(const Variant& a0) {
    Resolved a(a0);
    if (a->isNull()) return Variant::null();
    Bits x = bitsOf(*a);
    return makeBits(~x.value, x.rank);
}

Variant logicalAnd(const Variant& a, const Variant& b) { return logical(Logic::And, a, b); }
Variant logicalOr(const Variant& a, const Variant& b) { return logical(Logic::Or, a, b); }
Variant logicalXor(const Variant& a, const Variant& b) { return logical(Logic::Xor, a, b); }
Variant logicalEqv(const Variant& a, const Variant& b) { return logicalNot(logicalXor(a, b)); }
Variant logicalImp(const Variant& a, const Variant& b) { return logicalOr(logicalNot(a), b); }

Comparison compare(const Variant& a0, const Variant& b0, CompareMethod method, MixedCompare mixed) {
    Resolved a(a0), b(b0);
    if (a->isNull() || b->isNull()) return Comparison::Null;
    const Variant& x = *a;
    const Variant& y = *b;
    for (const Variant* v : {&x, &y})
        if (v->isArray() || v->kind() == VarKind::Error) raise(errors::TypeMismatch);
    if (x.isEmpty() && y.isEmpty()) return Comparison::Equal;
    if (x.isString() && y.isString()) return orderOf(compareStrings(x.str(), y.str(), method));
    if (x.isEmpty() && y.isString()) return orderOf(compareStrings("", y.str(), method));
    if (y.isEmpty() && x.isString()) return orderOf(compareStrings(x.str(), "", method));
    if (x.isString()) return numberWithText(y, x, mixed, false);
    if (y.isString()) return numberWithText(x, y, mixed, true);
    if ((wholeKind(x) || x.isEmpty()) && (wholeKind(y) || y.isEmpty())) {
        int64_t i = wholeValue(x), j = wholeValue(y);
        return i < j ? Comparison::Less : i > j ? Comparison::Greater : Comparison::Equal;
    }
    // Currency against Currency or a whole number compares its ten-thousandths exactly.
    auto exact = [](const Variant& v) { return v.kind() == VarKind::Currency || wholeKind(v) || v.isEmpty(); };
    if ((x.kind() == VarKind::Currency || y.kind() == VarKind::Currency) && exact(x) && exact(y)) {
        auto units = [](const Variant& v) {
            return v.kind() == VarKind::Currency ? __int128{v.currencyValue()} : __int128{wholeValue(v)} * 10000;
        };
        __int128 i = units(x), j = units(y);
        return i < j ? Comparison::Less : i > j ? Comparison::Greater : Comparison::Equal;
    }
    return order(toDouble(x), toDouble(y));
}

Variant equal(const Variant& a, const Variant& b, CompareMethod m, MixedCompare x) {
    return truth(compare(a, b, m, x), [](Comparison c) { return c == Comparison::Equal; });
}
Variant notEqual(const Variant& a, const Variant& b, CompareMethod m, MixedCompare x) {
    return truth(compare(a, b, m, x), [](Comparison c) { return c != Comparison::Equal; });
}
Variant less(const Variant& a, const Variant& b, CompareMethod m, MixedCompare x) {
    return truth(compare(a, b, m, x), [](Comparison c) { return c == Comparison::Less; });
}
Variant lessOrEqual(const Variant& a, const Variant& b, CompareMethod m, MixedCompare x) {
    return truth(compare(a, b, m, x), [](Comparison c) { return c != Comparison::Greater; });
}
Variant greater(const Variant& a, const Variant& b, CompareMethod m, MixedCompare x) {
    return truth(compare(a, b, m, x), [](Comparison c) { return c == Comparison::Greater; });
}
Variant greaterOrEqual(const Variant& a, const Variant& b, CompareMethod m, MixedCompare x) {
    return truth(compare(a, b, m, x), [](Comparison c) { return c != Comparison::Less; });
}

}  // namespace vb
