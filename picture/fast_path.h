// The fast evaluation's instruction sets. The fast path runs one kernel,
// chosen once per process for the processor (the widest it and the
// operating system support), and the same kernel for every row, so a
// picture never mixes the rounding of two instruction sets. Tests and
// benchmarks may choose another supported one to compare them.
#pragma once

#include <cstdint>

#include "picture/picture.h"

enum SimdLevel : int32_t {
    kSimdPortable = 0,  // one lane of plain C++, for processors without the others
    kSimdSse2 = 1,      // two lanes; the baseline of every x86 build
    kSimdAvx2 = 2,      // four lanes with fused multiply-add
    kSimdAvx512 = 3,    // eight lanes
    kSimdWasm128 = 4,   // two lanes of WebAssembly SIMD, in the browser build
};
constexpr int32_t kSimdLevelCount = 5;

// Whether this processor and this build can run `level`.
bool SimdLevelSupported(SimdLevel level);

// The level that the fast path uses; chosen on first use.
SimdLevel ActiveSimdLevel(void);

// Makes the fast path use `level` from now on. Returns false, changing
// nothing, when the level is not supported. Not for use while pictures are
// being filled on other threads.
bool UseSimdLevel(SimdLevel level);

const char* SimdLevelName(SimdLevel level);

// The fast path's sine of `count` arguments under the active level, for
// measuring its accuracy: `out[i]` = sin(`x[i]`).
void FastSines(const double* x, double* out, int32_t count);

// The kernels of one instruction set; every entry is a plain procedure.
// fillPairs fills the row pairs firstPair to endPair - 1 of a mirrored
// variant (pair p is row p and, for 1 <= p < height - p, row height - p)
// with the scratch of FillPictureWorkItem aligned to 64 bytes.
struct FastKernels {
    void (*fillRows[kVariantCount])(const PicturePlan* plan, uint32_t* pixels, float* previousRow,
                                    float* currentRow, int32_t firstRow, int32_t endRow);
    void (*fillPairs[kVariantCount])(const PicturePlan* plan, uint32_t* pixels, int32_t firstPair,
                                     int32_t endPair, void* scratch);
    void (*sines)(const double* x, double* out, int32_t count);
};

// Each defined in its own unit, compiled for its instruction set; a build
// without one returns null.
const FastKernels* PortableKernels(void);
const FastKernels* Sse2Kernels(void);
const FastKernels* Avx2Kernels(void);
const FastKernels* Avx512Kernels(void);
const FastKernels* Wasm128Kernels(void);

// Scratch layout of a pair item, shared by the kernels and the size that
// PictureScratchSize reports: rows padded to whole vectors of the widest
// instruction set, with a vector's room before each double row. Static, so
// that the units built for wider instruction sets keep their own copies
// (one shared copy could be the one with instructions this processor lacks).
namespace scratch_layout {
constexpr int32_t kMaxLanes = 16;
constexpr int32_t kAlignment = 64;
static inline int32_t RoundUpLanes(int32_t n)
{
    return (n + kMaxLanes - 1) / kMaxLanes * kMaxLanes;
}
// Field levels of columns -1 to width: width + 2 doubles after the front pad.
static inline int32_t FieldStride(int32_t width)
{
    return kMaxLanes + RoundUpLanes(width + 2) + kMaxLanes;
}
// Variant levels of columns -1 to width - 1.
static inline int32_t LevelStride(int32_t width)
{
    return kMaxLanes + RoundUpLanes(width + 1) + kMaxLanes;
}
static inline int32_t FloatStride(int32_t width)
{
    return RoundUpLanes(width) + kMaxLanes;
}
}  // namespace scratch_layout
