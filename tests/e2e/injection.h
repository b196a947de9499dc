// Starting a program with a test DLL loaded before any of its own code.
//
// The program is created suspended, when the system has mapped its image
// but its loader has not run yet; a new import table, the DLL's descriptor
// first and then the image's own, is written into fresh memory just above
// the image, and the header's import directory is pointed at it. Then the
// program runs: the loader loads the DLL as the first of the program's
// libraries, and runs the DLL's DllMain before the program's TLS callbacks
// and its entry point, by when every import of the program is bound. The
// file on disk is not touched. The same code builds for 32-bit and 64-bit
// Windows; it serves a program of its own bitness.
#pragma once

#include <windows.h>

#include <string>

// CreateProcessA with the default start-up information and `flags`. Wine
// now and then loses a new process in its own start-up, before the first
// instruction of the program's image runs, and reports ERROR_INTERNAL_ERROR;
// nothing of the program ran then, so it is started once more, with a line
// saying so. Returns CreateProcessA's result, with its last error.
bool StartProcess(const std::string& program, const std::string& commandLine, DWORD flags,
                  PROCESS_INFORMATION* started);

// Starts `program` with `commandLine` and `dllPath` (a full Windows path)
// injected as above. The DLL must export a function named `export`. On
// success fills `started` (the caller closes both handles) and returns
// true; on failure the program is ended and `error` says why.
bool StartWithDll(const std::string& program, const std::string& commandLine, const std::string& dllPath,
                  const char* exportName, PROCESS_INFORMATION* started, std::string* error);
