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
