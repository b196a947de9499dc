#include "host/start.h"

#include "display/about.h"
#include "host/command_line.h"
#include "host/fault_guard.h"
#include "host/host_state.h"
#include "host/password.h"
#include "host/saver_window.h"
#include "picture/fast_path.h"
#include "resources/resource_ids.h"

static const char* NextCharacter(const char* text)
{
    return CharNextA(text);
}

void StartHost(void)
{
    const char* arguments = SkipProgramName(GetCommandLineA(), NextCharacter);
    int32_t result = DispatchMode(GetModuleHandleA(nullptr), arguments);
    ExitProcess((UINT)result);
}

// The system's family and version. A system that does not say is taken for
// the oldest NT, on which the pictures use no SSE register.
static SystemVersion ReadSystemVersion(void)
{
    SystemVersion system = {kSystemWindowsNt, 0, 0};
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return system;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) system.family = kSystemWindows9x;
    system.major = version.dwMajorVersion;
    system.minor = version.dwMinorVersion;
    return system;
}

// Window handles are 32 bits wide on every Windows, 64-bit included.
static HWND WindowFromNumber(uint32_t number)
{
    return (HWND)(uintptr_t)number;
}

static int32_t RunPreview(HWND parent)
{
    if (!parent || !IsWindow(parent)) return -1;
    return RunSaverWindow(parent);
}

static int32_t RunChangePassword(HWND parent)
{
    if (!hostState.isWindows9x) return -1;
    if (!parent || !IsWindow(parent)) parent = GetForegroundWindow();
    ChangePassword(parent);
    return 0;
}

static int32_t RunMode(void* context)
{
    ModeRequest request = ReadModeRequest((const char*)context);
    HWND window = WindowFromNumber(request.windowHandle);
    switch (request.mode) {
    case SaverMode::ConfigureUnowned:
        return ShowConfigBox(nullptr);
    case SaverMode::ConfigureForeground:
        return ShowConfigBox(GetForegroundWindow());
    case SaverMode::FullScreen:
        return RunSaverWindow(nullptr);
    case SaverMode::Preview:
        return RunPreview(window);
    case SaverMode::ChangePassword:
        return RunChangePassword(window);
    case SaverMode::Refused:
        break;
    }
    return -1;
}

int32_t DispatchMode(HINSTANCE instance, const char* arguments)
{
    hostState.instance = instance;
    SystemVersion system = ReadSystemVersion();
    hostState.isWindows9x = system.family == kSystemWindows9x;
    // Before any picture: Windows 95 and NT 4 keep the pictures off the SSE registers.
    SetSimdSystem(&system);
    return RunUnderFaultGuard(RunMode, (void*)arguments);
}

int32_t ShowConfigBox(HWND owner)
{
    if (!RegisterAboutClasses(hostState.instance)) return 0;
    return (int32_t)DialogBoxParamA(hostState.instance, MAKEINTRESOURCEA(ABOUT_DIALOG_ID), owner, AboutDialogProc, 0);
}
