// Image files written on threads of their own while the next pictures are
// made: encoding a PNG takes several times as long as making its picture.
//
// The queue owns `slots` image buffers of width x height x 3 bytes (laid out
// as WindowImageRgb makes them). The caller takes a free slot, fills it and
// queues it with its path; a writer thread writes it with WriteImageFile and
// frees the slot. Files are written whole or not at all, in any order.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "render/render_options.h"

struct ImageJob {
    std::string path;
    uint32_t number = 0;   // the picture's place in the run, for the order of errors
    bool taken = false;    // being filled, waiting for a writer or being written
};

struct ImageQueue {
    std::vector<std::thread> writers;
    std::vector<std::vector<uint8_t>> images;  // one buffer a slot
    std::vector<ImageJob> jobs;                // one a slot
    ImageFormat format = ImageFormat::Unknown;
    int32_t width = 0;
    int32_t height = 0;

    std::mutex lock;
    std::condition_variable changed;
    std::vector<int32_t> waiting;  // queued slots in the order they came
    int32_t busy = 0;              // slots taken and not yet written
    bool stopping = false;
    bool failed = false;
    uint32_t failedNumber = 0;     // the earliest picture that failed
    std::string error;             // its one-line error
};

// Starts `writerCount` writers (at least 1) and up to `slots` buffers (at
// least 1; fewer when memory runs short) for images of `width` x `height`.
// Returns false with one line in `error` when not even one buffer or one
// writer could be had; the queue is then stopped.
bool StartImageQueue(ImageQueue* queue, int32_t writerCount, int32_t slots, ImageFormat format, int32_t width,
                     int32_t height, std::string* error);

// Waits for a free slot and returns it; -1 once a file has failed, so that
// no further picture is made.
int32_t TakeImageSlot(ImageQueue* queue);
uint8_t* ImageSlotPixels(ImageQueue* queue, int32_t slot);

// Hands a taken and filled slot to the writers.
void QueueImage(ImageQueue* queue, int32_t slot, const std::string& path, uint32_t number);

// Waits until every queued image is written, ends the writers and frees
// the buffers; safe to call twice. Returns false with the error of the
// earliest picture that failed.
bool FinishImageQueue(ImageQueue* queue, std::string* error);
