// ondulite-render: the saver's pictures as image files, for previews,
// wallpapers and tests. A seed and a picture number name a picture exactly:
// the one a saver whose worker was seeded with that second shows in that
// position, at the same window size.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "picture/fast_path.h"
#include "picture/float_mode.h"
#include "picture/picture.h"
#include "picture/random.h"
#include "tools/band_pool.h"
#include "tools/image_file.h"
#include "tools/process_io.h"
#include "tools/render_options.h"

static int Fail(const std::string& message)
{
    std::fprintf(stderr, "ondulite-render: %s\n", EscapeControlCharacters(message).c_str());
    return 2;
}

int main(int argc, char** argv)
{
    if (!OpenStandardDescriptors()) return 2;
    // This thread plans the pictures.
    UsePictureFloatMode();
    RenderOptions options;
    std::string error;
    if (!ParseRenderOptions(argc, argv, &options, &error)) return Fail(error);
    if (options.help) {
        std::fputs(kRenderUsage, stdout);
        return StreamWritten(stdout) ? 0 : Fail("cannot write the usage to the standard output");
    }
    if (options.simd >= 0 && !UseSimdLevel((SimdLevel)options.simd))
        return Fail(std::string("this processor and system cannot run ") + SimdLevelName((SimdLevel)options.simd));
    if (options.showSimd) {
        std::printf("%s\n", SimdLevelName(ActiveSimdLevel()));
        return 0;
    }
    if (!options.seedGiven) {
        options.seed = (uint32_t)std::time(nullptr);
        std::fprintf(stderr, "ondulite-render: seed %u\n", options.seed);
        // A picture whose seed was lost cannot be made again.
        if (!StreamWritten(stderr)) return 2;
    }

    const int32_t bufferWidth = (options.width + 1) & ~1;
    const int32_t bufferHeight = (options.height + 1) & ~1;
    const bool progress = isatty(2) && (options.count > 4 || (int64_t)bufferWidth * bufferHeight > 16000000);

    std::vector<uint32_t> pixels;
    std::vector<uint8_t> rgb;
    try {
        pixels.resize((size_t)bufferWidth * (size_t)bufferHeight);
        rgb.resize((size_t)options.width * (size_t)options.height * 3);
    } catch (...) {
        return Fail("not enough memory for a " + std::to_string(options.width) + "x" +
                    std::to_string(options.height) + " picture");
    }

    BandPool pool;
    pool.useReference = options.reference;
    int32_t threads = options.threads > 0 ? options.threads : DefaultThreadCount();
    // The rendering threads start with the ending signals blocked, so that
    // the handler that removes a temporary file runs on this thread.
    sigset_t ending, previous;
    sigemptyset(&ending);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, s);
    pthread_sigmask(SIG_BLOCK, &ending, &previous);
    bool started = StartBandPool(&pool, threads, bufferWidth);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (!started) return Fail("cannot start the rendering threads");
    if (!RemoveTemporaryFileOnSignals()) return Fail("cannot catch signals");

    SeedRandom(options.seed);
    SkipPictures(options.firstPicture - 1);

    std::unique_ptr<PicturePlan> plan(new PicturePlan);
    int status = 0;
    for (uint32_t i = 0; i < options.count; ++i) {
        uint32_t number = options.firstPicture + i;
        std::string path = options.count > 1 ? NumberedPath(options.outPath, number) : options.outPath;
        if (progress) std::fprintf(stderr, "\rondulite-render: picture %u of %u ", i + 1, options.count);
        PlanPicture(plan.get(), bufferWidth, bufferHeight, options.variant);
        RenderWithBandPool(&pool, plan.get(), pixels.data());
        WindowImageRgb(pixels.data(), bufferWidth, bufferHeight, options.width, options.height, rgb.data());
        if (!WriteImageFile(path, options.format, rgb.data(), options.width, options.height, &error)) {
            if (progress) std::fputc('\n', stderr);
            status = Fail(error);
            break;
        }
    }
    if (progress && status == 0) std::fputs("done\n", stderr);
    StopBandPool(&pool);
    return status;
}
