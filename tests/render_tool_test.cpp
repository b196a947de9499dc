#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#if ONDULITE_HAVE_PNG
#include <png.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "picture/fast_path.h"
#include "render/image_file.h"
#include "render/render_options.h"

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

// Reads a binary P6 PPM with maxval 255 (what the tool writes) into `rgb`.
// Returns false when the file is missing or not such a PPM.
bool ReadPpmFile(const std::string& path, std::string* rgb, int32_t* width, int32_t* height)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return false;
    int w = 0, h = 0, maxval = 0;
    bool ok = fscanf(file, "P6 %d %d %d", &w, &h, &maxval) == 3 && maxval == 255 && w > 0 && h > 0 &&
              fgetc(file) != EOF;
    if (ok) {
        rgb->resize((size_t)w * (size_t)h * 3);
        ok = fread(&(*rgb)[0], 1, rgb->size(), file) == rgb->size();
    }
    fclose(file);
    if (!ok) return false;
    *width = w;
    *height = h;
    return true;
}

#if ONDULITE_HAVE_PNG
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
#endif

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
    EXPECT_EQ(options.simd, -1);
    EXPECT_FALSE(options.showSimd);

    ASSERT_TRUE(Parse({"--simd", "portable"}, &options, &error)) << error;
    EXPECT_EQ(options.simd, 0);
    ASSERT_TRUE(Parse({"--simd=avx512", "--show-simd"}, &options, &error)) << error;
    EXPECT_EQ(options.simd, 3);
    EXPECT_TRUE(options.showSimd);
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
    EXPECT_NE(Refusal({"--simd", "sse3"}).find("--simd"), std::string::npos);
    EXPECT_NE(Refusal({"--simd", ""}).find("--simd"), std::string::npos);
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

#if ONDULITE_HAVE_PNG
    ASSERT_TRUE(WriteImageFile(dir + "/a.png", ImageFormat::Png, rgb, 3, 2, &error)) << error;
    EXPECT_EQ(ReadPng(dir + "/a.png", &w, &h), std::string((const char*)rgb, sizeof rgb));
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
#else
    // A build without PNG says so and leaves no file.
    EXPECT_FALSE(WriteImageFile(dir + "/a.png", ImageFormat::Png, rgb, 3, 2, &error));
    EXPECT_EQ(ReadFile(dir + "/a.png"), "");
#endif
}

#if ONDULITE_HAVE_PNG
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
#endif

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

TEST(RenderToolProcess, ShowsAndForcesTheInstructionSet)
{
    std::string dir = TempDir();
    ASSERT_EQ(RunTool("--show-simd > " + dir + "/chosen"), 0);
    EXPECT_EQ(ReadFile(dir + "/chosen"), std::string(SimdLevelName(ActiveSimdLevel())) + "\n");
    ASSERT_EQ(RunTool("--simd portable --show-simd > " + dir + "/forced"), 0);
    EXPECT_EQ(ReadFile(dir + "/forced"), "portable\n");
    // A set that this machine cannot run is refused, with nothing written.
    for (int32_t level = 0; level < kSimdLevelCount; ++level) {
        if (SimdLevelSupported((SimdLevel)level)) continue;
        std::string err;
        EXPECT_EQ(RunTool(std::string("--simd ") + SimdLevelName((SimdLevel)level) + " --size 8x8 -o " + dir + "/no.ppm",
                          &err),
                  2);
        EXPECT_NE(err.find(SimdLevelName((SimdLevel)level)), std::string::npos) << err;
        EXPECT_EQ(ReadFile(dir + "/no.ppm"), "");
    }
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

TEST(RenderToolProcess, TheLastPictureNumberComesAtOnceAndMatchesStepping)
{
    // Pictures take 42 draws from a source of period 2^32, so picture
    // 4294967295 starts 84 draws before the seed's first one: the seed
    // stepped back 84 times. `--picture 1` of that state, and its third
    // picture the seed's first, are what stepping forward gives.
    const uint32_t seed = 1796746887u;
    const uint32_t inverseMultiplier = 0xb9b33155u;  // 214013 * this = 1 modulo 2^32
    ASSERT_EQ(214013u * inverseMultiplier, 1u);
    uint32_t earlier = seed;
    for (int i = 0; i < 2 * 42; ++i) earlier = (earlier - 2531011u) * inverseMultiplier;

    std::string dir = TempDir();
    // On a machine of any speed stepping 1.8e11 draws would run far past this limit.
    const std::string limit = "timeout 120 ";
    const std::string common = " --size 48x32 -o " + dir;
    ASSERT_EQ(std::system((limit + ONDULITE_RENDER_PATH + " --seed " + std::to_string(seed) +
                           " --picture 4294967295" + common + "/last.ppm").c_str()),
              0);
    ASSERT_EQ(RunTool("--seed " + std::to_string(earlier) + " --count 3" + common + "/earlier.ppm"), 0);
    ASSERT_EQ(RunTool("--seed " + std::to_string(seed) + common + "/first.ppm"), 0);
    EXPECT_EQ(Image(dir + "/last.ppm"), Image(dir + "/earlier-1.ppm"));
    EXPECT_EQ(Image(dir + "/first.ppm"), Image(dir + "/earlier-3.ppm"));
    EXPECT_NE(Image(dir + "/last.ppm"), Image(dir + "/first.ppm"));
}

// Writing the file: what replacing does, and what others cannot make it do.
namespace {

std::vector<std::string> Listing(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* listing = opendir(dir.c_str());
    if (!listing) return names;
    while (dirent* entry = readdir(listing)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(listing);
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `make` as the user nobody when this test runs as root (as the
// attacker of a shared directory would be), else as ourselves.
void AsAnotherUser(const std::function<void()>& make)
{
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(1);
        make();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A directory everyone may write in, without the sticky bit's protections.
std::string SharedDir()
{
    std::string dir = TempDir();
    chmod(dir.c_str(), 0777);
    return dir;
}

int NextPid(void)
{
    return std::atoi(ReadFile("/proc/sys/kernel/ns_last_pid").c_str()) + 1;
}

}  // namespace

TEST(RenderToolProcess, SymlinksPlantedForTheTemporaryFileAreNeverFollowed)
{
    // Planted at every name a temporary file of the coming processes could
    // be guessed to take: beside the output with the process id, and with
    // the short names of the tool itself.
    std::string dir = SharedDir();
    std::string secret = TempDir() + "/secret";
    std::ofstream(secret) << "keep";
    chmod(secret.c_str(), 0644);
    int pid = NextPid();
    AsAnotherUser([&] {
        for (int p = pid; p < pid + 400; ++p) {
            if (symlink(secret.c_str(), (dir + "/out.ppm.partial-" + std::to_string(p)).c_str()) != 0) _exit(1);
        }
    });
    ASSERT_EQ(std::system(("timeout 60 " + std::string(ONDULITE_RENDER_PATH) + " --seed 1 --size 8x8 -o " + dir +
                           "/out.ppm")
                              .c_str()),
              0);
    EXPECT_EQ(ReadFile(secret), "keep");
    struct stat info;
    ASSERT_EQ(lstat((dir + "/out.ppm").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_uid, geteuid());
    EXPECT_EQ(Image(dir + "/out.ppm").size(), 8u * 8 * 3);
}

TEST(RenderToolProcess, FifosPlantedForTheTemporaryFileDoNotBlock)
{
    std::string dir = SharedDir();
    int pid = NextPid();
    AsAnotherUser([&] {
        for (int p = pid; p < pid + 400; ++p)
            if (mkfifo((dir + "/out.ppm.partial-" + std::to_string(p)).c_str(), 0666) != 0) _exit(1);
    });
    // A writer that opened a FIFO would wait for a reader for ever.
    int status = std::system(
        ("timeout 60 " + std::string(ONDULITE_RENDER_PATH) + " --seed 1 --size 8x8 -o " + dir + "/out.ppm").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Image(dir + "/out.ppm").size(), 8u * 8 * 3);
}

TEST(RenderToolProcess, ReplacesSymlinksAndReadOnlyFilesWithNewFilesOfTheUmasksMode)
{
    std::string dir = TempDir();
    std::string elsewhere = TempDir() + "/elsewhere.ppm";
    std::ofstream(elsewhere) << "old";
    ASSERT_EQ(symlink(elsewhere.c_str(), (dir + "/link.ppm").c_str()), 0);
    std::ofstream(dir + "/readonly.ppm") << "old";
    chmod((dir + "/readonly.ppm").c_str(), 0444);
    for (const char* name : {"link.ppm", "readonly.ppm"})
        ASSERT_EQ(RunTool("--seed 3 --size 8x8 -o " + dir + "/" + name), 0) << name;
    EXPECT_EQ(ReadFile(elsewhere), "old");
    ASSERT_EQ(std::system(("umask 027 && " + std::string(ONDULITE_RENDER_PATH) + " --seed 3 --size 8x8 -o " + dir +
                           "/fresh.ppm")
                              .c_str()),
              0);
    for (const char* name : {"link.ppm", "readonly.ppm", "fresh.ppm"}) {
        struct stat info;
        ASSERT_EQ(lstat((dir + "/" + name).c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode)) << name;
        EXPECT_EQ(Image(dir + "/" + name).size(), 8u * 8 * 3) << name;
    }
    struct stat fresh;
    ASSERT_EQ(stat((dir + "/fresh.ppm").c_str(), &fresh), 0);
    EXPECT_EQ(fresh.st_mode & 07777, 0640u);
    EXPECT_EQ(Listing(dir), (std::vector<std::string>{"fresh.ppm", "link.ppm", "readonly.ppm"}));
}

TEST(RenderToolProcess, OutputNamesUpToTheLongestAllowedWork)
{
    std::string dir = TempDir();
    std::string name = std::string(NAME_MAX - 4, 'n') + ".ppm";
    ASSERT_EQ(RunTool("--seed 3 --size 8x8 -o " + dir + "/" + name), 0);
    EXPECT_EQ(Listing(dir), std::vector<std::string>{name});
}

#if ONDULITE_HAVE_PNG
// PNG files take long enough to encode that a signal finds one being written.
// Whether `name` is one of the numbered pictures p-1.png, p-2.png, ...
static bool IsPictureName(const std::string& name)
{
    size_t digits = name.size() > 6 ? name.size() - 6 : 0;
    return name.size() > 6 && name.compare(0, 2, "p-") == 0 && name.compare(name.size() - 4, 4, ".png") == 0 &&
           name.find_first_not_of("0123456789", 2) == 2 + digits;
}

TEST(RenderToolProcess, EndingSignalsRemoveTheTemporaryFileAndKeepFinishedOnes)
{
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        std::string dir = TempDir();
        std::string out = dir + "/p.png";
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            execl(ONDULITE_RENDER_PATH, ONDULITE_RENDER_PATH, "--seed", "4", "--size", "1200x1200", "--count", "99",
                  "-o", out.c_str(), (char*)nullptr);
            _exit(127);
        }
        // Signalled while a picture is being written, once one is whole.
        bool writing = false;
        for (int wait = 0; wait < 60000 && !writing; ++wait) {
            std::vector<std::string> names = Listing(dir);
            writing = std::find(names.begin(), names.end(), "p-1.png") != names.end() &&
                      std::any_of(names.begin(), names.end(), [](const std::string& n) { return !IsPictureName(n); });
            if (!writing) usleep(1000);
        }
        kill(child, signalNumber);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(writing) << "no picture was being written";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << "signal " << signalNumber;
        std::vector<std::string> names = Listing(dir);
        ASSERT_FALSE(names.empty());
        for (size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(names[i], "p-" + std::to_string(i + 1) + ".png") << "signal " << signalNumber;
            std::string png = ReadFile(dir + "/" + names[i]);
            EXPECT_TRUE(png.size() > 12 && png.substr(png.size() - 8, 4) == "IEND") << names[i] << " is not whole";
        }
    }
}
#endif

TEST(RenderToolProcess, LostOutputAndControlCharactersInMessages)
{
    std::string dir = TempDir();
    // The usage, or the seed a picture was made with, written nowhere: a failure.
    EXPECT_EQ(std::system((std::string(ONDULITE_RENDER_PATH) + " --help >/dev/full").c_str()) >> 8, 2);
    EXPECT_EQ(std::system((std::string(ONDULITE_RENDER_PATH) + " --size 8x8 -o " + dir + "/a.ppm 2>/dev/full").c_str()) >> 8,
              2);
    EXPECT_EQ(Listing(dir), std::vector<std::string>{});
    std::string err;
    EXPECT_EQ(RunTool("--seed 1 --size 8x8 -o '" + dir + "/new\nline\x1b[2J/a.png'", &err), 2);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("new\\nline\\x1b[2J/a.png"), std::string::npos) << err;
}

#if ONDULITE_HAVE_PNG
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
#endif
