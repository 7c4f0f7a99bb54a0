#pragma once
// The member table of a class whose objects are called by name: built once per class, it
// finds a member without regard to letter case (no allocation per lookup) and calls the
// accessor that fits the call's kind, checking the number of arguments. The runtime's own
// objects use it directly; automation/Class.h builds one from a C++ class's member functions.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vb/Object.h"

namespace vb {

// One way to call a member: a function on the (type-erased) object and the number of
// arguments it takes; maxArgs -1 takes any number from minArgs on (a ParamArray).
struct Accessor {
    Variant (*fn)(void* self, Args args) = nullptr;
    int16_t minArgs = 0;
    int16_t maxArgs = 0;
};

class MemberTable {
public:
    explicit MemberTable(std::string className);

    // Adds the accessor for `kind` (Method, PropertyGet, PropertyLet or PropertySet) to the
    // member of that name, creating the member on first use; its id.
    DispId add(std::string_view name, CallKind kind, Accessor accessor);
    // Makes the named member (already added) the default member, id 0.
    void setDefault(std::string_view name);

    // The member's id, kDefaultMember for "", kUnknownMember when there is none.
    DispId find(std::string_view name) const noexcept;
    // The member's name as declared ("" for an unknown id).
    std::string_view name(DispId id) const noexcept;
    const std::string& className() const noexcept { return className_; }

    // Calls member `id` on `self`: a method or property read answers Method and PropertyGet
    // alike; PropertySet falls back to the Let accessor and PropertyLet to the Set one when
    // the value is an object. Error 438 when nothing fits, 450 when the argument count does not.
    Variant invoke(void* self, DispId id, CallKind kind, Args args) const;

private:
    struct Member {
        std::string name;
        Accessor method, get, let, set;
    };

    void reindex();
    const Accessor* choose(const Member& m, CallKind kind, Args args) const noexcept;

    std::string className_;
    std::vector<Member> members_;  // member i has id i + 1
    std::vector<int32_t> slots_;   // open addressing: index into members_, -1 free
    int32_t default_ = -1;         // index of the default member
};

}  // namespace vb
