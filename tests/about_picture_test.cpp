#include "display/about_picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "test_pictures.h"

namespace {

constexpr uint32_t kUntouched = 0xDEADBEEF;  // no pixel has bits above the 24 of its colour

// The about picture at `width` x `height`, over pixels that start as kUntouched.
std::vector<uint32_t> Made(int32_t width, int32_t height)
{
    std::vector<uint32_t> pixels((size_t)width * (size_t)height, kUntouched);
    EXPECT_TRUE(MakeAboutPicture({width, height}, pixels.data()));
    return pixels;
}

// Line `line` from the top of a bottom-up picture `width` pixels wide and
// `height` lines high.
std::vector<uint32_t> Line(const std::vector<uint32_t>& pixels, int32_t width, int32_t height, int32_t line,
                           int32_t count)
{
    const uint32_t* first = ShownLine(pixels.data(), width, height, line);
    return std::vector<uint32_t>(first, first + count);
}

}  // namespace

TEST(AboutPictureSize, ScalesThePictureWithTheDpi)
{
    const struct {
        int32_t dpi, width, height;
    } sizes[] = {{96, 264, 220}, {120, 330, 275}, {144, 396, 330}, {168, 462, 385}, {192, 528, 440},
                 {288, 792, 660}, {72, 198, 165}, {100, 275, 229}};
    for (const auto& s : sizes) {
        AboutPictureSize size = AboutPictureSizeAt(s.dpi);
        EXPECT_EQ(size.width, s.width) << s.dpi << " DPI";
        EXPECT_EQ(size.height, s.height) << s.dpi << " DPI";
    }
}

TEST(AboutPictureSize, UnlikelyDpiGivesTheBitmapsOwnSize)
{
    for (int32_t dpi : {0, -96, 9601, INT32_MAX}) {
        AboutPictureSize size = AboutPictureSizeAt(dpi);
        EXPECT_TRUE(IsResourcePictureSize(size)) << dpi << ": " << size.width << "x" << size.height;
    }
    EXPECT_TRUE(IsResourcePictureSize(AboutPictureSizeAt(96)));
    EXPECT_FALSE(IsResourcePictureSize(AboutPictureSizeAt(97)));
}

// Bitmap 102 is this picture at 96 DPI: the scaled ones are the same
// picture, not another one.
TEST(MakeAboutPicture, AtNinetySixDpiIsBitmap102)
{
    std::ifstream file(ONDULITE_SOURCE_DIR "/resources/about.bmp", std::ios::binary);
    const std::string bmp((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t headers = 14 + 40, stride = 264 * 3;
    ASSERT_EQ(bmp.size(), headers + stride * 220);
    const std::vector<uint32_t> made = Made(264, 220);
    size_t differing = 0;
    for (size_t row = 0; row < 220; ++row)  // both bottom-up
        for (size_t x = 0; x < 264; ++x) {
            const uint8_t* bgr = (const uint8_t*)bmp.data() + headers + row * stride + x * 3;
            const uint32_t pixel = (uint32_t)bgr[2] << 16 | (uint32_t)bgr[1] << 8 | bgr[0];
            differing += made[row * 264 + x] != pixel;
        }
    EXPECT_EQ(differing, 0u);
}

TEST(MakeAboutPicture, IsTheSeedsFirstPictureByTheReference)
{
    const std::vector<uint32_t> made = Made(396, 330);
    std::unique_ptr<PicturePlan> plan = MakePlan(kAboutPictureSeed, 396, 330);
    EXPECT_TRUE(made == FillWhole(*plan, true));
}

// An odd size shows what a window of that size shows: the top left of the
// picture made at the even size, without its extra line and column.
TEST(MakeAboutPicture, OddSizeShowsTheTopLeftOfTheEvenPicture)
{
    const std::vector<uint32_t> odd = Made(331, 275);
    std::unique_ptr<PicturePlan> plan = MakePlan(kAboutPictureSeed, 332, 276);
    const std::vector<uint32_t> even = FillWhole(*plan, true);
    for (uint32_t pixel : odd) ASSERT_EQ(pixel >> 24, 0u) << "a pixel left unwritten";
    for (int32_t line : {0, 1, 137, 273, 274})
        EXPECT_EQ(Line(odd, 331, 275, line, 331), Line(even, 332, 276, line, 331)) << "line " << line;
}

TEST(MakeAboutPicture, RefusesAnEmptySideAndLeavesThePixels)
{
    uint32_t pixels[4] = {kUntouched, kUntouched, kUntouched, kUntouched};
    EXPECT_FALSE(MakeAboutPicture({0, 4}, pixels));
    EXPECT_FALSE(MakeAboutPicture({4, -1}, pixels));
    for (uint32_t pixel : pixels) EXPECT_EQ(pixel, kUntouched);
}
