// The fast evaluation's entries: the choice of instruction set, the row
// range entry and the work items. Built for the baseline instruction set;
// it only calls into the units built for wider ones after asking the
// processor.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "picture/fast_path.h"
#include "picture/picture.h"

// 32-bit Windows promises a thread only 4-byte stack alignment, and the
// vector units keep 16-byte values on the stack: the entries realign it.
#if defined(__i386__)
#define ONDULITE_ALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define ONDULITE_ALIGN_STACK
#endif

// Rows per work item of a single-field variant, row pairs per item of a
// mirrored one: each item also evaluates the levels of one row (one pair
// and a half) beyond its own, about 3 to 6 percent more, and a 1080-row
// picture still makes 34 items, enough to keep every core busy to the end.
static constexpr int32_t kRowsPerItem = 32;
static constexpr int32_t kPairsPerItem = 16;

// -1 until the first use chooses the processor's best.
static std::atomic<int32_t> activeLevel(-1);

static const FastKernels* KernelsOf(SimdLevel level)
{
    switch (level) {
    case kSimdSse2:
        return Sse2Kernels();
    case kSimdAvx2:
        return Avx2Kernels();
    case kSimdAvx512:
        return Avx512Kernels();
    case kSimdWasm128:
        return Wasm128Kernels();
    case kSimdPortable:
        break;
    }
    return PortableKernels();
}

bool SimdLevelSupported(SimdLevel level)
{
    if (level < kSimdPortable || level >= kSimdLevelCount) return false;
    if (level == kSimdPortable) return true;
    if (!KernelsOf(level)) return false;
#if defined(__i386__) || defined(__x86_64__)
    // The checks include the operating system's saving of the wider
    // registers, so a system that does not save them gets SSE2.
    __builtin_cpu_init();
    switch (level) {
    case kSimdSse2:
        return __builtin_cpu_supports("sse2");
    case kSimdAvx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    case kSimdAvx512:
        return __builtin_cpu_supports("avx512f");
    default:
        return false;
    }
#elif defined(__wasm_simd128__)
    // A module built with SIMD only loads where the engine has it.
    return level == kSimdWasm128;
#else
    return false;
#endif
}

static SimdLevel BestSimdLevel(void)
{
    for (int32_t level = kSimdLevelCount - 1; level > kSimdPortable; --level)
        if (SimdLevelSupported((SimdLevel)level)) return (SimdLevel)level;
    return kSimdPortable;
}

SimdLevel ActiveSimdLevel(void)
{
    int32_t level = activeLevel.load(std::memory_order_relaxed);
    if (level < 0) {
        // Threads that race here all find the same answer.
        level = BestSimdLevel();
        activeLevel.store(level, std::memory_order_relaxed);
    }
    return (SimdLevel)level;
}

bool UseSimdLevel(SimdLevel level)
{
    if (!SimdLevelSupported(level)) return false;
    activeLevel.store(level, std::memory_order_relaxed);
    return true;
}

const char* SimdLevelName(SimdLevel level)
{
    static const char* const kNames[kSimdLevelCount] = {"portable", "sse2", "avx2", "avx512", "wasm128"};
    return level >= kSimdPortable && level < kSimdLevelCount ? kNames[level] : "unknown";
}

static const FastKernels* ActiveKernels(void)
{
    return KernelsOf(ActiveSimdLevel());
}

ONDULITE_ALIGN_STACK void FastSines(const double* x, double* out, int32_t count)
{
    ActiveKernels()->sines(x, out, count);
}

ONDULITE_ALIGN_STACK void FillPictureRows(const PicturePlan* plan, uint32_t* pixels, float* previousRow,
                                          float* currentRow, int32_t firstRow, int32_t endRow)
{
    ActiveKernels()->fillRows[plan->variant & 7](plan, pixels, previousRow, currentRow, firstRow, endRow);
}

size_t PictureScratchSize(int32_t width)
{
    using namespace scratch_layout;
    if (width < 0) width = 0;
    return (size_t)(2 * FieldStride(width) + 3 * LevelStride(width)) * sizeof(double) +
           (size_t)(3 * FloatStride(width)) * sizeof(float) + kAlignment;
}

static bool IsMirrored(const PicturePlan* plan)
{
    return (plan->variant & 7) >= 4;
}

int32_t PictureWorkItemCount(const PicturePlan* plan)
{
    if (plan->width <= 0 || plan->height <= 0) return 0;
    // Pairs 0 to height / 2: pair p holds row p and, below the middle, row height - p.
    if (IsMirrored(plan)) return (plan->height / 2 + 1 + kPairsPerItem - 1) / kPairsPerItem;
    return (plan->height + kRowsPerItem - 1) / kRowsPerItem;
}

ONDULITE_ALIGN_STACK void FillPictureWorkItem(const PicturePlan* plan, uint32_t* pixels, int32_t item,
                                              void* scratch)
{
    using namespace scratch_layout;
    if (item < 0 || item >= PictureWorkItemCount(plan)) return;
    uintptr_t address = ((uintptr_t)scratch + kAlignment - 1) & ~(uintptr_t)(kAlignment - 1);
    const FastKernels* kernels = ActiveKernels();
    const int32_t variant = plan->variant & 7;
    if (IsMirrored(plan)) {
        const int32_t pairs = plan->height / 2 + 1;
        const int32_t first = item * kPairsPerItem;
        const int32_t end = first + kPairsPerItem < pairs ? first + kPairsPerItem : pairs;
        kernels->fillPairs[variant](plan, pixels, first, end, (void*)address);
    } else {
        float* previousRow = (float*)address;
        float* currentRow = previousRow + FloatStride(plan->width);
        const int32_t first = item * kRowsPerItem;
        const int32_t end = first + kRowsPerItem < plan->height ? first + kRowsPerItem : plan->height;
        kernels->fillRows[variant](plan, pixels, previousRow, currentRow, first, end);
    }
}
