// One system from end to end, and many starts in a row: the groups that
// tools/test-win32.sh runs with the 32-bit saver in an emulated i386
// machine, once per system that Wine shows the saver and per processor.
//
// A start must never hang: a saver that covers the screen with black and
// makes no picture leaves the user a dead screen. Every start is given a
// generous time to show its first picture (an emulated Pentium II takes
// seconds for one); one that does not is reported with what its threads
// were doing. The processor time that a picture takes is printed, not
// judged: it depends on the machine.
#include <cstdio>

#include "tests/e2e/doubles.h"
#include "tests/e2e/probe.h"

namespace {

// Before scaling for a slow machine (Scaled): an emulated Pentium II with
// the time scale of tools/test-win32.sh gets minutes.
constexpr DWORD kWindowLimitMs = 8000;
constexpr DWORD kFirstPictureLimitMs = 12000;
constexpr DWORD kExitLimitMs = 5000;

// Processor time of the newest saver process so far, in the kernel's
// ticks (10 ms), all its threads; -1 when it cannot be read.
long SaverTicks(void)
{
    return SaverProcessNumber("awk '{ print $14 + $15 }' /proc/$p/stat");
}

// What the saver's threads are doing, as the kernel sees them: the state,
// processor ticks and wait channel of each.
void PrintSaverThreads(void)
{
    const std::string file = probe.workDir + "/threads.txt";
    RunUnix("p=$(for q in $(pgrep -f '[o]ndulite[.]scr'); do tr '\\0' '\\n' < /proc/$q/environ | "
            "grep -qxF WINEPREFIX=$WINEPREFIX && echo $q; done | sort -n | tail -n1); "
            "for t in /proc/$p/task/*; do echo \"thread ${t##*/}: $(awk '{ print $3, $14 + $15 }' $t/stat) "
            "$(cat $t/wchan)\"; done > " + file);
    for (const std::string& line : FileLines(WindowsPath(file))) std::printf("  %s\n", line.c_str());
}

// Shoots the screen until it is not black; true with the picture in `shot`.
bool WaitForPicture(Image* shot, DWORD limitMs)
{
    return WaitUntil([&] { return TakeScreenshot(shot, probe.workDir + "/start.ppm") && !IsBlack(*shot); }, limitMs);
}

// After the first picture: waits for two more, and prints the processor
// time that each took, all threads of the saver counted.
void PrintTimePerPicture(const Image& first, const std::string& what)
{
    long before = SaverTicks();
    DWORD start = GetTickCount();
    Image seen = first, shot;
    int newPictures = 0;
    while (newPictures < 2 && GetTickCount() - start < Scaled(2 * kFirstPictureLimitMs)) {
        if (!TakeScreenshot(&shot, probe.workDir + "/pace.ppm")) break;
        if (EqualFraction(shot, seen) < 0.99) {
            ++newPictures;
            seen = shot;
        }
    }
    long after = SaverTicks();
    if (newPictures == 2 && before >= 0 && after >= before)
        std::printf("%s: processor time per picture %.2f s (%dx%d, two pictures, every thread)\n", what.c_str(),
                    (after - before) / 200.0, probe.screenWidth, probe.screenHeight);
    else
        std::printf("%s: processor time per picture not measured (%d new pictures)\n", what.c_str(), newPictures);
}

}  // namespace

void RunSystemCases(const char* system)
{
    const std::string on = std::string(" on ") + system;
    RunModeCasesOn(system);
    // The saver itself, under its own name, for the rest.
    ReportWindowsVersion(system);
    XDo(Format("mousemove %d %d", probe.screenWidth - 1, probe.screenHeight - 1));
    CheckPictures("/s", "Screen Saver", "full screen" + on);
    RunDismissalCases();
    ReportWindowsVersion(nullptr);
}

void RunRepeatedStarts(const char* system, int count)
{
    ReportWindowsVersion(system);
    XDo(Format("mousemove %d %d", probe.screenWidth - 1, probe.screenHeight - 1));
    int pictured = 0;
    DWORD slowest = 0;
    for (int i = 1; i <= count; ++i) {
        const std::string what = Format("start %d on %s", i, system);
        SaverRun run;
        if (!StartSaver(&run, "/s")) {
            Check(false, what + ": starts");
            continue;
        }
        DWORD started = GetTickCount();
        HWND window = WaitForFullScreenWindow(&run, kWindowLimitMs);
        Image shot;
        bool picture = window && WaitForPicture(&shot, kFirstPictureLimitMs);
        DWORD took = GetTickCount() - started;
        if (picture) {
            ++pictured;
            if (took > slowest) slowest = took;
            if (i == 1) PrintTimePerPicture(shot, system);
        } else {
            Check(false, what + Format(": %s after %lu ms; the saver's threads:",
                                       window ? "still black" : "no window", took));
            PrintSaverThreads();
        }
        if (window) PostMessageA(window, WM_CLOSE, 0, 0);
        DWORD code = WaitForExit(&run, kExitLimitMs);
        if (code != 0) Check(false, what + Format(": ends with 0 on a close request (got 0x%lX)", code));
        EndRun(&run);
    }
    Check(pictured == count, Format("%d of %d starts on %s showed a picture (the slowest after %lu ms)", pictured,
                                    count, system, slowest));
    ReportWindowsVersion(nullptr);
}
