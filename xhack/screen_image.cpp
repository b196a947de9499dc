#include "xhack/screen_image.h"

#include <cstring>

static bool ChannelFromMask(uint32_t mask, ChannelLayout* channel)
{
    if (mask == 0) return false;
    uint32_t shift = 0;
    while (!(mask & (1u << shift))) ++shift;
    uint32_t run = mask >> shift;
    if (run & (run + 1)) return false;  // not one contiguous run of ones
    uint32_t bits = 0;
    while (run) {
        ++bits;
        run >>= 1;
    }
    channel->shift = shift;
    channel->bits = bits;
    return true;
}

bool PixelLayoutFromMasks(uint32_t redMask, uint32_t greenMask, uint32_t blueMask, PixelLayout* layout)
{
    if ((redMask & greenMask) || (redMask & blueMask) || (greenMask & blueMask)) return false;
    layout->alpha = 0;
    return ChannelFromMask(redMask, &layout->red) && ChannelFromMask(greenMask, &layout->green) &&
           ChannelFromMask(blueMask, &layout->blue);
}

static uint32_t PlaceChannel(ChannelLayout channel, uint32_t value8)
{
    uint32_t value;
    if (channel.bits <= 8) {
        value = value8 >> (8 - channel.bits);
    } else {
        // Repeat the 8 bits downwards so that 0xFF fills the whole channel.
        value = 0;
        int32_t filled = 0;
        while (filled < (int32_t)channel.bits) {
            int32_t shift = (int32_t)channel.bits - filled - 8;
            value |= shift >= 0 ? value8 << shift : value8 >> -shift;
            filled += 8;
        }
    }
    return value << channel.shift;
}

uint32_t AlphaMaskOfVisual(uint32_t redMask, uint32_t greenMask, uint32_t blueMask, int depth)
{
    if (depth <= 0) return 0;
    uint32_t depthBits = depth >= 32 ? 0xFFFFFFFFu : (1u << depth) - 1;
    return depthBits & ~(redMask | greenMask | blueMask);
}

uint32_t VisualPixel(const PixelLayout* layout, uint32_t rgb)
{
    return PlaceChannel(layout->red, (rgb >> 16) & 0xFF) | PlaceChannel(layout->green, (rgb >> 8) & 0xFF) |
           PlaceChannel(layout->blue, rgb & 0xFF) | layout->alpha;
}

static uint32_t SwapBytes(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

void CopyPictureToImage32(const uint32_t* pixels, int32_t bufferWidth, int32_t bufferHeight,
                          const PixelLayout* layout, bool swapBytes, uint8_t* image, int32_t bytesPerLine,
                          int32_t windowWidth, int32_t windowHeight)
{
    // The common visual keeps 0x00RRGGBB as it is: then each line is one copy.
    const bool identity = layout->red.shift == 16 && layout->red.bits == 8 && layout->green.shift == 8 &&
                          layout->green.bits == 8 && layout->blue.shift == 0 && layout->blue.bits == 8;
    for (int32_t line = 0; line < windowHeight; ++line) {
        const uint32_t* row = ShownLine(pixels, bufferWidth, bufferHeight, line);
        uint32_t* out = reinterpret_cast<uint32_t*>(image + (size_t)line * (size_t)bytesPerLine);
        if (identity && !swapBytes && layout->alpha == 0) {
            std::memcpy(out, row, (size_t)windowWidth * sizeof(uint32_t));
            continue;
        }
        for (int32_t x = 0; x < windowWidth; ++x) {
            uint32_t value = identity ? (row[x] | layout->alpha) : VisualPixel(layout, row[x]);
            out[x] = swapBytes ? SwapBytes(value) : value;
        }
    }
}
