// The player context driven through its command table on the simulated sound card: a repeating
// file plays on without a gap, the ID3v2 tag is reported once and copied only as far as it is
// buffered, a pause after the end of the data does nothing, and a second stream of an instance
// reuses the ring at its first size.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "InstanceRecord.h"
#include "PlayerContext.h"
#include "StreamServer.h"
#include "StreamTools.h"
#include "browserplugin/Browser.h"
#include "media/testing/TestHost.h"
#include "photon/PtApp.h"

namespace {

using briskoplugin::Context;
using briskoplugin::PlayerContext;

struct Seen {
    uint32_t mask;
    uint32_t state;
    uint32_t userLength;
};

std::mutex g_mutex;
std::vector<Seen> g_seen;

void Record(MvPluginCtrl *, uint32_t mask, const MvPluginStatus *status)
{
    std::lock_guard lock(g_mutex);
    g_seen.push_back({mask, status->state, status->userMsg ? status->userMsg->len : 0});
}

std::vector<Seen> Seen_()
{
    std::lock_guard lock(g_mutex);
    return g_seen;
}

class PlayerContextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_seen.clear();
        sim = media::testing::PrepareHost(ctrl, Record);
        ASSERT_EQ(briskoplugin::CreatePlayerContext(&ctrl), 0);
        pc = Context(&ctrl);
    }
    void TearDown() override { media::testing::EndHost(ctrl); }

    int Send(uint32_t code, const char *url = nullptr)
    {
        params = {};
        params.delta = url ? 1 : 0;
        return media::testing::SendCommand(ctrl, code, params, url ? MVP_DELTA : 0, url);
    }

    MvPluginCtrl ctrl{};
    MvPlaybackParams params{};
    std::shared_ptr<qnx::SimulatedSound> sim;
    PlayerContext *pc = nullptr;
};

TEST_F(PlayerContextTest, ARepeatingFilePlaysOnWithoutAGap)
{
    const std::string mp3 = brisko::test::makeStream("bpc_loop.mp3", 44100, 2, "lame --quiet -m j -b 128 %s %s", 1.0);
    ASSERT_FALSE(mp3.empty());
    const std::string raw = mp3 + ".raw";
    ASSERT_TRUE(brisko::test::run("'" BRISKODEC_PATH "' -q -o '" + raw + "' '" + mp3 + "'"));
    const std::vector<std::uint8_t> ref = brisko::test::readFile(raw);
    ASSERT_GT(ref.size(), 10000u);

    pc->repeatType = 1;
    const std::string url = "file://" + mp3;
    ASSERT_EQ(Send(CMD_PLUGIN_OPEN_URLS, url.c_str()), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (sim->Written().size() < ref.size() * 5 / 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // Never ended by itself: no MV_STOPPED after the start, no request for the URL.
    bool playing = false;
    for (const Seen &s : Seen_()) {
        if (s.mask & MVS_PLUGIN_STATE && s.state == MV_PLAYING) playing = true;
        EXPECT_FALSE(playing && s.mask & MVS_PLUGIN_STATE && s.state == MV_STOPPED);
    }
    EXPECT_TRUE(playing);
    EXPECT_FALSE(pc->refetch);
    ASSERT_EQ(Send(CMD_PLUGIN_STOP), 0);

    const std::vector<unsigned char> out = sim->Written();
    ASSERT_GE(out.size(), ref.size() * 2);
    EXPECT_TRUE(std::equal(ref.begin(), ref.end(), out.begin()));
    // The second pass follows at once; only the filters' carry-over from the faded-out end of
    // the first may move a sample by a step or two.
    const auto *second = reinterpret_cast<const int16_t *>(out.data() + ref.size());
    const auto *expected = reinterpret_cast<const int16_t *>(ref.data());
    int worst = 0;
    for (std::size_t i = 0; i < ref.size() / 2; ++i) worst = std::max(worst, std::abs(second[i] - expected[i]));
    EXPECT_LE(worst, 2);
}

// A network stream with repeat on ends by setting the refetch flag (the browser is asked for it
// again) instead of reporting MV_STOPPED; the next status poll starts it again.
TEST_F(PlayerContextTest, ARepeatingNetworkStreamIsFetchedAgainAtTheStatusPoll)
{
    const std::string mp3 = brisko::test::makeStream("bpc_net.mp3", 22050, 1, "lame --quiet -m m -b 32 %s %s", 0.5);
    ASSERT_FALSE(mp3.empty());
    brisko::test::StreamServer server(brisko::test::readFile(mp3));
    const std::string url = server.Url("/net.mp3");
    pc->repeatType = 1;
    ASSERT_EQ(Send(CMD_PLUGIN_OPEN_URLS, url.c_str()), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    for (int pass = 1; pass <= 2; ++pass) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!pc->refetch && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(pc->refetch) << "pass " << pass;
        EXPECT_EQ(server.Requests().size(), static_cast<std::size_t>(pass));
        EXPECT_EQ(Send(CMD_PLUGIN_GET_STATUS), 0);  // starts the stream again
        if (pass == 1) {
            EXPECT_FALSE(pc->refetch);
        }
    }
    bool playing = false;
    for (const Seen &s : Seen_()) {
        if (s.mask & MVS_PLUGIN_STATE && s.state == MV_PLAYING) playing = true;
        EXPECT_FALSE(playing && s.mask & MVS_PLUGIN_STATE && s.state == MV_STOPPED);
    }
    ASSERT_EQ(Send(CMD_PLUGIN_STOP), 0);
}

TEST_F(PlayerContextTest, TheId3TagIsCopiedAsFarAsBufferedAndReportedOnce)
{
    std::vector<unsigned char> tag(30010, 0);
    std::memcpy(tag.data(), "ID3\x04\x00\x10", 6);
    // 30000 as a 28-bit synchsafe number.
    tag[6] = 0;
    tag[7] = 30000 >> 14 & 0x7F;
    tag[8] = 30000 >> 7 & 0x7F;
    tag[9] = 30000 & 0x7F;
    EXPECT_EQ(briskoplugin::CheckID3(pc, tag.data(), tag.size()), 30000 + 20);
    EXPECT_EQ(pc->tag.length, briskoplugin::kTagCopyBytes);
    EXPECT_EQ(pc->tag.state, 1);
    tag[5] = 0;
    EXPECT_EQ(briskoplugin::CheckID3(pc, tag.data(), 500), 30000 + 10);
    EXPECT_EQ(pc->tag.length, 500u);
    EXPECT_EQ(briskoplugin::CheckID3(pc, reinterpret_cast<const unsigned char *>("TAG0000000"), 10), -1);

    // The status poll reports it once, with mask MVS_USER_MESSAGE.
    pc->setup.streamType = MV_STREAM;
    Send(CMD_PLUGIN_GET_STATUS);
    Send(CMD_PLUGIN_GET_STATUS);
    int reports = 0;
    for (const Seen &s : Seen_())
        if (s.mask == MVS_USER_MESSAGE) {
            ++reports;
            EXPECT_EQ(s.userLength, 500u);
        }
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(pc->tag.state, 2);
}

TEST_F(PlayerContextTest, CommandsOfTheBrowserPluginCore)
{
    CloseRingBufferNotify(&pc->ring);
    EXPECT_EQ(Send(CMD_PLUGIN_PAUSE), 0);
    for (const Seen &s : Seen_()) EXPECT_NE(s.state, static_cast<uint32_t>(MV_PAUSED));
    EXPECT_EQ(Send(CMD_PLUGIN_SET_GUI_STATUS), 0);
    EXPECT_EQ(Send(CMD_PLUGIN_DIRECT_AUDIO), -1);
    EXPECT_EQ(Send(CMD_PLUGIN_MUTE), -1);  // no mixer open
    EXPECT_EQ(Send(CMD_PLUGIN_HOTKEY), -1);
    EXPECT_EQ(ctrl.calls->get_item(&ctrl, 0, 0), nullptr);
    params = {};
    EXPECT_EQ(media::testing::SendCommand(ctrl, CMD_PLUGIN_SET_PARAMETER, params, MVP_STATUS_FREQ), 0);
    EXPECT_EQ(params.status_frequency, 1000u);
}

// The browser path in the test's own process: a second stream of the instance empties the ring
// of the first and keeps its block and size, and plays the whole stream again.
class RecordingBrowser : public browserplugin::Browser {
public:
    NPError GetURL(NPP, const char *, const char *) override { return NPERR_NO_ERROR; }
    void Log(const std::string &) override {}
};

TEST(BrowserStreams, ASecondStreamReusesTheRingAtItsFirstSize)
{
    setenv("ZEPHRA_MEDIA_SETTINGS", "/nonexistent/media.conf", 1);
    auto sim = qnx::SimulatedSound::Install();
    sim->SetAutoAdvance(true);
    RecordingBrowser browser;
    browserplugin::SetBrowser(&browser);
    const std::string mp3 = brisko::test::makeStream("bpc_again.mp3", 22050, 1, "lame --quiet -m m -b 32 %s %s", 1.0);
    const std::vector<std::uint8_t> bytes = brisko::test::readFile(mp3);
    ASSERT_FALSE(bytes.empty());

    photon::PtEnter(0);
    NPP_t instance{};
    char type[] = "audio/mpeg";
    ASSERT_EQ(NPP_New(type, &instance, NP_EMBED, 0, nullptr, nullptr, nullptr), NPERR_NO_ERROR);
    PlayerContext *pc = Context(static_cast<InstanceRecord *>(instance.pdata)->ctrl);
    unsigned char *block = nullptr;
    unsigned long size = 0;
    std::size_t written[2] = {};
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) setenv("BRISKOBUFFERSIZE", "20000", 1);  // not taken: the block stays
        NPStream stream{};
        stream.url = "http://127.0.0.1/again.mp3";
        stream.end = static_cast<uint32_t>(bytes.size());
        uint16_t stype = 0;
        ASSERT_EQ(NPP_NewStream(&instance, type, &stream, 0, &stype), NPERR_NO_ERROR);
        ASSERT_EQ(stype, NP_NORMAL);
        for (std::size_t at = 0; at < bytes.size(); at += 4096) {
            const int32_t n = static_cast<int32_t>(std::min<std::size_t>(4096, bytes.size() - at));
            ASSERT_EQ(
                NPP_Write(&instance, &stream, static_cast<int32_t>(at), n, const_cast<std::uint8_t *>(&bytes[at])), n);
        }
        EXPECT_EQ(NPP_DestroyStream(&instance, &stream, NPRES_DONE), NPERR_NO_ERROR);
        photon::PtLeave(0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (pc->decoderRunning && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        photon::PtEnter(0);
        ASSERT_FALSE(pc->decoderRunning);
        if (pass == 0) {
            block = pc->ring.pBufferHead;
            size = pc->ring.ulBuffSizeFull;
        }
        written[pass] = sim->Written().size();
    }
    unsetenv("BRISKOBUFFERSIZE");
    EXPECT_EQ(pc->ring.pBufferHead, block);
    EXPECT_EQ(pc->ring.ulBuffSizeFull, size);
    EXPECT_EQ(size, 700000u);
    // The simulated card keeps the padding of each close; the second pass played as much as the first.
    EXPECT_EQ(written[1], 2 * written[0]);
    EXPECT_EQ(NPP_Destroy(&instance, nullptr), NPERR_NO_ERROR);
    photon::PtLeave(0);
    browserplugin::SetBrowser(nullptr);
    qnx::SimulatedSound::Uninstall();
}

}  // namespace
