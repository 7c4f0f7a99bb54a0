// Opening and closing a medium, on the host's thread. A file's title, artist and duration are
// read at once; a network stream is only noted here and connected by the decoder thread at start.
#include <strings.h>

#include <cstdio>
#include <cstring>

#include "BriskoCore.h"
#include "CoreMessages.h"
#include "brisko/ByteSource.h"

namespace brisko::core {

namespace {

constexpr std::size_t kSchemeLength = 7;  // "http://", "file://"
constexpr uint32_t kStreamType = MV_MEDIA_AUDIO;
constexpr uint32_t kFileType = MV_MEDIA_AUDIO | MV_MEDIA_SEEKABLE;

bool HasScheme(const char* url, const char* scheme) { return strncasecmp(url, scheme, kSchemeLength) == 0; }

char* Copy(const std::string& text) { return strndup(text.data(), text.size()); }

// Title, artist, duration, media length and frame spacing of the file at `path`.
void ReadFileInfo(MvPluginData* pd, const char* path)
{
    std::FILE* fp = std::fopen(path, "rb");
    if (!fp) return;
    get_info(FileByteSource(fp), pd->fileInfo);
    std::fclose(fp);
    const MpegFileInfo& info = pd->fileInfo;
    if (info.has_title) pd->title = Copy(info.title);
    if (info.has_moreinfo) pd->moreinfo = Copy(info.moreinfo);
    pd->media.title = pd->title;
    pd->media.moreinfo = pd->moreinfo;
    pd->media.duration = info.duration;
}

void NoteStream(MvPluginData* pd)
{
    g_Setup.streamType = MV_STREAM;
    pd->media.type = kStreamType;
    pd->media.duration = kDurationUnknown;
}

}  // namespace

const char* FilePath(const char* url) { return std::strlen(url) >= kSchemeLength ? url + kSchemeLength : ""; }

int qnx_open_urls(MvPluginCtrl* ctrl, int count, const char** urls)
{
    if (count <= 0 || !urls || !urls[0]) {
        // A host's mistake, not a reason to end its process.
        std::fputs(messages::kUsage, stderr);
        return -1;
    }
    MvPluginData* pd = Data(ctrl);
    // A medium still playing is stopped and its threads joined before anything of it changes.
    StopDecoder(pd);
    ReleaseMedium(Medium(pd));
    g_Setup.streamType = MV_STREAM_ASFILE;
    const char* url = urls[0];
    pd->url = strdup(url);
    pd->media.which = MV_MEDIA_INFO;
    pd->media.url = pd->url;
    pd->media.duration = 0;
    if (HasScheme(url, "http://")) {
        NoteStream(pd);
    } else {
        if (HasScheme(url, "file://")) pd->media.type = kFileType;
        else std::fputs(messages::kUnrecognizedUrl, stderr);
        ReadFileInfo(pd, FilePath(url));
    }
    pd->lastPosition = 0;
    ReportOpened(ctrl, Medium(pd), qnx_state);
    return 0;
}

int qnx_close(MvPluginCtrl* ctrl) { return CloseMedium(ctrl, Medium(Data(ctrl)), qnx_stop, qnx_state); }

}  // namespace brisko::core
