#include "tests/e2e/doubles.h"

#include <cstdio>
#include <cstring>

#include "tests/e2e/probe.h"

std::string BesideProbe(const char* fileName)
{
    char path[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    size_t slash = folder.find_last_of("\\/");
    return folder.substr(0, slash == std::string::npos ? 0 : slash + 1) + fileName;
}

std::string SaverWithDoubles(const char* folder, const std::vector<const char*>& doubles)
{
    std::string directory = WindowsPath(probe.workDir + "/" + folder);
    CreateDirectoryA(directory.c_str(), nullptr);
    std::string saver = directory + "\\ondulite.scr";
    if (!CopyFileA(probe.saver.c_str(), saver.c_str(), FALSE)) return "";
    for (const char* name : doubles)
        if (!CopyFileA(BesideProbe(name).c_str(), (directory + "\\" + name).c_str(), FALSE)) return "";
    return saver;
}

static std::string logPath;

void StartDoubleLog(const char* name)
{
    logPath = WindowsPath(probe.workDir + "/" + name + ".log");
    DeleteFileA(logPath.c_str());
    SetEnvironmentVariableA("ONDULITE_TEST_LOG", logPath.c_str());
}

std::vector<std::string> DoubleLogLines(void)
{
    return FileLines(logPath);
}

int CountDoubleLog(const char* prefix)
{
    int count = 0;
    for (const std::string& line : DoubleLogLines()) count += line.compare(0, strlen(prefix), prefix) == 0;
    return count;
}

void ReportWindows9x(bool windows9x)
{
    ReportWindowsVersion(windows9x ? "win98" : "win10");
}

void ReportWindowsVersion(const char* version)
{
    ClaimWindowsVersion("ondulite.scr", version);
}

void PreferNativeMpr(bool native)
{
    const char kOverride[] = "native,builtin";
    SetRegistryValue(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\ondulite.scr\\DllOverrides", "mpr", REG_SZ,
                     native ? kOverride : nullptr, sizeof kOverride);
}

bool ScreenSaverRunningFlag(void)
{
    std::string reader = BesideProbe("running_flag.exe");
    SaverRun run;
    if (!StartProgram(&run, reader, "\"" + reader + "\"")) return false;
    DWORD code = WaitForExit(&run, 5000);
    EndRun(&run);
    return code == 1;
}

void ClearScreenSaverRunningFlag(void)
{
    UINT previous = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 0, &previous, 0);
}

bool SetRegistryValue(HKEY root, const char* key, const char* name, DWORD type, const void* bytes, DWORD size)
{
    HKEY opened = nullptr;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = bytes ? RegSetValueExA(opened, name, 0, type, (const BYTE*)bytes, size)
                        : RegDeleteValueA(opened, name);
    RegCloseKey(opened);
    return result == ERROR_SUCCESS || (!bytes && result == ERROR_FILE_NOT_FOUND);
}
