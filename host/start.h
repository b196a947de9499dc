// The saver's start: the process entry's work, the mode dispatch and the
// configuration mode.
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
