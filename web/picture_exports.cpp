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
#include "picture/pixel_buffer.h"
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
    RowRange ranges[2];     // the rows that the last filled item wrote
    int32_t rangeCount;     // 0 to 2
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
    const int32_t bufferWidth = EvenRounded(width);
    const int32_t bufferHeight = EvenRounded(height);
    size_t pixelBytes = PixelBufferBytes(bufferWidth, bufferHeight);
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
// ranges it wrote (OnduliteRangeFirst/End tell them).
EMSCRIPTEN_KEEPALIVE int32_t OnduliteFillItem(int32_t item)
{
    web.rangeCount = PictureWorkItemRows(&web.plan, item, web.ranges);
    if (web.rangeCount > 0) FillPictureWorkItem(&web.plan, web.pixels, item, web.scratch);
    return web.rangeCount;
}

EMSCRIPTEN_KEEPALIVE int32_t OnduliteRangeFirst(int32_t range)
{
    return range >= 0 && range < web.rangeCount ? web.ranges[range].first : 0;
}

EMSCRIPTEN_KEEPALIVE int32_t OnduliteRangeEnd(int32_t range)
{
    return range >= 0 && range < web.rangeCount ? web.ranges[range].end : 0;
}

// The window lines that PixelBuffer rows firstRow to endRow - 1 show, as
// canvas RGBA (red, green, blue, 255), top line first, the window's width
// (the even-rounding column and line left out, as the saver clips them).
// The lines are those from OnduliteLinesFirst(endRow) on, count
// OnduliteLinesCount(firstRow, endRow). Returns null when memory fails.
//
// Row r shows as line height - 1 - r and line l holds row height - 1 - l:
// RowOfShownLine maps either way.
EMSCRIPTEN_KEEPALIVE int32_t OnduliteLinesFirst(int32_t endRow)
{
    return RowOfShownLine(web.plan.height, endRow - 1);
}

EMSCRIPTEN_KEEPALIVE int32_t OnduliteLinesCount(int32_t firstRow, int32_t endRow)
{
    const int32_t top = OnduliteLinesFirst(endRow);
    // One past the bottom line: the line that row firstRow - 1 would show.
    int32_t bottom = RowOfShownLine(web.plan.height, firstRow - 1);
    if (bottom > web.windowHeight) bottom = web.windowHeight;
    return bottom > top ? bottom - top : 0;
}

EMSCRIPTEN_KEEPALIVE uint8_t* OnduliteLines(int32_t firstRow, int32_t endRow)
{
    const int32_t top = OnduliteLinesFirst(endRow);
    const int32_t count = OnduliteLinesCount(firstRow, endRow);
    const int32_t width = web.windowWidth;
    if (!Reserve((void**)&web.rgba, &web.rgbaCapacity, (size_t)(count > 0 ? count : 1) * (size_t)width * 4))
        return nullptr;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t line = top + i;
        const uint32_t* row = ShownLine(web.pixels, web.plan.width, web.plan.height, line);
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
