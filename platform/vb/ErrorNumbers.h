#pragma once
// The run-time error numbers the language raises, with their standard descriptions.

#include <cstdint>
#include <string_view>

namespace vb::errors {

constexpr int32_t InvalidProcedureCall = 5;    // "Invalid procedure call or argument"
constexpr int32_t Overflow = 6;                // "Overflow"
constexpr int32_t OutOfMemory = 7;             // "Out of memory"
constexpr int32_t SubscriptOutOfRange = 9;     // "Subscript out of range"
constexpr int32_t ArrayFixed = 10;             // "This array is fixed or temporarily locked"
constexpr int32_t DivisionByZero = 11;         // "Division by zero"
constexpr int32_t TypeMismatch = 13;           // "Type mismatch"
constexpr int32_t OutOfStringSpace = 14;       // "Out of string space"
constexpr int32_t FileNotFound = 53;           // "File not found"
constexpr int32_t ObjectNotSet = 91;           // "Object variable or With block variable not set"
constexpr int32_t InvalidUseOfNull = 94;       // "Invalid use of Null"
constexpr int32_t ObjectRequired = 424;        // "Object required"
constexpr int32_t CannotCreateObject = 429;    // "ActiveX component can't create object"
constexpr int32_t NotSupported = 438;          // "Object doesn't support this property or method"
constexpr int32_t WrongArgumentCount = 450;    // "Wrong number of arguments or invalid property assignment"
constexpr int32_t NotACollection = 451;        // "Object not a collection"
constexpr int32_t KeyAlreadyAssociated = 457;  // "This key is already associated with an element of this collection"
constexpr int32_t ElementNotFound = 32811;     // "Element not found" (the dictionary's missing key)

// The description the language gives an error number; "Application-defined or
// object-defined error" for numbers it does not know.
std::string_view standardDescription(int32_t number) noexcept;

}  // namespace vb::errors
