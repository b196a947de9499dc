// The worker's side of the picture window: it makes each cycle's pictures
// with its helpers, hands them to the window's thread to be shown, and
// waits while nobody can see them (display/picture_window.h).
#include <cstring>

#include "display/picture_window.h"
#include "picture/float_mode.h"
#include "picture/random.h"

namespace {

constexpr DWORD kPicturePauseMs = 1000;
// How often a worker whose window cannot be seen looks again: the parent
// of a preview is hidden without the preview being told.
constexpr DWORD kHiddenPollMs = 250;

// The calendar second from the system's clock, which every Windows has
// and which keeps counting past 2038, where the 32-bit C runtime's time()
// answers -1.
uint32_t CalendarSeed(void)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return SeedFromUnixSeconds(UnixSecondsFromFileTime((uint64_t)now.dwHighDateTime << 32 | now.dwLowDateTime));
}

bool StopRequested(void)
{
    return WaitForSingleObject(pictureState.stopEvent, 0) != WAIT_TIMEOUT;
}

// Makes one cycle's pictures in `drawing`, each monitor's in turn, and
// gives up as soon as a stop is asked for. Every generator call of the
// saver is here.
bool DrawPictures(void)
{
    const int32_t width = pictureState.header.biWidth;
    const int32_t height = pictureState.header.biHeight;
    for (int32_t m = 0; m < pictureState.monitorCount; ++m) {
        const MonitorPicture* monitor = &pictureState.monitors[m];
        uint32_t* target = pictureState.monitorDrawing ? pictureState.monitorDrawing : pictureState.drawing;
        PlanPicture(&pictureState.plan, monitor->width, monitor->height);
        if (!FillWithPool(&pictureState.pool, &pictureState.plan, target)) return false;
        if (pictureState.monitorDrawing) PlaceMonitorPicture(monitor, target, pictureState.drawing, width, height);
    }
    return !StopRequested();
}

void ShowDrawnPicture(void)
{
    EnterCriticalSection(&pictureState.shownLock);
    std::memcpy(pictureState.pixels, pictureState.drawing,
                PixelBufferBytes(pictureState.header.biWidth, pictureState.header.biHeight));
    LeaveCriticalSection(&pictureState.shownLock);
}

// False once a stop is asked for.
bool WaitForDisplay(void)
{
    HANDLE events[2] = {pictureState.stopEvent, pictureState.displayOn};
    return WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

bool WindowCanBeSeen(HWND window)
{
    if (!IsWindowVisible(window)) return false;
    HWND top = window;
    for (HWND up; (GetWindowLongA(top, GWL_STYLE) & WS_CHILD) && (up = GetParent(top)) != nullptr;) top = up;
    return !IsIconic(top);
}

// Waits while the display is off or the window cannot be seen; false once
// a stop is asked for.
bool WaitUntilSeen(void)
{
    for (;;) {
        if (!WaitForDisplay()) return false;
        if (WindowCanBeSeen(pictureState.window)) return true;
        if (WaitForSingleObject(pictureState.stopEvent, kHiddenPollMs) != WAIT_TIMEOUT) return false;
    }
}

}  // namespace

DWORD WINAPI PictureWorker(LPVOID parameter)
{
    (void)parameter;
    UsePictureFloatMode();
    SeedRandom(CalendarSeed());
    bool going = WaitForDisplay();
    while (going && DrawPictures()) {
        ShowDrawnPicture();
        InvalidateRect(pictureState.window, nullptr, FALSE);
        UpdateWindow(pictureState.window);
        going = WaitForSingleObject(pictureState.stopEvent, kPicturePauseMs) == WAIT_TIMEOUT && WaitUntilSeen();
    }
    return 0;
}
