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

}  // namespace
