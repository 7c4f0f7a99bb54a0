#include "vb/Dictionary.h"

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

void appendBytes(std::string& out, const void* p, std::size_t n) { out.append(static_cast<const char*>(p), n); }

}  // namespace

std::string Dictionary::hashKey(const Variant& key) const {
    std::string h;
    switch (key.kind()) {
        case VarKind::Empty: h = "e"; break;
        case VarKind::Null: h = "n"; break;
        case VarKind::Boolean: h = key.boolean() ? "b1" : "b0"; break;
        case VarKind::String:
            h.reserve(key.str().size() + 1);
            h = "s";
            if (compare_ == CompareMethod::Binary) {
                h += key.str();
            } else {
                for (char c : key.str()) h += static_cast<char>(toLowerByte(static_cast<unsigned char>(c)));
            }
            break;
        case VarKind::Object: {
            h = "o";
            const Object* o = key.object().get();
            appendBytes(h, &o, sizeof o);
            break;
        }
        case VarKind::Array:
        case VarKind::Error: raise(errors::TypeMismatch);
        default: {
            double d = toDouble(key) + 0.0;  // one key for 0 and -0
            h = "d";
            appendBytes(h, &d, sizeof d);
            break;
        }
    }
    return h;
}

Dictionary::~Dictionary() {
    std::vector<Variant> held;
    held.reserve(entries_.size() * 2);
    for (Entry& e : entries_) {
        held.push_back(std::move(e.key));
        held.push_back(std::move(e.item));
    }
    releaseValues(held);
}

void Dictionary::Add(const Variant& key, Variant item) {
    auto [at, added] = index_.try_emplace(hashKey(key), entries_.end());
    if (!added) raise(errors::KeyAlreadyAssociated);
    try {
        entries_.push_back(Entry{key, std::move(item)});
    } catch (...) {
        index_.erase(at);
        throw;
    }
    at->second = std::prev(entries_.end());
}

bool Dictionary::Exists(const Variant& key) const { return index_.count(hashKey(key)) != 0; }

Variant& Dictionary::Item(const Variant& key) {
    auto [at, added] = index_.try_emplace(hashKey(key), entries_.end());
    if (!added) return at->second->item;
    try {
        entries_.push_back(Entry{key, Variant()});
    } catch (...) {
        index_.erase(at);
        throw;
    }
    at->second = std::prev(entries_.end());
    return entries_.back().item;
}

const Variant* Dictionary::find(const Variant& key) const {
    auto it = index_.find(hashKey(key));
    return it == index_.end() ? nullptr : &it->second->item;
}

void Dictionary::setItem(const Variant& key, Variant item) { Item(key) = std::move(item); }

Array Dictionary::Items() const {
    std::vector<Variant> out;
    out.reserve(entries_.size());
    for (const Entry& e : entries_) out.push_back(e.item);
    return Array::of(std::move(out));
}

Array Dictionary::Keys() const {
    std::vector<Variant> out;
    out.reserve(entries_.size());
    for (const Entry& e : entries_) out.push_back(e.key);
    return Array::of(std::move(out));
}

void Dictionary::Remove(const Variant& key) {
    auto it = index_.find(hashKey(key));
    if (it == index_.end()) raise(errors::ElementNotFound);
    entries_.erase(it->second);
    index_.erase(it);
}

void Dictionary::RemoveAll() {
    index_.clear();
    entries_.clear();
}

void Dictionary::setCompareMode(CompareMethod mode) {
    if (!entries_.empty()) raise(errors::InvalidProcedureCall);
    compare_ = mode;
}

void Dictionary::setKey(const Variant& key, const Variant& newKey) {
    auto it = index_.find(hashKey(key));
    if (it == index_.end()) raise(errors::ElementNotFound);
    std::string h = hashKey(newKey);
    if (index_.count(h)) raise(errors::KeyAlreadyAssociated);
    Entries::iterator entry = it->second;
    entry->key = newKey;
    index_.erase(it);
    index_.emplace(std::move(h), entry);
}

DispId Dictionary::memberId(std::string_view name) const { return members().find(name); }

Variant Dictionary::invoke(DispId id, CallKind kind, Args args) { return members().invoke(this, id, kind, args); }

std::unique_ptr<Enumerator> Dictionary::enumerate() {
    std::vector<Variant> keys;
    keys.reserve(entries_.size());
    for (const Entry& e : entries_) keys.push_back(e.key);
    return enumerateValues(std::move(keys));
}

}  // namespace vb
