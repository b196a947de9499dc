#include <gtest/gtest.h>

#include <cstdio>

#include "picture/fast_path.h"
#include "picture/float_mode.h"

namespace {

constexpr uint32_t kSse2 = 1u << 26;  // CPUID 1, EDX
constexpr uint32_t kFma = 1u << 12;   // CPUID 1, ECX
constexpr uint32_t kOsXsave = 1u << 27;
constexpr uint32_t kAvx = 1u << 28;
constexpr uint32_t kAvx2 = 1u << 5;  // CPUID 7, EBX
constexpr uint32_t kAvx512f = 1u << 16;
constexpr uint32_t kEveryLevel = 0xF;

// Processors as they report themselves.
const ProcessorBits kPentium2 = {0, 0x0183F9FF, 0, 0};  // no SSE at all
const ProcessorBits kPentium4 = {0x00000400, 0x0FEBFBFF | kSse2, 0, 0};
const ProcessorBits kHaswell = {kFma | kOsXsave | kAvx, kSse2, kAvx2, 0x07};
const ProcessorBits kSkylakeX = {kFma | kOsXsave | kAvx, kSse2, kAvx2 | kAvx512f, 0xE7};
// The same AVX-512 processor where the system saves only the AVX state,
// and where it has not set OSXSAVE at all (XGETBV is then not even asked).
const ProcessorBits kSkylakeXAvxSaved = {kFma | kOsXsave | kAvx, kSse2, kAvx2 | kAvx512f, 0x07};
const ProcessorBits kSkylakeXNoXsave = {kFma | kAvx, kSse2, kAvx2 | kAvx512f, 0};

const SystemVersion kWindows95 = {kSystemWindows9x, 4, 0};
const SystemVersion kWindows98 = {kSystemWindows9x, 4, 10};
const SystemVersion kWindowsMe = {kSystemWindows9x, 4, 90};
const SystemVersion kWindowsNt4 = {kSystemWindowsNt, 4, 0};
const SystemVersion kWindows2000 = {kSystemWindowsNt, 5, 0};
const SystemVersion kWindowsXp = {kSystemWindowsNt, 5, 1};
const SystemVersion kWindows10 = {kSystemWindowsNt, 10, 0};
const SystemVersion kLinux = {kSystemOther, 0, 0};

SimdLevel Choose(const ProcessorBits& processor, const SystemVersion& system, uint32_t built = kEveryLevel)
{
    return ChooseSimdLevel(&processor, &system, built);
}

}  // namespace

TEST(SimdChoice, ProcessorWithoutSse2GetsPortableEverywhere)
{
    for (const SystemVersion& system : {kWindows95, kWindows98, kWindowsNt4, kWindows2000, kWindows10, kLinux})
        EXPECT_EQ(Choose(kPentium2, system), kSimdPortable) << system.family << " " << system.major;
}

// Windows 95 and NT 4 never enable the SSE registers: not even a processor
// with AVX-512 may use SSE2 there.
TEST(SimdChoice, Windows95AndNt4GetPortableOnEveryProcessor)
{
    for (const ProcessorBits& processor : {kPentium4, kHaswell, kSkylakeX, kSkylakeXNoXsave}) {
        EXPECT_EQ(Choose(processor, kWindows95), kSimdPortable);
        EXPECT_EQ(Choose(processor, kWindowsNt4), kSimdPortable);
        for (int32_t level = kSimdSse2; level < kSimdLevelCount; ++level) {
            EXPECT_FALSE(SimdLevelRuns((SimdLevel)level, &processor, &kWindows95));
            EXPECT_FALSE(SimdLevelRuns((SimdLevel)level, &processor, &kWindowsNt4));
        }
        EXPECT_TRUE(SimdLevelRuns(kSimdPortable, &processor, &kWindows95));
    }
}

TEST(SimdChoice, Windows98MeAnd2000GetSse2ButNoAvxWithoutXsave)
{
    for (const SystemVersion& system : {kWindows98, kWindowsMe, kWindows2000, kWindowsXp}) {
        EXPECT_EQ(Choose(kPentium4, system), kSimdSse2);
        // Those systems never set OSXSAVE, so a newer processor gets SSE2 there.
        EXPECT_EQ(Choose(kSkylakeXNoXsave, system), kSimdSse2);
    }
}

TEST(SimdChoice, AvxLevelsNeedTheSystemsSavingOfTheirRegisters)
{
    for (const SystemVersion& system : {kWindows10, kLinux}) {
        EXPECT_EQ(Choose(kPentium4, system), kSimdSse2);
        EXPECT_EQ(Choose(kHaswell, system), kSimdAvx2);
        EXPECT_EQ(Choose(kSkylakeX, system), kSimdAvx512);
        EXPECT_EQ(Choose(kSkylakeXAvxSaved, system), kSimdAvx2);
        EXPECT_EQ(Choose(kSkylakeXNoXsave, system), kSimdSse2);
    }
    // AVX2 without FMA, or the AVX state not saved, is not enough for the AVX2 unit.
    ProcessorBits noFma = kHaswell;
    noFma.leaf1Ecx &= ~kFma;
    EXPECT_EQ(Choose(noFma, kWindows10), kSimdSse2);
    ProcessorBits sseStateOnly = kHaswell;
    sseStateOnly.xcr0 = 0x03;
    EXPECT_EQ(Choose(sseStateOnly, kWindows10), kSimdSse2);
}

TEST(SimdChoice, OnlyLevelsTheBuildHasAreChosen)
{
    EXPECT_EQ(Choose(kSkylakeX, kWindows10, 1u << kSimdPortable | 1u << kSimdSse2), kSimdSse2);
    EXPECT_EQ(Choose(kSkylakeX, kWindows10, 1u << kSimdPortable | 1u << kSimdAvx2), kSimdAvx2);
    EXPECT_EQ(Choose(kSkylakeX, kWindows10, 1u << kSimdPortable), kSimdPortable);
    EXPECT_EQ(Choose(kPentium4, kWindows10, 1u << kSimdPortable | 1u << kSimdAvx2), kSimdPortable);
    EXPECT_FALSE(SimdLevelRuns((SimdLevel)kSimdLevelCount, &kSkylakeX, &kWindows10));
}

// The level this machine uses: one it runs, and none wider that it runs.
// The line it prints says which, for the logs of emulated processors.
TEST(SimdChoice, ThisMachineUsesItsWidestLevel)
{
    const SimdLevel active = ActiveSimdLevel();
    std::printf("[ simd ] chosen here: %s\n", SimdLevelName(active));
    EXPECT_TRUE(SimdLevelSupported(active));
    for (int32_t level = active + 1; level < kSimdLevelCount; ++level)
        EXPECT_FALSE(SimdLevelSupported((SimdLevel)level)) << SimdLevelName((SimdLevel)level);
    ProcessorBits processor = ReadProcessorBits();
    if (!(processor.leaf1Edx & kSse2)) {
        EXPECT_EQ(active, kSimdPortable);
    }
}

TEST(PictureFloatMode, SetsDoublePrecisionAndRoundingToNearest)
{
    UsePictureFloatMode();
#if defined(__i386__)
    EXPECT_EQ(PictureFloatModeBits(), 0x0200);
#else
    EXPECT_EQ(PictureFloatModeBits(), 0);
#endif
    // 1 + 2^-53 is a tie that rounds to 1 in double precision, and 2^-60
    // more is lost as well; with x87's default 64-bit mantissa both parts
    // would be kept until the store, which then rounds up to 1 + 2^-52.
    volatile double one = 1.0, tiny = 0x1p-53, tinier = 0x1p-60;
    volatile double sum = (one + tiny) + tinier;
    EXPECT_EQ(sum, 1.0);
}
