#include "host/password.h"

#include "host/host_state.h"

// No verifier is loaded yet: closing is always allowed and the change of
// password shows nothing.

void SetSaverRunningFlag(bool running)
{
    if (!hostState.isWindows9x) return;
    UINT previous = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
}

void OpenPasswordVerifier(void)
{
}

void ClosePasswordVerifier(void)
{
}

bool ConfirmClose(HWND window)
{
    (void)window;
    hostState.isClosing = true;
    return true;
}

void ChangePassword(HWND parent)
{
    (void)parent;
}
