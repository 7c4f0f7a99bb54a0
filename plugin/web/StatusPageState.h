#pragma once
// What the status page keeps between requests: the sort of its device table and whether the
// last page it built held the messages-of-interest rows.

#include <string>

#include "vb/Date.h"
#include "vb/Variant.h"

namespace zephra {

struct StatusPageState {
    std::string SortKey = "DCSORT";  // "DCSORT", "STATUS", "NAME" or "CHANGED"
    std::string SortDirection;       // "DESC", or "" for ascending
    std::string PrevSortKey;         // the key the last sort button set
    vb::Date TodayStart;
    vb::Date YesterdayStart;
    bool FilterRowsShown = false;
    // The last page built held the inputs of the messages of interest (configuration mode).
    bool FilterInputsShown = false;
    // Why the last save stored nothing; shown once on the next page.
    std::string SaveProblem;
    // The current request and response of the page being answered.
    vb::Variant Request;
    vb::Variant Response;
};

}  // namespace zephra
