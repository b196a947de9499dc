#include "host/password.h"

#include <cstdint>

#include "display/find_proc.h"
#include "host/host_state.h"
#include "host/password_rules.h"

typedef DWORD(WINAPI* ChangePasswordProc)(LPCSTR provider, HWND parent, DWORD reserved1, DWORD reserved2);

void SetSaverRunningFlag(bool running)
{
    if (!hostState.isWindows9x) return;
    UINT previous = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
}

static void LoadVerifier(void)
{
    hostState.verifierModule = LoadLibraryA("PASSWORD.CPL");
    if (!hostState.verifierModule) return;
    hostState.verifyPassword = FindProc<VerifyPasswordProc>(hostState.verifierModule, "VerifyScreenSavePwd");
    if (hostState.verifyPassword)
        SetSaverRunningFlag(true);
    else
        ClosePasswordVerifier();
}

void OpenPasswordVerifier(void)
{
    if (!hostState.isWindows9x) return;
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key) != ERROR_SUCCESS) return;
    // A 4-byte buffer: a longer value fails to read and so asks for no password.
    uint8_t bytes[4] = {0, 0, 0, 0};
    DWORD size = sizeof bytes;
    LONG result = RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr, bytes, &size);
    if (PasswordWanted((int32_t)result, bytes, (uint32_t)size)) LoadVerifier();
    RegCloseKey(key);
}

void ClosePasswordVerifier(void)
{
    if (!hostState.isWindows9x || !hostState.verifierModule) return;
    FreeLibrary(hostState.verifierModule);
    hostState.verifierModule = nullptr;
    if (hostState.verifyPassword) {
        hostState.verifyPassword = nullptr;
        SetSaverRunningFlag(false);
    }
}

// Timer messages that queued up would run the picture's timer work right
// after the prompt; at most two are dropped.
static void DiscardPendingTimers(HWND window)
{
    MSG message;
    PeekMessageA(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
}

bool ConfirmClose(HWND window)
{
    if (hostState.isVerifying) return false;
    if (!hostState.verifyPassword) {
        hostState.isClosing = true;
        return true;
    }
    if (InPromptPause(GetTickCount(), hostState.lastVerifyTick)) return false;

    hostState.isVerifying = true;
    DiscardPendingTimers(window);
    // The prompt is modal: the saver window's messages go on being
    // dispatched inside this call, and a close request among them finds
    // `isVerifying` set.
    hostState.isClosing = SendMessageA(window, kVerifyRequest, 0, 0) != 0;
    hostState.isVerifying = false;
    if (!hostState.isClosing) SetCursor(nullptr);
    hostState.lastVerifyTick = GetTickCount();
    return hostState.isClosing;
}

void ChangePassword(HWND parent)
{
    HMODULE mpr = LoadLibraryA("MPR.DLL");
    if (!mpr) return;
    ChangePasswordProc change = FindProc<ChangePasswordProc>(mpr, "PwdChangePasswordA");
    if (change) change("SCRSAVE", parent, 0, 0);
    FreeLibrary(mpr);
}
