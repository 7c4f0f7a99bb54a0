#include "homeseer/ListEnumerator.h"

namespace homeseer {

void ListEnumerator::describe(automation::Members<ListEnumerator>& m) {
    m.get<&ListEnumerator::Finished>("Finished");
    m.get<&ListEnumerator::CountChanged>("CountChanged");
    m.method<&ListEnumerator::GetNext>("GetNext");
}

ListEnumerator::ListEnumerator(Source source) : source_(std::move(source)), snapshot_(source_()) {}

bool ListEnumerator::Finished() const noexcept { return next_ >= snapshot_.items.size(); }

bool ListEnumerator::CountChanged() {
    Snapshot now = source_();
    if (now.generation == snapshot_.generation) return false;
    snapshot_ = std::move(now);
    next_ = 0;
    return true;
}

vb::ObjectRef ListEnumerator::GetNext() {
    if (Finished()) return nullptr;
    return snapshot_.items[next_++];
}

}  // namespace homeseer
