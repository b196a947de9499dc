// Pictures for the tests, made the plain way on the calling thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "picture/picture.h"
#include "picture/random.h"

// Seeds the calling thread's random source with `seed` and plans its first
// picture; `variant` of 0 to 7 forces the variant.
inline std::unique_ptr<PicturePlan> MakePlan(uint32_t seed, int32_t width, int32_t height, int32_t variant = -1)
{
    std::unique_ptr<PicturePlan> plan(new PicturePlan);
    SeedRandom(seed);
    PlanPicture(plan.get(), width, height, variant);
    return plan;
}

// The whole picture of `plan` in one pass over pixels that start as
// 0xDEADBEEF, by the reference or the fast evaluation.
inline std::vector<uint32_t> FillWhole(const PicturePlan& plan, bool reference)
{
    std::vector<uint32_t> pixels((size_t)plan.width * (size_t)plan.height, 0xDEADBEEF);
    std::vector<float> previous((size_t)plan.width), current((size_t)plan.width);
    if (reference)
        FillPictureRowsReference(&plan, pixels.data(), previous.data(), current.data(), 0, plan.height);
    else
        FillPictureRows(&plan, pixels.data(), previous.data(), current.data(), 0, plan.height);
    return pixels;
}
