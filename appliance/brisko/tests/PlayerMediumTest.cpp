// The open medium both MPEG players keep: the names a stream's header lines give (the first ones
// heard stay, since the host may be reading them) and the release of the medium.
#include "brisko/core/PlayerMedium.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace brisko::core {
namespace {

struct Record {
    char* url = nullptr;
    char* title = nullptr;
    char* moreinfo = nullptr;
    MvMediaInfo media{};
    MvPluginStatus status{};
    MpegFileInfo fileInfo;
    MediumFields Fields() { return {url, title, moreinfo, media, status, fileInfo}; }
};

MvMediaInfo Heard(const char* title, const char* moreinfo)
{
    MvMediaInfo heard{};
    heard.title = title ? strdup(title) : nullptr;
    heard.moreinfo = moreinfo ? strdup(moreinfo) : nullptr;
    return heard;
}

TEST(PlayerMedium, FirstStreamNamesHeardStayAndReleaseForgetsAll)
{
    Record r;
    r.url = strdup("http://127.0.0.1/a.mp3");
    r.media.url = r.url;

    // A title only: taken; no artist yet.
    MvMediaInfo heard = Heard("Radio One", nullptr);
    KeepStreamNames(r.Fields(), heard);
    ASSERT_NE(r.title, nullptr);
    EXPECT_STREQ(r.title, "Radio One");
    EXPECT_EQ(r.media.title, r.title);
    EXPECT_EQ(r.moreinfo, nullptr);
    EXPECT_EQ(r.media.moreinfo, nullptr);

    // Next time both: the title kept is the first one (the other freed), the artist is taken.
    const char* firstTitle = r.title;
    heard = Heard("Radio Two", "Someone");
    KeepStreamNames(r.Fields(), heard);
    EXPECT_EQ(r.title, firstTitle);
    EXPECT_STREQ(r.media.title, "Radio One");
    EXPECT_STREQ(r.moreinfo, "Someone");
    EXPECT_EQ(r.media.moreinfo, r.moreinfo);

    // Nothing heard changes nothing.
    heard = Heard(nullptr, nullptr);
    KeepStreamNames(r.Fields(), heard);
    EXPECT_STREQ(r.media.title, "Radio One");
    EXPECT_STREQ(r.media.moreinfo, "Someone");

    r.fileInfo.duration = 1234;
    r.fileInfo.has_title = true;
    ReleaseMedium(r.Fields());
    EXPECT_EQ(r.url, nullptr);
    EXPECT_EQ(r.title, nullptr);
    EXPECT_EQ(r.moreinfo, nullptr);
    EXPECT_EQ(r.media.url, nullptr);
    EXPECT_EQ(r.media.title, nullptr);
    EXPECT_EQ(r.media.moreinfo, nullptr);
    EXPECT_EQ(r.fileInfo.duration, MpegFileInfo{}.duration);
    EXPECT_FALSE(r.fileInfo.has_title);
}

}  // namespace
}  // namespace brisko::core
