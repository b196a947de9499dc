#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/render/image_file.h"
#include "tools/render/render_options.h"

namespace {

bool Parse(std::vector<const char*> args, RenderOptions* options, std::string* error)
{
    args.insert(args.begin(), "ondulite-render");
    return ParseRenderOptions((int)args.size(), args.data(), options, error);
}

std::string Refusal(std::vector<const char*> args)
{
    RenderOptions options;
    std::string error;
    EXPECT_FALSE(Parse(args, &options, &error));
    EXPECT_EQ(error.find('\n'), std::string::npos);
    return error;
}

std::string TempDir()
{
    char pattern[] = "/tmp/ondulite-test-XXXXXX";
    return mkdtemp(pattern);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The pixels of a PNG file as red, green, blue bytes, top line first, by
// libpng; empty when it cannot read the file.
std::string ReadPng(const std::string& path, int32_t* width, int32_t* height)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return "";
    image.format = PNG_FORMAT_RGB;
    std::string rgb(PNG_IMAGE_SIZE(image), '\0');
    if (!png_image_finish_read(&image, nullptr, &rgb[0], 0, nullptr)) {
        png_image_free(&image);
        return "";
    }
    *width = (int32_t)image.width;
    *height = (int32_t)image.height;
    return rgb;
}

}  // namespace

TEST(RenderOptions, DefaultsAndFullSet)
{
    RenderOptions options;
    std::string error;
    ASSERT_TRUE(Parse({}, &options, &error));
    EXPECT_FALSE(options.seedGiven);
    EXPECT_EQ(options.width, 1920);
    EXPECT_EQ(options.height, 1080);
    EXPECT_EQ(options.firstPicture, 1u);
    EXPECT_EQ(options.count, 1u);
    EXPECT_EQ(options.variant, -1);

    ASSERT_TRUE(Parse({"--seed", "4294967295", "--size", "801x601", "--picture", "3", "--count=4", "--variant", "7",
                       "--threads", "2", "-o", "out/pic.BMP", "--reference"},
                      &options, &error))
        << error;
    EXPECT_EQ(options.seed, 4294967295u);
    EXPECT_TRUE(options.seedGiven);
    EXPECT_EQ(options.width, 801);
    EXPECT_EQ(options.height, 601);
    EXPECT_EQ(options.firstPicture, 3u);
    EXPECT_EQ(options.count, 4u);
    EXPECT_EQ(options.variant, 7);
    EXPECT_EQ(options.threads, 2);
    EXPECT_TRUE(options.reference);
    EXPECT_EQ(options.format, ImageFormat::Bmp);
}

TEST(RenderOptions, RefusesBadInputWithOneLine)
{
    EXPECT_NE(Refusal({"--seed", "12a"}).find("--seed"), std::string::npos);
    EXPECT_NE(Refusal({"--seed", "4294967296"}).find("--seed"), std::string::npos);
    EXPECT_NE(Refusal({"--seed", "-1"}).find("--seed"), std::string::npos);
    EXPECT_NE(Refusal({"--size", "0x100"}).find("--size"), std::string::npos);
    EXPECT_NE(Refusal({"--size", "16385x2"}).find("--size"), std::string::npos);
    EXPECT_NE(Refusal({"--size", "640"}).find("--size"), std::string::npos);
    EXPECT_NE(Refusal({"--size", "x480"}).find("--size"), std::string::npos);
    EXPECT_NE(Refusal({"--variant", "8"}).find("--variant"), std::string::npos);
    EXPECT_NE(Refusal({"--picture", "0"}).find("--picture"), std::string::npos);
    EXPECT_NE(Refusal({"-o", "picture.gif"}).find("picture.gif"), std::string::npos);
    EXPECT_NE(Refusal({"-o", "picture"}).find("format"), std::string::npos);
    EXPECT_NE(Refusal({"--frobnicate"}).find("--frobnicate"), std::string::npos);
    EXPECT_NE(Refusal({"--seed"}).find("needs a value"), std::string::npos);
    EXPECT_NE(Refusal({"--picture", "4294967295", "--count", "2"}).find("4294967295"), std::string::npos);
    RenderOptions options;
    std::string error;
    EXPECT_TRUE(Parse({"--size", "16384x16384", "--variant", "0"}, &options, &error));
}

TEST(RenderOptions, FormatsAndNumberedNames)
{
    EXPECT_EQ(FormatFromPath("a.png"), ImageFormat::Png);
    EXPECT_EQ(FormatFromPath("dir.v2/a.Ppm"), ImageFormat::Ppm);
    EXPECT_EQ(FormatFromPath("dir.png/a"), ImageFormat::Unknown);
    EXPECT_EQ(NumberedPath("pic.png", 3), "pic-3.png");
    EXPECT_EQ(NumberedPath("out.d/pic.v1.bmp", 12), "out.d/pic.v1-12.bmp");
    EXPECT_EQ(NumberedPath("dir.x/pic", 2), "dir.x/pic-2");
}

TEST(ImageFile, WindowImageIsTopLineFirstAndClipsTheExtraColumnAndLine)
{
    // A 4 x 4 buffer for a 3 x 3 window; row 0 is the bottom line and is clipped.
    std::vector<uint32_t> buffer(16);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) buffer[y * 4 + x] = (uint32_t)(0x10 * y) << 16 | (uint32_t)x << 8 | 0xAB;
    std::vector<uint8_t> rgb(3 * 3 * 3);
    WindowImageRgb(buffer.data(), 4, 4, 3, 3, rgb.data());
    for (int line = 0; line < 3; ++line)
        for (int x = 0; x < 3; ++x) {
            const uint8_t* p = &rgb[(line * 3 + x) * 3];
            EXPECT_EQ(p[0], 0x10 * (3 - line));
            EXPECT_EQ(p[1], x);
            EXPECT_EQ(p[2], 0xAB);
        }
}

TEST(ImageFile, WritesPpmBmpAndPngThatReadBack)
{
    std::string dir = TempDir();
    // An asymmetric 3 x 2 image: a flip or a red/blue swap would show.
    const uint8_t rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 40, 50, 60, 70, 80, 90};
    std::string error;
    ASSERT_TRUE(WriteImageFile(dir + "/a.ppm", ImageFormat::Ppm, rgb, 3, 2, &error)) << error;
    std::string back;
    int32_t w = 0, h = 0;
    ASSERT_TRUE(ReadPpmFile(dir + "/a.ppm", &back, &w, &h));
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(back, std::string((const char*)rgb, sizeof rgb));

    ASSERT_TRUE(WriteImageFile(dir + "/a.bmp", ImageFormat::Bmp, rgb, 3, 2, &error)) << error;
    std::string bmp = ReadFile(dir + "/a.bmp");
    ASSERT_EQ(bmp.size(), 54u + 2 * 12);  // rows of 9 bytes padded to 12
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ((uint8_t)bmp[28], 24);                      // bits per pixel
    EXPECT_EQ((uint8_t)bmp[22], 2);                       // positive height: bottom-up
    EXPECT_EQ((uint8_t)bmp[38] | (uint8_t)bmp[39] << 8, 2834);
    EXPECT_EQ(bmp.substr(54, 3), std::string("\x1e\x14\x0a", 3));  // bottom line first, blue first
    EXPECT_EQ(bmp.substr(54 + 12, 3), std::string("\x00\x00\xff", 3));

    ASSERT_TRUE(WriteImageFile(dir + "/a.png", ImageFormat::Png, rgb, 3, 2, &error)) << error;
    EXPECT_EQ(ReadPng(dir + "/a.png", &w, &h), std::string((const char*)rgb, sizeof rgb));
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
}

// Bytes that do not compress spread the data over several IDAT chunks, and
// lines that differ by more than 127 wrap around in the Up filter.
TEST(ImageFile, LargePngReadsBackExactly)
{
    std::string dir = TempDir();
    const int32_t width = 701, height = 613;
    std::string rgb((size_t)width * height * 3, '\0');
    uint32_t state = 12345;
    for (char& c : rgb) {
        state = state * 1664525u + 1013904223u;
        c = (char)(state >> 24);
    }
    std::string error;
    ASSERT_TRUE(WriteImageFile(dir + "/noise.png", ImageFormat::Png, (const uint8_t*)rgb.data(), width, height,
                               &error))
        << error;
    int32_t w = 0, h = 0;
    EXPECT_TRUE(ReadPng(dir + "/noise.png", &w, &h) == rgb);
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    std::string file = ReadFile(dir + "/noise.png");
    size_t chunks = 0;
    for (size_t at = file.find("IDAT"); at != std::string::npos; at = file.find("IDAT", at + 4)) ++chunks;
    EXPECT_GE(chunks, 2u);
}

TEST(ImageFile, UnwritablePathLeavesNothingBehind)
{
    std::string dir = TempDir();
    const uint8_t rgb[3] = {1, 2, 3};
    std::string error;
    EXPECT_FALSE(WriteImageFile(dir + "/missing/a.png", ImageFormat::Png, rgb, 1, 1, &error));
    EXPECT_NE(error.find("missing/a.png"), std::string::npos);
    EXPECT_EQ(error.find('\n'), std::string::npos);
    // A directory where the file should go: the rename fails, the partial file goes.
    ASSERT_EQ(mkdir((dir + "/taken.ppm").c_str(), 0755), 0);
    EXPECT_FALSE(WriteImageFile(dir + "/taken.ppm", ImageFormat::Ppm, rgb, 1, 1, &error));
    std::string listing;
    FILE* ls = popen(("ls -A " + dir).c_str(), "r");
    char line[256];
    while (fgets(line, sizeof line, ls)) listing += line;
    pclose(ls);
    EXPECT_EQ(listing, "taken.ppm\n");
}

// The real tool, as a user runs it.
namespace {

int RunTool(const std::string& arguments, std::string* errorText = nullptr)
{
    std::string errFile = TempDir() + "/stderr";
    int status = std::system((std::string(ONDULITE_RENDER_PATH) + " " + arguments + " 2>" + errFile).c_str());
    if (errorText) *errorText = ReadFile(errFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Image(const std::string& path, int32_t* width = nullptr, int32_t* height = nullptr)
{
    std::string rgb;
    int32_t w = 0, h = 0;
    EXPECT_TRUE(ReadPpmFile(path, &rgb, &w, &h)) << path;
    if (width) *width = w;
    if (height) *height = h;
    return rgb;
}

}  // namespace

TEST(RenderToolProcess, BadInputExitsWithTwoAndWritesNothing)
{
    std::string dir = TempDir();
    const char* bad[] = {"--seed x", "--size 0x10", "--size 16385x10", "--variant 9", "-o " , "--bogus"};
    for (const char* arguments : bad) {
        std::string err;
        EXPECT_EQ(RunTool(std::string(arguments) + " -o " + dir + "/x.png", &err), 2) << arguments;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    std::string err;
    EXPECT_EQ(RunTool("--seed 1 --size 8x8 -o " + dir + "/x.gif", &err), 2);
    EXPECT_EQ(RunTool("--seed 1 --size 8x8 -o " + dir + "/none/x.png", &err), 2);
    EXPECT_NE(err.find("none/x.png"), std::string::npos);
    EXPECT_EQ(ReadFile(dir + "/x.png"), "");
    EXPECT_EQ(RunTool("--help", &err), 0);
}

TEST(RenderToolProcess, OddWindowShowsTheEvenPictureClipped)
{
    std::string dir = TempDir();
    ASSERT_EQ(RunTool("--seed 99 --size 62x36 --threads 1 -o " + dir + "/even.ppm"), 0);
    ASSERT_EQ(RunTool("--seed 99 --size 61x35 --threads 2 -o " + dir + "/odd.ppm"), 0);
    int32_t w = 0, h = 0;
    std::string even = Image(dir + "/even.ppm");
    std::string odd = Image(dir + "/odd.ppm", &w, &h);
    ASSERT_EQ(w, 61);
    ASSERT_EQ(h, 35);
    for (int32_t line = 0; line < 35; ++line)
        ASSERT_EQ(odd.substr((size_t)line * 61 * 3, 61 * 3), even.substr((size_t)line * 62 * 3, 61 * 3)) << line;
}

TEST(RenderToolProcess, PicturesFollowTheWorkersSequence)
{
    std::string dir = TempDir();
    ASSERT_EQ(RunTool("--seed 5 --size 40x30 --count 3 -o " + dir + "/seq.ppm"), 0);
    ASSERT_EQ(RunTool("--seed 5 --size 40x30 --picture 3 -o " + dir + "/third.ppm"), 0);
    EXPECT_EQ(Image(dir + "/seq-3.ppm"), Image(dir + "/third.ppm"));
    EXPECT_NE(Image(dir + "/seq-1.ppm"), Image(dir + "/seq-2.ppm"));
    // A forced variant still takes the variant draw: the next picture is unchanged.
    ASSERT_EQ(RunTool("--seed 5 --size 40x30 --count 2 --variant 6 -o " + dir + "/forced.ppm"), 0);
    ASSERT_EQ(RunTool("--seed 5 --size 40x30 --picture 2 --variant 6 -o " + dir + "/second.ppm"), 0);
    EXPECT_EQ(Image(dir + "/forced-2.ppm"), Image(dir + "/second.ppm"));
    // Without a seed the tool tells which one it took.
    std::string err;
    ASSERT_EQ(RunTool("--size 4x4 -o " + dir + "/now.ppm", &err), 0);
    EXPECT_NE(err.find("seed "), std::string::npos);
}

TEST(RenderToolProcess, ThreadCountDoesNotChangeThePixels)
{
    std::string dir = TempDir();
    for (int variant = 0; variant < 8; ++variant) {
        std::string common = "--seed 31 --size 130x97 --variant " + std::to_string(variant);
        ASSERT_EQ(RunTool(common + " --threads 1 -o " + dir + "/one.ppm"), 0);
        ASSERT_EQ(RunTool(common + " --threads 7 -o " + dir + "/seven.ppm"), 0);
        EXPECT_EQ(Image(dir + "/one.ppm"), Image(dir + "/seven.ppm")) << "variant " << variant;
    }
}

// A run of pictures is written while the next ones are made, by as many
// writers as threads: every file holds its own picture, whatever the
// formats and thread counts, and PNG files read back to the PPM's pixels.
TEST(RenderToolProcess, RunsOfPicturesHoldEachItsOwnPicture)
{
    std::string dir = TempDir();
    ASSERT_EQ(RunTool("--seed 11 --size 67x41 --count 5 --threads 1 -o " + dir + "/one.ppm"), 0);
    ASSERT_EQ(RunTool("--seed 11 --size 67x41 --count 5 --threads 3 -o " + dir + "/run.png"), 0);
    for (int k = 1; k <= 5; ++k) {
        int32_t w = 0, h = 0;
        std::string ppm = Image(dir + "/one-" + std::to_string(k) + ".ppm");
        EXPECT_TRUE(ReadPng(dir + "/run-" + std::to_string(k) + ".png", &w, &h) == ppm) << "picture " << k;
        EXPECT_EQ(w, 67);
        EXPECT_EQ(h, 41);
        ASSERT_EQ(RunTool("--seed 11 --size 67x41 --picture " + std::to_string(k) + " -o " + dir + "/single.ppm"),
                  0);
        EXPECT_EQ(Image(dir + "/single.ppm"), ppm) << "picture " << k;
    }
    // A run that cannot write ends with 2 and one line, and leaves no file.
    std::string err;
    EXPECT_EQ(RunTool("--seed 11 --size 67x41 --count 4 -o " + dir + "/gone/run.png", &err), 2);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("gone/run-1.png"), std::string::npos) << err;
}
