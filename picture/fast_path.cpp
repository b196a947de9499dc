// The fast evaluation's entries: the choice of instruction set, the row
// range entry and the work items. Built for the baseline instruction set;
// it only calls into the units built for wider ones after asking the
// processor and the system.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "picture/fast_path.h"
#include "picture/picture.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

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

// Processor bits of the features the choice looks at.
constexpr uint32_t kLeaf1EdxSse2 = 1u << 26;
constexpr uint32_t kLeaf1EcxFma = 1u << 12;
constexpr uint32_t kLeaf1EcxOsXsave = 1u << 27;
constexpr uint32_t kLeaf1EcxAvx = 1u << 28;
constexpr uint32_t kLeaf7EbxAvx2 = 1u << 5;
constexpr uint32_t kLeaf7EbxAvx512f = 1u << 16;
// XCR0: SSE and AVX state; AVX-512's opmask and upper ZMM states besides.
constexpr uint64_t kXcr0Avx = 0x06;
constexpr uint64_t kXcr0Avx512 = 0xE6;

static bool SystemSavesSse(const SystemVersion* system)
{
    switch (system->family) {
    case kSystemWindows9x:
        return system->major > 4 || (system->major == 4 && system->minor >= 10);
    case kSystemWindowsNt:
        return system->major >= 5;
    case kSystemOther:
        break;
    }
    return true;
}

bool SimdLevelRuns(SimdLevel level, const ProcessorBits* processor, const SystemVersion* system)
{
    if (level == kSimdPortable) return true;
    if (level < kSimdPortable || level >= kSimdLevelCount) return false;
    // A module built with WebAssembly SIMD only loads where the engine has
    // it, so wherever that unit is built (never for Windows), it runs.
    if (level == kSimdWasm128) return system->family == kSystemOther;
    if (!(processor->leaf1Edx & kLeaf1EdxSse2) || !SystemSavesSse(system)) return false;
    if (level == kSimdSse2) return true;
    const uint32_t avx = kLeaf1EcxOsXsave | kLeaf1EcxAvx | kLeaf1EcxFma;
    if ((processor->leaf1Ecx & avx) != avx || (processor->xcr0 & kXcr0Avx) != kXcr0Avx ||
        !(processor->leaf7Ebx & kLeaf7EbxAvx2))
        return false;
    if (level == kSimdAvx2) return true;
    return (processor->leaf7Ebx & kLeaf7EbxAvx512f) && (processor->xcr0 & kXcr0Avx512) == kXcr0Avx512;
}

SimdLevel ChooseSimdLevel(const ProcessorBits* processor, const SystemVersion* system, uint32_t builtLevels)
{
    for (int32_t level = kSimdLevelCount - 1; level > kSimdPortable; --level)
        if ((builtLevels >> level & 1u) && SimdLevelRuns((SimdLevel)level, processor, system))
            return (SimdLevel)level;
    return kSimdPortable;
}

ProcessorBits ReadProcessorBits(void)
{
    ProcessorBits bits = {0, 0, 0, 0};
#if defined(__i386__) || defined(__x86_64__)
    unsigned int a, b, c, d;
    // __get_cpuid checks that CPUID exists and has the leaf.
    if (__get_cpuid(1, &a, &b, &c, &d)) {
        bits.leaf1Ecx = c;
        bits.leaf1Edx = d;
    }
    if (__get_cpuid_count(7, 0, &a, &b, &c, &d)) bits.leaf7Ebx = b;
    // XGETBV exists only where the system has set OSXSAVE.
    if (bits.leaf1Ecx & kLeaf1EcxOsXsave) {
        uint32_t low, high;
        __asm__ __volatile__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
        bits.xcr0 = (uint64_t)high << 32 | low;
    }
#endif
    return bits;
}

static SystemVersion simdSystem = {kSystemOther, 0, 0};

void SetSimdSystem(const SystemVersion* system)
{
    simdSystem = *system;
}

static uint32_t BuiltSimdLevels(void)
{
    uint32_t built = 0;
    for (int32_t level = kSimdPortable; level < kSimdLevelCount; ++level)
        if (KernelsOf((SimdLevel)level)) built |= 1u << level;
    return built;
}

bool SimdLevelSupported(SimdLevel level)
{
    if (level < kSimdPortable || level >= kSimdLevelCount) return false;
    if (!(BuiltSimdLevels() >> level & 1u)) return false;
    ProcessorBits processor = ReadProcessorBits();
    return SimdLevelRuns(level, &processor, &simdSystem);
}

static SimdLevel BestSimdLevel(void)
{
    ProcessorBits processor = ReadProcessorBits();
    return ChooseSimdLevel(&processor, &simdSystem, BuiltSimdLevels());
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
    ActiveKernels()->fillRows[plan->variant & 7](plan, pixels, previousRow, currentRow, firstRow, endRow, nullptr);
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

int32_t PictureWorkItemRows(const PicturePlan* plan, int32_t item, RowRange ranges[2])
{
    if (item < 0 || item >= PictureWorkItemCount(plan)) return 0;
    const int32_t height = plan->height;
    if (!IsMirrored(plan)) {
        const int32_t first = item * kRowsPerItem;
        ranges[0] = {first, first + kRowsPerItem < height ? first + kRowsPerItem : height};
        return 1;
    }
    // Pair p writes row p and, when 1 <= p < height - p, its mirror row
    // height - p.
    const int32_t pairs = height / 2 + 1;
    const int32_t firstPair = item * kPairsPerItem;
    const int32_t endPair = firstPair + kPairsPerItem < pairs ? firstPair + kPairsPerItem : pairs;
    const int32_t lowEnd = endPair < height ? endPair : height;
    ranges[0] = {firstPair, lowEnd};
    const int32_t firstMirrored = firstPair > 1 ? firstPair : 1;
    int32_t lastMirrored = endPair - 1;
    if (2 * lastMirrored >= height) lastMirrored = (height - 1) / 2;
    if (firstMirrored > lastMirrored) return 1;
    const RowRange upper = {height - lastMirrored, height - firstMirrored + 1};
    if (upper.first <= ranges[0].end) {
        ranges[0].end = upper.end;
        return 1;
    }
    ranges[1] = upper;
    return 2;
}

ONDULITE_ALIGN_STACK bool FillPictureWorkItem(const PicturePlan* plan, uint32_t* pixels, int32_t item,
                                              void* scratch, const PictureStop* stop)
{
    using namespace scratch_layout;
    if (item < 0 || item >= PictureWorkItemCount(plan)) return true;
    uintptr_t address = ((uintptr_t)scratch + kAlignment - 1) & ~(uintptr_t)(kAlignment - 1);
    const FastKernels* kernels = ActiveKernels();
    const int32_t variant = plan->variant & 7;
    if (IsMirrored(plan)) {
        const int32_t pairs = plan->height / 2 + 1;
        const int32_t first = item * kPairsPerItem;
        const int32_t end = first + kPairsPerItem < pairs ? first + kPairsPerItem : pairs;
        return kernels->fillPairs[variant](plan, pixels, first, end, (void*)address, stop);
    }
    float* previousRow = (float*)address;
    float* currentRow = previousRow + FloatStride(plan->width);
    const int32_t first = item * kRowsPerItem;
    const int32_t end = first + kRowsPerItem < plan->height ? first + kRowsPerItem : plan->height;
    return kernels->fillRows[variant](plan, pixels, previousRow, currentRow, first, end, stop);
}
