#include <windows.h>

#include "display/find_proc.h"
#include "display/picture_window.h"
#include "host/cursor_travel.h"
#include "host/host.h"
#include "host/host_state.h"
#include "host/password.h"

static void PostCloseRequest(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
}

static void HideCursor(void)
{
    SetCursor(nullptr);
}

// The input method would show its own windows over the saver: take the
// window's context away for the window's life. The library is only used
// when the process has it already.
static void TakeInputMethod(HWND window)
{
    hostState.imeModule = GetModuleHandleA("IMM32.DLL");
    if (!hostState.imeModule) return;
    hostState.associateContext =
        FindProc<AssociateContextProc>(hostState.imeModule, "ImmAssociateContext");
    if (!hostState.associateContext) return;
    hostState.savedInputContext = hostState.associateContext(window, nullptr);
}

static void GiveInputMethodBack(HWND window)
{
    if (hostState.imeModule && hostState.associateContext && hostState.savedInputContext) {
        hostState.associateContext(window, hostState.savedInputContext);
        hostState.savedInputContext = nullptr;
    }
}

// GetCursorPos fails on NT 5 and later while the input desktop is not the
// saver's; its point is then undefined and must not be used.
static bool ReadCursor(POINT* cursor)
{
    *cursor = {0, 0};
    return GetCursorPos(cursor) != FALSE;
}

static void RecordCursor(void)
{
    POINT cursor;
    bool read = ReadCursor(&cursor);
    TakeCursorReference(&hostState.lastCursor, read, cursor.x, cursor.y);
}

static LRESULT StartSaverWindow(HWND window, WPARAM wParam, LPARAM lParam)
{
    TakeInputMethod(window);
    RecordCursor();
    if (!hostState.isPreview) HideCursor();
    return PictureWindowProc(window, WM_CREATE, wParam, lParam);
}

static LRESULT EndSaverWindow(HWND window, WPARAM wParam, LPARAM lParam)
{
    GiveInputMethodBack(window);
    PostQuitMessage(0);
    LRESULT result = PictureWindowProc(window, WM_DESTROY, wParam, lParam);
    hostState.saverWindow = nullptr;
    return result;
}

// The settings page asks its own window for help and context menus; the
// preview is only a picture inside it.
static LRESULT ForwardToSettingsPage(HWND window, UINT message, LPARAM lParam)
{
    HWND parent = GetParent(window);
    if (parent && IsWindow(parent)) PostMessageA(parent, message, (WPARAM)parent, lParam);
    return 1;
}

static bool IsSwallowedCommand(WPARAM command)
{
    return command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE;
}

LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return StartSaverWindow(window, wParam, lParam);
    case WM_DESTROY:
        return EndSaverWindow(window, wParam, lParam);
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        if (hostState.isClosing) return DefWindowProcA(window, message, wParam, lParam);
        if (!hostState.isPreview) HideCursor();
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (hostState.isPreview) return ForwardToSettingsPage(window, message, lParam);
        break;
    case WM_KEYDOWN:
        // The picture display answers a key with a close request, and in a
        // preview the default handling would carry it out: a preview must
        // end only with its parent.
        if (hostState.isClosing || hostState.isPreview) return DefWindowProcA(window, message, wParam, lParam);
        break;
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (hostState.isClosing) return DefWindowProcA(window, message, wParam, lParam);
        break;
    case WM_SYSCOMMAND:
        if (!hostState.isPreview && IsSwallowedCommand(wParam)) return 0;
        break;
    case WM_TIMER:
        if (hostState.isClosing) return 0;
        Sleep(0);
        break;
    }
    return PictureWindowProc(window, message, wParam, lParam);
}

static LRESULT AnswerCloseRequest(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (hostState.isWindows9x && !ConfirmClose(window)) {
        RecordCursor();
        return 0;
    }
    return DefWindowProcA(window, WM_CLOSE, wParam, lParam);
}

static LRESULT AnswerVerifyRequest(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (!hostState.isWindows9x) return DefWindowProcA(window, kVerifyRequest, wParam, lParam);
    return hostState.verifyPassword ? hostState.verifyPassword(window) : 1;
}

// The movement rule: the cursor's own position counts, not the message's,
// and small moves add up because they leave the reference where it was.
static void ApplyMovementRule(HWND window)
{
    POINT cursor;
    bool read = ReadCursor(&cursor);
    if (FollowCursor(&hostState.lastCursor, read, cursor.x, cursor.y, hostState.moveTolerance))
        PostCloseRequest(window);
}

LRESULT CALLBACK HostDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hostState.isPreview || hostState.isClosing) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_CLOSE) return AnswerCloseRequest(window, wParam, lParam);
    if (message == kVerifyRequest) return AnswerVerifyRequest(window, wParam, lParam);
    if (hostState.isVerifying) return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam) HideCursor();
        break;
    case WM_ACTIVATEAPP:
        if (!wParam) PostCloseRequest(window);
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        PostCloseRequest(window);
        break;
    case WM_SETCURSOR:
        HideCursor();
        return 1;
    case WM_MOUSEMOVE:
        ApplyMovementRule(window);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
