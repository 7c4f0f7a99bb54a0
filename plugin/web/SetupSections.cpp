// The setup sections of the status page: each renders its part of the setup dialog's controls
// into the page and copies a saved post back into those controls; the dialog's writer stores
// them. Every shown value is HTML-escaped so that it comes back whole on the next save.

#include <functional>
#include <string>

#include "core/PluginState.h"
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

// "label&nbsp;<input type='text'  size='n' name='field' value='text'>"
std::string textBox(const std::string& label, const std::string& size, const std::string& field,
                    const std::string& text) {
    return label + "&nbsp;<input type='text'  size='" + size + "' name='" + field + "' value='" + value(text) + "'>";
}

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

// --- General settings -----------------------------------------------------------------------

void AddDefinitions(PluginState& state, FastString& fs) {
    trapped(state, "AddDefinitions", [&] {
        SectionWriter w(state, fs, "AddDefinitions");
        ZephraSetup& d = w.dialog();
        auto setting = [&](const std::function<std::string()>& text) { w.cell(text, kOdd, "1", "Center"); };
        w.add(std::string("<br>") + kTable);
        w.heading("Definitions");
        w.add(kRow);
        w.heading("Miscellaneous");
        w.add("</tr>");
        setting([&] {
            return "Server IP&nbsp;<input type='text'  size='12' name='HSIP' value='" + value(d.aHSIP.Text()) + "'>";
        });
        setting([&] {
            return "TTS Voice&nbsp;<input type='text'  size='12' name='VoiceCB' value='" + value(d.aVoiceCB.Text()) +
                   "'>";
        });
        setting([&] {
            return "Font Color<input type='text'  size='4' name='FontColor' value='" + value(d.aFontColor.Text()) +
                   "'>";
        });
        w.add(kRow);
        setting([&] {
            return "Seconds for Server to Respond&nbsp;<input type='text' size='2' name='PushDelay' value='" +
                   value(d.aPushDelay.Text()) + "'>";
        });
        setting([&] {
            return "<input type='checkbox' name='Menu' value='1'" + CheckedIfOne(d.aMenu.Value()) +
                   ">&nbsp;Include In Menu";
        });
        setting([&] {
            return "<input type='checkbox' name='StatusOnly' value='1'" + CheckedIfOne(d.aStatusOnly.Value()) +
                   ">&nbsp;Disable Control Buttons";
        });
        w.add(kRow);
        w.heading("Included Sound Bytes");
        int k = 0;
        for (; k <= d.Check1.UBound(); ++k) {
            if (k % 3 == 0) w.add(kRow);
            w.cell([&] { return checkBox("Check1_" + std::to_string(k), d.Check1(k)); }, kOdd, "1", "Left");
        }
        for (; k % 3 != 0; ++k) w.cell([] { return "&nbsp;"; }, kOdd, "1", "Center");
        w.add(kRow);
        w.heading("Performance");
        w.add(kRow);
        setting([&] {
            return "Command Retries&nbsp;<input type='text' size='2' name='CommandRetries' value='" +
                   value(d.aCommandRetries.Text()) + "'>";
        });
        setting([&] { return checkBox("UseZephraServer", d.aUseZephraServer); });
        setting([&] {
            return "Add&nbsp;<input type='text' size='2' name='UDPDelay' value='" + value(d.aUDPDelay.Text()) +
                   "'>&nbsp;Milliseconds delay after UDP command";
        });
        w.add(kRow);
        w.heading("HTTP Server");
        w.add(kRow);
        setting([&] {
            return "Server Port&nbsp;<input type='text' size='3' name='ServerPort' value='" +
                   value(d.aServerPort.Text()) + "'>";
        });
        setting([&] {
            return "Style_Sheet&nbsp;<input type='text' size='20' name='StyleSheet' value='" +
                   value(d.aStyleSheet.Text()) + "'>";
        });
        setting([&] {
            return "Back Color&nbsp;<input type='text' size='12' name='Background' value='" +
                   value(d.aBackground.Text()) + "'>";
        });
        w.add(kRow);
        if (!state.IsSetup) {
            w.heading("Server Selection");
            w.add(kRow);
            w.cell(
                [&] {
                    const std::vector<std::string> marks = CheckedFromControlArray(d.aTCPServerOption);
                    return "<input type='radio' name='TCPServerOption' value='0'" + marks.at(0) + ">&nbsp;" +
                           HTMLEncode(d.aTCPServerOption(0).Caption()) +
                           "<input type='radio' name='TCPServerOption' value='1'" + marks.at(1) + ">&nbsp;" +
                           HTMLEncode(d.aTCPServerOption(1).Caption());
                },
                kOdd, "3", "Center");
            w.add(kRow);
        }
        w.heading("Debug");
        w.add(kRow);
        setting([&] { return checkBox("DebugLog", d.aDebugLog); });
        setting([&] { return checkBox("ShowSlides", d.aShowSlides); });
        setting([&] { return checkBox("TCPDebug", d.aTCPDebug); });
        w.add("</tr>");
        w.add("</table>");
    });
}

void UpdateDefinitions(PluginState& state) {
    trapped(state, "UpdateDefinitions", [&] {
        ZephraSetup& d = SetupDialog(state);
        Updater u{state, "UpdateDefinitions"};
        u.text(d.aHSIP, "HSIP");
        trapped(state, "UpdateDefinitions", [&] { d.aVoiceCB.Text(PostedField(state, "VoiceCB")); });
        u.text(d.aFontColor, "FontColor");
        u.text(d.aPushDelay, "PushDelay");
        u.check(d.aMenu, "Menu");
        u.check(d.aStatusOnly, "StatusOnly");
        for (int k = 0; k <= d.Check1.UBound(); ++k) u.check(d.Check1(k), "Check1_" + std::to_string(k));
        u.text(d.aCommandRetries, "CommandRetries");
        u.check(d.aUseZephraServer, "UseZephraServer");
        u.text(d.aUDPDelay, "UDPDelay");
        u.text(d.aServerPort, "ServerPort");
        u.text(d.aStyleSheet, "StyleSheet");
        u.text(d.aBackground, "Background");
        // Under the xAP host the page shows no server selection; the stored one stays.
        if (FieldPosted(state, "TCPServerOption")) u.options(d.aTCPServerOption, "TCPServerOption");
        u.check(d.aDebugLog, "DebugLog");
        u.check(d.aShowSlides, "ShowSlides");
        u.check(d.aTCPDebug, "TCPDebug");
    });
}

// --- Power cycling --------------------------------------------------------------------------

void AddPower(PluginState& state, FastString& fs) {
    trapped(state, "AddPower", [&] {
        SectionWriter w(state, fs, "AddPower");
        ZephraSetup& d = w.dialog();
        auto setting = [&](const std::function<std::string()>& text, const char* span = "1") {
            w.cell(text, kOdd, span, "Center");
        };
        w.add(std::string("<br><br>") + kTable);
        w.heading("Power");
        w.add(kRow);
        w.heading("Miscellaneous");
        w.add("</tr>");
        setting([&] {
            return textBox("Power Cycle on Hours (comma separated)", "8", "PowerCycleInterval",
                           d.aPowerCycleInterval.Text());
        });
        setting([&] {
            return textBox("Wait", "2", "PowerCycleTime", d.aPowerCycleTime.Text()) +
                   "&nbsp;Seconds between power off and power on";
        });
        setting([&] { return textBox("Check for Sleep Mode Every", "2", "SleepInterval", d.aSleepInterval.Text()); });
        w.add(kRow);
        setting([&] { return checkBox("noResponseAction", d.anoResponseAction); });
        setting(
            [&] {
                return textBox("Default Page After Power Cycle (\\HTML)", "30", "DefaultPushPage",
                               d.aDefaultPushPage.Text());
            },
            "2");
        w.add(kRow);
        w.heading("When to Resume After Power Cycle");
        w.add(kRow);
        setting(
            [&] {
                return "Wait&nbsp;<input type='text'  size='3' name='PowerUpTime' value='" +
                       value(d.aPowerUpTime.Text()) +
                       "'>&nbsp;Seconds after power cycle  OR Wait for browser to appear on file share " +
                       "<input type='text'  size='60' name='WindowsShare' value='" + value(d.aWindowsShare.Text()) +
                       "'>";
            },
            "3");
        w.add("</tr>");
        w.add("</table>");
    });
}

void UpdatePower(PluginState& state) {
    trapped(state, "AddPower", [&] {
        ZephraSetup& d = SetupDialog(state);
        Updater u{state, "AddPower"};
        u.text(d.aPowerCycleInterval, "PowerCycleInterval");
        u.text(d.aPowerCycleTime, "PowerCycleTime");
        u.text(d.aSleepInterval, "SleepInterval");
        u.check(d.anoResponseAction, "noResponseAction");
        u.text(d.aDefaultPushPage, "DefaultPushPage");
        u.text(d.aPowerUpTime, "PowerUpTime");
        u.text(d.aWindowsShare, "WindowsShare");
    });
}

// --- Screen and slideshow -------------------------------------------------------------------

void AddScreen(PluginState& state, FastString& fs) {
    trapped(state, "AddScreen", [&] {
        SectionWriter w(state, fs, "AddScreen");
        ZephraSetup& d = w.dialog();
        auto c = [&](const std::function<std::string()>& text, const char* span = "1", const char* align = "Center") {
            w.cell(text, kOdd, span, align);
        };
        w.add(std::string("<br>") + kTable);
        w.heading("Screen");
        w.add(kRow);
        w.heading("Motion");
        w.add(kRow);
        c([&] { return checkBox("AwakenOnMotion", d.aAwakenOnMotion); });
        c(
            [&] {
                return textBox("Stop Slideshow After no Motion for", "3", "SlideshowNoMotionTime",
                               d.aSlideshowNoMotionTime.Text()) +
                       "&nbsp;Mins";
            },
            "2");
        w.add(kRow);
        c([&] { return checkBox("StartSlildeshow", d.aStartSlildeshow); });
        c(
            [&] {
                return textBox("Turn off LEDs if Motion for", "3", "LEDMotionTime", d.aLEDMotionTime.Text()) +
                       "&nbsp;Secs";
            },
            "2");
        w.add(kRow);
        w.heading("Text");
        w.add(kRow);
        c([&] { return textBox("Face", "4", "TextStyle", d.aTextStyle.Text()); });
        c([&] { return textBox("Fore Color", "4", "TextForeground", d.aTextForeground.Text()); });
        c([&] { return textBox("Back Color", "4", "TextBackground", d.aTextBackground.Text()); });
        w.add(kRow);
        c([&] { return textBox("Size", "4", "TextFontSize", d.aTextFontSize.Text()); });
        c([&] { return checkBox("IncludeHeaderLinks", d.aIncludeHeaderLinks); });
        c([&] { return textBox("Links File", "20", "LinksFile", d.aLinksFile.Text()); });
        w.add(kRow);
        w.heading("Slide Image Resizing");
        w.add(kRow);
        c([&] { return textBox("Max Pixels in Image", "8", "MaxPixels", d.aMaxPixels.Text()); }, "3");
        w.add(kRow);
        w.heading("Slideshow");
        w.add(kRow);
        c([&] { return textBox("File Path to Slideshow Files", "60", "SlideshowPath", d.aSlideshowPath.Text()); }, "3",
          "Right");
        w.add(kRow);
        c([&] { return textBox("Folder Path to Slideshow Files", "60", "ImagePath", d.aImagePath.Text()); }, "3",
          "Right");
        w.add(kRow);
        c([&] { return textBox("Server Path to Slideshow Files", "60", "ImageServer", d.aImageServer.Text()); }, "3",
          "Right");
        w.add(kRow);
        c([&] { return checkBox("jpg", d.ajpg, "&nbsp;Include "); });
        c([&] { return checkBox("gif", d.agif, "&nbsp;Include "); });
        c([&] { return checkBox("bmp", d.abmp, "&nbsp;Include "); });
        w.add(kRow);
        c([&] { return checkBox("Wallpaper", d.aWallpaper); });
        c([&] { return checkBox("DontRandomize", d.aDontRandomize); });
        c([&] {
            return textBox("Change Slide Every", "4", "UpdateInterval", d.aUpdateInterval.Text()) + "&nbsp;secs";
        });
        w.add(kRow);
        c([&] { return textBox("Page when Exiting Slideshow (base=\\HTML)", "40", "Links", d.aLinks.Text()); }, "3");
        w.add("</tr>");
        w.add("</table>");
    });
}

void UpdateScreen(PluginState& state) {
    trapped(state, "UpdateScreen", [&] {
        ZephraSetup& d = SetupDialog(state);
        Updater u{state, "UpdateScreen"};
        u.check(d.aAwakenOnMotion, "AwakenOnMotion");
        u.text(d.aSlideshowNoMotionTime, "SlideshowNoMotionTime");
        u.check(d.aStartSlildeshow, "StartSlildeshow");
        u.text(d.aLEDMotionTime, "LEDMotionTime");
        u.text(d.aTextStyle, "TextStyle");
        u.text(d.aTextForeground, "TextForeground");
        u.text(d.aTextBackground, "TextBackground");
        u.text(d.aTextFontSize, "TextFontSize");
        u.check(d.aIncludeHeaderLinks, "IncludeHeaderLinks");
        u.text(d.aLinksFile, "LinksFile");
        u.text(d.aMaxPixels, "MaxPixels");
        u.text(d.aSlideshowPath, "SlideshowPath");
        u.text(d.aImagePath, "ImagePath");
        u.text(d.aImageServer, "ImageServer");
        u.check(d.ajpg, "jpg");
        u.check(d.agif, "gif");
        u.check(d.abmp, "bmp");
        u.check(d.aWallpaper, "Wallpaper");
        u.check(d.aDontRandomize, "DontRandomize");
        u.text(d.aUpdateInterval, "UpdateInterval");
        u.text(d.aLinks, "Links");
    });
}

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

// --- Caller ID ------------------------------------------------------------------------------

void AddCID(PluginState& state, FastString& fs) {
    trapped(state, "AddCID", [&] {
        SectionWriter w(state, fs, "AddCID");
        ZephraSetup& d = w.dialog();
        auto c = [&](const std::function<std::string()>& text, const char* span = "1", const char* align = "Center") {
            w.cell(text, kOdd, span, align);
        };
        w.add(std::string("<br>") + kTable);
        w.heading("CID");
        w.add(kRow);
        w.heading("Homeseer Phone CID");
        w.add(kRow);
        c([&] { return textBox("Line Number", "2", "LineNumber", d.aLineNumber.Text()); });
        c([&] { return textBox("Event Group Name", "40", "CIDEventGroup", d.aCIDEventGroup.Text()); }, "2");
        w.add(kRow);
        w.heading("Serial CID");
        w.add(kRow);
        c([&] { return textBox("Comm Port", "2", "CIDCommPort", d.aCIDCommPort.Text()); });
        c([&] { return textBox("Port Setup", "10", "CIDPortString", d.aCIDPortString.Text()); });
        c([&] { return textBox("Modem Init", "15", "CIDModemInitString", d.aCIDModemInitString.Text()); });
        w.add(kRow);
        c([&] { return textBox("Name Prefix", "6", "CIDNamePrefix", d.aCIDNamePrefix.Text()); });
        c([&] { return textBox("Number Prefix", "6", "CIDNumberPrefix", d.aCIDNumberPrefix.Text()); });
        c([&] { return checkBox("InsertModemCrLf", d.aInsertModemCrLf); });
        w.add(kRow);
        w.heading("CID Response");
        w.add(kRow);
        c([&] { return checkBox("ZcidCIDResponse", d.aZcidCIDResponse); });
        c([&] { return checkBox("CIDSentry", d.aCIDSentry); });
        c([&] { return checkBox("BrowserCIDResponse", d.aBrowserCIDResponse); }, "1", "Left");
        w.add(kRow);
        c([&] { return checkBox("SoundCIDResponse", d.aSoundCIDResponse); }, "1", "Left");
        c([&] { return checkBox("GenerateCIDEvent", d.aGenerateCIDEvent); }, "1", "Left");
        c([&] { return checkBox("LogCID", d.aLogCID); }, "1", "Left");
        w.add(kRow);
        w.heading("Sources for Number to Name Lookup");
        w.add(kRow);
        c([] { return "&nbsp;"; });
        c([&] { return checkBox("UseHSPPhoneBook", d.aUseHSPPhoneBook); }, "1", "Left");
        c([&] { return checkBox("ExcludeHSPLocation", d.aExcludeHSPLocation); }, "1", "Left");
        w.add(kRow);
        c(
            [&] {
                return checkBox("UseFriends", d.aUseFriends) +
                       "&nbsp;<input type='text'  size='50' name='FriendsLocation' value='" +
                       value(d.aFriendsLocation.Text()) + "'>";
            },
            "3", "Left");
        w.add("</tr>");
        w.add("</table>");
    });
}

void UpdateCID(PluginState& state) {
    trapped(state, "UpdateCID", [&] {
        ZephraSetup& d = SetupDialog(state);
        Updater u{state, "UpdateCID"};
        u.text(d.aLineNumber, "LineNumber");
        u.text(d.aCIDEventGroup, "CIDEventGroup");
        u.text(d.aCIDCommPort, "CIDCommPort");
        u.text(d.aCIDPortString, "CIDPortString");
        u.text(d.aCIDModemInitString, "CIDModemInitString");
        u.text(d.aCIDNamePrefix, "CIDNamePrefix");
        u.text(d.aCIDNumberPrefix, "CIDNumberPrefix");
        u.check(d.aInsertModemCrLf, "InsertModemCrLf");
        u.check(d.aZcidCIDResponse, "ZcidCIDResponse");
        u.check(d.aCIDSentry, "CIDSentry");
        u.check(d.aBrowserCIDResponse, "BrowserCIDResponse");
        u.check(d.aSoundCIDResponse, "SoundCIDResponse");
        u.check(d.aGenerateCIDEvent, "GenerateCIDEvent");
        u.check(d.aLogCID, "LogCID");
        u.check(d.aUseHSPPhoneBook, "UseHSPPhoneBook");
        u.check(d.aExcludeHSPLocation, "ExcludeHSPLocation");
        u.check(d.aUseFriends, "UseFriends");
        u.text(d.aFriendsLocation, "FriendsLocation");
    });
}

}  // namespace zephra
