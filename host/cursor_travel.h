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

// The reference of the movement rule. A reading of the cursor can fail (on
// NT 5 and later while the input desktop is not the saver's, after a lock
// or a secure prompt), and then nothing is known of where it is.
struct CursorReference {
    bool known;  // false until a reading succeeds
    int32_t x;   // screen coordinates, when known
    int32_t y;
};

// Takes a new reference from a reading (the window's creation, a refused
// password). A failed reading leaves no reference rather than a stale or
// made-up one: the next reading that succeeds becomes the reference.
void TakeCursorReference(CursorReference* reference, bool read, int32_t x, int32_t y);

// The movement rule for one reading (`read` false when it failed). A
// failed reading counts no travel and changes nothing. Without a known
// reference the reading becomes one and ends nothing. Otherwise a travel of
// more than `tolerance` ends the saver (true) and the reading becomes the
// reference; a smaller one leaves the reference where it is, so small moves
// add up.
bool FollowCursor(CursorReference* reference, bool read, int32_t x, int32_t y, uint32_t tolerance);
