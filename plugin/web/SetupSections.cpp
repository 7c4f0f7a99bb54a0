// The setup sections of the status page: each renders its part of the setup dialog's controls
// into the page and copies a saved post back into those controls; the dialog's writer stores
// them. Every shown value is HTML-escaped so that it comes back whole on the next save.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <utility>

#include "core/PluginState.h"
#include "core/SettingsChecks.h"
#include "core/SettingsTable.h"
#include "setup/ZephraSetup.h"
#include "vb/CodePage.h"
#include "vb/Strings.h"
#include "web/HTMLIncludes.h"
#include "web/PageFrameDetail.h"
#include "web/StatusPage.h"
#include "web/StatusPageState.h"
#include "web/StatusTexts.h"

namespace zephra {

using namespace status_text;
using page_frame::Trapped;

namespace {

// Appends to one section, each piece trapped on its own so that a failure loses only it.
class SectionWriter {
public:
    SectionWriter(PluginState& state, FastString& fs, const char* tag)
        : state_(state), fs_(fs), tag_(tag), dialog_(StatusSetup(state)) {}
    ZephraSetup& Dialog() { return dialog_; }
    void Add(const std::string& text) { fs_.Add(text); }
    void Cell(const std::function<std::string()>& text, const std::string& style, const std::string& span,
              const std::string& align) {
        Trapped(state_, tag_, [&] { fs_.Add(html_includes::FormatCell(state_, text(), style, span, align)); });
    }
    void Heading(const std::string& text) {
        Cell([&] { return text; }, kHeader, "3", "Center");
    }

private:
    PluginState& state_;
    FastString& fs_;
    const char* tag_;
    ZephraSetup& dialog_;
};

// A text as an input's value. A character the page's code page lacks, kept as the character
// reference its browser posted, is shown as that character again: the field shows what was typed
// (and posts it back as it came).
std::string value(const std::string& text) {
    std::string shown = HTMLEncode(text);
    for (std::size_t at = shown.find("&amp;#"); at != std::string::npos; at = shown.find("&amp;#", at + 1)) {
        std::size_t end = at + 6;
        while (end < shown.size() && end - at < 14 && shown[end] >= '0' && shown[end] <= '9') ++end;
        if (end == at + 6 || end >= shown.size() || shown[end] != ';') continue;
        const unsigned long codePoint = std::stoul(shown.substr(at + 6, end - at - 6));
        if (codePoint > 0xFF && codePoint <= 0x10FFFF && vb::byteOf(static_cast<uint32_t>(codePoint)) == '?')
            shown.erase(at + 1, 4);
    }
    return shown;
}

std::string CheckBox(const std::string& field, const forms::CheckBox& box, const std::string& lead = "&nbsp;") {
    return "<input type='checkbox' name='" + field + "' value='1'" + CheckedIfOne(box.Value()) + ">" + lead +
           HTMLEncode(box.Caption());
}

// Copies a posted text into a control, or a check box's state. A text or option field the post
// lacks keeps what the control holds (an unchecked check box is never posted, so it counts
// as cleared). A field posted as its page showed it keeps what the control holds too: the
// control was read afresh, and the user did not change the field. A text the user changed is
// checked as the settings table says; the first refused one is noted with its field, and the
// text is copied all the same, so that the page answering the refusal shows what was typed.
// While a page is drawn, the same walk notes each field's value as a post would give it.
struct Updater {
    PluginState& state;
    const char* tag;
    StatusPageState& page = state.Part<StatusPageState>();

    bool Noting() const { return page.Noting != nullptr; }
    void Note(const std::string& field, const std::string& value) { page.Noting->fields[field] = value; }
    bool AsDrawn(const std::string& field, const std::string& posted) const {
        return zephra::AsDrawn(state, field, posted);
    }
    // A control the post changed, named as its user knows it (`shown`, else the field), for the
    // page that answers the save.
    void Changed(const std::string& field, const std::string& shown) {
        const std::string& name = shown.empty() ? field : shown;
        if (std::find(page.Changed.begin(), page.Changed.end(), name) == page.Changed.end())
            page.Changed.push_back(name);
    }
    // A text box's or a drop-down's text; a post that does not carry the field leaves it.
    // `refusal` checks a changed text.
    template <class Box, class Checker>
    void Typed(Box& box, const std::string& field, const Checker& refusal, const std::string& shown = {}) {
        if (Noting()) return Note(field, box.Text());
        StatusSetup(state).PostedAs(box, field);
        if (FieldMissing(state, field)) return;
        Trapped(state, tag, [&] {
            const std::string posted = ExactPostedField(state, field);
            if (AsDrawn(field, posted)) return;
            if (page.CopyRefusal.empty()) {
                page.CopyRefusal = refusal(posted);
                if (!page.CopyRefusal.empty()) page.CopyRefusedField = field;
            }
            if (box.Text() != posted) Changed(field, shown);
            box.Text(posted);
        });
    }
    void Text(forms::TextBox& box, const std::string& field, const settings::Setting& row) {
        Typed(box, field, [&](const std::string& text) { return settings::Refusal(row, text); });
    }
    void Voice(forms::ComboBox& box, const std::string& field, const settings::Setting& row) {
        Typed(box, field, [&](const std::string& text) { return settings::Refusal(row, text); });
    }
    // A family's text field of an index; a unit's is named with the unit's name as it stands
    // (in the slot the row's edits go to), by the row the page shows it in.
    void FamilyText(forms::TextBox& box, const std::string& field, const settings::Family& family,
                    const settings::FamilyField& f, int row, int slot, const std::string& shown) {
        Typed(
            box, field,
            [&](const std::string& text) {
                const std::string name =
                    &family == &settings::Units()
                        ? StatusSetup(state).Control<forms::TextBox>(family.fields.front(), slot).Text()
                        : std::string();
                return settings::Refusal(family, f, row, text, name);
            },
            shown);
    }
    // A check box the post does not carry, nor its page's list of boxes, is left as it is.
    void Check(forms::CheckBox& box, const std::string& field, const std::string& shown = {}) {
        if (Noting()) {
            page.Noting->boxes.push_back(field);
            return Note(field, box.Value() == 1 ? "1" : "0");
        }
        Trapped(state, tag, [&] {
            if (BoxUnsaid(state, field)) return;
            const int16_t posted = FormItemValue(state, field);
            if (AsDrawn(field, posted ? "1" : "0")) return;
            if (box.Value() != posted) Changed(field, shown);
            box.Value(posted);
        });
    }
    // Element k selected exactly when the posted value is the digit k.
    void Options(forms::OptionGroup& group, const std::string& field, const std::string& shown = {}) {
        if (Noting()) {
            std::string selected;
            for (int k = 0; k <= group.UBound(); ++k)
                if (group(k).Value()) selected = std::to_string(k);
            return Note(field, selected);
        }
        if (FieldMissing(state, field)) return;
        Trapped(state, tag, [&] {
            const std::string posted = PostedField(state, field);
            if (AsDrawn(field, posted)) return;
            for (int k = 0; k <= group.UBound(); ++k) {
                if (group(k).Value() != (posted == std::to_string(k))) Changed(field, shown);
                group(k).Value(posted == std::to_string(k));
            }
        });
    }
    // A field the table keeps unless it is posted is left out of a copy that lacks it.
    bool Skipped(bool keptUnlessPosted, const std::string& field) {
        return !Noting() && keptUnlessPosted && !FieldPosted(state, field);
    }
};

// A text box: its label, the input, and the text after it; a refusal that names the field
// follows it.
std::string TextInput(PluginState& state, const settings::Page& p, const std::string& field, const std::string& text) {
    return std::string(p.label ? p.label : "") + "<input type='text'" + (p.tight ? " " : "  ") + "size='" +
           std::to_string(p.size) + "'" + (p.wideName ? "  " : " ") + "name='" + field + "' value='" + value(text) +
           "'>" + ProblemBeside(state, field) + p.after;
}

// Option buttons posted under one field, each with its caption after it (a blank before the
// caption, or after it).
std::string OptionButtons(forms::OptionGroup& group, const std::string& field, bool blankFirst) {
    const std::vector<std::string> marks = CheckedFromControlArray(group);
    std::string text;
    for (int k = 0; k <= group.UBound(); ++k) {
        const std::string caption = HTMLEncode(group(k).Caption());
        text += "<input type='radio' name='" + field + "' value='" + std::to_string(k) + "'" +
                marks.at(static_cast<std::size_t>(k)) + ">" + (blankFirst ? "&nbsp;" + caption : caption + "&nbsp;");
    }
    return text;
}

}  // namespace

// --- Sections of the settings table --------------------------------------------------------

namespace {

// A heading line of a section.
struct Heading {
    int line;
    const char* text;
    bool rowAfter = true;         // false: the next line follows in the heading's row
    bool standaloneOnly = false;  // not shown under the xAP host
};

// A section of the page that shows settings of the table: its frame; each setting's place is
// in its row of the table.
struct Section {
    settings::PageSection section;
    const char* tag;        // log tag of the rendering
    const char* updateTag;  // log tag of the copy of a post
    const char* lead;       // before the table
    const char* title;
    std::vector<Heading> headings;
};

const Section kDefinitions{settings::PageSection::Definitions,
                           "AddDefinitions",
                           "UpdateDefinitions",
                           "<br>",
                           "Definitions",
                           {{1, "Miscellaneous", false},
                            {4, "Included Sound Bytes"},
                            {6, "Performance"},
                            {8, "HTTP Server"},
                            {10, "Server Selection", true, true},
                            {12, "Debug"}}};
// A failure of a post's copy is logged as of the rendering.
const Section kPower{settings::PageSection::Power,
                     "AddPower",
                     "AddPower",
                     "<br><br>",
                     "Power",
                     {{1, "Miscellaneous", false}, {4, "When to Resume After Power Cycle"}}};
const Section kScreen{settings::PageSection::Screen,
                      "AddScreen",
                      "UpdateScreen",
                      "<br>",
                      "Screen",
                      {{1, "Motion"}, {4, "Text"}, {7, "Slide Image Resizing"}, {9, "Slideshow"}}};
const Section kCID{
    settings::PageSection::CID,
    "AddCID",
    "UpdateCID",
    "<br>",
    "CID",
    {{1, "Homeseer Phone CID"}, {3, "Serial CID"}, {6, "CID Response"}, {9, "Sources for Number to Name Lookup"}}};

// The section's settings in page order: by line, cell and part.
std::vector<const settings::Setting*> Placed(settings::PageSection section) {
    std::vector<const settings::Setting*> rows;
    for (const settings::Setting& row : settings::SettingsTable())
        if (row.page.section == section) rows.push_back(&row);
    std::stable_sort(rows.begin(), rows.end(), [](const settings::Setting* a, const settings::Setting* b) {
        return std::tie(a->page.line, a->page.cell, a->page.part) < std::tie(b->page.line, b->page.cell, b->page.part);
    });
    return rows;
}

bool Shown(PluginState& state, bool standaloneOnly) { return !(standaloneOnly && state.IsSetup); }

// One setting's part of its cell.
std::string SettingText(PluginState& state, ZephraSetup& d, const settings::Setting& row) {
    const settings::Page& p = row.page;
    const std::string field = settings::PageField(row);
    switch (row.dialog.fill) {
    case settings::Fill::Text:
    case settings::Fill::NumericText: return TextInput(state, p, field, d.Control<forms::TextBox>(row).Text());
    case settings::Fill::Voice: return TextInput(state, p, field, d.aVoiceCB.Text());
    case settings::Fill::LeadingNumber:
    case settings::Fill::WholeNumber: {
        const forms::CheckBox& box = d.Control<forms::CheckBox>(row);
        return "<input type='checkbox' name='" + field + "' value='1'" + CheckedIfOne(box.Value()) + ">" +
               (p.label ? std::string(p.label) : "&nbsp;" + HTMLEncode(box.Caption()));
    }
    case settings::Fill::ServerOption: return OptionButtons(d.aTCPServerOption, field, true);
    case settings::Fill::None:
    case settings::Fill::Sounds: break;
    }
    return {};
}

// The sound boxes, three a line; the last line is filled up with blank cells.
void SoundGrid(SectionWriter& w, const settings::Setting& row) {
    ZephraSetup& d = w.Dialog();
    int k = 0;
    for (; k <= d.Check1.UBound(); ++k) {
        if (k % 3 == 0 && k > 0) w.Add(kRow);
        w.Cell([&] { return CheckBox(settings::PageField(row) + "_" + std::to_string(k), d.Check1(k)); }, kOdd,
               row.page.span, row.page.align);
    }
    for (; k % 3 != 0; ++k) w.Cell([] { return "&nbsp;"; }, kOdd, "1", "Center");
}

// One line of settings: its cells in order, a cell no setting fills left blank.
void SettingsLine(PluginState& state, SectionWriter& w, const std::vector<const settings::Setting*>& rows) {
    int cell = 1;
    for (std::size_t i = 0; i < rows.size();) {
        const settings::Setting& first = *rows[i];
        for (; cell < first.page.cell; ++cell) w.Cell([] { return "&nbsp;"; }, kOdd, "1", "Center");
        std::size_t end = i;
        while (end < rows.size() && rows[end]->page.cell == first.page.cell) ++end;
        if (first.dialog.fill == settings::Fill::Sounds) {
            SoundGrid(w, first);
        } else {
            w.Cell(
                [&] {
                    std::string text;
                    for (std::size_t j = i; j < end; ++j) text += SettingText(state, w.Dialog(), *rows[j]);
                    return text;
                },
                kOdd, first.page.span, first.page.align);
        }
        i = end;
        ++cell;
    }
}

void AddSection(PluginState& state, FastString& fs, const Section& section) {
    Trapped(state, section.tag, [&] {
        SectionWriter w(state, fs, section.tag);
        const std::vector<const settings::Setting*> rows = Placed(section.section);
        int last = rows.empty() ? 0 : rows.back()->page.line;
        for (const Heading& h : section.headings) last = std::max(last, h.line);
        w.Add(std::string(section.lead) + kTable);
        w.Heading(section.title);
        const char* separator = kRow;
        for (int line = 1; line <= last; ++line) {
            auto heading = std::find_if(section.headings.begin(), section.headings.end(),
                                        [&](const Heading& h) { return h.line == line; });
            std::vector<const settings::Setting*> cells;
            for (const settings::Setting* row : rows)
                if (row->page.line == line && Shown(state, row->page.standaloneOnly)) cells.push_back(row);
            if (heading != section.headings.end() ? !Shown(state, heading->standaloneOnly) : cells.empty()) continue;
            w.Add(separator);
            separator = kRow;
            if (heading != section.headings.end()) {
                w.Heading(heading->text);
                if (!heading->rowAfter) separator = "</tr>";
            } else {
                SettingsLine(state, w, cells);
            }
        }
        w.Add("</tr>");
        w.Add("</table>");
    });
}

// Copies the section's posted fields into the dialog's controls.
void UpdateSection(PluginState& state, const Section& section) {
    Trapped(state, section.updateTag, [&] {
        ZephraSetup& d = StatusSetup(state);
        Updater u{state, section.updateTag};
        for (const settings::Setting* row : Placed(section.section)) {
            const std::string field = settings::PageField(*row);
            if (u.Skipped(row->page.keptUnlessPosted, field)) continue;
            // A field the page does not show is not drawn.
            if (u.Noting() && !Shown(state, row->page.standaloneOnly)) continue;
            switch (row->dialog.fill) {
            case settings::Fill::Text:
            case settings::Fill::NumericText: u.Text(d.Control<forms::TextBox>(*row), field, *row); break;
            case settings::Fill::Voice: u.Voice(d.aVoiceCB, field, *row); break;
            case settings::Fill::LeadingNumber:
            case settings::Fill::WholeNumber: u.Check(d.Control<forms::CheckBox>(*row), field); break;
            case settings::Fill::ServerOption: u.Options(d.aTCPServerOption, field); break;
            case settings::Fill::Sounds:
                for (int k = 0; k <= d.Check1.UBound(); ++k)
                    u.Check(d.Check1(k), field + "_" + std::to_string(k), row->key);
                break;
            case settings::Fill::None: break;
            }
        }
    });
}

}  // namespace

void AddDefinitions(PluginState& state, FastString& fs) { AddSection(state, fs, kDefinitions); }
void UpdateDefinitions(PluginState& state) { UpdateSection(state, kDefinitions); }
void AddPower(PluginState& state, FastString& fs) { AddSection(state, fs, kPower); }
void UpdatePower(PluginState& state) { UpdateSection(state, kPower); }
void AddScreen(PluginState& state, FastString& fs) { AddSection(state, fs, kScreen); }
void UpdateScreen(PluginState& state) { UpdateSection(state, kScreen); }
void AddCID(PluginState& state, FastString& fs) { AddSection(state, fs, kCID); }
void UpdateCID(PluginState& state) { UpdateSection(state, kCID); }

// --- Families: the units and the slide groups -------------------------------------------------

namespace {

// A family's fields on a line of the page in cell order, its key field among them.
std::vector<const settings::FamilyField*> FamilyLine(const settings::Family& family, int line) {
    std::vector<const settings::FamilyField*> fields;
    if (family.keyField && family.keyField->page.line == line) fields.push_back(family.keyField);
    for (const settings::FamilyField& f : family.fields)
        if (f.page.line == line) fields.push_back(&f);
    std::stable_sort(fields.begin(), fields.end(), [](const settings::FamilyField* a, const settings::FamilyField* b) {
        return a->page.cell < b->page.cell;
    });
    return fields;
}

// A field of an index, as its cell shows it.
std::string FamilyCell(PluginState& state, ZephraSetup& d, const settings::FamilyField& f, int n) {
    const std::string field = settings::PostedName(f, n);
    switch (f.fill) {
    case settings::FieldFill::Text: return TextInput(state, f.page, field, d.Control<forms::TextBox>(f, n).Text());
    case settings::FieldFill::Code: return value(d.Control<forms::TextBox>(f, n).Text());
    case settings::FieldFill::SlideGroup: return OptionButtons(d.SlideGroupOptions(n), field, false);
    case settings::FieldFill::Switch:
        return "<input type='checkbox' name='" + field + "' value='1'" +
               CheckedIfOne(d.Control<forms::CheckBox>(f, n).Value()) + ">";
    }
    return {};
}

bool FamilyShown(PluginState& state, ZephraSetup& d, const settings::FamilyField& f, int n) {
    if (f.page.xapHostOnly && !state.IsSetup) return false;
    return !f.shownWith || !d.Named<forms::TextBox>(f.shownWith, n).Text().empty();
}

// Copies a posted field of an index (the row the page showed it in) into its control (that of
// `slot`, where the row's entry is now).
void UpdateFamilyField(PluginState& state, Updater& u, const settings::Family& family, const settings::FamilyField& f,
                       int n, int slot) {
    ZephraSetup& d = StatusSetup(state);
    const std::string field = settings::PostedName(f, n);
    if (u.Skipped(f.page.keptUnlessPosted, field)) return;
    if (u.Noting() && !FamilyShown(state, d, f, slot)) return;
    // A unit's field is told by the row the user saw it in and the name the row shows (as the
    // unit holds it when the post leaves the name out).
    std::string shown;
    if (!u.Noting() && &family == &settings::Units()) {
        const std::string named = settings::PostedName(family.fields.front(), n);
        const std::string name = FieldPosted(state, named)
                                     ? PostedField(state, named)
                                     : d.Control<forms::TextBox>(family.fields.front(), slot).Text();
        shown = settings::UnitShown(n, name) + " " + (f.heading ? f.heading : field);
    }
    switch (f.fill) {
    case settings::FieldFill::Text:
        u.FamilyText(d.Control<forms::TextBox>(f, slot), field, family, f, n, slot, shown);
        break;
    case settings::FieldFill::Code: break;  // shown, never posted
    case settings::FieldFill::SlideGroup: u.Options(d.SlideGroupOptions(slot), field, shown); break;
    case settings::FieldFill::Switch: u.Check(d.Control<forms::CheckBox>(f, slot), field, shown); break;
    }
}

// Whether the user changed a field of the posted unit row n from what its page showed.
bool RowEdited(PluginState& state, Updater& u, const std::vector<const settings::FamilyField*>& fields, int n) {
    for (const settings::FamilyField* f : fields) {
        const std::string field = settings::PostedName(*f, n);
        if (u.Skipped(f->page.keptUnlessPosted, field)) continue;
        switch (f->fill) {
        case settings::FieldFill::Text:
            if (!FieldMissing(state, field) && !AsDrawn(state, field, ExactPostedField(state, field))) return true;
            break;
        case settings::FieldFill::Code: break;
        case settings::FieldFill::SlideGroup:
            if (!FieldMissing(state, field) && !AsDrawn(state, field, PostedField(state, field))) return true;
            break;
        case settings::FieldFill::Switch:
            if (!BoxUnsaid(state, field) && !AsDrawn(state, field, FormItemValue(state, field) ? "1" : "0"))
                return true;
            break;
        }
    }
    return false;
}

bool SameKey(const std::string& a, const std::string& b) { return vb::UCase(vb::Trim(a)) == vb::UCase(vb::Trim(b)); }

// The device code a unit slot holds now.
std::string CodeOf(ZephraSetup& d, int slot) {
    for (const settings::FamilyField& f : settings::Units().fields)
        if (f.fill == settings::FieldFill::Code) return vb::Trim(d.Control<forms::TextBox>(f, slot).Text());
    return {};
}

// Where each posted unit row's edits go: to the slot that holds the entry the row was drawn
// from now (a save meanwhile may have moved it), a row drawn empty to a slot still free. The
// entry is the one with the key and the device code the row was drawn with: an appliance added
// meanwhile at a removed one's address has a code of its own. A row whose entry is gone, or
// that finds no free slot, is refused by the appliance's name, unless the user cleared it too.
std::vector<int> SlotsOfRows(PluginState& state, Updater& u, const std::vector<const settings::FamilyField*>& fields) {
    const settings::Family& units = settings::Units();
    ZephraSetup& d = StatusSetup(state);
    StatusPageState& page = state.Part<StatusPageState>();
    std::vector<int> slotOf(static_cast<std::size_t>(units.count), -1);
    std::vector<bool> taken(static_cast<std::size_t>(units.count), false);
    // Shown at the top of the page: the row is not where the page that answers shows it.
    auto refuse = [&](const std::string& problem) {
        if (!page.CopyRefusal.empty()) return;
        page.CopyRefusal = settings::kNothingSaved + problem;
        page.CopyRefusedField.clear();
    };
    auto named = [&](int n) {
        return settings::UnitShown(n, PostedField(state, settings::PostedName(units.fields.front(), n)));
    };
    auto cleared = [&](int n) {
        return vb::Trim(PostedField(state, settings::PostedName(units.fields.front(), n))).empty() ||
               vb::Trim(PostedField(state, settings::PostedName(*units.keyField, n))).empty();
    };
    std::vector<int> added;
    for (int n = 0; n < units.count; ++n) {
        auto drawn = page.AsDrawn->keys.find("U" + std::to_string(n));
        if (drawn == page.AsDrawn->keys.end()) {
            if (RowEdited(state, u, fields, n)) added.push_back(n);
            continue;
        }
        // A page drawn before rows carried their codes is matched by the key alone.
        auto code = page.AsDrawn->keys.find("D" + std::to_string(n));
        auto sameCode = [&](int m) {
            return code == page.AsDrawn->keys.end() || code->second.empty() || SameKey(CodeOf(d, m), code->second);
        };
        for (int m = 0; m < units.count; ++m) {
            const std::string& key = d.LoadedKeys()[static_cast<std::size_t>(m)];
            if (key.empty() || taken[static_cast<std::size_t>(m)] || !SameKey(key, drawn->second) || !sameCode(m))
                continue;
            slotOf[static_cast<std::size_t>(n)] = m;
            taken[static_cast<std::size_t>(m)] = true;
            break;
        }
        if (slotOf[static_cast<std::size_t>(n)] >= 0 || !RowEdited(state, u, fields, n) || cleared(n)) continue;
        // Its code under another key: the appliance was given another address, not removed.
        std::string readdressed;
        for (int m = 0; code != page.AsDrawn->keys.end() && !code->second.empty() && m < units.count; ++m) {
            const std::string& key = d.LoadedKeys()[static_cast<std::size_t>(m)];
            if (!key.empty() && !SameKey(key, drawn->second) && SameKey(CodeOf(d, m), code->second)) readdressed = key;
        }
        refuse(named(n) +
               (readdressed.empty() ? std::string(kRemovedSince) : kReaddressedSince + readdressed + kReaddressedTail));
    }
    auto free = [&](int m) {
        return !taken[static_cast<std::size_t>(m)] && d.LoadedKeys()[static_cast<std::size_t>(m)].empty() &&
               vb::Trim(d.Control<forms::TextBox>(*units.keyField, m).Text()).empty();
    };
    for (int n : added) {
        int slot = free(n) ? n : -1;
        for (int m = 0; slot < 0 && m < units.count; ++m)
            if (free(m)) slot = m;
        if (slot < 0) {
            refuse(kNoFreeRow + named(n) + kReload);
            continue;
        }
        slotOf[static_cast<std::size_t>(n)] = slot;
        taken[static_cast<std::size_t>(slot)] = true;
    }
    return slotOf;
}

}  // namespace

// One line per unit slot under the fields' headings; a field on a line of its own follows its
// slot's line, its heading right-aligned over the columns its input leaves.
void AddZephras(PluginState& state, FastString& fs) {
    Trapped(state, "AddZephras", [&] {
        SectionWriter w(state, fs, "AddZephras");
        ZephraSetup& d = w.Dialog();
        const settings::Family& units = settings::Units();
        const std::vector<const settings::FamilyField*> columns = FamilyLine(units, 1);
        const std::vector<const settings::FamilyField*> below = FamilyLine(units, 2);
        const int width = static_cast<int>(columns.size());
        w.Add(std::string("<br>") + kTable);
        w.Cell([] { return "Zephra Units Setup"; }, kHeader, std::to_string(width), "Center");
        w.Add(kRow);
        for (const settings::FamilyField* f : columns)
            w.Cell([&] { return f->heading; }, kHeader, f->page.span, "Center");
        w.Add("</tr>");
        for (int n = 0; n < units.count; ++n) {
            const std::string s = n % 2 == 0 ? kOdd : kEven;
            w.Add("<tr>");
            for (const settings::FamilyField* f : columns)
                w.Cell([&] { return FamilyCell(state, d, *f, n); }, s, f->page.span, f->page.align);
            for (const settings::FamilyField* f : below) {
                if (!FamilyShown(state, d, *f, n)) continue;
                w.Add(kRow);
                w.Cell([&] { return f->heading; }, s, std::to_string(width - std::stoi(f->page.span)), "Right");
                w.Cell([&] { return FamilyCell(state, d, *f, n); }, s, f->page.span, f->page.align);
                w.Add("</tr>");
            }
        }
        w.Add("</table>");
    });
}

void UpdateZephras(PluginState& state) {
    Trapped(state, "UpdateZephras", [&] {
        Updater u{state, "UpdateZephras"};
        StatusPageState& page = state.Part<StatusPageState>();
        ZephraSetup& d = StatusSetup(state);
        const settings::Family& units = settings::Units();
        std::vector<const settings::FamilyField*> fields = FamilyLine(units, 1);
        for (const settings::FamilyField* f : FamilyLine(units, 2)) fields.push_back(f);
        std::vector<int> slotOf(static_cast<std::size_t>(units.count));
        for (int n = 0; n < units.count; ++n) slotOf[static_cast<std::size_t>(n)] = n;
        if (u.Noting()) {
            for (int n = 0; n < units.count; ++n)
                if (const std::string& key = d.LoadedKeys()[static_cast<std::size_t>(n)]; !key.empty()) {
                    page.Noting->keys["U" + std::to_string(n)] = key;
                    page.Noting->keys["D" + std::to_string(n)] = CodeOf(d, n);
                }
        } else if (page.AsDrawn) {
            slotOf = SlotsOfRows(state, u, fields);
        }
        page.SlotOfRow = slotOf;
        page.RowOfSlot.assign(static_cast<std::size_t>(units.count), -1);
        for (int n = 0; n < units.count; ++n)
            if (const int m = slotOf[static_cast<std::size_t>(n)]; m >= 0)
                page.RowOfSlot[static_cast<std::size_t>(m)] = n;
        for (int n = 0; n < units.count; ++n) {
            const int slot = slotOf[static_cast<std::size_t>(n)];
            if (slot < 0) continue;
            for (const settings::FamilyField* f : fields) UpdateFamilyField(state, u, units, *f, n, slot);
        }
    });
}

// Per slide group: a heading line naming the group, its rows, then its paths.
void AddSlideGroup(PluginState& state, FastString& fs) {
    Trapped(state, "AddSlideGroup", [&] {
        SectionWriter w(state, fs, "AddSlideGroup");
        ZephraSetup& d = w.Dialog();
        const settings::Family& rows = settings::SlideRows();
        const settings::Family& paths = settings::SlideGroupPaths();
        const int perGroup = rows.count / paths.count;
        w.Add(std::string("<br>") + kTable);
        w.Heading("Slide Group");
        for (int g = 0; g < paths.count; ++g) {
            w.Add(kRow);
            std::string lead = "Group " + std::to_string(g + 1) + " ";
            for (const settings::FamilyField& f : rows.fields)
                w.Cell([&] { return std::exchange(lead, "") + f.heading; }, kHeader, f.page.span, "Center");
            w.Add("</tr>");
            for (int r = 0; r < perGroup; ++r) {
                const int k = g * perGroup + r;
                const std::string s = r % 2 == 0 ? kOdd : kEven;
                w.Add("<tr>");
                for (const settings::FamilyField& f : rows.fields)
                    w.Cell([&] { return FamilyCell(state, d, f, k); }, s, f.page.span, f.page.align);
                w.Add("</tr>");
            }
            const char* separator = "<tr>";
            for (const settings::FamilyField& f : paths.fields) {
                w.Add(std::exchange(separator, kRow));
                w.Cell([&] { return FamilyCell(state, d, f, g); }, kOdd, f.page.span, f.page.align);
            }
        }
        w.Add("</tr>");
        w.Add("</table>");
    });
}

void UpdateSlideGroup(PluginState& state) {
    Trapped(state, "UpdateSlideGroup", [&] {
        Updater u{state, "UpdateSlideGroup"};
        const settings::Family& rows = settings::SlideRows();
        const settings::Family& paths = settings::SlideGroupPaths();
        const int perGroup = rows.count / paths.count;
        for (int g = 0; g < paths.count; ++g) {
            for (int k = g * perGroup; k < (g + 1) * perGroup; ++k)
                for (const settings::FamilyField& f : rows.fields) UpdateFamilyField(state, u, rows, f, k, k);
            for (const settings::FamilyField& f : paths.fields) UpdateFamilyField(state, u, paths, f, g, g);
        }
    });
}

}  // namespace zephra
