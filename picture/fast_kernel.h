// The fast row pipeline, written once over a vector type and instantiated
// by one unit per instruction set (fast_portable.cpp, fast_sse2.cpp,
// fast_avx2.cpp, fast_avx512.cpp, fast_wasm128.cpp), each of which defines `Ops` and then
// includes this file. Everything here has internal linkage: a unit built
// with -mavx2 must not lend a shared inline copy of anything to the rest of
// the program, which may run on a processor without AVX2. For the same
// reason nothing here calls the inline procedures of level.h.
//
// Ops is a struct of static procedures over `D` (kLanes doubles) and `M`
// (a lane mask): Set, Load, Store, LoadReversed (lane i reads p[-i]),
// LoadFloats, StoreFloats, RoundToFloat, Add, Sub, Mul, Div, Sqrt, Min, Max,
// MulAdd (a * b + c) and NegMulAdd (c - a * b), both fused where kFused
// says the set has it, Less, Select, Xor, ParitySign, Iota (lane numbers)
// and StoreTrunc (to int32 toward zero). The units pass their vector type
// through Twice (fast_twice.h), so each step works on two vectors at once.
//
// Agreement with the reference: the field level takes the reference's
// distances and sine arguments operation for operation (the units are
// compiled with -ffp-contract=off, so nothing is fused unasked); its sine is
// within about an ulp of the C library's and the terms are summed with
// fused steps, so the level is off by a few units in its last place at
// most, some 1e-13. The shade is a / sqrt(a^2 + b^2), which equals
// sin(atan2(a, b)) up to rounding. Values are rounded to float exactly where
// the reference stores them. So a pixel differs only where a level or a
// shade lies within about 1e-13 of a truncation step: so rarely that the
// tests' pictures show no difference at all.
#pragma once

#include <cfloat>
#include <cstdint>
#include <cstring>

#include "picture/fast_path.h"
#include "picture/level.h"
#include "picture/picture.h"

namespace {

using D = Ops::D;
constexpr int32_t kLanes = Ops::kLanes;

// Columns per block of the row pipeline: the block's levels stay in the
// first-level cache and on the stack (the saver's worker asks for a small
// stack; no frame here reaches 4 KB, and a whole call chain stays near it).
constexpr int32_t kBlock = 64;

// Sine by reduction modulo pi: n = nearest integer to x / pi, r = x - n pi
// in [-pi/2, pi/2], sin x = (-1)^n sin r. Without a fused multiply-add, pi
// is split in three parts whose first two have 30 significant bits, so
// n * part is exact for |n| < 2^23 (|x| below 2.6e7; the pictures need at
// most a few hundred thousand, for a window 2 pixels wide and 16384 tall);
// with one, two parts do, as the fused step rounds only its result. Either
// way r carries about an ulp of error. sin r = r + r^3 P(r^2), P the
// near-minimax fit of degree 7 on [0, (pi/2)^2]; the polynomial's own error
// is below 4e-17, a third of an ulp of the result.
constexpr double kInvPi = 0x1.45f306dc9c883p-2;
constexpr double kPiPart1 = 0x1.921fb548p+1;
constexpr double kPiPart2 = -0x1.de973dc8p-30;
constexpr double kPiPart3 = -0x1.9d9cceba3f91fp-61;
constexpr double kPiFusedPart1 = 0x1.921fb54442d18p+1;
constexpr double kPiFusedPart2 = 0x1.1a62633145c07p-53;
// Adding 1.5 * 2^52 rounds to an integer held in the low mantissa bits;
// its lowest bit is the parity of n.
constexpr double kRoundMagic = 6755399441055744.0;
constexpr int32_t kSineTermCount = 8;
constexpr double kSineTerms[kSineTermCount] = {
    -0x1.5555555555555p-3, 0x1.1111111111107p-7,  -0x1.a01a01a018aaap-13, 0x1.71de3a54564dfp-19,
    -0x1.ae6455a1c0795p-26, 0x1.612401540ed0fp-33, -0x1.ae51366b753a9p-41, 0x1.89a43bea5b135p-49,
};

inline D Sine(D x)
{
    D t = Ops::MulAdd(x, Ops::Set(kInvPi), Ops::Set(kRoundMagic));
    D n = Ops::Sub(t, Ops::Set(kRoundMagic));
    D r;
    if (Ops::kFused) {
        r = Ops::NegMulAdd(n, Ops::Set(kPiFusedPart1), x);
        r = Ops::NegMulAdd(n, Ops::Set(kPiFusedPart2), r);
    } else {
        r = Ops::NegMulAdd(n, Ops::Set(kPiPart1), x);
        r = Ops::NegMulAdd(n, Ops::Set(kPiPart2), r);
        r = Ops::NegMulAdd(n, Ops::Set(kPiPart3), r);
    }
    D z = Ops::Mul(r, r);
    D p = Ops::Set(kSineTerms[kSineTermCount - 1]);
    for (int32_t i = kSineTermCount - 2; i >= 0; --i) p = Ops::MulAdd(p, z, Ops::Set(kSineTerms[i]));
    D s = Ops::MulAdd(Ops::Mul(r, z), p, r);
    return Ops::Xor(s, Ops::ParitySign(t));
}

void Sines(const double* x, double* out, int32_t count)
{
    for (int32_t i = 0; i < count; i += kLanes) {
        double in[kLanes] = {};
        double result[kLanes];
        int32_t lanes = count - i < kLanes ? count - i : kLanes;
        std::memcpy(in, x + i, sizeof(double) * (size_t)lanes);
        Ops::Store(result, Sine(Ops::Load(in)));
        std::memcpy(out + i, result, sizeof(double) * (size_t)lanes);
    }
}

// Field levels F(x0 + i, py) for i = 0 to count - 1, written to out[0] and
// on, in whole vectors: count rounded up to kLanes values are written.
// Every lane performs the same operations on its own column, so a point's
// level does not depend on the lane or the call that computes it: bands,
// items and row pairs all see the same levels.
void FieldRow(const WaveSources* sources, int32_t py, int32_t x0, int32_t count, double* out)
{
    // The sources' values as whole vectors, made once per call.
    D sourceX[kWaveSourceCount];
    D dySquared[kWaveSourceCount];
    D frequency[kWaveSourceCount];
    for (int32_t k = 0; k < kWaveSourceCount; ++k) {
        double dy = (double)py - (double)sources->y[k];
        sourceX[k] = Ops::Set((double)sources->x[k]);
        dySquared[k] = Ops::Set(dy * dy);
        frequency[k] = Ops::Set((double)sources->frequency[k]);
    }
    const D lane = Ops::Iota();
    for (int32_t i = 0; i < count; i += kLanes) {
        D px = Ops::Add(Ops::Set((double)(x0 + i)), lane);
        // All square roots first: the divider works through them while
        // the multipliers evaluate the sines.
        D distance[kWaveSourceCount];
        for (int32_t k = 0; k < kWaveSourceCount; ++k) {
            D dx = Ops::Sub(px, sourceX[k]);
            distance[k] = Ops::Sqrt(Ops::Add(Ops::Mul(dx, dx), dySquared[k]));
        }
        D sum = Ops::Set(0.0);
        for (int32_t k = 0; k < kWaveSourceCount; ++k) {
            D wave = Sine(Ops::Mul(frequency[k], distance[k]));
            sum = Ops::MulAdd(Ops::Set(level_constants::kFieldAmplitude), wave, sum);
        }
        // The five offsets at once (exact: 27 significant bits): with the
        // fused sum this saves a tenth of the time and moves the level by
        // no more than its last bit or two, as the sine does.
        Ops::Store(out + i, Ops::Add(sum, Ops::Set(kWaveSourceCount * level_constants::kFieldOffset)));
    }
}

// The triangle fold of v (4f or 2(a + b)); each branch is exact.
inline D Fold(D v)
{
    D folded = Ops::Select(Ops::Less(v, Ops::Set(3072.0)), Ops::Sub(v, Ops::Set(2048.0)),
                           Ops::Sub(Ops::Set(4096.0), v));
    folded = Ops::Select(Ops::Less(v, Ops::Set(2048.0)), Ops::Sub(Ops::Set(2048.0), v), folded);
    return Ops::Select(Ops::Less(v, Ops::Set(1024.0)), v, folded);
}

template <int32_t Variant>
inline D SingleLevel(D f)
{
    if (Variant == 3) return Fold(Ops::Mul(Ops::Set(4.0), f));
    return f;
}

// a: the point's field level, b: its mirror point's.
template <int32_t Variant>
inline D MirroredLevel(D a, D b)
{
    if (Variant <= 5) return Fold(Ops::Mul(Ops::Set(2.0), Ops::Add(a, b)));
    return Ops::Mul(Ops::Add(a, b), Ops::Set(0.5));
}

inline uint32_t CombineShade(uint32_t colour, uint32_t shade, bool multiply)
{
    // Red and blue together, green alone: no channel's sum or product
    // reaches the next channel's bits.
    if (multiply)
        return ((((colour & 0xFF00FFu) * shade) >> 8) & 0xFF00FFu) | ((((colour & 0xFF00u) * shade) >> 8) & 0xFF00u);
    return ((((colour & 0xFF00FFu) + shade * 0x10001u) >> 1) & 0xFF00FFu) |
           ((((colour & 0xFF00u) + (shade << 8)) >> 1) & 0xFF00u);
}

// out[i] = the combine of palette entry indices[i] with shades[i].
void CombineBlock(const int32_t* indices, const int32_t* shades, int32_t count, const uint32_t* palette,
                  bool multiply, uint32_t* out)
{
    int32_t i = 0;
#if defined(__AVX2__)
    // Eight at a time with a gather: measured about a tenth faster overall
    // than the plain loop on an AVX2 processor.
    const __m256i redBlue = _mm256_set1_epi32(0xFF00FF);
    const __m256i green = _mm256_set1_epi32(0xFF00);
    for (; i + 8 <= count; i += 8) {
        __m256i colour =
            _mm256_i32gather_epi32((const int*)palette, _mm256_loadu_si256((const __m256i*)(indices + i)), 4);
        __m256i shade = _mm256_loadu_si256((const __m256i*)(shades + i));
        __m256i rb = _mm256_and_si256(colour, redBlue);
        __m256i g = _mm256_and_si256(colour, green);
        if (multiply) {
            rb = _mm256_srli_epi32(_mm256_mullo_epi32(rb, shade), 8);
            g = _mm256_srli_epi32(_mm256_mullo_epi32(g, shade), 8);
        } else {
            rb = _mm256_srli_epi32(_mm256_add_epi32(rb, _mm256_or_si256(shade, _mm256_slli_epi32(shade, 16))), 1);
            g = _mm256_srli_epi32(_mm256_add_epi32(g, _mm256_slli_epi32(shade, 8)), 1);
        }
        rb = _mm256_and_si256(rb, redBlue);
        g = _mm256_and_si256(g, green);
        _mm256_storeu_si256((__m256i*)(out + i), _mm256_or_si256(rb, g));
    }
#endif
    for (; i < count; ++i) out[i] = CombineShade(palette[indices[i]], (uint32_t)shades[i], multiply);
}

// Pixels of `count` (at most kBlock) columns of one row. level[-1] is the
// left neighbour's level and level[0] to level[count - 1] the pixels',
// unrounded, readable in whole vectors; previous[i] is the rounded level of
// the row before. Writes out[0..count) and, unless null, the rounded levels
// to current[0..count).
void ShadeBlock(const double* level, const float* previous, int32_t count, const uint32_t* palette,
                bool multiply, uint32_t* out, float* current)
{
    int32_t shades[kBlock + kLanes];
    int32_t indices[kBlock + kLanes];
    for (int32_t i = 0; i < count; i += kLanes) {
        const int32_t lanes = count - i < kLanes ? count - i : kLanes;
        D l = Ops::Load(level + i);
        D h = Ops::RoundToFloat(Ops::Load(level + i - 1));
        D p;
        if (lanes == kLanes) {
            p = Ops::LoadFloats(previous + i);
        } else {
            float part[kLanes] = {};
            std::memcpy(part, previous + i, sizeof(float) * (size_t)lanes);
            p = Ops::LoadFloats(part);
        }
        D towardPrevious = Ops::Sub(l, p);
        D towardLeft = Ops::Sub(l, h);
        D lengthSquared = Ops::Add(Ops::Mul(towardPrevious, towardPrevious), Ops::Mul(towardLeft, towardLeft));
        // A flat spot has both differences 0 and shade 128; the floor keeps
        // 0 / 0 away without a test, and no nonzero length comes near it.
        D sine = Ops::Div(towardPrevious, Ops::Sqrt(Ops::Max(lengthSquared, Ops::Set(DBL_MIN))));
        D shade = Ops::Add(Ops::Set(level_constants::kShadeCentre),
                           Ops::Mul(Ops::Set(level_constants::kShadeAmplitude), sine));
        Ops::StoreTrunc(shades + i, shade);
        // A fold's peak of exactly 1024 takes the last entry, as in the reference.
        Ops::StoreTrunc(indices + i, Ops::Min(l, Ops::Set(1023.5)));
        if (!current) continue;
        if (lanes == kLanes) {
            Ops::StoreFloats(current + i, l);
        } else {
            float part[kLanes];
            Ops::StoreFloats(part, l);
            std::memcpy(current + i, part, sizeof(float) * (size_t)lanes);
        }
    }
    CombineBlock(indices, shades, count, palette, multiply, out);
}

// Variant levels V(x0 + i, y), i = 0 to count - 1 (count at most kBlock,
// x0 >= 0), into out[0] on, whole vectors.
template <int32_t Variant>
void LevelSpan(const PicturePlan* plan, int32_t y, int32_t x0, int32_t count, double* out)
{
    FieldRow(&plan->sources, y, x0, count, out);
    const int32_t padded = (count + kLanes - 1) / kLanes * kLanes;
    if (Variant < 4) {
        for (int32_t i = 0; i < padded; i += kLanes) Ops::Store(out + i, SingleLevel<Variant>(Ops::Load(out + i)));
        return;
    }
    // mirror[j] = F(width - x0 - padded + 1 + j, my), so the mirror point of
    // column x0 + i is mirror[padded - 1 - i].
    double mirror[kBlock + kLanes];
    const int32_t my = y < 0 ? plan->height : plan->height - y;
    FieldRow(&plan->sources, my, plan->width - x0 - padded + 1, padded, mirror);
    for (int32_t i = 0; i < padded; i += kLanes)
        Ops::Store(out + i, MirroredLevel<Variant>(Ops::Load(out + i), Ops::LoadReversed(mirror + padded - 1 - i)));
}

// V(-1, y): the column left of column 0, whose mirror column is `width`.
template <int32_t Variant>
double LeftLevel(const PicturePlan* plan, int32_t y)
{
    double a[kLanes];
    double v[kLanes];
    FieldRow(&plan->sources, y, -1, 1, a);
    if (Variant < 4) {
        Ops::Store(v, SingleLevel<Variant>(Ops::Set(a[0])));
    } else {
        double b[kLanes];
        FieldRow(&plan->sources, y < 0 ? plan->height : plan->height - y, plan->width, 1, b);
        Ops::Store(v, MirroredLevel<Variant>(Ops::Set(a[0]), Ops::Set(b[0])));
    }
    return v[0];
}

// Rounded levels of row y into row[0..width), for the row before a band.
template <int32_t Variant>
void RoundedLevelRow(const PicturePlan* plan, int32_t y, float* row)
{
    double level[kBlock + kLanes];
    for (int32_t x0 = 0; x0 < plan->width; x0 += kBlock) {
        const int32_t count = plan->width - x0 < kBlock ? plan->width - x0 : kBlock;
        LevelSpan<Variant>(plan, y, x0, count, level);
        for (int32_t i = 0; i < count; ++i) row[x0 + i] = (float)level[i];
    }
}

bool StopAsked(const PictureStop* stop)
{
    return stop && stop->requested(stop->context);
}

// The row pipeline in blocks of columns with nothing but the two row
// buffers: a mirrored variant evaluates both field levels of every point.
template <int32_t Variant>
bool FillRows(const PicturePlan* plan, uint32_t* pixels, float* previousRow, float* currentRow, int32_t firstRow,
              int32_t endRow, const PictureStop* stop)
{
    const int32_t width = plan->width;
    if (width <= 0) return true;
    RoundedLevelRow<Variant>(plan, firstRow - 1, previousRow);
    // level[0] is the left neighbour of the block in level[1..].
    double level[1 + kBlock + kLanes];
    for (int32_t y = firstRow; y < endRow; ++y) {
        if (StopAsked(stop)) return false;
        uint32_t* out = pixels + (int64_t)y * width;
        level[0] = LeftLevel<Variant>(plan, y);
        for (int32_t x0 = 0; x0 < width; x0 += kBlock) {
            const int32_t count = width - x0 < kBlock ? width - x0 : kBlock;
            LevelSpan<Variant>(plan, y, x0, count, level + 1);
            ShadeBlock(level + 1, previousRow + x0, count, plan->palette, (Variant & 1) != 0, out + x0,
                       currentRow + x0);
            level[0] = level[count];
        }
        float* swap = previousRow;
        previousRow = currentRow;
        currentRow = swap;
    }
    return true;
}

// V of columns -1 to width - 1 of a row from the field levels of the row
// (own, columns -1 to width at own[0] on) and of its mirror row (mirror);
// level[0] is column -1. The mirror column of -1 is width, as for column 0.
template <int32_t Variant>
void MirroredLevelRow(const double* own, const double* mirror, int32_t width, double* level)
{
    Ops::Store(level, MirroredLevel<Variant>(Ops::Set(own[0]), Ops::Set(mirror[width + 1])));
    // Column x reads own[x + 1] and mirror[width - x + 1].
    for (int32_t x = 0; x < width; x += kLanes)
        Ops::Store(level + 1 + x,
                   MirroredLevel<Variant>(Ops::Load(own + 1 + x), Ops::LoadReversed(mirror + width + 1 - x)));
}

void ShadeRow(const double* level, const float* previous, int32_t width, const uint32_t* palette, bool multiply,
              uint32_t* out, float* current)
{
    for (int32_t x0 = 0; x0 < width; x0 += kBlock) {
        const int32_t count = width - x0 < kBlock ? width - x0 : kBlock;
        ShadeBlock(level + 1 + x0, previous + x0, count, palette, multiply, out + x0, current ? current + x0 : nullptr);
    }
}

void RoundRow(const double* level, int32_t width, float* row)
{
    for (int32_t x = 0; x < width; ++x) row[x] = (float)level[1 + x];
}

// Row pairs firstPair to endPair - 1 of a mirrored variant (pairs 0 to
// height / 2 cover every row, of an odd height too). Step r takes
// the field levels of rows r and height - r once and makes both rows'
// variant levels from them (row -1 pairs with row height, as its mirror
// row is height). Row r's pixels need the levels of steps r and r - 1;
// row height - r + 1's (the upper row of pair r - 1) those of steps r - 1
// and r, so the upper row is filled one step late.
template <int32_t Variant>
bool FillPairs(const PicturePlan* plan, uint32_t* pixels, int32_t firstPair, int32_t endPair, void* scratch,
               const PictureStop* stop)
{
    using namespace scratch_layout;
    const int32_t width = plan->width;
    const int32_t height = plan->height;
    if (width <= 0 || height <= 0) return true;
    const bool multiply = (Variant & 1) != 0;

    double* cursor = (double*)scratch;
    double* lowField = cursor + kMaxLanes;
    cursor += FieldStride(width);
    double* highField = cursor + kMaxLanes;
    cursor += FieldStride(width);
    double* lowLevel = cursor + kMaxLanes;
    cursor += LevelStride(width);
    double* highLevel = cursor + kMaxLanes;
    cursor += LevelStride(width);
    double* earlierHighLevel = cursor + kMaxLanes;
    cursor += LevelStride(width);
    float* floats = (float*)cursor;
    float* previousLow = floats;
    float* currentLow = floats + FloatStride(width);
    float* roundedHigh = floats + 2 * FloatStride(width);

    for (int32_t r = firstPair - 1; r <= endPair; ++r) {
        // Pair p has an upper row when 1 <= p < height - p.
        const bool upperBehind = r - 1 >= firstPair && r - 1 >= 1 && 2 * (r - 1) < height;
        if (r == endPair && !upperBehind) break;
        // Each step makes up to two rows; the first, which only looks up
        // the row before the item, makes none.
        if (r >= firstPair && StopAsked(stop)) return false;
        const int32_t mirrorRow = r < 0 ? height : height - r;
        FieldRow(&plan->sources, r, -1, width + 2, lowField);
        const double* mirrorField = lowField;
        if (mirrorRow != r) {
            FieldRow(&plan->sources, mirrorRow, -1, width + 2, highField);
            mirrorField = highField;
        }
        if (r < endPair) {
            MirroredLevelRow<Variant>(lowField, mirrorField, width, lowLevel);
            if (r >= firstPair) {
                ShadeRow(lowLevel, previousLow, width, plan->palette, multiply, pixels + (int64_t)r * width,
                         currentLow);
                float* swap = previousLow;
                previousLow = currentLow;
                currentLow = swap;
            } else {
                RoundRow(lowLevel, width, previousLow);
            }
        }
        if (r >= 1) {
            MirroredLevelRow<Variant>(mirrorField, lowField, width, highLevel);
            if (upperBehind) {
                RoundRow(highLevel, width, roundedHigh);
                ShadeRow(earlierHighLevel, roundedHigh, width, plan->palette, multiply,
                         pixels + (int64_t)(height - r + 1) * width, nullptr);
            }
            double* swap = earlierHighLevel;
            earlierHighLevel = highLevel;
            highLevel = swap;
        }
    }
    return true;
}

const FastKernels kKernels = {
    {FillRows<0>, FillRows<1>, FillRows<0>, FillRows<3>, FillRows<4>, FillRows<5>, FillRows<6>, FillRows<7>},
    {nullptr, nullptr, nullptr, nullptr, FillPairs<4>, FillPairs<5>, FillPairs<6>, FillPairs<7>},
    Sines,
};

}  // namespace
