// The browser's door to the picture generator: the page and its workers
// plan pictures and fill work items through these few C entries, so the
// web page shows exactly the pixels of the other front ends. Each
// WebAssembly instance (the page's own or a worker's) holds one picture at
// a time in its own memory.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdlib>

#include "picture/fast_path.h"
#include "picture/picture.h"
#include "picture/random.h"

namespace {

struct WebPicture {
    PicturePlan plan;
    int32_t windowWidth;
    int32_t windowHeight;
    uint32_t* pixels;       // the even-rounded PixelBuffer
    size_t pixelCapacity;   // in pixels
    void* scratch;
    int32_t scratchWidth;
    uint8_t* rgba;          // window lines handed to the page
    size_t rgbaCapacity;    // in bytes
    // The row ranges that the last filled item wrote: [first, end) pairs.
    int32_t ranges[4];
    int32_t rangeCount;     // pairs in ranges, 0 to 2
};

WebPicture web;

// Puts the random source before picture `picture` (1-based) of `seed`: any
// picture number at once, so a shared address of a far picture opens as
// fast as the first.
void PositionRandom(uint32_t seed, uint32_t picture)
{
    SeedRandom(seed);
    SkipPictures(picture - 1);
}

bool Reserve(void** block, size_t* capacity, size_t bytes)
{
    if (*block && *capacity >= bytes) return true;
    void* grown = std::realloc(*block, bytes);
    if (!grown) return false;
    *block = grown;
    *capacity = bytes;
    return true;
}

}  // namespace

extern "C" {

// Plans picture `picture` (1 or more) of `seed` for a window of
// `width` x `height` (1 to 16384 each) at the even-rounded size, variant
// 0 to 7 forced or -1 for the drawn one. Returns the number of work items,
// or -1 when the picture's memory cannot be had (the picture is not
// planned then, and the random source stays before it).
EMSCRIPTEN_KEEPALIVE int32_t OndulitePlan(uint32_t seed, uint32_t picture, int32_t width, int32_t height,
                                          int32_t variant)
{
    if (picture < 1 || width < 1 || height < 1 || width > 16384 || height > 16384) return -1;
    const int32_t bufferWidth = (width + 1) & ~1;
    const int32_t bufferHeight = (height + 1) & ~1;
    size_t pixelBytes = (size_t)bufferWidth * (size_t)bufferHeight * sizeof(uint32_t);
    size_t capacity = web.pixelCapacity * sizeof(uint32_t);
    if (!Reserve((void**)&web.pixels, &capacity, pixelBytes)) return -1;
    web.pixelCapacity = capacity / sizeof(uint32_t);
    if (web.scratchWidth < bufferWidth) {
        std::free(web.scratch);
        web.scratch = std::malloc(PictureScratchSize(bufferWidth));
        web.scratchWidth = web.scratch ? bufferWidth : 0;
        if (!web.scratch) return -1;
    }
    PositionRandom(seed, picture);
    PlanPicture(&web.plan, bufferWidth, bufferHeight, variant);
    web.windowWidth = width;
    web.windowHeight = height;
    return PictureWorkItemCount(&web.plan);
}

// The variant of the planned picture.
EMSCRIPTEN_KEEPALIVE int32_t OnduliteVariant(void)
{
    return web.plan.variant;
}

// Fills work item `item` of the planned picture and returns how many row
// ranges it wrote (OnduliteRangeFirst/End tell them). An item writes whole
// rows, so a row is known written when its first pixel lost the mark that
// no generated pixel carries (the generator's top byte is zero).
EMSCRIPTEN_KEEPALIVE int32_t OnduliteFillItem(int32_t item)
{
    const int32_t width = web.plan.width;
    const int32_t height = web.plan.height;
    web.rangeCount = 0;
    if (item < 0 || item >= PictureWorkItemCount(&web.plan)) return 0;
    for (int32_t y = 0; y < height; ++y) web.pixels[(size_t)y * (size_t)width] = 0xFF000000u;
    FillPictureWorkItem(&web.plan, web.pixels, item, web.scratch);
    int32_t y = 0;
    while (y < height && web.rangeCount < 2) {
        while (y < height && web.pixels[(size_t)y * (size_t)width] == 0xFF000000u) ++y;
        if (y == height) break;
        const int32_t first = y;
        while (y < height && web.pixels[(size_t)y * (size_t)width] != 0xFF000000u) ++y;
        web.ranges[2 * web.rangeCount] = first;
        web.ranges[2 * web.rangeCount + 1] = y;
        ++web.rangeCount;
    }
    return web.rangeCount;
}

EMSCRIPTEN_KEEPALIVE int32_t OnduliteRangeFirst(int32_t range)
{
    return range >= 0 && range < web.rangeCount ? web.ranges[2 * range] : 0;
}

EMSCRIPTEN_KEEPALIVE int32_t OnduliteRangeEnd(int32_t range)
{
    return range >= 0 && range < web.rangeCount ? web.ranges[2 * range + 1] : 0;
}

// The window lines that PixelBuffer rows firstRow to endRow - 1 show, as
// canvas RGBA (red, green, blue, 255), top line first, the window's width
// (the even-rounding column and line left out, as the saver clips them).
// The lines are those from OnduliteLinesFirst(endRow) on, count
// OnduliteLinesCount(firstRow, endRow). Returns null when memory fails.
EMSCRIPTEN_KEEPALIVE int32_t OnduliteLinesFirst(int32_t endRow)
{
    return web.plan.height - endRow;
}

EMSCRIPTEN_KEEPALIVE int32_t OnduliteLinesCount(int32_t firstRow, int32_t endRow)
{
    const int32_t top = web.plan.height - endRow;
    int32_t bottom = web.plan.height - firstRow;
    if (bottom > web.windowHeight) bottom = web.windowHeight;
    return bottom > top ? bottom - top : 0;
}

EMSCRIPTEN_KEEPALIVE uint8_t* OnduliteLines(int32_t firstRow, int32_t endRow)
{
    const int32_t top = web.plan.height - endRow;
    const int32_t count = OnduliteLinesCount(firstRow, endRow);
    const int32_t width = web.windowWidth;
    if (!Reserve((void**)&web.rgba, &web.rgbaCapacity, (size_t)(count > 0 ? count : 1) * (size_t)width * 4))
        return nullptr;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t line = top + i;
        const uint32_t* row = web.pixels + (size_t)(web.plan.height - 1 - line) * (size_t)web.plan.width;
        // Canvas bytes red, green, blue, 255 read as one little-endian
        // word: 0xFFBBGGRR. Whole words, so the compiler can vectorise.
        uint32_t* out = (uint32_t*)(void*)(web.rgba + (size_t)i * (size_t)width * 4);
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t p = row[x];
            out[x] = 0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
        }
    }
    return web.rgba;
}

// The name of the kernel that fills the items: "wasm128" or "portable".
EMSCRIPTEN_KEEPALIVE const char* OnduliteKernelName(void)
{
    return SimdLevelName(ActiveSimdLevel());
}

}  // extern "C"
