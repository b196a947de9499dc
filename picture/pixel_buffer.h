// The PixelBuffer: how every front end stores and shows a picture. The
// render tool reproduces the saver's and the hack's pictures only because
// all of them size and read the buffer by these few lines.
//
// Layout: `width` x `height` 32-bit pixels 0x00RRGGBB (in memory blue,
// green, red, zero), rows one after another with no gap, row 0 first. The
// window shows the buffer bottom-up, so row 0 is the bottom line on screen
// and the last row the top line. The generator writes pixels in memory
// order.
//
// Size: a window of W x H shows a buffer of EvenRounded(W) x EvenRounded(H),
// 1:1 from its top left. Where a side was rounded up, the extra rightmost
// column and the extra bottom line (row 0) fall outside the window and are
// clipped.
#pragma once

#include <cstddef>
#include <cstdint>

// A window side rounded up to the even buffer side; sides of 0 or more.
constexpr int32_t EvenRounded(int32_t side)
{
    return side + (side & 1);
}

// The bytes of a buffer of `width` x `height`; 0 when they do not fit in
// memory's addresses.
inline size_t PixelBufferBytes(int32_t width, int32_t height)
{
    uint64_t bytes = (uint64_t)(uint32_t)width * (uint64_t)(uint32_t)height * 4u;
    return bytes > (uint64_t)SIZE_MAX ? 0 : (size_t)bytes;
}

// The stored row that a buffer `bufferHeight` rows tall shows as line
// `line` from the top (0 the top line).
constexpr int32_t RowOfShownLine(int32_t bufferHeight, int32_t line)
{
    return bufferHeight - 1 - line;
}

// The first pixel of the row shown as line `line` from the top.
inline const uint32_t* ShownLine(const uint32_t* pixels, int32_t bufferWidth, int32_t bufferHeight, int32_t line)
{
    return pixels + (ptrdiff_t)RowOfShownLine(bufferHeight, line) * bufferWidth;
}
inline uint32_t* ShownLine(uint32_t* pixels, int32_t bufferWidth, int32_t bufferHeight, int32_t line)
{
    return pixels + (ptrdiff_t)RowOfShownLine(bufferHeight, line) * bufferWidth;
}
