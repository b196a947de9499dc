// The picture on the screen is the generator's: screenshots of the saver
// equal, nearly pixel for pixel, what ondulite-render makes for the seed
// the worker took (the calendar second at its start), at the screen's size.
// This covers orientation, colour order and clipping end to end.
#include <ctime>
#include <memory>

#include "tests/e2e/doubles.h"
#include "tests/e2e/probe.h"

namespace {

constexpr double kSameFraction = 0.9999;
constexpr int kPicturesRendered = 3;
constexpr DWORD kShootingLimitMs = 10000;

struct Shot {
    Image image;
    DWORD tick;  // when the capture started
};

// Shoots the screen until it has shown two different pictures, each in two
// shots in a row, or the time limit runs out.
std::vector<Shot> ShootTwoPictures(const std::string& name)
{
    std::vector<Shot> shots;
    int steadyPictures = 0;
    bool steady = false;
    DWORD start = GetTickCount();
    while (steadyPictures < 2 && GetTickCount() - start < kShootingLimitMs) {
        Shot shot;
        shot.tick = GetTickCount();
        if (!TakeScreenshot(&shot.image, probe.workDir + "/" + name + ".ppm")) break;
        bool same = !shots.empty() && EqualFraction(shots.back().image, shot.image) >= kSameFraction;
        if (!same) steady = false;
        if (same && !steady && !IsBlack(shot.image)) {
            steady = true;
            ++steadyPictures;
        }
        shots.push_back(std::move(shot));
    }
    return shots;
}

// Index of the first shot from `from` on that shows `picture`, or -1.
int FirstShowing(const std::vector<Shot>& shots, size_t from, const Image& picture, double* best)
{
    for (size_t i = from; i < shots.size(); ++i) {
        double same = EqualFraction(shots[i].image, picture);
        if (same > *best) *best = same;
        if (same >= kSameFraction) return (int)i;
    }
    return -1;
}

}  // namespace

// Starts the saver with `arguments`, shoots the screen for a few seconds,
// ends the saver, then looks for the seed whose first two pictures the
// shots show in turn: the calendar second, `clockAhead` seconds ahead of
// the probe's, taken modulo 2^32.
void CheckPictures(const std::string& arguments, const char* title, const std::string& what, int64_t clockAhead)
{
    std::time_t before = std::time(nullptr);
    SaverRun run;
    if (!StartSaver(&run, arguments)) {
        Check(false, what + ": starts");
        return;
    }
    HWND window = WaitForProcessWindow(run.id, "WindowsScreenSaverClass", title, 8000);
    std::time_t after = std::time(nullptr);
    if (!Check(window != nullptr, what + ": window")) {
        EndRun(&run);
        return;
    }
    std::vector<Shot> shots = ShootTwoPictures(std::string("shot-") + (title[0] == 'S' ? "full" : "preview"));
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, what + Format(": ends with 0 after the pictures (got 0x%lX)", code));
    EndRun(&run);
    std::printf("%s: %zu screenshots, seed between %lld and %lld\n", what.c_str(), shots.size(),
                (long long)before - 1, (long long)after + 1);

    bool found = false;
    double bestFirst = 0.0, bestSecond = 0.0;
    for (int64_t start = (int64_t)before - 1; start <= (int64_t)after + 1 && !found; ++start) {
        const uint32_t seed = (uint32_t)(uint64_t)(start + clockAhead);
        std::vector<Image> pictures;
        if (!RenderPictures(seed, probe.screenWidth, probe.screenHeight, kPicturesRendered, &pictures)) {
            Check(false, what + Format(": render seed %u", seed));
            return;
        }
        int first = FirstShowing(shots, 0, pictures[0], &bestFirst);
        if (first < 0) continue;
        found = true;
        Check(true, what + Format(": a screenshot shows picture 1 of seed %u (%.4f%% equal)", seed,
                                  100.0 * EqualFraction(shots[(size_t)first].image, pictures[0])));
        int second = FirstShowing(shots, (size_t)first + 1, pictures[1], &bestSecond);
        // The screenshots' start times say little of when a picture came
        // (a shot of a large screen on a busy machine takes longer than the
        // pause): the gap is for the reader; the pause is judged by the
        // pace case, which samples the screen every millisecond.
        if (Check(second > 0, what + Format(": a later screenshot shows picture 2 (best %.4f%%)", 100.0 * bestSecond)))
            std::printf("%s: the first shots of pictures 1 and 2 began %lu ms apart\n", what.c_str(),
                        (unsigned long)(shots[(size_t)second].tick - shots[(size_t)first].tick));
        // Painting shows whole pictures only: every screenshot from the
        // first picture on is one of them. Slow shots see more pictures
        // than the first few: as many as the shooting lasted seconds, since
        // a second at least lies between two.
        const DWORD span = shots.back().tick - shots[(size_t)first].tick;
        const int shown = 3 + (int)(span / 1000);
        if (shown > kPicturesRendered &&
            !Check(RenderPictures(seed, probe.screenWidth, probe.screenHeight, shown, &pictures),
                   what + Format(": render %d pictures of seed %u", shown, seed)))
            return;
        size_t whole = 0;
        for (size_t i = (size_t)first; i < shots.size(); ++i) {
            bool any = false;
            for (const Image& picture : pictures) any = any || EqualFraction(shots[i].image, picture) >= kSameFraction;
            whole += any;
        }
        Check(whole == shots.size() - (size_t)first,
              what + Format(": %zu of %zu screenshots show a whole picture", whole, shots.size() - (size_t)first));
    }
    if (!found) Check(false, what + Format(": no screenshot shows a first picture (best %.4f%%)", 100.0 * bestFirst));
}

void RunPictureCases(void)
{
    PlacePointer(probe.screenWidth - 1, probe.screenHeight - 1);
    CheckPictures("/s", "Screen Saver", "full screen");
    // What a process draws into another process's window does not reach the
    // X screen under Wine; the desktop window as parent shows the preview.
    CheckPictures(Format("/p %lu", (unsigned long)(uintptr_t)GetDesktopWindow()), "Preview", "preview");
    // NT 4 saves no SSE register and knows no PM_QS_SENDMESSAGE: the same
    // pictures without the vector units, and the close still ends the
    // worker, which waits for its paint (sent messages served without that flag).
    ReportWindowsVersion("nt40");
    CheckPictures("/s", "Screen Saver", "full screen on NT 4");
    ReportWindowsVersion(nullptr);
    // The calendar second past 2106-02-07 06:28:15 UTC, the last that 32
    // bits hold (a signed count ended in 2038 already): the seed is the
    // second modulo 2^32, so the pictures go on changing from start to start.
    const int64_t kPast2106 = 4294967296ll + 86400ll * 1000;
    SetEnvironmentVariableA("ONDULITE_CHECKER_CLOCK", Format("%lld", (long long)kPast2106).c_str());
    CheckPictures("/s", "Screen Saver", "full screen with the clock past 2106", kPast2106);
    SetEnvironmentVariableA("ONDULITE_CHECKER_CLOCK", nullptr);
}
