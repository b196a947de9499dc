#include "wayland/output_geometry.h"

#include <cstring>
#include <vector>

#include "picture/pixel_buffer.h"

static int32_t ScaledBy120ths(int32_t side, int32_t scale)
{
    return (int32_t)(((int64_t)side * scale + 60) / 120);
}

BufferPlan PlanOutputBuffer(const SurfaceScaleFacts* facts)
{
    BufferPlan plan;
    if (facts->surfaceWidth <= 0 || facts->surfaceHeight <= 0) return plan;
    if (facts->viewporter && facts->preferredScale > 0) {
        plan.width = ScaledBy120ths(facts->surfaceWidth, facts->preferredScale);
        plan.height = ScaledBy120ths(facts->surfaceHeight, facts->preferredScale);
        plan.viewport = true;
        return plan;
    }
    bool turned = (facts->transform & 1) != 0;
    int32_t modeWidth = turned ? facts->modeHeight : facts->modeWidth;
    int32_t modeHeight = turned ? facts->modeWidth : facts->modeHeight;
    if (facts->viewporter && modeWidth > 0 && modeHeight > 0 && facts->surfaceWidth == facts->logicalWidth &&
        facts->surfaceHeight == facts->logicalHeight) {
        plan.width = modeWidth;
        plan.height = modeHeight;
        plan.viewport = true;
        return plan;
    }
    int32_t scale = facts->outputScale > 0 ? facts->outputScale : 1;
    plan.width = facts->surfaceWidth * scale;
    plan.height = facts->surfaceHeight * scale;
    plan.bufferScale = scale;
    return plan;
}

void CopyPictureToShm(const uint32_t* pixels, int32_t bufferWidth, int32_t bufferHeight, uint32_t* shm,
                      int32_t width, int32_t height)
{
    const bool bigEndian = [] {
        uint32_t probe = 1;
        unsigned char first;
        std::memcpy(&first, &probe, 1);
        return first == 0;
    }();
    for (int32_t line = 0; line < height; ++line) {
        const uint32_t* from = ShownLine(pixels, bufferWidth, bufferHeight, line);
        uint32_t* to = shm + (ptrdiff_t)line * width;
        if (!bigEndian) {
            std::memcpy(to, from, (size_t)width * sizeof(uint32_t));
            continue;
        }
        for (int32_t x = 0; x < width; ++x) to[x] = __builtin_bswap32(from[x]);
    }
}

int32_t PlanCycle(const CycleOutput* outputs, int32_t count, int32_t* order, int32_t* twinOf)
{
    std::vector<MonitorArea> areas((size_t)count);
    for (int32_t i = 0; i < count; ++i) {
        areas[(size_t)i] = outputs[i].area;
        twinOf[i] = -1;
    }
    int32_t kept[kMaxMonitors];
    int32_t keptCount = OrderMonitors(areas.data(), count, kept);
    int32_t taking = 0;
    for (int32_t k = 0; k < keptCount; ++k) {
        const MonitorArea& twin = outputs[kept[k]].area;
        for (int32_t i = 0; i < count; ++i) {
            const MonitorArea& area = outputs[i].area;
            if (i != kept[k] && area.left == twin.left && area.top == twin.top && area.right == twin.right &&
                area.bottom == twin.bottom)
                twinOf[i] = kept[k];
        }
        if (outputs[kept[k]].ready) order[taking++] = kept[k];
    }
    return taking;
}
