// ondulite-render: the saver's pictures as image files, for previews,
// wallpapers and tests. A seed and a picture number name a picture exactly:
// the one a saver whose worker was seeded with that second shows in that
// position, at the same window size.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "native/band_pool.h"
#include "native/process_io.h"
#include "picture/fast_path.h"
#include "picture/float_mode.h"
#include "picture/picture.h"
#include "picture/random.h"
#include "render/image_file.h"
#include "render/image_queue.h"
#include "render/render_options.h"
#include "render/temporary_file.h"

static int Fail(const std::string& message)
{
    ComplainAs("ondulite-render", message);
    return 2;
}

int main(int argc, char** argv)
{
    if (!OpenStandardDescriptors()) return 2;
    // Before any other thread: they all inherit the ending signals blocked.
    if (!RemoveTemporaryFilesOnSignals()) return Fail("cannot catch signals");
    // This thread plans the pictures.
    UsePictureFloatMode();
    RenderOptions options;
    std::string error;
    if (!ParseRenderOptions(argc, argv, &options, &error)) return Fail(error);
    if (options.help) return PrintUsage("ondulite-render", kRenderUsage, 2);
    if (options.simd >= 0 && !UseSimdLevel((SimdLevel)options.simd))
        return Fail(std::string("this processor and system cannot run ") + SimdLevelName((SimdLevel)options.simd));
    if (options.showSimd) {
        std::printf("%s\n", SimdLevelName(ActiveSimdLevel()));
        return StreamWritten(stdout) ? 0 : Fail("cannot write to the standard output");
    }
    if (!options.seedGiven) {
        options.seed = SeedFromUnixSeconds((int64_t)std::time(nullptr));
        std::fprintf(stderr, "ondulite-render: seed %u\n", options.seed);
        // A picture whose seed was lost cannot be made again.
        if (!StreamWritten(stderr)) return 2;
    }

    const int32_t bufferWidth = EvenRounded(options.width);
    const int32_t bufferHeight = EvenRounded(options.height);
    const bool progress = isatty(2) && (options.count > 4 || (int64_t)bufferWidth * bufferHeight > 16000000);

    std::vector<uint32_t> pixels;
    try {
        pixels.resize((size_t)bufferWidth * (size_t)bufferHeight);
    } catch (...) {
        return Fail("not enough memory for a " + std::to_string(options.width) + "x" +
                    std::to_string(options.height) + " picture");
    }

    BandPool pool;
    pool.useReference = options.reference;
    int32_t threads = options.threads > 0 ? options.threads : DefaultThreadCount();
    if (!StartBandPool(&pool, threads, bufferWidth)) return Fail("cannot start the rendering threads");

    SeedRandom(options.seed);
    SkipPictures(options.firstPicture - 1);

    // While the writers encode the files, the pool makes the next pictures:
    // a buffer for every writer and one more for the picture being made.
    const int32_t writerCount = (int32_t)std::min<uint32_t>(options.count, (uint32_t)threads);
    ImageQueue queue;
    if (!StartImageQueue(&queue, writerCount, writerCount + (options.count > 1 ? 1 : 0), options.format,
                         options.width, options.height, &error)) {
        StopBandPool(&pool);
        return Fail(error);
    }

    std::unique_ptr<PicturePlan> plan(new PicturePlan);
    for (uint32_t i = 0; i < options.count; ++i) {
        uint32_t number = options.firstPicture + i;
        std::string path = options.count > 1 ? NumberedPath(options.outPath, number) : options.outPath;
        int32_t slot = TakeImageSlot(&queue);
        if (slot < 0) break;  // a file failed: make no more
        if (progress) std::fprintf(stderr, "\rondulite-render: picture %u of %u ", i + 1, options.count);
        PlanPicture(plan.get(), bufferWidth, bufferHeight, options.variant);
        RenderWithBandPool(&pool, plan.get(), pixels.data());
        WindowImageRgb(pixels.data(), bufferWidth, bufferHeight, options.width, options.height,
                       ImageSlotPixels(&queue, slot));
        QueueImage(&queue, slot, path, number);
    }
    StopBandPool(&pool);
    int status = 0;
    if (!FinishImageQueue(&queue, &error)) {
        if (progress) std::fputc('\n', stderr);
        status = Fail(error);
    }
    if (progress && status == 0) std::fputs("done\n", stderr);
    return status;
}
