#pragma once
// The settings catalogue: one row per setting of the plug-in, the one place that says where a
// setting is stored, how the settings reader converts it, which control of the setup dialog
// edits it (and how that control is loaded and written back), and where the status page shows
// it. The reader, the setup dialog, its writer and the status page's setup sections all walk
// this table; a setting's odd rule is a column of its row.
//
// The dialog's controls are named, not referenced, so that this layer needs nothing of the
// dialog: the dialog finds each control by its name, and the page posts it under the name
// without its leading "a" (`aHSIP` as "HSIP"; element n of the sound boxes `Check1` as "Check1_n").
//
// Settings kept under numbered keys are families, one row each (the slide rows, the
// slide-group paths, and the unit entries of section "Zephra Names", whose key is the unit's
// address): the row names its keys, its index range and its fields, each field with its control
// array (element i for index i), its place and name on the page and its odd rules. The same
// walkers go through the families after the single settings: adding a field touches its row
// (and the window's UI file), adding a slide row kSlideRows, not the walkers.
//
// A save from the status page knows which sections the page carried by each section's marking
// field, a column of one of its rows.
//
// Keys of the plug-in's file that other parts read or write on their own (the menu switch, the
// pages' script timeout, the xAP node switch, the house code, the last power cycle, the resizer
// question) are rows too, most with no control and no place on the page: those parts take the
// row's section, key, file and fallback.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Settings.h"

namespace homeseer {
class Host;
}

namespace zephra {

struct ZephraSettings;

namespace settings {

inline constexpr const char* kIniFile = "dkvZephraUtilities.ini";
inline constexpr const char* kMain = "Zephra Utilities";
inline constexpr const char* kVoice = "T2W";
// Section "Settings" is read from the host's own file, not from the plug-in's.
inline constexpr const char* kHostSection = "Settings";
inline constexpr const char* kHostIniFile = "settings.ini";

// The file a section is kept in.
const char* FileOf(const char* section);

// What a reading rule may ask of the reader: the file system and the log.
class ReadingChecks {
public:
    virtual bool FolderExists(const std::string& path) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    virtual const std::string& AppPath() = 0;
    virtual void Log(const std::string& text) = 0;

protected:
    ~ReadingChecks() = default;
};

// A value as a reading rule gets it: the stored text, double quotes removed.
struct ReadValue {
    const std::string& text;
    ZephraSettings& settings;
    ReadingChecks& checks;
    int index = 0;  // a family's: the index of the key
};

// When the settings reader reads a row; the steps run in this order, between the reader's
// other work (see SettingsReader.cpp).
enum class ReadStep {
    None,             // not read by the settings reader
    PowerCycleHour,   // first of all
    WebServer,        // the web server choice
    ServerDebug,      // only while the plug-in's own web server serves the appliances
    Keys,             // the caller-ID, page and appliance keys
    SlideshowFolder,  // the main slideshow's folder, checked with its pictures
    PowerAndDevices,  // power cycling, speech and sounds
};

// How the setup dialog's control holds the value; it also tells the control's kind.
enum class Fill {
    None,           // no control
    Text,           // text box: the text
    NumericText,    // text box: the text when numeric, else "1"
    LeadingNumber,  // check box: the text's leading number (none: unchecked)
    WholeNumber,    // check box: the whole text as a number; any other text is an error
    ServerOption,   // two option buttons: "1" selects the second, anything else the first
    Voice,          // drop-down list of the installed voices: the stored one selected
    Sounds,         // one check box per sound: the comma list's numbers in order
};

// The status page's setup sections that show settings of this table.
enum class PageSection { None, Units, Definitions, Power, Screen, SlideGroup, CID };

// What the writer refuses in a text, so that it reads back as written. No value may hold a
// double quote, a line break or a control character; some hold less.
enum class Check {
    None,       // not checked
    Text,       // any other text
    ListField,  // no "," (a field of a list)
    UnitKey,    // no "=", and no "[" or ";" at its start (it would read as a header or comment)
    // A unit's address, the key of its entry: an IPv4 address or a host name, with an optional
    // ":port", then optionally "/" and the computer's (its web pages') address of the same form.
    UnitAddress,
    UnitField,  // no "=" and no ","
    Port,       // a port number from 1 to 65535, or nothing
    // A computer's address alone, as the appliances' URLs put it before ":port": an IPv4 address
    // or a host name, or nothing; blanks around it are not part of it.
    Address,
};

struct Reading {
    ReadStep step = ReadStep::None;
    // The default the reader passes to the host; for a row the reader skips, the default of the
    // part that reads it.
    const char* fallback = "";
    void (*rule)(ReadValue&) = nullptr;  // converts, checks and stores the value
};

struct Dialog {
    const char* control = nullptr;  // the control's name
    Fill fill = Fill::None;
    const char* fallback = "";        // the default the dialog's load passes to the host
    int loadOrder = 0;                // place in the dialog's load (1 first)
    int writeOrder = 0;               // place in the writer's pass (1 first)
    bool quoted = false;              // written between double quotes
    const char* writtenAs = nullptr;  // the key as the writer spells it, when not as read
    const char* caption = nullptr;    // a check box's caption
};

struct Page {
    PageSection section = PageSection::None;
    int line = 0;  // line of the section (its headings are lines too)
    int cell = 0;  // cell of the line, 1 first; a cell left out shows a blank
    int part = 0;  // several settings in one cell follow each other by part
    // Check box: the text after the box (nullptr: a blank and the caption). Text box: the
    // text before the input.
    const char* label = nullptr;
    int size = 0;            // text box: the input's width
    const char* after = "";  // text box: the text after the input
    bool tight = false;      // text box: one blank before "size", not two
    bool wideName = false;   // text box: two blanks before "name", not one
    const char* span = "1";
    const char* align = "Center";
    bool standaloneOnly = false;    // not shown under the xAP host
    bool xapHostOnly = false;       // shown only under the xAP host
    bool keptUnlessPosted = false;  // a post without the field leaves the control as it is
    bool marksSection = false;      // a post that carries this field carries its section
};

struct Setting {
    const char* section;
    const char* key;  // as the reader and the dialog's load ask for it
    Reading read;
    Dialog dialog;
    Page page;
    // How a refusal names the setting, when the page's label alone does not (a label split around
    // the box, or none): the words the user reads beside the box.
    const char* named = nullptr;
    Check check = Check::Text;  // what its text may hold (a text box's or a drop-down's)
};

// Every row, in the reader's order.
std::span<const Setting> SettingsTable();

// The rows that have a place in `order` (the dialog's load or its writer), in that order.
std::vector<const Setting*> InOrder(int Dialog::*order);

// The row of a key of a section (any letter case); nullptr when there is none.
const Setting* FindSetting(const std::string& section, const std::string& key);

// The row of a dialog control's name; nullptr when there is none.
const Setting* FindControlSetting(const std::string& control);

// The row of a key of the main section; a key without a row is an error of the program.
const Setting& MainSetting(std::string_view key);

// A setting's text as stored, or the row's reading fallback when there is none.
std::string StoredText(homeseer::Host& hs, const Setting& row);
// The same with every double quote removed, as the settings reader takes it.
std::string ReadText(homeseer::Host& hs, const Setting& row);
// Stores a setting's text as it is.
void SaveText(homeseer::Host& hs, const Setting& row, const std::string& value);

// The page's field name of a setting's control: the name without its leading "a".
std::string PageField(const Setting& setting);

// The field the status page posts with a section, by which a save knows the section was on
// the page; "" for a section without one.
std::string SectionMark(PageSection section);

// A stored entry named for the log: the file, the section and the entry as "key=value"; a
// long entry is cut and control characters are shown as "?".
std::string NamedEntry(const char* section, const std::string& entry);

// The log line of a value that did not convert: `failed` (the line as it was, the error
// appended), then the entry named and what is used in its place ("" for the key's default).
std::string BadValueLine(const std::string& failed, const std::string& named, const std::string& used);

// The web address under which the host computer serves the appliances' files.
std::string ApplianceServer(const ZephraSettings& settings);

// --- Families: settings kept under numbered keys ---------------------------------------------

inline constexpr int kUnitSlots = 9;
inline constexpr int kSlideRowKeys = kSlideGroups * kSlideRows;

// How the dialog holds a family's field: element i of the control array holds index i.
enum class FieldFill {
    Text,        // text box
    Code,        // text box of a device code: written with "[" and "]" as "~1" and "~2"; the page
                 // shows it and never posts it
    SlideGroup,  // the slot's slide-group option buttons (the group "Option<i + 1>"): the
                 // selected one's number
    Switch,      // check box: checked for "1"
};

// What a value of the kind holds that would not read back as written ("CR", "'='", ...); ""
// when it can be stored.
std::string Unstorable(const std::string& text, Check kind);

struct FamilyField {
    const char* control;  // the dialog's control array
    FieldFill fill = FieldFill::Text;
    Check check = Check::None;
    void (*rule)(ReadValue&) = nullptr;  // the settings reader's conversion; none: not read there
    const char* key = nullptr;           // kept under a key of its own: this and the index
    const char* posted = nullptr;        // the page's field name before the index (nullptr: the
                                         // control's name without its leading "a")
    // The page's heading of its column; for a field on a line of its own, the cell before it.
    const char* heading = nullptr;
    const char* shownWith = nullptr;  // shown only when this control of the same index holds text
    Page page;                        // its line and cell in its index's part of the section
    const char* named = nullptr;      // how a refusal names it, when not by its heading or label
};

// How a family names its keys.
enum class FamilyKeys {
    Numbered,  // one key per index, the prefix and the index; the fields joined by ","
    PerField,  // one key per field and index: the field's key and the index
    // One entry per slot whose key is the text of the key field, its value the fields joined
    // by ","; an entry whose first field is empty is skipped by every reader.
    Address,
};

struct Family {
    const char* section;
    FamilyKeys keys;
    const char* prefix;  // Numbered: the keys' prefix
    int count;           // indexes 0 to count - 1
    std::span<const FamilyField> fields;
    const FamilyField* keyField = nullptr;  // Address: the field whose text is the entry's key
    bool emptyWithoutSeparator = false;     // a value without "," reads as every field empty
    PageSection page = PageSection::None;
};

// The families in the order the dialog loads, checks and writes them.
std::span<const Family> Families();
const Family& Units();
const Family& SlideRows();        // "path,seconds", kSlideRows to a slide group
const Family& SlideGroupPaths();  // the server and folder path of each slide group

// One stored key of a Numbered or PerField family: its name, its index and its fields.
struct FamilyKey {
    std::string name;
    int index;
    std::vector<const FamilyField*> fields;
};

// The keys of a family (of one index, unless -1) in stored order: by index, then by field.
std::vector<FamilyKey> KeysOf(const Family& family, int index = -1);

// A stored value's fields: the whole value for a PerField key, else split at ","; a Numbered
// family's missing fields read empty.
std::vector<std::string> FieldsOf(const Family& family, const std::string& value);

// One line of the units' section: the unit's address before "=" and the fields after it, or
// why the line holds no entry (a blank line, or not exactly one "=" between two texts).
enum class EntryFault { None, Blank, NoEquals, ManyEquals, NoAddress, NoValue };
struct UnitEntry {
    std::string key;
    std::vector<std::string> fields;
    EntryFault fault = EntryFault::None;
};
UnitEntry ParseUnitEntry(const std::string& line);

// The value of a unit's entry that every reader skips (its name field is empty): how an entry
// is removed.
inline constexpr const char* kBlankedEntry = "\",,\"";

// The key a unit's address is stored under: the IP alone when the computer named after "/" is
// the IP itself ("10.0.0.5/10.0.0.5" is "10.0.0.5", as the appliance list writes it back), else
// the address as it is. Two addresses name one entry when their keys are the same, blanks around
// and letter case aside.
std::string EntryKey(const std::string& address);
bool SameEntry(const std::string& a, const std::string& b);

// The text of a family's field, named by its control, among a stored value's fields; nothing
// when the value holds fewer fields. Readers of a value ask by control, so that the order of a
// value's fields is stated only by the family's row.
std::optional<std::string> FieldOf(const Family& family, const std::vector<std::string>& fields,
                                   std::string_view control);

// The writer and the reader of the units' entries, one pair: a unit's field as stored ("~" as
// "~0"; in a device code also "[" as "~1" and "]" as "~2", so that a code of the bracket house
// never reads as a section header), and a stored text as typed (the three back, read left to
// right; any other "~" stays, so that an entry stored before "~" was escaped reads as it always did).
std::string EscapedUnitText(const std::string& typed, bool deviceCode = false);
std::string UnescapedUnitText(const std::string& stored);

// A stored text as a field's fill reads it: a Switch is on for exactly "1"; a SlideGroup is the
// group's number (a text that is no number is an error).
bool SwitchedOn(const std::string& text);
int16_t GroupNumber(const std::string& text);

// The name under which the page posts a field of an index.
std::string PostedName(const FamilyField& field, int index);

}  // namespace settings
}  // namespace zephra
