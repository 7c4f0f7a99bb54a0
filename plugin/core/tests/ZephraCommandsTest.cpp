// The commands an appliance is told, against the appliance stand-in over loopback: each
// builder's page and datagram form, the state recorded and the device texts written before
// the appliance answers, pushed pages and WAV files served from the host's web folder.

#include "core/Zephra.h"

#include <gtest/gtest.h>

#include "core/StatusText.h"
#include "core/tests/ApplianceFixture.h"
#include "homeseer/HtmlServer.h"

namespace zephra {
namespace {

using Strings = std::vector<std::string>;

class ZephraCommands : public testing::ApplianceFixture {
protected:
    // The appliance, and the host's web server on the application folder's HTML folder.
    void StartServed(const std::string& settings = "", bool udp = false) {
        Start("HomeseerIP=127.0.0.1\n" + settings, {}, udp);
        homeseer::HtmlServer::Options options;
        options.root = bed.app.path() / "HTML";
        web = std::make_unique<homeseer::HtmlServer>(options);
        bed.state.settings.svrport = std::to_string(web->port());
        bed.state.settings.FontColor = "white";
    }
    std::string Server() const { return "127.0.0.1:" + std::to_string(web->port()); }
    std::string Text(const std::string& code) { return bed.host->DeviceString(code); }

    std::unique_ptr<homeseer::HtmlServer> web;
};

TEST_F(ZephraCommands, LedsShowTheirStateAndSendTheirCodes) {
    StartServed();
    EXPECT_EQ(kitchen->SetTopLED("Blink", "t1"), "t1");
    EXPECT_EQ(kitchen->TopLED(), "Blink");
    EXPECT_EQ(Text("[4"), FormatStatus(bed.state, 12));
    kitchen->LetTopLED("OFF");
    EXPECT_EQ(Text("[4"), FormatStatus(bed.state, 10));
    kitchen->SetMailLED("on", "m1");
    EXPECT_EQ(Text("[5"), FormatStatus(bed.state, 14));
    // "Blinking" blinks, but the device compares whole words and shows the LED off.
    kitchen->SetMailLED("Blinking", "m2");
    EXPECT_EQ(Text("[5"), FormatStatus(bed.state, 13));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("led"), "kitchen /led.shtml?t2 ok topled=blink");
    EXPECT_EQ(PageLine("led"), "kitchen /led.shtml?t0 ok topled=off");
    EXPECT_EQ(PageLine("led"), "kitchen /led.shtml?m1 ok mailled=on");
    EXPECT_EQ(PageLine("led"), "kitchen /led.shtml?m2 ok mailled=blink");
    EXPECT_EQ(bed.Calls("SendXapBSC"), Strings{});
    EXPECT_TRUE(bed.Log().empty());
}

TEST_F(ZephraCommands, BacklightSoundsAndVolumes) {
    StartServed();
    kitchen->LetBacklight("Off");
    EXPECT_EQ(kitchen->Backlight(), "Backlight Off");
    EXPECT_EQ(Text("[3"), FormatStatus(bed.state, 8));
    kitchen->SetSounds(5, "s");
    EXPECT_EQ(kitchen->Sounds(), 5);
    EXPECT_EQ(Text("[7"), FormatStatus(bed.state, 23));
    kitchen->SetSoundsVolume(50, "sv");
    EXPECT_EQ(Text("[8"), FormatValue(bed.state, 39, "50%"));
    kitchen->SetVolume(90, "v");
    EXPECT_EQ(kitchen->Volume(), 90);
    EXPECT_EQ(Text("[9"), FormatValue(bed.state, 46, "90%"));
    EXPECT_EQ(kitchen->QueuedTags(), ",s,sv,v");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("scr"), "kitchen /scrOff.shtml ok backlight=off");
    EXPECT_EQ(PageLine("beep"), "kitchen /beep.shtml?0%205 ok sound=5");
    EXPECT_EQ(PageLine("beep"), "kitchen /beep.shtml?4%2050 ok soundsvolume=50");
    EXPECT_EQ(PageLine("volume"), "kitchen /volume.shtml?90 ok volume=90");

    // Asleep, the backlight is left alone.
    kitchen->SetSleep("sleep", "z");
    ASSERT_TRUE(Idle());
    bed.host->ClearCalls();
    EXPECT_EQ(kitchen->SetBacklight("on", "b"), "");
    EXPECT_EQ(kitchen->Backlight(), "Backlight Off");
    EXPECT_TRUE(bed.Calls("SetDeviceString").empty());
    EXPECT_EQ(kitchen->CommandQueue().size(), 1u);
}

TEST_F(ZephraCommands, SleepStatesAndTheirDevices) {
    StartServed();
    kitchen->SetSleep("ALWAYS AWAKE", "a");
    EXPECT_EQ(kitchen->Sleep(), "always awake");
    EXPECT_EQ(Text("[2"), FormatStatus(bed.state, 6));
    EXPECT_EQ(Text("[3"), FormatStatus(bed.state, 9));
    kitchen->LetSleep("awake");
    kitchen->SetSleep("toggle", "t");
    EXPECT_EQ(kitchen->Sleep(), "sleep");
    EXPECT_FALSE(kitchen->SleepStatus());
    EXPECT_EQ(Text("[2"), FormatStatus(bed.state, 4));
    EXPECT_EQ(Text("[3"), FormatStatus(bed.state, 8));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("screen"), "kitchen /screen.shtml?1 ok awake=1");
    EXPECT_EQ(PageLine("screen"), "kitchen /screen.shtml?1 ok awake=1");
    EXPECT_EQ(PageLine("screen"), "kitchen /screen.shtml?t ok awake=0");

    // A state the appliance does not know is logged and changes nothing; so is a power
    // cycle without a power device.
    bed.host->ClearCalls();
    EXPECT_EQ(kitchen->SetSleep("doze", "d"), "");
    EXPECT_EQ(bed.Log(), Strings{"dkvZephra kitchen|Zephra SleepControl unknown sleep state doze"});
    kitchen->LetPowerDevice("");
    EXPECT_EQ(kitchen->SetSleep("power cycle", "p"), "");
    EXPECT_EQ(kitchen->Sleep(), "sleep");
    EXPECT_TRUE(bed.Calls("SetDeviceString").empty());
    EXPECT_EQ(kitchen->CommandQueue().size(), 1u);
    EXPECT_TRUE(kitchen->QueueIdle());

    // The synchronous poll reads what the appliance reports.
    EXPECT_TRUE(kitchen->Asleep());
    EXPECT_EQ(PageLine("screen.shtml?p"), "kitchen /screen.shtml?p ok poll=0");
    kitchen->LetSleep("awake");
    EXPECT_TRUE(kitchen->Awake());
    EXPECT_EQ(kitchen->RefreshSleepStatus("r"), "r");
    ASSERT_TRUE(Idle());
}

TEST_F(ZephraCommands, DatagramFormsGoToTheSubscribedClient) {
    StartServed("UseZephraServer=1", true);
    kitchen->SetTopLED("on", "1");
    kitchen->SetMailLED("blink", "2");
    kitchen->SetSounds(7, "3");
    kitchen->SetSleep("sleep", "4");
    ASSERT_TRUE(Idle());
    auto datagram = [&](const std::string& name, const std::string& argument) {
        const std::string line = sim->Next(bed.loop, "name=\"" + name + "\"");
        return line.rfind("kitchen udp command name=\"" + name + "\" argument=\"" + argument + "\"", 0) == 0;
    };
    EXPECT_TRUE(datagram("TopLed", "on"));
    EXPECT_TRUE(datagram("MailLed", "blink"));
    EXPECT_TRUE(datagram("Beep", "7"));
    EXPECT_TRUE(datagram("Screen", "off"));
}

TEST_F(ZephraCommands, PushedPagesWakeTheApplianceFirst) {
    StartServed();
    bed.app.write("HTML/ZephraSlideshow.asp", "<html><body>slides</body></html>");
    EXPECT_EQ(kitchen->PushPage("start.htm", "p"), "p");
    EXPECT_EQ(kitchen->Push(), "start.htm");
    EXPECT_EQ(Text("[1"), "start.htm");
    EXPECT_EQ(Text("[6"), FormatStatus(bed.state, 16));
    EXPECT_FALSE(kitchen->BrowserFullScreen());
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("screen"), "kitchen /screen.shtml?1 ok awake=1");
    const std::string pushed = "/gotoURL.shtml?M=GOTO_URL&S=http://" + Server() + "/start.htm";
    EXPECT_EQ(PageLine("gotoURL").rfind("kitchen " + pushed + " ok", 0), 0u);
    EXPECT_EQ(sim->Next(bed.loop, "browse"),
              "kitchen browse \"http://" + Server() + "/start.htm\" ok status=200 bytes=31");

    // Another web server's address; always awake needs no wake command.
    kitchen->LetSleep("always awake");
    ASSERT_TRUE(Idle());
    kitchen->PushIISPage(Server() + "/start.htm", "i");
    EXPECT_EQ(kitchen->CommandQueue().size(), 1u);
    EXPECT_EQ(kitchen->CurrentCommand(), "gotoURL.shtml?M=GOTO_URL&S=http://" + Server() + "/start.htm");
    ASSERT_TRUE(Idle());

    // The slideshow page full screen: the page, the push delay, the full-screen toggle.
    bed.state.settings.PushDelay = 2;
    kitchen->LetEnableSlideshow(1);
    kitchen->ShowSlideshow("");
    EXPECT_TRUE(kitchen->Slideshow());
    EXPECT_TRUE(kitchen->BrowserFullScreen());
    EXPECT_EQ(kitchen->CommandQueue().size(), 3u);
    EXPECT_EQ(kitchen->CommandQueue()[1].Command, "waitsecs 2");
    EXPECT_EQ(kitchen->CommandQueue()[2].Command, "cgi-bin/firef4");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("cgi-bin"), "kitchen /cgi-bin/firef4 ok fullscreen=0");
    kitchen->PushPage("start.htm", "");
    EXPECT_FALSE(kitchen->Slideshow());
    ASSERT_TRUE(Idle());
}

TEST_F(ZephraCommands, TextPagesArePushedAndShown) {
    StartServed();
    bed.state.settings.TextBackground = "Blue";
    bed.state.settings.TextForeground = "Yellow";
    bed.state.settings.TextFontSize = "7";
    bed.state.settings.TextStyle = "Arial";
    EXPECT_EQ(kitchen->PushTextMessage("Dinner\r\nis ready", "t"), "t");
    EXPECT_EQ(kitchen->PushText(), "Dinner\r\nis ready");
    EXPECT_EQ(kitchen->Push(), "ZephraTemp/ZephraTempFilekitchen1.html");
    EXPECT_TRUE(kitchen->BrowserFullScreen());
    EXPECT_EQ(Text("[6"), FormatStatus(bed.state, 17));
    EXPECT_EQ(Text("[1"), FormatValue(bed.state, 0, "Dinner\r\nis ready"));
    const std::string page = bed.app.read("HTML/ZephraTemp/ZephraTempFilekitchen1.html");
    EXPECT_NE(page.find("<B>Dinner<BR>is ready</B>"), std::string::npos);
    EXPECT_NE(page.find("hiddenframe"), std::string::npos);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(
        sim->Next(bed.loop, "browse")
            .rfind("kitchen browse \"http://" + Server() + "/ZephraTemp/ZephraTempFilekitchen1.html\" ok status=200",
                   0),
        0u);
    kitchen->CID();
    EXPECT_EQ(kitchen->Push(), "ZephraTemp/ZephraTempFilekitchen2.html");
    EXPECT_EQ(Text("[1"), FormatValue(bed.state, 0, "(123) 456-7890 : HSP Not Available"));
    ASSERT_TRUE(Idle());
}

TEST_F(ZephraCommands, WavFilesAreCopiedUnderRotatingNamesWithATimeOutFromTheirSize) {
    StartServed();
    // Two seconds of 22 050 Hz 16-bit mono: 88 200 bytes of samples, 88 244 in all.
    std::string wav = "RIFF";
    auto le = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) wav.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    le(36 + 88200, 4);
    wav += "WAVEfmt ";
    le(16, 4), le(1, 2), le(1, 2), le(22050, 4), le(44100, 4), le(2, 2), le(16, 2);
    wav += "data";
    le(88200, 4);
    wav += std::string(88200, '\0');
    bed.app.write("Media/chime.wav", wav);
    bed.app.write("HTML/ding.wav", wav);

    EXPECT_EQ(kitchen->Wav("C:\\Media\\chime.wav", "w"), "w");
    EXPECT_EQ(kitchen->CurrentCommand(), "loadWav.shtml?http://" + Server() + "/ZephraTemp/ZephraTempFilekitchen1.wav");
    EXPECT_EQ(kitchen->CurrentTimeout(), 2 * 1000 + 20000);
    EXPECT_TRUE(kitchen->isSpeaking());
    EXPECT_EQ(bed.app.read("HTML/ZephraTemp/ZephraTempFilekitchen1.wav"), wav);
    ASSERT_TRUE(Idle());
    EXPECT_FALSE(kitchen->isSpeaking());
    EXPECT_EQ(sim->Next(bed.loop, "loadWav"),
              "kitchen /loadWav.shtml?http://" + Server() + "/ZephraTemp/ZephraTempFilekitchen1.wav ok wav=\"http://" +
                  Server() +
                  "/ZephraTemp/ZephraTempFilekitchen1.wav\" ms=2000 format=\"pcm 22050Hz 16bit 1ch\" bytes=88244");

    // A bare name below the HTML folder is not copied.
    kitchen->Wav("ding.wav", "d");
    EXPECT_EQ(kitchen->CurrentCommand(), "loadWav.shtml?http://" + Server() + "/ding.wav");
    EXPECT_EQ(kitchen->WavTime("ding.wav"), 2);
    ASSERT_TRUE(Idle());
    // The eleventh copy takes the first name again.
    for (int i = 2; i <= 11; ++i) kitchen->Wav("\\\\nas\\Media\\chime.wav", "");
    EXPECT_EQ(kitchen->CommandQueue().back().Command,
              "loadWav.shtml?http://" + Server() + "/ZephraTemp/ZephraTempFilekitchen1.wav");
    ASSERT_TRUE(Idle());
}

TEST_F(ZephraCommands, SpokenTextReachesTheApplianceAsARealWavFile) {
    StartServed();
    bed.host->SaveIniSetting("T2W", "T2WVoice", "\"english (america)\"", "dkvZephraUtilities.ini");
    EXPECT_EQ(kitchen->Speak("The front door is open", "s"), "s");
    EXPECT_EQ(bed.state.settings.T2WVoice, "english (america)");
    ASSERT_TRUE(Idle());
    const std::string line = sim->Next(bed.loop, "loadWav");
    EXPECT_EQ(line.rfind("kitchen /loadWav.shtml?http://" + Server() + "/ZephraTemp/ZephraTempFilekitchen1.wav ok ", 0),
              0u)
        << line;
    EXPECT_NE(line.find("format=\"pcm 22050Hz 16bit 1ch\""), std::string::npos) << line;
    EXPECT_EQ(sim->State()["wavformat"], "pcm 22050Hz 16bit 1ch");
    EXPECT_GT(std::stoi(sim->State()["wavms"]), 500);
    // Its playing time is measured where it was written.
    EXPECT_GT(kitchen->SpeakTime("The front door is open and the back door too"), 0);
    EXPECT_TRUE(bed.Log().empty());
}

}  // namespace
}  // namespace zephra
