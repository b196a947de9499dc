#include "host/saver_window_procs.h"

#include "display/find_proc.h"
#include "display/picture_window.h"
#include "host/cursor_travel.h"
#include "host/dismissal_rules.h"
#include "host/host_state.h"
#include "host/password.h"

static_assert(kWmCreate == WM_CREATE && kWmDestroy == WM_DESTROY && kWmSetText == WM_SETTEXT &&
                  kWmPaint == WM_PAINT && kWmClose == WM_CLOSE && kWmShowWindow == WM_SHOWWINDOW &&
                  kWmActivateApp == WM_ACTIVATEAPP && kWmSetCursor == WM_SETCURSOR && kWmHelp == WM_HELP &&
                  kWmContextMenu == WM_CONTEXTMENU && kWmKeyDown == WM_KEYDOWN && kWmSysKeyDown == WM_SYSKEYDOWN &&
                  kWmSysCommand == WM_SYSCOMMAND && kWmTimer == WM_TIMER && kWmMouseMove == WM_MOUSEMOVE &&
                  kWmLButtonDown == WM_LBUTTONDOWN && kWmRButtonDown == WM_RBUTTONDOWN &&
                  kWmMButtonDown == WM_MBUTTONDOWN && kWmApp == WM_APP,
              "the stages' message numbers are the system's");
static_assert(kScNextWindow == SC_NEXTWINDOW && kScPrevWindow == SC_PREVWINDOW && kScScreenSave == SC_SCREENSAVE,
              "the swallowed commands are the system's");

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

static void StartSaverWindow(HWND window)
{
    TakeInputMethod(window);
    RecordCursor();
}

// The picture display releases what it holds when the message goes on.
static void EndSaverWindow(HWND window)
{
    GiveInputMethodBack(window);
    PostQuitMessage(0);
    hostState.saverWindow = nullptr;
}

// The settings page asks its own window for help and context menus; the
// preview is only a picture inside it.
static void ForwardToSettingsPage(HWND window, UINT message, LPARAM lParam)
{
    HWND parent = GetParent(window);
    if (parent && IsWindow(parent)) PostMessageA(parent, message, (WPARAM)parent, lParam);
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

static DismissalFlags CurrentFlags(void)
{
    return {hostState.isPreview, hostState.isClosing, hostState.isVerifying, hostState.isWindows9x};
}

// A stage's end other than passing on.
static LRESULT EndHere(const StageAction& action, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (action.end == StageEnd::Answer) return action.answer;
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const StageAction action = SaverClassAction(CurrentFlags(), message, wParam);
    switch (action.step) {
    case StageStep::StartWindow:
        StartSaverWindow(window);
        break;
    case StageStep::EndWindow:
        EndSaverWindow(window);
        break;
    case StageStep::ForwardToParent:
        ForwardToSettingsPage(window, message, lParam);
        break;
    case StageStep::YieldTimeSlice:
        Sleep(0);
        break;
    default:
        break;
    }
    if (action.hideCursor) HideCursor();
    if (action.end != StageEnd::PassOn) return EndHere(action, window, message, wParam, lParam);
    return PictureWindowProc(window, message, wParam, lParam);
}

LRESULT CALLBACK HostDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const StageAction action = HostDefaultAction(CurrentFlags(), message, wParam);
    switch (action.step) {
    case StageStep::ConfirmClose:
        if (!ConfirmClose(window)) {
            RecordCursor();
            return 0;
        }
        break;
    case StageStep::AskVerifier:
        if (hostState.verifyPassword) return hostState.verifyPassword(window);
        break;
    case StageStep::PostCloseRequest:
        PostCloseRequest(window);
        break;
    case StageStep::FollowCursor:
        ApplyMovementRule(window);
        break;
    default:
        break;
    }
    if (action.hideCursor) HideCursor();
    return EndHere(action, window, message, wParam, lParam);
}
