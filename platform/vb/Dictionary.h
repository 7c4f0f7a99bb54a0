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
    // in that array, with 8 bits of each key's hash beside the position so that most probes
    // never touch an entry; a slot is one 32-bit word, so that a large dictionary's index
    // stays in the processor's cache.
    struct Entry {
        Variant key;
        Variant item;
        uint64_t hash = 0;
        bool live = true;
    };
    // 0: free; 1: a removed key's; otherwise the position + 2 in the low 24 bits, the tag above.
    struct Slot {
        uint32_t bits = 0;
        bool isFree() const noexcept { return bits == 0; }
        bool holdsKey() const noexcept { return bits > kRemovedBits; }
        int32_t position() const noexcept { return static_cast<int32_t>(bits & 0xFFFFFFu) - 2; }
        uint32_t tag() const noexcept { return bits >> 24; }
    };
    static constexpr uint32_t kRemovedBits = 1;
    // Positions fit in 24 bits: beyond this many keys (as many as an array's elements) the
    // dictionary is out of memory (error 7).
    static constexpr std::size_t kMaxEntries = (std::size_t{1} << 24) - 2;
    static uint32_t tagOf(uint64_t hash) noexcept { return static_cast<uint32_t>(hash >> 56); }
    static Slot slotFor(int32_t position, uint64_t hash) noexcept {
        return Slot{(tagOf(hash) << 24) | static_cast<uint32_t>(position + 2)};
    }

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
