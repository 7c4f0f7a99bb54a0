#pragma once
// The language's conversions, with its rules: numbers round half to even, out-of-range values
// raise error 6 "Overflow", text that is not a number raises 13 "Type mismatch", Null raises
// 94 "Invalid use of Null". Objects convert through their default member (vb::valueOf).
//
// Functions that return a Variant keep the language's result kind and pass Null through;
// those that return a C++ type raise 94 for Null. Numbers read and print in US English.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "vb/Date.h"
#include "vb/Variant.h"

namespace vb {

// Numbers as CStr prints them: up to 15 significant digits (7 for Single), exponents as
// "1E+16" and "1.5E-05", no "-0".
std::string CStr(const Variant& v);
std::string numberText(double d);
std::string singleText(float f);

// Str: a number's text with a leading blank where a minus sign would stand.
std::string Str(const Variant& v);

int16_t CInt(const Variant& v);
int32_t CLng(const Variant& v);
uint8_t CByte(const Variant& v);
float CSng(const Variant& v);
double CDbl(const Variant& v);
// A Currency-kind Variant: four decimals, half to even.
Variant CCur(const Variant& v);
// "True"/"False" in any case, or a number (non-zero is true); anything else error 13.
bool CBool(const Variant& v);
// A date, a date text (vb::parseDate) or a number taken as a date serial; error 13 otherwise.
Date CDate(const Variant& v);

// A number as the conversions read text: blanks around it, a sign, a "$", "," thousands
// separators, a decimal point, an exponent, or "&H" hex / "&O" octal; nothing when it is not one.
std::optional<double> parseNumber(std::string_view text);

// Val: the number at the start of the text; blanks, tabs and line feeds are skipped anywhere,
// "&H"/"&O" read hex and octal (16-bit values come back signed: "&HFFFF" is -1), 0 when none.
double Val(std::string_view text);

// IsNumeric: numbers, Empty, and text that parseNumber accepts; false for Null, dates, arrays.
bool IsNumeric(const Variant& v);
// IsDate: dates, and text that parseDate accepts.
bool IsDate(const Variant& v);

// Hex and Oct of the value rounded to a whole number (negative values in two's complement,
// 16-bit for Integer and Byte values, 32-bit otherwise).
std::string Hex(const Variant& v);
std::string Oct(const Variant& v);

// Fix cuts the fraction off, Int rounds down; both keep the value's kind (text becomes Double).
Variant Fix(const Variant& v);
Variant Int(const Variant& v);
// Round to `digits` decimals, half to even (Round(2.5) is 2).
Variant Round(const Variant& v, int32_t digits = 0);
Variant Abs(const Variant& v);
int16_t Sgn(const Variant& v);

// The number a value stands for in arithmetic: numbers as they are, Empty 0, Boolean -1/0,
// dates their serial, text through parseNumber (error 13 when it is not a number), Null 94.
double toDouble(const Variant& v);
// Half-to-even rounding to a 64-bit whole number, error 6 when it does not fit.
int64_t roundToInteger(double d);

}  // namespace vb
