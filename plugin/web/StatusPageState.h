#pragma once
// What the status page keeps between requests: the sort of its device table and whether the
// last page it built held the messages-of-interest rows.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "vb/Date.h"
#include "vb/Variant.h"

namespace zephra {

class ZephraSetup;

// A page as it was drawn: each field's value as a post of the unchanged page gives it (the
// setup sections, the display options, the messages of interest), and the entry key each unit
// row and each xAP row was drawn from ("U" + row, "X" + row). The page carries it in a hidden
// field, values as digests, so that a save compares with what its own page showed, whenever
// it was drawn and however many pages were drawn since.
struct Drawing {
    std::map<std::string, std::string> fields;
    std::map<std::string, std::string> keys;
    // The check boxes the page shows, carried in a field of their own: a post that names a box
    // there and leaves it out has it unticked; a box the post does not name is left as it is.
    std::vector<std::string> boxes;
};

struct StatusPageState {
    std::string SortKey = "DCSORT";  // "DCSORT", "STATUS", "NAME" or "CHANGED"
    std::string SortDirection;       // "DESC", or "" for ascending
    std::string PrevSortKey;         // the key the last sort button set
    vb::Date TodayStart;
    vb::Date YesterdayStart;
    // The last page built held the inputs of the messages of interest (configuration mode).
    bool FilterInputsShown = false;
    // Why the last save stored nothing; shown once on the next page.
    std::string SaveProblem;
    // The posted field the refusal names, shown with the message beside it.
    std::string RefusedField;
    // What the last save stored, or that it stored nothing; shown once on the next page.
    std::string SaveNote;
    // While a save copies a post: each setup field whose control it changed, as its user names it.
    std::vector<std::string> Changed;
    // While a save copies a post: the first changed field's refusal, and the field.
    std::string CopyRefusal;
    std::string CopyRefusedField;
    // The page answering a refused save shows what was posted, not what is stored.
    bool ShowPosted = false;
    // The page's own copy of the setup controls: a setup window open meanwhile keeps its edits.
    std::shared_ptr<ZephraSetup> Setup;
    // While a page is drawn: where its fields are noted. While a save copies a post: the
    // drawing its page carried (field values as digests).
    Drawing* Noting = nullptr;
    const Drawing* AsDrawn = nullptr;
    // The page being built: what it shows as stored, carried in its form.
    Drawing Building;
    // The setup as a save found it stored, before its edits: the drawing of a page that answers
    // a refused save (which shows the edits over what is stored).
    Drawing Found;
    bool FoundNoted = false;
    // While a save copies a post: the unit slot each posted unit row's edits go to (-1: none),
    // and the posted row of each slot (-1: not on the page).
    std::vector<int> SlotOfRow;
    std::vector<int> RowOfSlot;
    // The current request and response of the page being answered.
    vb::Variant Request;
    vb::Variant Response;
};

}  // namespace zephra
