#include "tools/band_pool.h"

// Bands are a few rows tall so that threads that finish early take more
// and no core idles on the last one.
static constexpr int32_t kRowsPerBand = 16;

static void BandThread(BandPool* pool, int32_t index)
{
    float* previousRow = pool->rowBuffers.data() + (size_t)index * 2 * (size_t)pool->maxWidth;
    float* currentRow = previousRow + pool->maxWidth;
    uint64_t seen = 0;
    std::unique_lock<std::mutex> guard(pool->lock);
    for (;;) {
        pool->wake.wait(guard, [&] { return pool->stopping || (pool->plan && pool->generation != seen); });
        if (pool->stopping) return;
        seen = pool->generation;
        while (pool->nextBand < pool->bandCount) {
            int32_t band = pool->nextBand++;
            const PicturePlan* plan = pool->plan;
            uint32_t* pixels = pool->pixels;
            guard.unlock();
            int32_t firstRow = band * kRowsPerBand;
            int32_t endRow = firstRow + kRowsPerBand < plan->height ? firstRow + kRowsPerBand : plan->height;
            if (pool->useReference)
                FillPictureRowsReference(plan, pixels, previousRow, currentRow, firstRow, endRow);
            else
                FillPictureRows(plan, pixels, previousRow, currentRow, firstRow, endRow);
            guard.lock();
            if (--pool->bandsLeft == 0) pool->done.notify_all();
        }
    }
}

bool StartBandPool(BandPool* pool, int32_t threadCount, int32_t maxWidth)
{
    if (threadCount < 1) threadCount = 1;
    pool->maxWidth = maxWidth > 0 ? maxWidth : 1;
    pool->rowBuffers.assign((size_t)threadCount * 2 * (size_t)pool->maxWidth, 0.0f);
    pool->stopping = false;
    for (int32_t i = 0; i < threadCount; ++i) {
        try {
            pool->threads.emplace_back(BandThread, pool, i);
        } catch (...) {
            StopBandPool(pool);
            return false;
        }
    }
    return true;
}

void RenderWithBandPool(BandPool* pool, const PicturePlan* plan, uint32_t* pixels)
{
    if (plan->height <= 0 || plan->width <= 0) return;
    std::unique_lock<std::mutex> guard(pool->lock);
    pool->plan = plan;
    pool->pixels = pixels;
    pool->nextBand = 0;
    pool->bandCount = (plan->height + kRowsPerBand - 1) / kRowsPerBand;
    pool->bandsLeft = pool->bandCount;
    ++pool->generation;
    pool->wake.notify_all();
    pool->done.wait(guard, [&] { return pool->bandsLeft == 0; });
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
    pool->rowBuffers.clear();
    pool->rowBuffers.shrink_to_fit();
}

int32_t DefaultThreadCount(void)
{
    unsigned count = std::thread::hardware_concurrency();
    return count > 0 ? (int32_t)count : 1;
}
