// The native front ends' picture thread: one thread that seeds the random
// source once and then, on request, plans a picture and has the band pool
// fill a PixelBuffer with it. It never touches the display; the main thread
// shows what it made, and so keeps answering the display server and the
// signals while a picture is made.
//
// Ownership: while `busy`, the PixelBuffer belongs to the worker; once the
// worker has written a byte to `readyPipe[1]` and cleared `busy`, it
// belongs to the main thread until the next request.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "picture/picture.h"
#include "native/band_pool.h"

struct PictureThread {
    std::thread thread;
    std::mutex lock;
    std::condition_variable wake;
    uint32_t seed = 0;
    int readyPipe[2] = {-1, -1};  // the worker writes one byte for each finished request

    // Written by the main thread under `lock`.
    bool requested = false;
    bool stopping = false;
    int32_t requestWidth = 0;   // even-rounded window size of the picture asked for
    int32_t requestHeight = 0;

    // Written by the worker under `lock`; `busy` is set by the main thread
    // when it asks.
    bool busy = false;
    bool failed = false;         // no memory for the buffer or no threads for the pool
    uint64_t pictureNumber = 0;  // position of the last picture in the seed's sequence, 1-based
    double generationSeconds = 0.0;

    // The worker's own: the PixelBuffer (width x height, 0x00RRGGBB, row 0 the
    // bottom line), the plan and the band pool.
    std::vector<uint32_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
    std::unique_ptr<PicturePlan> plan;
    BandPool pool;
    bool poolStarted = false;
};

// Creates the pipe and starts the thread, which seeds the random source with
// `seed` and then waits. Returns false when either fails.
bool StartPictureThread(PictureThread* worker, uint32_t seed);

// Asks for the next picture of the sequence at `width` x `height` (both
// even). The worker must not be busy.
void RequestPicture(PictureThread* worker, int32_t width, int32_t height);

// Reads the byte of a finished request from the pipe; returns true when a
// picture is ready in `pixels` (false when the worker failed).
bool TakeFinishedPicture(PictureThread* worker);

// Stops the idle worker, joins it, stops its pool, closes the pipe and
// frees the buffers; safe to call twice. Returns false and changes nothing
// while the worker is busy: the band pool finishes a picture it has begun,
// so a busy worker cannot be stopped at once.
bool StopPictureThread(PictureThread* worker);
