// The setup sections of the status page against kept copies: every section as rendered from a
// settings file of awkward values (standalone and under the xAP host), and the settings file
// after a post that changes every field of the sections. A change of either shows as a
// difference to the copy in golden/; ZEPHRA_WRITE_GOLDEN=1 rewrites the copies.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/FastString.h"
#include "web/tests/StatusBed.h"

namespace zephra::testing {
namespace {

const std::filesystem::path kGolden = WEB_GOLDEN_DIR;

// Compares with the kept copy, or rewrites it when asked to.
void ExpectGolden(const std::string& name, const std::string& actual) {
    const std::filesystem::path file = kGolden / name;
    if (std::getenv("ZEPHRA_WRITE_GOLDEN")) {
        std::filesystem::create_directories(kGolden);
        std::ofstream(file, std::ios::binary) << actual;
    }
    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in) << file;
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(actual, expected.str()) << name;
}

std::vector<std::string> AwkwardSettings() {
    return {
        "[Zephra Utilities]",
        "SorvexCommandPort=\"1025\"",
        "UDPDelay=20",
        "CommandRetries=3",
        "UseZephraServer=\"1\"",
        "DebugLog=\"0\"",
        "ShowSlides=\"1\"",
        "TCPDebug=\"0\"",
        "TCPServerOption=\"1\"",
        "FontColor=\"wh<i>te\"",
        "PushDelay=\"7\"",
        "HomeseerIP=\"127.0.0.1\"",
        "inMenu=\"1\"",
        "StatusOnly=\"1\"",
        "ServerPort=\"8085\"",
        "StyleSheet=\"a&b.css\"",
        "Background=\"#FFFFFF\"",
        "CIDSentry=1",
        "GenerateCIDEvent=0",
        "LogCID=1",
        "ZcidCIDResponse=0",
        "BrowserCIDResponse=1",
        "SoundCIDResponse=1",
        "CIDCommPort=\"3\"",
        "CIDPortString=9600,n,8,1",
        "CIDModemInitString=AT#CID=1",
        "CIDNamePrefix=NAME =",
        "CIDNumberPrefix=NMBR =",
        "CIDEventGroup=Phone's",
        "CIDLineNumber=\"2\"",
        "useHSPPhoneBook=1",
        "useFriends=1",
        "ExcludeHSPLocation=1",
        "FriendsLocation=C:\\Phone\\",
        "InsertModemCrLf=0",
        "jpg=1",
        "gif=0",
        "bmp=1",
        "TextForeground=Yellow",
        "TextBackground=Blue",
        "TextFontSize=7",
        "TextStyle=Arial",
        "MaxPixels=100000",
        "LEDMotionTime=30",
        "SleepMonitorInterval=5",
        "DontRandomize=1",
        "AwakenOnMotion=1",
        "IncludeHeaderLinks=0",
        "StartSlildeshow=1",
        "Wallpaper=1",
        "SlideshowNoMotionTime=10",
        "LinksFile=links <b>.htm",
        "Links=links_touchscreen.htm",
        "ImagePath=C:\\pics",
        "ImageServer=http://x/",
        "SlideshowPath=slides",
        "SlideshowUpdateInterval=15",
        "PowerCycleTime=5",
        "PowerCycleInterval=3,15",
        "noResponseAction=1",
        "DefaultPushPage=start.htm",
        "PowerUpTime=75",
        "WindowsShare=\\\\srv\\o'share",
        "Sounds=\"1,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,2,1\"",
        "SlideASP0=\"kitchen.asp,30\"",
        "SlideASP14=\"last.asp,60\"",
        "ServerPathGroup0=\"/group1\"",
        "FolderPathGroup2=\"C:\\pics\\three\"",
        "",
        "[Zephra Names]",
        "127.0.0.2/kitchen=\"Kitchen,Q11,A3,A4,1,1,\"",
        "127.0.0.3=\"Hall,~121,,,0,0,xap.hall\"",
    };
}

// The voice shown depends on the voices installed; it is kept out of the copies.
void WithoutVoice(SetupBed& bed, std::string& text) {
    const std::string voice = bed.Dialog().aVoiceCB.Text();
    if (voice.empty()) return;
    for (std::size_t at = text.find(voice); at != std::string::npos; at = text.find(voice, at))
        text.replace(at, voice.size(), "VOICE");
}

// The sections that show settings of the table; under the xAP host only the one that differs
// there (no server selection).
std::string RenderSections(SetupBed& bed) {
    FastString fs;
    if (bed.state.IsSetup) {
        AddDefinitions(bed.state, fs);
    } else {
        AddDefinitions(bed.state, fs);
        AddPower(bed.state, fs);
        AddScreen(bed.state, fs);
        AddCID(bed.state, fs);
    }
    std::string text = fs.value();
    WithoutVoice(bed, text);
    // One element a line, so that a difference shows where it is.
    for (std::size_t at = text.find("><"); at != std::string::npos; at = text.find("><", at + 2))
        text.insert(at + 1, "\n");
    return text + "\n";
}

TEST(SetupSections, RenderedAsKept) {
    SetupBed bed(IniText(AwkwardSettings()));
    ExpectGolden("setup-sections.html", RenderSections(bed));
    SetupBed xap(IniText(AwkwardSettings()));
    xap.state.IsSetup = true;
    ExpectGolden("setup-sections-xap.html", RenderSections(xap));
}

// The sections of the families: the units and the slide groups, with a unit whose slide group
// is no number (the rest of its entry is shown all the same) and one with an xAP target. Under
// the xAP host only the units, whose xAP targets show there.
std::string RenderFamilies(bool xapHost) {
    std::vector<std::string> lines = AwkwardSettings();
    lines.push_back("127.0.0.4=\"Porch,Q21,B1,B2,3,1,xap<&'>.porch\"");
    lines.push_back("127.0.0.5=\"Attic,Q31,C1,,x,1,attic.target\"");
    SetupBed bed(IniText(lines));
    bed.state.IsSetup = xapHost;
    FastString fs;
    AddZephras(bed.state, fs);
    if (!xapHost) AddSlideGroup(bed.state, fs);
    std::string text = fs.value();
    for (std::size_t at = text.find("><"); at != std::string::npos; at = text.find("><", at + 2))
        text.insert(at + 1, "\n");
    return text + "\n";
}

TEST(SetupSections, FamiliesRenderedAsKept) {
    ExpectGolden("setup-families.html", RenderFamilies(false));
    ExpectGolden("setup-families-xap.html", RenderFamilies(true));
}

TEST(SetupSections, APostOfEveryFieldStoredAsKept) {
    StatusBed bed(IniText(AwkwardSettings()));
    // Every text field gets its own name back in a changed form; every check box named here is
    // ticked, the others are not posted. No unit keeps a slide group, so that the resizer (which
    // other tests of the run may register) is never asked for.
    const std::vector<std::string> texts = {"VoiceCB",
                                            "FontColor",
                                            "PushDelay",
                                            "CommandRetries",
                                            "UDPDelay",
                                            "StyleSheet",
                                            "Background",
                                            "PowerCycleInterval",
                                            "PowerCycleTime",
                                            "SleepInterval",
                                            "DefaultPushPage",
                                            "PowerUpTime",
                                            "WindowsShare",
                                            "SlideshowNoMotionTime",
                                            "LEDMotionTime",
                                            "TextStyle",
                                            "TextForeground",
                                            "TextBackground",
                                            "TextFontSize",
                                            "LinksFile",
                                            "MaxPixels",
                                            "SlideshowPath",
                                            "ImagePath",
                                            "ImageServer",
                                            "UpdateInterval",
                                            "Links",
                                            "LineNumber",
                                            "CIDEventGroup",
                                            "CIDCommPort",
                                            "CIDPortString",
                                            "CIDModemInitString",
                                            "CIDNamePrefix",
                                            "CIDNumberPrefix",
                                            "FriendsLocation",
                                            "Location0",
                                            "Power0",
                                            "Motion0",
                                            "SlideASP3",
                                            "Dwell3",
                                            "ServerPathGroup1",
                                            "FolderPathGroup1"};
    const std::vector<std::string> ticked = {
        "Menu", "Check1_4",  "TCPDebug",        "noResponseAction", "StartSlildeshow",
        "gif",  "Wallpaper", "InsertModemCrLf", "GenerateCIDEvent", "UseHSPPhoneBook",
        "CID0"};
    // The server port must be a port number, the server's and the unit's addresses addresses.
    std::string body =
        "clientinput=yes&clientvalue=yes&Save=x&TCPServerOption=0&Option1=0&ServerPort=8090&HSIP=host-x.lan&"
        "IP0=kitchen-pc:8080";
    for (const std::string& name : texts) body += "&" + name + "=" + UrlEncode("<" + name + " & 'x'>");
    for (const std::string& name : ticked) body += "&" + name + "=1";
    // The page's own note of what it showed and of the boxes it showed come with the post, as a
    // browser sends them: a box named there and not posted is unticked.
    for (const Field& f : Inputs(bed.Get()))
        if (f.name == "drawn" || f.name == "boxes") body += "&" + f.name + "=" + UrlEncode(f.value);
    bed.page(body + "&ShowSetup=1");
    ExpectGolden("setup-sections-saved.ini", bed.Ini());
}

TEST(SetupSections, AFirstSaveWritesEveryKeyInItsForm) {
    SetupBed bed;
    const std::string voice = bed.Dialog().aVoiceCB.Text();
    bed.Dialog().SaveFromWebPage();
    std::string text = bed.Ini();
    const std::size_t at = text.find("T2WVoice=\"" + voice + "\"");
    ASSERT_NE(at, std::string::npos);
    text.replace(at + 10, voice.size(), "VOICE");
    ExpectGolden("first-save.ini", text);
}

}  // namespace
}  // namespace zephra::testing
