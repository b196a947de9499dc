// The saver host: start-up and modes, the saver window and its message
// loop, and the rules by which input ends the saver.
#pragma once

#include <windows.h>

#include <cstdint>

// Finds the argument text in the process command line, runs DispatchMode
// and ends the process with its result as the exit code (-1 becomes
// 0xFFFFFFFF).
[[noreturn]] void StartHost(void);

// The host's main: records `instance`, tests the platform and runs the mode
// that `arguments` asks for under the fault guard. Returns 0 for a normal
// end, -1 for a refused command line, and the exception code when a fault
// ended the mode.
int32_t DispatchMode(HINSTANCE instance, const char* arguments);

// The configuration mode; returns the box's result.
int32_t ShowConfigBox(HWND owner);

// The full-screen (`parent` null) or preview saver: creates the saver
// window (full screen: over the whole virtual screen, a picture for each
// monitor; preview: filling the parent's client area, one picture) and
// runs the message loop until it is gone. Returns the quit
// message's code (0), 0 when another full-screen saver already runs, and -1
// when the window could not be made.
int32_t RunSaverWindow(HWND parent);

// First and last stages of the saver window's messages; the picture
// display's PictureWindowProc is the middle one.
LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HostDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
