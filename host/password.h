// The system's screen-saver password services, on the Windows 9x family
// only: elsewhere the verifier procedures do nothing, ConfirmClose is not
// called, and the change-password mode does not reach ChangePassword.
//
// The verifier, VerifyScreenSavePwd of "PASSWORD.CPL", is loaded by name
// when full-screen saving starts and the desktop asks for a password; the
// host holds it in `verifierModule` / `verifyPassword` until
// ClosePasswordVerifier. While it is held the system's screen-saver-running
// flag is raised, so it is lowered exactly when it was raised.
#pragma once

#include <windows.h>

#include "display/window_stages.h"

// Raises or lowers the system's screen-saver-running flag on the Windows 9x
// family; does nothing elsewhere.
void SetSaverRunningFlag(bool running);

// Before a full-screen window is made: reads the desktop's
// "ScreenSaveUsePassword" and, when it asks for a password, loads the
// verifier and raises the flag. A missing library or function means no
// password.
void OpenPasswordVerifier(void);

// Unloads the verifier and lowers the flag if it was raised; safe to call
// twice, and when nothing was opened.
void ClosePasswordVerifier(void);

// Whether a close request may destroy the saver window. Without a verifier
// it may. With one, the user's password prompt decides, once per request:
// refused while a prompt is up and within 200 ms after the last one ended.
// Sets `isClosing` to the answer. The prompt is shown through the verify
// request (kVerifyRequest) sent to the saver window, which the host's
// default procedure answers with `verifyPassword(window)`, or 1 without a
// verifier.
bool ConfirmClose(HWND window);

// The change-password mode: PwdChangePasswordA of "MPR.DLL" for "SCRSAVE",
// owned by `parent`. Shows nothing when the library or function is missing.
void ChangePassword(HWND parent);
