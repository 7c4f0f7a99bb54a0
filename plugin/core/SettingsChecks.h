#pragma once
// The check of a value a user typed into a setting's box, one for the status page's save and the
// setup window alike: "" when the settings file can keep the value and give it back as typed,
// else the refusal the user reads, "Nothing was saved: <field> cannot hold <what>.", naming the
// field as the user sees it: by its label, and a field of a unit's row by the unit's number and
// name ("Power of unit 2 (Kitchen)").
//
// Texts come in the settings' code page (Windows-1252). A character the code page has no byte
// for comes as a browser posts it from a page in that code page, a decimal character reference
// ("&#26085;"), and is refused: stored, it would read back as that reference.

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/SettingsTable.h"

namespace zephra::settings {

inline constexpr const char* kNothingSaved = "Nothing was saved: ";
inline constexpr const char* kCannotHold = " cannot hold ";
// The longest text a setting keeps.
inline constexpr std::size_t kLongestValue = 255;

// A setting's text (a text box's or the voice's); a check box or option is never refused.
std::string Refusal(const Setting& row, const std::string& value);
// A family's field of an index. `unitName`: the name the unit's row holds, for a unit's field.
std::string Refusal(const Family& family, const FamilyField& field, int index, const std::string& value,
                    const std::string& unitName = {});

// What keeps a text of the check's kind from being stored and read back as typed (its length, a
// control character, a character outside the code page, a separator, a port or an address that
// is none); "" when nothing does.
std::string Problem(const std::string& text, Check kind);

// How a refusal names a setting, and a family's field of an index.
std::string ShownName(const Setting& row);
std::string ShownName(const Family& family, const FamilyField& field, int index, const std::string& unitName = {});

// The refusal of a field named `shown`: "Nothing was saved: " shown " cannot hold " what ".".
std::string Refused(const std::string& shown, const std::string& what);

// A unit as a refusal names it, by its row's number from 1 (index 0 is "unit 1") and its name,
// trimmed, when it has one: "unit 2 (Kitchen)", "unit 2".
std::string UnitShown(int index, const std::string& name);
// A field of a unit's row as a refusal names it: "Power of unit 2 (Kitchen)".
std::string UnitFieldShown(const std::string& label, int index, const std::string& name);

// A character outside the code page, as a refusal's `what`. The two wordings differ as the texts do: a page posts a
// reference to a character its code page lacks, while the window's box holds the very character the user typed.
// A posted text's: "U+65E5, a character outside the Windows-1252 code page".
std::string OutsideCodePage(uint32_t codePoint);
// A character typed in the window: "U+65E5 (the settings files keep Windows-1252 characters only)".
std::string NotInCodePage(uint32_t codePoint);

}  // namespace zephra::settings
