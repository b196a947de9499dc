// The about box shown by the configuration mode.
#pragma once

#include <windows.h>

// Prepares the about box's window classes; non-zero on success.
BOOL RegisterAboutClasses(HINSTANCE instance);

// The about box's dialog procedure; answers FALSE to every message.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
