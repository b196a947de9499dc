// The host's process-wide state. Touched by the main thread only: the
// picture worker never reads or writes it.
#pragma once

#include <windows.h>
#include <imm.h>

#include <cstdint>

#include "host/cursor_travel.h"
#include "host/password_rules.h"

typedef BOOL(WINAPI* VerifyPasswordProc)(HWND window);
typedef HIMC(WINAPI* AssociateContextProc)(HWND window, HIMC context);

struct HostState {
    HINSTANCE instance;             // the program's own module
    bool isWindows9x;               // the system reports the Windows 9x platform
    HWND saverWindow;               // null until the saver window is created
    bool isPreview;                 // the saver window is a preview child
    CursorReference lastCursor;     // reference position of the movement rule, screen coordinates
    uint32_t moveTolerance;         // largest cursor travel that does not end the saver
    bool isClosing;                 // closing has been allowed
    bool isVerifying;               // the password prompt is up
    uint32_t lastVerifyTick;        // tick count at the end of the last prompt; kNoVerifyTick before any
    HMODULE verifierModule;         // "PASSWORD.CPL" while loaded
    VerifyPasswordProc verifyPassword;     // its VerifyScreenSavePwd, else null
    HMODULE imeModule;              // "IMM32.DLL" when the process already had it
    AssociateContextProc associateContext; // its ImmAssociateContext, else null
    HIMC savedInputContext;         // the window's own input context while taken away
};

constexpr uint32_t kMoveTolerance = 4;

extern HostState hostState;
