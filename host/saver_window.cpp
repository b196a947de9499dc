#include "host/saver_window.h"

#include "display/picture_window.h"
#include "host/host_state.h"
#include "host/password.h"
#include "host/saver_window_procs.h"

static const char kSaverClass[] = "WindowsScreenSaverClass";
static const char kFullScreenTitle[] = "Screen Saver";
static const char kPreviewTitle[] = "Preview";
constexpr UINT kSaverClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
constexpr DWORD kFullScreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kPreviewStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
constexpr WORD kClassIcon = 100;

static bool BringRunningSaverForward(void)
{
    HWND running = FindWindowA(kSaverClass, kFullScreenTitle);
    if (!running || !IsWindow(running)) return false;
    SetForegroundWindow(running);
    return true;
}

// The whole virtual screen, every monitor. Systems without several
// monitors (Windows 95, NT 4) answer 0 for its size: the screen then.
static RECT FullScreenArea(void)
{
    RECT area = {0, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    if (area.right <= 0 || area.bottom <= 0) {
        area.right = GetSystemMetrics(SM_CXSCREEN);
        area.bottom = GetSystemMetrics(SM_CYSCREEN);
        return area;
    }
    area.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    area.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    area.right += area.left;
    area.bottom += area.top;
    return area;
}

static int32_t RunMessageLoop(void)
{
    MSG message = {};
    // GetMessageA answers -1 on failure; only a quit message ends the loop
    // normally, and a failure must not spin for ever.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return message.message == WM_QUIT ? (int32_t)message.wParam : -1;
}

int32_t RunSaverWindow(HWND parent)
{
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.style = kSaverClassStyle;
    windowClass.lpfnWndProc = SaverClassProc;
    windowClass.hInstance = hostState.instance;
    windowClass.hIcon = LoadIconA(hostState.instance, MAKEINTRESOURCEA(kClassIcon));
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = kSaverClass;
    pictureState.nextStage = HostDefaultProc;

    DWORD exStyle, style;
    const char* title;
    int x = 0, y = 0, width, height;
    if (parent) {
        // A parent gone since it was checked gives an empty rectangle, and
        // the creation below fails on the dead parent.
        RECT client = {0, 0, 0, 0};
        GetClientRect(parent, &client);
        width = client.right;
        height = client.bottom;
        hostState.isPreview = true;
        exStyle = 0;
        style = kPreviewStyle;
        title = kPreviewTitle;
    } else {
        RECT area = FullScreenArea();
        x = area.left;
        y = area.top;
        width = area.right - area.left;
        height = area.bottom - area.top;
        // A picture for each monitor, rather than one across all of them.
        pictureState.coversMonitors = true;
        exStyle = WS_EX_TOPMOST;
        style = kFullScreenStyle;
        title = kFullScreenTitle;
        if (BringRunningSaverForward()) return 0;
        OpenPasswordVerifier();
    }

    if (RegisterClassA(&windowClass)) {
        hostState.saverWindow = CreateWindowExA(exStyle, kSaverClass, title, style, x, y, width, height,
                                                parent, nullptr, hostState.instance, nullptr);
    }
    int32_t result = -1;
    if (hostState.saverWindow) {
        if (!hostState.isPreview) SetForegroundWindow(hostState.saverWindow);
        result = RunMessageLoop();
    }
    ClosePasswordVerifier();
    return result;
}
