#include "media/RingBuff.h"

#include "media/SyncFailure.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char *kModule = "RingBuff";
constexpr const char *kCalledBeforeInit = "iRingGetBytesInBuffer called before initn\n";
constexpr const char *kNonNullInit = "CALLED INIT ring buff with non-NULL pointer\n";
constexpr const char *kNoMemory = "RingBuff: cannot allocate %lu bytes\n";
constexpr const char *kFreadError = "Ring_Write_Fd: fread error: %s\n";
constexpr const char *kFseekError = "Ring_Seek_Fd fseek error\n: %s\n";
constexpr double kHighWaterMark = 0.95;
constexpr unsigned long kWriterGap = 4;  // the file writer always leaves this much room free

void Lock(RingBuffer *ring, std::source_location where = std::source_location::current())
{
    CheckSync(pthread_mutex_lock(&ring->mutex), "pthread_mutex_lock of mutex", kModule, where);
}

void Unlock(RingBuffer *ring, std::source_location where = std::source_location::current())
{
    CheckSync(pthread_mutex_unlock(&ring->mutex), "pthread_mutex_unlock  of mutex", kModule, where);
}

void WaitForData(RingBuffer *ring, std::source_location where = std::source_location::current())
{
    CheckSync(pthread_cond_wait(&ring->MoreDataAvailable, &ring->mutex), "pthread_cond_wait of MoreDataAvailable",
              kModule, where);
}

void WaitForRoom(RingBuffer *ring, std::source_location where = std::source_location::current())
{
    CheckSync(pthread_cond_wait(&ring->GetMoreData, &ring->mutex), "pthread_cond_wait", kModule, where);
}

void SignalRoom(RingBuffer *ring, std::source_location where = std::source_location::current())
{
    CheckSync(pthread_cond_signal(&ring->GetMoreData), "pthread_cond_signal of GetMoreData", kModule, where);
}

void BroadcastData(RingBuffer *ring, std::source_location where = std::source_location::current())
{
    CheckSync(pthread_cond_broadcast(&ring->MoreDataAvailable), "pthread_cond_broadcast of MoreDataAvailable", kModule,
              where);
}

// Bytes buffered, lock held.
unsigned long iRingGetBytesInBuffer(RingBuffer *ring)
{
    if (ring->State == 0) {
        std::fputs(kCalledBeforeInit, stdout);
        return 0;
    }
    if (ring->State == 3)
        return ring->ulBuffSize;
    unsigned char *read = ring->ulReadMode == 2 ? ring->pWaitingConsumption : ring->pReadPointer;
    unsigned char *base = ring->ulReadMode == 2 ? ring->pWrapReadBase : ring->pBufferStart;
    if (ring->pWritePointer >= read)
        return static_cast<unsigned long>(ring->pWritePointer - read);
    return static_cast<unsigned long>((ring->pBufferEnd - read) + (ring->pWritePointer - base));
}

// Bytes the producer may store, lock held.
unsigned long iRingRoom(RingBuffer *ring)
{
    unsigned long bytes = iRingGetBytesInBuffer(ring);
    if (ring->ulReadMode == 2)
        bytes -= std::min<unsigned long>(bytes, static_cast<unsigned long>(ring->pBufferStart - ring->pWrapReadBase));
    return ring->ulBuffSize > bytes ? ring->ulBuffSize - bytes : 0;
}

unsigned long HighWater(RingBuffer *ring)
{
    return static_cast<unsigned long>(static_cast<double>(ring->ulBuffSize) * ring->dHighWaterMark);
}

// Consumption wakes a producer waiting for room only once the ring has drained to an eighth, so
// that it refills in few large reads instead of one small read (and two thread switches) per
// frame; thread switches cost far more than the reads. A consumer about to wait for data wakes it
// at once.
unsigned long LowWater(RingBuffer *ring)
{
    return std::min(HighWater(ring), ring->ulBuffSize / 8);
}

void iFlushRingBuffer(RingBuffer *ring)
{
    ring->bEndOfData = 0;
    ring->pReadPointer = ring->pWritePointer = ring->pBufferStart;
    ring->pWaitingConsumption = ring->pWrapReadBase = ring->pBufferStart;
    ring->pBufferEnd = ring->pBufferHead ? ring->pBufferHead + ring->ulBuffSizeFull : nullptr;
    ring->dHighWaterMark = kHighWaterMark;
    ring->TotalBytesWritten = ring->TotalBytesRead = 0;
    ring->State = 2;
    SignalRoom(ring);
}

// After the producer stored bytes: full when the write pointer met the read pointer.
void iAfterWrite(RingBuffer *ring)
{
    ring->State = ring->pWritePointer == ring->pReadPointer ? 3 : 1;
    if (iRingGetBytesInBuffer(ring) > 0)
        BroadcastData(ring);
}

// Stores bytes at the write pointer, continuing at the ring's start past its end.
void iStore(RingBuffer *ring, const unsigned char *data, unsigned long n)
{
    unsigned long first =
        std::min<unsigned long>(n, static_cast<unsigned long>(ring->pBufferEnd - ring->pWritePointer));
    std::memcpy(ring->pWritePointer, data, first);
    ring->pWritePointer += first;
    if (ring->pWritePointer == ring->pBufferEnd) {
        ring->pWritePointer = ring->pBufferStart;
        ring->pWrapReadBase = ring->pBufferStart;
    }
    if (n > first) {
        std::memcpy(ring->pWritePointer, data + first, n - first);
        ring->pWritePointer += n - first;
    }
    ring->TotalBytesWritten += n;
}

bool iDataWraps(RingBuffer *ring)
{
    return ring->pWritePointer < ring->pReadPointer ||
           (ring->State == 3 && ring->pWritePointer == ring->pReadPointer && ring->pReadPointer != ring->pBufferStart);
}

// Copies the bytes before the ring's end in front of its start, so that they run on into it.
void iWrapCopy(RingBuffer *ring, unsigned long tail)
{
    unsigned char *to = ring->pBufferStart - tail;
    std::memmove(to, ring->pReadPointer, tail);
    ring->pReadPointer = to;
    ring->pWrapReadBase = to;
}

// Makes every buffered byte contiguous from the ring's start, for a consumer that needs more
// than the bytes before the ring's end and whose tail does not fit in the wrap area.
void iLinearise(RingBuffer *ring, unsigned long avail)
{
    std::rotate(ring->pBufferStart, ring->pReadPointer, ring->pBufferEnd);
    ring->pReadPointer = ring->pWrapReadBase = ring->pBufferStart;
    ring->pWritePointer = ring->pBufferStart + avail;
    if (ring->pWritePointer == ring->pBufferEnd)
        ring->pWritePointer = ring->pBufferStart;
}

}  // namespace

int InitRingBuffer(RingBuffer *ring, unsigned long size, unsigned long readMode, unsigned long writeMode)
{
    Lock(ring);
    const unsigned long wrap = size / 24 * 4;
    if (ring->pBufferHead) {
        std::fputs(kNonNullInit, stdout);
        // A block of another size cannot be reused: its pointers would run past it.
        if (ring->ulBuffSizeFull != size) {
            std::free(ring->pBufferHead);
            ring->pBufferHead = nullptr;
        }
    }
    if (!ring->pBufferHead)
        ring->pBufferHead = static_cast<unsigned char *>(std::malloc(size ? size : 1));
    if (!ring->pBufferHead) {
        std::fprintf(stderr, kNoMemory, size);
        Unlock(ring);
        return -1;
    }
    ring->bEndOfData = 0;
    ring->ulReadMode = readMode;
    ring->ulWriteMode = writeMode;
    ring->ulWrapBuffSize = wrap;
    ring->ulBuffSizeFull = size;
    ring->ulBuffSize = size - wrap;
    ring->pBufferStart = ring->pBufferHead + wrap;
    ring->pBufferEnd = ring->pBufferHead + size;
    ring->pReadPointer = ring->pWritePointer = ring->pBufferStart;
    ring->pWaitingConsumption = ring->pWrapReadBase = ring->pBufferStart;
    ring->dHighWaterMark = kHighWaterMark;
    ring->TotalBytesWritten = ring->TotalBytesRead = 0;
    ring->State = 2;
    Unlock(ring);
    return 0;
}

int DeleteRingBuffer(RingBuffer *ring)
{
    Lock(ring);
    std::free(ring->pBufferHead);
    ring->pBufferHead = ring->pBufferStart = ring->pBufferEnd = nullptr;
    ring->pReadPointer = ring->pWritePointer = ring->pWaitingConsumption = ring->pWrapReadBase = nullptr;
    Unlock(ring);
    return 0;
}

int FlushRingBuffer(RingBuffer *ring)
{
    Lock(ring);
    iFlushRingBuffer(ring);
    Unlock(ring);
    return 0;
}

int CloseRingBufferNotify(RingBuffer *ring)
{
    Lock(ring);
    ring->bEndOfData = 1;
    SignalRoom(ring);
    BroadcastData(ring);
    Unlock(ring);
    return 0;
}

int RingBufferLock(RingBuffer *ring)
{
    Lock(ring);
    return 0;
}

int RingBufferUnLock(RingBuffer *ring)
{
    Unlock(ring);
    return 0;
}

bool RingEndOfData(RingBuffer *ring)
{
    Lock(ring);
    const bool ended = ring->bEndOfData != 0;
    Unlock(ring);
    return ended;
}

void RingClearEndOfData(RingBuffer *ring)
{
    Lock(ring);
    ring->bEndOfData = 0;
    Unlock(ring);
}

int RingWaitMoreData(RingBuffer *ring)
{
    Lock(ring);
    if (!ring->bEndOfData) {
        SignalRoom(ring);
        WaitForData(ring);
    }
    Unlock(ring);
    return 0;
}

unsigned long RingGetBytesInBuffer(RingBuffer *ring)
{
    Lock(ring);
    unsigned long bytes = iRingGetBytesInBuffer(ring);
    Unlock(ring);
    return bytes;
}

unsigned long RingGetFreeInBuffer(RingBuffer *ring)
{
    Lock(ring);
    unsigned long bytes = iRingGetBytesInBuffer(ring);
    unsigned long room = ring->ulBuffSize > bytes ? ring->ulBuffSize - bytes : 0;
    Unlock(ring);
    return room;
}

unsigned long RingFullPercent(RingBuffer *ring)
{
    Lock(ring);
    unsigned long bytes = iRingGetBytesInBuffer(ring);
    unsigned long percent = ring->ulBuffSize ? std::min<unsigned long>(100, bytes * 100 / ring->ulBuffSize) : 0;
    Unlock(ring);
    return percent;
}

int Ring_Write_Fd(RingBuffer *ring, FILE *stream, unsigned long maxBytes)
{
    Lock(ring);
    if (ring->bEndOfData || !stream) {
        Unlock(ring);
        return -1;
    }
    if (std::feof(stream)) {
        ring->bEndOfData = 1;
        BroadcastData(ring);
        Unlock(ring);
        return -1;
    }
    while (iRingGetBytesInBuffer(ring) >= HighWater(ring) && !ring->bEndOfData)
        WaitForRoom(ring);
    unsigned long room = iRingRoom(ring);
    if (maxBytes != 0 && maxBytes < room)
        room = maxBytes;
    if (room <= kWriterGap) {
        Unlock(ring);
        return 0;
    }
    unsigned long want = room - kWriterGap;
    unsigned long got = 0;
    while (got < want) {
        unsigned long piece =
            std::min<unsigned long>(want - got, static_cast<unsigned long>(ring->pBufferEnd - ring->pWritePointer));
        size_t n = std::fread(ring->pWritePointer, 1, piece, stream);
        if (std::ferror(stream)) {
            std::fprintf(stderr, kFreadError, std::strerror(errno));
            Unlock(ring);
            return -3;
        }
        ring->pWritePointer += n;
        ring->TotalBytesWritten += n;
        got += n;
        if (ring->pWritePointer == ring->pBufferEnd) {
            ring->pWritePointer = ring->pBufferStart;
            ring->pWrapReadBase = ring->pBufferStart;
        }
        if (n < piece)
            break;
    }
    // The consumer is woken after the lock is released: woken under it, on a busy or single core it
    // would run at once only to block on the lock the producer still holds.
    bool wake = false;
    if (got > 0) {
        ring->State = ring->pWritePointer == ring->pReadPointer ? 3 : 1;
        wake = iRingGetBytesInBuffer(ring) > 0;
    }
    Unlock(ring);
    if (wake)
        BroadcastData(ring);
    return 0;
}

int Ring_Write_Ptr(RingBuffer *ring, const void *data, unsigned long len)
{
    auto bytes = static_cast<const unsigned char *>(data);
    Lock(ring);
    unsigned long stored = 0;
    while (stored < len) {
        while (iRingRoom(ring) == 0 && !ring->bEndOfData)
            WaitForRoom(ring);
        if (ring->bEndOfData) {
            Unlock(ring);
            return -1;
        }
        unsigned long piece = std::min(len - stored, iRingRoom(ring));
        iStore(ring, bytes + stored, piece);
        stored += piece;
        iAfterWrite(ring);
    }
    Unlock(ring);
    return 0;
}

int Ring_Seek_Fd(RingBuffer *ring, FILE *stream, long offset)
{
    Lock(ring);
    if (!stream || ring->bEndOfData) {
        Unlock(ring);
        return -1;
    }
    iFlushRingBuffer(ring);
    if (std::fseek(stream, offset, SEEK_SET) != 0) {
        std::fprintf(stderr, kFseekError, std::strerror(errno));
        Unlock(ring);
        return -1;
    }
    Unlock(ring);
    return 0;
}

int Ring_Read_Ptr(RingBuffer *ring, unsigned char **ptr, unsigned long *len, unsigned long minBytes,
                  unsigned long maxBytes)
{
    Lock(ring);
    unsigned long avail = iRingGetBytesInBuffer(ring);
    while (avail <= minBytes && !ring->bEndOfData) {
        SignalRoom(ring);
        WaitForData(ring);
        avail = iRingGetBytesInBuffer(ring);
    }
    // Asked after the wait too: data that ends while the consumer waits leaves it nothing to hand out.
    if (ring->TotalBytesWritten <= ring->TotalBytesRead && ring->bEndOfData) {
        Unlock(ring);
        return -1;
    }
    const unsigned long tail = static_cast<unsigned long>(ring->pBufferEnd - ring->pReadPointer);
    const bool wraps = iDataWraps(ring);
    const bool copyFits = tail <= ring->ulWrapBuffSize;
    // A consumer that asks for more than the bytes before the end gets all of them in one run.
    const bool needsMore = ring->ulReadMode == 1 && wraps && tail <= minBytes && avail > tail;
    if (needsMore && !copyFits)
        iLinearise(ring, avail);
    else if (needsMore || (maxBytes == 0 && copyFits && wraps) ||
             (maxBytes != 0 && tail < maxBytes && copyFits && wraps && ring->pWrapReadBase == ring->pBufferStart &&
              ring->ulReadMode != 2))
        iWrapCopy(ring, tail);
    const unsigned long run =
        iDataWraps(ring) ? static_cast<unsigned long>(ring->pBufferEnd - ring->pReadPointer) : avail;
    *ptr = ring->pReadPointer;
    *len = std::min(avail, run);
    if (maxBytes != 0)
        *len = std::min(*len, maxBytes);
    if (ring->ulReadMode == 2 && *len > 0) {
        ring->pReadPointer += *len;
        if (ring->pReadPointer >= ring->pBufferEnd)
            ring->pReadPointer -= ring->pBufferEnd - ring->pBufferStart;
        ring->TotalBytesRead += *len;
        ring->State = ring->pWritePointer == ring->pReadPointer ? 2 : 1;
    }
    Unlock(ring);
    return 0;
}

int Report_Bytes_Read(RingBuffer *ring, unsigned long n)
{
    Lock(ring);
    unsigned long bytes = iRingGetBytesInBuffer(ring);
    if (bytes == 0 && ring->bEndOfData) {
        Unlock(ring);
        return 0;
    }
    n = std::min(n, bytes);
    if (n > 0 && ring->ulReadMode == 1) {
        ring->pReadPointer += n;
        if (ring->pReadPointer >= ring->pBufferEnd)
            ring->pReadPointer = ring->pBufferStart + (ring->pReadPointer - ring->pBufferEnd);
        ring->TotalBytesRead += n;
        ring->State = ring->pWritePointer == ring->pReadPointer ? 2 : 1;
    } else if (n > 0 && ring->ulReadMode == 2) {
        ring->pWaitingConsumption += n;
        if (ring->pWaitingConsumption >= ring->pBufferEnd) {
            ring->pWaitingConsumption = ring->pWrapReadBase + (ring->pWaitingConsumption - ring->pBufferEnd);
            ring->pWrapReadBase = ring->pBufferStart;
        }
    }
    const bool wake = iRingGetBytesInBuffer(ring) < LowWater(ring);
    Unlock(ring);
    if (wake)
        SignalRoom(ring);
    return 0;
}

long Ring_Fill_Bytes(RingBuffer *ring, void *, void *, long count)
{
    Lock(ring);
    while (static_cast<unsigned long>(std::max(0L, count)) >= iRingGetBytesInBuffer(ring) && !ring->bEndOfData) {
        SignalRoom(ring);
        WaitForData(ring);
    }
    if (ring->TotalBytesWritten <= ring->TotalBytesRead && ring->bEndOfData) {
        Unlock(ring);
        return -1;
    }
    ring->State = ring->pWritePointer == ring->pReadPointer ? 3 : 1;
    if (iRingGetBytesInBuffer(ring) > 0)
        BroadcastData(ring);
    Unlock(ring);
    return count;
}

void PrintRingInfo(RingBuffer *ring)
{
    Lock(ring);
    std::printf("pBufferHead %p\n", static_cast<void *>(ring->pBufferHead));
    std::printf("pBufferStart %p\n", static_cast<void *>(ring->pBufferStart));
    std::printf("pBufferEnd %p\n", static_cast<void *>(ring->pBufferEnd));
    std::printf("pReadPointer %p\n", static_cast<void *>(ring->pReadPointer));
    std::printf("pWritePointer %p\n", static_cast<void *>(ring->pWritePointer));
    std::printf("ulBuffSizeFull %lu\n", ring->ulBuffSizeFull);
    std::printf("ulWrapBuffSize %lu\n", ring->ulWrapBuffSize);
    std::printf("ulBuffSize %lu\n", ring->ulBuffSize);
    std::printf("pWaitingConsumption %p\n", static_cast<void *>(ring->pWaitingConsumption));
    std::printf("pWrapReadBase %p\n", static_cast<void *>(ring->pWrapReadBase));
    std::printf("TotalBytesWritten %llu\n", static_cast<unsigned long long>(ring->TotalBytesWritten));
    std::printf("TotalBytesRead %llu\n", static_cast<unsigned long long>(ring->TotalBytesRead));
    std::printf("State %lu\n", ring->State);
    Unlock(ring);
}
