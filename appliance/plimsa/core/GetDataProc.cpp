// The producer thread: fills the ring from the file, or from the socket in blocks of 5000 bytes.
// A read error ends the data like an end of file; the decoder thread plays what was read and
// reports the error.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "CoreMessages.h"
#include "mediaapi/HttpOpen.h"
#include "PlimsaCore.h"

namespace plimsa::core {

namespace {

using namespace messages;

constexpr size_t kSocketBlock = 5000;

enum ProduceResult { kProduced = 0, kEndOfData = -1, kReadError = -3, kShortBody = -4, kTransient = 1 };

// A stream with a Content-Length ends there; one that ends before it is a read error.
int ProduceFromSocket(unsigned char* block, HttpBody& body) {
    const long count = ReadHttpBody(mysock, block, kSocketBlock, body);
    if (count == kHttpBodyShort) return kShortBody;
    if (count < 0) {
        // A stalled stream outlives the socket's receive time-out.
        const int error = errno == EAGAIN || errno == EWOULDBLOCK ? ETIMEDOUT : errno;
        if (error == EINTR) return kTransient;
        // perror names errno's cause: the time-out, not the socket's "try again".
        errno = error;
        if (!StopThePlayer) std::perror(kSocketReadError);
        errno = error;
        return kReadError;
    }
    if (count == 0) return kEndOfData;
    return Ring_Write_Ptr(&Ring, block, static_cast<unsigned long>(count)) == 0 ? kProduced : kEndOfData;
}

// Keeps the error's text for the decoder thread; a stop's own wake-up is no error.
void NoteReadError(MvPluginData* pd, const char* text) {
    if (StopThePlayer) return;
    std::fprintf(stderr, "%s: %s\n", kFileReadError, text);
    std::snprintf(pd->producerError, sizeof pd->producerError, kReadErrorReport, text);
}

}  // namespace

void* GetDataProc(void* arg) {
    MvPluginData* pd = Data(static_cast<MvPluginCtrl*>(arg));
    unsigned char block[kSocketBlock];
    HttpBody body{pd->bodyLength};
    while (!StopThePlayer) {
        errno = 0;
        const int result = IsFileMode() ? Ring_Write_Fd(&Ring, pd->input, 0) : ProduceFromSocket(block, body);
        if (result == kReadError) {
            NoteReadError(pd, std::strerror(errno ? errno : EIO));
            break;
        }
        if (result == kShortBody) {
            NoteReadError(pd, HttpBodyErrorText(body));
            break;
        }
        if (result == kEndOfData) break;
    }
    CloseRingBufferNotify(&Ring);
    return nullptr;
}

}  // namespace plimsa::core
