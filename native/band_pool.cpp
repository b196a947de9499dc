#include "native/band_pool.h"

#include "picture/float_mode.h"

// Reference bands are a few rows tall so that threads that finish early
// take more and no core idles on the last one.
static constexpr int32_t kRowsPerBand = 16;

static int32_t ItemCount(const BandPool* pool, const PicturePlan* plan)
{
    if (!pool->useReference) return PictureWorkItemCount(plan);
    if (plan->width <= 0 || plan->height <= 0) return 0;
    return (plan->height + kRowsPerBand - 1) / kRowsPerBand;
}

static void FillItem(const BandPool* pool, const PicturePlan* plan, uint32_t* pixels, int32_t item, void* scratch)
{
    if (!pool->useReference) {
        FillPictureWorkItem(plan, pixels, item, scratch);
        return;
    }
    float* previousRow = (float*)scratch;
    float* currentRow = previousRow + pool->maxWidth;
    int32_t firstRow = item * kRowsPerBand;
    int32_t endRow = firstRow + kRowsPerBand < plan->height ? firstRow + kRowsPerBand : plan->height;
    FillPictureRowsReference(plan, pixels, previousRow, currentRow, firstRow, endRow);
}

static void BandThread(BandPool* pool, int32_t index)
{
    UsePictureFloatMode();
    void* scratch = pool->scratch.data() + (size_t)index * pool->scratchSize;
    uint64_t seen = 0;
    std::unique_lock<std::mutex> guard(pool->lock);
    for (;;) {
        pool->wake.wait(guard, [&] { return pool->stopping || (pool->plan && pool->generation != seen); });
        if (pool->stopping) return;
        seen = pool->generation;
        while (pool->nextItem < pool->itemCount) {
            int32_t item = pool->nextItem++;
            const PicturePlan* plan = pool->plan;
            uint32_t* pixels = pool->pixels;
            guard.unlock();
            FillItem(pool, plan, pixels, item, scratch);
            guard.lock();
            if (--pool->itemsLeft == 0) pool->done.notify_all();
        }
    }
}

bool StartBandPool(BandPool* pool, int32_t threadCount, int32_t maxWidth)
{
    if (threadCount < 1) threadCount = 1;
    pool->maxWidth = maxWidth > 0 ? maxWidth : 1;
    // The work items' scratch always holds the reference's two float rows too.
    pool->scratchSize = PictureScratchSize(pool->maxWidth);
    pool->stopping = false;
    try {
        pool->scratch.assign((size_t)threadCount * pool->scratchSize, 0);
        for (int32_t i = 0; i < threadCount; ++i) pool->threads.emplace_back(BandThread, pool, i);
    } catch (...) {
        StopBandPool(pool);
        return false;
    }
    return true;
}

void RenderWithBandPool(BandPool* pool, const PicturePlan* plan, uint32_t* pixels)
{
    int32_t count = ItemCount(pool, plan);
    if (count <= 0) return;
    std::unique_lock<std::mutex> guard(pool->lock);
    pool->plan = plan;
    pool->pixels = pixels;
    pool->nextItem = 0;
    pool->itemCount = count;
    pool->itemsLeft = count;
    ++pool->generation;
    pool->wake.notify_all();
    pool->done.wait(guard, [&] { return pool->itemsLeft == 0; });
    pool->plan = nullptr;
    pool->pixels = nullptr;
}

void StopBandPool(BandPool* pool)
{
    {
        std::lock_guard<std::mutex> guard(pool->lock);
        pool->stopping = true;
    }
    pool->wake.notify_all();
    for (std::thread& thread : pool->threads)
        if (thread.joinable()) thread.join();
    pool->threads.clear();
    pool->scratch.clear();
    pool->scratch.shrink_to_fit();
    pool->scratchSize = 0;
}

int32_t DefaultThreadCount(void)
{
    unsigned count = std::thread::hardware_concurrency();
    return count > 0 ? (int32_t)count : 1;
}
