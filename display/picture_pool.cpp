#include "display/picture_pool.h"

#include "picture/float_mode.h"

namespace {

// Far above any item count, and stays so however often late helpers add one.
constexpr LONG kItemsClosed = 0x3FFFFFFF;
constexpr DWORD kHelperStackSize = 4096;
constexpr size_t kPage = 4096;

// Read before every row: a plain read of the flag, where a look at the
// event would be a call into the system each time.
bool StopAsked(const void* context)
{
    return ((const PicturePool*)context)->stopAsked != 0;
}

// Takes items until none is left or a stop is asked for. A helper that
// wakes late, after its picture was finished, finds the items closed, or
// takes items of the next picture, whose plan is complete by then: items
// are opened only after the plan is written, and closed before it changes.
// An item given up for a stop is never counted, so the picture never
// counts as finished.
void TakeItems(PicturePool* pool, void* scratch)
{
    const PictureStop stop = {StopAsked, pool};
    while (!StopAsked(pool)) {
        LONG item = InterlockedIncrement(&pool->nextItem) - 1;
        if (item >= pool->itemCount) return;
        if (!FillPictureWorkItem(pool->plan, pool->pixels, (int32_t)item, scratch, &stop)) return;
        if (InterlockedDecrement(&pool->itemsLeft) == 0) SetEvent(pool->finished);
    }
}

DWORD WINAPI PoolThread(LPVOID parameter)
{
    UsePictureFloatMode();
    PoolSeat* seat = (PoolSeat*)parameter;
    PicturePool* pool = seat->pool;
    HANDLE events[2] = {pool->stop, seat->wake};
    // The stop event comes first, so a stop wins over a picture.
    while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) TakeItems(pool, seat->scratch);
    return 0;
}

void CloseHandleOnce(HANDLE* handle)
{
    if (*handle) {
        CloseHandle(*handle);
        *handle = nullptr;
    }
}

}  // namespace

int32_t PoolThreadsWanted(void)
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    int32_t helpers = (int32_t)system.dwNumberOfProcessors - 1;
    if (helpers < 0) helpers = 0;
    return helpers > kMaxPoolThreads ? kMaxPoolThreads : helpers;
}

bool AllocatePoolScratch(PicturePool* pool, int32_t threadCount, int32_t width)
{
    if (threadCount < 0 || threadCount > kMaxPoolThreads) return false;
    size_t slice = (PictureScratchSize(width) + kPage - 1) / kPage * kPage;
    size_t slices = (size_t)threadCount + 1;
    if (slice == 0 || slice > (SIZE_MAX - kPage) / slices) return false;
    pool->scratch = (unsigned char*)VirtualAlloc(nullptr, slice * slices, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!pool->scratch) return false;
    pool->scratchStride = slice;
    pool->plannedThreads = threadCount;
    return true;
}

bool StartPool(PicturePool* pool, HANDLE stop)
{
    pool->stop = stop;
    pool->stopAsked = 0;
    pool->nextItem = kItemsClosed;
    pool->itemCount = 0;
    pool->finished = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!pool->finished) return false;
    for (int32_t i = 0; i < pool->plannedThreads; ++i) {
        PoolSeat* seat = &pool->seats[i];
        seat->pool = pool;
        seat->scratch = pool->scratch + (size_t)(i + 1) * pool->scratchStride;
        seat->wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!seat->wake) return false;
        // Windows 95, 98 and Me refuse a null identifier pointer.
        DWORD threadId = 0;
        pool->threads[i] = CreateThread(nullptr, kHelperStackSize, PoolThread, seat, 0, &threadId);
        if (!pool->threads[i]) return false;
        pool->threadCount = i + 1;
    }
    return true;
}

bool FillWithPool(PicturePool* pool, const PicturePlan* plan, uint32_t* pixels)
{
    LONG count = PictureWorkItemCount(plan);
    if (count <= 0) return true;
    pool->plan = plan;
    pool->pixels = pixels;
    pool->itemCount = count;
    pool->itemsLeft = count;
    // Opening the items publishes the plan: the exchange is a full barrier.
    InterlockedExchange(&pool->nextItem, 0);
    for (int32_t i = 0; i < pool->threadCount; ++i) SetEvent(pool->seats[i].wake);
    TakeItems(pool, pool->scratch);
    HANDLE events[2] = {pool->stop, pool->finished};
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return false;
    // Closed before the caller changes the plan; a helper still looking
    // for items compares against this picture's count until then.
    InterlockedExchange(&pool->nextItem, kItemsClosed);
    return true;
}

void AskPoolToStop(PicturePool* pool)
{
    InterlockedExchange(&pool->stopAsked, 1);
}

void StopPool(PicturePool* pool)
{
    if (pool->threadCount > 0) WaitForMultipleObjects((DWORD)pool->threadCount, pool->threads, TRUE, INFINITE);
    for (int32_t i = 0; i < kMaxPoolThreads; ++i) {
        CloseHandleOnce(&pool->threads[i]);
        CloseHandleOnce(&pool->seats[i].wake);
    }
    pool->threadCount = 0;
    CloseHandleOnce(&pool->finished);
    pool->plan = nullptr;
    pool->pixels = nullptr;
}

void FreePoolScratch(PicturePool* pool)
{
    if (pool->scratch) {
        VirtualFree(pool->scratch, 0, MEM_RELEASE);
        pool->scratch = nullptr;
    }
    pool->scratchStride = 0;
    pool->plannedThreads = 0;
}
