#include "vb/Release.h"

namespace vb {

namespace {

thread_local int releaseDepth = 0;
thread_local std::vector<Variant> pendingRelease;

}  // namespace

void releaseValues(std::vector<Variant>& values) {
    if (releaseDepth > 0) {
        for (Variant& v : values) pendingRelease.push_back(std::move(v));
        return;
    }
    ++releaseDepth;
    std::vector<Variant> queue = std::move(values);
    values.clear();
    while (!queue.empty()) {
        Variant v = std::move(queue.back());
        queue.pop_back();
        v.clear();
        for (Variant& p : pendingRelease) queue.push_back(std::move(p));
        pendingRelease.clear();
    }
    --releaseDepth;
}

}  // namespace vb
