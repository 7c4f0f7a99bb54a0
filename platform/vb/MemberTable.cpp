#include "vb/MemberTable.h"

#include "vb/CodePage.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"

namespace vb {

MemberTable::MemberTable(std::string className) : className_(std::move(className)) {}

DispId MemberTable::add(std::string_view name, CallKind kind, Accessor accessor) {
    // The empty name is the default member itself, without a name of its own.
    DispId id = name.empty() ? (default_ >= 0 ? default_ + 1 : kUnknownMember) : find(name);
    if (id <= 0) {
        members_.push_back(Member{std::string(name), {}, {}, {}, {}});
        id = static_cast<DispId>(members_.size());
        if (name.empty()) default_ = id - 1;
        reindex();
    }
    Member& m = members_[id - 1];
    switch (kind) {
        case Method: m.method = accessor; break;
        case PropertyGet: m.get = accessor; break;
        case PropertyLet: m.let = accessor; break;
        case PropertySet: m.set = accessor; break;
        default: break;
    }
    return id;
}

void MemberTable::setDefault(std::string_view name) {
    DispId id = find(name);
    default_ = id > 0 ? id - 1 : -1;
}

void MemberTable::reindex() {
    std::size_t size = 8;
    while (size < members_.size() * 2) size *= 2;
    slots_.assign(size, -1);
    for (std::size_t i = 0; i < members_.size(); ++i) {
        std::size_t s = foldedHash(members_[i].name) & (size - 1);
        while (slots_[s] >= 0) s = (s + 1) & (size - 1);
        slots_[s] = static_cast<int32_t>(i);
    }
}

DispId MemberTable::find(std::string_view name) const noexcept {
    if (name.empty()) return kDefaultMember;
    if (slots_.empty()) return kUnknownMember;
    std::size_t mask = slots_.size() - 1;
    for (std::size_t s = foldedHash(name) & mask; slots_[s] >= 0; s = (s + 1) & mask) {
        const Member& m = members_[slots_[s]];
        if (equalsFolded(m.name, name)) return slots_[s] + 1;
    }
    return kUnknownMember;
}

std::string_view MemberTable::name(DispId id) const noexcept {
    if (id == kDefaultMember) return default_ >= 0 ? std::string_view(members_[default_].name) : "";
    if (id < 1 || id > static_cast<DispId>(members_.size())) return "";
    return members_[id - 1].name;
}

const Accessor* MemberTable::choose(const Member& m, CallKind kind, Args args) const noexcept {
    if (kind & (Method | PropertyGet)) {
        if ((kind & Method) && m.method.fn) return &m.method;
        if (m.get.fn) return &m.get;
        if (m.method.fn) return &m.method;
        return nullptr;
    }
    bool objectValue = !args.empty() && args.back().isObject();
    if (kind & PropertySet) return m.set.fn ? &m.set : m.let.fn ? &m.let : nullptr;
    if (kind & PropertyLet) return m.let.fn ? &m.let : (objectValue && m.set.fn) ? &m.set : nullptr;
    return nullptr;
}

Variant MemberTable::invoke(void* self, DispId id, CallKind kind, Args args) const {
    int32_t index = id == kDefaultMember ? default_ : id - 1;
    if (index < 0 || index >= static_cast<int32_t>(members_.size())) raise(errors::NotSupported);
    const Accessor* a = choose(members_[index], kind, args);
    if (!a) raise(errors::NotSupported);
    auto count = static_cast<int32_t>(args.size());
    if (count < a->minArgs || (a->maxArgs >= 0 && count > a->maxArgs)) raise(errors::WrongArgumentCount);
    return a->fn(self, args);
}

}  // namespace vb
