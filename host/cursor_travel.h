// The movement rule of the full-screen saver, over plain screen positions.
#pragma once

#include <cstdint>

// The cursor's travel from the reference position: the absolute difference
// of the x values plus that of the y values. Computed in 64 bits, so that no
// pair of 32-bit positions, however far apart, wraps around to a short
// travel.
uint64_t CursorTravel(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY);

// True when a travel from the reference position to the new one is greater
// than `tolerance` pixels and so ends the saver.
bool TravelEndsSaver(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY, uint32_t tolerance);
