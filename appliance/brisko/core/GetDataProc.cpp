// The reader thread: fills the ring buffer from the file or the socket until the data ends, a
// stop is asked or a read fails, then ends the ring's data, so that the decoder thread plays what
// is buffered and finishes. A read failure is kept for the decoder thread to report.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "BriskoCore.h"
#include "CoreMessages.h"
#include "mediaapi/HttpOpen.h"

namespace brisko::core {

namespace {

constexpr std::size_t kSocketBlock = 5000;

void KeepReadError(MvPluginData* pd, const char* text)
{
    std::snprintf(pd->readError, sizeof pd->readError, messages::kFileReadError, text);
    std::fprintf(stderr, "%s\n", pd->readError);
}

void KeepReadError(MvPluginData* pd, int error) { KeepReadError(pd, std::strerror(error)); }

void ReadFile(MvPluginData* pd)
{
    while (!pd->StopThePlayer) {
        const int result = Ring_Write_Fd(&pd->mpegRing, pd->fp, 0);
        if (result == -3) {
            KeepReadError(pd, errno ? errno : EIO);
            return;
        }
        if (result < 0) return;
    }
}

// A stream that stalls longer than the connection's receive time-out ends with a read error. A
// stream with a Content-Length ends there; one that ends before it is a read error.
void ReadSocket(MvPluginData* pd)
{
    const int sock = pd->mysock;
    HttpBody body{pd->bodyLength};
    unsigned char block[kSocketBlock];
    while (!pd->StopThePlayer) {
        const long n = ReadHttpBody(sock, block, sizeof block, body);
        if (n > 0) {
            if (Ring_Write_Ptr(&pd->mpegRing, block, static_cast<unsigned long>(n)) != 0) return;
            continue;
        }
        if (n == 0) return;  // the stream ended, or a stop shut the socket down
        if (n == kHttpBodyShort) {
            if (!pd->StopThePlayer) KeepReadError(pd, HttpBodyErrorText(body));
            return;
        }
        if (errno == EINTR) continue;
        if (pd->StopThePlayer) return;
        const int error = errno == EAGAIN || errno == EWOULDBLOCK ? ETIMEDOUT : errno;
        std::fputs(messages::kSocketReadError, stderr);
        KeepReadError(pd, error);
        return;
    }
}

}  // namespace

void* GetDataProc(void* arg)
{
    MvPluginData* pd = Data(static_cast<MvPluginCtrl*>(arg));
    if (IsNetwork()) ReadSocket(pd);
    else ReadFile(pd);
    CloseRingBufferNotify(&pd->mpegRing);
    return nullptr;
}

}  // namespace brisko::core
