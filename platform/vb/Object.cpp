#include "vb/Object.h"

#include <typeinfo>

#include "vb/Array.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"

namespace vb {

namespace {

// Walks a copy of the array, so that the loop body may change or drop the original.
class ArrayEnumerator : public Enumerator {
public:
    explicit ArrayEnumerator(const Array& a) : array_(a) {}
    bool next(Variant& out) override {
        if (position_ >= array_.size()) return false;
        out = std::move(array_.elements()[position_++]);
        return true;
    }

private:
    Array array_;
    std::size_t position_ = 0;
};

class ValuesEnumerator : public Enumerator {
public:
    explicit ValuesEnumerator(std::vector<Variant> values) : values_(std::move(values)) {}
    bool next(Variant& out) override {
        if (position_ >= values_.size()) return false;
        out = std::move(values_[position_++]);
        return true;
    }

private:
    std::vector<Variant> values_;
    std::size_t position_ = 0;
};

}  // namespace

std::unique_ptr<Enumerator> enumerateValues(std::vector<Variant> values) {
    return std::make_unique<ValuesEnumerator>(std::move(values));
}

std::unique_ptr<Enumerator> Object::enumerate() { raise(errors::NotACollection); }

const void* Object::classKey() const noexcept { return &typeid(*this); }

bool Object::argumentsByValue(DispId) const noexcept { return false; }

Variant Object::call(std::string_view name, CallKind kind, Args args) {
    DispId id = memberId(name);
    if (id == kUnknownMember) raise(errors::NotSupported);
    return invoke(id, kind, args);
}

std::unique_ptr<Enumerator> enumerate(const Variant& v) {
    if (v.isArray()) return std::make_unique<ArrayEnumerator>(v.array());
    if (v.isObject()) {
        if (!v.object()) raise(errors::ObjectNotSet);
        return v.object()->enumerate();
    }
    raise(errors::NotACollection);
}

}  // namespace vb
