// Time of the render tool's image files: one 1920x1080 picture written as
// PNG, BMP and PPM on one thread, and the whole tool writing 8 pictures of
// 1920x1080 with --count 8 (wall time, all cores), whose PNG run is held
// to at most 5 times the PPM run (docs/performance.md).
//
//   ondulite_image_bench                                 everything
//   ondulite_image_bench --benchmark_filter=tool/        the whole tool only
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_statistics.h"
#include "native/band_pool.h"
#include "picture/picture.h"
#include "picture/random.h"
#include "render/image_file.h"

namespace {

constexpr int32_t kWidth = 1920, kHeight = 1080;

std::string WorkDir(void)
{
    static std::string dir = [] {
        char pattern[] = "/tmp/ondulite-image-bench-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return dir;
}

void WriteOnePicture(benchmark::State& state, ImageFormat format, const char* name)
{
    std::vector<uint32_t> pixels((size_t)kWidth * kHeight);
    std::vector<uint8_t> rgb((size_t)kWidth * kHeight * 3);
    std::unique_ptr<PicturePlan> plan(new PicturePlan);
    SeedRandom(2026);
    PlanPicture(plan.get(), kWidth, kHeight);
    BandPool pool;
    if (!StartBandPool(&pool, DefaultThreadCount(), kWidth)) {
        state.SkipWithError("cannot start the pool's threads");
        return;
    }
    RenderWithBandPool(&pool, plan.get(), pixels.data());
    StopBandPool(&pool);
    WindowImageRgb(pixels.data(), kWidth, kHeight, kWidth, kHeight, rgb.data());
    std::string path = WorkDir() + "/one." + name, error;
    for (auto _ : state) {
        if (!WriteImageFile(path, format, rgb.data(), kWidth, kHeight, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file) {
        std::fseek(file, 0, SEEK_END);
        state.counters["file_kB"] = (double)std::ftell(file) / 1000.0;
        std::fclose(file);
    }
    std::remove(path.c_str());
}

void RunTool(benchmark::State& state, const char* extension)
{
    std::string command = std::string(ONDULITE_RENDER_PATH) + " --seed 2026 --size 1920x1080 --count 8 -o " +
                          WorkDir() + "/run." + extension;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        int status = std::system(command.c_str());
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("ondulite-render failed");
            return;
        }
    }
    std::system(("rm -f " + WorkDir() + "/run-*." + extension).c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const struct {
        ImageFormat format;
        const char* name;
    } formats[] = {{ImageFormat::Png, "png"}, {ImageFormat::Bmp, "bmp"}, {ImageFormat::Ppm, "ppm"}};
    for (const auto& f : formats)
        benchmark::RegisterBenchmark((std::string("write/1920x1080/") + f.name).c_str(), WriteOnePicture, f.format,
                                     f.name)
            ->Unit(benchmark::kMillisecond)
            ->ComputeStatistics("min", Smallest);
    for (const char* extension : {"png", "bmp", "ppm"})
        benchmark::RegisterBenchmark((std::string("tool/8x1920x1080/") + extension).c_str(), RunTool, extension)
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond)
            ->ComputeStatistics("min", Smallest);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::system(("rm -rf " + WorkDir()).c_str());
    return 0;
}
