#pragma once
// The host's enumerator over its devices or events (GetDeviceEnumerator,
// GetEventEnumerator): `Finished`, `CountChanged` and `GetNext`, called late-bound.
//
// It walks a snapshot of the list taken when it was made. When devices were added or
// removed since, `CountChanged` answers True once and the walk starts again from the first
// item of a fresh snapshot, so that a caller who restarts its pass on CountChanged, with
// this same enumerator, sees every item that exists at the end.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "automation/Class.h"

namespace homeseer {

class ListEnumerator : public automation::Dispatch<ListEnumerator> {
public:
    static constexpr std::string_view className = "clsEnumerator";
    static void describe(automation::Members<ListEnumerator>& m);

    // The list now, and a number that changes whenever items are added or removed.
    struct Snapshot {
        uint64_t generation = 0;
        std::vector<vb::ObjectRef> items;
    };
    using Source = std::function<Snapshot()>;

    explicit ListEnumerator(Source source);

    // True once every item of the snapshot was handed out.
    bool Finished() const noexcept;
    // True when the list changed since the snapshot (the walk then starts again).
    bool CountChanged();
    // The next item, or Nothing after the last.
    vb::ObjectRef GetNext();

private:
    Source source_;
    Snapshot snapshot_;
    std::size_t next_ = 0;
};

}  // namespace homeseer
