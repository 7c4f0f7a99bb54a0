#pragma once
// The status and setup page of the plug-in's own web server: a table of every appliance's
// devices with a control drop-down each, the setup sections that edit every setting of the
// setup dialog, the xAP messages of interest, and the script and query buttons, all inside
// the form "control", whose posts come back to the same page.
//
// Every value placed in an attribute or a cell is HTML-escaped, except the host's own device
// status texts, which are HTML the host made.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/FastString.h"
#include "forms/Controls.h"
#include "vb/Date.h"
#include "vb/Variant.h"
#include "web/HtmlEncode.h"

namespace zephra {

class PluginState;
class ZephraSetup;
struct Drawing;

// The page text for `request`; `response` is kept as the page's current response.
std::string StatusPage(PluginState& state, const vb::Variant& request, const vb::Variant& response);
// Handles a post, reads the sort state and builds the page.
std::string Status_ASP(PluginState& state);
void FormatScreen(PluginState& state, FastString& fs);

// The select element of a device's control, or "" for a device the host does not know.
std::string ControlPulldown(PluginState& state, const std::string& code);
// "V" + the first character's code in hexadecimal + the rest: Q5 gives V515.
std::string DeviceCodeFieldName(PluginState& state, const std::string& code);
// The code a drop-down name stands for: V515 gives Q5.
std::string DeviceCodeFromFieldName(const std::string& name);
// "Today h:mm:ss AM", "Yesterday ..." or the general date.
std::string FormatChangeTime(PluginState& state, vb::Date t);
int16_t BoolToBit(int32_t value);
std::string CheckedIfOne(int32_t value);
std::vector<std::string> CheckedFromControlArray(const forms::Controls<forms::OptionButton>& controls);
std::vector<std::string> CheckedFromControlArray(const forms::Controls<forms::CheckBox>& controls);

// One row the device table may hold, from the appliance list (before the host is asked).
struct StatusRowSource {
    std::string code, location, name;
    bool control = false;
};
std::vector<StatusRowSource> StatusRowSources(PluginState& state);

// Requests and saving.
int ClientRequest(PluginState& state);
void hsExec(PluginState& state, const std::string& code, const std::string& command);
void ResetZephraQueue(PluginState& state, const std::string& code);

// The posted text of a field of the current request ("" when absent), and whether the post
// carried the field at all (an empty text box is carried; an unticked box is not).
std::string PostedField(PluginState& state, const std::string& name);
// A posted field as it was sent, control characters kept (the request decodes them as blanks).
std::string ExactPostedField(PluginState& state, const std::string& name);
bool FieldPosted(PluginState& state, const std::string& name);
// True only when the plug-in's own request object is sure the post lacks the field.
bool FieldMissing(PluginState& state, const std::string& name);
// A check box the post says nothing of: not posted, and not among the boxes its page says it
// showed (a browser posts a ticked box only, so an unticked one is told by that list).
bool BoxUnsaid(PluginState& state, const std::string& name);
// 1 when the field is posted with a value that is not empty, else 0.
int16_t FormItemValue(PluginState& state, const std::string& name);

// The page's own copy of the setup controls (not the setup window's).
ZephraSetup& StatusSetup(PluginState& state);
// The hidden field's text for a drawing: ASCII only, keys percent-encoded, values as digests.
std::string DrawingText(const Drawing& drawing);
// The drawing a post carries; nothing when it carries none that reads.
std::optional<Drawing> PostedDrawing(PluginState& state);
// Whether a posted field still holds what the save's page showed; false when the page's drawing
// does not know the field.
bool AsDrawn(PluginState& state, const std::string& field, const std::string& posted);
// The refusal of the last save, when it names `field`, to be shown beside that field; else "".
std::string ProblemBeside(PluginState& state, const std::string& field);

// The setup sections: each renders from the page's setup controls and copies a post back.
void AddZephras(PluginState& state, FastString& fs);
void UpdateZephras(PluginState& state);
void AddDefinitions(PluginState& state, FastString& fs);
void UpdateDefinitions(PluginState& state);
void AddPower(PluginState& state, FastString& fs);
void UpdatePower(PluginState& state);
void AddScreen(PluginState& state, FastString& fs);
void UpdateScreen(PluginState& state);
void AddSlideGroup(PluginState& state, FastString& fs);
void UpdateSlideGroup(PluginState& state);
void AddCID(PluginState& state, FastString& fs);
void UpdateCID(PluginState& state);

// The xAP messages of interest and the script and query buttons.
void AddFilter(PluginState& state, FastString& fs);
// Notes the inputs of the messages of interest as the page draws them.
void NoteFilters(PluginState& state, Drawing& drawing);
// One row of the messages of interest, as it is stored.
struct FilterRow {
    std::string key, tag, event;
};
// What a save does to the messages of interest: only the rows its user added, changed or cleared
// against the page as drawn, over the rows stored now. `section` is the whole "Received" section
// as it is then written; `problem` and `field` say why nothing may be saved.
struct FilterSave {
    std::vector<std::pair<std::string, std::string>> section;  // key, value
    std::vector<std::string> removed;                          // keys cleared or renamed
    std::vector<FilterRow> set;                                // rows changed
    std::optional<FilterRow> added;                            // the new row, which comes first
    std::string problem, field;
};
FilterSave PlannedFilterSave(PluginState& state);
// Keeps the save's changes in FilterDictionary and DeviceDictionary; the settings file is
// written by the caller, in the same change as the rest of the save.
void SaveFilterSettigs(PluginState& state, const FilterSave& save);
// The first value of a row the user changed that the settings file could not give back as it
// is, told as the setup's save tells it, by what the page shows ("Tag of xAP message 2",
// "Source of the new xAP message"), and the posted field it is in; both "" when every row can
// be stored.
struct FilterRefusal {
    std::string problem;
    std::string field;
};
FilterRefusal RefusedFilterRow(PluginState& state);
void AddScriptButton(PluginState& state, FastString& fs);

}  // namespace zephra
