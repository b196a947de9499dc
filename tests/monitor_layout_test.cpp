#include "display/monitor_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

MonitorArea Area(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return MonitorArea{left, top, right, bottom};
}

void ExpectPicture(const MonitorPicture& p, int32_t left, int32_t top, int32_t shownWidth, int32_t shownHeight,
                   int32_t width, int32_t height)
{
    EXPECT_EQ(p.left, left);
    EXPECT_EQ(p.top, top);
    EXPECT_EQ(p.shownWidth, shownWidth);
    EXPECT_EQ(p.shownHeight, shownHeight);
    EXPECT_EQ(p.width, width);
    EXPECT_EQ(p.height, height);
}

}  // namespace

TEST(MonitorLayout, OneMonitorIsTheWindowsOnePicture)
{
    MonitorArea screen = Area(0, 0, 801, 601);
    MonitorPicture pictures[kMaxMonitors];
    ASSERT_EQ(LayOutMonitors(&screen, 1, 801, 601, pictures), 1);
    ExpectPicture(pictures[0], 0, 0, 801, 601, 802, 602);
    EXPECT_TRUE(FillsBuffer(&pictures[0], 802, 602));
    EXPECT_FALSE(FillsBuffer(&pictures[0], 804, 602));
}

TEST(MonitorLayout, OrdersTopToBottomThenLeftToRight)
{
    // Listed in no particular order; a monitor above the others and one
    // whose top is level with another's.
    MonitorArea areas[] = {Area(1440, 200, 2000, 700), Area(800, 200, 1440, 680), Area(0, 200, 800, 800),
                           Area(300, 0, 900, 200)};
    MonitorPicture pictures[kMaxMonitors];
    ASSERT_EQ(LayOutMonitors(areas, 4, 2000, 800, pictures), 4);
    ExpectPicture(pictures[0], 300, 0, 600, 200, 600, 200);
    ExpectPicture(pictures[1], 0, 200, 800, 600, 800, 600);
    ExpectPicture(pictures[2], 800, 200, 640, 480, 640, 480);
    ExpectPicture(pictures[3], 1440, 200, 560, 500, 560, 500);
    EXPECT_FALSE(FillsBuffer(&pictures[1], 2000, 800));
}

TEST(MonitorLayout, ClipsDropsEmptyAndDuplicateAreas)
{
    MonitorArea areas[] = {Area(-100, -50, 500, 400), Area(0, 0, 1000, 600), Area(1000, 0, 1200, 600),
                           Area(0, 0, 1000, 600), Area(300, 300, 300, 500)};
    MonitorPicture pictures[kMaxMonitors];
    // Client 1000 x 599: the second area loses its bottom line, the third lies outside.
    ASSERT_EQ(LayOutMonitors(areas, 5, 1000, 599, pictures), 2);
    ExpectPicture(pictures[0], 0, 0, 1000, 599, 1000, 600);
    ExpectPicture(pictures[1], 0, 0, 500, 400, 500, 400);
}

TEST(MonitorLayout, KeepsTheFirstMonitorsInOrderWhateverTheListing)
{
    std::vector<MonitorArea> areas;
    for (int32_t i = kMaxMonitors + 3; i >= 0; --i) areas.push_back(Area(i * 10, 0, i * 10 + 10, 10));
    MonitorPicture pictures[kMaxMonitors + 4];
    ASSERT_EQ(LayOutMonitors(areas.data(), (int32_t)areas.size(), 10000, 10, pictures), kMaxMonitors);
    EXPECT_EQ(pictures[0].left, 0);
    EXPECT_EQ(pictures[kMaxMonitors - 1].left, (kMaxMonitors - 1) * 10);
}

TEST(MonitorLayout, PlacesTheShownPartAtTheMonitorsTopLeft)
{
    // A 5 x 3 client (buffer 6 x 4, row 0 below the client area) with a
    // monitor of 3 x 3 at column 2: its picture is 4 x 4, one column and
    // one line too many.
    MonitorArea area = Area(2, 0, 5, 3);
    MonitorPicture picture;
    ASSERT_EQ(LayOutMonitors(&area, 1, 5, 3, &picture), 1);
    ExpectPicture(picture, 2, 0, 3, 3, 4, 4);
    std::vector<uint32_t> pixels(16);
    for (uint32_t i = 0; i < 16; ++i) pixels[i] = 100 + i;  // row r, column c: 100 + 4r + c
    std::vector<uint32_t> buffer(24, 7);
    PlaceMonitorPicture(&picture, pixels.data(), buffer.data(), 6, 4);
    // Buffer row 3 is client line 0, the picture's top line (its row 3).
    const std::vector<uint32_t> expected = {
        7, 7, 7,   7,   7,   7,  // row 0: below the client area, untouched
        7, 7, 104, 105, 106, 7,  // the picture's row 1 (its row 0, the extra line, is clipped)
        7, 7, 108, 109, 110, 7,
        7, 7, 112, 113, 114, 7,  // the picture's column 3, the extra column, is clipped
    };
    EXPECT_EQ(buffer, expected);
}

TEST(MonitorLayout, OrderNamesTheListedMonitorsAndKeepsTheFirstOfTwins)
{
    // Negative positions, as other systems' layouts have them; an empty
    // area; a mirror listed after its twin; two with the same top left.
    MonitorArea areas[] = {Area(1920, -200, 3200, 824), Area(0, 0, 1920, 1080), Area(5, 5, 5, 50),
                           Area(1920, -200, 3200, 824), Area(-1280, 0, 0, 720), Area(-1280, 0, 0, 1024)};
    int32_t order[kMaxMonitors];
    ASSERT_EQ(OrderMonitors(areas, 6, order), 4);
    EXPECT_EQ(order[0], 0);
    EXPECT_EQ(order[1], 5);  // the larger of the two at (-1280, 0) first
    EXPECT_EQ(order[2], 4);
    EXPECT_EQ(order[3], 1);

    // Listed the other way round, the twins swap: the first listed is kept.
    MonitorArea reversed[] = {areas[3], areas[1], areas[0]};
    ASSERT_EQ(OrderMonitors(reversed, 3, order), 2);
    EXPECT_EQ(order[0], 0);
    EXPECT_EQ(order[1], 1);
}
