#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/level.h"
#include "picture/picture.h"
#include "picture/random.h"
#include "test_pictures.h"

namespace {

// A picture rendered in one pass with its own buffers.
struct Rendered {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

Rendered Fill(const PicturePlan& plan, bool reference = true)
{
    Rendered out;
    out.width = plan.width;
    out.height = plan.height;
    out.pixels = FillWhole(plan, reference);
    return out;
}

uint64_t Fnv1a(const std::vector<uint32_t>& pixels)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (uint32_t p : pixels)
        for (int i = 0; i < 4; ++i) hash = (hash ^ ((p >> (8 * i)) & 0xFF)) * 0x100000001b3ull;
    return hash;
}

// The draw that a fresh sequence from `seed` gives at position `n` (1-based).
int32_t NthDraw(uint32_t seed, int n)
{
    SeedRandom(seed);
    int32_t draw = 0;
    for (int i = 0; i < n; ++i) draw = NextRandom();
    return draw;
}

}  // namespace

TEST(PicturePlan, TakesExactly42DrawsForEverySizeAndVariant)
{
    const int32_t sizes[][2] = {{0, 0}, {2, 2}, {0, 600}, {800, 0}, {1920, 1080}, {16384, 2}, {802, 602}};
    const int32_t draw43 = NthDraw(99, kPictureDraws + 1);
    for (auto& size : sizes) {
        for (int32_t variant = -1; variant < kVariantCount; ++variant) {
            std::unique_ptr<PicturePlan> plan = MakePlan(99, size[0], size[1], variant);
            EXPECT_EQ(NextRandom(), draw43) << size[0] << "x" << size[1] << " variant " << variant;
        }
    }
}

TEST(PicturePlan, VariantIsTheLowBitsOfTheLastDrawUnlessForced)
{
    for (uint32_t seed = 0; seed < 64; ++seed) {
        std::unique_ptr<PicturePlan> plan = MakePlan(seed, 64, 48);
        EXPECT_EQ(plan->variant, NthDraw(seed, kPictureDraws) & 7);
        plan = MakePlan(seed, 64, 48, 5);
        EXPECT_EQ(plan->variant, 5);
    }
}

TEST(PicturePlan, WaveSourcesStayInsideThePicture)
{
    for (uint32_t seed = 1; seed < 200; ++seed) {
        std::unique_ptr<PicturePlan> plan = MakePlan(seed, 640, 360);
        for (int k = 0; k < kWaveSourceCount; ++k) {
            EXPECT_GE(plan->sources.x[k], 0.0f);
            EXPECT_LE(plan->sources.x[k], 640.0f);
            EXPECT_GE(plan->sources.y[k], 0.0f);
            EXPECT_LE(plan->sources.y[k], 360.0f);
            EXPECT_GE(plan->sources.frequency[k], (float)(50.0 / (11.0 * 640)) * 0.9999f);
            EXPECT_LE(plan->sources.frequency[k], (float)(50.0 / 640));
        }
    }
    // The first draw after seed 0 is 38: x = 38 * 640 / 32767 rounded to float.
    std::unique_ptr<PicturePlan> plan = MakePlan(0, 640, 360);
    EXPECT_EQ(plan->sources.x[0], (float)(38.0 * 640 * level_constants::kInv32767));
}

TEST(PicturePlan, ChannelHalvingFollowsDraw41)
{
    // Which channels may exceed 127, by draw & 7: R, G, B, RG, RB, GB, none, none.
    static const uint32_t kHalved[8] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0, 0};
    bool seen[8] = {};
    for (uint32_t seed = 0; seed < 400; ++seed) {
        int32_t choice = NthDraw(seed, 41) & 7;
        std::unique_ptr<PicturePlan> plan = MakePlan(seed, 32, 32);
        uint32_t maxima = 0;  // per channel, whether any entry used its top bit
        for (uint32_t entry : plan->palette) {
            ASSERT_EQ(entry & 0xFF000000u, 0u);
            maxima |= entry & 0x808080u;
        }
        EXPECT_EQ(maxima & kHalved[choice] & 0x808080u, 0u) << "seed " << seed;
        seen[choice] = true;
    }
    for (bool s : seen) EXPECT_TRUE(s);
}

TEST(PicturePlan, SameRandomStateGivesTheSamePicture)
{
    std::unique_ptr<PicturePlan> a = MakePlan(31337, 90, 50);
    std::unique_ptr<PicturePlan> b = MakePlan(31337, 90, 50);
    EXPECT_EQ(std::memcmp(a.get(), b.get(), sizeof(PicturePlan)), 0);
    EXPECT_EQ(Fill(*a).pixels, Fill(*b).pixels);
}

TEST(PicturePlan, SkippedPicturesLeaveTheNextPlanAsPlanningThemWould)
{
    for (uint64_t skipped : {0ull, 1ull, 2ull, 7ull}) {
        std::unique_ptr<PicturePlan> planned(new PicturePlan), afterSkip(new PicturePlan);
        SeedRandom(2026);
        for (uint64_t i = 0; i < skipped; ++i) PlanPicture(planned.get(), 64, 48);
        PlanPicture(planned.get(), 64, 48);
        SeedRandom(2026);
        SkipPictures(skipped);
        PlanPicture(afterSkip.get(), 64, 48);
        EXPECT_EQ(std::memcmp(planned.get(), afterSkip.get(), sizeof(PicturePlan)), 0) << skipped << " skipped";
    }
}

TEST(LevelRules, TriangleFoldExamples)
{
    EXPECT_NEAR(FoldLevel(4 * 255.99), 1023.96, 1e-9);
    EXPECT_NEAR(FoldLevel(4 * 256.01), 1023.96, 1e-9);
    EXPECT_NEAR(FoldLevel(4 * 511.99), 0.04, 1e-9);
    EXPECT_NEAR(FoldLevel(4 * 767.99), 1023.96, 1e-9);
    EXPECT_EQ(FoldLevel(4 * 1000.0), 96.0);
    EXPECT_EQ(FoldLevel(4 * 512.0), 0.0);
    EXPECT_EQ(FoldLevel(1024.0), 1024.0);
    EXPECT_EQ(FoldLevel(3072.0), 1024.0);
    EXPECT_EQ(PaletteIndex(FoldLevel(4 * 255.99)), 1023);
    EXPECT_EQ(PaletteIndex(FoldLevel(4 * 511.99)), 0);
}

TEST(LevelRules, MirroredLevelExamples)
{
    const double examples[][4] = {{100, 150, 125, 500}, {300, 400, 350, 648}, {600, 500, 550, 152}, {900, 800, 850, 696}};
    for (auto& e : examples) {
        EXPECT_EQ((e[0] + e[1]) * 0.5, e[2]);
        EXPECT_EQ(FoldLevel(2.0 * (e[0] + e[1])), e[3]);
    }
}

TEST(LevelRules, FoldPeakTakesTheLastPaletteEntry)
{
    EXPECT_EQ(PaletteIndex(1024.0), 1023);
    EXPECT_EQ(PaletteIndex(1023.999), 1023);
    EXPECT_EQ(PaletteIndex(0.01), 0);
    EXPECT_EQ(PaletteIndex(FoldLevel(2048.0)), 0);
    EXPECT_EQ(PaletteIndex(FoldLevel(std::nextafter(1024.0, 0.0))), 1023);
    EXPECT_EQ(PaletteIndex(FoldLevel(std::nextafter(1024.0, 2048.0))), 1023);
}

TEST(LevelRules, FieldLevelStaysInsideThePalette)
{
    for (uint32_t seed = 0; seed < 50; ++seed) {
        std::unique_ptr<PicturePlan> plan = MakePlan(seed, 200, 120);
        for (int y = -1; y <= 120; y += 7)
            for (int x = -1; x <= 200; x += 3) {
                double f = FieldLevel(&plan->sources, x, y);
                ASSERT_GT(f, 0.01);
                ASSERT_LT(f, 1023.99);
            }
    }
}

TEST(LevelRules, ShadeAndCombine)
{
    EXPECT_EQ(ShadeFromSlope(0.0, 0.0), 128);      // flat
    EXPECT_EQ(ShadeFromSlope(3.0, 0.0), 255);      // rises only from the previous row
    EXPECT_EQ(ShadeFromSlope(-3.0, 0.0), 0);       // falls only that way
    EXPECT_EQ(ShadeFromSlope(0.0, 5.0), 128);      // slope across the row only
    EXPECT_EQ(ShadeFromSlope(1.0, 1.0), (int)(128 + 127.98999786376953125 * std::sqrt(0.5)));
    EXPECT_EQ(CombineAverage(0x10FF00, 128), (uint32_t)((0x10 + 128) >> 1 << 16 | (255 + 128) >> 1 << 8 | 64));
    EXPECT_EQ(CombineMultiply(0xFFFFFF, 255), 0xFEFEFEu);
    EXPECT_EQ(CombineMultiply(0xFFFFFF, 0), 0u);
    EXPECT_EQ(CombineAverage(0xFFFFFF, 0), 0x7F7F7Fu);
}

TEST(LevelRules, MirroredVariantsAreSymmetricThroughTheCentre)
{
    for (int32_t variant = 4; variant < 8; ++variant) {
        std::unique_ptr<PicturePlan> plan = MakePlan(4242, 64, 40, variant);
        for (int y = 1; y < 40; ++y)
            for (int x = 1; x < 64; ++x)
                ASSERT_EQ(VariantLevel(plan.get(), x, y), VariantLevel(plan.get(), 64 - x, 40 - y));
        double centre = FieldLevel(&plan->sources, 32, 20);
        EXPECT_EQ(VariantLevel(plan.get(), 32, 20), variant >= 6 ? centre : FoldLevel(4.0 * centre));
    }
}

TEST(LevelRules, BorderPointsMirrorToTheFarEdge)
{
    std::unique_ptr<PicturePlan> plan = MakePlan(5, 50, 30, 6);
    const WaveSources* s = &plan->sources;
    EXPECT_EQ(VariantLevel(plan.get(), 7, -1), (FieldLevel(s, 7, -1) + FieldLevel(s, 43, 30)) * 0.5);
    EXPECT_EQ(VariantLevel(plan.get(), -1, 9), (FieldLevel(s, -1, 9) + FieldLevel(s, 50, 21)) * 0.5);
    EXPECT_EQ(VariantLevel(plan.get(), 0, 0), (FieldLevel(s, 0, 0) + FieldLevel(s, 50, 30)) * 0.5);
}

namespace {

// Reads back, pixel by pixel, the Palette index and the shade that a
// variant's pipeline chose, by rendering the same plan with probe Palettes.
// With the average combine an even channel value 2k gives k + (s >> 1)
// exactly; a channel 255 gives the parity of s. With the multiply combine a
// white entry gives (255 s) >> 8 and a black one 0, so one render per index
// bit tells the index wherever s > 0.
struct IndexAndShade {
    std::vector<int32_t> index;
    std::vector<int32_t> shade;  // -1 where the multiply combine cannot tell
};

IndexAndShade ReadIndexAndShade(const PicturePlan& original)
{
    std::unique_ptr<PicturePlan> plan(new PicturePlan(original));
    const size_t count = (size_t)plan->width * plan->height;
    IndexAndShade result;
    result.index.assign(count, -1);
    result.shade.assign(count, -1);
    if (!VariantMultiplies(plan->variant)) {
        for (uint32_t i = 0; i < 1024; ++i) plan->palette[i] = (2 * (i & 127)) << 16 | (2 * (i >> 7)) << 8;
        Rendered probe = Fill(*plan);
        for (uint32_t i = 0; i < 1024; ++i) plan->palette[i] = 0xFF;
        Rendered parity = Fill(*plan);  // blue (255 + s) >> 1 = 127 + ((s + 1) >> 1)
        for (size_t p = 0; p < count; ++p) {
            int32_t sHalf = (int32_t)(probe.pixels[p] & 0xFF);
            int32_t r = (probe.pixels[p] >> 16) & 0xFF, g = (probe.pixels[p] >> 8) & 0xFF;
            result.shade[p] = 2 * sHalf + ((int32_t)(parity.pixels[p] & 0xFF) - 127 - sHalf);
            result.index[p] = (r - sHalf) + 128 * (g - sHalf);
        }
        return result;
    }
    for (uint32_t i = 0; i < 1024; ++i) plan->palette[i] = 0xFFFFFF;
    Rendered white = Fill(*plan);
    std::vector<int32_t> bits(count, 0);
    for (int bit = 0; bit < 10; ++bit) {
        for (uint32_t i = 0; i < 1024; ++i) plan->palette[i] = (i >> bit & 1) ? 0xFFFFFF : 0;
        Rendered probe = Fill(*plan);
        for (size_t p = 0; p < count; ++p)
            if (probe.pixels[p] != 0) bits[p] |= 1 << bit;
    }
    for (size_t p = 0; p < count; ++p) {
        int32_t w = white.pixels[p] & 0xFF;  // (255 s) >> 8 = s - 1 for s >= 1
        if (w > 0) {
            result.shade[p] = w + 1;
            result.index[p] = bits[p];
        }
    }
    return result;
}

}  // namespace

TEST(PictureVariants, PairsShareIndexAndShade)
{
    for (uint32_t seed : {3u, 2026u}) {
        for (int32_t averaging : {0, 4, 6}) {
            std::unique_ptr<PicturePlan> plan = MakePlan(seed, 48, 30, averaging);
            std::unique_ptr<PicturePlan> partner(new PicturePlan(*plan));
            partner->variant = averaging == 0 ? 1 : averaging + 1;
            IndexAndShade a = ReadIndexAndShade(*plan);
            // The multiply partner: checked where its probes can tell.
            IndexAndShade m = ReadIndexAndShade(*partner);
            size_t told = 0;
            for (size_t p = 0; p < a.index.size(); ++p) {
                ASSERT_GE(a.index[p], 0);
                ASSERT_LE(a.index[p], 1023);
                if (m.shade[p] < 0) continue;
                ++told;
                ASSERT_EQ(m.index[p], a.index[p]) << "pixel " << p;
                ASSERT_EQ(m.shade[p], a.shade[p]) << "pixel " << p;
            }
            EXPECT_GT(told, a.index.size() * 9 / 10);
            // The average combine's result follows from index and shade.
            Rendered picture = Fill(*plan);
            for (size_t p = 0; p < a.index.size(); ++p)
                ASSERT_EQ(picture.pixels[p], CombineAverage(plan->palette[a.index[p]], (uint32_t)a.shade[p]));
        }
    }
}

TEST(PictureVariants, MirroredIndexIsSymmetric)
{
    for (int32_t variant : {4, 6}) {
        std::unique_ptr<PicturePlan> plan = MakePlan(77, 40, 26, variant);
        IndexAndShade read = ReadIndexAndShade(*plan);
        for (int y = 1; y < 26; ++y)
            for (int x = 1; x < 40; ++x)
                ASSERT_EQ(read.index[(size_t)y * 40 + x], read.index[(size_t)(26 - y) * 40 + (40 - x)]);
    }
}

TEST(PictureVariants, ZeroAndTwoAreTheSamePicture)
{
    for (uint32_t seed : {1u, 500u, 90000u}) {
        std::unique_ptr<PicturePlan> plan = MakePlan(seed, 66, 44, 0);
        Rendered zero = Fill(*plan);
        plan->variant = 2;
        EXPECT_EQ(Fill(*plan).pixels, zero.pixels);
    }
}

TEST(PictureVariants, FirstPixelIsShadedAgainstTheBorderPoints)
{
    for (int32_t variant = 0; variant < kVariantCount; ++variant) {
        std::unique_ptr<PicturePlan> plan = MakePlan(8, 20, 12, variant);
        Rendered picture = Fill(*plan);
        double level = VariantLevel(plan.get(), 0, 0);
        double below = (float)VariantLevel(plan.get(), 0, -1);
        double left = (float)VariantLevel(plan.get(), -1, 0);
        uint32_t shade = (uint32_t)ShadeFromSlope(level - below, level - left);
        uint32_t colour = plan->palette[PaletteIndex(level)];
        EXPECT_EQ(picture.pixels[0], VariantMultiplies(variant) ? CombineMultiply(colour, shade) : CombineAverage(colour, shade));
    }
}

TEST(GeneratePicture, EmptySizesWriteNoPixel)
{
    const uint32_t sentinel = 0xA5A5A5A5;
    std::vector<uint32_t> pixels(64, sentinel);
    std::vector<float> previous(16, NAN), current(16, NAN);
    SeedRandom(1);
    EXPECT_EQ(GeneratePicture(pixels.data(), 16, 0, previous.data(), current.data()), 0);
    for (float level : previous) EXPECT_TRUE(std::isfinite(level));  // the first pass still ran
    EXPECT_EQ(GeneratePicture(pixels.data(), 0, 4, previous.data(), current.data()), 4);
    EXPECT_EQ(GeneratePicture(pixels.data(), 0, 0, previous.data(), current.data()), 0);
    for (uint32_t p : pixels) EXPECT_EQ(p, sentinel);
    // Every size still takes 42 draws per picture.
    int32_t next = NextRandom();
    EXPECT_EQ(next, NthDraw(1, 3 * kPictureDraws + 1));
}

TEST(GeneratePicture, BandsOfAnySplitEqualTheWholePicture)
{
    for (int32_t variant = 0; variant < kVariantCount; ++variant) {
        std::unique_ptr<PicturePlan> plan = MakePlan(1000 + variant, 38, 22, variant);
        Rendered whole = Fill(*plan);
        for (int32_t bandHeight : {1, 2, 5, 21, 22}) {
            std::vector<uint32_t> banded(whole.pixels.size(), 0);
            // Bands in reverse order, each with fresh scratch, as separate threads would.
            for (int32_t first = (21 / bandHeight) * bandHeight; first >= 0; first -= bandHeight) {
                std::vector<float> previous(38, NAN), current(38, NAN);
                FillPictureRowsReference(plan.get(), banded.data(), previous.data(), current.data(), first,
                                         std::min(first + bandHeight, 22));
            }
            EXPECT_EQ(banded, whole.pixels) << "variant " << variant << " bands of " << bandHeight;
        }
    }
}

TEST(GeneratePicture, ComposesPlanAndFill)
{
    std::vector<uint32_t> pixels(40 * 30);
    std::vector<float> previous(40), current(40);
    SeedRandom(777);
    EXPECT_EQ(GeneratePicture(pixels.data(), 40, 30, previous.data(), current.data()), 30);
    std::unique_ptr<PicturePlan> plan = MakePlan(777, 40, 30);
    EXPECT_EQ(pixels, Fill(*plan).pixels);
}

// Checksums of small pictures, one per variant and two unforced: any change
// to the pictures, however slight, shows here. They were checked against an
// independent reading of the rules, pixel for pixel.
TEST(GeneratePicture, GoldenChecksums)
{
    struct Golden {
        uint32_t seed;
        int32_t width, height, variant;
        uint64_t checksum;
    };
    static const Golden kGoldens[] = {
#include "golden_checksums.inc"
    };
    for (const Golden& g : kGoldens) {
        std::unique_ptr<PicturePlan> plan = MakePlan(g.seed, g.width, g.height, g.variant);
        EXPECT_EQ(Fnv1a(Fill(*plan).pixels), g.checksum)
            << "seed " << g.seed << " " << g.width << "x" << g.height << " variant " << g.variant;
    }
}

// Every front end sizes and reads its buffer by these: a window of odd
// sides gets one column and one line more, and the top line is the last row.
TEST(PixelBuffer, EvenSidesAndTopLineLast)
{
    EXPECT_EQ(EvenRounded(801), 802);
    EXPECT_EQ(EvenRounded(800), 800);
    EXPECT_EQ(EvenRounded(1), 2);
    EXPECT_EQ(EvenRounded(0), 0);
    const uint32_t pixels[6 * 4] = {};
    EXPECT_EQ(RowOfShownLine(4, 0), 3);
    EXPECT_EQ(RowOfShownLine(4, 3), 0);
    EXPECT_EQ(ShownLine(pixels, 6, 4, 0), pixels + 18);
    EXPECT_EQ(ShownLine(pixels, 6, 4, 2), pixels + 6);
}
