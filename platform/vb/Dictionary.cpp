#include "vb/Dictionary.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "vb/CodePage.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "vb/MemberTable.h"
#include "vb/Release.h"

namespace vb {

namespace {

Dictionary& self(void* p) { return *static_cast<Dictionary*>(p); }

const MemberTable& members() {
    static const MemberTable table = [] {
        MemberTable t("Dictionary");
        t.add("Add", Method,
              {+[](void* p, Args a) -> Variant {
                   self(p).Add(a[0], a[1]);
                   return {};
               },
               2, 2});
        t.add("Exists", Method, {+[](void* p, Args a) -> Variant { return self(p).Exists(a[0]); }, 1, 1});
        t.add("Item", PropertyGet, {+[](void* p, Args a) -> Variant { return self(p).Item(a[0]); }, 1, 1});
        auto setItem = +[](void* p, Args a) -> Variant {
            self(p).setItem(a[0], a[1]);
            return {};
        };
        t.add("Item", PropertyLet, {setItem, 2, 2});
        t.add("Item", PropertySet, {setItem, 2, 2});
        t.add("Items", Method, {+[](void* p, Args) -> Variant { return self(p).Items(); }, 0, 0});
        t.add("Keys", Method, {+[](void* p, Args) -> Variant { return self(p).Keys(); }, 0, 0});
        t.add("Remove", Method,
              {+[](void* p, Args a) -> Variant {
                   self(p).Remove(a[0]);
                   return {};
               },
               1, 1});
        t.add("RemoveAll", Method,
              {+[](void* p, Args) -> Variant {
                   self(p).RemoveAll();
                   return {};
               },
               0, 0});
        t.add("Count", PropertyGet, {+[](void* p, Args) -> Variant { return self(p).Count(); }, 0, 0});
        t.add("CompareMode", PropertyGet,
              {+[](void* p, Args) -> Variant { return static_cast<int32_t>(self(p).CompareMode()); }, 0, 0});
        t.add("CompareMode", PropertyLet,
              {+[](void* p, Args a) -> Variant {
                   int32_t mode = CLng(a[0]);
                   if (mode < 0 || mode > 2) raise(errors::InvalidProcedureCall);
                   // Database compare (2) compares text as text compare does.
                   self(p).setCompareMode(mode == 0 ? CompareMethod::Binary : CompareMethod::Text);
                   return {};
               },
               1, 1});
        t.add("Key", PropertyLet,
              {+[](void* p, Args a) -> Variant {
                   self(p).setKey(a[0], a[1]);
                   return {};
               },
               2, 2});
        t.setDefault("Item");
        return t;
    }();
    return table;
}

constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;

// Spreads every bit of a word over the others (so that the low bits index the table and the
// high ones make the tag).
uint64_t finish(uint64_t h) noexcept {
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    return h;
}

// The bytes of a text of 1 to 8 bytes in one word, without a loop: two overlapping loads from
// either end (the length, hashed beside it, tells the overlaps apart).
uint64_t word(const char* p, std::size_t n) noexcept {
    if (n >= 4) {
        uint32_t a, b;
        std::memcpy(&a, p, sizeof a);
        std::memcpy(&b, p + n - 4, sizeof b);
        return (uint64_t{a} << 32) | b;
    }
    auto byte = [&](std::size_t i) { return uint64_t{static_cast<unsigned char>(p[i])}; };
    return (byte(0) << 16) | (byte(n >> 1) << 8) | byte(n - 1);
}

// Eight bytes at a time; with `fold` the hash of the text in lower case (text compare).
uint64_t textHash(std::string_view text, bool fold) noexcept {
    uint64_t h = 0x5445585400000000ull ^ text.size();
    const char* p = text.data();
    std::size_t n = text.size();
    char lower[8];
    while (n > 0) {
        std::size_t take = n < 8 ? n : 8;
        const char* bytes = p;
        if (fold) {
            for (std::size_t i = 0; i < take; ++i)
                lower[i] = static_cast<char>(toLowerByte(static_cast<unsigned char>(p[i])));
            bytes = lower;
        }
        h = (std::rotl(h, 5) ^ word(bytes, take)) * kMultiplier;
        p += take;
        n -= take;
    }
    return finish(h);
}

// Keys match only within one of these kinds: a number never matches a text or a Boolean.
enum class KeyKind : uint8_t { Empty, Null, Boolean, Text, Object, Number };

KeyKind keyKind(const Variant& key) {
    switch (key.kind()) {
        case VarKind::Empty: return KeyKind::Empty;
        case VarKind::Null: return KeyKind::Null;
        case VarKind::Boolean: return KeyKind::Boolean;
        case VarKind::String: return KeyKind::Text;
        case VarKind::Object: return KeyKind::Object;
        case VarKind::Array:
        case VarKind::Error: raise(errors::TypeMismatch);
        default: return KeyKind::Number;
    }
}

// Numbers match by value whatever their kind; 0 and -0 are one key.
uint64_t numberBits(const Variant& key) { return std::bit_cast<uint64_t>(toDouble(key) + 0.0); }

bool holdsReference(const Variant& v) noexcept { return v.isObject() || v.isArray(); }

}  // namespace

uint64_t Dictionary::hashOf(const Variant& key) const {
    switch (keyKind(key)) {
        case KeyKind::Empty: return finish(1);
        case KeyKind::Null: return finish(2);
        case KeyKind::Boolean: return finish(key.boolean() ? 4 : 3);
        case KeyKind::Text: return textHash(key.str(), compare_ != CompareMethod::Binary);
        case KeyKind::Object: return finish(reinterpret_cast<uintptr_t>(key.object().get()));
        case KeyKind::Number: return finish(numberBits(key) * kMultiplier + 5);
    }
    return 0;
}

bool Dictionary::sameKey(const Variant& a, const Variant& b) const {
    KeyKind kind = keyKind(a);
    if (kind != keyKind(b)) return false;
    switch (kind) {
        case KeyKind::Empty:
        case KeyKind::Null: return true;
        case KeyKind::Boolean: return a.boolean() == b.boolean();
        case KeyKind::Text:
            return compare_ == CompareMethod::Binary ? a.str() == b.str() : equalsFolded(a.str(), b.str());
        case KeyKind::Object: return a.object().get() == b.object().get();
        case KeyKind::Number: return numberBits(a) == numberBits(b);
    }
    return false;
}

std::ptrdiff_t Dictionary::findSlot(const Variant& key, uint64_t hash) const {
    if (index_.empty()) return -1;
    std::size_t mask = index_.size() - 1;
    uint32_t tag = tagOf(hash);
    for (std::size_t s = hash & mask;; s = (s + 1) & mask) {
        const Slot slot = index_[s];
        if (slot.isFree()) return -1;
        if (slot.holdsKey() && slot.tag() == tag) {
            const Entry& e = entries_[static_cast<std::size_t>(slot.position())];
            if (e.hash == hash && sameKey(e.key, key)) return static_cast<std::ptrdiff_t>(s);
        }
    }
}

void Dictionary::placeInIndex(int32_t position, uint64_t hash) {
    std::size_t mask = index_.size() - 1;
    std::size_t s = hash & mask;
    while (index_[s].holdsKey()) s = (s + 1) & mask;
    if (index_[s].isFree()) ++used_;
    index_[s] = slotFor(position, hash);
}

void Dictionary::rebuild(std::size_t count) {
    std::size_t size = 8;
    while (size < 2 * count) size *= 2;
    std::vector<Slot> fresh(size);  // first, so that a failure leaves everything as it was
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.live; }),
                   entries_.end());
    index_ = std::move(fresh);
    used_ = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) placeInIndex(static_cast<int32_t>(i), entries_[i].hash);
}

std::size_t Dictionary::append(const Variant& key, uint64_t hash, Variant item) {
    // Grows the index past two thirds full; drops the holes once they outnumber the keys.
    auto live = static_cast<std::size_t>(live_);
    if ((used_ + 1) * 3 > index_.size() * 2 || entries_.size() >= 2 * live + 16 || entries_.size() >= kMaxEntries)
        rebuild(live + 1);
    if (entries_.size() >= kMaxEntries) raise(errors::OutOfMemory);
    entries_.push_back(Entry{key, std::move(item), hash, true});
    std::size_t position = entries_.size() - 1;
    placeInIndex(static_cast<int32_t>(position), hash);
    ++live_;
    return position;
}

void Dictionary::release(std::vector<Entry>& entries) {
    // Only objects and arrays can hold further dictionaries; texts and numbers go in place.
    std::vector<Variant> held;
    for (Entry& e : entries) {
        if (holdsReference(e.key)) held.push_back(std::move(e.key));
        if (holdsReference(e.item)) held.push_back(std::move(e.item));
    }
    entries.clear();
    releaseValues(held);
}

Dictionary::~Dictionary() { release(entries_); }

void Dictionary::Add(const Variant& key, Variant item) {
    uint64_t hash = hashOf(key);
    if (findSlot(key, hash) >= 0) raise(errors::KeyAlreadyAssociated);
    append(key, hash, std::move(item));
}

bool Dictionary::Exists(const Variant& key) const { return findSlot(key, hashOf(key)) >= 0; }

Variant& Dictionary::Item(const Variant& key) {
    uint64_t hash = hashOf(key);
    std::ptrdiff_t s = findSlot(key, hash);
    if (s >= 0) return entries_[static_cast<std::size_t>(index_[static_cast<std::size_t>(s)].position())].item;
    return entries_[append(key, hash, Variant())].item;
}

const Variant* Dictionary::find(const Variant& key) const {
    std::ptrdiff_t s = findSlot(key, hashOf(key));
    if (s < 0) return nullptr;
    return &entries_[static_cast<std::size_t>(index_[static_cast<std::size_t>(s)].position())].item;
}

void Dictionary::setItem(const Variant& key, Variant item) { Item(key) = std::move(item); }

Array Dictionary::Items() const {
    std::vector<Variant> out;
    out.reserve(static_cast<std::size_t>(live_));
    for (const Entry& e : entries_)
        if (e.live) out.push_back(e.item);
    return Array::of(std::move(out));
}

Array Dictionary::Keys() const {
    std::vector<Variant> out;
    out.reserve(static_cast<std::size_t>(live_));
    for (const Entry& e : entries_)
        if (e.live) out.push_back(e.key);
    return Array::of(std::move(out));
}

void Dictionary::Remove(const Variant& key) {
    std::ptrdiff_t s = findSlot(key, hashOf(key));
    if (s < 0) raise(errors::ElementNotFound);
    Slot& slot = index_[static_cast<std::size_t>(s)];
    Entry& e = entries_[static_cast<std::size_t>(slot.position())];
    slot.bits = kRemovedBits;
    e.live = false;
    --live_;
    // The dictionary is whole again before the key and item go (an object's release may run
    // code that looks at it): the item first, then the key.
    Variant oldKey = std::move(e.key);
    Variant oldItem = std::move(e.item);
    if (live_ == 0) {
        entries_.clear();
        index_.clear();
        used_ = 0;
    }
}

void Dictionary::RemoveAll() {
    std::vector<Entry> old;
    old.swap(entries_);
    index_.clear();
    used_ = 0;
    live_ = 0;
    // `old` goes here, each item before its key, in the order they were added.
}

void Dictionary::setCompareMode(CompareMethod mode) {
    if (live_ != 0) raise(errors::InvalidProcedureCall);
    compare_ = mode;
}

void Dictionary::setKey(const Variant& key, const Variant& newKey) {
    std::ptrdiff_t s = findSlot(key, hashOf(key));
    if (s < 0) raise(errors::ElementNotFound);
    uint64_t hash = hashOf(newKey);
    if (findSlot(newKey, hash) >= 0) raise(errors::KeyAlreadyAssociated);
    Slot& slot = index_[static_cast<std::size_t>(s)];
    int32_t position = slot.position();
    Entry& e = entries_[static_cast<std::size_t>(position)];
    Variant oldKey = std::move(e.key);  // goes once the index is whole again
    e.key = newKey;
    e.hash = hash;
    slot.bits = kRemovedBits;
    if ((used_ + 1) * 3 > index_.size() * 2) rebuild(static_cast<std::size_t>(live_));
    else placeInIndex(position, hash);
}

DispId Dictionary::memberId(std::string_view name) const { return members().find(name); }

Variant Dictionary::invoke(DispId id, CallKind kind, Args args) { return members().invoke(this, id, kind, args); }

std::unique_ptr<Enumerator> Dictionary::enumerate() {
    std::vector<Variant> keys;
    keys.reserve(static_cast<std::size_t>(live_));
    for (const Entry& e : entries_)
        if (e.live) keys.push_back(e.key);
    return enumerateValues(std::move(keys));
}

}  // namespace vb
