// The appliance's public members as scripts reach them, by name, against the appliance
// stand-in and the host double: the effect of each in the stand-in's log and on the host's
// devices, the busy test and the bounded wait on the manual clock, and the xAP handlers.

#include "core/Zephra.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/SpeechMaker.h"

#include "automation/CallByName.h"
#include "core/StatusText.h"
#include "core/tests/ApplianceFixture.h"
#include "core/tests/XapTestMessage.h"
#include "homeseer/HtmlServer.h"

namespace zephra {
namespace {

using automation::callByName;
using automation::getProperty;
using automation::letProperty;
using testing::XapTestMessage;
using Strings = std::vector<std::string>;
using V = vb::Variant;

class PublicMembers : public testing::ApplianceFixture {
protected:
    void StartServed(bool udp = false) {
        Start("HomeseerIP=127.0.0.1\nPushDelay=1", {}, udp);
        homeseer::HtmlServer::Options options;
        options.root = bed.app.path() / "HTML";
        web = std::make_unique<homeseer::HtmlServer>(options);
        bed.state.settings.svrport = std::to_string(web->port());
        bed.state.settings.FontColor = "white";
        z = kitchen;
    }
    std::string Server() const { return "127.0.0.1:" + std::to_string(web->port()); }
    std::string Call(std::string_view name, std::initializer_list<V> args = {}) {
        return vb::CStr(callByName(z, name, args));
    }
    std::string Get(std::string_view name) { return vb::CStr(getProperty(z, name)); }
    // The stand-in's log lines of the page requests, in order, once the queue is empty.
    Strings Pages() {
        EXPECT_TRUE(Idle());
        Strings found;
        for (const std::string& line : sim->Lines(bed.loop, std::chrono::milliseconds(300)))
            if (line.rfind("kitchen /", 0) == 0 || line.rfind("kitchen udp command", 0) == 0 ||
                line.rfind("kitchen udp cid", 0) == 0)
                found.push_back(line.substr(0, line.find(" from=")));
        return found;
    }

    std::unique_ptr<homeseer::HtmlServer> web;
    V z;
};

TEST_F(PublicMembers, AreInTheOrderOfTheDispatchTable) {
    StartServed();
    const Strings order = {"ReceiveData",
                           "SendTheCommand",
                           "SendSpeak",
                           "Timeout",
                           "Sleep",
                           "SetSleep",
                           "SleepStatus",
                           "Asleep",
                           "Awake",
                           "IP",
                           "Computer",
                           "Name",
                           "Backlight",
                           "SetBacklight",
                           "MailLED",
                           "SetMailLED",
                           "TopLED",
                           "SetTopLED",
                           "SetWaitsecs",
                           "Waitsecs",
                           "Sounds",
                           "SetSounds",
                           "SoundsVolume",
                           "SetSoundsVolume",
                           "BrowserFullScreen",
                           "SetBrowserScreen",
                           "ToggleBrowserFullScreen",
                           "CommandBusy",
                           "ResetQueue",
                           "DeviceCodeBase",
                           "PowerDevice",
                           "MotionDevice",
                           "MotionOffMinutes",
                           "Wav",
                           "RefreshSleepStatus",
                           "PushIISPage",
                           "PushPage",
                           "Push",
                           "Display",
                           "Speak",
                           "WavTime",
                           "SpeakTime",
                           "SetVolume",
                           "Volume",
                           "isSpeaking",
                           "WaitForCommandComplete",
                           "PushText",
                           "PushTextMessage",
                           "CID",
                           "CyclePower",
                           "ShowSlideshow",
                           "Slideshow",
                           "SlideshowTime",
                           "X10Server",
                           "PowerCycleCount",
                           "EnableSlideshow",
                           "DisablePlugin",
                           "DoCID",
                           "SlideGroupIndex",
                           "SlideGroup",
                           "SlideCount",
                           "MotionStartTime",
                           "PowerCycleInProgress",
                           "Execute",
                           "SendUDPCommand",
                           "SendUDPCID",
                           "ShowQueue",
                           "Shutdown",
                           "SyncWithHomeseer",
                           "ReceiveXapMessageOSD",
                           "ReceiveXapMessageTTS",
                           "hsExecX10"};
    vb::DispId previous = -1;
    for (const std::string& name : order) {
        const vb::DispId id = kitchen->memberId(name);
        EXPECT_GT(id, previous) << name;
        previous = id;
    }
}

TEST_F(PublicMembers, EveryMemberTakesItsEffect) {
    StartServed(true);
    bed.app.write("HTML/ding.wav", std::string(31334, '\0'));
    EXPECT_EQ(Get("Name"), "kitchen");
    EXPECT_EQ(Get("IP"), "127.0.0.2");
    EXPECT_EQ(Get("Computer"), sim->Http());
    EXPECT_EQ(Get("DeviceCodeBase"), "[1");
    EXPECT_EQ(Get("PowerDevice"), "A3");

    // Sleep, backlight, LEDs.
    letProperty(z, "Sleep", V("Awake"));
    EXPECT_EQ(Call("SetSleep", {V("sleep"), V("t1")}), "t1");
    EXPECT_EQ(Get("Sleep"), "sleep");
    EXPECT_FALSE(vb::CBool(callByName(z, "SleepStatus")));
    EXPECT_EQ(Pages(), (Strings{"kitchen /screen.shtml?1 ok awake=1", "kitchen /screen.shtml?0 ok awake=0"}));
    EXPECT_TRUE(vb::CBool(callByName(z, "Asleep")));
    EXPECT_FALSE(vb::CBool(callByName(z, "Awake")));
    Call("SetSleep", {V("awake"), V("")});
    letProperty(z, "Backlight", V("off"));
    EXPECT_EQ(Get("Backlight"), "Backlight Off");
    Call("SetBacklight", {V("on"), V("b")});
    letProperty(z, "MailLED", V("on"));
    EXPECT_EQ(Get("MailLED"), "on");
    Call("SetMailLED", {V("blink"), V("m")});
    letProperty(z, "TopLED", V("off"));
    Call("SetTopLED", {V("on"), V("t")});
    EXPECT_EQ(Get("TopLED"), "on");
    EXPECT_EQ(Pages(), (Strings{"kitchen /screen.shtml?p ok poll=0", "kitchen /screen.shtml?p ok poll=0",
                                "kitchen /screen.shtml?1 ok awake=1", "kitchen /scrOff.shtml ok backlight=off",
                                "kitchen /scrOn.shtml ok backlight=on", "kitchen /led.shtml?m1 ok mailled=on",
                                "kitchen /led.shtml?m2 ok mailled=blink", "kitchen /led.shtml?t0 ok topled=off",
                                "kitchen /led.shtml?t1 ok topled=on"}));
    EXPECT_EQ(bed.host->DeviceString("[5"), FormatStatus(bed.state, 15));
    EXPECT_EQ(bed.host->DeviceString("[4"), FormatStatus(bed.state, 11));

    // Pauses, sounds, volumes, the browser; numbers given as text are converted.
    EXPECT_EQ(Call("SetWaitsecs", {V(int16_t{1}), V("w")}), "w");
    callByName(z, "Waitsecs", {V(int16_t{1})});
    letProperty(z, "Sounds", V("3"));
    EXPECT_EQ(vb::CLng(getProperty(z, "Sounds")), 3);
    Call("SetSounds", {V(int16_t{4}), V("s")});
    letProperty(z, "SoundsVolume", V(25.4));
    EXPECT_EQ(vb::CLng(getProperty(z, "SoundsVolume")), 25);
    Call("SetSoundsVolume", {V(int16_t{75}), V("")});
    Call("SetVolume", {V(int16_t{60}), V("v")});
    letProperty(z, "Volume", V(int16_t{70}));
    EXPECT_EQ(vb::CLng(getProperty(z, "Volume")), 70);
    EXPECT_TRUE(vb::CBool(getProperty(z, "BrowserFullScreen")));
    letProperty(z, "BrowserFullScreen", V(false));
    EXPECT_EQ(Call("SetBrowserScreen", {V(false), V("x")}), "0");
    Call("ToggleBrowserFullScreen", {V("f")});
    EXPECT_EQ(Pages(),
              (Strings{"kitchen /beep.shtml?0%203 ok sound=3", "kitchen /beep.shtml?0%204 ok sound=4",
                       "kitchen /beep.shtml?4%2025 ok soundsvolume=25", "kitchen /beep.shtml?4%2075 ok soundsvolume=75",
                       "kitchen /volume.shtml?60 ok volume=60", "kitchen /volume.shtml?70 ok volume=70",
                       "kitchen /cgi-bin/firef4 ok fullscreen=0", "kitchen /cgi-bin/firef4 ok fullscreen=1"}));
    EXPECT_EQ(bed.host->DeviceString("[7"), FormatStatus(bed.state, 22));
    EXPECT_EQ(bed.host->DeviceString("[8"), FormatValue(bed.state, 40, "75%"));
    EXPECT_EQ(bed.host->DeviceString("[9"), FormatValue(bed.state, 45, "70%"));

    // Pages, files and speech.
    Call("Wav", {V("ding.wav"), V("w")});
    EXPECT_EQ(vb::CLng(callByName(z, "WavTime", {V("ding.wav")})), 2);
    Call("RefreshSleepStatus", {V("r")});
    Call("PushIISPage", {V(Server() + "/start.htm"), V("")});
    Call("PushPage", {V("start.htm"), V("")});
    letProperty(z, "Push", V("start.htm"));
    EXPECT_EQ(Get("Push"), "start.htm");
    letProperty(z, "Display", V("shown"));
    EXPECT_EQ(Get("Display"), "shown");
    Call("Speak", {V("Hello"), V("sp")});
    Call("SendSpeak", {V("Goodbye"), V("")});
    EXPECT_GT(vb::CLng(callByName(z, "SpeakTime", {V("Hello there")})), 0);
    const Strings served = Pages();
    const std::string wav = "kitchen /loadWav.shtml?http://" + Server();
    ASSERT_EQ(served.size(), 10u);
    EXPECT_EQ(served[0].rfind(wav + "/ding.wav ", 0), 0u) << served[0];
    EXPECT_EQ(served[1], "kitchen /screen.shtml?p ok poll=1");
    EXPECT_EQ(served[2], "kitchen /screen.shtml?1 ok awake=1");
    EXPECT_EQ(served[3].rfind("kitchen /gotoURL.shtml?M=GOTO_URL&S=http://" + Server() + "/start.htm ok", 0), 0u);
    EXPECT_EQ(served[8].rfind(wav + "/ZephraTemp/ZephraTempFilekitchen1.wav ok", 0), 0u);
    EXPECT_NE(served[9].find("format=\"pcm 22050Hz 16bit 1ch\""), std::string::npos);
    EXPECT_FALSE(vb::CBool(callByName(z, "isSpeaking")));

    // Text pages and the caller.
    letProperty(z, "PushText", V("Hi"));
    EXPECT_EQ(Get("PushText"), "Hi");
    Call("PushTextMessage", {V("Hello"), V("pt")});
    callByName(z, "CID");
    EXPECT_EQ(bed.host->DeviceString("[1"), FormatValue(bed.state, 0, "(123) 456-7890 : HSP Not Available"));
    EXPECT_EQ(Pages().size(), 6u);

    // Fields.
    letProperty(z, "MotionDevice", V("a4"));
    EXPECT_EQ(Get("MotionDevice"), "a4");
    letProperty(z, "MotionOffMinutes", V(150000));
    EXPECT_EQ(vb::CLng(getProperty(z, "MotionOffMinutes")), 99999);
    letProperty(z, "EnableSlideshow", V(int16_t{2}));
    EXPECT_EQ(vb::CLng(getProperty(z, "SlideGroup")), 2);
    letProperty(z, "Slideshow", V(true));
    EXPECT_TRUE(vb::CBool(getProperty(z, "Slideshow")));
    letProperty(z, "SlideshowTime", V(vb::Date{45000.5}));
    EXPECT_EQ(getProperty(z, "SlideshowTime").date().serial, 45000.5);
    letProperty(z, "MotionStartTime", V(vb::Date{45001.0}));
    EXPECT_EQ(getProperty(z, "MotionStartTime").date().serial, 45001.0);
    letProperty(z, "X10Server", V("acme.x10"));
    EXPECT_EQ(Get("X10Server"), "acme.x10");
    letProperty(z, "PowerCycleCount", V(int16_t{0}));
    EXPECT_EQ(vb::CLng(getProperty(z, "PowerCycleCount")), 0);
    letProperty(z, "DoCID", V(true));
    EXPECT_TRUE(vb::CBool(getProperty(z, "DoCID")));
    for (const char* name : {"SlideGroupIndex", "SlideCount"}) {
        letProperty(z, name, V(int16_t{3}));
        EXPECT_EQ(vb::CLng(getProperty(z, name)), 3) << name;
    }
    EXPECT_FALSE(vb::CBool(callByName(z, "PowerCycleInProgress")));
    letProperty(z, "DisablePlugin", V(true));
    EXPECT_EQ(Call("SetTopLED", {V("on"), V("gone")}), "");
    letProperty(z, "DisablePlugin", V(false));
    EXPECT_FALSE(vb::CBool(getProperty(z, "DisablePlugin")));

    // The slideshow, the client program's commands, the queue.
    callByName(z, "ShowSlideshow", {V("")});
    Call("Execute", {V("ls"), V("e")});
    Call("SendUDPCommand", {V("Volume"), V("5"), V("")});
    Call("SendUDPCID", {V("John"), V("555"), V("")});
    const Strings udp = Pages();
    ASSERT_GE(udp.size(), 3u);
    EXPECT_EQ(udp[udp.size() - 3], "kitchen udp command name=\"Execute\" argument=\"ls\"");
    EXPECT_EQ(udp[udp.size() - 2], "kitchen udp command name=\"Volume\" argument=\"5\"");
    EXPECT_EQ(udp.back(), "kitchen udp cid name=\"John\" number=\"555\"");
    EXPECT_FALSE(vb::CBool(callByName(z, "CommandBusy", {V("e")})));
    EXPECT_FALSE(vb::CBool(callByName(z, "WaitForCommandComplete", {V("e"), V(int16_t{1})})));
    bed.host->ClearCalls();
    callByName(z, "ShowQueue");
    callByName(z, "ResetQueue");
    EXPECT_EQ(bed.Calls("SetDeviceString"), (Strings{"[10|Queue: 0) ", "[10|Queue: 0) "}));

    // The host's devices brought back, xAP messages, X10.
    bed.host->ExecX10("A3", "on");
    callByName(z, "SyncWithHomeseer");
    EXPECT_EQ(bed.Calls("DeviceValue"), (Strings{"[2", "[4", "[5", "[8", "[9", "[6", "[7"}));
    callByName(z, "ReceiveXapMessageOSD",
               {V(std::make_shared<XapTestMessage>(
                   std::map<std::pair<std::string, std::string>, std::string>{{{"Display.Zephra", "Text"}, "Ring"}}))});
    callByName(z, "ReceiveXapMessageTTS",
               {V(std::make_shared<XapTestMessage>(
                   std::map<std::pair<std::string, std::string>, std::string>{{{"tts.speak", "say"}, "Hello"}}))});
    ASSERT_TRUE(bed.loop.runUntil([&] { return XapSpeechMaker(bed.state).Idle(); }, std::chrono::seconds(30)));
    const Strings xap = Pages();
    ASSERT_GE(xap.size(), 2u);
    EXPECT_EQ(xap.back().rfind(wav + "/ZephraTemp/ZephraTempFile1.wav ok", 0), 0u);
    callByName(z, "hsExecX10", {V("A4"), V("on")});
    EXPECT_EQ(bed.Calls("ExecX10").back(), "A4|on|0");

    // A power cycle, and the end.
    EXPECT_EQ(Call("CyclePower", {V("c")}), "c");
    EXPECT_EQ(bed.Calls("ExecX10").back(), "A3|off|0");
    EXPECT_TRUE(vb::CBool(callByName(z, "PowerCycleInProgress")));
    callByName(z, "Shutdown");
    EXPECT_FALSE(kitchen->Timer1Index());
}

TEST_F(PublicMembers, CommandBusyComparesWholeTagsAndTheWaitIsBounded) {
    StartServed();
    sim->Control("/sim/silent?name=kitchen&on=1");
    kitchen->SetTopLED("on", "1.523");
    kitchen->SetMailLED("on", "2.5");
    EXPECT_TRUE(kitchen->CommandBusy("1.523"));
    EXPECT_TRUE(kitchen->CommandBusy("2.5"));
    EXPECT_FALSE(kitchen->CommandBusy("1.5"));
    EXPECT_FALSE(kitchen->CommandBusy("2"));
    // Ten slices of a tenth of a second each: still busy after one second.
    const auto before = bed.loop.now();
    EXPECT_TRUE(kitchen->WaitForCommandComplete("2.5", 1));
    EXPECT_GE(bed.loop.now() - before, std::chrono::milliseconds(1000));
    EXPECT_LT(bed.loop.now() - before, std::chrono::milliseconds(1200));
    EXPECT_FALSE(kitchen->WaitForCommandComplete("9.9", 1));
    // A wait longer than a slice can hold is logged and answers what it had.
    EXPECT_FALSE(kitchen->WaitForCommandComplete("2.5", 328));
    EXPECT_EQ(bed.Log().back(), "dkvZephra kitchen|Zephra WaitForCommandComplete 6  Line 0 Overflow");
    kitchen->ResetQueue();
    EXPECT_FALSE(kitchen->CommandBusy("2.5"));
}

TEST_F(PublicMembers, XapDisplayMessagesShowTextOrAddressOrCallerId) {
    StartServed(true);
    using Items = std::map<std::pair<std::string, std::string>, std::string>;
    auto message = [](Items items) { return std::make_shared<XapTestMessage>(std::move(items)); };
    // A text wins over an address; its duration is the page's delay.
    kitchen->ReceiveXapMessageOSD(message({{{"Display.Zephra", "Text"}, "Door"},
                                           {{"Display.Zephra", "Duration"}, "5"},
                                           {{"Display.Zephra", "URL"}, "http://x/y"}}));
    EXPECT_EQ(kitchen->Push(), "ZephraTemp/ZephraTempFilekitchen1.html");
    EXPECT_NE(bed.app.read("HTML/ZephraTemp/ZephraTempFilekitchen1.html").find("setTimeout('restore()',5000)"),
              std::string::npos);
    kitchen->ReceiveXapMessageOSD(message({{{"Display.Zephra", "URL"}, "HTTP://" + Server() + "/start.htm"}}));
    EXPECT_EQ(kitchen->Push(), Server() + "/start.htm");
    kitchen->ReceiveXapMessageOSD(message({{{"Display.ZCID", "Line1"}, "JOHN"}}));
    kitchen->ReceiveXapMessageOSD(message({}));
    const Strings lines = Pages();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "kitchen udp cid name=\"JOHN\" number=\"\""), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "kitchen /cgi-bin/firef4 ok fullscreen=0"), lines.end());

    // Speech with its volume; without a voice the configured one; eleven messages reuse the
    // names 1 to 9, 0, 1.
    bed.state.settings.T2WVoice = "Microsoft Mary";
    // The speech is made off the loop: the loop serves while it waits for it.
    SpeechMaker& maker = XapSpeechMaker(bed.state);
    // Made, and sent on by the appliance's queue: until then a speech counts as waiting.
    auto made = [&] {
        return bed.loop.runUntil([&] { return maker.Idle(); }, std::chrono::seconds(30)) &&
               Settle([&] { return maker.Waiting() == 0; });
    };
    kitchen->ReceiveXapMessageTTS(message({{{"Voice.Speak", "say"}, "Hi"}, {{"Voice.Speak", "volume"}, "40.6"}}));
    EXPECT_EQ(kitchen->Volume(), 41);
    ASSERT_TRUE(made());
    EXPECT_EQ(bed.Log().back(), "dkvZephra Debug|Voice Microsoft Mary requested, but not an installed voice ");
    for (int i = 2; i <= 11; ++i) {
        kitchen->ReceiveXapMessageTTS(message({{{"tts.speak", "say"}, "x"}}));
        ASSERT_TRUE(made()) << i;
    }
    EXPECT_EQ(bed.state.TempFileCounter, 1);
    for (int n = 1; n <= 9; ++n)
        EXPECT_TRUE(
            std::filesystem::exists(bed.app.path() / ("HTML/ZephraTemp/ZephraTempFile" + std::to_string(n) + ".wav")))
            << n;
    // Beyond the speech waiting to be made, messages are dropped whole, with one log line for the run.
    // Each long enough that the worker cannot finish one while the twelve arrive, however fast it speaks.
    const std::size_t logged = bed.Log().size();
    std::string longer;
    for (int i = 0; i < 20; ++i) longer += "A somewhat longer sentence to speak. ";
    for (int i = 0; i < 12; ++i) kitchen->ReceiveXapMessageTTS(message({{{"tts.speak", "say"}, longer}}));
    const int32_t queued = (bed.state.TempFileCounter + 10 - 1) % 10;
    EXPECT_GE(queued, static_cast<int32_t>(SpeechMaker::kWaitingLimit));
    EXPECT_LE(queued, static_cast<int32_t>(SpeechMaker::kWaitingLimit) + 1);
    auto dropLines = [&] {
        Strings found;
        for (std::size_t i = logged; i < bed.Log().size(); ++i)
            if (bed.Log()[i].find("xAP speech dropped") != std::string::npos) found.push_back(bed.Log()[i]);
        return found;
    };
    // The first drop is told at once, before any loop time passes (waiting for the speech to
    // be sent on may move the clock past the next line's 10 s on a busy machine).
    EXPECT_EQ(dropLines(),
              Strings{"dkvZephra|xAP speech dropped: 4 waiting to be made (1 dropped since the last such line)"});
    ASSERT_TRUE(made());
    // The drops that came too soon for a line of their own are told 10 s after it, on the loop's clock.
    ASSERT_TRUE(Settle([&] { return dropLines().size() == 2; }));
    EXPECT_EQ(dropLines().back(),
              "dkvZephra|xAP speech dropped: 4 waiting to be made (7 dropped since the last such line)");
    kitchen->ReceiveXapMessageTTS(message({{{"tts.speak", "volume"}, "10"}}));  // nothing to say
    EXPECT_EQ(kitchen->Volume(), 41);
    ASSERT_TRUE(Idle());
    // A message that is no object is logged.
    kitchen->ReceiveXapMessageTTS(nullptr);
    EXPECT_EQ(bed.Log().back(), "dkvZephra|ReceiveXapMessageTTS Line 0 Object variable or With block variable not set");
}

}  // namespace
}  // namespace zephra
