#include "display/monitor_layout.h"

#include <algorithm>
#include <cstring>

#include "picture/pixel_buffer.h"

namespace {

bool SameArea(const MonitorArea& a, const MonitorArea& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool ComesFirst(const MonitorArea& a, const MonitorArea& b)
{
    if (a.top != b.top) return a.top < b.top;
    if (a.left != b.left) return a.left < b.left;
    // Different areas with the same top left: the larger first, so the
    // order never depends on the order the system listed them in.
    if (a.right != b.right) return a.right > b.right;
    return a.bottom > b.bottom;
}

}  // namespace

int32_t OrderMonitors(const MonitorArea* areas, int32_t count, int32_t* order)
{
    // The ordering must see every area before choosing which to keep, so
    // the first kMaxMonitors in order are kept whatever the listing order.
    int32_t sorted[4 * kMaxMonitors];
    int32_t sortedCount = 0;
    for (int32_t i = 0; i < count && sortedCount < 4 * kMaxMonitors; ++i) {
        if (areas[i].right <= areas[i].left || areas[i].bottom <= areas[i].top) continue;
        sorted[sortedCount++] = i;
    }
    // Stable, so that of two areas alike the one listed first is kept.
    std::stable_sort(sorted, sorted + sortedCount,
                     [areas](int32_t a, int32_t b) { return ComesFirst(areas[a], areas[b]); });
    int32_t keptCount = 0;
    for (int32_t i = 0; i < sortedCount && keptCount < kMaxMonitors; ++i) {
        if (keptCount > 0 && SameArea(areas[order[keptCount - 1]], areas[sorted[i]])) continue;
        order[keptCount++] = sorted[i];
    }
    return keptCount;
}

int32_t LayOutMonitors(const MonitorArea* areas, int32_t count, int32_t clientWidth, int32_t clientHeight,
                       MonitorPicture* pictures)
{
    MonitorArea clipped[4 * kMaxMonitors];
    int32_t clippedCount = 0;
    for (int32_t i = 0; i < count && clippedCount < 4 * kMaxMonitors; ++i) {
        MonitorArea area = areas[i];
        area.left = std::max(area.left, 0);
        area.top = std::max(area.top, 0);
        area.right = std::min(area.right, clientWidth);
        area.bottom = std::min(area.bottom, clientHeight);
        if (area.right <= area.left || area.bottom <= area.top) continue;
        clipped[clippedCount++] = area;
    }
    int32_t order[kMaxMonitors];
    int32_t keptCount = OrderMonitors(clipped, clippedCount, order);
    for (int32_t i = 0; i < keptCount; ++i) {
        const MonitorArea& kept = clipped[order[i]];
        MonitorPicture* picture = &pictures[i];
        picture->left = kept.left;
        picture->top = kept.top;
        picture->shownWidth = kept.right - kept.left;
        picture->shownHeight = kept.bottom - kept.top;
        picture->width = EvenRounded(picture->shownWidth);
        picture->height = EvenRounded(picture->shownHeight);
    }
    return keptCount;
}

bool FillsBuffer(const MonitorPicture* picture, int32_t bufferWidth, int32_t bufferHeight)
{
    return picture->left == 0 && picture->top == 0 && picture->width == bufferWidth &&
           picture->height == bufferHeight;
}

void PlaceMonitorPicture(const MonitorPicture* picture, const uint32_t* pixels, uint32_t* buffer,
                         int32_t bufferWidth, int32_t bufferHeight)
{
    int32_t columns = std::min(picture->shownWidth, bufferWidth - picture->left);
    if (picture->left < 0 || picture->top < 0 || columns <= 0) return;
    for (int32_t line = 0; line < picture->shownHeight; ++line) {
        // The picture's line `line` is the window's client line top + line.
        if (RowOfShownLine(bufferHeight, picture->top + line) < 0) break;
        const uint32_t* from = ShownLine(pixels, picture->width, picture->height, line);
        uint32_t* to = ShownLine(buffer, bufferWidth, bufferHeight, picture->top + line) + picture->left;
        std::memcpy(to, from, (size_t)columns * sizeof(uint32_t));
    }
}
