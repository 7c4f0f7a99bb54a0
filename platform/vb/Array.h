#pragma once
// The language's array of Variants: any number of dimensions, each with its lower and upper
// bound. Elements are stored with the first index varying fastest, so that ReDim Preserve of
// the last dimension keeps every element in place.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <utility>
#include <vector>

#include "vb/Variant.h"

namespace vb {

class Array {
public:
    struct Bounds {
        int32_t lower = 0;
        int32_t upper = -1;
    };

    // An array with no dimensions: a dynamic array not yet (or no longer) dimensioned.
    Array() = default;
    // A copy is a new array: it is not locked, whatever the original is.
    Array(const Array& other) : bounds_(other.bounds_), elements_(other.elements_), fixed_(other.fixed_) {}
    Array& operator=(const Array& other) {
        bounds_ = other.bounds_;
        elements_ = other.elements_;
        fixed_ = other.fixed_;
        return *this;
    }
    Array(Array&& other) noexcept
        : bounds_(std::move(other.bounds_)), elements_(std::move(other.elements_)), fixed_(other.fixed_) {}
    Array& operator=(Array&& other) noexcept {
        bounds_ = std::move(other.bounds_);
        elements_ = std::move(other.elements_);
        fixed_ = other.fixed_;
        return *this;
    }
    // `Dim a(2, 3)` gives bounds {0, 2}, {0, 3}; a fixed array refuses ReDim and Erase keeps it.
    explicit Array(std::vector<Bounds> bounds, bool fixed = false);
    // A one-dimensional array indexed from 0 (what Array(...) and Split give).
    static Array of(std::vector<Variant> elements);
    static Array of(std::initializer_list<Variant> elements);

    int32_t dimensions() const noexcept { return static_cast<int32_t>(bounds_.size()); }
    // LBound / UBound of dimension `dim` (from 1); error 9 when there is no such dimension.
    int32_t lbound(int32_t dim = 1) const;
    int32_t ubound(int32_t dim = 1) const;
    std::size_t size() const noexcept { return elements_.size(); }
    bool fixed() const noexcept { return fixed_; }

    // The element at the indices, by reference (so it can be passed ByRef); error 9 when the
    // number of indices differs from the dimensions, one lies outside its bounds, or there
    // are none (an array without dimensions has no elements).
    Variant& at(std::span<const int32_t> indices);
    const Variant& at(std::span<const int32_t> indices) const;
    Variant& at(int32_t index);
    const Variant& at(int32_t index) const;

    // The elements in storage order.
    std::span<Variant> elements() noexcept { return elements_; }
    std::span<const Variant> elements() const noexcept { return elements_; }

    // ReDim: new bounds, elements Empty. ReDim Preserve: only the upper bound of the last
    // dimension may change (error 9 otherwise) and the elements are kept. Error 10 on a fixed array.
    void redim(std::vector<Bounds> bounds, bool preserve);
    // Erase: a fixed array keeps its bounds with every element Empty; a dynamic array loses them.
    // Both, and ReDim, refuse a locked array with error 10.
    void erase();

    // An element bound by reference (a ByRef argument) locks its array: the elements stay where
    // they are until every lock is gone. A locked array its Variant lets go of is deleted at
    // its last unlock instead (see release).
    void lock() noexcept { ++locks_; }
    void unlock() noexcept;
    bool locked() const noexcept { return locks_ != 0; }
    // Deletes an array a Variant held, or leaves that to its last unlock.
    static void release(Array* a) noexcept;

private:
    std::size_t offset(std::span<const int32_t> indices) const;

    std::vector<Bounds> bounds_;
    std::vector<Variant> elements_;
    bool fixed_ = false;
    uint32_t locks_ = 0;
    bool orphaned_ = false;  // released while locked: the last unlock deletes it
};

}  // namespace vb
