// The picture worker's helpers: a few Win32 threads that fill the work
// items of one picture at a time (picture/picture.h), with the worker
// taking items too, so a picture is made on every processor.
//
// The threads start once per window, with the worker, and stop with it:
// a stop is asked for with a flag that every filling thread, the worker
// included, reads between rows, and the window's stop event, which the
// idle helpers wait on; so a stop waits for one row at most, never for a
// picture or an item. Each thread,
// the worker included, has a slice of one scratch block allocated at the
// window's creation; nothing is allocated per picture. The plan and the
// pixels of a picture belong to the worker; the helpers only read the plan
// and write the rows of the items they take.
//
// Win32 events and interlocked counters only, which every Windows has.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "picture/picture.h"

// Wait functions take at most 64 handles; far more helpers would gain nothing.
constexpr int32_t kMaxPoolThreads = 31;

struct PicturePool;

// What one helper is handed at its start.
struct PoolSeat {
    PicturePool* pool;
    HANDLE wake;     // auto-reset: a picture's items are open
    void* scratch;   // the helper's own slice
};

struct PicturePool {
    HANDLE threads[kMaxPoolThreads];  // the helpers; null until started
    PoolSeat seats[kMaxPoolThreads];
    int32_t threadCount;              // helpers started
    int32_t plannedThreads;           // helpers that the scratch was allocated for
    HANDLE finished;                  // auto-reset: the picture's last item is done
    HANDLE stop;                      // the window's stop event; not owned
    unsigned char* scratch;           // slice 0 the worker's, slice i + 1 helper i's
    size_t scratchStride;             // bytes per slice, whole pages so no two threads share a line
    const PicturePlan* plan;          // the picture being filled
    uint32_t* pixels;
    volatile LONG nextItem;           // the next item to take; kItemsClosed between pictures
    volatile LONG itemCount;
    volatile LONG itemsLeft;          // items not yet filled
    volatile LONG stopAsked;          // non-zero once a stop is asked for; read between rows
};

// Helpers for this machine: one per processor beyond the worker's own,
// at most kMaxPoolThreads.
int32_t PoolThreadsWanted(void);

// Allocates the scratch of the worker and `threadCount` helpers for
// pictures up to `width` pixels wide; false when memory runs out.
bool AllocatePoolScratch(PicturePool* pool, int32_t threadCount, int32_t width);

// Starts the helpers that the scratch was allocated for, each waiting for
// a picture or `stop`. False when an event or a thread could not be made;
// StopPool then releases what was made.
bool StartPool(PicturePool* pool, HANDLE stop);

// Fills every work item of `plan` into `pixels`, on the calling thread and
// the helpers, and returns true once all are done; returns false as soon as
// `stop` is set (items may then still be in progress on the helpers). The
// plan and the pixels must stay as they are until it returns; after a true
// result the caller may change them for the next picture.
bool FillWithPool(PicturePool* pool, const PicturePlan* plan, uint32_t* pixels);

// Asks every thread that fills a picture to give it up within a row;
// FillWithPool then returns false. Call it before setting the stop event.
void AskPoolToStop(PicturePool* pool);

// After the stop event has been set: waits for every helper to end and
// closes the handles. Clears them, so it may run twice.
void StopPool(PicturePool* pool);

// Frees the scratch, once no thread uses it; may run twice.
void FreePoolScratch(PicturePool* pool);
