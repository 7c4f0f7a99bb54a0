// The entry points as the browser's library calls them, on the test's thread holding the GUI
// lock, with a recording browser: results for null arguments, the "loop" parameter, the priority,
// file mode, the bounded URL, the error that ends the repeats, and writes that never wait for a
// player that is not there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "InstanceRecord.h"
#include "PlayerContext.h"
#include "browserplugin/Browser.h"
#include "photon/PtApp.h"

namespace {

using briskoplugin::PlayerContext;

class RecordingBrowser : public browserplugin::Browser {
public:
    NPError GetURL(NPP, const char *url, const char *) override
    {
        std::lock_guard lock(mutex);
        requested.push_back(url);
        return NPERR_NO_ERROR;
    }
    void Log(const std::string &line) override
    {
        std::lock_guard lock(mutex);
        log.push_back(line);
    }
    std::mutex mutex;
    std::vector<std::string> requested;
    std::vector<std::string> log;
};

class EntryPoints : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("ZEPHRA_MEDIA_SETTINGS", "/nonexistent/media.conf", 1);
        setenv("ZEPHRA_AUDIO_SINK", "null", 1);
        unsetenv("BRISKOPLUGINPRIORITY");
        browserplugin::SetBrowser(&browser);
        photon::PtEnter(0);
    }
    void TearDown() override
    {
        for (auto &instance : instances)
            if (instance->pdata) NPP_Destroy(instance.get(), nullptr);
        photon::PtLeave(0);
        browserplugin::SetBrowser(nullptr);
    }

    NPP New(std::vector<std::pair<std::string, std::string>> params = {})
    {
        instances.push_back(std::make_unique<NPP_t>());
        NPP instance = instances.back().get();
        std::vector<char *> argn, argv;
        for (auto &[name, value] : params) {
            argn.push_back(name.data());
            argv.push_back(value.data());
        }
        char type[] = "audio/mpeg";
        EXPECT_EQ(
            NPP_New(type, instance, NP_EMBED, static_cast<int16_t>(argn.size()), argn.data(), argv.data(), nullptr),
            NPERR_NO_ERROR);
        return instance;
    }
    static InstanceRecord *Record(NPP instance) { return static_cast<InstanceRecord *>(instance->pdata); }
    static PlayerContext *Context(NPP instance) { return briskoplugin::Context(Record(instance)->ctrl); }

    RecordingBrowser browser;
    std::vector<std::unique_ptr<NPP_t>> instances;
};

TEST_F(EntryPoints, NullArgumentsGetTheirCodes)
{
    char type[] = "audio/mpeg";
    EXPECT_EQ(NPP_Initialize(), NPERR_NO_ERROR);
    EXPECT_EQ(NPP_New(type, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(NPP_Destroy(nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    NPWindow window{};
    NPP_t bare{};
    EXPECT_EQ(NPP_SetWindow(&bare, nullptr), NPERR_GENERIC_ERROR);
    EXPECT_EQ(NPP_SetWindow(nullptr, &window), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(NPP_SetWindow(&bare, &window), NPERR_NO_ERROR);
    NPStream stream{};
    uint16_t stype = 0;
    EXPECT_EQ(NPP_NewStream(nullptr, type, &stream, 0, &stype), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(NPP_WriteReady(nullptr, nullptr), 4096);
    char bytes[16] = {};
    EXPECT_EQ(NPP_Write(nullptr, &stream, 0, 16, bytes), -1);
    EXPECT_EQ(NPP_DestroyStream(nullptr, &stream, NPRES_DONE), NPERR_INVALID_INSTANCE_ERROR);

    NPP instance = New();
    EXPECT_EQ(NPP_NewStream(instance, type, nullptr, 0, &stype), NPERR_GENERIC_ERROR);
    EXPECT_EQ(stype, 0);
    // Nothing was started by the refused calls.
    EXPECT_EQ(Context(instance)->decoderThread, nullptr);
    EXPECT_EQ(Context(instance)->status.state, static_cast<uint32_t>(MV_CLOSED));
    EXPECT_EQ(NPP_Destroy(instance, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(instance->pdata, nullptr);
    // Records and control records came from the browser's allocator and went back to it.
    int allocs = 0, frees = 0;
    for (auto &line : browser.log) {
        allocs += line.rfind("NPN_MemAlloc", 0) == 0;
        frees += line == "NPN_MemFree";
    }
    EXPECT_EQ(allocs, 2);
    EXPECT_EQ(frees, 2);
}

TEST_F(EntryPoints, OnlyLoopTrueRepeatsWithoutRegardToCase)
{
    EXPECT_EQ(Context(New({{"loop", "TRUE"}}))->repeatType, 1);
    EXPECT_EQ(Context(New({{"src", "a.mp3"}, {"LOOP", "true"}}))->repeatType, 1);
    EXPECT_EQ(Context(New({{"loop", "1"}}))->repeatType, 0);
    EXPECT_EQ(Context(New({{"loop", "false"}}))->repeatType, 0);
    EXPECT_EQ(Context(New({{"autostart", "true"}}))->repeatType, 0);
    EXPECT_EQ(Context(New())->repeatType, 0);
}

TEST_F(EntryPoints, PriorityIsClampedToOneToFifty)
{
    EXPECT_EQ(Record(New())->ctrl->prio, 10);
    const std::pair<const char *, int> cases[] = {{"0", 1}, {"99", 50}, {"25", 25}, {"-3", 1}, {"abc", 1}};
    for (auto [text, prio] : cases) {
        setenv("BRISKOPLUGINPRIORITY", text, 1);
        EXPECT_EQ(Record(New())->ctrl->prio, prio) << text;
    }
    unsetenv("BRISKOPLUGINPRIORITY");
}

TEST_F(EntryPoints, FileModeTakesTheStreamAsAFileOnly)
{
    const std::string conf = ::testing::TempDir() + "/briskoplugin-filemode.conf";
    std::ofstream(conf) << "streamType = 2\n";
    setenv("ZEPHRA_MEDIA_SETTINGS", conf.c_str(), 1);
    NPP instance = New();
    char type[] = "audio/mpeg";
    NPStream stream{};
    stream.url = "http://127.0.0.1:1/a.mp3";
    uint16_t stype = 0;
    EXPECT_EQ(NPP_NewStream(instance, type, &stream, 0, &stype), NPERR_NO_ERROR);
    EXPECT_EQ(stype, NP_ASFILEONLY);
    EXPECT_STREQ(Record(instance)->url, "http://127.0.0.1:1/a.mp3");
    EXPECT_EQ(Context(instance)->decoderThread, nullptr);
    EXPECT_EQ(Context(instance)->status.state, static_cast<uint32_t>(MV_CLOSED));
}

// A URL longer than the record holds is not kept cut: the repeat would ask for another URL.
TEST_F(EntryPoints, TheUrlIsBoundedAndAnOverlongOneIsNotAskedForAgain)
{
    NPP instance = New({{"loop", "true"}});
    InstanceRecord *record = Record(instance);
    const std::string fits = "http://127.0.0.1/" + std::string(kUrlBytes - 1 - 17, 'a');
    std::strcpy(record->url, fits.c_str());
    RequestStreamAgain(record);
    ASSERT_EQ(browser.requested.size(), 1u);
    EXPECT_EQ(browser.requested[0], fits);

    // The record takes a new stream's URL only when it fits (checked on the file-mode path, where
    // nothing plays).
    const std::string conf = ::testing::TempDir() + "/briskoplugin-url.conf";
    std::ofstream(conf) << "streamType = 2\n";
    setenv("ZEPHRA_MEDIA_SETTINGS", conf.c_str(), 1);
    NPP other = New({{"loop", "true"}});
    const std::string overlong = "http://127.0.0.1/" + std::string(5000, 'b');
    NPStream stream{};
    stream.url = overlong.c_str();
    uint16_t stype = 0;
    char type[] = "audio/mpeg";
    EXPECT_EQ(NPP_NewStream(other, type, &stream, 0, &stype), NPERR_NO_ERROR);
    EXPECT_STREQ(Record(other)->url, "");
    RequestStreamAgain(Record(other));
    EXPECT_EQ(browser.requested.size(), 1u);
    stream.url = fits.c_str();
    EXPECT_EQ(NPP_NewStream(other, type, &stream, 0, &stype), NPERR_NO_ERROR);
    EXPECT_EQ(std::string(Record(other)->url), fits);
}

// An error reported from a player thread is shown once, ends the repeats and drops later bytes;
// the write returns at once.
TEST_F(EntryPoints, AnErrorEndsTheRepeatsAndDropsLaterBytes)
{
    NPP instance = New({{"loop", "true"}});
    InstanceRecord *record = Record(instance);
    std::strcpy(record->url, "http://127.0.0.1/a.mp3");
    MvPluginCtrl *ctrl = record->ctrl;
    photon::PtLeave(0);
    std::thread player([ctrl] { briskoplugin::ReportError(ctrl, "MPEG Audio Plugin: error in parsing frame header"); });
    player.join();
    photon::PtEnter(0);
    EXPECT_EQ(record->error, 1);
    EXPECT_TRUE(RingEndOfData(&Context(instance)->ring));
    NPStream stream{};
    char bytes[100] = {};
    EXPECT_EQ(NPP_Write(instance, &stream, 0, 100, bytes), 100);
    EXPECT_EQ(Context(instance)->repeatType, 0);
    RequestStreamAgain(record);
    EXPECT_TRUE(browser.requested.empty());
}

// Without a running player a write neither waits nor stores; the end of a stream that has no
// player is taken as well.
TEST_F(EntryPoints, AWriteWithoutAPlayerReturnsAtOnce)
{
    NPP instance = New();
    NPStream stream{};
    stream.end = 100;
    char bytes[100] = {};
    EXPECT_EQ(NPP_Write(instance, &stream, 0, 100, bytes), 100);
    EXPECT_EQ(RingGetBytesInBuffer(&Context(instance)->ring), 0u);
    EXPECT_EQ(NPP_DestroyStream(instance, &stream, NPRES_DONE), NPERR_NO_ERROR);
}

// A volume the player reports is kept for the next opening of the device.
TEST_F(EntryPoints, AReportedVolumeAndBalanceAreKept)
{
    NPP instance = New();
    MvPluginCtrl *ctrl = Record(instance)->ctrl;
    MvAudioMediaInfo audio{};
    audio.volume = 33;
    audio.reserve_2 = static_cast<uint32_t>(-20);
    MvMediaInfo media{};
    media.which = MV_MEDIA_AUDIO_INFO;
    media.audio = &audio;
    MvPluginStatus status{};
    status.media_info = &media;
    ctrl->cb(ctrl, MVS_MEDIA, &status);
    EXPECT_EQ(Context(instance)->setup.audio.volume, 33u);
    EXPECT_EQ(static_cast<int32_t>(Context(instance)->setup.audio.reserve_2), -20);
}

}  // namespace
