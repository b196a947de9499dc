#include "native/picture_thread.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "picture/float_mode.h"
#include "picture/random.h"

// Makes sure the pool can fill rows `width` wide and the PixelBuffer has
// `width` x `height` pixels. Both change only when the window's size did.
static bool PrepareForSize(PictureThread* worker, int32_t width, int32_t height)
{
    if (!worker->poolStarted || width > worker->pool.maxWidth) {
        if (worker->poolStarted) StopBandPool(&worker->pool);
        worker->poolStarted = StartBandPool(&worker->pool, DefaultThreadCount(), width);
        if (!worker->poolStarted) return false;
    }
    if (worker->width != width || worker->height != height) {
        try {
            worker->pixels.assign((size_t)width * (size_t)height, 0);
        } catch (...) {
            worker->pixels.clear();
            worker->width = worker->height = 0;
            return false;
        }
        worker->width = width;
        worker->height = height;
    }
    return true;
}

static void WorkerThread(PictureThread* worker)
{
    UsePictureFloatMode();
    SeedRandom(worker->seed);
    for (;;) {
        int32_t width, height;
        {
            std::unique_lock<std::mutex> guard(worker->lock);
            worker->wake.wait(guard, [&] { return worker->requested || worker->stopping; });
            if (worker->stopping) break;
            worker->requested = false;
            width = worker->requestWidth;
            height = worker->requestHeight;
        }
        auto start = std::chrono::steady_clock::now();
        bool ok = PrepareForSize(worker, width, height);
        if (ok) {
            PlanPicture(worker->plan.get(), width, height);
            RenderWithBandPool(&worker->pool, worker->plan.get(), worker->pixels.data());
        }
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        {
            std::lock_guard<std::mutex> guard(worker->lock);
            if (ok) ++worker->pictureNumber;
            worker->failed = !ok;
            worker->generationSeconds = took.count();
            worker->busy = false;
        }
        char byte = 1;
        while (write(worker->readyPipe[1], &byte, 1) < 0 && errno == EINTR) {
        }
    }
    if (worker->poolStarted) StopBandPool(&worker->pool);
    worker->poolStarted = false;
}

bool StartPictureThread(PictureThread* worker, uint32_t seed)
{
    worker->seed = seed;
    try {
        worker->plan.reset(new PicturePlan);
    } catch (...) {
        return false;
    }
    if (pipe2(worker->readyPipe, O_CLOEXEC) != 0) {
        worker->readyPipe[0] = worker->readyPipe[1] = -1;
        return false;
    }
    try {
        worker->thread = std::thread(WorkerThread, worker);
    } catch (...) {
        StopPictureThread(worker);
        return false;
    }
    return true;
}

void RequestPicture(PictureThread* worker, int32_t width, int32_t height)
{
    std::lock_guard<std::mutex> guard(worker->lock);
    worker->requestWidth = width;
    worker->requestHeight = height;
    worker->requested = true;
    worker->busy = true;
    worker->wake.notify_one();
}

bool TakeFinishedPicture(PictureThread* worker)
{
    char byte;
    while (read(worker->readyPipe[0], &byte, 1) < 0 && errno == EINTR) {
    }
    std::lock_guard<std::mutex> guard(worker->lock);
    return !worker->failed;
}

bool StopPictureThread(PictureThread* worker)
{
    if (worker->thread.joinable()) {
        {
            std::lock_guard<std::mutex> guard(worker->lock);
            if (worker->busy) return false;
            worker->stopping = true;
        }
        worker->wake.notify_one();
        worker->thread.join();
    }
    for (int& fd : worker->readyPipe) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
    worker->pixels.clear();
    worker->pixels.shrink_to_fit();
    worker->width = worker->height = 0;
    worker->plan.reset();
    return true;
}
