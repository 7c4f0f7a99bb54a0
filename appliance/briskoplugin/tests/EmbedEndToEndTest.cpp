// Briskoplugin.so played by the browser driver embed-play, as embeds of a page, into the WAV
// output: from a file and from a loopback HTTP server, two embeds at once, a looping embed that
// asks for its stream again, file mode, and a stream that cannot be decoded. Every WAV must hold
// exactly what briskodec decodes from the same MP3 (made by lame at test time).
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "StreamServer.h"
#include "StreamTools.h"
#include "media/testing/LoopbackListener.h"

namespace brisko::test {
namespace {

// briskodec's output on the same file.
std::vector<std::uint8_t> Reference(const std::string &mp3)
{
    const std::string raw = mp3 + ".ref.raw";
    EXPECT_TRUE(run("'" BRISKODEC_PATH "' -q -o '" + raw + "' '" + mp3 + "'"));
    return readFile(raw);
}

struct Outcome {
    int status = -1;
    std::string log;
};

// Runs the driver with `args` (already quoted), playing into `wav`; `env` goes in front.
Outcome Play(const std::string &wav, const std::string &args, const std::string &env = "")
{
    const std::string logPath = wav + ".log";
    std::remove(wav.c_str());
    const std::string cmd = env + " ZEPHRA_AUDIO_SINK='wav:" + wav +
                            "' ZEPHRA_MEDIA_SETTINGS=/nonexistent/media.conf " + "timeout 60 '" EMBED_PLAY_PATH "' " +
                            args + " >'" + logPath + "' 2>&1";
    const int status = std::system(cmd.c_str());
    Outcome r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::vector<std::uint8_t> log = readFile(logPath);
    r.log.assign(log.begin(), log.end());
    return r;
}

const std::string kPlugin = "'" BRISKOPLUGIN_PATH "' ";

int Count(const std::string &text, const std::string &what)
{
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The source WAV makeStream encoded the stream from.
std::string SourceOf(const std::string &stream)
{
    return workDir() + "/src_" + stream.substr(stream.rfind('/') + 1) + ".wav";
}

class EmbedEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Each test runs in a process of its own, maybe beside the others: its streams are its own.
        const std::string tag = std::to_string(getpid());
        stereo = makeStream("bp_stereo_" + tag + ".mp3", 44100, 2, "lame --quiet -m j -b 128 %s %s", 1.5);
        mono = makeStream("bp_mono_" + tag + ".mp3", 22050, 1, "lame --quiet -m m -b 48 %s %s", 2.0);
        ASSERT_FALSE(stereo.empty());
        ASSERT_FALSE(mono.empty());
        stereoRef = new std::vector<std::uint8_t>(Reference(stereo));
        monoRef = new std::vector<std::uint8_t>(Reference(mono));
    }
    static void TearDownTestSuite()
    {
        for (const std::string &stream : {stereo, mono})
            for (const std::string &file : {stream, stream + ".ref.raw", SourceOf(stream)}) std::remove(file.c_str());
        delete stereoRef;
        delete monoRef;
    }
    static std::string stereo, mono;
    static std::vector<std::uint8_t> *stereoRef;
    static std::vector<std::uint8_t> *monoRef;
};
std::string EmbedEndToEnd::stereo, EmbedEndToEnd::mono;
std::vector<std::uint8_t> *EmbedEndToEnd::stereoRef = nullptr;
std::vector<std::uint8_t> *EmbedEndToEnd::monoRef = nullptr;

TEST_F(EmbedEndToEnd, AnEmbedFromAFileAndFromAServerPlaysTheReference)
{
    const std::string wav = workDir() + "/bp_file.wav";
    Outcome r = Play(wav, kPlugin + "'" + stereo + "'");
    ASSERT_EQ(r.status, 0) << r.log;
    Wav out = readWav(wav);
    EXPECT_EQ(out.rate, 44100);
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.data, *stereoRef);
    // The calls as the browser made them, in order.
    const char *order[] = {"NPP_Initialize -> 0",
                           "NPN_MemAlloc",
                           "embed 1: NPP_New src=",
                           "embed 1: NPP_SetWindow -> 0",
                           "embed 1: NPP_NewStream file://",
                           "stype 1",
                           "embed 1: NPP_Write 0 4096 -> 4096",
                           "embed 1: NPP_DestroyStream 0 -> 0",
                           "NPN_MemFree",
                           "embed 1: NPP_Destroy -> 0",
                           "NPP_Shutdown"};
    std::size_t at = 0;
    for (const char *step : order) {
        at = r.log.find(step, at);
        ASSERT_NE(at, std::string::npos) << step << "\n" << r.log;
    }
    EXPECT_EQ(Count(r.log, "NPN_GetURL"), 0);

    StreamServer server(readFile(mono));
    const std::string fromHttp = workDir() + "/bp_http.wav";
    r = Play(fromHttp, kPlugin + "'" + server.Url("/mono.mp3") + "'");
    ASSERT_EQ(r.status, 0) << r.log;
    out = readWav(fromHttp);
    EXPECT_EQ(out.rate, 22050);
    EXPECT_EQ(out.channels, 1);
    EXPECT_EQ(out.data, *monoRef);
}

// Two objects on one page: each has its own decoder and device, and each WAV holds its own
// stream whole, whichever opened first.
TEST_F(EmbedEndToEnd, TwoEmbedsAtOncePlayIndependently)
{
    const std::string pattern = workDir() + "/bp_two-%d.wav";
    Outcome r = Play(pattern, "-b 1024 " + kPlugin + "'" + stereo + "' '" + mono + "'");
    ASSERT_EQ(r.status, 0) << r.log;
    Wav one = readWav(workDir() + "/bp_two-1.wav");
    Wav two = readWav(workDir() + "/bp_two-2.wav");
    if (one.rate != 44100) std::swap(one, two);
    EXPECT_EQ(one.rate, 44100);
    EXPECT_EQ(two.rate, 22050);
    EXPECT_EQ(one.data, *stereoRef);
    EXPECT_EQ(two.data, *monoRef);
    EXPECT_NE(r.log.find("embed 2: NPP_Destroy -> 0"), std::string::npos) << r.log;
}

// loop=TRUE asks the browser for the URL again at each natural end; every repeat starts on an
// emptied buffer, so the output is the stream again and again, nothing more. A refused request
// ends the repeats.
TEST_F(EmbedEndToEnd, ALoopingEmbedAsksForItsStreamAgain)
{
    StreamServer server(readFile(stereo));
    const std::string url = server.Url("/loop.mp3");
    const std::string wav = workDir() + "/bp_loop.wav";
    Outcome r = Play(wav, "-r 2 " + kPlugin + "'" + url + ";LOOP=TRUE'");
    ASSERT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(Count(r.log, "NPN_GetURL " + url + " -> 0"), 2) << r.log;
    EXPECT_EQ(Count(r.log, "NPN_GetURL " + url + " -> 1"), 1) << r.log;
    EXPECT_EQ(Count(r.log, "NPP_NewStream " + url), 3);
    std::vector<std::uint8_t> three;
    for (int i = 0; i < 3; ++i) three.insert(three.end(), stereoRef->begin(), stereoRef->end());
    EXPECT_EQ(readWav(wav).data, three);

    // Any other value is no repeat.
    r = Play(wav, kPlugin + "'" + stereo + ";loop=1'");
    ASSERT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(Count(r.log, "NPN_GetURL"), 0) << r.log;
    EXPECT_EQ(readWav(wav).data, *stereoRef);
}

// An error shown once ends the repeats: a looping embed of bytes that hold no MPEG audio is shown
// as an error and never asked for again. Without a display the error is said on standard error
// and the page, which played nothing, ends with status 1.
TEST_F(EmbedEndToEnd, AnErrorEndsTheRepeats)
{
    const std::string text = workDir() + "/bp_text.mp3";
    writeFile(text, std::vector<std::uint8_t>(30000, 'a'));
    const std::string wav = workDir() + "/bp_error.wav";
    Outcome r = Play(wav, "-r 3 " + kPlugin + "'" + text + ";loop=true'", "DISPLAY=");
    ASSERT_EQ(r.status, 1) << r.log;
    EXPECT_EQ(Count(r.log, "embed-play: briskoplugin error: MPEG Audio Plugin: "), 1) << r.log;
    EXPECT_EQ(Count(r.log, "NPN_GetURL"), 0) << r.log;
    EXPECT_NE(r.log.find("embed 1: NPP_Destroy -> 0"), std::string::npos) << r.log;
    EXPECT_TRUE(readWav(wav).data.empty());
}

// A WAV, an AIFF and a text as looping embeds: each is refused once, without a sound, a format
// change or a repeat; without a display the refusal is said and the status is 1.
TEST_F(EmbedEndToEnd, SoundFilesOfOtherKindsAndTextAreRefused)
{
    const std::vector<std::string> files = makeOtherFiles("bp_other_" + std::to_string(getpid()));
    ASSERT_EQ(files.size(), 3u);
    for (const std::string &file : files) {
        const std::string wav = file + ".out.wav";
        Outcome r = Play(wav, kPlugin + "'" + file + ";loop=true'", "DISPLAY=");
        EXPECT_EQ(r.status, 1) << r.log;  // nothing played, and the error had no screen
        EXPECT_EQ(Count(r.log, "embed-play: briskoplugin error: MPEG Audio Plugin: "), 1) << r.log;
        EXPECT_EQ(Count(r.log, "NPN_GetURL"), 0) << r.log;
        EXPECT_EQ(Count(r.log, "Stream format changed"), 0) << r.log;
        EXPECT_NE(r.log.find("embed 1: NPP_Destroy -> 0"), std::string::npos) << r.log;
        EXPECT_TRUE(readWav(wav).data.empty()) << file;
        for (const std::string &made : {file, wav, wav + ".log"}) std::remove(made.c_str());
    }
}

// A body that ends short of its Content-Length is a URL that could not be fetched: what came plays,
// and the page ends with status 1 and says why.
TEST_F(EmbedEndToEnd, ABodyCutShortOfItsLengthIsAFailedFetch)
{
    const std::vector<std::uint8_t> body = readFile(stereo);
    media::testing::LoopbackListener server;
    server.Start(
        [&](int client) {
            media::testing::ReadRequestHead(client);
            const std::string head =
                "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: " + std::to_string(body.size() + 5000) +
                "\r\n\r\n";
            if (media::testing::SendAll(client, head.data(), head.size()))
                media::testing::SendAll(client, body.data(), body.size());
        },
        media::testing::LoopbackListener::Connections::OneAtATime);
    const std::string url = server.Url("/short.mp3");
    const std::string wav = workDir() + "/bp_short.wav";
    Outcome r = Play(wav, kPlugin + "'" + url + "'");
    server.Stop();
    EXPECT_EQ(r.status, 1) << r.log;
    EXPECT_NE(r.log.find("embed 1: cannot fetch " + url + ": the stream ended before its Content-Length"),
              std::string::npos)
        << r.log;
    EXPECT_NE(r.log.find("embed 1: NPP_DestroyStream 1 -> 0"), std::string::npos) << r.log;

    // The whole body, as long as its Content-Length says, is a page that played.
    media::testing::LoopbackListener whole;
    whole.Start(
        [&](int client) {
            media::testing::ReadRequestHead(client);
            const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
            if (media::testing::SendAll(client, head.data(), head.size()))
                media::testing::SendAll(client, body.data(), body.size());
        },
        media::testing::LoopbackListener::Connections::OneAtATime);
    r = Play(wav, kPlugin + "'" + whole.Url("/whole.mp3") + "'");
    whole.Stop();
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(readWav(wav).data, *stereoRef);
}

// With saved settings in file mode the stream is taken as a file only and nothing plays.
TEST_F(EmbedEndToEnd, FileModeTakesTheStreamAsAFileAndPlaysNothing)
{
    const std::string conf = workDir() + "/bp_filemode.conf";
    const std::string line = "streamType = 2\n";
    writeFile(conf, std::vector<std::uint8_t>(line.begin(), line.end()));
    const std::string wav = workDir() + "/bp_filemode.wav";
    const std::string cmd = "ZEPHRA_AUDIO_SINK='wav:" + wav + ".mode' ZEPHRA_MEDIA_SETTINGS='" + conf +
                            "' '" EMBED_PLAY_PATH "' " + kPlugin + "'" + stereo + "' >'" + wav + ".mode.log' 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::vector<std::uint8_t> log = readFile(wav + ".mode.log");
    const std::string text(log.begin(), log.end());
    EXPECT_NE(text.find("stype 4"), std::string::npos) << text;
    EXPECT_NE(text.find("NPP_StreamAsFile " + stereo), std::string::npos) << text;
    EXPECT_EQ(Count(text, "NPP_Write"), 0);
    EXPECT_TRUE(readFile(wav + ".mode").empty());
}

// Without a display and with a sound device that does not exist nothing plays: the player's error
// box has no screen, so its text is said on standard error and the page ends with status 1. The
// same page into a WAV file plays with status 0.
TEST_F(EmbedEndToEnd, NoSoundDeviceWithoutADisplayIsAFailureThatSaysWhy)
{
    const std::string log = workDir() + "/bp_nodevice_" + std::to_string(getpid()) + ".log";
    const std::string cmd =
        "env -u DISPLAY -u WAYLAND_DISPLAY ZEPHRA_AUDIO_SINK=alsa:zephra-no-such-device "
        "ZEPHRA_MEDIA_SETTINGS=/nonexistent/media.conf timeout 60 '" EMBED_PLAY_PATH "' -q " +
        kPlugin + "'" + stereo + "' >'" + log + "' 2>&1";
    const int status = std::system(cmd.c_str());
    const std::vector<std::uint8_t> bytes = readFile(log);
    const std::string text(bytes.begin(), bytes.end());
    ASSERT_TRUE(WIFEXITED(status)) << text;
    EXPECT_EQ(WEXITSTATUS(status), 1) << text;
    EXPECT_NE(text.find("embed-play: briskoplugin error: MPEG Audio Plugin: cannot open the audio device\n"),
              std::string::npos)
        << text;
    std::remove(log.c_str());

    const std::string wav = workDir() + "/bp_nodevice.wav";
    Outcome r = Play(wav, "-q " + kPlugin + "'" + stereo + "'", "DISPLAY=");
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(r.log.find("embed-play:"), std::string::npos) << r.log;
    EXPECT_EQ(readWav(wav).data, *stereoRef);
}

// SIGTERM ends the plug-in's program at once with status 0, also while an embed loops for ever.
TEST_F(EmbedEndToEnd, SigtermEndsTheProgramWithStatusZero)
{
    const std::string log = workDir() + "/bp_term_" + std::to_string(getpid()) + ".log";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::freopen(log.c_str(), "w", stdout);
        setenv("ZEPHRA_AUDIO_SINK", "null", 1);
        setenv("ZEPHRA_MEDIA_SETTINGS", "/nonexistent/media.conf", 1);
        const std::string embed = stereo + ";loop=true";
        execl(EMBED_PLAY_PATH, "embed-play", BRISKOPLUGIN_PATH, embed.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    // Once it has asked for its stream again it is looping.
    std::string text;
    for (int i = 0; i < 3000 && text.find("NPN_GetURL") == std::string::npos; ++i) {
        usleep(10000);
        const std::vector<std::uint8_t> bytes = readFile(log);
        text.assign(bytes.begin(), bytes.end());
    }
    EXPECT_NE(text.find("NPN_GetURL"), std::string::npos);
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::remove(log.c_str());
}

TEST(EmbedPlayCommandLine, UsageAndLoadFailuresExitWithStatusTwo)
{
    EXPECT_EQ(std::system("'" EMBED_PLAY_PATH "' >/dev/null 2>&1") >> 8, 2);
    EXPECT_EQ(std::system("'" EMBED_PLAY_PATH "' -x '" BRISKOPLUGIN_PATH "' a.mp3 >/dev/null 2>&1") >> 8, 2);
    EXPECT_EQ(std::system("'" EMBED_PLAY_PATH "' /nonexistent/plugin.so a.mp3 >/dev/null 2>&1") >> 8, 2);
    // A URL that cannot be fetched is a failure of the page, after the plug-in was set up.
    EXPECT_EQ(std::system("'" EMBED_PLAY_PATH "' -q '" BRISKOPLUGIN_PATH "' /nonexistent/a.mp3 >/dev/null 2>&1") >> 8,
              1);
}

}  // namespace
}  // namespace brisko::test
