#include "ControlPages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace appliance_sim;

TEST(ControlPages, LedsTakeWhichAndCodeAndRefuseAnythingElse) {
    ApplianceState state;
    EXPECT_EQ(answerControlPage(state, "/led.shtml?t1").outcome, "ok topled=on");
    EXPECT_EQ(answerControlPage(state, "/led.shtml?m2").outcome, "ok mailled=blink");
    EXPECT_EQ(state.topLed, "on");
    EXPECT_EQ(state.mailLed, "blink");
    EXPECT_EQ(answerControlPage(state, "/led.shtml?t0").outcome, "ok topled=off");
    EXPECT_EQ(state.topLed, "off");
    for (const char* bad : {"/led.shtml?t3", "/led.shtml?x1", "/led.shtml?t", "/led.shtml?t12", "/led.shtml"}) {
        const auto answer = answerControlPage(state, bad);
        EXPECT_EQ(answer.status, 200u) << bad;
        EXPECT_EQ(answer.body, "<html><body>Error</body></html>") << bad;
        EXPECT_EQ(answer.outcome.rfind("bad-argument", 0), 0u) << bad;
    }
    EXPECT_EQ(state.topLed, "off");
    EXPECT_EQ(state.mailLed, "blink");
}

TEST(ControlPages, SleepPollAnswersOneOnlyWhenAwake) {
    ApplianceState state;
    auto poll = answerControlPage(state, "/screen.shtml?p");
    EXPECT_EQ(poll.body, "<html><body>1</body></html>");
    EXPECT_EQ(poll.outcome, "ok poll=1");

    EXPECT_EQ(answerControlPage(state, "/screen.shtml?0").outcome, "ok awake=0");
    EXPECT_FALSE(state.backlight);  // asleep means dark
    EXPECT_EQ(answerControlPage(state, "/screen.shtml?p").body, "<html><body>0</body></html>");

    EXPECT_EQ(answerControlPage(state, "/screen.shtml?t").outcome, "ok awake=1");
    EXPECT_TRUE(state.backlight);
    EXPECT_EQ(answerControlPage(state, "/screen.shtml?t").outcome, "ok awake=0");
    EXPECT_EQ(answerControlPage(state, "/screen.shtml?1").outcome, "ok awake=1");
    EXPECT_EQ(answerControlPage(state, "/screen.shtml?2").outcome.rfind("bad-argument", 0), 0u);

    EXPECT_EQ(answerControlPage(state, "/scrOff.shtml").outcome, "ok backlight=off");
    EXPECT_TRUE(state.awake);
    EXPECT_EQ(answerControlPage(state, "/scrOn.shtml").outcome, "ok backlight=on");
}

TEST(ControlPages, BeepPlaysSoundsOrSetsTheirVolumeAfterABlank) {
    ApplianceState state;
    // The blank between function and number arrives escaped.
    EXPECT_EQ(answerControlPage(state, "/beep.shtml?0%205").outcome, "ok sound=5");
    EXPECT_EQ(state.lastSound, 5);
    EXPECT_EQ(answerControlPage(state, "/beep.shtml?4%2075").outcome, "ok soundsvolume=75");
    EXPECT_EQ(state.soundsVolume, 75);
    for (const char* bad : {"/beep.shtml?0%2019", "/beep.shtml?05", "/beep.shtml?4%20101", "/beep.shtml?1%201",
                            "/beep.shtml?0+5", "/beep.shtml?0%20-1"})
        EXPECT_EQ(answerControlPage(state, bad).outcome.rfind("bad-argument", 0), 0u) << bad;
    EXPECT_EQ(state.lastSound, 5);
    EXPECT_EQ(state.soundsVolume, 75);
}

TEST(ControlPages, VolumeAndBrowserToggles) {
    ApplianceState state;
    EXPECT_EQ(answerControlPage(state, "/volume.shtml?0").outcome, "ok volume=0");
    EXPECT_EQ(answerControlPage(state, "/volume.shtml?100").outcome, "ok volume=100");
    EXPECT_EQ(answerControlPage(state, "/volume.shtml?101").outcome.rfind("bad-argument", 0), 0u);
    EXPECT_EQ(answerControlPage(state, "/volume.shtml?").outcome.rfind("bad-argument", 0), 0u);
    EXPECT_EQ(state.volume, 100);

    EXPECT_EQ(answerControlPage(state, "/cgi-bin/firef4").outcome, "ok fullscreen=0");
    EXPECT_EQ(answerControlPage(state, "/toggleBrowser.shtml").outcome, "ok fullscreen=1");
}

TEST(ControlPages, GotoUrlKeepsTheWholeAddressAndAsksToBrowse) {
    ApplianceState state;
    const auto answer =
        answerControlPage(state, "/gotoURL.shtml?M=GOTO_URL&S=http://127.0.0.1:8090/ZephraSlideshow.asp?a=1&b=2");
    EXPECT_EQ(answer.followUp, FollowUp::browse);
    EXPECT_EQ(answer.url, "http://127.0.0.1:8090/ZephraSlideshow.asp?a=1&b=2");
    EXPECT_EQ(state.currentUrl, answer.url);
    EXPECT_EQ(answer.outcome, "ok url=\"http://127.0.0.1:8090/ZephraSlideshow.asp?a=1&b=2\"");

    EXPECT_EQ(answerControlPage(state, "/gotoURL.shtml?S=http://x").outcome.rfind("bad-argument", 0), 0u);
    EXPECT_EQ(answerControlPage(state, "/gotoURL.shtml?M=GOTO_URL&S=").outcome.rfind("bad-argument", 0), 0u);
}

TEST(ControlPages, LoadWavAsksToFetchAndUnknownPagesAreNotFound) {
    ApplianceState state;
    const auto answer = answerControlPage(state, "/loadWav.shtml?http://127.0.0.1:81/ZephraTemp/a%20b.wav");
    EXPECT_EQ(answer.followUp, FollowUp::fetchWav);
    EXPECT_EQ(answer.url, "http://127.0.0.1:81/ZephraTemp/a b.wav");

    for (const char* unknown : {"/", "/index.html", "/LED.shtml?t1", "/led.shtml/../x"}) {
        const auto missing = answerControlPage(state, unknown);
        EXPECT_EQ(missing.status, 404u) << unknown;
        EXPECT_EQ(missing.outcome, "not-found");
    }
}

TEST(ControlPages, WavFetchOutcomeNamesTimeFormatOrFailure) {
    ApplianceState state;
    // 8000 Hz, 16-bit, mono: 16000 bytes a second; 8000 bytes of data are 500 ms.
    std::vector<std::uint8_t> wav = {'R', 'I', 'F', 'F', 0,  0, 0,   0,   'W', 'A',  'V',  'E',  'f', 'm',  't',
                                     ' ', 16,  0,   0,   0,  1, 0,   1,   0,   0x40, 0x1f, 0,    0,   0x80, 0x3e,
                                     0,   0,   2,   0,   16, 0, 'd', 'a', 't', 'a',  0x40, 0x1f, 0,   0};
    FetchResult fetched;
    fetched.status = 200;
    fetched.head = wav;
    fetched.bodyBytes = wav.size() + 8000;
    EXPECT_EQ(recordWavFetch(state, "http://127.0.0.1/x.wav", fetched),
              "ok wav=\"http://127.0.0.1/x.wav\" ms=500 format=\"pcm 8000Hz 16bit 1ch\" bytes=8044");
    EXPECT_EQ(state.wavMs, 500);

    FetchResult missing;
    missing.error = "http 404";
    missing.status = 404;
    EXPECT_EQ(recordWavFetch(state, "http://127.0.0.1/y.wav", missing),
              "fetch-failed wav=\"http://127.0.0.1/y.wav\" reason=\"http 404\"");
    EXPECT_EQ(state.wavMs, -1);
    EXPECT_EQ(state.wavUrl, "http://127.0.0.1/y.wav");

    FetchResult notWav;
    notWav.status = 200;
    notWav.head = {'<', 'h', 't', 'm', 'l', '>'};
    notWav.bodyBytes = 6;
    EXPECT_EQ(recordWavFetch(state, "http://127.0.0.1/z.wav", notWav),
              "fetch-failed wav=\"http://127.0.0.1/z.wav\" reason=not-riff-wave bytes=6");
}

TEST(ControlPages, AnyTargetGetsAnAnswerAndLeavesTheStateSane) {
    std::mt19937 random(1208);
    const std::vector<std::string> pages = {
        "/led.shtml?", "/beep.shtml?", "/screen.shtml?", "/volume.shtml?", "/gotoURL.shtml?", "/loadWav.shtml?", "/x?"};
    ApplianceState state;
    for (int round = 0; round < 3000; ++round) {
        std::string target = pages[random() % pages.size()];
        const std::size_t length = random() % 12;
        for (std::size_t i = 0; i < length; ++i) target += static_cast<char>(random() % 256);
        const auto answer = answerControlPage(state, target);
        EXPECT_TRUE(answer.status == 200 || answer.status == 404);
        EXPECT_EQ(answer.outcome.find('\n'), std::string::npos);
    }
    EXPECT_TRUE(state.volume >= 0 && state.volume <= 100);
    EXPECT_TRUE(state.soundsVolume >= 0 && state.soundsVolume <= 100);
    EXPECT_TRUE(state.lastSound >= -1 && state.lastSound <= 18);
}
