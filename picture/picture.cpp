#include "picture/picture.h"

#include <cmath>

#include "picture/level.h"
#include "picture/random.h"

using namespace level_constants;

static void PlanWaveSources(WaveSources* sources, int32_t width, int32_t height)
{
    for (int32_t k = 0; k < kWaveSourceCount; ++k) {
        sources->x[k] = (float)((double)NextRandom() * width * kInv32767);
        sources->y[k] = (float)((double)NextRandom() * height * kInv32767);
        // Depends on the width alone, in both directions. A width of 0 gives
        // an infinite frequency, which must not trap: no pixel is made then.
        sources->frequency[k] = (float)(50.0 / ((1.0 + (double)NextRandom() * k10Over32767) * width));
    }
}

// Two colour curves, each the product of two slowly turning sines per
// channel, blended by a third sine; groups 1 and 2 make curve A, groups 3
// and 4 the slower curve B.
static void BuildPalette(uint32_t* palette)
{
    float phase[4][3];
    float step[4][3];
    for (int32_t group = 0; group < 4; ++group) {
        for (int32_t c = 0; c < 3; ++c) phase[group][c] = (float)((double)NextRandom() * k100Over32767);
        for (int32_t c = 0; c < 3; ++c)
            step[group][c] = (float)((kStepBase + (double)NextRandom() * kInv32767) * kGroupScale[group]);
    }
    float blendRate = (float)(1.0 / (16.0 + (double)NextRandom() * k512Over32767));

    for (int32_t i = 0; i < kPaletteSize; ++i) {
        float t = (float)(0.5 + kBlendAmplitude * std::sin((double)blendRate * i * kBlendAngleFactor));
        float oneMinusT = (float)(1.0 - (double)t);
        uint32_t entry = 0;
        for (int32_t c = 0; c < 3; ++c) {
            double a = kColourCentre + kColourAmplitude * std::sin((double)phase[0][c]) * std::sin((double)phase[1][c]);
            double b = kColourCentre + kColourAmplitude * std::sin((double)phase[2][c]) * std::sin((double)phase[3][c]);
            uint32_t channel = (uint32_t)(int32_t)(a * (double)t + b * (double)oneMinusT);
            entry = (entry << 8) | channel;
        }
        palette[i] = entry;
        for (int32_t group = 0; group < 4; ++group)
            for (int32_t c = 0; c < 3; ++c) phase[group][c] = (float)((double)phase[group][c] + (double)step[group][c]);
    }
}

static void HalveChannels(uint32_t* palette, int32_t choice)
{
    // Which channels lose their top bit, by draw & 7: R, G, B, RG, RB, GB, none, none.
    static const uint32_t kHalvedMasks[8] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00,
                                             0xFF00FF, 0x00FFFF, 0,        0};
    uint32_t halved = kHalvedMasks[choice & 7];
    if (halved == 0) return;
    for (int32_t i = 0; i < kPaletteSize; ++i) {
        uint32_t entry = palette[i];
        palette[i] = (entry & ~halved) | (((entry & halved) >> 1) & halved & 0x7F7F7Fu);
    }
}

void SkipPictures(uint64_t pictures)
{
    SkipRandom(pictures * (uint64_t)kPictureDraws);
}

void PlanPicture(PicturePlan* plan, int32_t width, int32_t height, int32_t forcedVariant)
{
    plan->width = width;
    plan->height = height;
    PlanWaveSources(&plan->sources, width, height);
    BuildPalette(plan->palette);
    HalveChannels(plan->palette, NextRandom() & 7);
    int32_t variant = NextRandom() & 7;
    plan->variant = (forcedVariant >= 0 && forcedVariant < kVariantCount) ? forcedVariant : variant;
}

// The row pipeline, one instance per variant so that the level rule and the
// combine are resolved outside the pixel loop.
template <int32_t Variant>
static void FillRows(const PicturePlan* plan, uint32_t* pixels, float* previousRow, float* currentRow,
                     int32_t firstRow, int32_t endRow)
{
    const int32_t width = plan->width;

    for (int32_t x = 0; x < width; ++x) previousRow[x] = (float)VariantLevelOf(plan, Variant, x, firstRow - 1);

    for (int32_t y = firstRow; y < endRow; ++y) {
        uint32_t* out = pixels + (int64_t)y * width;
        float leftLevel = (float)VariantLevelOf(plan, Variant, -1, y);
        for (int32_t x = 0; x < width; ++x) {
            double level = VariantLevelOf(plan, Variant, x, y);
            int32_t shade = ShadeFromSlope(level - (double)previousRow[x], level - (double)leftLevel);
            uint32_t colour = plan->palette[PaletteIndex(level)];
            out[x] = VariantMultiplies(Variant) ? CombineMultiply(colour, (uint32_t)shade)
                                                : CombineAverage(colour, (uint32_t)shade);
            currentRow[x] = (float)level;
            leftLevel = currentRow[x];
        }
        for (int32_t x = 0; x < width; ++x) previousRow[x] = currentRow[x];
    }
}

void FillPictureRowsReference(const PicturePlan* plan, uint32_t* pixels, float* previousRow,
                              float* currentRow, int32_t firstRow, int32_t endRow)
{
    typedef void (*RowFiller)(const PicturePlan*, uint32_t*, float*, float*, int32_t, int32_t);
    static const RowFiller kFillers[kVariantCount] = {FillRows<0>, FillRows<1>, FillRows<2>, FillRows<3>,
                                                      FillRows<4>, FillRows<5>, FillRows<6>, FillRows<7>};
    kFillers[plan->variant & 7](plan, pixels, previousRow, currentRow, firstRow, endRow);
}

// Process-wide, as the picture worker serves one window: the plan is
// overwritten by every picture before it is read.
static PicturePlan currentPlan;

int32_t GeneratePicture(uint32_t* pixels, int32_t width, int32_t height, float* previousRow, float* currentRow)
{
    PlanPicture(&currentPlan, width, height);
    FillPictureRows(&currentPlan, pixels, previousRow, currentRow, 0, height);
    return height;
}
