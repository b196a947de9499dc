#include "host/cursor_travel.h"

static uint64_t Distance(int32_t a, int32_t b)
{
    int64_t difference = (int64_t)a - (int64_t)b;
    return (uint64_t)(difference < 0 ? -difference : difference);
}

uint64_t CursorTravel(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY)
{
    return Distance(fromX, toX) + Distance(fromY, toY);
}

bool TravelEndsSaver(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY, uint32_t tolerance)
{
    return CursorTravel(fromX, fromY, toX, toY) > tolerance;
}

void TakeCursorReference(CursorReference* reference, bool read, int32_t x, int32_t y)
{
    *reference = read ? CursorReference{true, x, y} : CursorReference{false, 0, 0};
}

bool FollowCursor(CursorReference* reference, bool read, int32_t x, int32_t y, uint32_t tolerance)
{
    if (!read) return false;
    if (!reference->known) {
        TakeCursorReference(reference, true, x, y);
        return false;
    }
    if (!TravelEndsSaver(reference->x, reference->y, x, y, tolerance)) return false;
    TakeCursorReference(reference, true, x, y);
    return true;
}
