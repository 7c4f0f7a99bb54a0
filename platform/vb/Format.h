#pragma once
// Format, FormatDateTime and FormatNumber in fixed US English: short date "m/d/yyyy", long
// date "dddd, mmmm dd, yyyy", medium date "dd-mmm-yy", long time "h:mm:ss AM/PM", short time
// "hh:mm", "$" currency, "." decimal point and "," thousands separator. Format rounds half
// away from zero on the value's 15 significant digits, the precision a Double's text carries.

#include <cstdint>
#include <string>
#include <string_view>

#include "vb/Date.h"
#include "vb/Variant.h"

namespace vb {

// The named formats of FormatDateTime.
constexpr int32_t vbGeneralDate = 0;
constexpr int32_t vbLongDate = 1;
constexpr int32_t vbShortDate = 2;
constexpr int32_t vbLongTime = 3;
constexpr int32_t vbShortTime = 4;

// Tristate arguments of FormatNumber.
constexpr int32_t vbUseDefault = -2;
constexpr int32_t vbTrue = -1;
constexpr int32_t vbFalse = 0;

// Format(value, format): named formats ("General Date", "Long Date", "Medium Date",
// "Short Date", "Long Time", "Medium Time", "Short Time", "General Number", "Currency",
// "Fixed", "Standard", "Percent", "Scientific", "Yes/No", "True/False", "On/Off"), date
// patterns ("dddd h:mm AMPM", "hh:mm:ss", "yyyy-mm-dd"...) and number patterns ("0.00",
// "#,##0", "0%"...). No format gives the value as CStr does; Null and Empty give "".
std::string Format(const Variant& v, std::string_view format = {});

// A date with a date pattern (the date tokens of Format).
std::string formatDate(Date d, std::string_view pattern);

// FormatDateTime: vbGeneralDate shows the date and the time, leaving out the time when it is
// midnight and the date when it is day 0 (a time alone).
std::string FormatDateTime(Date d, int32_t namedFormat = vbGeneralDate);

// FormatNumber: digits after the point (-1: 2), a leading 0 before the point, parentheses
// for negative values, thousands separators (each vbTrue, vbFalse or vbUseDefault).
std::string FormatNumber(const Variant& v, int32_t digits = -1, int32_t includeLeadingDigit = vbUseDefault,
                         int32_t useParensForNegative = vbUseDefault, int32_t groupDigits = vbUseDefault);
std::string FormatPercent(const Variant& v, int32_t digits = -1, int32_t includeLeadingDigit = vbUseDefault,
                          int32_t useParensForNegative = vbUseDefault, int32_t groupDigits = vbUseDefault);
std::string FormatCurrency(const Variant& v, int32_t digits = -1, int32_t includeLeadingDigit = vbUseDefault,
                           int32_t useParensForNegative = vbUseDefault, int32_t groupDigits = vbUseDefault);

}  // namespace vb
