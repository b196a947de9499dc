// The first and last stages of the saver window's messages; the picture
// display's PictureWindowProc is the middle one (display/window_stages.h).
// Each carries out what its decision in host/dismissal_rules.h returns.
// Main thread only.
#pragma once

#include <windows.h>

// The window class's procedure: finishes a few messages itself and passes
// every other one to PictureWindowProc.
LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Gets every message that PictureWindowProc does not handle: applies the
// dismissal rules and ends in DefWindowProcA.
LRESULT CALLBACK HostDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
