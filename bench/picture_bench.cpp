// Time of one picture: the reference path against the fast path, on one
// thread and on every core, for every variant at 1920x1080 and 3840x2160,
// reported as milliseconds per picture and nanoseconds per pixel of wall
// time.
//
// One thread fills the picture on the benchmark's own thread (the fast
// path item by item, as one pool thread would); all cores use the
// native band pool with one thread per core.
//
//   ondulite_bench                               everything (about a minute)
//   ondulite_bench --quick                       1920x1080, variants 0 and 4
//   ondulite_bench --simd=sse2                   the fast path with another instruction set
//   ondulite_bench --benchmark_filter=fast/...   any subset by name
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_statistics.h"
#include "native/band_pool.h"
#include "picture/fast_path.h"
#include "picture/picture.h"
#include "picture/random.h"

namespace {

struct Case {
    bool reference;
    bool allCores;
    int32_t width, height;
    int32_t variant;
};

void FillOnOneThread(const Case& c, const PicturePlan* plan, uint32_t* pixels, float* previous, float* current,
                     void* scratch)
{
    if (c.reference) {
        FillPictureRowsReference(plan, pixels, previous, current, 0, plan->height);
        return;
    }
    int32_t count = PictureWorkItemCount(plan);
    for (int32_t item = 0; item < count; ++item) FillPictureWorkItem(plan, pixels, item, scratch);
}

void TimePicture(benchmark::State& state, Case c)
{
    std::vector<uint32_t> pixels((size_t)c.width * c.height);
    std::vector<float> previous(c.width), current(c.width);
    std::vector<unsigned char> scratch(PictureScratchSize(c.width));
    std::unique_ptr<PicturePlan> plan(new PicturePlan);
    SeedRandom(1765432100u);
    PlanPicture(plan.get(), c.width, c.height, c.variant);

    BandPool pool;
    pool.useReference = c.reference;
    if (c.allCores && !StartBandPool(&pool, DefaultThreadCount(), c.width)) {
        state.SkipWithError("cannot start the pool's threads");
        return;
    }
    double totalSeconds = 0.0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        if (c.allCores)
            RenderWithBandPool(&pool, plan.get(), pixels.data());
        else
            FillOnOneThread(c, plan.get(), pixels.data(), previous.data(), current.data(), scratch.data());
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
        state.SetIterationTime(seconds);
        totalSeconds += seconds;
    }
    if (c.allCores) StopBandPool(&pool);
    const double pixelCount = (double)c.width * c.height;
    state.counters["ms_per_picture"] = benchmark::Counter(totalSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["ns_per_pixel"] =
        benchmark::Counter(totalSeconds * 1e9 / pixelCount, benchmark::Counter::kAvgIterations);
}

}  // namespace

int main(int argc, char** argv)
{
    bool quick = false;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else if (std::strncmp(argv[i], "--simd=", 7) == 0) {
            bool known = false;
            for (int32_t level = 0; level < kSimdLevelCount; ++level) {
                if (std::strcmp(argv[i] + 7, SimdLevelName((SimdLevel)level)) != 0) continue;
                known = true;
                if (!UseSimdLevel((SimdLevel)level)) {
                    std::fprintf(stderr, "ondulite_bench: this processor cannot run %s\n", argv[i] + 7);
                    return 2;
                }
            }
            if (!known) {
                std::fprintf(stderr, "ondulite_bench: unknown instruction set %s\n", argv[i] + 7);
                return 2;
            }
        } else {
            rest.push_back(argv[i]);
        }
    }
    int restCount = (int)rest.size();
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data())) return 1;
    benchmark::AddCustomContext("fast_path_simd", SimdLevelName(ActiveSimdLevel()));
    benchmark::AddCustomContext("all_cores_threads", std::to_string(DefaultThreadCount()));

    const int32_t sizes[2][2] = {{1920, 1080}, {3840, 2160}};
    for (int32_t s = 0; s < (quick ? 1 : 2); ++s) {
        for (bool reference : {true, false}) {
            for (bool allCores : {false, true}) {
                for (int32_t variant = 0; variant < kVariantCount; ++variant) {
                    if (quick && variant != 0 && variant != 4) continue;
                    Case c = {reference, allCores, sizes[s][0], sizes[s][1], variant};
                    std::string name = std::string(reference ? "reference" : "fast") + "/" +
                                       std::to_string(c.width) + "x" + std::to_string(c.height) + "/" +
                                       (allCores ? "all_cores" : "one_thread") + "/variant:" + std::to_string(variant);
                    benchmark::RegisterBenchmark(name.c_str(), TimePicture, c)
                        ->UseManualTime()
                        ->Unit(benchmark::kMillisecond)
                        ->ComputeStatistics("min", Smallest);
                }
            }
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
