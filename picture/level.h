// The per-point rules of the picture generator, shared by the plain row
// pipeline, the tests and any faster evaluation that must agree with them.
#pragma once

#include <cmath>
#include <cstdint>

#include "picture/picture.h"

// Constants as the program uses them: single-precision values of the
// fractions, and the few double-precision ones.
namespace level_constants {
constexpr double kInv32767 = 0.000030518509447574615478515625;  // float(1/32767)
constexpr double k10Over32767 = 0.00030518509447574615478515625;
constexpr double k100Over32767 = 0.0030518509447574615478515625;
constexpr double k512Over32767 = 0.015625476837158203125;
constexpr double kGroupScale[4] = {0.100000001490116119384765625, 0.0900000035762786865234375,
                                   0.02999999932944774627685546875,
                                   0.00999999977648258209228515625};
constexpr double kStepBase = 0.100000001490116119384765625;  // float(0.1)
constexpr double kFieldAmplitude = 102.3979949951171875;
constexpr double kFieldOffset = 102.40000152587890625;
constexpr double kBlendAmplitude = 0.4999000132083892822265625;
constexpr double kBlendAngleFactor = 3.1415;
constexpr double kColourAmplitude = 127.90000152587890625;
constexpr double kColourCentre = 128.0;
constexpr double kShadeCentre = 128.0;
constexpr double kShadeAmplitude = 127.98999786376953125;  // float(127.99)
}  // namespace level_constants

// The field level at (px, py): the five sources' ripples summed in source
// order, each adding its sine term and then the offset. Strictly between
// 0.01 and 1023.99 for finite frequencies. Returned unrounded.
inline double FieldLevel(const WaveSources* sources, double px, double py)
{
    double sum = 0.0;
    for (int32_t k = 0; k < kWaveSourceCount; ++k) {
        double dx = px - (double)sources->x[k];
        double dy = py - (double)sources->y[k];
        double distance = std::sqrt(dx * dx + dy * dy);
        sum = sum + level_constants::kFieldAmplitude * std::sin((double)sources->frequency[k] * distance);
        sum = sum + level_constants::kFieldOffset;
    }
    return sum;
}

// The triangle fold of a level in 0..1024 scale: each quarter of the span
// becomes a full ramp, rising and falling in turn. `v` is four times the
// level being folded (4f for variant 3, 2(a+b) for variants 4 and 5); the
// comparisons are made on `v`, which is exact since quadrupling loses nothing.
inline double FoldLevel(double v)
{
    if (v < 1024.0) return v;
    if (v < 2048.0) return 2048.0 - v;
    if (v < 3072.0) return v - 2048.0;
    return 4096.0 - v;
}

// The level of `variant` at (px, py); -1 stands for the column left of
// column 0 or the row before row 0, whose mirror coordinate is `width` or
// `height` (the same mirror points as those of column 0 and row 0).
inline double VariantLevelOf(const PicturePlan* plan, int32_t variant, int32_t px, int32_t py)
{
    const WaveSources* sources = &plan->sources;
    double a = FieldLevel(sources, (double)px, (double)py);
    switch (variant) {
    case 0:
    case 1:
    case 2:
        return a;
    case 3:
        return FoldLevel(4.0 * a);
    default: {
        int32_t mx = px < 0 ? plan->width : plan->width - px;
        int32_t my = py < 0 ? plan->height : plan->height - py;
        double b = FieldLevel(sources, (double)mx, (double)my);
        if (variant <= 5) return FoldLevel(2.0 * (a + b));
        return (a + b) * 0.5;
    }
    }
}

inline double VariantLevel(const PicturePlan* plan, int32_t px, int32_t py)
{
    return VariantLevelOf(plan, plan->variant, px, py);
}

// A fold yields exactly 1024 at its peaks, one past the last entry; that
// single value takes the last entry, the colour its neighbours just below
// the peak take, so a peak shows no seam.
inline int32_t PaletteIndex(double level)
{
    int32_t index = (int32_t)level;
    return index > kPaletteSize - 1 ? kPaletteSize - 1 : index;
}

// Shade 0..255 from the level's rise over the previous row (`towardPrevious`
// = L - P) and over the left neighbour (`towardLeft` = L - H): the sine of
// the slope's direction, 128 on a flat spot.
inline int32_t ShadeFromSlope(double towardPrevious, double towardLeft)
{
    return (int32_t)(level_constants::kShadeCentre +
                     level_constants::kShadeAmplitude * std::sin(std::atan2(towardPrevious, towardLeft)));
}

// Variants 1, 3, 5 and 7 multiply the colour by the shade; 0, 2, 4 and 6
// average the two.
inline bool VariantMultiplies(int32_t variant)
{
    return (variant & 1) != 0;
}

inline uint32_t CombineAverage(uint32_t colour, uint32_t shade)
{
    uint32_t r = (((colour >> 16) & 0xFF) + shade) >> 1;
    uint32_t g = (((colour >> 8) & 0xFF) + shade) >> 1;
    uint32_t b = ((colour & 0xFF) + shade) >> 1;
    return (r << 16) | (g << 8) | b;
}

inline uint32_t CombineMultiply(uint32_t colour, uint32_t shade)
{
    uint32_t r = (((colour >> 16) & 0xFF) * shade) >> 8;
    uint32_t g = (((colour >> 8) & 0xFF) * shade) >> 8;
    uint32_t b = ((colour & 0xFF) * shade) >> 8;
    return (r << 16) | (g << 8) | b;
}
