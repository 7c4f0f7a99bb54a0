// RingBuff: a byte ring between one producer thread (file or socket) and one consumer thread
// (which parses and decodes in place), with a wrap area in front of the ring: when a read would
// cross the ring's end, the bytes before the end are copied in front of the ring's start, so
// that the consumer always sees one contiguous run.
//
// Layout of the block of `size` bytes: [wrap area: size/24*4][ring proper: the rest].
// Every operation takes the ring's lock itself. A failed mutex or condition operation prints
// "%s at \"%s\":%d: %s " and aborts; nothing else ends the process.
#pragma once

#include <pthread.h>
#include <cstddef>
#include <cstdint>
#include <cstdio>

struct RingBuffer {
    unsigned char *pBufferHead = nullptr;    // allocated block (null when none)
    unsigned char *pBufferStart = nullptr;   // start of the ring proper = head + ulWrapBuffSize
    unsigned char *pBufferEnd = nullptr;     // end of the ring = head + ulBuffSizeFull
    unsigned char *pReadPointer = nullptr;   // next byte to consume; may lie inside the wrap area
    unsigned char *pWritePointer = nullptr;  // next byte to store
    unsigned long ulBuffSizeFull = 0;        // size of the block
    unsigned long ulWrapBuffSize = 0;        // size of the wrap area
    unsigned long ulBuffSize = 0;            // usable ring size
    double dHighWaterMark = 0.95;            // fill above which the file writer waits
    unsigned long ulReadMode = 0;            // 1: consumer reports with Report_Bytes_Read; 2: Ring_Read_Ptr advances
    unsigned long ulWriteMode = 0;           // stored only
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t GetMoreData = PTHREAD_COND_INITIALIZER;        // the producer waits for room
    pthread_cond_t MoreDataAvailable = PTHREAD_COND_INITIALIZER;  // the consumer waits for data
    unsigned char bEndOfData = 0;                                 // no more data will come; every wait ends
    unsigned char *pWaitingConsumption = nullptr;                 // read mode 2: handed out, not yet released
    unsigned char *pWrapReadBase = nullptr;  // the ring's logical start (pBufferStart, or in the wrap area)
    uint64_t TotalBytesWritten = 0;          // since the last flush
    uint64_t TotalBytesRead = 0;             // since the last flush
    unsigned long State = 0;                 // 0 never initialised, 1 holds data, 2 empty, 3 full
};

// Sets up the ring: end-of-data cleared, block allocated unless one exists (then it is kept and
// the caller must pass the same size), pointers at the ring's start, State 2.
// 0, or -1 when the block cannot be allocated (State stays as it was).
int InitRingBuffer(RingBuffer *ring, unsigned long size, unsigned long readMode, unsigned long writeMode);
// Frees the block.
int DeleteRingBuffer(RingBuffer *ring);
// Empties the ring (end-of-data cleared) and wakes the producer.
int FlushRingBuffer(RingBuffer *ring);
// No more data will come: wakes every waiter for good; readers still get what is buffered.
int CloseRingBufferNotify(RingBuffer *ring);
int RingBufferLock(RingBuffer *ring);
int RingBufferUnLock(RingBuffer *ring);
// Whether the data have ended (bEndOfData), read under the ring's lock.
bool RingEndOfData(RingBuffer *ring);
// Clears end-of-data under the ring's lock, for a ring that is to be used again.
void RingClearEndOfData(RingBuffer *ring);
// Waits once for the producer's next signal that data arrived (or for the close).
int RingWaitMoreData(RingBuffer *ring);
unsigned long RingGetBytesInBuffer(RingBuffer *ring);
unsigned long RingGetFreeInBuffer(RingBuffer *ring);
// Fill in percent of the usable ring, at most 100.
unsigned long RingFullPercent(RingBuffer *ring);

// Producer: fills the free room from a stdio stream (at most maxBytes when not 0), waiting
// while the ring is above its high-water mark. 0; -1 nothing more will come (end of file sets
// end-of-data); -3 read error (message printed).
int Ring_Write_Fd(RingBuffer *ring, FILE *stream, unsigned long maxBytes);
// Producer: stores a block of any length, in pieces as room frees up. 0, or -1 when the ring
// was closed before the whole block was stored (the rest is dropped).
int Ring_Write_Ptr(RingBuffer *ring, const void *data, unsigned long len);
// Empties the ring and seeks the stream to `offset`. -1 when the stream is null, the data has
// ended, or the seek failed.
int Ring_Seek_Fd(RingBuffer *ring, FILE *stream, long offset);

// Consumer: waits until more than minBytes are buffered (or the data has ended), then hands out
// one contiguous run at *ptr, *len bytes (at most maxBytes when not 0). In read mode 1 nothing is
// consumed until Report_Bytes_Read. A consumer that could not use the run (it needs more than
// *len bytes) asks again with minBytes = *len: it then gets every buffered byte as one run, the
// ring making its bytes contiguous across its end if need be.
// 0, or -1 when the data has ended and everything written was consumed.
int Ring_Read_Ptr(RingBuffer *ring, unsigned char **ptr, unsigned long *len, unsigned long minBytes,
                  unsigned long maxBytes);
// Consumer: releases n consumed bytes (at most what is buffered); wakes the producer once the
// ring has drained to an eighth.
int Report_Bytes_Read(RingBuffer *ring, unsigned long n);
// Waits while `count` is not smaller than what is buffered and the data has not ended.
// `count`, or -1 when the data has ended and everything was consumed.
long Ring_Fill_Bytes(RingBuffer *ring, void *unused1, void *unused2, long count);
// Prints the ring's fields, one a line, on standard output.
void PrintRingInfo(RingBuffer *ring);
