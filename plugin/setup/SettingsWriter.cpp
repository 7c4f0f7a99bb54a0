// The settings writer: every control of the setup dialog into the settings file, each key in
// its own written form, then the unit entries, the resizer offer, the host's caller-ID event
// and the reload of every setting.

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "automation/CallByName.h"
#include "automation/Registry.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/SettingsChecks.h"
#include "core/SettingsTable.h"
#include "core/SettingsReader.h"
#include "core/SoundsDevice.h"
#include "forms/MsgBox.h"
#include "setup/SetupTexts.h"
#include "setup/ZephraSetup.h"
#include "vb/Err.h"
#include "vb/Strings.h"
#include "windows/CaseFold.h"

namespace zephra {

using namespace setuptext;

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

int16_t SelectedOptionIndex(forms::OptionGroup& options) {
    for (int i = 0; i < options.Count(); ++i)
        if (options(i).Value()) return static_cast<int16_t>(i);
    return 0;
}

int BoolToBit(bool value) { return value ? 1 : 0; }

// A unit field without the characters that would shift the fields of its entry or break its
// line.
std::string Field(const std::string& text) {
    std::string clean = text;
    std::erase_if(clean, [](char c) { return c == ',' || c == '\r' || c == '\n' || c == '\0'; });
    return clean;
}

using settings::Check;
using settings::Unstorable;

// Entry keys compare as the settings file compares them: blanks around and letter case aside.
bool SameKey(const std::string& a, const std::string& b) { return windows::EqualsNoCase(vb::Trim(a), vb::Trim(b)); }

// The address part of an entry key (before "/"): two appliances may not share it.
std::string AddressPart(const std::string& key) { return vb::Trim(key.substr(0, key.find('/'))); }

// A device code's first unit, or -1 when the text after its house is no number.
int FirstUnit(const std::string& code) {
    if (code.size() < 2) return -1;
    int unit = 0;
    for (std::size_t i = 1; i < code.size(); ++i) {
        if (code[i] < '0' || code[i] > '9' || unit > 9999) return -1;
        unit = unit * 10 + (code[i] - '0');
    }
    return unit;
}

// Whether two device codes share a device: an appliance uses its code's unit and the nine after.
bool CodesShareDevices(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    if (windows::EqualsNoCase(a, b)) return true;
    if (!windows::EqualsNoCase(a.substr(0, 1), b.substr(0, 1))) return false;
    const int ua = FirstUnit(a), ub = FirstUnit(b);
    return ua >= 0 && ub >= 0 && ua < ub + 10 && ub < ua + 10;
}

// The field of a unit's device code.
const settings::FamilyField& CodeField() {
    for (const settings::FamilyField& f : settings::Units().fields)
        if (f.fill == settings::FieldFill::Code) return f;
    return settings::Units().fields.front();
}

std::pair<std::string, std::string> KeyOf(const std::string& section, const std::string& key) {
    return {windows::LowerCase(section), windows::LowerCase(vb::Trim(key))};
}

// A control's state as one text, to tell whether the user changed it; nothing for a control
// that holds no setting (a label, a button, the tabs).
std::optional<std::string> StateOf(const forms::Control& control) {
    if (auto* box = dynamic_cast<const forms::TextBox*>(&control))
        return box->Text() + (box->Unheld() ? "\x01" + std::to_string(box->Unheld()) : "");
    if (auto* check = dynamic_cast<const forms::CheckBox*>(&control)) return std::to_string(check->Value());
    if (auto* option = dynamic_cast<const forms::OptionButton*>(&control)) return option->Value() ? "1" : "0";
    if (auto* list = dynamic_cast<const forms::ComboBox*>(&control)) return list->Text();
    return std::nullopt;
}

}  // namespace

// A setting's value as its control holds it, in its written form.
std::string ZephraSetup::SettingValue(const settings::Setting& row) {
    std::string value;
    switch (row.dialog.fill) {
    case settings::Fill::None: break;
    case settings::Fill::Text:
    case settings::Fill::NumericText:
        value = Control<forms::TextBox>(row).Text();
        // An address is stored without the blanks typed around it.
        if (row.check == settings::Check::Address) value = vb::Trim(value);
        break;
    case settings::Fill::LeadingNumber:
    case settings::Fill::WholeNumber: value = std::to_string(Control<forms::CheckBox>(row).Value()); break;
    case settings::Fill::ServerOption: value = std::to_string(BoolToBit(aTCPServerOption(1).Value())); break;
    case settings::Fill::Voice: value = aVoiceCB.Text(); break;
    case settings::Fill::Sounds: value = SoundList(); break;
    }
    return row.dialog.quoted ? (Quoted)(value) : value;
}

std::string ZephraSetup::SoundList() {
    std::string list;
    for (int n = 0; n < kSoundBoxes; ++n) list += (n ? "," : "") + std::to_string(Check1(n).Value());
    return list;
}

// A unit's entry: each field as the readers unescape it, without the characters that would shift
// the others.
std::string ZephraSetup::UnitValue(int slot) {
    std::string value;
    const char* separator = "";
    for (const settings::FamilyField& f : settings::Units().fields) {
        value += std::exchange(separator, ",");
        switch (f.fill) {
        case settings::FieldFill::Text:
        case settings::FieldFill::Code:
            value += Field(settings::EscapedUnitText(Control<forms::TextBox>(f, slot).Text(),
                                                     f.fill == settings::FieldFill::Code));
            break;
        case settings::FieldFill::SlideGroup:
            value += std::to_string(SelectedOptionIndex(SlideGroupOptions(slot)));
            break;
        case settings::FieldFill::Switch: value += std::to_string(Control<forms::CheckBox>(f, slot).Value()); break;
        }
    }
    return (Quoted)(value);
}

std::string ZephraSetup::NumberedValue(const settings::FamilyKey& key) {
    std::string value;
    const char* separator = "";
    for (const settings::FamilyField* f : key.fields)
        value += std::exchange(separator, ",") + Control<forms::TextBox>(*f, key.index).Text();
    return (Quoted)(value);
}

void ZephraSetup::Save(const std::string& section, const std::string& key, const std::string& value) {
    auto failed = unloaded_.find(KeyOf(section, key));
    if (failed != unloaded_.end() && failed->second == value) return;
    if (changedOnly_) {
        auto loaded = loadedValues_.find(KeyOf(section, key));
        if (loaded != loadedValues_.end() && loaded->second == value) return;
    }
    batch_.push_back({section, key, value});
}

// Each value as the writer would write it right after the load, and each control's state, so
// that a save can tell what changed since.
void ZephraSetup::NoteLoadedValues() {
    loadedValues_.clear();
    asLoaded_.clear();
    vb::Try([&] {
        for (const settings::Setting* row : settings::InOrder(&settings::Dialog::writeOrder))
            loadedValues_[KeyOf(row->section, row->dialog.writtenAs ? row->dialog.writtenAs : row->key)] =
                SettingValue(*row);
        const settings::Family& units = settings::Units();
        for (int n = 0; n < units.count; ++n)
            if (!loadedKeys_[static_cast<std::size_t>(n)].empty())
                loadedValues_[KeyOf(units.section, loadedKeys_[static_cast<std::size_t>(n)])] = UnitValue(n);
        for (const settings::Family& family : settings::Families())
            for (const settings::FamilyKey& key : settings::KeysOf(family))
                loadedValues_[KeyOf(family.section, key.name)] = NumberedValue(key);
        for (const forms::Control* control : AllControls())
            if (std::optional<std::string> state = StateOf(*control)) asLoaded_[control] = *state;
    });
    vb::Err().Clear();
}

std::vector<const forms::Control*> ZephraSetup::Edits() {
    std::vector<const forms::Control*> edits;
    for (const forms::Control* control : AllControls()) {
        const std::optional<std::string> state = StateOf(*control);
        if (!state) continue;
        auto loaded = asLoaded_.find(control);
        if (loaded == asLoaded_.end() || loaded->second != *state) edits.push_back(control);
    }
    return edits;
}

void ZephraSetup::Take(const forms::Control& edited, const std::string& name, int index) {
    forms::Control* own = FindControl(name, index);
    if (auto* box = dynamic_cast<const forms::TextBox*>(&edited)) {
        if (auto* mine = dynamic_cast<forms::TextBox*>(own)) mine->Text(box->Text());
    } else if (auto* check = dynamic_cast<const forms::CheckBox*>(&edited)) {
        if (auto* mine = dynamic_cast<forms::CheckBox*>(own)) mine->Value(check->Value());
    } else if (auto* option = dynamic_cast<const forms::OptionButton*>(&edited)) {
        if (auto* mine = dynamic_cast<forms::OptionButton*>(own)) mine->Value(option->Value());
    } else if (auto* list = dynamic_cast<const forms::ComboBox*>(&edited)) {
        if (auto* mine = dynamic_cast<forms::ComboBox*>(own)) mine->Text(list->Text());
    }
}

int ZephraSetup::UnitSlotOf(const forms::Control& control) {
    const settings::Family& units = settings::Units();
    if (control.Name() == units.keyField->control) return control.Index();
    for (const settings::FamilyField& f : units.fields)
        if (f.fill != settings::FieldFill::SlideGroup && control.Name() == f.control) return control.Index();
    for (int n = 0; n < units.count; ++n)
        if (control.Name() == SlideGroupOptions(n)(0).Name()) return n;
    return -1;
}

// A unit's edits follow the entry its row was loaded from, wherever that entry lies now; a new
// row's go to a row no entry holds now. An edited entry that is gone (removed, or given another
// address) is refused by its unit: what the user sees would not be what is stored.
std::string ZephraSetup::TakeEdits(ZephraSetup& window, const std::vector<const forms::Control*>& edits) {
    constexpr int kNowhere = -1;
    constexpr int kDropped = -2;  // a removal of an entry that others removed already
    const settings::Family& units = settings::Units();
    std::array<int, kUnitSlots> now;
    now.fill(kNowhere);
    std::array<bool, kUnitSlots> taken{};
    // An entry is the one the window loaded when both its key and its device code are: another
    // appliance added meanwhile at a removed one's address has a code of its own.
    auto sameCode = [&](int n, int m) {
        const std::string& was = window.loadedCodes_[static_cast<std::size_t>(n)];
        return was.empty() || windows::EqualsNoCase(vb::Trim(was), vb::Trim(loadedCodes_[static_cast<std::size_t>(m)]));
    };
    std::array<int, kUnitSlots> replaced;  // the slot holding the entry's key with another code
    replaced.fill(kNowhere);
    for (int n = 0; n < units.count; ++n) {
        const std::string& key = window.loadedKeys_[static_cast<std::size_t>(n)];
        if (key.empty()) continue;
        for (int m = 0; m < units.count; ++m) {
            const std::string& held = loadedKeys_[static_cast<std::size_t>(m)];
            if (taken[static_cast<std::size_t>(m)] || held.empty() || !settings::SameEntry(held, key)) continue;
            if (!sameCode(n, m)) {
                replaced[static_cast<std::size_t>(n)] = m;
                continue;
            }
            now[static_cast<std::size_t>(n)] = m;
            taken[static_cast<std::size_t>(m)] = true;
            break;
        }
    }
    std::array<bool, kUnitSlots> edited{};
    for (const forms::Control* control : edits)
        if (const int n = window.UnitSlotOf(*control); n >= 0) edited[static_cast<std::size_t>(n)] = true;
    auto free = [&](int m) {
        return !taken[static_cast<std::size_t>(m)] && loadedKeys_[static_cast<std::size_t>(m)].empty();
    };
    for (int n = 0; n < units.count; ++n) {
        auto& place = now[static_cast<std::size_t>(n)];
        if (!edited[static_cast<std::size_t>(n)] || place != kNowhere) continue;
        const std::string name = vb::Trim(window.Control<forms::TextBox>(units.fields.front(), n).Text());
        if (!window.loadedKeys_[static_cast<std::size_t>(n)].empty()) {
            const bool removed =
                name.empty() || vb::Trim(window.Control<forms::TextBox>(*units.keyField, n).Text()).empty();
            if (removed) {
                place = kDropped;
                continue;
            }
            return kNothingSaved + settings::UnitShown(n, window.loadedNames_[static_cast<std::size_t>(n)]) +
                   kUnitGone + window.loadedKeys_[static_cast<std::size_t>(n)] +
                   (replaced[static_cast<std::size_t>(n)] == kNowhere ? kUnitGoneTail : kUnitReplacedTail);
        }
        int m = free(n) ? n : kNowhere;
        for (int i = 0; m == kNowhere && i < units.count; ++i)
            if (free(i)) m = i;
        if (m == kNowhere) return kNothingSaved + settings::UnitShown(n, name) + kNoFreeRow;
        place = m;
        taken[static_cast<std::size_t>(m)] = true;
    }
    for (const forms::Control* control : edits) {
        const int n = window.UnitSlotOf(*control);
        if (n < 0) {
            Take(*control, control->Name(), control->Index());
            continue;
        }
        const int m = now[static_cast<std::size_t>(n)];
        if (m < 0) continue;
        if (control->Name() == window.SlideGroupOptions(n)(0).Name())
            Take(*control, SlideGroupOptions(m)(0).Name(), control->Index());
        else Take(*control, control->Name(), m);
    }
    std::array<int, kUnitSlots> rows;
    rows.fill(kNowhere);
    for (int n = 0; n < units.count; ++n)
        if (const int m = now[static_cast<std::size_t>(n)]; m >= 0) rows[static_cast<std::size_t>(m)] = n;
    windowRows_ = rows;
    return {};
}

// The entry's key as the appliance list writes it back, so that the list never stores a second
// entry of it; a key left as it was loaded stays as it is.
std::string ZephraSetup::WrittenKey(int slot) {
    const std::string typed = Control<forms::TextBox>(*settings::Units().keyField, slot).Text();
    return typed == loadedKeys_[static_cast<std::size_t>(slot)] ? typed : settings::EntryKey(typed);
}

bool ZephraSetup::UnitTyped(int slot) {
    const std::size_t n = static_cast<std::size_t>(slot);
    return loadedKeys_[n].empty() || !settings::SameEntry(WrittenKey(slot), loadedKeys_[n]) ||
           !windows::EqualsNoCase(vb::Trim(aDC(slot).Text()), vb::Trim(loadedCodes_[n]));
}

void ZephraSetup::KeepCodesOfMovedUnits() {
    const settings::Family& units = settings::Units();
    auto key = [&](int n) { return vb::Trim(Control<forms::TextBox>(*units.keyField, n).Text()); };
    auto named = [&](int n) { return !vb::Trim(Control<forms::TextBox>(units.fields.front(), n).Text()).empty(); };
    for (int n = 0; n < units.count; ++n) {
        const std::string& own = loadedKeys_[static_cast<std::size_t>(n)];
        if (key(n).empty() || !named(n) || !vb::Trim(aDC(n).Text()).empty()) continue;
        if (!own.empty() && settings::SameEntry(own, key(n))) continue;
        for (int m = 0; m < units.count; ++m) {
            const std::string& was = loadedKeys_[static_cast<std::size_t>(m)];
            if (m == n || was.empty() || !settings::SameEntry(was, key(n))) continue;
            // Still in its own row, the entry is not moved: the address check refuses the pair.
            if (!key(m).empty() && named(m) && settings::SameEntry(was, key(m))) continue;
            aDC(n).Text(loadedCodes_[static_cast<std::size_t>(m)]);
            break;
        }
    }
}

ZephraSetup::AddressClash ZephraSetup::SameAddressTwice(const std::function<int(int)>& shownRow) {
    const settings::Family& units = settings::Units();
    auto name = [&](int n) { return Control<forms::TextBox>(units.fields.front(), n).Text(); };
    auto key = [&](int n) { return vb::Trim(WrittenKey(n)); };
    auto row = [&](int n) { return shownRow ? shownRow(n) : n; };
    auto code = [&](int n) { return vb::Trim(aDC(n).Text()); };
    // The pair's unit typed since the load is named, by the row its editor shows it in; of two
    // typed, the one shown later. The other is told as its editor sees it, or as stored meanwhile.
    // A code counts as typed when it is not the one its row loaded: an entry given another
    // address keeps its code, and codes that shared devices before stay the file's own matter.
    auto codeTyped = [&](int n) {
        return !windows::EqualsNoCase(code(n), vb::Trim(loadedCodes_[static_cast<std::size_t>(n)]));
    };
    auto unitTyped = [&](int n) { return UnitTyped(n); };
    auto refusal = [&](int m, int n, const settings::FamilyField& field, const std::string& words,
                       const std::string& after, const std::function<bool(int)>& typed) -> AddressClash {
        const bool typedM = typed(m), typedN = typed(n);
        if (!typedM && !typedN) return {};
        const bool nNamed = typedM != typedN ? typedN : row(m) <= row(n);
        const int later = nNamed ? n : m, first = nNamed ? m : n;
        const bool shown = row(first) >= 0;
        return {kNothingSaved + settings::ShownName(units, field, row(later), name(later)) + words +
                    settings::UnitShown(shown ? row(first) : first, name(first)) + after +
                    (shown ? "" : kStoredMeanwhile) + ".",
                later};
    };
    for (int n = 1; n < units.count; ++n) {
        if (key(n).empty()) continue;
        for (int m = 0; m < n; ++m) {
            if (key(m).empty()) continue;
            // One key is one entry; two appliances may not share an address either, whatever
            // computer name follows it.
            const bool sameEntry = SameKey(key(m), key(n));
            if (!sameEntry && (!SameKey(AddressPart(key(m)), AddressPart(key(n))) || vb::Trim(name(m)).empty() ||
                               vb::Trim(name(n)).empty()))
                continue;
            if (AddressClash clash = refusal(m, n, *units.keyField, kSameAddress, "", unitTyped);
                !clash.refusal.empty())
                return clash;
        }
    }
    for (int n = 1; n < units.count; ++n) {
        if (key(n).empty() || vb::Trim(name(n)).empty()) continue;
        for (int m = 0; m < n; ++m) {
            if (key(m).empty() || vb::Trim(name(m)).empty() || !CodesShareDevices(code(m), code(n))) continue;
            const int u = FirstUnit(code(m)), v = FirstUnit(code(n));
            // The devices of the unit named second, from its code to the ninth after it.
            auto range = [&](int slot, int unit) {
                return " (" + code(slot) +
                       (unit < 0 ? "" : kCodesTo + code(slot).substr(0, 1) + std::to_string(unit + 9)) + ")";
            };
            const bool nNamed = codeTyped(m) != codeTyped(n) ? codeTyped(n) : row(m) <= row(n);
            if (AddressClash clash =
                    refusal(m, n, CodeField(), kSameCodes, nNamed ? range(m, u) : range(n, v), codeTyped);
                !clash.refusal.empty())
                return clash;
        }
    }
    return {};
}

void ZephraSetup::PostedAs(const forms::Control& control, const std::string& field) { postedAs_[&control] = field; }

std::string ZephraSetup::FieldName(const forms::Control& control) const {
    auto found = postedAs_.find(&control);
    if (found != postedAs_.end()) return found->second;
    // On screen: the label the user reads, and which unit's or row's it is.
    if (const std::string label = LabelOf(control); !label.empty()) {
        if (control.Index() < 0) return label;
        const settings::Family& units = settings::Units();
        bool unitField = control.Name() == units.keyField->control;
        for (const settings::FamilyField& f : units.fields) unitField = unitField || control.Name() == f.control;
        if (!unitField) return label + kOfRow + std::to_string(control.Index() + 1);
        return settings::UnitFieldShown(label, control.Index(),
                                        Named<forms::TextBox>(units.fields.front().control, control.Index()).Text());
    }
    return control.Index() < 0 ? control.Name() : control.Name() + "(" + std::to_string(control.Index()) + ")";
}

// The first value that the settings file could not give back as it is, told by its field; ""
// when every value can be stored.
std::string ZephraSetup::RefusedValue(const std::vector<const forms::Control*>& edits) {
    std::string refused;
    auto check = [&](const forms::Control& control, const std::string& text, Check kind) {
        if (!refused.empty()) return;
        // Typed on screen: a character the settings files' code page lacks cannot be kept.
        if (auto* box = dynamic_cast<const forms::TextBox*>(&control); box && box->Unheld()) {
            refused = settings::Refused(FieldName(control), settings::NotInCodePage(box->Unheld()));
            return;
        }
        // What the user typed must read back as typed; what was stored before is written back as
        // it stands.
        const bool edited = std::find(edits.begin(), edits.end(), &control) != edits.end();
        const std::string what = edited ? settings::Problem(text, kind) : Unstorable(text, kind);
        if (!what.empty()) refused = settings::Refused(FieldName(control), what);
    };
    // The texts of the table's settings, in the writer's order.
    for (const settings::Setting* row : settings::InOrder(&settings::Dialog::writeOrder)) {
        if (row->dialog.fill == settings::Fill::Text || row->dialog.fill == settings::Fill::NumericText) {
            const forms::TextBox& box = Control<forms::TextBox>(*row);
            check(box, box.Text(), row->check);
        } else if (row->dialog.fill == settings::Fill::Voice) {
            check(aVoiceCB, aVoiceCB.Text(), Check::Text);
        }
    }
    // The units: an entry without an address is not written, one without a name is blanked.
    const settings::Family& units = settings::Units();
    for (int n = 0; n < units.count; ++n) {
        const forms::TextBox& key = Control<forms::TextBox>(*units.keyField, n);
        if (vb::Trim(key.Text()).empty()) continue;
        check(key, key.Text(), units.keyField->check);
        if (vb::Trim(Control<forms::TextBox>(units.fields.front(), n).Text()).empty()) continue;
        for (const settings::FamilyField& f : units.fields) {
            if (f.check == Check::None) continue;
            const forms::TextBox& box = Control<forms::TextBox>(f, n);
            check(box, box.Text(), f.check);
        }
    }
    for (const settings::Family& family : settings::Families()) {
        for (const settings::FamilyKey& key : settings::KeysOf(family)) {
            for (const settings::FamilyField* f : key.fields) {
                const forms::TextBox& box = Control<forms::TextBox>(*f, key.index);
                check(box, box.Text(), f->check);
            }
        }
    }
    return refused;
}

void ZephraSetup::OKButton_Click() {
    const std::string refused = OnScreen() ? UpdateFromWindow() : WriteSettings(true);
    if (!refused.empty()) forms::MsgBox(refused);
}

// As the status page's save does: the settings read afresh, only the fields the user changed
// since the window opened put over them, and only the keys whose value that changes written.
// So a page save or a script's change made while the window was open stays, and an Update
// without an edit writes nothing.
std::string ZephraSetup::UpdateFromWindow() {
    // What the window holds is checked first: only its text boxes know what was typed that
    // the settings files cannot keep, and they name fields by the labels the user reads.
    const std::vector<const forms::Control*> edits = Edits();
    std::string refused = RefusedValue(edits);
    if (refused.empty()) refused = SameAddressTwice().refusal;
    if (refused.empty()) {
        ZephraSetup fresh(state_);
        fresh.Load();
        refused = fresh.TakeEdits(*this, edits);
        // The writer logs its own refusals.
        if (refused.empty()) return Finished(fresh.WriteSettings(true, {}, true));
    }
    vb::Try([&] { WriteLog(state_.Host(), kSource, refused); });
    vb::Err().Clear();
    return refused;
}

std::string ZephraSetup::Finished(const std::string& refused) {
    if (refused.empty()) Unload();
    return refused;
}

std::string ZephraSetup::SaveFromWebPage(const std::vector<homeseer::Host::IniSetting>& more, bool changedOnly) {
    return WriteSettings(false, more, changedOnly);
}

std::string ZephraSetup::WriteSettings(bool interactive, const std::vector<homeseer::Host::IniSetting>& more,
                                       bool changedOnly) {
    Load();
    KeepCodesOfMovedUnits();
    // Every value is checked before anything is written, so that a save is whole or none.
    std::string refused = RefusedValue();
    // Two rows of one address would be one entry: the second would overwrite the first. Named
    // by the rows the window shows, when it is the window's save.
    if (refused.empty()) {
        std::function<int(int)> shownRow;
        if (windowRows_) shownRow = [this](int slot) { return (*windowRows_)[static_cast<std::size_t>(slot)]; };
        refused = SameAddressTwice(shownRow).refusal;
    }
    if (!refused.empty()) {
        vb::Try([&] { WriteLog(state_.Host(), kSource, refused); });
        vb::Err().Clear();
        return refused;
    }
    bool soundsChanged = false;
    batch_.clear();
    changedOnly_ = changedOnly;
    const bool completed = vb::Try([&] {
        // 1, 2. Every setting of the table in the writer's order: the keys of the main
        // section, the voice and the sounds.
        for (const settings::Setting* row : settings::InOrder(&settings::Dialog::writeOrder))
            Save(row->section, row->dialog.writtenAs ? row->dialog.writtenAs : row->key, SettingValue(*row));
        soundsChanged = SoundList() != loadedSounds_;

        // 3. Whether any unit shows a slide group.
        const settings::Family& units = settings::Units();
        int grouped = 0;
        for (int n = 0; n < units.count; ++n) grouped += SelectedOptionIndex(SlideGroupOptions(n));

        // 4. The units.
        for (int n = 0; n < units.count; ++n) {
            const std::string key = WrittenKey(n);
            if (vb::Trim(key).empty()) continue;
            if (vb::Trim(Control<forms::TextBox>(units.fields.front(), n).Text()).empty()) {
                Save(units.section, key, kBlankedUnit);
            } else {
                if (state_.settings.DebugLog)
                    WriteLog(
                        state_.Host(), kDebugSource,
                        kSavingName + aName(n).Text() + kSavingAt + settings::EscapedUnitText(aDC(n).Text(), true));
                Save(units.section, key, UnitValue(n));
            }
            auto loaded = std::find_if(loadedKeys_.begin(), loadedKeys_.end(),
                                       [&](const std::string& k) { return !k.empty() && SameKey(k, key); });
            if (loaded != loadedKeys_.end()) loaded->clear();
        }

        // 5. The picture resizer, offered once. A save of changes alone offers it only when it
        // stores something (below).
        const bool offerResizer =
            settings::StoredText(state_.Host(), settings::MainSetting(kResizeQuestion)) != "1" && grouped > 0;
        if (offerResizer && !changedOnly) AskResizer(interactive);

        // 6. Units that were loaded and that no slot holds any more.
        for (const std::string& key : loadedKeys_)
            if (!key.empty()) Save(units.section, key, kBlankedUnit);

        // 7, 8. The numbered keys: slide rows and group paths.
        for (const settings::Family& family : settings::Families())
            for (const settings::FamilyKey& key : settings::KeysOf(family))
                Save(family.section, key.name, NumberedValue(key));
        if (offerResizer && changedOnly && !batch_.empty()) AskResizer(interactive);

        // The settings file, written once with every key; a save of changes alone that has
        // none leaves the file as it is.
        batch_.insert(batch_.end(), more.begin(), more.end());
        if (!batch_.empty() || !changedOnly) state_.Host().SaveIniSettings(batch_, kIniFile);
        batch_.clear();

        // 9. The host's caller-ID event.
        const std::string line = aLineNumber.Text();
        if ((line == "1" || line == "2") && !aCIDEventGroup.Text().empty())
            CreateCIDEvent(state_, aCIDEventGroup.Text(), static_cast<int16_t>(line == "1" ? 1 : 2));

        // 10. Every setting read again. The appliances' sound buttons follow the new sound
        // switches, which only the reload puts in place.
        InitZephraUtilities(state_);
        if (soundsChanged) UpdateButtons(state_);
    });
    batch_.clear();
    changedOnly_ = false;
    if (!completed) {
        const std::string error = vb::Err().Description;
        vb::Try([&] { WriteLog(state_.Host(), kSource, kWriteTag); });
        vb::Err().Clear();
        return kSaveFailed + error;
    }
    // 11. Closed.
    Unload();
    return {};
}

// The resizer is an outside component: when it is missing, the user is asked once whether
// to download it. A save from the web page cannot wait for an answer, so it counts as no.
void ZephraSetup::AskResizer(bool interactive) {
    vb::ObjectRef resizer;
    vb::Try([&] { resizer = automation::CreateObject(kResizerClass); });
    vb::Err().Clear();
    if (resizer) return;
    const settings::Setting& asked = settings::MainSetting(kResizeQuestion);
    batch_.push_back({asked.section, asked.key, "1"});
    if (!interactive) {
        WriteLog(state_.Host(), kSource, std::string(kResizerNotAsked) + kResizerQuestion);
        return;
    }
    if (forms::MsgBox(kResizerQuestion, forms::vbOKCancel) != forms::vbOK) return;
    // The download runs outside the plug-in; when it cannot be started the save goes on.
    if (!vb::Try([&] {
            const std::string app = state_.Host().GetAppPath();
            const std::string command =
                "\"" + app + kDownloadScript + "\" \"" + kResizerPage + "," + app + kResizerInstaller + "\"";
            const vb::Variant shell(automation::CreateObject(kShellClass));
            automation::callByName(shell, "Run", {vb::Variant(command), vb::Variant(int16_t{0}), vb::Variant(false)});
        })) {
        vb::Try([&] { WriteLog(state_.Host(), kSource, kWriteTag); });
        vb::Err().Clear();
    }
}

}  // namespace zephra
