// The generator's one random source: a 32-bit linear congruential rule with
// 15-bit draws. Every random choice of a picture comes from here, so a seed
// fixes the whole sequence of pictures that a worker shows.
//
// The state is per thread: a thread that never seeded starts from 1, and
// draws on one thread never disturb another's sequence.
#pragma once

#include <cstdint>

// Sets the calling thread's state to `seed`, unchanged; no draw is taken.
void SeedRandom(uint32_t seed);

// Advances the calling thread's state and returns bits 16 to 30 of it:
// a draw from 0 to 32767.
int32_t NextRandom(void);

// Advances the calling thread's state exactly as `draws` calls of
// NextRandom would, in at most 64 steps whatever the count: the rule is an
// affine map modulo 2^32, and its n-th power is found by squaring.
void SkipRandom(uint64_t draws);

constexpr int32_t kRandomMax = 32767;

// Seeds from the calendar time. A worker seeds with the current second
// since 1970-01-01 00:00:00 UTC taken as an unsigned 32-bit value: modulo
// 2^32, so it goes on through 2038 (where a signed 32-bit count, as the
// 32-bit C runtime's time() keeps it, fails) and wraps to 0 at 2106-02-07
// 06:28:16 UTC. Pure arithmetic, the same for every front end.
uint32_t SeedFromUnixSeconds(int64_t seconds);

// The whole seconds since 1970-01-01 00:00:00 UTC (negative before it) of
// a Windows FILETIME count: 100-nanosecond steps since 1601-01-01 00:00:00
// UTC, which every Windows's clock gives.
int64_t UnixSecondsFromFileTime(uint64_t fileTime);
