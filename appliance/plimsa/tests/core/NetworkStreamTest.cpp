// The plug-in playing http:// streams from a loopback server: the connection made at start, the
// header lines and the stream's own description, a stream that stalls and is stopped, a read
// error that is reported while the process goes on, and streams that cannot play.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <regex>
#include <thread>

#include "PluginHost.h"
#include "StreamServer.h"
#include "TestSounds.h"

namespace plimsa::test {
namespace {

class NetworkStream : public PluginHost {
protected:
    bool HasText(const std::string& prefix) {
        for (const Report& r : Reports())
            if (r.text.rfind(prefix, 0) == 0) return true;
        return false;
    }
    bool TextOnly(uint32_t mask) {
        for (const Report& r : Reports())
            if ((r.mask & MVS_ERRORMSG) && r.mask != mask) return false;
        return true;
    }
};

TEST_F(NetworkStream, ConnectsAtStartAndPlaysTheStream) {
    Load();
    const auto samples = Samples(40000);
    StreamServer server(MonoWav(samples, "Stream Title"), StreamServer::Mode::Whole, 0,
                        "icy-name: Station One\r\nicy-genre: none\r\n");
    ASSERT_EQ(Open(server.Url()), 0);
    EXPECT_EQ(Reports(), (std::vector<Report>{{MVS_PLUGIN_STATE, MV_OPENING, ""}, {MVS_PLUGIN_STATE, MV_STOPPED, ""}}));
    EXPECT_EQ(server.Requests(), 0u);

    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 2));
    EXPECT_EQ(sim->Written(), PlayedOnce(samples));
    // First the header lines, at the connection; at the end the stream's own description.
    ASSERT_GE(media.size(), 2u);
    EXPECT_NE(media.front().moreinfo.find("Station One"), std::string::npos);
    EXPECT_EQ(media.front().url, server.Url());
    EXPECT_EQ(media.back().type, static_cast<uint32_t>(MV_MEDIA_AUDIO));
    EXPECT_EQ(media.back().duration, 2500u);
    EXPECT_EQ(media.back().title, "Stream Title");
    EXPECT_EQ(Reports().back(), (Report{5, MV_STOPPED, ""}));
    // A stream cannot be sought.
    EXPECT_EQ(Send(CMD_PLUGIN_SEEK_TO, 0, MVP_POSITION, 0), -1);

    // Each start connects anew.
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 3));
    EXPECT_EQ(server.Requests(), 2u);
}

TEST_F(NetworkStream, AStalledStreamShowsItsBufferAndStops) {
    Load();
    StreamServer server(MonoWav(Samples(200000)), StreamServer::Mode::Held, 60000);
    ASSERT_EQ(Open(server.Url()), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(server.WaitForRequests(1));
    // The fill line is there while the ring is in use.
    for (int attempt = 0; attempt < 5000 && titles.empty(); ++attempt) {
        Send(CMD_PLUGIN_GET_STATUS);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(titles.empty());
    // The fill in percent and the start fill: 10 %, and 10 more after each low-buffer moment.
    EXPECT_TRUE(std::regex_match(titles.back(), std::regex(R"(Buffers \(\d{1,3}/(10|20|30|40|50|60|70|80|90|95)\))")))
        << titles.back();
    // The fill line stays readable after the report, as long as a host may keep the record.
    ScribbleOnTheStack();
    ASSERT_NE(lastStatus, nullptr);
    EXPECT_EQ(std::string(lastStatus->videoWndTitle), titles.back());

    ASSERT_EQ(Send(CMD_PLUGIN_STOP), 0);
    EXPECT_EQ(Count(MV_STOPPED), 2);
    EXPECT_TRUE(TextOnly(0));

    // Started again it connects again; terminated while it stalls, it ends at once.
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(server.WaitForRequests(2));
    ClearReports();
    Terminate();
    std::vector<uint32_t> states;
    for (const Report& r : Reports()) states.push_back(r.state);
    EXPECT_EQ(states, (std::vector<uint32_t>{MV_STOPPED, MV_CLOSED, MV_DEAD}));
}

TEST_F(NetworkStream, AReadErrorIsReportedAndThePlayEnds) {
    Load();
    const auto samples = Samples(200000);
    StreamServer server(MonoWav(samples), StreamServer::Mode::Reset, 50000);
    ASSERT_EQ(Open(server.Url()), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 2));
    EXPECT_TRUE(HasText("GetData: File Read error: Connection reset by peer"));
    EXPECT_TRUE(TextOnly(MVS_ERRORMSG));
    // What played is a beginning of the stream.
    EXPECT_TRUE(PrefixThenTail(sim->Written(), samples, {}));
}

// A stream with a Content-Length ends there, even when the server keeps the connection open; a
// body that ends short of it is an error after what came has played. The scheme may be written
// in capitals.
TEST_F(NetworkStream, TheContentLengthEndsTheStreamAndAShortBodyIsAnError) {
    Load();
    const auto samples = Samples(20000);
    const auto wav = MonoWav(samples);
    const std::string length = "Content-Length: " + std::to_string(wav.size()) + "\r\n";
    {
        StreamServer server(wav, StreamServer::Mode::Held, wav.size(), length);
        ASSERT_EQ(Open("HTTP://" + server.Url().substr(7)), 0);
        ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
        ASSERT_TRUE(WaitForState(MV_STOPPED, 2));
        EXPECT_TRUE(TextOnly(0)) << Reports().back().text;
        EXPECT_EQ(sim->Written(), PlayedOnce(samples));
        server.Release();
    }
    ClearReports();
    const std::string longer = "Content-Length: " + std::to_string(wav.size() + 1000) + "\r\n";
    StreamServer server(wav, StreamServer::Mode::Whole, 0, longer);
    ASSERT_EQ(Open(server.Url()), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 2));
    EXPECT_TRUE(HasText("GetData: File Read error: the stream ended before its Content-Length"));
    EXPECT_TRUE(TextOnly(MVS_ERRORMSG));
}

TEST_F(NetworkStream, StreamsThatCannotPlay) {
    Load();
    // Nobody listens.
    const int unused = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(unused, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(unused, reinterpret_cast<sockaddr*>(&address), &length);
    close(unused);
    ASSERT_EQ(Open("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/a.wav"), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 2));
    EXPECT_TRUE(HasText("Unable to connect to server: Connection refused"));
    EXPECT_TRUE(TextOnly(MVS_ERRORMSG));

    // Not a sound file.
    ClearReports();
    StreamServer words(std::vector<unsigned char>(3000, 'w'));
    ASSERT_EQ(Open(words.Url()), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 2));
    EXPECT_TRUE(HasText("File format not recognized"));

    // A refused format: its message, MV_CLOSED, then the end of the decoder thread.
    ClearReports();
    Bytes voc;
    voc.tag("Creative Voice File").add({0x1A}).le16(26).le16(0x010A).le16(0x1233 - 0x010A).fill(3000, 0);
    StreamServer voice(voc.data);
    ASSERT_EQ(Open(voice.Url()), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 2));
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 6u);
    EXPECT_EQ(reports[3], (Report{MVS_ERRORMSG, MV_PLAYING, "VOC Unsupported compression format"}));
    EXPECT_EQ(reports[4], (Report{MVS_PLUGIN_STATE, MV_CLOSED, ""}));
    EXPECT_EQ(reports[5].state, static_cast<uint32_t>(MV_STOPPED));
    EXPECT_TRUE(sim->Written().empty());
}

}  // namespace
}  // namespace plimsa::test
