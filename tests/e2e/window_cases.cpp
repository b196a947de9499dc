// The saver window's identity and shape in both modes, the single
// full-screen instance, and the preview's life inside its parent.
#include "tests/e2e/probe.h"

namespace {

const char kSaverClass[] = "WindowsScreenSaverClass";

bool StillRunningAfter(SaverRun* run, DWORD ms)
{
    return WaitForExit(run, ms) == kStillRunning;
}

// True when `upper` comes before `lower` in the top-level z-order.
bool IsAbove(HWND upper, HWND lower)
{
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
        if (window == upper) return true;
        if (window == lower) return false;
    }
    return false;
}

void FullScreenWindowCases(void)
{
    SaverRun run;
    if (!StartSaver(&run, "/s")) {
        Check(false, "full screen: starts");
        return;
    }
    HWND window = WaitForFullScreenWindow(&run);
    if (!Check(window != nullptr, "full screen: window of class WindowsScreenSaverClass titled \"Screen Saver\"")) {
        EndRun(&run);
        return;
    }
    DWORD style = (DWORD)GetWindowLongA(window, GWL_STYLE);
    DWORD exStyle = (DWORD)GetWindowLongA(window, GWL_EXSTYLE);
    DWORD classStyle = (DWORD)GetClassLongA(window, GCL_STYLE);
    Check(style == 0x96000000, Format("full screen: style 0x%08lX is popup, visible, clip siblings and children", style));
    Check(exStyle == WS_EX_TOPMOST, Format("full screen: extended style 0x%08lX is topmost alone", exStyle));
    Check(classStyle == 0x2B, Format("full screen: class style 0x%lX is vredraw, hredraw, dblclks, owndc", classStyle));
    Check(GetParent(window) == nullptr, "full screen: no parent");
    RECT rect;
    GetWindowRect(window, &rect);
    Check(rect.left == 0 && rect.top == 0 && rect.right == probe.screenWidth && rect.bottom == probe.screenHeight,
          Format("full screen: covers the screen (%ld,%ld)-(%ld,%ld) for %dx%d", rect.left, rect.top, rect.right,
                 rect.bottom, probe.screenWidth, probe.screenHeight));
    // The window is shown during its creation and brought forward after it.
    Check(WaitUntil([&] { return GetForegroundWindow() == window; }, 3000), "full screen: takes the foreground");

    // A plain window shown later, without activation, stays below.
    HWND plain = MakeProbeWindow(200, 100, 100, 100, false);
    ShowWindow(plain, SW_SHOWNOACTIVATE);
    SetWindowPos(plain, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Pump(200);
    Check(IsAbove(window, plain), "full screen: stays above a window brought to the top later");
    Check(StillRunningAfter(&run, 300), "full screen: a window shown without activation ends nothing");

    // The title cannot be changed.
    LRESULT setText = SendMessageA(window, WM_SETTEXT, 0, (LPARAM) "changed");
    Check(setText == 0 && WindowTitle(window) == "Screen Saver", "full screen: WM_SETTEXT is swallowed");

    // Switching windows and a new saver start are swallowed.
    for (WPARAM command : {(WPARAM)SC_NEXTWINDOW, (WPARAM)SC_PREVWINDOW, (WPARAM)SC_SCREENSAVE}) {
        LRESULT result = SendMessageA(window, WM_SYSCOMMAND, command, 0);
        Check(result == 0 && StillRunningAfter(&run, 300),
              Format("full screen: system command 0x%04X is swallowed", (unsigned)command));
    }

    // A second full-screen start ends with 0 and makes no second window.
    SaverRun second;
    if (StartSaver(&second, "/s")) {
        DWORD code = WaitForExit(&second, 5000);
        Check(code == 0, Format("second full-screen start ends with 0 (got 0x%lX)", code));
        Check(FindProcessWindow(second.id, kSaverClass, nullptr) == nullptr, "second start made no window");
        EndRun(&second);
    }
    Check(CountTopLevelWindows(kSaverClass, "Screen Saver") == 1, "one full-screen window after the second start");
    Check(IsRunning(&run), "the first saver keeps running");

    // The system menu's Close is not swallowed.
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, Format("full screen: SC_CLOSE ends it with 0 (got 0x%lX)", code));
    EndRun(&run);
    DestroyWindow(plain);
}

void PreviewWindowCases(void)
{
    const int width = 301, height = 201;  // odd, so the picture is rounded up and clipped
    HWND parent = MakeProbeWindow(width, height, 60, 60);
    SaverRun run;
    if (!StartSaver(&run, Format("/p %lu", (unsigned long)(uintptr_t)parent))) {
        Check(false, "preview: starts");
        return;
    }
    HWND child = WaitForProcessWindow(run.id, kSaverClass, "Preview", 5000, parent);
    if (!Check(child != nullptr, "preview: child of class WindowsScreenSaverClass titled \"Preview\"")) {
        EndRun(&run);
        DestroyWindow(parent);
        return;
    }
    DWORD style = (DWORD)GetWindowLongA(child, GWL_STYLE);
    DWORD exStyle = (DWORD)GetWindowLongA(child, GWL_EXSTYLE);
    Check(style == 0x52000000, Format("preview: style 0x%08lX is child, visible, clip children", style));
    Check(exStyle == 0, Format("preview: extended style 0x%08lX is none", exStyle));
    Check(GetParent(child) == parent, "preview: its parent is the given window");
    Check(GetForegroundWindow() == parent, "preview: does not take the foreground");

    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, (POINT*)&rect, 2);
    Check(rect.left == 0 && rect.top == 0 && rect.right == width && rect.bottom == height,
          Format("preview: fills the parent's client area exactly (%ld,%ld)-(%ld,%ld)", rect.left, rect.top,
                 rect.right, rect.bottom));

    // It keeps its size when the parent changes later.
    SetWindowPos(parent, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER);
    Pump(300);
    GetClientRect(child, &rect);
    Check(rect.right == width && rect.bottom == height, "preview: does not follow the parent's new size");

    // Help and context-menu requests go to the settings page's window.
    probeWindowLog = ProbeWindowLog();
    LRESULT forwarded = SendMessageA(child, WM_CONTEXTMENU, (WPARAM)child, MAKELPARAM(12, 34));
    WaitUntil([] { return probeWindowLog.contextMenus > 0; }, 2000);
    Check(forwarded == 1 && probeWindowLog.contextMenus == 1 && probeWindowLog.contextMenuWParam == (WPARAM)parent &&
              probeWindowLog.contextMenuLParam == MAKELPARAM(12, 34),
          "preview: a context-menu request reaches the parent with the parent's handle");

    // No input ends a preview: real pointer, buttons and keys over it.
    GetWindowRect(child, &rect);
    int x = (rect.left + rect.right) / 2, y = (rect.top + rect.bottom) / 2;
    XDo(Format("mousemove %d %d", x, y));
    XDo(Format("mousemove %d %d", x + 20, y + 15));
    XDo("click 1");
    XDo("click 3");
    XDo("key a");
    Check(StillRunningAfter(&run, 500), "preview: pointer moves, clicks and keys over it end nothing");

    DestroyWindow(parent);
    DWORD code = WaitForExit(&run, 5000);
    Check(code == 0, Format("preview: ends with 0 when its parent is destroyed (got 0x%lX)", code));
    EndRun(&run);
}

}  // namespace

void RunWindowCases(void)
{
    FullScreenWindowCases();
    PreviewWindowCases();
}
