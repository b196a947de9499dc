// The system's screen-saver password services (Windows 9x family only).
#pragma once

#include <windows.h>

// Raises or lowers the system's screen-saver-running flag on the Windows 9x
// family; does nothing elsewhere.
void SetSaverRunningFlag(bool running);

// Loads the password verifier before a full-screen window is made, and
// unloads it after the message loop.
void OpenPasswordVerifier(void);
void ClosePasswordVerifier(void);

// Decides whether a close request may destroy the saver window; sets
// `isClosing` when it may.
bool ConfirmClose(HWND window);

// The change-password mode, with the dialog owned by `parent`.
void ChangePassword(HWND parent);
