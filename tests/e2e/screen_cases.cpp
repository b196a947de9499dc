// The full-screen saver on screens other than the suite's own: two
// monitors side by side, a 1920x1080 screen and a scaled (high-DPI) screen
// (with the about box at its scales, from about_cases.cpp).
// Each group runs on a display made for it (see on-display.sh).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "tests/e2e/doubles.h"
#include "tests/e2e/probe.h"

namespace {

constexpr double kSameFraction = 0.9999;

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC dc, LPRECT area, LPARAM list)
{
    (void)monitor;
    (void)dc;
    ((std::vector<RECT>*)list)->push_back(*area);
    return TRUE;
}

// The monitors in the saver's order: by top edge, then by left edge.
std::vector<RECT> MonitorsInOrder(void)
{
    std::vector<RECT> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, (LPARAM)&monitors);
    std::sort(monitors.begin(), monitors.end(), [](const RECT& a, const RECT& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    return monitors;
}

RECT VirtualScreen(void)
{
    RECT area;
    area.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    area.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    area.right = area.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    area.bottom = area.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    return area;
}

std::string Describe(const RECT& r)
{
    return Format("(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
}

// A monitor's part of a screenshot of the virtual screen.
Image MonitorPart(const Image& shot, const RECT& monitor, const RECT& screen)
{
    return CropImage(shot, monitor.left - screen.left, monitor.top - screen.top, monitor.right - monitor.left,
                     monitor.bottom - monitor.top);
}

// Whether every monitor of `shot` shows the pictures of cycle `cycle`
// (0-based) of `pictures` (per monitor, the seed's pictures 1, 2, ... at
// that monitor's size); the least equal fraction goes to `worst`.
bool ShowsCycle(const Image& shot, const std::vector<RECT>& monitors, const RECT& screen,
                const std::vector<std::vector<Image>>& pictures, size_t cycle, double* worst)
{
    *worst = 1.0;
    for (size_t m = 0; m < monitors.size(); ++m) {
        size_t number = cycle * monitors.size() + m;
        if (number >= pictures[m].size()) return false;
        *worst = std::min(*worst, EqualFraction(MonitorPart(shot, monitors[m], screen), pictures[m][number]));
    }
    return *worst >= kSameFraction;
}

}  // namespace

// Two monitors: the window covers both and each monitor shows a whole
// picture of its own size, monitor m of cycle k being the seed's picture
// (k - 1) * 2 + m.
void RunMonitorCases(void)
{
    std::vector<RECT> monitors = MonitorsInOrder();
    const RECT screen = VirtualScreen();
    std::string listed;
    for (const RECT& monitor : monitors) listed += " " + Describe(monitor);
    if (!Check(monitors.size() == 2, Format("two monitors listed:%s, virtual screen ", listed.c_str()) +
                                         Describe(screen)))
        return;
    PlacePointer(screen.right - 1, screen.bottom - 1);

    std::time_t before = std::time(nullptr);
    SaverRun run;
    if (!Check(StartSaver(&run, "/s"), "two monitors: starts")) return;
    HWND window = WaitForFullScreenWindow(&run);
    std::time_t after = std::time(nullptr);
    if (!Check(window != nullptr, "two monitors: full-screen window")) {
        EndRun(&run);
        return;
    }
    RECT covered;
    GetWindowRect(window, &covered);
    Check(EqualRect(&covered, &screen), "two monitors: the window covers the virtual screen " + Describe(covered));

    // Shots over three cycles.
    std::vector<Image> shots;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 3500) {
        Image shot;
        if (!TakeScreenshot(&shot, probe.workDir + "/monitors.ppm")) break;
        shots.push_back(std::move(shot));
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, Format("two monitors: ends with 0 (got 0x%lX)", code));
    EndRun(&run);

    const int kCycles = 3;
    bool found = false;
    double best = 0.0;
    for (std::time_t seed = before - 1; seed <= after + 1 && !found; ++seed) {
        std::vector<std::vector<Image>> pictures(monitors.size());
        for (size_t m = 0; m < monitors.size(); ++m) {
            if (!RenderPictures((uint32_t)seed, monitors[m].right - monitors[m].left,
                                monitors[m].bottom - monitors[m].top, kCycles * (int)monitors.size(), &pictures[m])) {
                Check(false, Format("two monitors: render seed %lld", (long long)seed));
                return;
            }
        }
        size_t first = shots.size();
        double worst = 0.0;
        for (size_t i = 0; i < shots.size() && first == shots.size(); ++i) {
            if (ShowsCycle(shots[i], monitors, screen, pictures, 0, &worst)) first = i;
            best = std::max(best, worst);
        }
        if (first == shots.size()) continue;
        found = true;
        Check(true, Format("two monitors: monitor 1 shows picture 1 at %ldx%ld and monitor 2 picture 2 at %ldx%ld "
                           "of seed %lld",
                           monitors[0].right - monitors[0].left, monitors[0].bottom - monitors[0].top,
                           monitors[1].right - monitors[1].left, monitors[1].bottom - monitors[1].top,
                           (long long)seed));
        bool second = false;
        for (size_t i = first + 1; i < shots.size() && !second; ++i) {
            second = ShowsCycle(shots[i], monitors, screen, pictures, 1, &worst);
            best = std::max(best, worst);
        }
        Check(second, "two monitors: a later screenshot shows pictures 3 and 4, the second cycle");
        // The nested server draws a large picture in parts, so a shot may
        // catch one half drawn; but a monitor never shows a whole picture
        // of another cycle than the other monitor's: a cycle is shown at once.
        size_t whole = 0, mixed = 0;
        for (size_t i = first; i < shots.size(); ++i) {
            int shownCycle[2] = {-1, -1};
            for (size_t m = 0; m < 2; ++m)
                for (int cycle = 0; cycle < kCycles; ++cycle)
                    if (EqualFraction(MonitorPart(shots[i], monitors[m], screen),
                                      pictures[m][(size_t)cycle * 2 + m]) >= kSameFraction)
                        shownCycle[m] = cycle;
            whole += shownCycle[0] >= 0 && shownCycle[0] == shownCycle[1];
            mixed += shownCycle[0] >= 0 && shownCycle[1] >= 0 && shownCycle[0] != shownCycle[1];
        }
        size_t count = shots.size() - first;
        Check(whole * 4 >= count * 3, Format("two monitors: %zu of %zu screenshots show a whole cycle", whole, count));
        Check(mixed == 0, Format("two monitors: no screenshot shows pictures of two cycles (%zu do)", mixed));
    }
    if (!found)
        Check(false, Format("two monitors: no screenshot shows the first cycle (best %.4f%%)", 100.0 * best));
}

namespace {

// Samples a few lines across the screen as fast as it can and notes each
// time they change: each change is a new picture on the screen. Reads the
// screen through the X server, as a screenshot would, at a fraction of the
// cost.
// Milliseconds that making one 1920x1080 picture on every processor takes
// on this machine, writing the file included (the native render tool, 4
// pictures, the mean); -1 when it cannot be measured. The pace allows for
// it, so that a slower machine is not taken for a saver that waits.
long NativePictureMs(void)
{
    return UnixNumber("s=$(date +%s%N) && " + probe.renderTool + " --seed 1 --size 1920x1080 --count 4 -o " +
                      probe.workDir + "/making.ppm 2>/dev/null && e=$(date +%s%N) && rm -f " + probe.workDir +
                      "/making-*.ppm && echo $(( (e - s) / 4000000 ))");
}

std::vector<double> PictureChangeTimes(DWORD durationMs)
{
    std::vector<double> changes;
    const int width = probe.screenWidth;
    const int lines[3] = {probe.screenHeight / 5, probe.screenHeight / 2, probe.screenHeight * 4 / 5};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -3;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP strip = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, strip);
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    std::vector<uint32_t> previous;
    for (;;) {
        QueryPerformanceCounter(&now);
        double ms = (double)(now.QuadPart - start.QuadPart) * 1000.0 / (double)frequency.QuadPart;
        if (ms >= durationMs) break;
        for (int i = 0; i < 3; ++i) BitBlt(memory, 0, i, width, 1, screen, 0, lines[i], SRCCOPY);
        GdiFlush();
        const uint32_t* pixels = (const uint32_t*)bits;
        std::vector<uint32_t> sample(pixels, pixels + (size_t)width * 3);
        if (!previous.empty() && sample != previous) changes.push_back(ms);
        previous.swap(sample);
        Sleep(1);
    }
    SelectObject(memory, old);
    DeleteObject(strip);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return changes;
}

// Threads of the newest saver process, as the kernel counts them (Wine's
// own included); -1 when it cannot be read.
int SaverThreads(void)
{
    return (int)SaverProcessNumber("ls /proc/$p/task | wc -l");
}

}  // namespace

// On a 1920x1080 screen a new picture follows the last one after the
// one-second pause and the making of one picture on every processor. What
// is checked is what no machine changes: pictures keep coming (it did not
// hang), none comes before its pause is over, and the threads that make
// them start once, with the window. How closely the pace follows the
// pause and the making is printed for the reader: a busy machine stretches
// it, so it judges nothing (docs/performance.md has the measured figures).
void RunPaceCases(void)
{
    if (!Check(probe.screenWidth == 1920 && probe.screenHeight == 1080,
               Format("the screen is 1920x1080 (%dx%d)", probe.screenWidth, probe.screenHeight)))
        return;
    PlacePointer(1919, 1079);
    SaverRun run;
    if (!Check(StartSaver(&run, "/s"), "1920x1080: starts")) return;
    HWND window = WaitForFullScreenWindow(&run);
    Pump(500);
    int threadsBefore = SaverThreads();
    std::vector<double> changes = PictureChangeTimes(7500);
    int threadsAfter = SaverThreads();
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, Format("1920x1080: ends with 0 (got 0x%lX)", code));
    EndRun(&run);
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    // The main thread, the worker and a helper for every other processor.
    const int least = 1 + (int)std::min<DWORD>(system.dwNumberOfProcessors, 32);
    Check(threadsBefore >= least,
          Format("1920x1080: the saver runs at least %d threads on %lu processors (%d)", least,
                 system.dwNumberOfProcessors, threadsBefore));
    Check(threadsAfter == threadsBefore,
          Format("1920x1080: as many threads after the pictures as before them (%d, then %d)", threadsBefore,
                 threadsAfter));

    // The first change is the first picture; the gaps after it are
    // picture to picture. A paint reaches the lines sampled a few
    // milliseconds apart: changes that close belong to one picture.
    std::vector<double> gaps;
    std::string listed;
    double last = changes.empty() ? 0.0 : changes[0];
    for (size_t i = 1; i < changes.size(); ++i) {
        if (changes[i] - changes[i - 1] < 200.0) continue;
        gaps.push_back(changes[i] - last);
        last = changes[i];
        listed += Format(" %.0f", gaps.back());
    }
    std::printf("1920x1080: picture to picture (ms):%s\n", listed.c_str());
    if (!Check(gaps.size() >= 2, Format("1920x1080: pictures keep coming (%zu followed the first in 7.5 s)",
                                        gaps.size())))
        return;
    std::vector<double> sorted = gaps;
    std::sort(sorted.begin(), sorted.end());
    double median = sorted[sorted.size() / 2];
    Check(sorted.front() >= 995.0, Format("1920x1080: no picture before the pause is over (shortest %.0f ms)",
                                          sorted.front()));
    const long making = NativePictureMs();
    if (making >= 0)
        std::printf("1920x1080: median %.0f ms from picture to picture; the pause and one picture's making here: "
                    "%ld ms\n", median, 1000 + making);

    CheckPictures("/s", "Screen Saver", "1920x1080 full screen");
}

namespace {

// The system's scale as Wine takes it, for the programs started after; 0
// removes the setting (96 DPI, 100%).
void SetLogPixels(DWORD dpi)
{
    SetRegistryValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, dpi ? &dpi : nullptr,
                     sizeof dpi);
}

void CheckFullScreenCovers(const std::string& what)
{
    SaverRun run;
    if (!Check(StartSaver(&run, "/s"), what + ": starts")) return;
    HWND window = WaitForFullScreenWindow(&run);
    if (Check(window != nullptr, what + ": full-screen window")) {
        RECT rect, client;
        GetWindowRect(window, &rect);
        GetClientRect(window, &client);
        Check(rect.left == 0 && rect.top == 0 && rect.right == probe.screenWidth && rect.bottom == probe.screenHeight &&
                  client.right == probe.screenWidth && client.bottom == probe.screenHeight,
              what + Format(": the window covers every pixel of the %dx%d screen: (%ld,%ld)-(%ld,%ld)",
                            probe.screenWidth, probe.screenHeight, rect.left, rect.top, rect.right, rect.bottom));
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    WaitForExit(&run, 5000);
    EndRun(&run);
}

}  // namespace

// At 150% and 200% the saver covers the screen's physical pixels with
// pictures of that size and the preview takes its parent's size in physical
// pixels; at 125%, 150% and 200% the about box holds its whole picture made
// at the scaled size, with any dialog font. Wine 8 treats every program as
// aware of the scale, manifest or not, so the manifest itself is checked by
// the resources group.
void RunDpiCases(void)
{
    for (DWORD dpi : {120ul, 144ul, 192ul}) {
        SetLogPixels(dpi);
        const std::string what = Format("%lu DPI", dpi);
        if (dpi != 120) {
            CheckFullScreenCovers(what);
            CheckPictures("/s", "Screen Saver", what + " full screen");
            CheckPictures(Format("/p %lu", (unsigned long)(uintptr_t)GetDesktopWindow()), "Preview",
                          what + " preview");
        }
        RunAboutBoxAtDpi(dpi);
    }
    SetLogPixels(0);
}
