#pragma once
// An object the language holds by reference (what `Set` assigns and `Is` compares): its
// members are reached by name, late-bound, with Variant arguments and result.
//
// A call is two steps, as late binding works: memberId() finds a member
// by name without regard to case, invoke() calls it. Ids are stable for every object of the
// same classKey(), so a caller may keep them. Id 0 is the default member (the empty name),
// which is how `obj(1)` and `Request.QueryString("x")` reach it.

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "vb/Variant.h"

namespace vb {

using DispId = int32_t;
constexpr DispId kUnknownMember = -1;
constexpr DispId kDefaultMember = 0;

// How a member is invoked; the flags combine where the caller cannot tell (`x = o.F(1)` is
// a method call or a property read: Method | PropertyGet).
enum CallKind : uint8_t {
    Method = 1,
    PropertyGet = 2,
    PropertyLet = 4,  // o.P = value: the value is the last argument
    PropertySet = 8,  // Set o.P = object: the value is the last argument
};

constexpr CallKind operator|(CallKind a, CallKind b) noexcept {
    return static_cast<CallKind>(static_cast<uint8_t>(a) | static_cast<uint8_t>(b));
}

// The arguments of a call in source order. A callee may write to them: that is how ByRef
// arguments come back. An omitted optional argument is Variant::missing().
using Args = std::span<Variant>;

// Steps through what `For Each` walks.
class Enumerator {
public:
    virtual ~Enumerator() = default;
    // The next element into `out`; false at the end.
    virtual bool next(Variant& out) = 0;
};

class Object : public std::enable_shared_from_this<Object> {
public:
    virtual ~Object() = default;

    // The member of that name (any letter case), kDefaultMember for "", kUnknownMember when none.
    virtual DispId memberId(std::string_view name) const = 0;
    // Calls member `id`: error 438 when there is no such member or it does not support `kind`,
    // 450 when the number of arguments does not fit.
    virtual Variant invoke(DispId id, CallKind kind, Args args) = 0;
    // What TypeName answers for the object.
    virtual std::string_view typeName() const = 0;
    // For Each over the object; the default raises 451 "Object not a collection".
    virtual std::unique_ptr<Enumerator> enumerate();
    // Objects with the same key give the same ids for the same names.
    virtual const void* classKey() const noexcept;
    // True when member `id` writes to none of its arguments (takes none ByRef), for every
    // object of the same classKey(): a caller may then pass copies and write nothing back.
    virtual bool argumentsByValue(DispId id) const noexcept;

    // memberId and invoke in one call; error 438 for an unknown name.
    Variant call(std::string_view name, CallKind kind, Args args);
};

// An enumeration of the given values, in order (a snapshot, so the loop may change the source).
std::unique_ptr<Enumerator> enumerateValues(std::vector<Variant> values);

// For Each over a value: an array (a copy of its elements in storage order), or an object's
// own enumeration; error 451 "Object not a collection" for anything else, 91 for Nothing.
std::unique_ptr<Enumerator> enumerate(const Variant& v);

}  // namespace vb
