// How long a picture thread goes on after it is asked to stop: the time
// from the request to the end of the fill, when the thread looks at the
// request only between work items (32 rows) and when the fill asks it
// before every row. The saver's window stays up for that long after the
// input that dismissed it.
//
// The request comes at a random moment of a picture on one thread, with
// the plain one-lane evaluation that x87 processors get (and, with
// --simd=NAME, another instruction set). Each iteration's time is one
// stop's latency; the counters give the mean, the statistics the largest.
//
//   ondulite_stop_bench
//   ondulite_stop_bench --simd=sse2
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "picture/fast_path.h"
#include "picture/picture.h"
#include "picture/random.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Case {
    int32_t width, height;
    int32_t variant;
    bool betweenRows;  // the fill asks the stop before each row, else only the items' loop does
};

bool StopRequested(const void* context)
{
    return static_cast<const std::atomic<bool>*>(context)->load(std::memory_order_relaxed);
}

// Fills items until the request is seen; returns when it ended.
Clock::time_point FillUntilStopped(const Case& c, const PicturePlan* plan, uint32_t* pixels, void* scratch,
                                   const std::atomic<bool>* requested)
{
    const PictureStop stop = {StopRequested, requested};
    const int32_t count = PictureWorkItemCount(plan);
    for (int32_t item = 0; !StopRequested(requested); item = (item + 1) % count) {
        if (!FillPictureWorkItem(plan, pixels, item, scratch, c.betweenRows ? &stop : nullptr)) break;
    }
    return Clock::now();
}

void TimeStop(benchmark::State& state, Case c)
{
    std::vector<uint32_t> pixels((size_t)c.width * c.height);
    std::vector<unsigned char> scratch(PictureScratchSize(c.width));
    std::unique_ptr<PicturePlan> plan(new PicturePlan);
    SeedRandom(1765432100u);
    PlanPicture(plan.get(), c.width, c.height, c.variant);

    // The time of one item, so that requests fall anywhere within one.
    auto itemStart = Clock::now();
    FillPictureWorkItem(plan.get(), pixels.data(), 0, scratch.data());
    const double itemSeconds = std::chrono::duration<double>(Clock::now() - itemStart).count();
    std::mt19937 draw(2026);
    std::uniform_real_distribution<double> delay(itemSeconds, 3.0 * itemSeconds);

    double totalSeconds = 0.0, largest = 0.0;
    for (auto _ : state) {
        std::atomic<bool> requested(false);
        Clock::time_point ended;
        std::thread filler([&] { ended = FillUntilStopped(c, plan.get(), pixels.data(), scratch.data(), &requested); });
        std::this_thread::sleep_for(std::chrono::duration<double>(delay(draw)));
        const Clock::time_point asked = Clock::now();
        requested.store(true, std::memory_order_relaxed);
        filler.join();
        const double seconds = std::chrono::duration<double>(ended - asked).count();
        state.SetIterationTime(seconds > 0.0 ? seconds : 0.0);
        totalSeconds += seconds;
        largest = seconds > largest ? seconds : largest;
    }
    state.counters["item_ms"] = itemSeconds * 1e3;
    state.counters["mean_ms"] = benchmark::Counter(totalSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["largest_ms"] = largest * 1e3;
}

}  // namespace

int main(int argc, char** argv)
{
    SimdLevel level = kSimdPortable;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--simd=", 7) != 0) {
            rest.push_back(argv[i]);
            continue;
        }
        bool known = false;
        for (int32_t l = 0; l < kSimdLevelCount; ++l)
            if (std::strcmp(argv[i] + 7, SimdLevelName((SimdLevel)l)) == 0) level = (SimdLevel)l, known = true;
        if (!known) {
            std::fprintf(stderr, "ondulite_stop_bench: unknown instruction set %s\n", argv[i] + 7);
            return 2;
        }
    }
    if (!UseSimdLevel(level)) {
        std::fprintf(stderr, "ondulite_stop_bench: this processor cannot run %s\n", SimdLevelName(level));
        return 2;
    }
    int restCount = (int)rest.size();
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data())) return 1;
    benchmark::AddCustomContext("fast_path_simd", SimdLevelName(ActiveSimdLevel()));

    const int32_t sizes[2][2] = {{1920, 1080}, {3840, 2160}};
    for (const auto& size : sizes) {
        for (int32_t variant : {0, 4}) {
            for (bool betweenRows : {false, true}) {
                Case c = {size[0], size[1], variant, betweenRows};
                std::string name = std::string("stop/") + std::to_string(c.width) + "x" + std::to_string(c.height) +
                                   "/variant:" + std::to_string(variant) +
                                   (betweenRows ? "/between_rows" : "/between_items");
                benchmark::RegisterBenchmark(name.c_str(), TimeStop, c)
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond)
                    ->Iterations(40);
            }
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
