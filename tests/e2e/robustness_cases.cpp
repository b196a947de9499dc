// Many short lives in a row, a window too large for memory, and a long run.
#include <cstdio>

#include "tests/e2e/probe.h"

namespace {

const char kSaverClass[] = "WindowsScreenSaverClass";

void PreviewStorm(void)
{
    const int kPreviews = 50;
    int clean = 0;
    for (int i = 0; i < kPreviews; ++i) {
        // Large enough that the first picture takes a while, so that some
        // parents go during it and some after it.
        HWND parent = MakeProbeWindow(480, 360, 40 + (i % 5) * 20, 40);
        SaverRun run;
        if (!StartSaver(&run, Format("/p %lu", (unsigned long)(uintptr_t)parent))) break;
        HWND child = WaitForProcessWindow(run.id, kSaverClass, "Preview", 5000, parent);
        Pump((DWORD)(i * 37) % 300);
        DestroyWindow(parent);
        DWORD code = WaitForExit(&run, 5000);
        bool boxShown = FindProcessWindow(run.id, "#32770", nullptr) != nullptr;
        if (child && code == 0 && !boxShown)
            ++clean;
        else
            std::printf("preview %d: child %p, exit 0x%lX, message box %d\n", i, (void*)child, code, boxShown);
        EndRun(&run);
    }
    Check(clean == kPreviews, Format("%d of %d previews opened and destroyed quickly ended cleanly with 0", clean,
                                     kPreviews));
}

void FullScreenStarts(void)
{
    const int kStarts = 20;
    const char* inputs[] = {"key space", "click 1", "click 2", "click 3", "mousemove_relative 10 0"};
    // Away from the screen's edges, so that the relative moves move.
    PlacePointer(300, 200);
    int clean = 0;
    for (int i = 0; i < kStarts; ++i) {
        SaverRun run;
        if (!StartSaver(&run, "/s")) break;
        HWND window = WaitForFullScreenWindow(&run);
        const char* input = inputs[i % 5];
        // X input reaches the window once X shows it; a key goes to the
        // foreground window: wait for the saver to be it.
        if (window) WaitUntilUnderPointer(window);
        if (i % 5 == 0) WaitUntil([&] { return GetForegroundWindow() == window; }, 3000);
        Pump((DWORD)(i * 53) % 250);
        XDo(input);
        DWORD code = WaitForExit(&run, 5000);
        bool boxShown = FindProcessWindow(run.id, "#32770", nullptr) != nullptr;
        bool gone = CountTopLevelWindows(kSaverClass, nullptr) == 0;
        if (window && code == 0 && !boxShown && gone)
            ++clean;
        else
            std::printf("start %d (%s): window %p, exit 0x%lX, message box %d, windows left %d\n", i, input,
                        (void*)window, code, boxShown, !gone);
        EndRun(&run);
    }
    Check(clean == kStarts, Format("%d of %d full-screen starts ended by input ended cleanly with 0", clean, kStarts));
}

// Milliseconds from `end` (which ends the window) to the process's exit,
// or kStillRunning.
DWORD TimeToExit(SaverRun* run, const std::function<void()>& end)
{
    DWORD start = GetTickCount();
    end();
    if (WaitForExit(run, 10000) != 0) return kStillRunning;
    return GetTickCount() - start;
}

// The window's end stops the worker where it stands: it waits neither for
// the picture in progress nor for the pause after a picture.
void PromptStop(void)
{
    // On every processor a picture this large still takes a tenth of a
    // second or more; the first one starts as the window is made.
    HWND parent = MakeProbeWindow(100, 100, 0, 0, false);
    SetWindowLongA(parent, GWL_STYLE, (LONG)WS_POPUP);
    SetWindowPos(parent, nullptr, 0, 0, 4000, 3000, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ShowWindow(parent, SW_SHOWNOACTIVATE);
    SaverRun run;
    if (StartSaver(&run, Format("/p %lu", (unsigned long)(uintptr_t)parent)) &&
        WaitForProcessWindow(run.id, kSaverClass, "Preview", 5000, parent)) {
        DWORD ms = TimeToExit(&run, [&] { DestroyWindow(parent); });
        Check(ms < 800, Format("destroyed during its first picture, the preview ends at once (%lu ms)", ms));
    } else {
        Check(false, "large preview starts");
        DestroyWindow(parent);
    }
    EndRun(&run);

    // During the pause: the first picture is on the screen (a preview in
    // the desktop window, so that it reaches the screen), the next one is a
    // second away.
    if (!StartSaver(&run, Format("/p %lu", (unsigned long)(uintptr_t)GetDesktopWindow()))) return;
    HWND preview = WaitForProcessWindow(run.id, kSaverClass, "Preview", 5000);
    Image shot;
    bool shown = preview && WaitUntil(
                                [&] {
                                    return TakeScreenshot(&shot, probe.workDir + "/pause.ppm") && !IsBlack(shot);
                                },
                                8000);
    if (Check(shown, "the first picture is shown")) {
        DWORD ms = TimeToExit(&run, [&] { PostMessageA(preview, WM_CLOSE, 0, 0); });
        Check(ms < 600, Format("closed during the pause, the preview ends at once (%lu ms)", ms));
    }
    EndRun(&run);
}

}  // namespace

void RunRobustnessCases(void)
{
    PromptStop();
    PreviewStorm();
    FullScreenStarts();
}

// The saver runs under an address-space limit (Wine itself needs about a
// gigabyte of it) inside a parent too large for two pictures of its size.
void RunMemoryFailureCases(void)
{
    // A pop-up, since the size of a framed window is kept to the screen's.
    HWND parent = MakeProbeWindow(100, 100, 0, 0, false);
    SetWindowLongA(parent, GWL_STYLE, (LONG)WS_POPUP);
    SetWindowPos(parent, nullptr, 0, 0, 24000, 24000, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    RECT client;
    GetClientRect(parent, &client);
    std::printf("parent client area %ldx%ld\n", client.right, client.bottom);
    std::string marker = StartUnix(Format("ulimit -v 3500000; wine %s /p %lu", probe.saverUnix.c_str(),
                                          (unsigned long)(uintptr_t)parent));
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindMemoryMessage()) != nullptr; }, 10000);
    if (Check(box != nullptr, "a window too large for memory: \"Not enought memory.\" captioned \"ondulite\"")) {
        DWORD boxProcess = 0;
        GetWindowThreadProcessId(box, &boxProcess);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        int status = -1, boxes = 1;
        bool ended = WaitUntil(
            [&] {
                HWND other = FindMemoryMessage();
                if (other && other != box) ++boxes;
                return UnixFinished(marker, &status);
            },
            10000);
        // The shell sees the low 8 bits of the exit code: 255 for -1.
        Check(ended && status == 255, Format("the refused window ends the saver with -1 (shell saw %d)", status));
        Check(boxes == 1, "the message is shown once");
        Check(FindProcessWindow(boxProcess, kSaverClass, nullptr, parent) == nullptr, "no saver window remains");
    }
    // Should the limit not bite, the saver is ended here rather than left to
    // paint a picture of half a billion pixels.
    HWND child = FindProcessWindow(0, kSaverClass, nullptr, parent);
    if (child) {
        DWORD id = 0;
        GetWindowThreadProcessId(child, &id);
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id);
        if (process) {
            TerminateProcess(process, 99);
            CloseHandle(process);
        }
    }
    DestroyWindow(parent);
}

namespace {

struct Usage {
    long dataKiB = -1;      // VmData: the process's private writable memory
    long residentKiB = -1;  // VmRSS
};

// Wine reports no memory counters of other processes, so they are read
// from /proc of the Wine process that runs the saver.
Usage MeasureUsage(void)
{
    Usage usage;
    std::string file = probe.workDir + "/usage.txt";
    // The newest live process of the saver's name; zombies have no VmData.
    if (!RunUnix("for p in $(pgrep -f '[o]ndulite[.]scr'); do grep -qs VmData /proc/$p/status && q=$p; done; "
                 "grep -E '^(VmData|VmRSS):' /proc/$q/status > " + file))
        return usage;
    FILE* input = std::fopen(WindowsPath(file).c_str(), "r");
    if (!input) return usage;
    char name[32];
    long value = 0;
    while (std::fscanf(input, "%31s %ld kB", name, &value) == 2) {
        if (std::string(name) == "VmData:") usage.dataKiB = value;
        if (std::string(name) == "VmRSS:") usage.residentKiB = value;
    }
    std::fclose(input);
    return usage;
}

}  // namespace

// A saver left running keeps showing new pictures with steady memory.
void RunSoak(int seconds)
{
    SaverRun run;
    if (!StartSaver(&run, "/s")) {
        Check(false, "soak: starts");
        return;
    }
    HWND window = WaitForFullScreenWindow(&run);
    if (!Check(window != nullptr, "soak: full-screen window")) return;
    Pump(3000);
    Usage first = MeasureUsage();
    Image previous, shot;
    int samples = 0, changed = 0;
    DWORD start = GetTickCount();
    while ((int)(GetTickCount() - start) < seconds * 1000 && IsRunning(&run)) {
        Pump(5000);
        if (!TakeScreenshot(&shot, probe.workDir + "/soak.ppm")) break;
        ++samples;
        if (samples > 1 && EqualFraction(previous, shot) < 0.5) ++changed;
        previous = shot;
        Usage now = MeasureUsage();
        std::printf("soak %3lus: data %ld KiB, resident %ld KiB\n", (GetTickCount() - start) / 1000, now.dataKiB,
                    now.residentKiB);
    }
    Usage last = MeasureUsage();
    Check(IsRunning(&run), Format("soak: still running after %d s", seconds));
    Check(samples > 1 && changed == samples - 1,
          Format("soak: every sample showed a new picture (%d of %d)", changed, samples - 1));
    Check(first.dataKiB > 0 && last.dataKiB <= first.dataKiB + 4096,
          Format("soak: private memory steady (%ld KiB, then %ld KiB)", first.dataKiB, last.dataKiB));
    Check(first.residentKiB > 0 && last.residentKiB <= first.residentKiB + 8192,
          Format("soak: resident memory steady (%ld KiB, then %ld KiB)", first.residentKiB, last.residentKiB));
    XDo("key space");
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, Format("soak: a key ends it with 0 (got 0x%lX)", code));
    EndRun(&run);
}
