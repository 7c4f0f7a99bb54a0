#include "vb/Collection.h"

#include <algorithm>

#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "vb/MemberTable.h"
#include "vb/Release.h"
#include "vb/Strings.h"

namespace vb {

namespace {

bool given(Args args, std::size_t i) { return args.size() > i && !args[i].isMissing(); }

const MemberTable& members() {
    static const MemberTable table = [] {
        MemberTable t("Collection");
        t.add("Add", Method,
              {+[](void* p, Args a) -> Variant {
                   static_cast<Collection*>(p)->Add(a[0], given(a, 1) ? a[1] : Variant::missing(),
                                                    given(a, 2) ? a[2] : Variant::missing(),
                                                    given(a, 3) ? a[3] : Variant::missing());
                   return {};
               },
               1, 4});
        t.add("Item", Method,
              {+[](void* p, Args a) -> Variant { return static_cast<Collection*>(p)->Item(a[0]); }, 1, 1});
        t.add("Count", PropertyGet,
              {+[](void* p, Args) -> Variant { return static_cast<Collection*>(p)->Count(); }, 0, 0});
        t.add("Remove", Method,
              {+[](void* p, Args a) -> Variant {
                   static_cast<Collection*>(p)->Remove(a[0]);
                   return {};
               },
               1, 1});
        t.setDefault("Item");
        return t;
    }();
    return table;
}

}  // namespace

Collection::~Collection() {
    std::vector<Variant> held;
    held.reserve(entries_.size());
    for (std::unique_ptr<Entry>& e : entries_) held.push_back(std::move(e->item));
    releaseValues(held);
}

void Collection::Add(Variant item, const Variant& key, const Variant& before, const Variant& after) {
    bool hasBefore = !before.isMissing(), hasAfter = !after.isMissing();
    if (hasBefore && hasAfter) raise(errors::InvalidProcedureCall);
    std::string folded;
    if (!key.isMissing()) {
        folded = LCase(CStr(key));
        if (byKey_.count(folded)) raise(errors::KeyAlreadyAssociated);
    }
    std::size_t at = entries_.size();
    if (hasBefore) at = position(before);
    if (hasAfter) at = position(after) + 1;
    auto entry = std::make_unique<Entry>(Entry{std::move(item), folded, !key.isMissing()});
    if (entry->hasKey) byKey_.emplace(folded, entry.get());
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
}

std::size_t Collection::position(const Variant& indexOrKey) const {
    const Variant v = valueOf(indexOrKey);
    if (v.isString()) {
        auto it = byKey_.find(LCase(v.str()));
        if (it == byKey_.end()) raise(errors::InvalidProcedureCall);
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (entries_[i].get() == it->second) return i;
        raise(errors::InvalidProcedureCall);
    }
    int32_t index = CLng(v);
    if (index < 1 || index > Count()) raise(errors::SubscriptOutOfRange);
    return static_cast<std::size_t>(index) - 1;
}

Variant& Collection::Item(const Variant& indexOrKey) {
    const Variant v = valueOf(indexOrKey);
    if (v.isString()) {
        auto it = byKey_.find(LCase(v.str()));
        if (it == byKey_.end()) raise(errors::InvalidProcedureCall);
        return it->second->item;
    }
    return entries_[position(v)]->item;
}

Variant* Collection::Find(const std::string& key) {
    auto it = byKey_.find(LCase(key));
    return it == byKey_.end() ? nullptr : &it->second->item;
}

void Collection::Remove(const Variant& indexOrKey) {
    std::size_t at = position(indexOrKey);
    if (entries_[at]->hasKey) byKey_.erase(entries_[at]->key);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
}

DispId Collection::memberId(std::string_view name) const { return members().find(name); }

Variant Collection::invoke(DispId id, CallKind kind, Args args) { return members().invoke(this, id, kind, args); }

std::unique_ptr<Enumerator> Collection::enumerate() {
    std::vector<Variant> items;
    items.reserve(entries_.size());
    for (const auto& e : entries_) items.push_back(e->item);
    return enumerateValues(std::move(items));
}

}  // namespace vb
