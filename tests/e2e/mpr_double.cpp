// MPR.DLL for the end-to-end suite: a stand-in for the system's change of
// the screen-saver password. Under Wine it is loaded from beside the saver
// instead of Wine's own only with WINEDLLOVERRIDES=mpr=n,b.
//
// Log line per call: "PwdChangePasswordA <provider> parent=<handle>
// foreground=<handle> <reserved1> <reserved2>", handles in decimal.
#include <windows.h>

#include <cstdint>

#include "test_log.h"

extern "C" __declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND parent, DWORD reserved1,
                                                                 DWORD reserved2)
{
    AppendTestLog("PwdChangePasswordA %s parent=%lu foreground=%lu %lu %lu", provider ? provider : "(null)",
                  (unsigned long)(uintptr_t)parent, (unsigned long)(uintptr_t)GetForegroundWindow(),
                  (unsigned long)reserved1, (unsigned long)reserved2);
    return 0;
}
