#include <gtest/gtest.h>

#include <vector>

#include "picture/pixel_buffer.h"
#include "wayland/output_geometry.h"

namespace {

SurfaceScaleFacts Facts(int32_t surfaceWidth, int32_t surfaceHeight)
{
    SurfaceScaleFacts facts;
    facts.surfaceWidth = surfaceWidth;
    facts.surfaceHeight = surfaceHeight;
    facts.logicalWidth = surfaceWidth;
    facts.logicalHeight = surfaceHeight;
    return facts;
}

// An output whose mode the compositor told, with viewporter offered.
SurfaceScaleFacts ModeFacts(int32_t surfaceWidth, int32_t surfaceHeight, int32_t modeWidth, int32_t modeHeight)
{
    SurfaceScaleFacts facts = Facts(surfaceWidth, surfaceHeight);
    facts.viewporter = true;
    facts.modeWidth = modeWidth;
    facts.modeHeight = modeHeight;
    return facts;
}

void ExpectPlan(const BufferPlan& plan, int32_t width, int32_t height, int32_t bufferScale, bool viewport)
{
    EXPECT_EQ(plan.width, width);
    EXPECT_EQ(plan.height, height);
    EXPECT_EQ(plan.bufferScale, bufferScale);
    EXPECT_EQ(plan.viewport, viewport);
}

MonitorArea Area(int32_t left, int32_t top, int32_t width, int32_t height)
{
    return MonitorArea{left, top, left + width, top + height};
}

}  // namespace

TEST(OutputBuffer, OneBufferPixelPerDevicePixelAtEveryScale)
{
    // Scale 1, and a whole scale without a viewport: the buffer scale says it.
    SurfaceScaleFacts facts = Facts(800, 600);
    ExpectPlan(PlanOutputBuffer(&facts), 800, 600, 1, false);
    facts = Facts(320, 240);
    facts.outputScale = 2;
    ExpectPlan(PlanOutputBuffer(&facts), 640, 480, 2, false);

    // A fractional scale told by the compositor: 1.5 times 1280 x 721,
    // rounded half away from zero.
    facts = Facts(1280, 721);
    facts.viewporter = true;
    facts.preferredScale = 180;
    facts.outputScale = 2;  // what wl_output says of 1.5: rounded up
    ExpectPlan(PlanOutputBuffer(&facts), 1920, 1082, 1, true);
    facts.preferredScale = 150;  // 1.25: 1600 x 901.25
    ExpectPlan(PlanOutputBuffer(&facts), 1600, 901, 1, true);

    // No fractional scale protocol: the mode's pixels, when the surface
    // covers the output.
    facts = ModeFacts(1280, 720, 1920, 1080);
    facts.outputScale = 2;
    ExpectPlan(PlanOutputBuffer(&facts), 1920, 1080, 1, true);
    // Turned by 90 or 270 degrees (odd transforms), the mode's sides swap.
    facts = ModeFacts(720, 1280, 1920, 1080);
    facts.transform = 3;
    ExpectPlan(PlanOutputBuffer(&facts), 1080, 1920, 1, true);
    facts.transform = 6;  // flipped upside down: not turned
    ExpectPlan(PlanOutputBuffer(&facts), 1920, 1080, 1, true);

    // A surface smaller than its output (the mode says nothing of it), or
    // no viewport: the whole-number scale.
    facts = ModeFacts(1280, 700, 1920, 1080);
    facts.logicalHeight = 720;
    facts.outputScale = 2;
    ExpectPlan(PlanOutputBuffer(&facts), 2560, 1400, 2, false);
    facts.logicalHeight = 700;
    facts.viewporter = false;
    facts.preferredScale = 180;
    ExpectPlan(PlanOutputBuffer(&facts), 2560, 1400, 2, false);

    facts = Facts(0, 600);
    ExpectPlan(PlanOutputBuffer(&facts), 0, 0, 1, false);
}

TEST(OutputBuffer, ShmCopyIsTopLineFirstAndClipsTheExtraColumnAndLine)
{
    // A telling PixelBuffer: every pixel holds its own row and column.
    const int32_t width = 5, height = 3;
    const int32_t bufferWidth = EvenRounded(width), bufferHeight = EvenRounded(height);
    std::vector<uint32_t> pixels((size_t)bufferWidth * bufferHeight);
    for (int32_t row = 0; row < bufferHeight; ++row)
        for (int32_t x = 0; x < bufferWidth; ++x) pixels[(size_t)(row * bufferWidth + x)] = 0x00100000u * row + x;
    std::vector<uint32_t> shm((size_t)width * height, 0xDEADBEEFu);
    CopyPictureToShm(pixels.data(), bufferWidth, bufferHeight, shm.data(), width, height);
    for (int32_t line = 0; line < height; ++line) {
        for (int32_t x = 0; x < width; ++x) {
            // Line 0 is the top: the last row; row 0 (the extra bottom line) is clipped.
            uint32_t expected = 0x00100000u * (bufferHeight - 1 - line) + x;
            uint32_t got = shm[(size_t)(line * width + x)];
            const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&got);
            // XRGB8888 is little-endian whatever the host: blue first.
            EXPECT_EQ(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24, (int)expected)
                << line << "," << x;
        }
    }
}

TEST(OutputCycle, TakesTheReadyOutputsInTheWindowsSaversOrder)
{
    // Listed as a compositor might: the right one first, one above, one off.
    std::vector<CycleOutput> outputs = {{Area(1920, 0, 1280, 1024), true},
                                        {Area(0, 0, 1920, 1080), true},
                                        {Area(400, -900, 1600, 900), true},
                                        {Area(3200, 0, 800, 600), false}};
    std::vector<int32_t> order(outputs.size()), twinOf(outputs.size());
    ASSERT_EQ(PlanCycle(outputs.data(), 4, order.data(), twinOf.data()), 3);
    EXPECT_EQ(order[0], 2);
    EXPECT_EQ(order[1], 1);
    EXPECT_EQ(order[2], 0);
    for (int32_t twin : twinOf) EXPECT_EQ(twin, -1);

    // Once it answers again, the output that was off takes its place.
    outputs[3].ready = true;
    ASSERT_EQ(PlanCycle(outputs.data(), 4, order.data(), twinOf.data()), 4);
    EXPECT_EQ(order[3], 3);
}

TEST(OutputCycle, AMirrorTakesNoPictureOfItsOwn)
{
    std::vector<CycleOutput> outputs = {{Area(0, 0, 1920, 1080), true},
                                        {Area(1920, 0, 800, 600), true},
                                        {Area(0, 0, 1920, 1080), true}};
    std::vector<int32_t> order(outputs.size()), twinOf(outputs.size());
    ASSERT_EQ(PlanCycle(outputs.data(), 3, order.data(), twinOf.data()), 2);
    EXPECT_EQ(order[0], 0);
    EXPECT_EQ(order[1], 1);
    EXPECT_EQ(twinOf[0], -1);
    EXPECT_EQ(twinOf[1], -1);
    EXPECT_EQ(twinOf[2], 0);
    // Nothing at all to show: no picture, no fault.
    EXPECT_EQ(PlanCycle(outputs.data(), 0, order.data(), twinOf.data()), 0);
}
