// The producer thread: fills the ring from the file, or from the socket in blocks of 5000 bytes.
// A read error ends the data like an end of file; the decoder thread plays what was read and
// reports the error.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "CoreMessages.h"
#include "PlimsaCore.h"

namespace plimsa::core {

namespace {

using namespace messages;

constexpr size_t kSocketBlock = 5000;

enum ProduceResult { kProduced = 0, kEndOfData = -1, kReadError = -3, kTransient = 1 };

int ProduceFromSocket(unsigned char* block) {
    const ssize_t count = read(mysock, block, kSocketBlock);
    if (count < 0) {
        const int error = errno;
        if (error == EINTR) return kTransient;
        if (!StopThePlayer) std::perror(kSocketReadError);
        errno = error;
        return kReadError;
    }
    if (count == 0) return kEndOfData;
    return Ring_Write_Ptr(&Ring, block, static_cast<unsigned long>(count)) == 0 ? kProduced : kEndOfData;
}

// Keeps the error's text for the decoder thread; a stop's own wake-up is no error.
void NoteReadError(MvPluginData* pd, int error) {
    if (StopThePlayer) return;
    errno = error;
    std::perror(kFileReadError);
    std::snprintf(pd->producerError, sizeof pd->producerError, kReadErrorReport, std::strerror(error));
}

}  // namespace

void* GetDataProc(void* arg) {
    MvPluginData* pd = Data(static_cast<MvPluginCtrl*>(arg));
    unsigned char block[kSocketBlock];
    while (!StopThePlayer) {
        errno = 0;
        const int result = IsFileMode() ? Ring_Write_Fd(&Ring, pd->input, 0) : ProduceFromSocket(block);
        if (result == kReadError) {
            NoteReadError(pd, errno ? errno : EIO);
            break;
        }
        if (result == kEndOfData) break;
    }
    CloseRingBufferNotify(&Ring);
    return nullptr;
}

}  // namespace plimsa::core
