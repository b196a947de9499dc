// The picture on the screen is the generator's: screenshots of the saver
// equal, nearly pixel for pixel, what ondulite-render makes for the seed
// the worker took (the calendar second at its start), at the screen's size.
// This covers orientation, colour order and clipping end to end.
#include <algorithm>
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
    while (steadyPictures < 2 && GetTickCount() - start < Scaled(kShootingLimitMs)) {
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

    // On a slow machine (limits scaled) a screenshot can take longer than
    // a picture stays: there the first shot may already show picture 2 or 3.
    const int firstShown = Scaled(1) > 1 ? kPicturesRendered : 1;
    bool found = false;
    double bestFirst = 0.0, bestSecond = 0.0;
    for (int64_t start = (int64_t)before - 1; start <= (int64_t)after + 1 && !found; ++start) {
        const uint32_t seed = (uint32_t)(uint64_t)(start + clockAhead);
        std::vector<Image> pictures;
        if (!RenderPictures(seed, probe.screenWidth, probe.screenHeight, firstShown, &pictures)) {
            Check(false, what + Format(": render seed %u", seed));
            return;
        }
        int first = -1;
        int k = 0;
        for (; k < firstShown && first < 0; ++k) first = FirstShowing(shots, 0, pictures[(size_t)k], &bestFirst);
        if (first < 0) continue;
        const int shown = k;  // the number of the first picture shown, from 1
        found = true;
        // Every picture that the shots from the first on can show. Slow
        // shots see more than the first few: as many as the shooting lasted
        // seconds, since a second at least lies between two pictures.
        const DWORD span = shots.back().tick - shots[(size_t)first].tick;
        const int count = std::max(kPicturesRendered, shown + 2 + (int)(span / 1000));
        if (!Check(RenderPictures(seed, probe.screenWidth, probe.screenHeight, count, &pictures),
                   what + Format(": render %d pictures of seed %u", count, seed)))
            return;
        Check(true, what + Format(": a screenshot shows picture %d of seed %u (%.4f%% equal)", shown, seed,
                                  100.0 * EqualFraction(shots[(size_t)first].image, pictures[(size_t)shown - 1])));
        int second = FirstShowing(shots, (size_t)first + 1, pictures[(size_t)shown], &bestSecond);
        // The screenshots' start times say little of when a picture came
        // (a shot of a large screen on a busy machine takes longer than the
        // pause): the gap is for the reader; the pause is judged by the
        // pace case, which samples the screen every millisecond.
        if (Check(second > 0, what + Format(": a later screenshot shows picture %d (best %.4f%%)", shown + 1,
                                            100.0 * bestSecond)))
            std::printf("%s: the first shots of pictures %d and %d began %lu ms apart\n", what.c_str(), shown,
                        shown + 1, (unsigned long)(shots[(size_t)second].tick - shots[(size_t)first].tick));
        // Painting shows whole pictures only: every screenshot from the
        // first picture on is one of them.
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

namespace {

// The non-black pictures that the checker recorded in `folder`, in order.
std::vector<Image> RecordedPaints(const std::string& folder)
{
    std::vector<Image> paints;
    for (int n = 1;; ++n) {
        Image paint;
        if (!ReadPpm(folder + Format("/paint-%d.ppm", n), &paint)) break;
        if (!IsBlack(paint)) paints.push_back(paint);
    }
    return paints;
}

}  // namespace

// A preview in a window of the probe's own, of an odd size. What a process
// draws into another process's window does not reach the X screen under
// Wine, so the checker records what each paint shows in the preview's
// client area: pictures 1 and 2 of the seed, at the client area's size.
void CheckPreviewPaints(const std::string& what)
{
    const std::string folder = probe.workDir + "/paints";
    RunUnix("rm -rf " + folder + " && mkdir -p " + folder);
    HWND parent = MakeProbeWindow(241, 161, 60, 60);
    RECT client;
    GetClientRect(parent, &client);
    SetEnvironmentVariableA("ONDULITE_CHECKER_PAINTS", WindowsPath(folder).c_str());
    std::time_t before = std::time(nullptr);
    SaverRun run;
    bool started = StartSaver(&run, Format("/p %lu", (unsigned long)(uintptr_t)parent));
    SetEnvironmentVariableA("ONDULITE_CHECKER_PAINTS", nullptr);
    if (!Check(started, what + ": starts")) {
        DestroyWindow(parent);
        return;
    }
    HWND child = WaitForProcessWindow(run.id, "WindowsScreenSaverClass", "Preview", 8000, parent);
    std::time_t after = std::time(nullptr);
    Check(child != nullptr, what + ": the preview inside the probe's window");
    if (child) WaitUntil([&] { return RecordedPaints(folder).size() >= 2; }, kShootingLimitMs * 6);
    DestroyWindow(parent);
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, what + Format(": ends with 0 when the parent goes (got 0x%lX)", code));
    EndRun(&run);

    std::vector<Image> paints = RecordedPaints(folder);
    if (!Check(paints.size() >= 2, what + Format(": %zu pictures painted", paints.size()))) return;
    Check(paints[0].width == client.right && paints[0].height == client.bottom,
          what + Format(": each painted picture fills the client area, %dx%d (%ldx%ld)", paints[0].width,
                        paints[0].height, client.right, client.bottom));
    for (std::time_t start = before - 1; start <= after + 1; ++start) {
        std::vector<Image> pictures;
        if (!RenderPictures((uint32_t)start, (int)client.right, (int)client.bottom, 2, &pictures)) break;
        if (EqualFraction(paints[0], pictures[0]) < kSameFraction) continue;
        Check(true, what + Format(": picture 1 of seed %u (%.4f%% equal)", (uint32_t)start,
                                  100.0 * EqualFraction(paints[0], pictures[0])));
        Check(EqualFraction(paints[1], pictures[1]) >= kSameFraction,
              what + Format(": then picture 2 (%.4f%% equal)", 100.0 * EqualFraction(paints[1], pictures[1])));
        return;
    }
    Check(false, what + ": the first painted picture is no seed's first picture");
}

void RunPreviewCases(void)
{
    // What a process draws into another process's window does not reach the
    // X screen under Wine; the desktop window as parent shows the preview.
    CheckPictures(Format("/p %lu", (unsigned long)(uintptr_t)GetDesktopWindow()), "Preview", "preview");
    CheckPreviewPaints("preview in a window of the probe");
}

void RunPictureCases(void)
{
    PlacePointer(probe.screenWidth - 1, probe.screenHeight - 1);
    CheckPictures("/s", "Screen Saver", "full screen");
    RunPreviewCases();
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
