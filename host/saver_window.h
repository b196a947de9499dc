// The full-screen and preview modes: the saver window's class, its
// creation and the main thread's message loop.
#pragma once

#include <windows.h>

#include <cstdint>

// The full-screen (`parent` null) or preview saver: creates the saver
// window (full screen: over the whole virtual screen, a picture for each
// monitor; preview: filling the parent's client area, one picture) and
// runs the message loop until it is gone. Returns the quit
// message's code (0), 0 when another full-screen saver already runs, and -1
// when the window could not be made.
int32_t RunSaverWindow(HWND parent);
