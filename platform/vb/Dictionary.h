#pragma once
// The scripting runtime's Dictionary ("Scripting.Dictionary"): keys and items in the order
// they were added. Keys are texts (compared by CompareMode), numbers (by value, whatever their
// kind), Booleans or objects (by identity).

#include <cstdint>
#include <vector>

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
    // The item of the key by reference (good until the dictionary next changes); reading a
    // missing key adds it with Empty, the language's rule that scripts rely on when they count
    // into a dictionary.
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
    int32_t Count() const noexcept { return live_; }
    CompareMethod CompareMode() const noexcept { return compare_; }
    // Error 5 once the dictionary holds anything.
    void setCompareMode(CompareMethod mode);
    // Key Let: renames a key (32811 when it is absent, 457 when the new one is taken).
    void setKey(const Variant& key, const Variant& newKey);

    DispId memberId(std::string_view name) const override;
    Variant invoke(DispId id, CallKind kind, Args args) override;
    std::string_view typeName() const override { return "Dictionary"; }
    // No member writes to its arguments.
    bool argumentsByValue(DispId) const noexcept override { return true; }
    // For Each walks the keys.
    std::unique_ptr<Enumerator> enumerate() override;

private:
    // Entries sit in one array in the order they were added; a removed one stays as a hole
    // (live false) until the array is compacted. The index is open addressing over positions
    // in that array, with part of each key's hash beside the position so that most probes
    // never touch an entry.
    struct Entry {
        Variant key;
        Variant item;
        uint64_t hash = 0;
        bool live = true;
    };
    struct Slot {
        int32_t position = kFree;
        uint32_t tag = 0;
    };
    static constexpr int32_t kFree = -1;
    static constexpr int32_t kRemoved = -2;

    // The key's hash under the compare mode; error 13 for an array or error value.
    uint64_t hashOf(const Variant& key) const;
    bool sameKey(const Variant& a, const Variant& b) const;
    // The index slot holding the key, or -1.
    std::ptrdiff_t findSlot(const Variant& key, uint64_t hash) const;
    // Adds a new key (known to be absent) at the end; its position.
    std::size_t append(const Variant& key, uint64_t hash, Variant item);
    void placeInIndex(int32_t position, uint64_t hash);
    // Drops the holes and sizes the index for `count` keys.
    void rebuild(std::size_t count);
    // Frees what the entries hold without nesting (vb/Release.h).
    static void release(std::vector<Entry>& entries);

    std::vector<Entry> entries_;
    std::vector<Slot> index_;
    int32_t live_ = 0;      // entries not removed
    std::size_t used_ = 0;  // index slots that are not free (keys and removed marks)
    CompareMethod compare_ = CompareMethod::Binary;
};

}  // namespace vb
