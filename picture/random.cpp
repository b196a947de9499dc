#include "picture/random.h"

static thread_local uint32_t randomState = 1;

static constexpr uint32_t kMultiplier = 214013u;
static constexpr uint32_t kIncrement = 2531011u;

void SeedRandom(uint32_t seed)
{
    randomState = seed;
}

int32_t NextRandom(void)
{
    // Unsigned arithmetic wraps modulo 2^32 by definition; the period is the
    // full 2^32 (odd increment, multiplier - 1 divisible by four).
    randomState = randomState * kMultiplier + kIncrement;
    return (int32_t)((randomState >> 16) & 0x7FFFu);
}

void SkipRandom(uint64_t draws)
{
    // `step` is the rule applied 2^bit times, x -> step.a x + step.c; the
    // powers for the set bits of `draws` compose into the whole skip.
    uint32_t stepA = kMultiplier, stepC = kIncrement;
    uint32_t state = randomState;
    for (; draws != 0; draws >>= 1) {
        if (draws & 1u) state = state * stepA + stepC;
        stepC = stepC * stepA + stepC;
        stepA = stepA * stepA;
    }
    randomState = state;
}

uint32_t SeedFromUnixSeconds(int64_t seconds)
{
    return (uint32_t)(uint64_t)seconds;
}

int64_t UnixSecondsFromFileTime(uint64_t fileTime)
{
    // 1601 to 1970: 369 years, 89 of them leap years.
    constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
    constexpr uint64_t kStepsPerSecond = 10000000;
    return (int64_t)(fileTime / kStepsPerSecond) - kSecondsFrom1601To1970;
}
