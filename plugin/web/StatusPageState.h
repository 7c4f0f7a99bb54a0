#pragma once
// What the status page keeps between requests: the sort of its device table and whether the
// last page it built held the messages-of-interest rows.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>

#include "vb/Date.h"
#include "vb/Variant.h"

namespace zephra {

class ZephraSetup;

// The setup fields of one drawn page as it showed them, by posted name: a save writes only the
// fields whose posted value differs, over what the files hold by then.
struct DrawnSetup {
    int64_t token = 0;
    std::map<std::string, std::string> fields;
};

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
    // The posted field the refusal names, shown with the message beside it.
    std::string RefusedField;
    // While a save copies a post: the first changed field's refusal, and the field.
    std::string CopyRefusal;
    std::string CopyRefusedField;
    // The page answering a refused save shows what was posted, not what is stored.
    bool ShowPosted = false;
    // The page's own copy of the setup controls: a setup window open meanwhile keeps its edits.
    std::shared_ptr<ZephraSetup> Setup;
    // The last pages drawn (a few, for pages open side by side), newest last.
    std::deque<DrawnSetup> Drawn;
    // While a page is drawn: where its setup fields are noted. While a save copies a post: the
    // fields as its page showed them (nullptr: every posted field is taken).
    std::map<std::string, std::string>* Noting = nullptr;
    const std::map<std::string, std::string>* AsDrawn = nullptr;
    // The current request and response of the page being answered.
    vb::Variant Request;
    vb::Variant Response;
};

}  // namespace zephra
