#pragma once
// The scripting runtime's Dictionary ("Scripting.Dictionary"): keys and items in the order
// they were added. Keys are texts (compared by CompareMode), numbers (by value, whatever their
// kind), Booleans or objects (by identity).

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>

#include "vb/Array.h"
#include "vb/Object.h"
#include "vb/Strings.h"

namespace vb {

class Dictionary : public Object {
public:
    Dictionary() = default;
    // Frees the keys and items without nesting (vb/Release.h).
    ~Dictionary() override;

    // Error 457 when the key is there already.
    void Add(const Variant& key, Variant item);
    bool Exists(const Variant& key) const;
    // The item of the key by reference; reading a missing key adds it with Empty, the language's rule
    // that scripts rely on when they count into a dictionary.
    Variant& Item(const Variant& key);
    // The item of the key, nullptr when absent (nothing is added).
    const Variant* find(const Variant& key) const;
    // Item Let / Set: replaces the item, or adds the key.
    void setItem(const Variant& key, Variant item);
    Array Items() const;
    Array Keys() const;
    // Error 32811 "Element not found" when the key is absent.
    void Remove(const Variant& key);
    void RemoveAll();
    int32_t Count() const noexcept { return static_cast<int32_t>(entries_.size()); }
    CompareMethod CompareMode() const noexcept { return compare_; }
    // Error 5 once the dictionary holds anything.
    void setCompareMode(CompareMethod mode);
    // Key Let: renames a key (32811 when it is absent, 457 when the new one is taken).
    void setKey(const Variant& key, const Variant& newKey);

    DispId memberId(std::string_view name) const override;
    Variant invoke(DispId id, CallKind kind, Args args) override;
    std::string_view typeName() const override { return "Dictionary"; }
    // For Each walks the keys.
    std::unique_ptr<Enumerator> enumerate() override;

private:
    struct Entry {
        Variant key;
        Variant item;
    };
    using Entries = std::list<Entry>;

    std::string hashKey(const Variant& key) const;

    Entries entries_;
    std::unordered_map<std::string, Entries::iterator> index_;
    CompareMethod compare_ = CompareMethod::Binary;
};

}  // namespace vb
