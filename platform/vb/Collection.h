#pragma once
// The language's Collection: items in order, counted from 1, each with an optional text key
// (keys match without regard to case; a key given twice raises 457).

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "vb/Object.h"

namespace vb {

class Collection : public Object {
public:
    Collection() = default;
    // Frees the items without nesting (vb/Release.h).
    ~Collection() override;

    // Adds the item at the end, or before / after the item named by index or key (not both:
    // error 5; an unknown one: error 5 for a key, 9 for an index).
    void Add(Variant item, const Variant& key = Variant::missing(), const Variant& before = Variant::missing(),
             const Variant& after = Variant::missing());
    // The item by index (from 1; error 9 outside) or key (error 5 when unknown), by reference.
    Variant& Item(const Variant& indexOrKey);
    // The item of a key (without regard to case), none when no item has it; raises nothing, so
    // that a caller that expects many misses pays no error for each.
    Variant* Find(const std::string& key);
    int32_t Count() const noexcept { return static_cast<int32_t>(entries_.size()); }
    void Remove(const Variant& indexOrKey);

    DispId memberId(std::string_view name) const override;
    Variant invoke(DispId id, CallKind kind, Args args) override;
    std::string_view typeName() const override { return "Collection"; }
    std::unique_ptr<Enumerator> enumerate() override;

private:
    struct Entry {
        Variant item;
        std::string key;  // folded
        bool hasKey = false;
    };

    std::size_t position(const Variant& indexOrKey) const;

    std::vector<std::unique_ptr<Entry>> entries_;
    std::unordered_map<std::string, Entry*> byKey_;
};

}  // namespace vb
