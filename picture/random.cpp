#include "picture/random.h"

static thread_local uint32_t randomState = 1;

void SeedRandom(uint32_t seed)
{
    randomState = seed;
}

int32_t NextRandom(void)
{
    // Unsigned arithmetic wraps modulo 2^32 by definition; the period is the
    // full 2^32 (odd increment, multiplier - 1 divisible by four).
    randomState = randomState * 214013u + 2531011u;
    return (int32_t)((randomState >> 16) & 0x7FFFu);
}
