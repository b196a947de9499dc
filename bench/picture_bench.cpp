// Time of one picture per variant at 1920x1080, one thread, reported as
// nanoseconds per pixel and milliseconds per picture.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "picture/picture.h"
#include "picture/random.h"

static void BM_GeneratePicture(benchmark::State& state)
{
    const int32_t variant = (int32_t)state.range(0);
    const int32_t width = 1920, height = 1080;
    std::vector<uint32_t> pixels((size_t)width * height);
    std::vector<float> previous(width), current(width);
    std::unique_ptr<PicturePlan> plan(new PicturePlan);
    SeedRandom(1765432100u);
    PlanPicture(plan.get(), width, height, variant);
    for (auto _ : state) {
        FillPictureRowsReference(plan.get(), pixels.data(), previous.data(), current.data(), 0, height);
        benchmark::DoNotOptimize(pixels.data());
    }
    const double pixelCount = (double)width * height;
    state.counters["ns_per_pixel"] = benchmark::Counter(
        pixelCount * (double)state.iterations(), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GeneratePicture)->DenseRange(0, 7)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
