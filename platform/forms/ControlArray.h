#pragma once
// A control array: elements of one kind of control, each with an index, loaded and
// unloaded at run time (the language's Load/Unload). Events reach the handlers that
// the wiring function connects when an element is loaded, usually with its index bound.

#include <functional>
#include <map>
#include <utility>
#include <memory>
#include <string>

#include "forms/Loop.h"
#include "vb/Error.h"

namespace forms {

template <class Control>
class ControlArray {
public:
    using Wire = std::function<void(Control& element, int index)>;

    explicit ControlArray(Wire wire = {}, Loop& loop = Loop::current()) : wire_(std::move(wire)), loop_(loop) {}

    // Creates element `index`; error 360 "Object already loaded" when it exists.
    Control& Load(int index) {
        if (Exists(index)) throw vb::Error(360, "Object already loaded");
        auto& slot = elements_[index];
        slot = std::make_unique<Control>(loop_);
        if (wire_) wire_(*slot, index);
        return *slot;
    }

    // Destroys element `index` (it raises no event after this); error 340 when missing.
    void Unload(int index) {
        auto it = find(index);
        auto gone = std::move(it->second);
        elements_.erase(it);
    }

    // Takes element `index` out of the array, still wired as it was, for the caller to keep;
    // error 340 when missing.
    std::unique_ptr<Control> Release(int index) {
        auto it = find(index);
        auto taken = std::move(it->second);
        elements_.erase(it);
        return taken;
    }

    // Element `index`; error 340 "Control array element 'n' doesn't exist" when missing.
    Control& operator()(int index) { return *find(index)->second; }
    const Control& operator()(int index) const { return *find(index)->second; }

    bool Exists(int index) const { return elements_.count(index) != 0; }
    int Count() const { return static_cast<int>(elements_.size()); }
    // Lowest and highest loaded index; 0 and -1 when no element is loaded.
    int LBound() const { return elements_.empty() ? 0 : elements_.begin()->first; }
    int UBound() const { return elements_.empty() ? -1 : elements_.rbegin()->first; }

private:
    typename std::map<int, std::unique_ptr<Control>>::iterator find(int index) {
        const auto found = std::as_const(*this).find(index);
        return elements_.erase(found, found);  // the same element, as a mutable iterator
    }
    typename std::map<int, std::unique_ptr<Control>>::const_iterator find(int index) const {
        auto it = elements_.find(index);
        if (it == elements_.end())
            throw vb::Error(340, "Control array element '" + std::to_string(index) + "' doesn't exist");
        return it;
    }

    Wire wire_;
    Loop& loop_;
    std::map<int, std::unique_ptr<Control>> elements_;
};

}  // namespace forms
