#include "setup/ZephraSetup.h"

#include <memory>
#include <optional>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/PluginVersion.h"
#include "core/SettingsTable.h"
#include "setup/SetupLayout.h"
#include "setup/SetupTexts.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"
#include "windows/CaseFold.h"
#include "windows/SpVoice.h"

namespace zephra {

using namespace setuptext;

namespace {

// Every value read has its double quotes removed.
std::string Cleaned(const std::string& value) { return vb::Replace(value, "\"", ""); }

// The number at the start of a text, as a check box takes it.
int32_t LeadingNumber(const std::string& text) { return vb::CInt(vb::Variant(vb::Val(text))); }

void SelectOptionIndex(forms::OptionGroup& options, int index) {
    for (int i = 0; i < options.Count(); ++i) options(i).Value(false);
    options(index).Value(true);
}

void ShowOption(forms::OptionGroup& options, bool on) {
    options(on ? 0 : 1).Value(false);
    options(on ? 1 : 0).Value(true);
}

}  // namespace

ZephraSetup::ZephraSetup(PluginState& state) : forms::Form(kCaption), state_(state) {
    SetLayout(kSetupLayout);
    settingControls_ = MakeSettingControls(*this, settings::SettingsTable());
    for (std::unique_ptr<forms::Control>& made : MakeFamilyControls(*this, settings::Families()))
        settingControls_.push_back(std::move(made));
    OKButton.onClick = [this] { OKButton_Click(); };
    CancelButton.onClick = [this] { CancelButton_Click(); };
    aPlay.onClick = [this] { aPlay_Click(); };
    aStop.onClick = [this] { aStop_Click(); };
    for (int i = 0; i < aTCPServerOption.Count(); ++i)
        aTCPServerOption(i).onClick = [this, i] { aTCPServerOption_Click(i); };
}

std::string ZephraSetup::CheckBoxCaption(const char* control) {
    const settings::Setting* row = settings::FindControlSetting(control);
    return row && row->dialog.caption ? row->dialog.caption : "";
}

std::vector<std::unique_ptr<forms::Control>> MakeSettingControls(forms::Form& form,
                                                                 std::span<const settings::Setting> rows) {
    std::vector<std::unique_ptr<forms::Control>> made;
    for (const settings::Setting& row : rows) {
        if (!row.dialog.control || form.FindControl(row.dialog.control)) continue;
        switch (row.dialog.fill) {
        case settings::Fill::Text:
        case settings::Fill::NumericText:
            made.push_back(std::make_unique<forms::TextBox>(form, row.dialog.control));
            break;
        case settings::Fill::LeadingNumber:
        case settings::Fill::WholeNumber:
            made.push_back(std::make_unique<forms::CheckBox>(form, row.dialog.control, -1,
                                                             row.dialog.caption ? row.dialog.caption : ""));
            break;
        default: break;  // the option group, the voice list and the sound boxes are members
        }
    }
    return made;
}

std::vector<std::unique_ptr<forms::Control>> MakeFamilyControls(forms::Form& form,
                                                                std::span<const settings::Family> families) {
    std::vector<std::unique_ptr<forms::Control>> made;
    for (const settings::Family& family : families) {
        auto make = [&](const settings::FamilyField& f) {
            for (int i = 0; i < family.count; ++i) {
                if (form.FindControl(f.control, i)) continue;
                if (f.fill == settings::FieldFill::Switch)
                    made.push_back(std::make_unique<forms::CheckBox>(form, f.control, i));
                else if (f.fill != settings::FieldFill::SlideGroup)  // the option groups are members
                    made.push_back(std::make_unique<forms::TextBox>(form, f.control, i));
            }
        };
        if (family.keyField) make(*family.keyField);
        for (const settings::FamilyField& f : family.fields) make(f);
    }
    return made;
}

std::vector<std::string> ZephraSetup::SoundCaptions() {
    return {"Cancel", "Check", "Copy",  "Cut",  "Delete", "Help", "Major", "Close", "Open", "High",
            "Low",    "Paste", "Print", "Down", "Up",     "Snap", "Warm",  "Sleep", "Wake"};
}

forms::OptionGroup& ZephraSetup::SlideGroupOptions(int slot) {
    forms::OptionGroup* groups[kUnitSlots] = {&Option1, &Option2, &Option3, &Option4, &Option5,
                                              &Option6, &Option7, &Option8, &Option9};
    if (slot < 0 || slot >= kUnitSlots) vb::raise(vb::errors::SubscriptOutOfRange);
    return *groups[slot];
}

void ZephraSetup::LoadStep(const std::string& section, const std::string& key, const std::function<void()>& body,
                           std::function<std::string()> value) {
    if (vb::Try(body)) return;
    // The line names the entry as stored, so that a value typed by hand can be found.
    const std::string failed = kLoadTag + TakePendingError();
    std::string stored;
    vb::Try([&] { stored = state_.Host().GetIniSetting(section, key, "", settings::FileOf(section.c_str())); });
    vb::Err().Clear();
    vb::Try([&] {
        WriteLog(state_.Host(), kSource, failed + ": " + settings::NamedEntry(section.c_str(), key + "=" + stored));
    });
    vb::Err().Clear();
    failedLoads_.push_back({section, key, std::move(value)});
}

// Each control is filled on its own: one that fails is logged and the load goes on, and the
// setting it holds is kept from being overwritten by an unchanged control (see save()).
void ZephraSetup::Form_Load() {
    failedLoads_.clear();
    unloaded_.clear();
    loadedKeys_.fill("");
    loadedNames_.fill("");
    loadedCodes_.fill("");
    windowRows_.reset();
    loadedSounds_.clear();

    vb::Try([&] {
        SSTab1.Tab(0);
        lblver.Caption(kVersionLabel + PluginVersionText());
        HouseCode.Caption(kHouseCodeLabel + state_.HouseCode);
    });
    vb::Err().Clear();
    LoadSettings();
    LoadUnits();
    LoadSlideRows();
    // A window shown on screen is presented (brought to the front) as it opens.

    for (const FailedLoad& failed : failedLoads_) {
        if (!failed.value) continue;
        std::string value;
        if (vb::Try([&] { value = failed.value(); }))
            unloaded_[{windows::LowerCase(failed.section), windows::LowerCase(vb::Trim(failed.key))}] = value;
    }
    vb::Err().Clear();
    NoteLoadedValues();
}

// Every setting of the table, in the load's order, each a step of its own.
void ZephraSetup::LoadSettings() {
    for (const settings::Setting* row : settings::InOrder(&settings::Dialog::loadOrder)) {
        LoadStep(
            row->section, row->key,
            [&] {
                const std::string stored = state_.Host().GetIniSetting(row->section, row->key, row->dialog.fallback,
                                                                       settings::FileOf(row->section));
                Fill(*row, Cleaned(stored));
            },
            [this, row] { return SettingValue(*row); });
    }
}

void ZephraSetup::Fill(const settings::Setting& row, const std::string& v) {
    switch (row.dialog.fill) {
    case settings::Fill::None: break;
    case settings::Fill::Text: Control<forms::TextBox>(row).Text(v); break;
    case settings::Fill::NumericText: Control<forms::TextBox>(row).Text(vb::IsNumeric(vb::Variant(v)) ? v : "1"); break;
    case settings::Fill::LeadingNumber: Control<forms::CheckBox>(row).Value(LeadingNumber(v)); break;
    case settings::Fill::WholeNumber: Control<forms::CheckBox>(row).Value(vb::CInt(vb::Variant(v))); break;
    case settings::Fill::ServerOption:
        ShowOption(aTCPServerOption, v == "1");
        aTCPServerOption_Click(v == "1" ? 1 : 0);
        break;
    case settings::Fill::Voice: FillVoices(v); break;
    case settings::Fill::Sounds: FillSounds(v); break;
    }
}

// The installed voices; the saved one (any letter case) is selected. When it is not installed,
// speech uses the engine's default voice, so that one is shown: a save without a change then
// changes nothing a user hears.
void ZephraSetup::FillVoices(const std::string& saved) {
    windows::SpVoice voice;
    const std::string wanted = vb::LCase(saved);
    const std::string speaking = voice.Voice().Id();
    int32_t selected = -1;
    int32_t spoken = 0;
    int32_t index = 0;
    for (const windows::SpObjectToken& token : voice.GetVoices()) {
        aVoiceCB.AddItem(token.GetDescription());
        if (selected < 0 && vb::LCase(token.GetDescription()) == wanted) selected = index;
        if (token.Id() == speaking) spoken = index;
        ++index;
    }
    aVoiceCB.ListIndex(selected >= 0 ? selected : spoken);
}

void ZephraSetup::FillSounds(const std::string& list) {
    loadedSounds_ = list;
    const std::vector<std::string> fields = vb::Split(loadedSounds_, ",");
    // Every field is tried, so that one odd field leaves the others shown.
    bool failed = false;
    for (int n = 0; n < kSoundBoxes && n < static_cast<int>(fields.size()); ++n)
        if (!vb::Try([&] { Check1(n).Value(LeadingNumber(fields[static_cast<std::size_t>(n)])); })) failed = true;
    if (failed) throw vb::Error(vb::Err().Number, vb::Err().Description);
}

// The entries of the units' section, one per slot, in file order.
void ZephraSetup::LoadUnits() {
    const settings::Family& units = settings::Units();
    std::vector<std::string> lines;
    if (!vb::Try([&] {
            std::string text = Cleaned(state_.Host().GetINISection(units.section, settings::FileOf(units.section)));
            text = settings::UnescapedUnitText(text);
            if (!text.empty()) lines = vb::Split(text, std::string(1, '\0'));
        })) {
        vb::Try([&] { WriteLog(state_.Host(), kSource, kLoadTag); });
        vb::Err().Clear();
        return;
    }
    int slot = 0;
    for (const std::string& line : lines) {
        settings::UnitEntry entry = settings::ParseUnitEntry(line);
        if (entry.fault != settings::EntryFault::None || entry.fields[0].empty()) continue;
        const std::vector<std::string> fields = std::move(entry.fields);
        const int s = slot++;
        const std::string key = entry.key;
        LoadStep(
            units.section, key,
            [&] {
                if (s >= units.count) throw vb::Error(vb::errors::SubscriptOutOfRange);
                Control<forms::TextBox>(*units.keyField, s).Text(key);
                loadedKeys_[static_cast<std::size_t>(s)] = key;
                loadedNames_[static_cast<std::size_t>(s)] = fields[0];
                loadedCodes_[static_cast<std::size_t>(s)] = settings::FieldOf(units, fields, "aDC").value_or("");
                // Every field the entry holds is tried, so that an odd one (a slide group that is
                // no number) leaves the others filled all the same.
                std::optional<vb::Error> failed;
                for (std::size_t i = 0; i < fields.size() && i < units.fields.size(); ++i)
                    if (!vb::Try([&] { FillUnitField(units.fields[i], s, fields[i]); }) && !failed)
                        failed = vb::Error(vb::Err().Number, vb::Err().Description);
                if (failed) throw *failed;
            },
            // A line beyond the last slot is never written by a save.
            s < units.count ? std::function<std::string()>([this, s] { return UnitValue(s); }) : nullptr);
    }
}

void ZephraSetup::FillUnitField(const settings::FamilyField& field, int slot, const std::string& v) {
    switch (field.fill) {
    case settings::FieldFill::Text:
    case settings::FieldFill::Code: Control<forms::TextBox>(field, slot).Text(v); break;
    case settings::FieldFill::SlideGroup: SelectOptionIndex(SlideGroupOptions(slot), settings::GroupNumber(v)); break;
    case settings::FieldFill::Switch:
        Control<forms::CheckBox>(field, slot).Value(settings::SwitchedOn(v) ? 1 : 0);
        break;
    }
}

// The families kept under numbered keys, each key a step of its own.
void ZephraSetup::LoadSlideRows() {
    for (const settings::Family& family : settings::Families()) {
        for (const settings::FamilyKey& key : settings::KeysOf(family)) {
            LoadStep(
                family.section, key.name,
                [&] {
                    const std::string stored =
                        state_.Host().GetIniSetting(family.section, key.name, "", settings::FileOf(family.section));
                    const std::vector<std::string> parts = settings::FieldsOf(family, Cleaned(stored));
                    for (std::size_t i = 0; i < key.fields.size(); ++i)
                        Control<forms::TextBox>(*key.fields[i], key.index).Text(parts[i]);
                },
                [this, key] { return NumberedValue(key); });
        }
    }
}

void ZephraSetup::Form_Unload() {
    failedLoads_.clear();
    unloaded_.clear();
    asLoaded_.clear();
    loadedValues_.clear();
}

void ZephraSetup::CancelButton_Click() { Unload(); }

void ZephraSetup::aTCPServerOption_Click(int index) { aServerPort.Enabled(index == 0); }

void ZephraSetup::aPlay_Click() {
    vb::Try([&] { state_.services.ZephraSorvexEx(state_, "play"); });
    vb::Err().Clear();
}

void ZephraSetup::aStop_Click() {
    vb::Try([&] { state_.services.ZephraSorvexEx(state_, "stop"); });
    vb::Err().Clear();
}

namespace {

// The setup layer's part of the plug-in state: the one shared dialog, made on first use.
struct SetupDialogPart {
    std::shared_ptr<ZephraSetup> dialog;
};

}  // namespace

ZephraSetup& SetupDialog(PluginState& state) {
    std::shared_ptr<ZephraSetup>& dialog = state.Part<SetupDialogPart>().dialog;
    if (!dialog) dialog = std::make_shared<ZephraSetup>(state);
    return *dialog;
}

// Without a display the dialog still loads and closes, as the status page needs its controls.
void ShowZephraSetup(PluginState& state) {
    if (!forms::DisplayAvailable()) {
        vb::Try([&] {
            if (state.settings.OwnWebServer)
                WriteLog(state.Host(), kSource,
                         kNoDisplay + (kStatusAddress + state.settings.ServerPort) + kStatusPath);
            else WriteLog(state.Host(), kSource, kStatusPageOff);
        });
        vb::Err().Clear();
    }
    SetupDialog(state).Show(forms::vbModal);
}

}  // namespace zephra
