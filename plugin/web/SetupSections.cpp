// The setup sections of the status page: each renders its part of the setup dialog's controls
// into the page and copies a saved post back into those controls; the dialog's writer stores
// them. Every shown value is HTML-escaped so that it comes back whole on the next save.

#include <algorithm>
#include <functional>
#include <tuple>
#include <string>

#include "core/PluginState.h"
#include "core/SettingsTable.h"
#include "setup/ZephraSetup.h"
#include "vb/Strings.h"
#include "web/HTMLIncludes.h"
#include "web/PageFrameDetail.h"
#include "web/StatusPage.h"
#include "web/StatusTexts.h"

namespace zephra {

using namespace status_text;
using page_frame::trapped;

namespace {

// Appends to one section, each piece trapped on its own so that a failure loses only it.
class SectionWriter {
public:
    SectionWriter(PluginState& state, FastString& fs, const char* tag)
        : state_(state), fs_(fs), tag_(tag), dialog_(SetupDialog(state)) {}
    ZephraSetup& dialog() { return dialog_; }
    void add(const std::string& text) { fs_.Add(text); }
    void cell(const std::function<std::string()>& text, const std::string& style, const std::string& span,
              const std::string& align) {
        trapped(state_, tag_, [&] { fs_.Add(html_includes::FormatCell(state_, text(), style, span, align)); });
    }
    void heading(const std::string& text) {
        cell([&] { return text; }, kHeader, "3", "Center");
    }

private:
    PluginState& state_;
    FastString& fs_;
    const char* tag_;
    ZephraSetup& dialog_;
};

std::string value(const std::string& text) { return HTMLEncode(text); }

std::string checkBox(const std::string& field, const forms::CheckBox& box, const std::string& lead = "&nbsp;") {
    return "<input type='checkbox' name='" + field + "' value='1'" + CheckedIfOne(box.Value()) + ">" + lead +
           HTMLEncode(box.Caption());
}

// Copies a posted text into a control, or a check box's state. A text or option field the post
// lacks keeps what the control holds (an unchecked check box is never posted, so it counts
// as cleared).
struct Updater {
    PluginState& state;
    const char* tag;
    void text(forms::TextBox& box, const std::string& field) {
        SetupDialog(state).PostedAs(box, field);
        if (FieldMissing(state, field)) return;
        trapped(state, tag, [&] { box.Text(PostedField(state, field)); });
    }
    void check(forms::CheckBox& box, const std::string& field) {
        trapped(state, tag, [&] { box.Value(FormItemValue(state, field)); });
    }
    // Element k selected exactly when the posted value is the digit k.
    void options(forms::OptionGroup& group, const std::string& field) {
        if (FieldMissing(state, field)) return;
        trapped(state, tag, [&] {
            const std::string posted = PostedField(state, field);
            for (int k = 0; k <= group.UBound(); ++k) group(k).Value(posted == std::to_string(k));
        });
    }
};

}  // namespace

// --- Units ----------------------------------------------------------------------------------

void AddZephras(PluginState& state, FastString& fs) {
    trapped(state, "AddZephras", [&] {
        SectionWriter w(state, fs, "AddZephras");
        ZephraSetup& d = w.dialog();
        w.add(std::string("<br>") + kTable);
        w.cell([] { return "Zephra Units Setup"; }, kHeader, "7", "Center");
        w.add(kRow);
        for (const char* head : {"Location", "IP", "ID", "Power", "Motion", "Slide", "CID"})
            w.cell([&] { return head; }, kHeader, "1", "Center");
        w.add("</tr>");
        for (int n = 0; n < ZephraSetup::kUnitSlots; ++n) {
            const std::string s = n % 2 == 0 ? kOdd : kEven;
            const std::string i = std::to_string(n);
            w.add("<tr>");
            w.cell(
                [&] {
                    return "<input type='text' size='10' name='Location" + i + "' value='" + value(d.aName(n).Text()) +
                           "'>";
                },
                s, "1", "Left");
            w.cell(
                [&] {
                    return "<input type='text' size='15'  name='IP" + i + "' value='" + value(d.aIP(n).Text()) + "'>";
                },
                s, "1", "Left");
            w.cell([&] { return value(d.aDC(n).Text()); }, s, "1", "Left");
            w.cell(
                [&] {
                    return "<input type='text' size='2'  name='Power" + i + "' value='" + value(d.aPower(n).Text()) +
                           "'>";
                },
                s, "1", "Left");
            w.cell(
                [&] {
                    return "<input type='text' size='2'  name='Motion" + i + "' value='" + value(d.aMotion(n).Text()) +
                           "'>";
                },
                s, "1", "Left");
            w.cell(
                [&] {
                    static const char* labels[] = {"None", "1", "2", "3"};
                    const std::vector<std::string> marks = CheckedFromControlArray(d.SlideGroupOptions(n));
                    std::string text;
                    for (int k = 0; k < 4; ++k)
                        text += "<input type='radio' name='Option" + std::to_string(n + 1) + "' value='" +
                                std::to_string(k) + "'" + marks.at(static_cast<std::size_t>(k)) + ">" + labels[k] +
                                "&nbsp;";
                    return text;
                },
                s, "1", "Left");
            w.cell(
                [&] {
                    return "<input type='checkbox' name='CID" + i + "' value='1'" + CheckedIfOne(d.aDoCID(n).Value()) +
                           ">";
                },
                s, "1", "Left");
            if (state.IsSetup && !d.aPower(n).Text().empty()) {
                w.add(kRow);
                w.cell([] { return "xAP Target Address for X10 Power"; }, s, "3", "Right");
                w.cell(
                    [&] {
                        return "<input type='text' size='45'  name='X10Server" + i + "' value='" +
                               value(d.aX10Server(n).Text()) + "'>";
                    },
                    s, "4", "Left");
                w.add("</tr>");
            }
        }
        w.add("</table>");
    });
}

void UpdateZephras(PluginState& state) {
    trapped(state, "UpdateZephras", [&] {
        ZephraSetup& d = SetupDialog(state);
        Updater u{state, "UpdateZephras"};
        for (int n = 0; n < ZephraSetup::kUnitSlots; ++n) {
            const std::string i = std::to_string(n);
            u.text(d.aName(n), "Location" + i);
            u.text(d.aIP(n), "IP" + i);
            u.text(d.aPower(n), "Power" + i);
            u.text(d.aMotion(n), "Motion" + i);
            u.options(d.SlideGroupOptions(n), "Option" + std::to_string(n + 1));
            u.check(d.aDoCID(n), "CID" + i);
            // A target the page did not show keeps what is stored.
            if (FieldPosted(state, "X10Server" + i)) u.text(d.aX10Server(n), "X10Server" + i);
        }
    });
}

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
std::vector<const settings::Setting*> placed(settings::PageSection section) {
    std::vector<const settings::Setting*> rows;
    for (const settings::Setting& row : settings::SettingsTable())
        if (row.page.section == section) rows.push_back(&row);
    std::stable_sort(rows.begin(), rows.end(), [](const settings::Setting* a, const settings::Setting* b) {
        return std::tie(a->page.line, a->page.cell, a->page.part) < std::tie(b->page.line, b->page.cell, b->page.part);
    });
    return rows;
}

bool shown(PluginState& state, bool standaloneOnly) { return !(standaloneOnly && state.IsSetup); }

// One setting's part of its cell.
std::string settingText(ZephraSetup& d, const settings::Setting& row) {
    const settings::Page& p = row.page;
    const std::string field = settings::PageField(row);
    auto input = [&](const std::string& text) {
        return std::string(p.label) + "<input type='text'" + (p.tight ? " " : "  ") + "size='" +
               std::to_string(p.size) + "' name='" + field + "' value='" + value(text) + "'>" + p.after;
    };
    switch (row.dialog.fill) {
    case settings::Fill::Text:
    case settings::Fill::NumericText: return input(d.control<forms::TextBox>(row).Text());
    case settings::Fill::Voice: return input(d.aVoiceCB.Text());
    case settings::Fill::LeadingNumber:
    case settings::Fill::WholeNumber: {
        const forms::CheckBox& box = d.control<forms::CheckBox>(row);
        return "<input type='checkbox' name='" + field + "' value='1'" + CheckedIfOne(box.Value()) + ">" +
               (p.label ? std::string(p.label) : "&nbsp;" + HTMLEncode(box.Caption()));
    }
    case settings::Fill::ServerOption: {
        const std::vector<std::string> marks = CheckedFromControlArray(d.aTCPServerOption);
        std::string text;
        for (int k = 0; k <= d.aTCPServerOption.UBound(); ++k)
            text += "<input type='radio' name='" + field + "' value='" + std::to_string(k) + "'" +
                    marks.at(static_cast<std::size_t>(k)) + ">&nbsp;" + HTMLEncode(d.aTCPServerOption(k).Caption());
        return text;
    }
    case settings::Fill::None:
    case settings::Fill::Sounds: break;
    }
    return {};
}

// The sound boxes, three a line; the last line is filled up with blank cells.
void soundGrid(SectionWriter& w, const settings::Setting& row) {
    ZephraSetup& d = w.dialog();
    int k = 0;
    for (; k <= d.Check1.UBound(); ++k) {
        if (k % 3 == 0 && k > 0) w.add(kRow);
        w.cell([&] { return checkBox(settings::PageField(row) + "_" + std::to_string(k), d.Check1(k)); }, kOdd,
               row.page.span, row.page.align);
    }
    for (; k % 3 != 0; ++k) w.cell([] { return "&nbsp;"; }, kOdd, "1", "Center");
}

// One line of settings: its cells in order, a cell no setting fills left blank.
void settingsLine(SectionWriter& w, const std::vector<const settings::Setting*>& rows) {
    int cell = 1;
    for (std::size_t i = 0; i < rows.size();) {
        const settings::Setting& first = *rows[i];
        for (; cell < first.page.cell; ++cell) w.cell([] { return "&nbsp;"; }, kOdd, "1", "Center");
        std::size_t end = i;
        while (end < rows.size() && rows[end]->page.cell == first.page.cell) ++end;
        if (first.dialog.fill == settings::Fill::Sounds) {
            soundGrid(w, first);
        } else {
            w.cell(
                [&] {
                    std::string text;
                    for (std::size_t j = i; j < end; ++j) text += settingText(w.dialog(), *rows[j]);
                    return text;
                },
                kOdd, first.page.span, first.page.align);
        }
        i = end;
        ++cell;
    }
}

void addSection(PluginState& state, FastString& fs, const Section& section) {
    trapped(state, section.tag, [&] {
        SectionWriter w(state, fs, section.tag);
        const std::vector<const settings::Setting*> rows = placed(section.section);
        int last = rows.empty() ? 0 : rows.back()->page.line;
        for (const Heading& h : section.headings) last = std::max(last, h.line);
        w.add(std::string(section.lead) + kTable);
        w.heading(section.title);
        const char* separator = kRow;
        for (int line = 1; line <= last; ++line) {
            auto heading = std::find_if(section.headings.begin(), section.headings.end(),
                                        [&](const Heading& h) { return h.line == line; });
            std::vector<const settings::Setting*> cells;
            for (const settings::Setting* row : rows)
                if (row->page.line == line && shown(state, row->page.standaloneOnly)) cells.push_back(row);
            if (heading != section.headings.end() ? !shown(state, heading->standaloneOnly) : cells.empty()) continue;
            w.add(separator);
            separator = kRow;
            if (heading != section.headings.end()) {
                w.heading(heading->text);
                if (!heading->rowAfter) separator = "</tr>";
            } else {
                settingsLine(w, cells);
            }
        }
        w.add("</tr>");
        w.add("</table>");
    });
}

// Copies the section's posted fields into the dialog's controls.
void updateSection(PluginState& state, const Section& section) {
    trapped(state, section.updateTag, [&] {
        ZephraSetup& d = SetupDialog(state);
        Updater u{state, section.updateTag};
        for (const settings::Setting* row : placed(section.section)) {
            const std::string field = settings::PageField(*row);
            if (row->page.keptUnlessPosted && !FieldPosted(state, field)) continue;
            switch (row->dialog.fill) {
            case settings::Fill::Text:
            case settings::Fill::NumericText: u.text(d.control<forms::TextBox>(*row), field); break;
            case settings::Fill::Voice:
                trapped(state, section.updateTag, [&] { d.aVoiceCB.Text(PostedField(state, field)); });
                break;
            case settings::Fill::LeadingNumber:
            case settings::Fill::WholeNumber: u.check(d.control<forms::CheckBox>(*row), field); break;
            case settings::Fill::ServerOption: u.options(d.aTCPServerOption, field); break;
            case settings::Fill::Sounds:
                for (int k = 0; k <= d.Check1.UBound(); ++k) u.check(d.Check1(k), field + "_" + std::to_string(k));
                break;
            case settings::Fill::None: break;
            }
        }
    });
}

}  // namespace

void AddDefinitions(PluginState& state, FastString& fs) { addSection(state, fs, kDefinitions); }
void UpdateDefinitions(PluginState& state) { updateSection(state, kDefinitions); }
void AddPower(PluginState& state, FastString& fs) { addSection(state, fs, kPower); }
void UpdatePower(PluginState& state) { updateSection(state, kPower); }
void AddScreen(PluginState& state, FastString& fs) { addSection(state, fs, kScreen); }
void UpdateScreen(PluginState& state) { updateSection(state, kScreen); }
void AddCID(PluginState& state, FastString& fs) { addSection(state, fs, kCID); }
void UpdateCID(PluginState& state) { updateSection(state, kCID); }

// --- Slide groups ---------------------------------------------------------------------------

void AddSlideGroup(PluginState& state, FastString& fs) {
    trapped(state, "AddSlideGroup", [&] {
        SectionWriter w(state, fs, "AddSlideGroup");
        ZephraSetup& d = w.dialog();
        w.add(std::string("<br>") + kTable);
        w.heading("Slide Group");
        int k = 0;
        for (int g = 0; g < ZephraSetup::kGroupCount; ++g) {
            const std::string group = std::to_string(g);
            w.add(kRow);
            w.cell([&] { return "Group " + std::to_string(g + 1) + " FilePath"; }, kHeader, "2", "Center");
            w.cell([] { return "Secs"; }, kHeader, "1", "Center");
            w.add("</tr>");
            for (int r = 0; r < 5; ++r, ++k) {
                const std::string s = r % 2 == 0 ? kOdd : kEven;
                const std::string row = std::to_string(k);
                w.add("<tr>");
                w.cell(
                    [&] {
                        return "<input type='text'  size='80' name='SlideASP" + row + "' value='" +
                               value(d.aSlideASP(k).Text()) + "'>";
                    },
                    s, "2", "Left");
                w.cell(
                    [&] {
                        return "<input type='text'  size='3' name='Dwell" + row + "' value='" +
                               value(d.aDwell(k).Text()) + "'>";
                    },
                    s, "1", "Left");
                w.add("</tr>");
            }
            w.add("<tr>");
            w.cell(
                [&] {
                    return "Server Path&nbsp;<input type='text'  size='70' name='ServerPathGroup" + group +
                           "' value='" + value(d.aServerPathGroup(g).Text()) + "'>";
                },
                kOdd, "3", "Left");
            w.add(kRow);
            w.cell(
                [&] {
                    return "Folder Path&nbsp;&nbsp;&nbsp;<input type='text'  size='70' name='FolderPathGroup" + group +
                           "' value='" + value(d.aFolderPathGroup(g).Text()) + "'>";
                },
                kOdd, "3", "Left");
        }
        w.add("</tr>");
        w.add("</table>");
    });
}

void UpdateSlideGroup(PluginState& state) {
    trapped(state, "UpdateSlideGroup", [&] {
        ZephraSetup& d = SetupDialog(state);
        Updater u{state, "UpdateSlideGroup"};
        int k = 0;
        for (int g = 0; g < ZephraSetup::kGroupCount; ++g) {
            for (int r = 0; r < 5; ++r, ++k) {
                u.text(d.aSlideASP(k), "SlideASP" + std::to_string(k));
                u.text(d.aDwell(k), "Dwell" + std::to_string(k));
            }
            u.text(d.aServerPathGroup(g), "ServerPathGroup" + std::to_string(g));
            u.text(d.aFolderPathGroup(g), "FolderPathGroup" + std::to_string(g));
        }
    });
}

}  // namespace zephra
