#include "host/cursor_travel.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(MovementRule, FourPixelsKeepTheSaverFiveEndIt)
{
    EXPECT_FALSE(TravelEndsSaver(100, 100, 104, 100, 4));
    EXPECT_FALSE(TravelEndsSaver(100, 100, 102, 102, 4));
    EXPECT_FALSE(TravelEndsSaver(100, 100, 100, 96, 4));
    EXPECT_FALSE(TravelEndsSaver(100, 100, 100, 100, 4));
    EXPECT_TRUE(TravelEndsSaver(100, 100, 103, 102, 4));
    EXPECT_TRUE(TravelEndsSaver(100, 100, 95, 100, 4));
    EXPECT_TRUE(TravelEndsSaver(100, 100, 98, 97, 4));
}

TEST(MovementRule, TravelAddsBothAxesInEitherDirection)
{
    EXPECT_EQ(CursorTravel(10, 20, 7, 24), 7u);
    EXPECT_EQ(CursorTravel(-5, -5, 5, 5), 20u);
    EXPECT_EQ(CursorTravel(3, 3, 3, 3), 0u);
}

TEST(MovementRule, FarApartPositionsNeverWrapToAShortTravel)
{
    // In 32 bits these travels would wrap around to 4 and 0.
    EXPECT_TRUE(TravelEndsSaver(INT32_MIN, 0, INT32_MAX, 5, 4));
    EXPECT_TRUE(TravelEndsSaver(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 4));
    EXPECT_EQ(CursorTravel(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), 2u * 0xFFFFFFFFull);
}

CursorReference Reference(int32_t x, int32_t y)
{
    CursorReference reference;
    TakeCursorReference(&reference, true, x, y);
    return reference;
}

// Small moves leave the reference where it was, so they add up; the move
// that ends the saver becomes the new reference.
TEST(MovementRule, SmallMovesAddUpFromTheReference)
{
    CursorReference reference = Reference(100, 100);
    for (int32_t x = 101; x <= 104; ++x) EXPECT_FALSE(FollowCursor(&reference, true, x, 100, 4)) << x;
    EXPECT_TRUE(reference.known && reference.x == 100 && reference.y == 100);
    EXPECT_TRUE(FollowCursor(&reference, true, 105, 100, 4));
    EXPECT_TRUE(reference.known && reference.x == 105 && reference.y == 100);
    EXPECT_FALSE(FollowCursor(&reference, true, 107, 102, 4));
}

// A failed reading counts no travel and keeps the reference, whatever the
// position that the failed call left behind.
TEST(MovementRule, FailedReadingCountsNoTravel)
{
    CursorReference reference = Reference(100, 100);
    EXPECT_FALSE(FollowCursor(&reference, false, -30000, 50000, 4));
    EXPECT_FALSE(FollowCursor(&reference, false, INT32_MIN, INT32_MIN, 4));
    EXPECT_TRUE(reference.known && reference.x == 100 && reference.y == 100);
    EXPECT_FALSE(FollowCursor(&reference, true, 103, 100, 4));
    EXPECT_TRUE(FollowCursor(&reference, true, 106, 100, 4));
}

// When the reference could not be taken (at the window's creation or after
// a refused password), the first reading that succeeds becomes it: no
// made-up position ends the saver, and travel from there counts as usual.
TEST(MovementRule, UnknownReferenceIsTakenFromTheNextReading)
{
    CursorReference reference = Reference(500, 500);
    TakeCursorReference(&reference, false, 0, 0);
    EXPECT_FALSE(reference.known);
    EXPECT_FALSE(FollowCursor(&reference, false, 0, 0, 4));
    EXPECT_FALSE(reference.known);
    EXPECT_FALSE(FollowCursor(&reference, true, 20, 30, 4));
    EXPECT_TRUE(reference.known && reference.x == 20 && reference.y == 30);
    EXPECT_FALSE(FollowCursor(&reference, true, 22, 32, 4));
    EXPECT_TRUE(FollowCursor(&reference, true, 22, 33, 4));
}

}  // namespace
