// The script operations as host scripts call them, by name on the plug-in object, against
// three appliances of the appliance stand-in: what each one sends compared with the
// appliance member it stands for, the one-text conversions, the results and their types,
// the lookups, and the errors that reach the calling script.

#include "host/ScriptOperations.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "automation/CallByName.h"
#include "core/tests/ThreeAppliances.h"
#include "host/OneString.h"
#include "host/tests/RevaTestBed.h"
#include "script/ScriptControl.h"
#include "windows/testing/ErrorNumber.h"

namespace zephra {
namespace {

using Args = std::initializer_list<vb::Variant>;

// A command token: a number from 1 to 2, as text.
bool IsTokenText(const std::string& s) {
    return vb::IsNumeric(vb::Variant(s)) && vb::CDbl(vb::Variant(s)) >= 1 && vb::CDbl(vb::Variant(s)) <= 2;
}

// A web request as the host's web server hands it to page code.
class Request : public automation::Dispatch<Request> {
public:
    static constexpr std::string_view className = "Request";
    static void describe(automation::Members<Request>& m) { m.method<&Request::ServerVariables>("ServerVariables"); }
    std::string ServerVariables(const std::string& name) { return name == "REMOTE_ADDR" ? address : ""; }
    std::string address;
};

class ScriptOperations : public testing::ThreeAppliances {
protected:
    void StartPowered(const std::string& settings = "", const Strings& fields = {"A3,A7,1,0", "A4,A7,1,0", "A5,,0,0"}) {
        Start(settings, true, fields);
        for (const char* device : {"A3", "A4", "A5"}) bed.host->ExecX10(device, "on");
    }
    vb::Variant Call(const std::string& member, Args args = {}) {
        return automation::callByName(vb::Variant(vb::ObjectRef(plugin)), member, args);
    }
    // The operation on "kitchen" sends the hall what `same` sends it when called on the hall.
    void ExpectSame(const std::string& member, Args args, const std::function<void(Zephra&)>& same,
                    bool sendsSomething = true) {
        SCOPED_TRACE(member);
        Call(member, args);
        same(Z(1));
        const Strings pages = Sent();
        EXPECT_EQ(Of(pages, "kitchen"), Of(pages, "hall"));
        EXPECT_EQ(Of(pages, "den"), Strings{});
        if (sendsSomething) {
            EXPECT_FALSE(Of(pages, "kitchen").empty());
        }
    }
    static bool IsToken(const std::string& s) { return IsTokenText(s); }

    std::shared_ptr<reva> plugin = testing::RevaOver(bed.state);
};

// A member call on the hall with a tag of its own.
template <class F>
std::function<void(Zephra&)> OnHall(F f) {
    return [f](Zephra& z) { f(z, "h"); };
}

TEST(OneString, SplitsAtTheFirstSemicolonAndConvertsAsTheLanguageDoes) {
    const OneString twoParts = SplitOneString("kitchen;a;b");
    EXPECT_EQ(twoParts.names, "kitchen");
    EXPECT_EQ(twoParts.rest, "a;b");
    const OneString none = SplitOneString("awake");
    EXPECT_EQ(none.names, "");
    EXPECT_EQ(none.rest, "awake");
    EXPECT_EQ(SplitOneString(";hello").names, "");
    EXPECT_EQ(SplitOneString(";hello").rest, "hello");

    const std::pair<const char*, int16_t> numbers[] = {
        {"40", 40}, {"2.5", 2}, {"3.5", 4},   {"-2.5", -2}, {" 4 0", 40}, {"4\t1\n", 41},   {"12abc", 12},
        {"abc", 0}, {"", 0},    {"&H1E", 30}, {"&O17", 15}, {"1E2", 100}, {"32767", 32767}, {"-32768", -32768}};
    for (const auto& [text, value] : numbers) EXPECT_EQ(WholeNumberOf(text), value) << text;
    EXPECT_EQ(windows::testing::errorNumber([] { WholeNumberOf("32768"); }), 6);
    EXPECT_EQ(windows::testing::errorNumber([] { WholeNumberOf("1E9"); }), 6);

    const std::pair<const char*, bool> truths[] = {{"x;True", true},   {"x;false", false}, {"x;FALSE", false},
                                                   {"x;0", false},     {"x;-1", true},     {"x;2.5", true},
                                                   {"nonsense", true}, {"", true}};
    for (const auto& [text, value] : truths) EXPECT_EQ(TruthOf(SplitOneString(text)), value) << text;
    EXPECT_EQ(windows::testing::errorNumber([] { TruthOf(SplitOneString("x;maybe")); }), 13);
    EXPECT_EQ(windows::testing::errorNumber([] { TruthOf(SplitOneString("x;")); }), 13);
}

TEST_F(ScriptOperations, EachCommandSendsWhatItsApplianceMemberSends) {
    StartPowered();
    ExpectSame("ZephraWav", {"kitchen", "chime.wav"}, OnHall([](Zephra& z, auto t) { z.Wav("chime.wav", t); }));
    ExpectSame("ZephraSounds", {"kitchen", int16_t{3}}, OnHall([](Zephra& z, auto t) { z.SetSounds(3, t); }));
    ExpectSame("ZephraSoundsVolume", {"kitchen", int16_t{50}},
               OnHall([](Zephra& z, auto t) { z.SetSoundsVolume(50, t); }));
    ExpectSame("ZephraBacklight", {"kitchen", "off"}, OnHall([](Zephra& z, auto t) { z.SetBacklight("off", t); }));
    ExpectSame("ZephraScreen", {"kitchen", "on"}, OnHall([](Zephra& z, auto t) { z.SetBacklight("on", t); }));
    ExpectSame("ZephraRefreshSleepStatus", {"kitchen"}, OnHall([](Zephra& z, auto t) { z.RefreshSleepStatus(t); }));
    ExpectSame("ZephraToggleBrowserFullscreen", {"kitchen"},
               OnHall([](Zephra& z, auto t) { z.ToggleBrowserFullScreen(t); }));
    ExpectSame("ZephraVolume", {"kitchen", int16_t{40}}, OnHall([](Zephra& z, auto t) { z.SetVolume(40, t); }));
    ExpectSame("ZephraSetBrowserScreen", {"kitchen", true},
               OnHall([](Zephra& z, auto t) { z.SetBrowserScreen(true, t); }));
    ExpectSame("ZephraPushIISPage", {"kitchen", "example.test/a.htm"},
               OnHall([](Zephra& z, auto t) { z.PushIISPage("example.test/a.htm", t); }));
    ExpectSame("ZephraPushPage", {"kitchen", "start.htm"},
               OnHall([](Zephra& z, auto t) { z.PushPage("start.htm", t); }));
    ExpectSame("ZephraTopLed", {"kitchen", "blink"}, OnHall([](Zephra& z, auto t) { z.SetTopLED("blink", t); }));
    ExpectSame("ZephraMailLed", {"kitchen", "on"}, OnHall([](Zephra& z, auto t) { z.SetMailLED("on", t); }));
    ExpectSame("ZephraExecute", {"kitchen", "beep.shtml?1"},
               OnHall([](Zephra& z, auto t) { z.Execute("beep.shtml?1", t); }), false);
    ExpectSame("ZephraSendCommand", {"kitchen", "cmd", "parm", "10.9.9.9"},
               OnHall([](Zephra& z, auto t) { z.SendUDPCommand("cmd", "parm", t); }), false);
    ExpectSame("ZephraWaitsecs", {"kitchen", int16_t{1}}, OnHall([](Zephra& z, auto t) { z.SetWaitsecs(1, t); }),
               false);
    ExpectSame("ZephraSleep", {"kitchen", "sleep"}, OnHall([](Zephra& z, auto t) { z.SetSleep("sleep", t); }));
    ExpectSame("ZephraSleep", {"kitchen", "awake"}, OnHall([](Zephra& z, auto t) { z.SetSleep("awake", t); }));

    // The LED words: the state from "blink", else "off", else "on"; the LED from "mail",
    // else "top", else both.
    ExpectSame("ZephraLED", {"kitchen", "Mail BLINK"}, OnHall([](Zephra& z, auto t) { z.SetMailLED("blink", t); }));
    ExpectSame("ZephraLED", {"kitchen", "all OFF"}, OnHall([](Zephra& z, auto t) {
                   z.SetTopLED("off", t);
                   z.SetMailLED("off", t);
               }));
    ExpectSame("ZephraLED", {"kitchen", ""}, OnHall([](Zephra& z, auto t) {
                   z.SetTopLED("on", t);
                   z.SetMailLED("on", t);
               }));
    ExpectSame("ZephraLED", {"kitchen", "top blink off"}, OnHall([](Zephra& z, auto t) { z.SetTopLED("blink", t); }));
    EXPECT_TRUE(bed.Log().empty());
}

TEST_F(ScriptOperations, OneTextTwinsActAsTheirTwinsWithTheConvertedValue) {
    StartPowered();
    struct Twin {
        const char* ex;
        const char* text;
        const char* twin;
        vb::Variant value;
    };
    const Twin twins[] = {
        {"ZephraSleepEx", "kitchen;always awake", "ZephraSleep", vb::Variant("always awake")},
        {"ZephraVolumeEx", "kitchen;40", "ZephraVolume", vb::Variant(int16_t{40})},
        {"ZephraVolumeEx", "kitchen;2.5", "ZephraVolume", vb::Variant(int16_t{2})},
        {"ZephraVolumeEx", "kitchen;3.5", "ZephraVolume", vb::Variant(int16_t{4})},
        {"ZephraVolumeEx", "kitchen;loud", "ZephraVolume", vb::Variant(int16_t{0})},
        {"ZephraSoundsEx", "kitchen;7", "ZephraSounds", vb::Variant(int16_t{7})},
        {"ZephraSoundsVolumeEx", "kitchen;&H4B", "ZephraSoundsVolume", vb::Variant(int16_t{75})},
        {"ZephraSetBrowserScreenEx", "kitchen;false", "ZephraSetBrowserScreen", vb::Variant(false)},
        {"ZephraSetBrowserScreenEx", "kitchen;-1", "ZephraSetBrowserScreen", vb::Variant(true)},
        {"ZephraSetBrowserScreenEx", "kitchen;0", "ZephraSetBrowserScreen", vb::Variant(false)},
        {"ZephraLEDEx", "kitchen;mail blink", "ZephraLED", vb::Variant("mail blink")},
        {"ZephraBacklightEx", "kitchen;off", "ZephraBacklight", vb::Variant("off")},
        {"ZephraPushIISPageEx", "kitchen;example.test/b.htm", "ZephraPushIISPage", vb::Variant("example.test/b.htm")},
        {"ZephraPushPageEx", "kitchen;start.htm", "ZephraPushPage", vb::Variant("start.htm")},
        {"ZephraTopLedEx", "kitchen;on", "ZephraTopLed", vb::Variant("on")},
        {"ZephraMailLedEx", "kitchen;blink", "ZephraMailLed", vb::Variant("blink")},
        {"ZephraWavEx", "kitchen;a.wav", "ZephraWav", vb::Variant("a.wav")},
    };
    for (const Twin& t : twins) {
        SCOPED_TRACE(std::string(t.ex) + " " + t.text);
        Call(t.ex, {t.text});
        Call(t.twin, {"hall", t.value});
        const Strings pages = Sent();
        EXPECT_FALSE(Of(pages, "kitchen").empty());
        EXPECT_EQ(Of(pages, "kitchen"), Of(pages, "hall"));
        EXPECT_EQ(Of(pages, "den"), Strings{});
    }

    // Without ";" the whole text is the value, for every appliance; a truth value is then true.
    Call("ZephraVolumeEx", {"30"});
    Call("ZephraSetBrowserScreenEx", {"whatever"});
    const Strings pages = Sent();
    for (const char* name : {"kitchen", "hall"}) EXPECT_EQ(Of(pages, name).size(), 2u) << name;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Z(i).Volume(), 30) << i;

    // Split forms that need an exact number of parts.
    EXPECT_EQ(vb::CStr(Call("ZephraSendCommandEx", {"kitchen;cmd;parm"})), "");
    EXPECT_EQ(vb::CStr(Call("ZephraSendCIDEx", {"kitchen;Robin"})), "");
    EXPECT_EQ(vb::CStr(Call("ZephraSendCIDEx", {"Robin"})), "");
    EXPECT_EQ(Sent(), Strings{});
    // Execute and commands go out as datagrams only; queued all the same, with the text
    // after the first ";" whole.
    bed.state.settings.DebugLog = true;
    bed.host->ClearCalls();
    Call("ZephraExecuteEx", {"kitchen;beep.shtml?2;x"});
    Call("ZephraSendCommandEx", {"kitchen;cmd;parm;10.9.9.9"});
    Sent();
    Strings queued;
    for (const std::string& line : bed.Log())
        if (line.find("|SendTheCommand=") != std::string::npos) queued.push_back(line);
    EXPECT_EQ(queued, (Strings{"dkvZephra Debug kitchen|SendTheCommand=executebeep.shtml?2;x",
                               "dkvZephra Debug kitchen|SendTheCommand=sendcmdcmd~parm"}));
}

TEST_F(ScriptOperations, ResultsAreTokensOfTheirTypeOrEmptyWhenAnApplianceIsOff) {
    StartPowered();
    const vb::Variant token = Call("ZephraWav", {"kitchen,hall", "chime.wav"});
    EXPECT_EQ(vb::TypeName(token), "String");
    EXPECT_TRUE(IsToken(vb::CStr(token)));
    EXPECT_TRUE(vb::CBool(Call("ZephraCommandBusy", {"", token})));
    EXPECT_TRUE(vb::CBool(Call("ZephraCommandBusyEx", {"hall;" + vb::CStr(token)})));
    EXPECT_FALSE(vb::CBool(Call("ZephraCommandBusy", {"den", token})));
    Sent();
    EXPECT_FALSE(vb::CBool(Call("ZephraCommandBusy", {"", token})));

    const vb::Variant pushed = Call("ZephraPushPage", {"kitchen", "start.htm"});
    EXPECT_EQ(vb::TypeName(pushed), "String");
    EXPECT_TRUE(IsToken(vb::CStr(pushed)));
    EXPECT_TRUE(IsToken(vb::CStr(Call("ZephraWaitsecsEx", {"kitchen;1"}))));
    EXPECT_EQ(vb::CStr(Call("ZephraExecute", {"kitchen", "beep.shtml"})), "");
    EXPECT_EQ(vb::CStr(Call("ZephraSendCommand", {"kitchen", "a", "b", "c"})), "");
    EXPECT_TRUE(IsToken(vb::CStr(Call("ZephraWav", {"nobody", "chime.wav"}))));  // nothing selected
    Sent();

    // The hall is switched off: the others are served, and the answer is "".
    bed.host->ExecX10("A4", "off");
    EXPECT_EQ(vb::CStr(Call("ZephraWav", {"kitchen,hall,den", "chime.wav"})), "");
    const Strings played = Sent();
    EXPECT_EQ(Of(played, "kitchen").size(), 1u);
    EXPECT_EQ(Of(played, "hall"), Strings{});
    EXPECT_EQ(Of(played, "den").size(), 1u);

    // The full-screen push: the page untagged, a wait, then the toggle with the token.
    const std::string full = vb::CStr(Call("ZephraPushFullscreen", {"kitchen", "start.htm"}));
    EXPECT_TRUE(IsToken(full));
    const std::vector<std::string> tags = vb::Split(Z(0).QueuedTags(), ",");
    ASSERT_EQ(tags.size(), 4u);
    EXPECT_NE(tags[1], full);
    EXPECT_NE(tags[2], full);
    EXPECT_EQ(tags[3], full);

    for (const char* mp3 : {"ZephraMP3Load", "ZephraMP3", "ZephraMP3Save"})
        EXPECT_EQ(vb::CStr(Call(mp3, {"kitchen", "x"})), "") << mp3;
    EXPECT_EQ(vb::CStr(Call("ZephraMP3Clear", {"kitchen"})), "");
    EXPECT_EQ(vb::CStr(Call("ZephraMP3Status", {"kitchen"})), "");
}

TEST_F(ScriptOperations, GettersListsAndLookups) {
    StartPowered();
    Z(0).LetSoundsVolume(50);
    Z(0).LetBacklight("off");
    Z(0).LetTopLED("blink");
    auto is = [&](const char* member, const char* which, const vb::Variant& expected) {
        const vb::Variant v = Call(member, {which});
        EXPECT_EQ(vb::TypeName(v), vb::TypeName(expected)) << member << " " << which;
        EXPECT_EQ(vb::CStr(v), vb::CStr(expected)) << member << " " << which;
    };
    is("ZephraSoundsVolumeStatus", "KITCHEN ", int16_t{50});
    is("ZephraBacklightStatus", "kitchen", "Off");
    is("ZephraBacklightStatus", "hall", "On");
    is("ZephraTopLEDStatus", "127.0.0.2", "blink");
    is("ZephraSleepStatus", "hall", "awake");
    is("ZephraGetSlideGroup", "hall", int16_t{1});
    is("ZephraSlideshowStatus", "den", false);
    for (const char* nobody : {"nobody"}) {
        is("ZephraSlideshowStatus", nobody, false);
        is("ZephraSoundsVolumeStatus", nobody, int16_t{0});
        is("ZephraVolumeStatus", nobody, int16_t{-1});  // not known, as for an appliance that has told nothing
        is("ZephraBacklightStatus", nobody, "");
        is("ZephraMailLEDStatus", nobody, "");
        is("ZephraTopLEDStatus", nobody, "");
        is("ZephraSleepStatus", nobody, "");
        is("ZephraPluginDisableStatus", nobody, false);
        is("ZephraGetSlideGroup", nobody, int16_t{0});
    }

    EXPECT_EQ(vb::CStr(Call("ZephraPluginDisableEx", {"kitchen,den;1"})), "");
    is("ZephraPluginDisableStatus", "den", true);
    is("ZephraPluginDisableStatus", "hall", false);
    Call("ZephraSetSlideGroupEx", {"den;3"});
    is("ZephraGetSlideGroup", "den", int16_t{3});

    EXPECT_EQ(vb::CStr(Call("ZephraNames")), "kitchen,hall,den");
    EXPECT_EQ(vb::CStr(Call("ZEPHRAIPS")), "127.0.0.2,127.0.0.3,127.0.0.4");
    EXPECT_EQ(vb::CStr(Call("ZephraIP", {" HALL "})), "127.0.0.3");
    EXPECT_EQ(vb::CStr(Call("ZephraIP", {"127.0.0.3"})), "");
    EXPECT_EQ(vb::CStr(Call("ZephraIPLookup", {" 127.0.0.4 "})), "den");
    auto request = std::make_shared<Request>();
    request->address = "127.0.0.3";
    EXPECT_EQ(vb::CStr(Call("ZephraWhoSent", {vb::Variant(vb::ObjectRef(request))})), "hall");
    request->address = "127.0.0.9";
    EXPECT_EQ(vb::CStr(Call("ZephraWhoSent", {vb::Variant(vb::ObjectRef(request))})), "");
    EXPECT_FALSE(vb::CBool(Call("ZephraIsSpeaking", {""})));
}

TEST_F(ScriptOperations, SlideshowCoordinationAndTheQueueReset) {
    StartPowered();
    Z(0).LetEnableSlideshow(1);
    EXPECT_FALSE(vb::CBool(Call("ZephraSlideshowCoordination", {"127.0.0.2", "links"})));
    EXPECT_FALSE(Z(0).Slideshow());
    Z(0).LetMailLED("on");
    EXPECT_TRUE(vb::CBool(Call("ZephraSlideshowCoordination", {"127.0.0.2", "next"})));
    EXPECT_TRUE(Z(0).Slideshow());
    EXPECT_EQ(Z(0).MailLED(), "off");
    EXPECT_EQ(Z(0).TopLED(), "Off");
    EXPECT_TRUE(vb::CBool(Call("ZephraSlideshowCoordination", {"10.0.0.1", "next"})));
    bed.state.SlideshowMenuState = 2;
    EXPECT_FALSE(vb::CBool(Call("ZephraSlideshowCoordination", {"127.0.0.2", "next"})));
    Sent();

    Z(1).LetPowerCycleCount(2);
    Call("ZephraWav", {"", "a.wav"});
    Call("ZephraWav", {"", "b.wav"});
    Call("ZephraResetQueue");
    EXPECT_EQ(Z(1).PowerCycleCount(), 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Z(i).CommandQueue().size(), 1u) << i;
}

TEST(ScriptOperationsWithoutAppliances, AnswerTheirNeutralValues) {
    testing::RevaTestBed bed;
    auto call = [&](const std::string& member, Args args = {}) { return bed.Call(member, args); };
    EXPECT_EQ(vb::CStr(call("ZephraNames")), "");
    EXPECT_EQ(vb::CStr(call("ZEPHRAIPS")), "");
    EXPECT_EQ(vb::CStr(call("ZephraNextPicture")), "");
    EXPECT_EQ(vb::CInt(call("ZephraGetSlideGroup", {""})), 0);
    EXPECT_EQ(vb::CStr(call("ZephraTopLEDStatus", {""})), "");
    call("ZephraResetQueue");
    call("ZephraSetSlideGroup", {"", int16_t{2}});
    call("ZephraSorvexEx", {"play"});
    EXPECT_TRUE(IsTokenText(vb::CStr(call("ZephraWav", {"", "a.wav"}))));
    EXPECT_FALSE(vb::CBool(call("ZephraIsSpeaking", {""})));
    EXPECT_EQ(vb::CStr(call("ZephraIPLookup", {""})), "");
    // The rest are reachable by name too, and find nothing to do.
    for (const char* each : {"ZephraTest", "ZephraCyclePower", "ZephraSlideshow", "ZephraRefreshSleepStatus"})
        EXPECT_TRUE(IsTokenText(vb::CStr(call(each, {""})))) << each;
    call("ZephraSpeakEx", {";hello"});
    call("ZephraTextEx", {";hello"});
    call("ZephraSendCID", {"", "Robin", "555"});
    call("ZephraSendHspCID", {""});
    call("ZephraSendHspBrowserCID", {""});
    EXPECT_TRUE(call("ZephraZCIDEx", {"Robin"}).isEmpty());
    call("SendCID", {"Robin", "555"});
    EXPECT_EQ(vb::CStr(call("SendCommand", {"a", "b", "c"})), "");
    call("ZephraSorvex", {"", "stop"});
    call("ZephraReloadSettings");
    EXPECT_EQ(vb::Err().Number, 0);

    // Ten speech files in turn; the speech above, for no appliance, took none (each appliance
    // speaks from files of its own).
    EXPECT_EQ(bed.state.TempFileCounter, 0);
    EXPECT_FALSE(std::filesystem::exists(bed.app.path() / "HTML/ZephraTemp/ZephraTempFile1.wav"));
    bed.state.TempFileCounter = 0;
    EXPECT_EQ(vb::CStr(call("ZephraTextToWav", {"one"})), "ZephraTempFile1.wav");
    EXPECT_TRUE(std::filesystem::exists(bed.app.path() / "HTML/ZephraTemp/ZephraTempFile1.wav"));
    bed.state.TempFileCounter = 9;
    EXPECT_EQ(vb::CStr(call("ZephraTextToWav", {"ten"})), "ZephraTempFile0.wav");
    EXPECT_EQ(vb::CInt(call("ZephraWavTime", {"ZephraTempFile0.wav"})), 0);
}

TEST_F(ScriptOperations, FailuresReachTheCallingScript) {
    StartPowered("", {",A7,1,0", "A4,A7,1,0", "A5,,0,0"});  // the kitchen without power device
    script::ScriptControl control;
    control.AddObject("plugin", plugin);
    auto errorOf = [&](const std::string& statement) {
        control.ExecuteStatement("On Error Resume Next\nErr.Clear\n" + statement +
                                 "\nn = Err.Number\nd = Err.Description");
        return std::to_string(vb::CLng(control.Eval("n"))) + " " + vb::CStr(control.Eval("d"));
    };
    EXPECT_EQ(errorOf("r = plugin.ZephraVolumeEx(\"kitchen;40000\")"), "6 Overflow");
    EXPECT_EQ(errorOf("r = plugin.ZephraSetBrowserScreenEx(\"kitchen;maybe\")"), "13 Type mismatch");
    EXPECT_EQ(errorOf("r = plugin.ZephraSoundsEx(\"kitchen;12\")"), "0 ");
    Sent();

    // The host fails while the hall's power device is asked for: the kitchen was served,
    // the den after it is not, and nothing is logged.
    bed.host->FailNext("isOn", vb::Error(5, "Invalid procedure call or argument"));
    bed.host->ClearCalls();
    EXPECT_EQ(errorOf("r = plugin.ZephraWav(\"kitchen,hall,den\", \"a.wav\")"), "5 Invalid procedure call or argument");
    const Strings played = Sent();
    EXPECT_EQ(Of(played, "kitchen").size(), 1u);
    EXPECT_EQ(Of(played, "hall"), Strings{});
    EXPECT_EQ(Of(played, "den"), Strings{});
    EXPECT_TRUE(bed.Log().empty());
}

}  // namespace
}  // namespace zephra
