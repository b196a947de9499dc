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
    kSimdSse2 = 1,      // two lanes; the baseline of every x86_64 build
    kSimdAvx2 = 2,      // four lanes with fused multiply-add
    kSimdAvx512 = 3,    // eight lanes
    kSimdWasm128 = 4,   // two lanes of WebAssembly SIMD, in the browser build
};
constexpr int32_t kSimdLevelCount = 5;

// Whether this processor, this operating system and this build can run
// `level`.
bool SimdLevelSupported(SimdLevel level);

// What the processor reports about itself, as CPUID and XGETBV give it; all
// zero on processors without CPUID.
struct ProcessorBits {
    uint32_t leaf1Ecx;  // CPUID 1, ECX: FMA (bit 12), OSXSAVE (27), AVX (28)
    uint32_t leaf1Edx;  // CPUID 1, EDX: SSE (25), SSE2 (26)
    uint32_t leaf7Ebx;  // CPUID 7.0, EBX: AVX2 (5), AVX-512F (16); 0 without leaf 7
    uint64_t xcr0;      // the register states the system saves (XGETBV 0); 0 without OSXSAVE
};

// The system family, for what the processor cannot tell: whether the
// system saves the SSE registers on a task switch.
enum SystemFamily : int32_t {
    kSystemOther = 0,      // any system that saves what the processor reports enabled
    kSystemWindows9x = 1,  // 95 is 4.0, 98 is 4.10, Me is 4.90
    kSystemWindowsNt = 2,  // NT 4 is 4.0, 2000 is 5.0, ...
};

struct SystemVersion {
    SystemFamily family;
    uint32_t major;
    uint32_t minor;
};

// Whether `level` runs on a processor that reports `processor` under
// `system`. SSE2 and wider need a system that saves the SSE registers
// (Windows 95 and NT 4 never enable them, whatever the processor), AVX2 and
// AVX-512 also the system's saving of their wider registers in XCR0.
// Portable runs everywhere. Pure: every case can be tested anywhere.
bool SimdLevelRuns(SimdLevel level, const ProcessorBits* processor, const SystemVersion* system);

// The widest level that runs there among those whose bit (1 << level) is
// set in `builtLevels`; portable when none does.
SimdLevel ChooseSimdLevel(const ProcessorBits* processor, const SystemVersion* system, uint32_t builtLevels);

// This processor's bits; all zero on other processors than x86.
ProcessorBits ReadProcessorBits(void);

// Names the system the program runs on, for the choice; to be called
// before the first picture, from one thread. Until then the system is
// kSystemOther, true of every system but Windows.
void SetSimdSystem(const SystemVersion* system);

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
// with the scratch of FillPictureWorkItem aligned to 64 bytes. Both ask
// `stop` (which may be null) before each row or pair step they begin and
// return false when it gives them up (picture.h), true when done.
struct FastKernels {
    bool (*fillRows[kVariantCount])(const PicturePlan* plan, uint32_t* pixels, float* previousRow,
                                    float* currentRow, int32_t firstRow, int32_t endRow, const PictureStop* stop);
    bool (*fillPairs[kVariantCount])(const PicturePlan* plan, uint32_t* pixels, int32_t firstPair,
                                     int32_t endPair, void* scratch, const PictureStop* stop);
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
