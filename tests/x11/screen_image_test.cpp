#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "xhack/screen_image.h"

namespace {

PixelLayout Layout(uint32_t red, uint32_t green, uint32_t blue)
{
    PixelLayout layout{};
    EXPECT_TRUE(PixelLayoutFromMasks(red, green, blue, &layout));
    return layout;
}

// A buffer whose every pixel tells where it is: red = 16 * row, green =
// column, blue = a constant, so a flip, a shift or a channel swap shows.
std::vector<uint32_t> TellingBuffer(int32_t width, int32_t height)
{
    std::vector<uint32_t> pixels((size_t)width * (size_t)height);
    for (int32_t row = 0; row < height; ++row)
        for (int32_t x = 0; x < width; ++x)
            pixels[(size_t)row * (size_t)width + (size_t)x] = (uint32_t)(16 * row) << 16 | (uint32_t)x << 8 | 0x05;
    return pixels;
}

uint32_t ImagePixel(const std::vector<uint8_t>& image, int32_t bytesPerLine, int32_t x, int32_t line)
{
    uint32_t value;
    std::memcpy(&value, image.data() + (size_t)line * (size_t)bytesPerLine + 4 * (size_t)x, 4);
    return value;
}

}  // namespace

TEST(PixelLayout, ReadsTheMasksOfCommonVisuals)
{
    PixelLayout rgb = Layout(0xFF0000, 0x00FF00, 0x0000FF);
    EXPECT_EQ(rgb.red.shift, 16u);
    EXPECT_EQ(rgb.red.bits, 8u);
    EXPECT_EQ(rgb.green.shift, 8u);
    EXPECT_EQ(rgb.blue.shift, 0u);

    PixelLayout bgr = Layout(0x0000FF, 0x00FF00, 0xFF0000);
    EXPECT_EQ(bgr.red.shift, 0u);
    EXPECT_EQ(bgr.blue.shift, 16u);

    PixelLayout r565 = Layout(0xF800, 0x07E0, 0x001F);
    EXPECT_EQ(r565.red.shift, 11u);
    EXPECT_EQ(r565.red.bits, 5u);
    EXPECT_EQ(r565.green.shift, 5u);
    EXPECT_EQ(r565.green.bits, 6u);
    EXPECT_EQ(r565.blue.bits, 5u);

    PixelLayout deep = Layout(0x3FF00000, 0x000FFC00, 0x000003FF);
    EXPECT_EQ(deep.red.shift, 20u);
    EXPECT_EQ(deep.red.bits, 10u);
}

TEST(PixelLayout, RefusesMasksNoTrueColorVisualHas)
{
    PixelLayout layout{};
    EXPECT_FALSE(PixelLayoutFromMasks(0, 0x00FF00, 0x0000FF, &layout));
    EXPECT_FALSE(PixelLayoutFromMasks(0xF0F000, 0x000F00, 0x0000FF, &layout));  // a gap in red
    EXPECT_FALSE(PixelLayoutFromMasks(0xFF0000, 0x01FF00, 0x0000FF, &layout));  // red and green overlap
    EXPECT_FALSE(PixelLayoutFromMasks(0xFF0000, 0x00FF00, 0x00FF00, &layout));
}

TEST(VisualPixel, PutsEachChannelWhereTheVisualWantsIt)
{
    PixelLayout rgb = Layout(0xFF0000, 0x00FF00, 0x0000FF);
    EXPECT_EQ(VisualPixel(&rgb, 0x123456), 0x123456u);

    PixelLayout bgr = Layout(0x0000FF, 0x00FF00, 0xFF0000);
    EXPECT_EQ(VisualPixel(&bgr, 0x123456), 0x563412u);

    PixelLayout r565 = Layout(0xF800, 0x07E0, 0x001F);
    EXPECT_EQ(VisualPixel(&r565, 0xFFFFFF), 0xFFFFu);
    EXPECT_EQ(VisualPixel(&r565, 0xFF0000), 0xF800u);
    EXPECT_EQ(VisualPixel(&r565, 0x00FF00), 0x07E0u);
    EXPECT_EQ(VisualPixel(&r565, 0x0000FF), 0x001Fu);
    EXPECT_EQ(VisualPixel(&r565, 0x808080), (0x10u << 11) | (0x20u << 5) | 0x10u);

    // Wider channels repeat their top bits, so white stays white.
    PixelLayout deep = Layout(0x3FF00000, 0x000FFC00, 0x000003FF);
    EXPECT_EQ(VisualPixel(&deep, 0xFFFFFF), 0x3FFFFFFFu);
    EXPECT_EQ(VisualPixel(&deep, 0x800000), 0x202u << 20);
    EXPECT_EQ(VisualPixel(&deep, 0x000001), 0x004u);
}

TEST(CopyPictureToImage32, ShowsTheBufferBottomUpAndClipsTheRoundedEdges)
{
    // A 5 x 3 window has a 6 x 4 buffer; its row 0 and column 5 stay hidden.
    const int32_t bufferWidth = 6, bufferHeight = 4, windowWidth = 5, windowHeight = 3;
    std::vector<uint32_t> pixels = TellingBuffer(bufferWidth, bufferHeight);
    const int32_t bytesPerLine = 4 * 8;  // padded lines: the padding stays untouched
    std::vector<uint8_t> image((size_t)bytesPerLine * windowHeight, 0xEE);
    PixelLayout rgb = Layout(0xFF0000, 0x00FF00, 0x0000FF);
    CopyPictureToImage32(pixels.data(), bufferWidth, bufferHeight, &rgb, false, image.data(), bytesPerLine,
                         windowWidth, windowHeight);
    for (int32_t line = 0; line < windowHeight; ++line) {
        for (int32_t x = 0; x < windowWidth; ++x)
            EXPECT_EQ(ImagePixel(image, bytesPerLine, x, line),
                      (uint32_t)(16 * (bufferHeight - 1 - line)) << 16 | (uint32_t)x << 8 | 0x05)
                << "x " << x << " line " << line;
        for (int32_t x = windowWidth; x < 8; ++x) EXPECT_EQ(ImagePixel(image, bytesPerLine, x, line), 0xEEEEEEEEu);
    }
    // The top line on screen is the buffer's last row; the bottom line shown is row 1.
    EXPECT_EQ(ImagePixel(image, bytesPerLine, 0, 0) >> 16, 48u);
    EXPECT_EQ(ImagePixel(image, bytesPerLine, 0, 2) >> 16, 16u);
}

TEST(CopyPictureToImage32, ConvertsChannelOrderAndByteOrder)
{
    const int32_t width = 4, height = 2;
    std::vector<uint32_t> pixels = TellingBuffer(width, height);
    const int32_t bytesPerLine = 4 * width;

    PixelLayout bgr = Layout(0x0000FF, 0x00FF00, 0xFF0000);
    std::vector<uint8_t> image((size_t)bytesPerLine * height);
    CopyPictureToImage32(pixels.data(), width, height, &bgr, false, image.data(), bytesPerLine, width, height);
    EXPECT_EQ(ImagePixel(image, bytesPerLine, 3, 0), 0x050310u);  // red 16 of row 1 lands in the low byte

    // The server's byte order differs from ours: every pixel is stored reversed.
    PixelLayout rgb = Layout(0xFF0000, 0x00FF00, 0x0000FF);
    CopyPictureToImage32(pixels.data(), width, height, &rgb, true, image.data(), bytesPerLine, width, height);
    EXPECT_EQ(ImagePixel(image, bytesPerLine, 3, 0), 0x05031000u);
    EXPECT_EQ(ImagePixel(image, bytesPerLine, 2, 1), 0x05020000u);
    CopyPictureToImage32(pixels.data(), width, height, &bgr, true, image.data(), bytesPerLine, width, height);
    EXPECT_EQ(ImagePixel(image, bytesPerLine, 3, 0), 0x10030500u);
}

TEST(CopyPictureToImage32, MakesEveryPixelOpaqueInAVisualWithAlpha)
{
    // The usual ARGB visual: a compositor reads a zero top byte as fully transparent.
    EXPECT_EQ(AlphaMaskOfVisual(0xFF0000, 0x00FF00, 0x0000FF, 32), 0xFF000000u);
    EXPECT_EQ(AlphaMaskOfVisual(0xFF0000, 0x00FF00, 0x0000FF, 24), 0u);
    EXPECT_EQ(AlphaMaskOfVisual(0xF800, 0x07E0, 0x001F, 16), 0u);
    EXPECT_EQ(AlphaMaskOfVisual(0x3FF00000, 0x000FFC00, 0x000003FF, 32), 0xC0000000u);  // 2-10-10-10

    const int32_t width = 4, height = 2;
    std::vector<uint32_t> pixels = TellingBuffer(width, height);
    pixels[0] = 0;  // black stays opaque black
    const int32_t bytesPerLine = 4 * width;
    std::vector<uint8_t> image((size_t)bytesPerLine * height);
    for (bool swap : {false, true}) {
        PixelLayout argb = Layout(0xFF0000, 0x00FF00, 0x0000FF);
        argb.alpha = 0xFF000000u;
        CopyPictureToImage32(pixels.data(), width, height, &argb, swap, image.data(), bytesPerLine, width, height);
        auto stored = [&](int32_t x, int32_t line) {
            uint32_t v = ImagePixel(image, bytesPerLine, x, line);
            return swap ? (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24) : v;
        };
        EXPECT_EQ(stored(3, 0), 0xFF100305u) << "swapped " << swap;
        EXPECT_EQ(stored(0, 1), 0xFF000000u) << "swapped " << swap;
        EXPECT_EQ(VisualPixel(&argb, 0x123456), 0xFF123456u);
    }
    PixelLayout abgr = Layout(0x0000FF, 0x00FF00, 0xFF0000);
    abgr.alpha = AlphaMaskOfVisual(0x0000FF, 0x00FF00, 0xFF0000, 32);
    CopyPictureToImage32(pixels.data(), width, height, &abgr, false, image.data(), bytesPerLine, width, height);
    EXPECT_EQ(ImagePixel(image, bytesPerLine, 3, 0), 0xFF050310u);
}
