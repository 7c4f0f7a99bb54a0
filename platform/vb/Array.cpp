#include "vb/Array.h"

#include "vb/Error.h"
#include "vb/ErrorNumbers.h"

namespace vb {

namespace {

// Beyond this many elements (640 MiB of Variants) an array is refused: out of memory.
constexpr int64_t kMaxElements = int64_t{1} << 24;

std::size_t countElements(const std::vector<Array::Bounds>& bounds) {
    if (bounds.empty()) return 0;
    int64_t count = 1;
    for (const Array::Bounds& b : bounds) {
        int64_t extent = int64_t{b.upper} - b.lower + 1;
        if (extent < 0) raise(errors::SubscriptOutOfRange);
        count *= extent;
        if (count > kMaxElements) raise(errors::OutOfMemory);
    }
    return static_cast<std::size_t>(count);
}

}  // namespace

Array::Array(std::vector<Bounds> bounds, bool fixed) : bounds_(std::move(bounds)), fixed_(fixed) {
    elements_.resize(countElements(bounds_));
}

Array Array::of(std::vector<Variant> elements) {
    Array a;
    a.bounds_.push_back({0, static_cast<int32_t>(elements.size()) - 1});
    a.elements_ = std::move(elements);
    return a;
}

Array Array::of(std::initializer_list<Variant> elements) { return of(std::vector<Variant>(elements)); }

int32_t Array::lbound(int32_t dim) const {
    if (dim < 1 || dim > dimensions()) raise(errors::SubscriptOutOfRange);
    return bounds_[dim - 1].lower;
}

int32_t Array::ubound(int32_t dim) const {
    if (dim < 1 || dim > dimensions()) raise(errors::SubscriptOutOfRange);
    return bounds_[dim - 1].upper;
}

std::size_t Array::offset(std::span<const int32_t> indices) const {
    // No indices on an array without dimensions names no element either.
    if (indices.empty() || indices.size() != bounds_.size()) raise(errors::SubscriptOutOfRange);
    std::size_t result = 0;
    std::size_t stride = 1;
    for (std::size_t d = 0; d < indices.size(); ++d) {
        const Bounds& b = bounds_[d];
        if (indices[d] < b.lower || indices[d] > b.upper) raise(errors::SubscriptOutOfRange);
        result += static_cast<std::size_t>(int64_t{indices[d]} - b.lower) * stride;
        stride *= static_cast<std::size_t>(int64_t{b.upper} - b.lower + 1);
    }
    return result;
}

Variant& Array::at(std::span<const int32_t> indices) { return elements_[offset(indices)]; }

const Variant& Array::at(std::span<const int32_t> indices) const { return elements_[offset(indices)]; }

Variant& Array::at(int32_t index) { return elements_[offset({&index, 1})]; }

const Variant& Array::at(int32_t index) const { return elements_[offset({&index, 1})]; }

void Array::redim(std::vector<Bounds> bounds, bool preserve) {
    if (fixed_ || locks_) raise(errors::ArrayFixed);
    std::size_t count = countElements(bounds);
    if (preserve && !bounds_.empty()) {
        if (bounds.size() != bounds_.size()) raise(errors::SubscriptOutOfRange);
        for (std::size_t d = 0; d + 1 < bounds.size(); ++d)
            if (bounds[d].lower != bounds_[d].lower || bounds[d].upper != bounds_[d].upper)
                raise(errors::SubscriptOutOfRange);
        if (bounds.back().lower != bounds_.back().lower) raise(errors::SubscriptOutOfRange);
        elements_.resize(count);
    } else {
        std::vector<Variant> fresh(count);
        elements_.swap(fresh);
    }
    bounds_ = std::move(bounds);
}

void Array::erase() {
    if (locks_) raise(errors::ArrayFixed);
    if (fixed_) {
        for (Variant& v : elements_) v.clear();
        return;
    }
    bounds_.clear();
    elements_.clear();
}

void Array::unlock() noexcept {
    if (--locks_ == 0 && orphaned_) delete this;
}

void Array::release(Array* a) noexcept {
    if (a->locks_) a->orphaned_ = true;
    else delete a;
}

}  // namespace vb
