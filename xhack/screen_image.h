// From the generator's PixelBuffer to the pixels an X TrueColor visual
// takes, without touching X so that orientation and colour order can be
// tested natively.
//
// The PixelBuffer is laid out and sized as picture/pixel_buffer.h says; X
// images are stored top line first.
#pragma once

#include <cstdint>

#include "picture/pixel_buffer.h"

// Where a visual keeps each channel: the shift of the mask's lowest bit
// and the mask's width in bits.
struct ChannelLayout {
    uint32_t shift;
    uint32_t bits;
};

struct PixelLayout {
    ChannelLayout red;
    ChannelLayout green;
    ChannelLayout blue;
    uint32_t alpha;  // set in every pixel: the visual's alpha bits, all opaque (0 when it has none)
};

// The layout of a visual's red, green and blue masks, with no alpha.
// Returns false when a mask is empty, has gaps, or channels overlap: no
// TrueColor visual looks like that.
bool PixelLayoutFromMasks(uint32_t redMask, uint32_t greenMask, uint32_t blueMask, PixelLayout* layout);

// The alpha mask of a TrueColor visual of `depth` bits: the bits of the
// depth that no colour mask holds, as compositors read a 32-bit visual
// (0xFF000000 for the usual ARGB one, 0 for depth 24 or 16).
uint32_t AlphaMaskOfVisual(uint32_t redMask, uint32_t greenMask, uint32_t blueMask, int depth);

// The visual's pixel value for one 0x00RRGGBB colour: each 8-bit channel is
// cut to the mask's width (or widened by repeating its top bits, so that
// 255 stays the brightest value) and shifted into place; alpha is opaque.
uint32_t VisualPixel(const PixelLayout* layout, uint32_t rgb);

// Copies what a `windowWidth` x `windowHeight` window shows of the
// PixelBuffer into a 32-bit-per-pixel image whose line 0 is the top line,
// `bytesPerLine` apart. `swapBytes` stores each pixel in the opposite byte
// order to the host's (the X server's image byte order differs).
void CopyPictureToImage32(const uint32_t* pixels, int32_t bufferWidth, int32_t bufferHeight,
                          const PixelLayout* layout, bool swapBytes, uint8_t* image, int32_t bytesPerLine,
                          int32_t windowWidth, int32_t windowHeight);
