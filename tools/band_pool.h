// A small pool of native threads that fills one picture's rows in bands.
//
// The pool's threads start once and live until StopBandPool; each owns its
// pair of row buffers, sized for the widest picture the pool was started
// for, so rendering allocates nothing per picture. Bands give exactly the
// pixels of one whole pass, so the result never depends on the thread count.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "picture/picture.h"

struct BandPool {
    std::vector<std::thread> threads;
    std::vector<float> rowBuffers;  // two rows of `maxWidth` floats per thread
    int32_t maxWidth = 0;
    bool useReference = false;  // the plain scalar evaluation instead of the fast one

    std::mutex lock;
    std::condition_variable wake;
    std::condition_variable done;
    const PicturePlan* plan = nullptr;  // the picture in progress, null when idle
    uint32_t* pixels = nullptr;
    int32_t nextBand = 0;
    int32_t bandCount = 0;
    int32_t bandsLeft = 0;
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

// Ends the threads and releases the row buffers; safe to call twice.
void StopBandPool(BandPool* pool);

// The number of threads the machine runs at once (at least 1).
int32_t DefaultThreadCount(void);
