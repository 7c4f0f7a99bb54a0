#include "PlayerMedium.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include "CoreMessages.h"
#include "mediaapi/HttpOpen.h"

namespace brisko::core {

void ReleaseMedium(const MediumFields& m)
{
    std::free(m.url);
    std::free(m.title);
    std::free(m.moreinfo);
    m.url = m.title = m.moreinfo = nullptr;
    m.media.url = m.media.title = m.media.moreinfo = nullptr;
    m.fileInfo = MpegFileInfo{};
}

void KeepStreamNames(const MediumFields& m, MvMediaInfo& heard)
{
    if (!m.title && heard.title) m.media.title = m.title = const_cast<char*>(heard.title);
    else std::free(const_cast<char*>(heard.title));
    if (!m.moreinfo && heard.moreinfo) m.media.moreinfo = m.moreinfo = const_cast<char*>(heard.moreinfo);
    else std::free(const_cast<char*>(heard.moreinfo));
}

bool ConnectStream(MvPluginCtrl* ctrl, const MediumFields& m, const std::atomic<bool>& stop, pthread_mutex_t& fileMutex,
                   int& sock, long long& bodyLength, std::string& error)
{
    char errortext[kHttpErrTextSize] = "";
    MvMediaInfo heard{};
    long long length = -1;
    const int opened = OpenHttp(m.url, &heard, errortext, &stop, &length);
    KeepStreamNames(m, heard);
    if (opened < 0) {
        if (!stop) error = *errortext ? errortext : messages::kNoHttpConnection;
        return false;
    }
    pthread_mutex_lock(&fileMutex);
    sock = opened;
    bodyLength = length;
    // A stop that came while connecting found no socket to shut down.
    if (stop) shutdown(opened, SHUT_RDWR);
    pthread_mutex_unlock(&fileMutex);
    m.media.which = MV_MEDIA_INFO;
    ctrl->cb(ctrl, MVS_MEDIA, &m.status);
    return true;
}

void CloseFileAndSocket(pthread_mutex_t& fileMutex, std::FILE*& fp, int& sock)
{
    pthread_mutex_lock(&fileMutex);
    if (fp) std::fclose(fp);
    fp = nullptr;
    if (sock >= 0) close(sock);
    sock = -1;
    pthread_mutex_unlock(&fileMutex);
}

void ReportOpened(MvPluginCtrl* ctrl, const MediumFields& m, StateReport report)
{
    m.status.videoWndTitle = "";
    m.status.position = 0;
    report(ctrl, MV_OPENING, nullptr);
    report(ctrl, MV_STOPPED, nullptr);
}

int CloseMedium(MvPluginCtrl* ctrl, const MediumFields& m, int (*stop)(MvPluginCtrl*), StateReport report)
{
    stop(ctrl);
    ReleaseMedium(m);
    report(ctrl, MV_CLOSED, nullptr);
    return 0;
}

}  // namespace brisko::core
