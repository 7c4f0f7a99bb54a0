#pragma once
// The setup dialog: one control for every setting a user may edit, filled from the settings
// file when the dialog loads; "Update" writes every control back (SettingsWriter.cpp) and
// the plug-in reads its settings again; "Cancel" closes it. The status web page uses the
// same shared instance without showing it: it reads and sets the controls, then saves with
// SaveFromWebPage. Shown, it is a window on the display (its layout ZephraSetup.ui, whose
// object ids are the control names below, element n of an array as name_n); without a display
// a user (or a test) works the same controls in memory.

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/SettingsTable.h"
#include "forms/Controls.h"
#include "forms/Form.h"
#include "homeseer/Host.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"

namespace zephra {

class PluginState;

class ZephraSetup : public forms::Form {
public:
    static constexpr const char* kCaption = "Zephra Setup";
    static constexpr int kUnitSlots = settings::kUnitSlots;
    static constexpr int kSlideRowCount = settings::kSlideRowKeys;
    static constexpr int kGroupCount = kSlideGroups;
    static constexpr int kSoundBoxes = 19;

    explicit ZephraSetup(PluginState& state);

    // "Update": writes every control, reloads the settings and unloads the dialog. The
    // resizer question, when due, is asked in a message box.
    void OKButton_Click();
    // The status page's save: as "Update", but no message box is shown (the question is
    // logged as answered no).
    // Returns "" once saved, else why nothing was saved (a value the settings file cannot
    // keep, named by its field) or why the save failed. `more` (the page's own keys) is
    // written in the same change of the settings file. `changedOnly`: only the keys whose value
    // differs from what the load gave are written (a control the user did not change never is).
    std::string SaveFromWebPage(const std::vector<homeseer::Host::IniSetting>& more = {}, bool changedOnly = false);
    // The name under which a page posts into the control, for the messages of a refused save.
    void PostedAs(const forms::Control& control, const std::string& field);
    // "Cancel": unloads the dialog; nothing is written.
    void CancelButton_Click();
    // An element of aTCPServerOption clicked: "Internal Server" enables aServerPort.
    void aTCPServerOption_Click(int index);
    // The jukebox on every appliance: "play", "stop".
    void aPlay_Click();
    void aStop_Click();

    // The control of a setting (element `index` of an array), found by its name.
    template <class Kind>
    Kind& Control(const settings::Setting& row, int index = -1) const {
        return Named<Kind>(row.dialog.control, index);
    }
    // The control of a family's field for an index.
    template <class Kind>
    Kind& Control(const settings::FamilyField& field, int index) const {
        return Named<Kind>(field.control, index);
    }
    template <class Kind>
    Kind& Named(const char* name, int index) const {
        auto* found = dynamic_cast<Kind*>(FindControl(name, index));
        if (!found) vb::raise(vb::errors::ObjectRequired);
        return *found;
    }

    // The entry keys the unit slots were loaded from ("" for a slot no entry filled), and the
    // sound list as loaded.
    const std::array<std::string, kUnitSlots>& LoadedKeys() const { return loadedKeys_; }
    // The first unit row whose address is that of an earlier row (one entry of the settings
    // file), with the refusal that names both; slot -1 and "" when every address is its own.
    // shownRow gives the row an editor shows a slot in (the slot itself when empty): the slot
    // shown later is the one named, by its shown row.
    struct AddressClash {
        std::string refusal;
        int slot = -1;
    };
    // A slot shownRow gives -1 for was stored by another editor after this one's rows were drawn.
    // Two addresses clash when their IP parts do, whatever computer name follows. Only a pair of
    // which one was typed since the load (a new row, another address or device code) is refused,
    // by the rows its editor shows: the typed one named first. Rows whose device codes share
    // devices (the ten from each code) are refused the same way when one of the codes was typed.
    AddressClash SameAddressTwice(const std::function<int(int)>& shownRow = {});
    const std::string& LoadedSounds() const { return loadedSounds_; }

    // --- Controls ------------------------------------------------------------------------
    forms::TabControl SSTab1{
        *this, "SSTab1", {"Zephras", "Definitions", "Power", "Screen", "Slide Group", "CID", "Future"}};
    forms::CommandButton OKButton{*this, "OKButton", -1, "Update"};
    forms::CommandButton CancelButton{*this, "CancelButton", -1, "Cancel"};
    forms::Label lblver{*this, "lblver"};
    forms::Label HouseCode{*this, "HouseCode"};

    // Page "Zephras": one row per unit slot.
    forms::Controls<forms::TextBox> aName{*this, "aName", kUnitSlots};
    forms::Controls<forms::TextBox> aIP{*this, "aIP", kUnitSlots};
    forms::Controls<forms::TextBox> aDC{*this, "aDC", kUnitSlots};
    forms::Controls<forms::TextBox> aPower{*this, "aPower", kUnitSlots};
    forms::Controls<forms::TextBox> aMotion{*this, "aMotion", kUnitSlots};
    forms::OptionGroup Option1{*this, "Option1", SlideGroupCaptions()};
    forms::OptionGroup Option2{*this, "Option2", SlideGroupCaptions()};
    forms::OptionGroup Option3{*this, "Option3", SlideGroupCaptions()};
    forms::OptionGroup Option4{*this, "Option4", SlideGroupCaptions()};
    forms::OptionGroup Option5{*this, "Option5", SlideGroupCaptions()};
    forms::OptionGroup Option6{*this, "Option6", SlideGroupCaptions()};
    forms::OptionGroup Option7{*this, "Option7", SlideGroupCaptions()};
    forms::OptionGroup Option8{*this, "Option8", SlideGroupCaptions()};
    forms::OptionGroup Option9{*this, "Option9", SlideGroupCaptions()};
    forms::Controls<forms::CheckBox> aDoCID{*this, "aDoCID", kUnitSlots};
    forms::Controls<forms::TextBox> aX10Server{*this, "aX10Server", kUnitSlots};
    // The slide-group option group of unit slot n (Option1 for slot 0 ... Option9 for 8).
    forms::OptionGroup& SlideGroupOptions(int slot);

    // Page "Definitions".
    forms::TextBox aHSIP{*this, "aHSIP"};
    forms::ComboBox aVoiceCB{*this, "aVoiceCB"};
    forms::TextBox aPushDelay{*this, "aPushDelay"};
    forms::TextBox aFontColor{*this, "aFontColor"};
    forms::CheckBox aMenu{*this, "aMenu", -1, CheckBoxCaption("aMenu")};
    forms::CheckBox aStatusOnly{*this, "aStatusOnly", -1, CheckBoxCaption("aStatusOnly")};
    forms::Controls<forms::CheckBox> Check1{*this, "Check1", SoundCaptions()};
    forms::TextBox aCommandRetries{*this, "aCommandRetries"};
    forms::CheckBox aUseZephraServer{*this, "aUseZephraServer", -1, CheckBoxCaption("aUseZephraServer")};
    forms::TextBox aUDPDelay{*this, "aUDPDelay"};
    forms::OptionGroup aTCPServerOption{*this, "aTCPServerOption", {"Internal Server", "Homseer or External Server"}};
    forms::TextBox aServerPort{*this, "aServerPort"};
    forms::TextBox aStyleSheet{*this, "aStyleSheet"};
    forms::TextBox aBackground{*this, "aBackground"};
    forms::CheckBox aTCPDebug{*this, "aTCPDebug", -1, CheckBoxCaption("aTCPDebug")};
    forms::CheckBox aDebugLog{*this, "aDebugLog", -1, CheckBoxCaption("aDebugLog")};
    forms::CheckBox aShowSlides{*this, "aShowSlides", -1, CheckBoxCaption("aShowSlides")};

    // Page "Power".
    forms::TextBox aPowerCycleInterval{*this, "aPowerCycleInterval"};
    forms::TextBox aPowerCycleTime{*this, "aPowerCycleTime"};
    forms::CheckBox anoResponseAction{*this, "anoResponseAction", -1, CheckBoxCaption("anoResponseAction")};
    forms::TextBox aSleepInterval{*this, "aSleepInterval"};
    forms::TextBox aDefaultPushPage{*this, "aDefaultPushPage"};
    forms::TextBox aPowerUpTime{*this, "aPowerUpTime"};
    forms::TextBox aWindowsShare{*this, "aWindowsShare"};

    // Page "Screen".
    forms::TextBox aLEDMotionTime{*this, "aLEDMotionTime"};
    forms::CheckBox aAwakenOnMotion{*this, "aAwakenOnMotion", -1, CheckBoxCaption("aAwakenOnMotion")};
    forms::CheckBox aStartSlildeshow{*this, "aStartSlildeshow", -1, CheckBoxCaption("aStartSlildeshow")};
    forms::TextBox aSlideshowNoMotionTime{*this, "aSlideshowNoMotionTime"};
    forms::TextBox aSlideshowPath{*this, "aSlideshowPath"};
    forms::TextBox aImagePath{*this, "aImagePath"};
    forms::TextBox aImageServer{*this, "aImageServer"};
    forms::CheckBox ajpg{*this, "ajpg", -1, CheckBoxCaption("ajpg")};
    forms::CheckBox agif{*this, "agif", -1, CheckBoxCaption("agif")};
    forms::CheckBox abmp{*this, "abmp", -1, CheckBoxCaption("abmp")};
    forms::TextBox aUpdateInterval{*this, "aUpdateInterval"};
    forms::CheckBox aWallpaper{*this, "aWallpaper", -1, CheckBoxCaption("aWallpaper")};
    forms::CheckBox aDontRandomize{*this, "aDontRandomize", -1, CheckBoxCaption("aDontRandomize")};
    forms::TextBox aLinks{*this, "aLinks"};
    forms::TextBox aTextStyle{*this, "aTextStyle"};
    forms::TextBox aTextFontSize{*this, "aTextFontSize"};
    forms::TextBox aTextForeground{*this, "aTextForeground"};
    forms::TextBox aTextBackground{*this, "aTextBackground"};
    forms::CheckBox aIncludeHeaderLinks{*this, "aIncludeHeaderLinks", -1, CheckBoxCaption("aIncludeHeaderLinks")};
    forms::TextBox aLinksFile{*this, "aLinksFile"};
    forms::TextBox aMaxPixels{*this, "aMaxPixels"};

    // Page "Slide Group": rows 0..4 group 1, 5..9 group 2, 10..14 group 3.
    forms::Controls<forms::TextBox> aSlideASP{*this, "aSlideASP", kSlideRowCount};
    forms::Controls<forms::TextBox> aDwell{*this, "aDwell", kSlideRowCount};
    forms::Controls<forms::TextBox> aServerPathGroup{*this, "aServerPathGroup", kGroupCount};
    forms::Controls<forms::TextBox> aFolderPathGroup{*this, "aFolderPathGroup", kGroupCount};

    // Page "CID".
    forms::CheckBox aUseHSPPhoneBook{*this, "aUseHSPPhoneBook", -1, CheckBoxCaption("aUseHSPPhoneBook")};
    forms::CheckBox aExcludeHSPLocation{*this, "aExcludeHSPLocation", -1, CheckBoxCaption("aExcludeHSPLocation")};
    forms::CheckBox aUseFriends{*this, "aUseFriends", -1, CheckBoxCaption("aUseFriends")};
    forms::TextBox aFriendsLocation{*this, "aFriendsLocation"};
    forms::CheckBox aLogCID{*this, "aLogCID", -1, CheckBoxCaption("aLogCID")};
    forms::CheckBox aCIDSentry{*this, "aCIDSentry", -1, CheckBoxCaption("aCIDSentry")};
    forms::CheckBox aGenerateCIDEvent{*this, "aGenerateCIDEvent", -1, CheckBoxCaption("aGenerateCIDEvent")};
    forms::CheckBox aSoundCIDResponse{*this, "aSoundCIDResponse", -1, CheckBoxCaption("aSoundCIDResponse")};
    forms::CheckBox aBrowserCIDResponse{*this, "aBrowserCIDResponse", -1, CheckBoxCaption("aBrowserCIDResponse")};
    forms::CheckBox aZcidCIDResponse{*this, "aZcidCIDResponse", -1, CheckBoxCaption("aZcidCIDResponse")};
    forms::TextBox aCIDEventGroup{*this, "aCIDEventGroup"};
    forms::TextBox aLineNumber{*this, "aLineNumber"};
    forms::TextBox aCIDCommPort{*this, "aCIDCommPort"};
    forms::TextBox aCIDPortString{*this, "aCIDPortString"};
    forms::TextBox aCIDModemInitString{*this, "aCIDModemInitString"};
    forms::TextBox aCIDNamePrefix{*this, "aCIDNamePrefix"};
    forms::TextBox aCIDNumberPrefix{*this, "aCIDNumberPrefix"};
    forms::CheckBox aInsertModemCrLf{*this, "aInsertModemCrLf", -1, CheckBoxCaption("aInsertModemCrLf")};

    // Page "Future": the jukebox.
    forms::TextBox aSorvexCommandPort{*this, "aSorvexCommandPort"};
    forms::CommandButton aPlay{*this, "aPlay", -1, "Play"};
    forms::CommandButton aStop{*this, "aStop", -1, "Stop"};

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    // A check box's caption, from its row of the settings table.
    static std::string CheckBoxCaption(const char* control);
    static std::vector<std::string> SlideGroupCaptions() { return {"None", "1", "2", "3"}; }
    static std::vector<std::string> SoundCaptions();

    // One step of the load: a failure is logged ("Setup ") and the load goes on. The setting
    // the step fills is remembered, so that a save does not overwrite it with what the
    // control holds unless the user changed the control.
    void LoadStep(const std::string& section, const std::string& key, const std::function<void()>& body,
                  std::function<std::string()> value);
    // The writer, from the button or from the web page. `changedOnly`: a key whose written
    // value is what the load gave is not written.
    std::string WriteSettings(bool askResizer, const std::vector<homeseer::Host::IniSetting>& more = {},
                              bool changedOnly = false);
    // "Update" in the window: what its user changed since it opened, copied over the settings
    // files as they are now (a page or a script may have saved meanwhile) and written alone.
    std::string UpdateFromWindow();
    // The controls whose state differs from what the window showed when it opened.
    std::vector<const forms::Control*> Edits();
    // Puts the state of `edited` (a control of another instance) into this one's control of that
    // name and index.
    void Take(const forms::Control& edited, const std::string& name, int index);
    // Puts the edits of `window` (another instance, loaded earlier) into this one, each unit's
    // into the row its entry lies in now; "" when taken, else the refusal.
    std::string TakeEdits(ZephraSetup& window, const std::vector<const forms::Control*>& edits);
    // The unit row a control belongs to; -1 for a control of no unit.
    int UnitSlotOf(const forms::Control& control);
    std::string Finished(const std::string& refused);
    // The key a unit row's entry is written under.
    std::string WrittenKey(int slot);
    // Whether a unit row was typed since the load: a new row, another address or device code.
    bool UnitTyped(int slot);
    // A unit typed again in another row under the key of an entry the same save takes out of its
    // own row keeps that entry's device code, and so its devices.
    void KeepCodesOfMovedUnits();
    // The first value the settings files could not keep; `edits`, the controls the user changed,
    // are held to the full check of what a field may hold.
    std::string RefusedValue(const std::vector<const forms::Control*>& edits = {});
    std::string FieldName(const forms::Control& control) const;
    // Written values as the load left them, by section and lower-case key.
    void NoteLoadedValues();
    // Stores one value, unless its setting failed to load and the control still holds what
    // the failed load left in it.
    void Save(const std::string& section, const std::string& key, const std::string& value);
    // A setting's value as its control holds it, in its written form.
    std::string SettingValue(const settings::Setting& row);
    std::string UnitValue(int slot);
    // A numbered key's value as its controls hold it, in its written form.
    std::string NumberedValue(const settings::FamilyKey& key);
    std::string SoundList();

    // Every setting of the table, each from its key into its control.
    void LoadSettings();
    void Fill(const settings::Setting& row, const std::string& value);
    void FillVoices(const std::string& saved);
    void FillSounds(const std::string& list);
    void LoadUnits();
    void FillUnitField(const settings::FamilyField& field, int slot, const std::string& value);
    void LoadSlideRows();
    void AskResizer(bool interactive);

    PluginState& state_;
    std::array<std::string, kUnitSlots> loadedKeys_{};
    std::array<std::string, kUnitSlots> loadedNames_{};  // each unit's name as loaded
    std::array<std::string, kUnitSlots> loadedCodes_{};  // each unit's device code as loaded
    // After TakeEdits: the window row each slot's unit is shown in (-1: not in the window), by
    // which a refusal names it.
    std::optional<std::array<int, kUnitSlots>> windowRows_;
    std::string loadedSounds_;
    // Settings whose load failed, by section and lower-case key, with the value their control
    // held after the load.
    struct FailedLoad {
        std::string section, key;
        std::function<std::string()> value;
    };
    std::vector<FailedLoad> failedLoads_;
    std::map<std::pair<std::string, std::string>, std::string> unloaded_;
    std::vector<homeseer::Host::IniSetting> batch_;  // the keys of the save under way, in order
    // The state of every control as the load left it (what the window shows when it opens).
    std::map<const forms::Control*, std::string> asLoaded_;
    std::map<std::pair<std::string, std::string>, std::string> loadedValues_;
    bool changedOnly_ = false;
    std::map<const forms::Control*, std::string> postedAs_;
    // The controls of settings that have no member above.
    std::vector<std::unique_ptr<forms::Control>> settingControls_;
};

// Makes a text box or check box for every row of `rows` whose control `form` lacks, so that a
// new setting needs only its row (and its place in the window's layout).
std::vector<std::unique_ptr<forms::Control>> MakeSettingControls(forms::Form& form,
                                                                 std::span<const settings::Setting> rows);
// The same for the fields of families: a text box or check box for each index.
std::vector<std::unique_ptr<forms::Control>> MakeFamilyControls(forms::Form& form,
                                                                std::span<const settings::Family> families);

// The shared dialog, made on first use (not loaded: any use of a control loads it).
ZephraSetup& SetupDialog(PluginState& state);
// Shows the shared dialog modally, without an owner window; returns when it closes. The loop's
// events (appliances, the web server) go on meanwhile. Without a display a log line says where
// the same settings are, and the dialog closes at once.
void ShowZephraSetup(PluginState& state);

// Tells whether the host has an event of that name (any letter case).
bool FindEvent(PluginState& state, const std::string& name);
// Creates the host event "dkvZephra CID" for a caller ID on `line` in event group `group`,
// once: an event of that name already there is left as it is.
void CreateCIDEvent(PluginState& state, const std::string& group, int16_t line);

}  // namespace zephra
