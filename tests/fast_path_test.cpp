#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "native/band_pool.h"
#include "picture/fast_path.h"
#include "picture/picture.h"
#include "picture/random.h"
#include "test_pictures.h"

namespace {

struct Size {
    int32_t width, height;
};

// Fills every work item, first to last or last to first, over pixels that
// start as `background`, with scratch that starts `misalign` bytes past an
// allocation.
std::vector<uint32_t> FillItems(const PicturePlan& plan, uint32_t background, bool backwards, size_t misalign)
{
    std::vector<uint32_t> pixels((size_t)plan.width * plan.height, background);
    std::vector<unsigned char> scratch(PictureScratchSize(plan.width) + misalign, 0xA5);
    int32_t count = PictureWorkItemCount(&plan);
    for (int32_t i = 0; i < count; ++i)
        FillPictureWorkItem(&plan, pixels.data(), backwards ? count - 1 - i : i, scratch.data() + misalign);
    return pixels;
}

struct Agreement {
    uint64_t pixels = 0;
    uint64_t equal = 0;
    int32_t largestChannelDifference = 0;
};

void Compare(const std::vector<uint32_t>& reference, const std::vector<uint32_t>& fast, Agreement* agreement)
{
    ASSERT_EQ(reference.size(), fast.size());
    for (size_t i = 0; i < reference.size(); ++i) {
        ++agreement->pixels;
        if (reference[i] == fast[i]) {
            ++agreement->equal;
            continue;
        }
        for (int shift = 0; shift < 32; shift += 8) {
            int32_t difference = std::abs((int32_t)((reference[i] >> shift) & 0xFF) - (int32_t)((fast[i] >> shift) & 0xFF));
            if (difference > agreement->largestChannelDifference) agreement->largestChannelDifference = difference;
        }
    }
}

// Window sizes as the saver rounds them (2 x 2, 34 x 18 from a 33 x 17
// window, 202 x 130, 640 x 360), and one odd buffer, which the row
// functions accept too.
const Size kSmallSizes[] = {{2, 2}, {34, 18}, {33, 17}, {202, 130}};
const Size kLargeSize = {640, 360};
const uint32_t kSeeds[] = {1u, 1765432100u, 0xFFFFFFFFu};

// The fast path of every instruction set that this processor runs gives
// the reference's pixels exactly, per variant over several seeds and sizes:
// a fault confined to a few pixels shows. The share and the largest
// difference are printed to tell such a fault from a broken kernel.
TEST(FastPath, AgreesWithReferenceForEveryVariant)
{
    const SimdLevel original = ActiveSimdLevel();
    std::vector<SimdLevel> levels;
    for (int32_t level = 0; level < kSimdLevelCount; ++level) {
        if (SimdLevelSupported((SimdLevel)level)) {
            levels.push_back((SimdLevel)level);
        } else {
            EXPECT_FALSE(UseSimdLevel((SimdLevel)level));
            EXPECT_EQ(ActiveSimdLevel(), original);
            std::printf("[ fidelity ] %s: not supported here, not run\n", SimdLevelName((SimdLevel)level));
        }
    }
    for (int32_t variant = 0; variant < kVariantCount; ++variant) {
        std::vector<Agreement> agreement(levels.size());
        // Every level on the small pictures, the processor's own on the large one.
        auto check = [&](uint32_t seed, Size size, bool allLevels) {
            std::unique_ptr<PicturePlan> plan = MakePlan(seed, size.width, size.height, variant);
            std::vector<uint32_t> reference = FillWhole(*plan, true);
            for (size_t l = 0; l < levels.size(); ++l) {
                if (!allLevels && levels[l] != original) continue;
                ASSERT_TRUE(UseSimdLevel(levels[l]));
                Compare(reference, FillWhole(*plan, false), &agreement[l]);
            }
        };
        for (uint32_t seed : kSeeds)
            for (Size size : kSmallSizes) check(seed, size, true);
        check(kSeeds[1], kLargeSize, false);
        for (size_t l = 0; l < levels.size(); ++l) {
            const Agreement& a = agreement[l];
            double share = (double)a.equal / (double)a.pixels;
            std::printf("[ fidelity ] %s variant %d: %.6f%% of %llu pixels equal, largest channel difference %d\n",
                        SimdLevelName(levels[l]), (int)variant, 100.0 * share, (unsigned long long)a.pixels,
                        (int)a.largestChannelDifference);
            EXPECT_EQ(a.equal, a.pixels) << SimdLevelName(levels[l]) << " variant " << variant;
        }
    }
    UseSimdLevel(original);
}

// Work items in any order, with scratch at any alignment, cover every pixel
// once and give exactly the pixels of one pass; so do row bands of any
// height. Mirrored variants pair rows, so heights of 2, odd heights and
// heights that end inside an item matter.
TEST(FastPath, WorkItemsAndBandsEqualOnePass)
{
    const Size sizes[] = {{2, 2}, {6, 2}, {2, 8}, {34, 18}, {33, 17}, {20, 35}, {66, 70}};
    for (int32_t variant = 0; variant < kVariantCount; ++variant) {
        for (Size size : sizes) {
            SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height) + " variant " +
                         std::to_string(variant));
            std::unique_ptr<PicturePlan> plan = MakePlan(99u, size.width, size.height, variant);
            std::vector<uint32_t> whole = FillWhole(*plan, false);
            EXPECT_EQ(FillItems(*plan, 0xDEADBEEF, false, 0), whole);
            EXPECT_EQ(FillItems(*plan, 0x01234567, true, 3), whole);

            std::vector<uint32_t> banded(whole.size(), 0xDEADBEEF);
            std::vector<float> previous(size.width), current(size.width);
            for (int32_t first = 0; first < size.height; first += 7)
                FillPictureRows(plan.get(), banded.data(), previous.data(), current.data(), first,
                                first + 7 < size.height ? first + 7 : size.height);
            EXPECT_EQ(banded, whole);
        }
    }
}

// The rows that an item reports are exactly the rows it writes: filled
// over two backgrounds, a row is written when it differs from either. Every
// variant, heights of 1 and 2, odd ones and ones that end inside an item.
TEST(FastPath, WorkItemRowsAreTheRowsTheItemWrites)
{
    const uint32_t backgrounds[2] = {0xDEADBEEF, 0x01234567};
    for (int32_t variant = 0; variant < kVariantCount; ++variant) {
        for (int32_t height : {1, 2, 3, 31, 32, 33, 34, 35, 64, 66, 67, 97, 130}) {
            const int32_t width = 6;
            std::unique_ptr<PicturePlan> plan = MakePlan(5u, width, height, variant);
            std::vector<unsigned char> scratch(PictureScratchSize(width));
            const int32_t count = PictureWorkItemCount(plan.get());
            std::vector<int32_t> writers(height, 0);
            for (int32_t item = 0; item < count; ++item) {
                SCOPED_TRACE("height " + std::to_string(height) + " variant " + std::to_string(variant) + " item " +
                             std::to_string(item));
                std::vector<bool> written(height, false);
                for (uint32_t background : backgrounds) {
                    std::vector<uint32_t> pixels((size_t)width * height, background);
                    FillPictureWorkItem(plan.get(), pixels.data(), item, scratch.data());
                    for (int32_t y = 0; y < height; ++y)
                        for (int32_t x = 0; x < width; ++x)
                            if (pixels[(size_t)y * width + x] != background) written[y] = true;
                }
                RowRange ranges[2] = {{-1, -1}, {-1, -1}};
                const int32_t rangeCount = PictureWorkItemRows(plan.get(), item, ranges);
                ASSERT_GE(rangeCount, 1);
                ASSERT_LE(rangeCount, 2);
                std::vector<bool> reported(height, false);
                for (int32_t r = 0; r < rangeCount; ++r) {
                    ASSERT_GE(ranges[r].first, 0);
                    ASSERT_LE(ranges[r].end, height);
                    EXPECT_LT(ranges[r].first, ranges[r].end);
                    if (r > 0) {
                        EXPECT_LT(ranges[r - 1].end, ranges[r].first);
                    }
                    for (int32_t y = ranges[r].first; y < ranges[r].end; ++y) reported[y] = true;
                }
                EXPECT_EQ(reported, written);
                for (int32_t y = 0; y < height; ++y) writers[y] += written[y];
            }
            EXPECT_EQ(writers, std::vector<int32_t>(height, 1)) << "height " << height << " variant " << variant;
            RowRange unused[2];
            EXPECT_EQ(PictureWorkItemRows(plan.get(), count, unused), 0);
            EXPECT_EQ(PictureWorkItemRows(plan.get(), -1, unused), 0);
        }
    }
}

// A stop that counts the times it is asked and answers true from the
// `stopAt`-th time on (never when 0).
struct CountingStop {
    int32_t asked = 0;
    int32_t stopAt = 0;
};

bool CountAndAnswer(const void* context)
{
    CountingStop* counter = (CountingStop*)const_cast<void*>(context);
    ++counter->asked;
    return counter->stopAt > 0 && counter->asked >= counter->stopAt;
}

// Rows of `pixels` that hold `whole`'s row entirely; a row that holds
// neither that nor the background entirely is reported as -1.
int32_t WholeRows(const std::vector<uint32_t>& pixels, const std::vector<uint32_t>& whole, int32_t width,
                  uint32_t background)
{
    int32_t rows = 0;
    for (size_t start = 0; start < pixels.size(); start += (size_t)width) {
        bool done = std::equal(pixels.begin() + start, pixels.begin() + start + width, whole.begin() + start);
        bool untouched = std::all_of(pixels.begin() + start, pixels.begin() + start + width,
                                     [&](uint32_t p) { return p == background; });
        if (!done && !untouched) return -1;
        rows += done;
    }
    return rows;
}

// An item asks its stop before every row it begins (every row pair step of
// a mirrored variant) and ends at the first true answer with only whole
// rows written; a stop that never says so changes no pixel. So a stopped
// thread stops within one row, on every instruction set.
TEST(FastPath, StopIsAskedBetweenRowsAndEndsTheItemThere)
{
    const SimdLevel original = ActiveSimdLevel();
    const uint32_t background = 0x00ABCDEF;
    for (int32_t level = 0; level < kSimdLevelCount; ++level) {
        if (!UseSimdLevel((SimdLevel)level)) continue;
        for (int32_t variant = 0; variant < kVariantCount; ++variant) {
            SCOPED_TRACE(std::string(SimdLevelName((SimdLevel)level)) + " variant " + std::to_string(variant));
            std::unique_ptr<PicturePlan> plan = MakePlan(5u, 66, 70, variant);
            std::vector<uint32_t> whole = FillWhole(*plan, false);
            std::vector<unsigned char> scratch(PictureScratchSize(plan->width));
            const bool mirrored = variant >= 4;
            for (int32_t item = 0; item < PictureWorkItemCount(plan.get()); ++item) {
                std::vector<uint32_t> pixels(whole.size(), background);
                CountingStop never;
                PictureStop stop = {CountAndAnswer, &never};
                EXPECT_TRUE(FillPictureWorkItem(plan.get(), pixels.data(), item, scratch.data(), &stop));
                const int32_t itemRows = WholeRows(pixels, whole, plan->width, background);
                ASSERT_GT(itemRows, 0);
                if (!mirrored) {
                    EXPECT_EQ(never.asked, itemRows) << "item " << item;
                }
                EXPECT_GE(2 * never.asked, itemRows) << "item " << item;

                int32_t previousRows = 0;
                for (int32_t stopAt = 1; stopAt <= never.asked; ++stopAt) {
                    std::vector<uint32_t> part(whole.size(), background);
                    CountingStop counter;
                    counter.stopAt = stopAt;
                    PictureStop early = {CountAndAnswer, &counter};
                    EXPECT_FALSE(FillPictureWorkItem(plan.get(), part.data(), item, scratch.data(), &early));
                    EXPECT_EQ(counter.asked, stopAt) << "item " << item;
                    int32_t rows = WholeRows(part, whole, plan->width, background);
                    if (stopAt == 1) {
                        EXPECT_EQ(rows, 0) << "item " << item;
                    }
                    if (!mirrored) {
                        EXPECT_EQ(rows, stopAt - 1) << "item " << item;
                    }
                    EXPECT_GE(rows, previousRows) << "item " << item << ", stopped at " << stopAt;
                    EXPECT_LE(rows, previousRows + 2) << "item " << item << ", stopped at " << stopAt;
                    EXPECT_LT(rows, itemRows) << "item " << item << ", stopped at " << stopAt;
                    previousRows = rows;
                }
            }
        }
    }
    UseSimdLevel(original);
}

// The pool's pixels never depend on its thread count, on either path.
TEST(FastPath, BandPoolIsIndependentOfThreadCount)
{
    for (bool reference : {false, true}) {
        for (int32_t variant : {2, 3, 5, 6}) {
            std::unique_ptr<PicturePlan> plan = MakePlan(7u, 130, 98, variant);
            std::vector<uint32_t> whole = FillWhole(*plan, reference);
            for (int32_t threads : {1, 2, 3}) {
                BandPool pool;
                pool.useReference = reference;
                ASSERT_TRUE(StartBandPool(&pool, threads, 200));
                std::vector<uint32_t> pixels(whole.size(), 0xDEADBEEF);
                RenderWithBandPool(&pool, plan.get(), pixels.data());
                EXPECT_EQ(pixels, whole) << threads << " threads, variant " << variant
                                         << (reference ? ", reference" : ", fast");
                StopBandPool(&pool);
                StopBandPool(&pool);
            }
        }
    }
}

TEST(FastPath, EmptySizesWriteNoPixel)
{
    const SimdLevel original = ActiveSimdLevel();
    for (int32_t level = 0; level < kSimdLevelCount; ++level) {
        if (!UseSimdLevel((SimdLevel)level)) continue;
        for (int32_t variant = 0; variant < kVariantCount; ++variant) {
            std::vector<uint32_t> canary(64, 0xDEADBEEF);
            std::vector<float> previous(16), current(16);
            std::vector<unsigned char> scratch(PictureScratchSize(16));
            for (Size size : {Size{16, 0}, Size{0, 4}, Size{0, 0}}) {
                std::unique_ptr<PicturePlan> plan = MakePlan(3u, size.width, size.height, variant);
                FillPictureRows(plan.get(), canary.data(), previous.data(), current.data(), 0, plan->height);
                EXPECT_EQ(PictureWorkItemCount(plan.get()), 0);
                FillPictureWorkItem(plan.get(), canary.data(), 0, scratch.data());
            }
            EXPECT_EQ(canary, std::vector<uint32_t>(64, 0xDEADBEEF));
        }
    }
    UseSimdLevel(original);
}

// The vector sine stays within three ulps of 1 of the C library's over the
// arguments the pictures use (frequency times distance: up to about 80 for
// ordinary windows, a few hundred thousand for a 2-pixel-wide one).
TEST(FastSine, MatchesTheLibraryOverTheArgumentsThatOccur)
{
    const SimdLevel original = ActiveSimdLevel();
    std::vector<double> x;
    for (int32_t i = -2000; i <= 200000; ++i) x.push_back(i * 0.000917);  // -1.8 to 183, no period-aligned step
    for (int32_t k = 1; k <= 2000; ++k) {
        x.push_back(k * 3.141592653589793);  // next to the zeros, where the reduction matters most
        x.push_back(k * 1.5707963267948966);
        x.push_back(k * 211.37);  // far arguments
    }
    for (int32_t level = 0; level < kSimdLevelCount; ++level) {
        if (!UseSimdLevel((SimdLevel)level)) continue;
        std::vector<double> out(x.size());
        FastSines(x.data(), out.data(), (int32_t)x.size());
        double largest = 0.0;
        for (size_t i = 0; i < x.size(); ++i) largest = std::fmax(largest, std::fabs(out[i] - std::sin(x[i])));
        std::printf("[ sine ] %s: largest difference from the C library %.3g\n", SimdLevelName((SimdLevel)level),
                    largest);
        EXPECT_LE(largest, 3.4e-16) << SimdLevelName((SimdLevel)level);
    }
    UseSimdLevel(original);
}

}  // namespace
