// The checker DLL's start and log (checker.h): when the loader attaches it,
// before the program's own code, it reads the claimed system and the test
// conditions and puts the rules' stand-ins into the program's import table.
#include "tests/e2e/checker.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "tests/e2e/test_log.h"

uint32_t claimedSystem = 0;

namespace {

const char kLogVariable[] = "ONDULITE_CHECKER_LOG";

// What has been said, so that each line comes once: wrappers run in loops
// (PeekMessage, GetSystemMetrics) and on every thread.
CRITICAL_SECTION reportLock;
constexpr int kMaxSaid = 512;
uint32_t said[kMaxSaid];
int saidCount = 0;

uint32_t Hash(const char* text)
{
    uint32_t hash = 2166136261u;
    for (; *text; ++text) hash = (hash ^ (uint8_t)*text) * 16777619u;
    return hash;
}

bool FirstTime(const char* line)
{
    const uint32_t hash = Hash(line);
    EnterCriticalSection(&reportLock);
    bool first = true;
    for (int i = 0; i < saidCount && first; ++i) first = said[i] != hash;
    if (first && saidCount < kMaxSaid) said[saidCount++] = hash;
    LeaveCriticalSection(&reportLock);
    return first;
}

void WriteLine(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    AppendLogLine(kLogVariable, format, arguments);
    va_end(arguments);
}

struct Claim {
    uint32_t system;
    const char* name;
};

// Wine reports the claimed version through GetVersionExA, as the saver reads it.
Claim ReadClaimedSystem(void)
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version) || version.dwMajorVersion != 4) return {0, "another system"};
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) return {kNt40, "nt40"};
    if (version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS) return {0, "another system"};
    if (version.dwMinorVersion == 0) return {kWin95, "win95"};
    if (version.dwMinorVersion < 90) return {kWin98, "win98"};
    return {kWinMe, "winme"};
}

bool IsCheckerLibrary(const char* name)
{
    const char* base = name;
    for (const char* c = name; *c; ++c)
        if (*c == '\\' || *c == '/') base = c + 1;
    return lstrcmpiA(base, "ondulite_checker.dll") == 0;
}

void Replace(void** slot, void* wrapper)
{
    DWORD previous = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous)) return;
    *slot = wrapper;
    VirtualProtect(slot, sizeof *slot, previous, &previous);
}

// Every imported function gets its rule's stand-in or stays as it is; one
// without a rule is reported. Returns the number of stand-ins put in.
int ApplyRules(HMODULE program)
{
    unsigned char* base = (unsigned char*)program;
    const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)base;
    const IMAGE_NT_HEADERS* nt = (const IMAGE_NT_HEADERS*)(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int applied = 0;
    for (const IMAGE_IMPORT_DESCRIPTOR* library = (const IMAGE_IMPORT_DESCRIPTOR*)(base + imports.VirtualAddress);
         imports.VirtualAddress && library->Name; ++library) {
        const char* name = (const char*)(base + library->Name);
        if (IsCheckerLibrary(name)) continue;
        if (!library->OriginalFirstThunk) {
            CheckerReport("unknown", "%s imported without names", name);
            continue;
        }
        const IMAGE_THUNK_DATA* names = (const IMAGE_THUNK_DATA*)(base + library->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = (IMAGE_THUNK_DATA*)(base + library->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                CheckerReport("unknown", "%s imported by ordinal %u", name,
                              (unsigned)IMAGE_ORDINAL(names->u1.Ordinal));
                continue;
            }
            const char* function = (const char*)((const IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData))->Name;
            const CheckerRule* rule = FindCheckerRule(name, function);
            if (!rule) {
                CheckerReport("unknown", "%s!%s imported", name, function);
                continue;
            }
            if (!rule->wrapper) continue;
            *rule->real = (void*)slots->u1.Function;
            Replace((void**)&slots->u1.Function, rule->wrapper);
            ++applied;
        }
    }
    return applied;
}

}  // namespace

void CheckerReport(const char* kind, const char* format, ...)
{
    char text[1024];
    int used = std::snprintf(text, sizeof text, "%s: ", kind);
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text + used, sizeof text - (size_t)used, format, arguments);
    va_end(arguments);
    if (FirstTime(text)) WriteLine("%s", text);
}

// The loader resolves this import, which brings the DLL in first.
extern "C" __declspec(dllexport) void CheckerAttach(void)
{
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    InitializeCriticalSection(&reportLock);
    const Claim claim = ReadClaimedSystem();
    claimedSystem = claim.system;
    ReadCheckerConditions();
    int applied = ApplyRules(GetModuleHandleA(nullptr));
    WriteLine("attached: %s, %d stand-ins", claim.name, applied);
    return TRUE;
}
