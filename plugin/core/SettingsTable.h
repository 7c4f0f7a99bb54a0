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
// The slide rows, the slide-group paths and the unit entries of section "Zephra Names" are
// families of keys with their own layout; the reader, the dialog and the page handle them
// apart from this table.

#include <span>
#include <string>
#include <vector>

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
enum class PageSection { None, Definitions, Power, Screen, CID };

struct Reading {
    ReadStep step = ReadStep::None;
    const char* fallback = "";           // the default the reader passes to the host
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
    const char* span = "1";
    const char* align = "Center";
    bool standaloneOnly = false;    // not shown under the xAP host
    bool keptUnlessPosted = false;  // a post without the field leaves the control as it is
};

struct Setting {
    const char* section;
    const char* key;  // as the reader and the dialog's load ask for it
    Reading read;
    Dialog dialog;
    Page page;
};

// Every row, in the reader's order.
std::span<const Setting> SettingsTable();

// The rows that have a place in `order` (the dialog's load or its writer), in that order.
std::vector<const Setting*> InOrder(int Dialog::*order);

// The row of a key of a section (any letter case); nullptr when there is none.
const Setting* FindSetting(const std::string& section, const std::string& key);

// The row of a dialog control's name; nullptr when there is none.
const Setting* FindControlSetting(const std::string& control);

// The page's field name of a setting's control: the name without its leading "a".
std::string PageField(const Setting& setting);

}  // namespace settings
}  // namespace zephra
