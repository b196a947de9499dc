#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "picture/random.h"

static std::vector<int32_t> Draws(int count)
{
    std::vector<int32_t> draws;
    for (int i = 0; i < count; ++i) draws.push_back(NextRandom());
    return draws;
}

TEST(RandomSource, UnseededThreadStartsFromOne)
{
    std::vector<int32_t> draws;
    std::thread fresh([&] { draws = Draws(8); });
    fresh.join();
    EXPECT_EQ(draws, (std::vector<int32_t>{41, 18467, 6334, 26500, 19169, 15724, 11478, 29358}));
}

TEST(RandomSource, MatchesKnownSequences)
{
    SeedRandom(0);
    EXPECT_EQ(Draws(5), (std::vector<int32_t>{38, 7719, 21238, 2437, 8855}));
    SeedRandom(12345);
    EXPECT_EQ(Draws(5), (std::vector<int32_t>{7584, 19164, 25795, 22125, 5828}));
}

TEST(RandomSource, ReseedingRestartsTheSequence)
{
    SeedRandom(1765432100u);
    std::vector<int32_t> first = Draws(100);
    SeedRandom(1765432100u);
    EXPECT_EQ(Draws(100), first);
}

TEST(RandomSource, DrawsStayInRangeAcrossTheStateSpace)
{
    // Seeds near the top of the state exercise the wrap-around of the state.
    int32_t lowest = kRandomMax, highest = 0;
    for (uint32_t seed : {0xFFFFFFFFu, 0xFFFF0000u, 0x80000000u, 7u}) {
        SeedRandom(seed);
        for (int i = 0; i < 200000; ++i) {
            int32_t draw = NextRandom();
            ASSERT_GE(draw, 0);
            ASSERT_LE(draw, kRandomMax);
            lowest = std::min(lowest, draw);
            highest = std::max(highest, draw);
        }
    }
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, kRandomMax);
}

TEST(RandomSource, ThreadsKeepTheirOwnState)
{
    SeedRandom(12345);
    NextRandom();
    std::vector<int32_t> other;
    std::thread thread([&] {
        SeedRandom(0);
        other = Draws(3);
    });
    thread.join();
    EXPECT_EQ(other, (std::vector<int32_t>{38, 7719, 21238}));
    EXPECT_EQ(NextRandom(), 19164);  // this thread's sequence went on undisturbed
}

// The state after `count` draws taken one at a time from `seed`, seen
// through the draws that follow it.
static std::vector<int32_t> DrawsAfterStepping(uint32_t seed, uint64_t count)
{
    SeedRandom(seed);
    for (uint64_t i = 0; i < count; ++i) NextRandom();
    return Draws(6);
}

static std::vector<int32_t> DrawsAfterSkipping(uint32_t seed, uint64_t count)
{
    SeedRandom(seed);
    SkipRandom(count);
    return Draws(6);
}

TEST(RandomSource, SkippingEqualsSteppingOneDrawAtATime)
{
    const uint64_t counts[] = {0,   1,   2,   3,    41,    42,    43,    83,    84,    85,    126,
                               255, 256, 257, 4095, 4096,  4097,  65535, 65536, 65537, 99999, 262143};
    for (uint32_t seed : {0u, 1u, 7u, 1796746887u, 0x80000000u, 0xFFFFFFFFu})
        for (uint64_t count : counts)
            ASSERT_EQ(DrawsAfterSkipping(seed, count), DrawsAfterStepping(seed, count))
                << "seed " << seed << ", " << count << " draws";
}

TEST(RandomSource, SkippingNearAndPastTheFullPeriod)
{
    // The period is 2^32: a skip of 2^32 - k draws followed by k single
    // steps is back at the seed, and 2^32 + k draws are k draws.
    const uint64_t period = 1ull << 32;
    for (uint32_t seed : {0u, 12345u, 0xFFFFFFFFu}) {
        const std::vector<int32_t> atSeed = DrawsAfterStepping(seed, 0);
        for (uint64_t k : {1ull, 2ull, 41ull, 42ull, 43ull, 84ull, 1000ull}) {
            SeedRandom(seed);
            SkipRandom(period - k);
            for (uint64_t i = 0; i < k; ++i) NextRandom();
            EXPECT_EQ(Draws(6), atSeed) << "seed " << seed << ", 2^32 - " << k << " draws";
            EXPECT_EQ(DrawsAfterSkipping(seed, period + k), DrawsAfterStepping(seed, k))
                << "seed " << seed << ", 2^32 + " << k << " draws";
        }
        EXPECT_EQ(DrawsAfterSkipping(seed, period), atSeed);
        EXPECT_EQ(DrawsAfterSkipping(seed, 42 * period), atSeed);
        EXPECT_EQ(DrawsAfterSkipping(seed, UINT64_MAX), DrawsAfterSkipping(seed, period - 1));
    }
    // Skips compose: two skips are one of their sum, the largest counts included.
    SeedRandom(99);
    SkipRandom(4294967295ull * 42);
    SkipRandom(123456789);
    std::vector<int32_t> twice = Draws(6);
    EXPECT_EQ(DrawsAfterSkipping(99, 4294967295ull * 42 + 123456789), twice);
}

// FILETIME counts of 100 ns from 1601: the second that the count falls in.
static uint64_t FileTimeOf(int64_t unixSeconds, uint64_t extraSteps = 0)
{
    return (uint64_t)(unixSeconds + 11644473600) * 10000000u + extraSteps;
}

TEST(CalendarSeed, FileTimeGivesTheSecondsSince1970)
{
    EXPECT_EQ(UnixSecondsFromFileTime(116444736000000000u), 0);
    // 2000-01-01 00:00:00 UTC, as Windows counts it.
    EXPECT_EQ(UnixSecondsFromFileTime(125911584000000000u), 946684800);
    // The fraction of a second is dropped, however close to the next one.
    EXPECT_EQ(UnixSecondsFromFileTime(125911584000000000u + 9999999u), 946684800);
    EXPECT_EQ(UnixSecondsFromFileTime(125911584000000000u + 10000000u), 946684801);
    // 1601 itself, the system clock's zero.
    EXPECT_EQ(UnixSecondsFromFileTime(0), -11644473600);
}

// The seed goes on past 2038-01-19 03:14:07 UTC, the last second a signed
// 32-bit count holds, and wraps to 0 at 2106-02-07 06:28:16 UTC.
TEST(CalendarSeed, CountsThrough2038AndWrapsIn2106)
{
    EXPECT_EQ(SeedFromUnixSeconds(UnixSecondsFromFileTime(FileTimeOf(2147483647))), 0x7FFFFFFFu);
    EXPECT_EQ(SeedFromUnixSeconds(UnixSecondsFromFileTime(FileTimeOf(2147483648))), 0x80000000u);
    EXPECT_EQ(SeedFromUnixSeconds(UnixSecondsFromFileTime(FileTimeOf(2147483649, 5000000))), 0x80000001u);
    EXPECT_EQ(SeedFromUnixSeconds(UnixSecondsFromFileTime(FileTimeOf(4294967295))), 0xFFFFFFFFu);
    EXPECT_EQ(SeedFromUnixSeconds(UnixSecondsFromFileTime(FileTimeOf(4294967296))), 0u);
    EXPECT_EQ(SeedFromUnixSeconds(UnixSecondsFromFileTime(FileTimeOf(4294967296 + 1796746887))), 1796746887u);
    EXPECT_EQ(SeedFromUnixSeconds(1796746887), 1796746887u);
    // Before 1970, a clock set wrong: still a seed, modulo 2^32.
    EXPECT_EQ(SeedFromUnixSeconds(-1), 0xFFFFFFFFu);
}
