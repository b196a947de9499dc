// The test doubles of the password and about cases: PASSWORD.CPL, MPR.DLL
// and browser_recorder.exe, built beside the probe, and the log they write
// (see test_log.h). Also the registry settings those cases change.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Windows path of a file built beside the probe.
std::string BesideProbe(const char* fileName);

// A folder of the work folder holding a copy of the saver under test, named
// ondulite.scr so that Wine's per-program settings apply to it, and the
// given doubles beside it. Returns the copy's Windows path, or "" on failure.
std::string SaverWithDoubles(const char* folder, const std::vector<const char*>& doubles);

// Points ONDULITE_TEST_LOG (inherited by the programs the probe starts) at
// a fresh, empty log.
void StartDoubleLog(const char* name);
// The log's lines, and the number of them that begin with `prefix`.
std::vector<std::string> DoubleLogLines(void);
int CountDoubleLog(const char* prefix);

// The Windows family that Wine reports to ondulite.scr (AppDefaults).
void ReportWindows9x(bool windows9x);
// The Windows version that Wine reports to ondulite.scr, as Wine names it
// ("win95", "nt40", "win10", ...); null for Wine's own choice.
void ReportWindowsVersion(const char* version);

// Whether Wine loads MPR.DLL from beside ondulite.scr before its own
// (AppDefaults DllOverrides, the per-program form of WINEDLLOVERRIDES, which
// a Windows program cannot hand down: Wine reads that variable from the
// Unix environment only).
void PreferNativeMpr(bool native);

// The system's screen-saver-running flag as a fresh process reads it (see
// running_flag.cpp); false when it cannot be read.
bool ScreenSaverRunningFlag(void);
void ClearScreenSaverRunningFlag(void);

// Sets (or with null `bytes`, deletes) a value; false on failure.
bool SetRegistryValue(HKEY root, const char* key, const char* name, DWORD type, const void* bytes, DWORD size);
