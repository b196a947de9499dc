#include "render/image_queue.h"

#include "render/image_file.h"

static void ImageWriter(ImageQueue* queue)
{
    std::unique_lock<std::mutex> guard(queue->lock);
    for (;;) {
        queue->changed.wait(guard, [&] { return queue->stopping || !queue->waiting.empty(); });
        if (queue->waiting.empty()) return;  // stopping, and nothing left to write
        int32_t slot = queue->waiting.front();
        queue->waiting.erase(queue->waiting.begin());
        ImageJob job = queue->jobs[(size_t)slot];
        const uint8_t* rgb = queue->images[(size_t)slot].data();
        guard.unlock();
        std::string error;
        bool written = WriteImageFile(job.path, queue->format, rgb, queue->width, queue->height, &error);
        guard.lock();
        if (!written && (!queue->failed || job.number < queue->failedNumber)) {
            queue->failed = true;
            queue->failedNumber = job.number;
            queue->error = error;
        }
        queue->jobs[(size_t)slot].taken = false;
        --queue->busy;
        queue->changed.notify_all();
    }
}

bool StartImageQueue(ImageQueue* queue, int32_t writerCount, int32_t slots, ImageFormat format, int32_t width,
                     int32_t height, std::string* error)
{
    queue->format = format;
    queue->width = width;
    queue->height = height;
    queue->stopping = false;
    const size_t bytes = (size_t)width * (size_t)height * 3;
    if (slots < 1) slots = 1;
    if (writerCount < 1) writerCount = 1;
    try {
        queue->images.reserve((size_t)slots);
        queue->jobs.reserve((size_t)slots);
        for (int32_t i = 0; i < slots; ++i) {
            queue->images.emplace_back(bytes);
            queue->jobs.emplace_back();
        }
    } catch (...) {
        // Fewer buffers only make the pictures wait for the writers.
        queue->images.resize(queue->jobs.size());
    }
    if (queue->images.empty()) {
        *error = "not enough memory for a " + std::to_string(width) + "x" + std::to_string(height) + " picture";
        return false;
    }
    try {
        for (int32_t i = 0; i < writerCount; ++i) queue->writers.emplace_back(ImageWriter, queue);
    } catch (...) {
        if (queue->writers.empty()) {
            std::string ignored;
            FinishImageQueue(queue, &ignored);
            *error = "cannot start the threads that write the files";
            return false;
        }
    }
    return true;
}

int32_t TakeImageSlot(ImageQueue* queue)
{
    std::unique_lock<std::mutex> guard(queue->lock);
    queue->changed.wait(guard, [&] { return queue->failed || queue->busy < (int32_t)queue->jobs.size(); });
    if (queue->failed) return -1;
    for (size_t slot = 0; slot < queue->jobs.size(); ++slot) {
        if (queue->jobs[slot].taken) continue;
        queue->jobs[slot].taken = true;
        ++queue->busy;
        return (int32_t)slot;
    }
    return -1;
}

uint8_t* ImageSlotPixels(ImageQueue* queue, int32_t slot)
{
    return queue->images[(size_t)slot].data();
}

void QueueImage(ImageQueue* queue, int32_t slot, const std::string& path, uint32_t number)
{
    std::lock_guard<std::mutex> guard(queue->lock);
    queue->jobs[(size_t)slot].path = path;
    queue->jobs[(size_t)slot].number = number;
    queue->waiting.push_back(slot);
    queue->changed.notify_all();
}

bool FinishImageQueue(ImageQueue* queue, std::string* error)
{
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        queue->stopping = true;
    }
    queue->changed.notify_all();
    for (std::thread& writer : queue->writers)
        if (writer.joinable()) writer.join();
    queue->writers.clear();
    queue->waiting.clear();
    queue->images.clear();
    queue->images.shrink_to_fit();
    queue->jobs.clear();
    queue->busy = 0;
    if (queue->failed) *error = queue->error;
    return !queue->failed;
}
