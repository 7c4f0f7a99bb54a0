#pragma once
// The language's operators on Variants, with its coercion rules:
//  - Null in gives Null out (except where And, Or and Imp are decided by the other operand);
//  - Empty counts as 0 in arithmetic and "" where text is wanted;
//  - results take the wider kind of Byte < Integer < Long < Single < Double < Currency, with
//    Boolean counting as Integer and Long with Single giving Double; a whole-number result
//    that overflows its kind moves up (Integer + Integer past 32767 gives a Long), a Double
//    that overflows raises error 6;
//  - text with a number converts the text (error 13 when it is not a number), two texts join
//    under `+`; dates plus numbers stay dates;
//  - `\` and `Mod` round both operands half to even to whole numbers first; a zero divisor
//    raises 11 ("Division by zero"), 0 / 0 raises 6.
// Objects take part through their default member (vb::valueOf).

#include <cstdint>

#include "vb/Strings.h"
#include "vb/Variant.h"

namespace vb {

inline Variant add(const Variant& a, const Variant& b);       // +
inline Variant subtract(const Variant& a, const Variant& b);  // -
inline Variant multiply(const Variant& a, const Variant& b);  // *
Variant divide(const Variant& a, const Variant& b);           // /  (Double, or Single for Single operands)
Variant integerDivide(const Variant& a, const Variant& b);    // \  (Integer or Long)
Variant modulo(const Variant& a, const Variant& b);           // Mod (sign of a)
Variant power(const Variant& a, const Variant& b);            // ^  (Double)
Variant negate(const Variant& a);                             // unary -
Variant concatenate(const Variant& a, const Variant& b);      // &  (Null only when both are Null)
// `text & b` added to the text in place (Null adds nothing); `b` is a value, not an object
// (take valueOf first).
void concatenateInto(std::string& text, const Variant& b);

namespace detail {
// + - * under the general rules (op: 0, 1, 2).
Variant arithmetic(int op, const Variant& a, const Variant& b);

// Integers and Longs, most of what scripts count with, here in line: the narrowest of
// Integer, Long and Double that holds the result.
template <int op>
inline Variant wholeArithmetic(const Variant& a, const Variant& b) {
    auto whole = [](const Variant& v) { return v.kind() == VarKind::Integer || v.kind() == VarKind::Long; };
    if (!whole(a) || !whole(b)) return arithmetic(op, a, b);
    int64_t x = a.kind() == VarKind::Long ? a.lng() : a.integer();
    int64_t y = b.kind() == VarKind::Long ? b.lng() : b.integer();
    int64_t v = op == 0 ? x + y : op == 1 ? x - y : x * y;
    bool integers = a.kind() == VarKind::Integer && b.kind() == VarKind::Integer;
    if (integers && v >= INT16_MIN && v <= INT16_MAX) return Variant(static_cast<int16_t>(v));
    if (v >= INT32_MIN && v <= INT32_MAX) return Variant(static_cast<int32_t>(v));
    return Variant(static_cast<double>(v));
}
}  // namespace detail

inline Variant add(const Variant& a, const Variant& b) { return detail::wholeArithmetic<0>(a, b); }
inline Variant subtract(const Variant& a, const Variant& b) { return detail::wholeArithmetic<1>(a, b); }
inline Variant multiply(const Variant& a, const Variant& b) { return detail::wholeArithmetic<2>(a, b); }

// Bitwise on whole numbers, logical on Booleans: Boolean with Boolean gives Boolean, Byte with
// Byte gives Byte, Integer or Boolean mixes give Integer, anything else Long.
Variant logicalNot(const Variant& a);
Variant logicalAnd(const Variant& a, const Variant& b);
Variant logicalOr(const Variant& a, const Variant& b);
Variant logicalXor(const Variant& a, const Variant& b);
Variant logicalEqv(const Variant& a, const Variant& b);
Variant logicalImp(const Variant& a, const Variant& b);

// How a number compares with a text. Convert: the text is read as a number (error 13 when it
// is not one; as a date against a date, as "True"/"False" against a Boolean), as when one side
// is a literal or a typed value. NumberLess: a number is always
// less than a text, as between two Variant variables of the script language.
enum class MixedCompare { Convert, NumberLess };

enum class Comparison { Less = -1, Equal = 0, Greater = 1, Null = 2 };

// Compares two values: numbers (Boolean and dates too) by value, texts by `method`, Empty as
// 0 or "" after the other side, Null as Comparison::Null; error 13 for arrays.
Comparison compare(const Variant& a, const Variant& b, CompareMethod method = CompareMethod::Binary,
                   MixedCompare mixed = MixedCompare::Convert);

// The comparison operators: a Boolean, or Null when either side is Null.
Variant equal(const Variant& a, const Variant& b, CompareMethod method = CompareMethod::Binary,
              MixedCompare mixed = MixedCompare::Convert);
Variant notEqual(const Variant& a, const Variant& b, CompareMethod method = CompareMethod::Binary,
                 MixedCompare mixed = MixedCompare::Convert);
Variant less(const Variant& a, const Variant& b, CompareMethod method = CompareMethod::Binary,
             MixedCompare mixed = MixedCompare::Convert);
Variant lessOrEqual(const Variant& a, const Variant& b, CompareMethod method = CompareMethod::Binary,
                    MixedCompare mixed = MixedCompare::Convert);
Variant greater(const Variant& a, const Variant& b, CompareMethod method = CompareMethod::Binary,
                MixedCompare mixed = MixedCompare::Convert);
Variant greaterOrEqual(const Variant& a, const Variant& b, CompareMethod method = CompareMethod::Binary,
                       MixedCompare mixed = MixedCompare::Convert);

}  // namespace vb
