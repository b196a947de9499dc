// A small pool of native threads that fills one picture's work items.
//
// The pool's threads start once and live until StopBandPool; each owns its
// scratch, sized for the widest picture the pool was started for, so
// rendering allocates nothing per picture. Items give exactly the pixels of
// one whole pass, so the result never depends on the thread count. The
// fast path's items come from picture.h (FillPictureWorkItem); the
// reference path's are bands of rows through FillPictureRowsReference.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "picture/picture.h"

struct BandPool {
    std::vector<std::thread> threads;
    std::vector<unsigned char> scratch;  // `scratchSize` bytes per thread
    size_t scratchSize = 0;
    int32_t maxWidth = 0;
    bool useReference = false;  // the plain scalar evaluation instead of the fast one

    std::mutex lock;
    std::condition_variable wake;
    std::condition_variable done;
    const PicturePlan* plan = nullptr;  // the picture in progress, null when idle
    uint32_t* pixels = nullptr;
    int32_t nextItem = 0;
    int32_t itemCount = 0;
    int32_t itemsLeft = 0;
    uint64_t generation = 0;  // bumped for every picture, so a thread takes each once
    bool stopping = false;
};

// Starts `threadCount` threads (at least 1) for pictures up to `maxWidth`
// pixels wide. Returns false when a thread could not be started; the pool is
// then stopped again.
bool StartBandPool(BandPool* pool, int32_t threadCount, int32_t maxWidth);

// Fills the whole picture of `plan` into `pixels` (plan->width x
// plan->height) and returns when every row is written. plan->width must not
// exceed the pool's maxWidth. The calling thread waits; it does not render.
void RenderWithBandPool(BandPool* pool, const PicturePlan* plan, uint32_t* pixels);

// Ends the threads and releases the scratch; safe to call twice.
void StopBandPool(BandPool* pool);

// The number of threads the machine runs at once (at least 1).
int32_t DefaultThreadCount(void);
