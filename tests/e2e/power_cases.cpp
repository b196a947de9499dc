// Nobody looking, no pictures: the display's power notices and a hidden
// preview hold the worker, and it goes on when it can be seen again.
//
// The notice is the system's own message, WM_POWERBROADCAST with
// PBT_POWERSETTINGCHANGE, whose lParam points at a POWERBROADCAST_SETTING.
// Wine passes that message between processes as it stands, pointer and
// all, so the probe writes the setting into the saver's memory and sends
// the pointer. That the worker makes pictures is seen on the screen: its
// pixels change. That it is idle is seen from outside too: the screen
// stays as it is and the saver's process uses no processor time, as the
// kernel counts it (Wine does not report other processes' times). How much
// time a picture takes depends on the machine, so it never decides
// whether pictures are made.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "tests/e2e/probe.h"

namespace {

const char kSaverClass[] = "WindowsScreenSaverClass";
const GUID kConsoleDisplayState = {0x6FE69556, 0x704A, 0x47A0, {0x8F, 0x24, 0xC2, 0x8D, 0x93, 0x6F, 0xDA, 0x47}};
const GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xE6, 0xE5, 0xA1, 0x7E, 0xBD, 0x1A, 0xEA}};
// GUID_ACDC_POWER_SOURCE: a setting that says nothing about the display.
const GUID kPowerSource = {0x5D3E9A59, 0xE9D5, 0x4B00, {0xA6, 0xBD, 0xFF, 0x34, 0xFF, 0x51, 0x65, 0x48}};
constexpr WPARAM kPowerSettingChange = 0x8013;

struct PowerSetting {
    GUID setting;
    DWORD dataLength;
    DWORD value;
};

// Sends `window` the notice that `setting` is now `value`, the setting
// lying in the saver's own memory. True when the saver answered TRUE.
bool SendPowerSetting(SaverRun* run, HWND window, const GUID& setting, DWORD value)
{
    PowerSetting notice = {setting, sizeof(DWORD), value};
    void* remote = VirtualAllocEx(run->process, nullptr, sizeof notice, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    SIZE_T written = 0;
    if (!remote || !WriteProcessMemory(run->process, remote, &notice, sizeof notice, &written)) {
        std::printf("cannot write the notice into the saver: error %lu\n", GetLastError());
        return false;
    }
    DWORD_PTR answer = 0;
    LRESULT sent = SendMessageTimeoutA(window, WM_POWERBROADCAST, kPowerSettingChange, (LPARAM)remote,
                                       SMTO_ABORTIFHUNG, 3000, &answer);
    VirtualFreeEx(run->process, remote, 0, MEM_RELEASE);
    return sent != 0 && answer == TRUE;
}

// Processor time of the newest saver process so far, in the kernel's
// ticks (10 ms), all its threads; -1 when it cannot be read.
long SaverTicks(void)
{
    return SaverProcessNumber("awk '{ print $14 + $15 }' /proc/$p/stat");
}

// Samples a band of the screen every few milliseconds for `ms` and returns
// the milliseconds from the start to its first change, or -1.
long FirstChangeWithin(DWORD ms)
{
    HDC screen = GetDC(nullptr);
    const int width = probe.screenWidth;
    std::vector<COLORREF> previous, sample((size_t)width / 32);
    DWORD start = GetTickCount();
    long changed = -1;
    // Pixels one by one: each is a round trip to the X server, so few.
    for (; GetTickCount() - start < ms && changed < 0; Sleep(5)) {
        for (size_t i = 0; i < sample.size(); ++i) sample[i] = GetPixel(screen, (int)i * 32, probe.screenHeight / 2);
        if (!previous.empty() && sample != previous) changed = (long)(GetTickCount() - start);
        previous = sample;
    }
    ReleaseDC(nullptr, screen);
    return changed;
}

// At most this many ticks in three seconds is idle: Wine's own threads
// may take one now and then.
constexpr long kIdleTicks = 2;
// The pause after each picture: a picture seen sooner after the display
// comes back on was made without waiting for it, on any machine.
constexpr long kPicturePauseMs = 1000;

// While the worker is held: no change on the screen and no processor time
// to speak of over three seconds.
void CheckIdle(const std::string& what)
{
    long before = SaverTicks();
    long changed = FirstChangeWithin(3000);
    long after = SaverTicks();
    Check(changed < 0, what + ": no new picture for 3 s" + (changed < 0 ? "" : Format(" (one after %ld ms)", changed)));
    Check(before >= 0 && after - before <= kIdleTicks,
          what + Format(": the saver is idle (%ld ms of processor time in 3 s)", (after - before) * 10));
}

void CheckGoesOn(const std::string& what)
{
    long changed = FirstChangeWithin(2500);
    Check(changed >= 0 && changed < kPicturePauseMs,
          what + Format(": a new picture at once, without waiting for the pause (after %ld ms)", changed));
}

void DisplayPowerCases(void)
{
    PlacePointer(probe.screenWidth - 1, probe.screenHeight - 1);
    SaverRun run;
    if (!Check(StartSaver(&run, "/s"), "display power: starts")) return;
    HWND window = WaitForFullScreenWindow(&run);
    if (!Check(window != nullptr, "display power: full-screen window")) {
        EndRun(&run);
        return;
    }
    long before = SaverTicks();
    Check(FirstChangeWithin(3000) >= 0, "display power: pictures come while the display is on");
    Check(before >= 0 && SaverTicks() >= before, "display power: the saver's processor time can be read");

    Check(SendPowerSetting(&run, window, kConsoleDisplayState, 0), "display state off: answered TRUE");
    Pump(1200);  // a picture in progress and the pause may still end
    CheckIdle("display state off");
    Check(SendPowerSetting(&run, window, kConsoleDisplayState, 1), "display state on: answered TRUE");
    CheckGoesOn("display state on");

    SendPowerSetting(&run, window, kMonitorPowerOn, 0);
    Pump(1200);
    CheckIdle("monitor power off (Windows Vista and 7)");
    // A dimmed display can still be seen.
    SendPowerSetting(&run, window, kConsoleDisplayState, 2);
    CheckGoesOn("display state dimmed");

    SendPowerSetting(&run, window, kPowerSource, 0);
    Pump(1200);
    Check(FirstChangeWithin(2500) >= 0, "a notice about another setting changes nothing: pictures keep coming");

    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, Format("display power: ends with 0 (got 0x%lX)", code));
    EndRun(&run);
}

// A preview whose parent is hidden or minimised makes no pictures. Wine
// shows no pixels of a window whose parent belongs to another process, so
// here the pictures are seen only in the saver's processor time: more than
// idle while shown. The parent is so large (4000x3000) that a picture costs
// many ticks on the fastest machine measured (AVX-512: about 4 a picture),
// so the idle allowance is the only threshold.
void HiddenPreviewCases(void)
{
    HWND parent = MakeProbeWindow(100, 100, 0, 0, false);
    SetWindowLongA(parent, GWL_STYLE, (LONG)(WS_POPUP | WS_MINIMIZEBOX));
    SetWindowPos(parent, nullptr, 0, 0, 4000, 3000, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ShowWindow(parent, SW_SHOWNOACTIVATE);
    SaverRun run;
    if (!Check(StartSaver(&run, Format("/p %lu", (unsigned long)(uintptr_t)parent)) &&
                   WaitForProcessWindow(run.id, kSaverClass, "Preview", 5000, parent),
               "hidden preview: starts")) {
        EndRun(&run);
        DestroyWindow(parent);
        return;
    }
    auto ticksOver = [](DWORD ms) {
        long before = SaverTicks();
        Pump(ms);
        long after = SaverTicks();
        return before < 0 || after < 0 ? -1 : after - before;
    };
    Pump(1500);
    long shown = ticksOver(3000);
    Check(shown > kIdleTicks, Format("shown preview: makes pictures (%ld ms of processor time in 3 s)", shown * 10));

    ShowWindow(parent, SW_HIDE);
    Pump(1500);
    long hidden = ticksOver(3000);
    Check(hidden >= 0 && hidden <= kIdleTicks,
          Format("preview with a hidden parent: idle (%ld ms of processor time in 3 s)", hidden * 10));
    ShowWindow(parent, SW_SHOWNOACTIVATE);
    long again = ticksOver(3000);
    Check(again > kIdleTicks, Format("shown again: makes pictures again (%ld ms in 3 s)", again * 10));

    ShowWindow(parent, SW_SHOWMINNOACTIVE);
    Pump(1500);
    long minimised = ticksOver(3000);
    Check(IsIconic(parent) && minimised >= 0 && minimised <= kIdleTicks,
          Format("preview with a minimised parent: idle (%ld ms of processor time in 3 s)", minimised * 10));

    DestroyWindow(parent);
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, Format("hidden preview: ends with 0 with its parent (got 0x%lX)", code));
    EndRun(&run);
}

}  // namespace

void RunPowerCases(void)
{
    DisplayPowerCases();
    HiddenPreviewCases();
}
