// The checker's rules: what Windows 95, 98, Me and NT 4 do differently
// from the Windows that Wine is, for every function that the saver imports
// (tests/e2e/windows95-nt4-imports.txt and the 64-bit saver's own) or takes
// by name, with a stand-in where the difference matters to the saver.
//
// Sources, named in each row: the MSDN Library of June 1998 (the Win32
// reference of 95, 98 and NT 4, with its "Windows 95:", "Windows 98:" and
// "Windows NT:" remarks), its "Windows 95 General Limitations", "Windows 95
// Window Management" and "Windows 95 Graphics Device Interface" pages, the
// Platform SDK of April 2000 where it adds Me, and Knowledge Base articles.
// A row whose behaviour says "no difference that matters here" is one whose
// documentation has no remark for these systems on anything the saver uses.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tests/e2e/checker.h"

namespace {

const char kNone[] = "no difference that matters here";
const char kMsdn98[] = "MSDN Library (June 1998): no Windows 95/98 or NT 4.0 remark on what the saver uses";
const char kCrt[] = "msvcrt.dll, the same interface on every system that has it (95 with it installed); "
                    "the C runtime reference has no system remarks";
const char k64BitOnly[] = "64-bit Windows only: none of the claimed systems has a 64-bit edition; "
                          "the 32-bit saver does not import it";

const char* SystemName(void)
{
    switch (claimedSystem) {
    case kWin95:
        return "Windows 95";
    case kWin98:
        return "Windows 98";
    case kWinMe:
        return "Windows Me";
    case kNt40:
        return "Windows NT 4.0";
    }
    return "this system";
}

// ---- Conditions asked for by a case, on any claimed system.

int64_t clockAheadSeconds = 0;
enum class CursorFailure { None, First, All } cursorFailure = CursorFailure::None;
volatile LONG cursorCalls = 0;
char paintFolder[MAX_PATH] = "";  // where paints are recorded; empty: they are not
LONG paintCount = 0;
uint32_t lastPaintDigest = 0;

constexpr int64_t kFileTimeStepsPerSecond = 10000000;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;

// ---- The system's own functions, for the stand-ins.

void* realCreateThread;
void* realCreateSemaphoreW;
void* realGetModuleHandleW;
void* realGetSystemInfo;
void* realGetVersionExA;
void* realVirtualAlloc;
void* realVirtualProtect;
void* realGetSystemTimeAsFileTime;
void* realGetProcAddress;
void* realLoadLibraryA;
void* realGetSystemMetrics;
void* realPeekMessageA;
void* realMsgWaitForMultipleObjects;
void* realCreateWindowExA;
void* realRegisterClassA;
void* realSystemParametersInfoA;
void* realGetCursorPos;
void* realSetDIBitsToDevice;
#if defined(__i386__)
void* realTime;
#endif
void* realTime64;

template <typename Proc>
Proc Real(void* address)
{
    return reinterpret_cast<Proc>(address);
}

// ---- KERNEL32

HANDLE WINAPI CheckedCreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                                  LPVOID parameter, DWORD flags, LPDWORD threadId)
{
    if (Claimed(kWindows9x) && !threadId) {
        CheckerReport("fault", "CreateThread with a null thread identifier pointer fails on %s", SystemName());
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (Claimed(kOldSystems) && (flags & STACK_SIZE_PARAM_IS_A_RESERVATION)) {
        CheckerReport("fault", "CreateThread: %s knows no STACK_SIZE_PARAM_IS_A_RESERVATION and commits the size",
                      SystemName());
        flags &= ~(DWORD)STACK_SIZE_PARAM_IS_A_RESERVATION;
    }
    return Real<decltype(&CreateThread)>(realCreateThread)(attributes, stack, start, parameter, flags, threadId);
}

HANDLE WINAPI CheckedCreateSemaphoreW(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name)
{
    if (Claimed(kWindows9x)) {
        CheckerReport("fault", "CreateSemaphoreW is a stub that fails on %s", SystemName());
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return nullptr;
    }
    return Real<decltype(&CreateSemaphoreW)>(realCreateSemaphoreW)(attributes, initial, maximum, name);
}

HMODULE WINAPI CheckedGetModuleHandleW(LPCWSTR name)
{
    if (Claimed(kWindows9x)) {
        CheckerReport("fault", "GetModuleHandleW is a stub that fails on %s", SystemName());
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return nullptr;
    }
    return Real<decltype(&GetModuleHandleW)>(realGetModuleHandleW)(name);
}

void WINAPI CheckedGetSystemInfo(LPSYSTEM_INFO info)
{
    Real<decltype(&GetSystemInfo)>(realGetSystemInfo)(info);
    if (Claimed(kWindows9x) && info) {
        CheckerReport("note", "GetSystemInfo: %s runs on one processor", SystemName());
        info->dwNumberOfProcessors = 1;
        info->dwActiveProcessorMask = 1;
    }
}

BOOL WINAPI CheckedGetVersionExA(LPOSVERSIONINFOA version)
{
    if (Claimed(kOldSystems) && version && version->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        CheckerReport("fault", "GetVersionExA: %s takes only an OSVERSIONINFOA (size %lu given)", SystemName(),
                      (unsigned long)version->dwOSVersionInfoSize);
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return Real<decltype(&GetVersionExA)>(realGetVersionExA)(version);
}

LPVOID WINAPI CheckedVirtualAlloc(LPVOID address, SIZE_T size, DWORD type, DWORD protection)
{
    DWORD known = MEM_COMMIT | MEM_RESERVE | MEM_TOP_DOWN | (Claimed(kNt40) ? MEM_RESET : 0);
    if (Claimed(kOldSystems) && (type & ~known)) {
        CheckerReport("fault", "VirtualAlloc: %s knows no allocation type 0x%lX", SystemName(),
                      (unsigned long)(type & ~known));
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return Real<decltype(&VirtualAlloc)>(realVirtualAlloc)(address, size, type, protection);
}

BOOL WINAPI CheckedVirtualProtect(LPVOID address, SIZE_T size, DWORD protection, PDWORD previous)
{
    const uintptr_t at = (uintptr_t)address;
    if (Claimed(kWindows9x) && at >= 0x80000000u && at <= 0xFFFFFFFFu) {
        CheckerReport("fault", "VirtualProtect of the shared or system arena (%p) fails on %s", address,
                      SystemName());
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return Real<decltype(&VirtualProtect)>(realVirtualProtect)(address, size, protection, previous);
}

void WINAPI CheckedGetSystemTimeAsFileTime(LPFILETIME now)
{
    Real<decltype(&GetSystemTimeAsFileTime)>(realGetSystemTimeAsFileTime)(now);
    if (clockAheadSeconds == 0 || !now) return;
    CheckerReport("condition", "the clock runs %lld s ahead", (long long)clockAheadSeconds);
    uint64_t steps = (uint64_t)now->dwHighDateTime << 32 | now->dwLowDateTime;
    steps += (uint64_t)(clockAheadSeconds * kFileTimeStepsPerSecond);
    now->dwLowDateTime = (DWORD)steps;
    now->dwHighDateTime = (DWORD)(steps >> 32);
}

// The checker's own reading of the calendar clock, ahead as asked.
int64_t CheckedUnixSeconds(void)
{
    FILETIME now;
    CheckedGetSystemTimeAsFileTime(&now);
    uint64_t steps = (uint64_t)now.dwHighDateTime << 32 | now.dwLowDateTime;
    return (int64_t)(steps / kFileTimeStepsPerSecond) - kSecondsFrom1601To1970;
}

// Names the library from a path, as the system's own lists do.
const char* BaseName(const char* path)
{
    const char* base = path;
    for (const char* c = path; *c; ++c)
        if (*c == '\\' || *c == '/' || *c == ':') base = c + 1;
    return base;
}

HMODULE WINAPI CheckedLoadLibraryA(LPCSTR name)
{
    if (Claimed(kNt40) && name && lstrcmpiA(BaseName(name), "PASSWORD.CPL") == 0) {
        CheckerReport("fault", "LoadLibraryA(\"%s\"): Windows NT 4.0 has no PASSWORD.CPL", name);
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return Real<decltype(&LoadLibraryA)>(realLoadLibraryA)(name);
}

// Functions taken by name: one that the claimed system lacks is not found;
// one with a stand-in is given the stand-in; one without a rule is reported.
FARPROC WINAPI CheckedGetProcAddress(HMODULE module, LPCSTR name)
{
    FARPROC found = Real<decltype(&GetProcAddress)>(realGetProcAddress)(module, name);
    if (((uintptr_t)name >> 16) == 0) {
        CheckerReport("unknown", "GetProcAddress by ordinal %u", (unsigned)(uintptr_t)name);
        return found;
    }
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module, path, sizeof path);
    const CheckerRule* rule = FindCheckerRule(path, name);
    if (!rule) {
        CheckerReport("unknown", "%s taken by name from %s", name, BaseName(path));
        return found;
    }
    if (Claimed(rule->absentOn)) {
        CheckerReport("note", "%s is not in %s on %s: not found", name, BaseName(path), SystemName());
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    if (rule->wrapper && found) {
        *rule->real = reinterpret_cast<void*>(found);
        return reinterpret_cast<FARPROC>(rule->wrapper);
    }
    return found;
}

// ---- USER32

int WINAPI CheckedGetSystemMetrics(int index)
{
    // SM_XVIRTUALSCREEN (76) to SM_SAMEDISPLAYFORMAT (81) came with 98 and
    // 2000; the indices after them with 2000 and later.
    if ((Claimed(kWin95 | kNt40) && index >= SM_XVIRTUALSCREEN) || (Claimed(kOldSystems) && index > 81)) {
        CheckerReport("note", "GetSystemMetrics(%d) answers 0 on %s", index, SystemName());
        return 0;
    }
    return Real<decltype(&GetSystemMetrics)>(realGetSystemMetrics)(index);
}

BOOL WINAPI CheckedPeekMessageA(LPMSG message, HWND window, UINT first, UINT last, UINT flags)
{
    if (Claimed(kWin95 | kNt40) && (flags & 0xFFFF0000u)) {
        CheckerReport("fault", "PeekMessageA: %s knows no PM_QS_* flags (0x%X given)", SystemName(), flags);
        flags &= 0xFFFFu;
    }
    return Real<decltype(&PeekMessageA)>(realPeekMessageA)(message, window, first, last, flags);
}

DWORD WINAPI CheckedMsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL all, DWORD ms, DWORD mask)
{
    if (Claimed(kOldSystems) && (mask & QS_RAWINPUT)) {
        CheckerReport("fault", "MsgWaitForMultipleObjects: %s knows no QS_RAWINPUT", SystemName());
        mask &= ~(DWORD)QS_RAWINPUT;
    }
    return Real<decltype(&MsgWaitForMultipleObjects)>(realMsgWaitForMultipleObjects)(count, handles, all, ms, mask);
}

HWND WINAPI CheckedCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                                   int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID data)
{
    // WS_EX_LAYERED, WS_EX_NOINHERITLAYOUT, WS_EX_COMPOSITED and
    // WS_EX_NOACTIVATE came with 2000 and XP, WS_EX_LAYOUTRTL with 98's
    // and 2000's right-to-left editions.
    DWORD unknown = exStyle & (WS_EX_LAYERED | WS_EX_NOINHERITLAYOUT | WS_EX_COMPOSITED | WS_EX_NOACTIVATE |
                               (Claimed(kWin95 | kNt40) ? WS_EX_LAYOUTRTL : 0));
    if (Claimed(kOldSystems) && unknown) {
        CheckerReport("fault", "CreateWindowExA: %s knows no extended style 0x%lX", SystemName(),
                      (unsigned long)unknown);
        exStyle &= ~unknown;
    }
    return Real<decltype(&CreateWindowExA)>(realCreateWindowExA)(exStyle, className, title, style, x, y, width,
                                                                 height, parent, menu, instance, data);
}

ATOM WINAPI CheckedRegisterClassA(const WNDCLASSA* windowClass)
{
    if (Claimed(kWin95) && windowClass && (windowClass->cbClsExtra > 40 || windowClass->cbWndExtra > 40)) {
        CheckerReport("fault", "RegisterClassA with more than 40 extra bytes fails on Windows 95");
        return 0;
    }
    return Real<decltype(&RegisterClassA)>(realRegisterClassA)(windowClass);
}

BOOL WINAPI CheckedSystemParametersInfoA(UINT action, UINT number, PVOID value, UINT update)
{
    const UINT kSetRunning = 97;   // SPI_SETSCREENSAVERRUNNING, 9x only
    const UINT kGetRunning = 114;  // SPI_GETSCREENSAVERRUNNING, 98 and 2000 on
    if ((Claimed(kNt40) && action == kSetRunning) || (Claimed(kWin95 | kNt40) && action == kGetRunning)) {
        CheckerReport("fault", "SystemParametersInfoA(%u) is not supported on %s", action, SystemName());
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return Real<decltype(&SystemParametersInfoA)>(realSystemParametersInfoA)(action, number, value, update);
}

BOOL WINAPI CheckedGetCursorPos(LPPOINT cursor)
{
    LONG call = InterlockedIncrement(&cursorCalls);
    bool fail = cursorFailure == CursorFailure::All || (cursorFailure == CursorFailure::First && call == 1);
    if (!fail) return Real<decltype(&GetCursorPos)>(realGetCursorPos)(cursor);
    CheckerReport("condition", "GetCursorPos fails");
    // The point is undefined after a failure: a far one, another each time,
    // makes any use of it show.
    if (cursor) *cursor = {(call & 1) ? -30000 : 30000, -30000};
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

// ---- GDI32

bool Fits16(long long value)
{
    return value >= -32768 && value <= 32767;
}

int Truncated16(long long value)
{
    return (int)(short)(unsigned short)(value & 0xFFFF);
}

// What a paint of the saver's whole picture shows in its window: the part
// that the window's client area holds, written as paint-N.ppm (top line
// first) into the folder of ONDULITE_CHECKER_PAINTS, unless it shows the same
// pixels as the paint before. Only the saver's own kind of paint is taken: a
// bottom-up 32-bit picture, whole, at the top left.
void RecordPaint(HDC dc, int x, int y, DWORD width, DWORD height, UINT firstLine, UINT lines, const VOID* bits,
                 const BITMAPINFO* info)
{
    const BITMAPINFOHEADER& header = info->bmiHeader;
    RECT client;
    HWND window = WindowFromDC(dc);
    if (!window || !GetClientRect(window, &client) || x != 0 || y != 0 || firstLine != 0 ||
        header.biBitCount != 32 || header.biCompression != BI_RGB || header.biHeight <= 0 ||
        (LONG)width != header.biWidth || (LONG)height != header.biHeight || (LONG)lines != header.biHeight)
        return;
    const int shownWidth = (int)(client.right < header.biWidth ? client.right : header.biWidth);
    const int shownHeight = (int)(client.bottom < header.biHeight ? client.bottom : header.biHeight);
    if (shownWidth <= 0 || shownHeight <= 0) return;
    const uint32_t* pixels = (const uint32_t*)bits;
    char head[64];
    const int headLength = wsprintfA(head, "P6\n%d %d\n255\n", shownWidth, shownHeight);
    const size_t size = (size_t)headLength + (size_t)shownWidth * shownHeight * 3;
    unsigned char* file = (unsigned char*)HeapAlloc(GetProcessHeap(), 0, size);
    if (!file) return;
    std::memcpy(file, head, (size_t)headLength);
    unsigned char* at = file + headLength;
    uint32_t digest = 2166136261u;
    for (int row = 0; row < shownHeight; ++row) {
        const uint32_t* line = pixels + (size_t)(header.biHeight - 1 - row) * (size_t)header.biWidth;
        for (int column = 0; column < shownWidth; ++column) {
            const uint32_t pixel = line[column];
            *at++ = (unsigned char)(pixel >> 16);
            *at++ = (unsigned char)(pixel >> 8);
            *at++ = (unsigned char)pixel;
            digest = (digest ^ pixel) * 16777619u;
        }
    }
    if (paintCount == 0 || digest != lastPaintDigest) {
        lastPaintDigest = digest;
        char path[MAX_PATH + 32];
        wsprintfA(path, "%s\\paint-%ld.ppm", paintFolder, ++paintCount);
        HANDLE out = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(out, file, (DWORD)size, &written, nullptr);
            CloseHandle(out);
        }
        CheckerReport("condition", "paints recorded");
    }
    HeapFree(GetProcessHeap(), 0, file);
}

int WINAPI CheckedSetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int sourceX, int sourceY,
                                    UINT firstLine, UINT lines, const VOID* bits, const BITMAPINFO* info, UINT use)
{
    if (paintFolder[0] && bits && info) RecordPaint(dc, x, y, width, height, firstLine, lines, bits, info);
    if (Claimed(kWindows9x) && !(Fits16(x) && Fits16(y) && Fits16(width) && Fits16(height) && Fits16(sourceX) &&
                                 Fits16(sourceY) && Fits16(firstLine) && Fits16(lines))) {
        CheckerReport("fault", "SetDIBitsToDevice: %s cuts coordinates to 16 bits (%d, %d, %lu x %lu, %u lines)",
                      SystemName(), x, y, (unsigned long)width, (unsigned long)height, lines);
        x = Truncated16(x);
        y = Truncated16(y);
        width = (DWORD)Truncated16(width);
        height = (DWORD)Truncated16(height);
        sourceX = Truncated16(sourceX);
        sourceY = Truncated16(sourceY);
        firstLine = (UINT)Truncated16(firstLine);
        lines = (UINT)Truncated16(lines);
    }
    return Real<decltype(&SetDIBitsToDevice)>(realSetDIBitsToDevice)(dc, x, y, width, height, sourceX, sourceY,
                                                                     firstLine, lines, bits, info, use);
}

// ---- MSVCRT

#if defined(__i386__)
// msvcrt's time() keeps a signed 32-bit count, which ends with 2038.
int32_t __cdecl CheckedTime(int32_t* out)
{
    typedef int32_t(__cdecl * TimeProc)(int32_t*);
    if (clockAheadSeconds == 0) return Real<TimeProc>(realTime)(out);
    int64_t seconds = CheckedUnixSeconds();
    int32_t result = seconds > 0x7FFFFFFF ? -1 : (int32_t)seconds;
    if (result == -1) CheckerReport("note", "time() answers -1 past 2038-01-19 03:14:07 UTC");
    if (out) *out = result;
    return result;
}
#endif

int64_t __cdecl CheckedTime64(int64_t* out)
{
    typedef int64_t(__cdecl * Time64Proc)(int64_t*);
    if (clockAheadSeconds == 0) return Real<Time64Proc>(realTime64)(out);
    int64_t seconds = CheckedUnixSeconds();
    if (out) *out = seconds;
    return seconds;
}

#define STAND_IN(function) (void*)Checked##function, &real##function

}  // namespace

// ---- The table. Libraries as the saver imports or loads them.

const CheckerRule kCheckerRules[] = {
    // ADVAPI32
    {"ADVAPI32.DLL", "RegCloseKey", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"ADVAPI32.DLL", "RegOpenKeyA", 0, nullptr, nullptr, 0, kNone,
     "MSDN Library (June 1998), RegOpenKey: a Windows 3.1 compatibility function, the same on 95 and NT 4"},
    {"ADVAPI32.DLL", "RegQueryValueA", 0, nullptr, nullptr, 0, kNone,
     "MSDN Library (June 1998), RegQueryValue: default values only, as the about box reads them"},
    {"ADVAPI32.DLL", "RegQueryValueExA", 0, nullptr, nullptr, 0, kNone,
     "MSDN Library (June 1998), RegQueryValueEx: its NT-only remarks concern HKEY_PERFORMANCE_DATA"},

    // GDI32
    {"GDI32.DLL", "CreateDIBSection", 0, nullptr, nullptr, 0, kNone,
     "Windows 95 Graphics Device Interface (MSDN Library, June 1998): 32-bit DIBs with BI_RGB are supported; "
     "CreateDIBSection is the way to make a DIB there"},
    {"GDI32.DLL", "DeleteObject", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"GDI32.DLL", "GetDeviceCaps", 0, nullptr, nullptr, 0, kNone,
     "MSDN Library (June 1998), GetDeviceCaps: LOGPIXELSX on every system; the about box reads only it"},
    {"GDI32.DLL", "GetStockObject", 0, nullptr, nullptr, 0, kNone,
     "MSDN Library (June 1998), GetStockObject: DC_BRUSH and DC_PEN are 2000 only; BLACK_BRUSH is everywhere"},
    {"GDI32.DLL", "SetDIBitsToDevice", kWindows9x, STAND_IN(SetDIBitsToDevice), 0,
     "coordinates and extents beyond 16 bits are cut to their low 16 bits: a fault, then drawn so",
     "Windows 95 Graphics Device Interface (MSDN Library, June 1998; Platform SDK April 2000 for 95/98): "
     "a 16-bit world coordinate system; 32-bit coordinates are truncated to 16 bits"},

    // KERNEL32
    {"KERNEL32.DLL", "CloseHandle", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "CreateEventA", 0, nullptr, nullptr, 0, kNone,
     "MSDN Library (June 1998), CreateEvent: security descriptors are ignored on 95; the saver passes none"},
    {"KERNEL32.DLL", "CreateProcessA", 0, nullptr, nullptr, 0, kNone,
     "MSDN Library (June 1998), CreateProcess; KB Q175986: the application name and command line behave alike "
     "on 95, 98, Me and NT 4 for 32-bit programs"},
    {"KERNEL32.DLL", "CreateSemaphoreA", 0, nullptr, nullptr, 0, kNone,
     "MSDN Library (June 1998), CreateSemaphore: security descriptors are ignored on 95"},
    {"KERNEL32.DLL", "CreateSemaphoreW", kWindows9x, STAND_IN(CreateSemaphoreW), 0,
     "a stub: fails with ERROR_CALL_NOT_IMPLEMENTED (no longer imported: host/ansi_imports.cpp)",
     "Windows 95 General Limitations (MSDN Library, June 1998): the wide-character functions are stubs but for "
     "a few text and message-box functions"},
    {"KERNEL32.DLL", "CreateThread", kOldSystems, STAND_IN(CreateThread), 0,
     "95, 98, Me: a null thread identifier pointer fails; all four: STACK_SIZE_PARAM_IS_A_RESERVATION unknown",
     "MSDN Library (June 1998), CreateThread: \"Windows 95 and Windows 98: This parameter may not be NULL.\"; "
     "Platform SDK (April 2000): the reservation flag is Windows XP's"},
    {"KERNEL32.DLL", "DeleteCriticalSection", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "EnterCriticalSection", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "ExitProcess", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "FreeLibrary", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "GetCommandLineA", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "GetCurrentThreadId", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "GetLastError", 0, nullptr, nullptr, 0, kNone,
     "Windows 95 General Limitations: error codes may differ from NT's; the saver reads none"},
    {"KERNEL32.DLL", "GetModuleHandleA", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "GetModuleHandleW", kWindows9x, STAND_IN(GetModuleHandleW), 0,
     "a stub: fails with ERROR_CALL_NOT_IMPLEMENTED (no longer imported: host/ansi_imports.cpp)",
     "Windows 95 General Limitations (MSDN Library, June 1998)"},
    {"KERNEL32.DLL", "GetProcAddress", kOldSystems, STAND_IN(GetProcAddress), 0,
     "functions taken by name: those the claimed system lacks are not found (rows below with absentOn)",
     "the Requirements of each function taken by name (rows below)"},
    {"KERNEL32.DLL", "GetStartupInfoA", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "GetSystemInfo", kWindows9x, STAND_IN(GetSystemInfo), 0,
     "one processor: dwNumberOfProcessors 1, so the saver makes its pictures without helpers",
     "MSDN Library (June 1998), GetProcessAffinityMask: \"Windows 95 and Windows 98: ... sets ... to the value "
     "one\" (no multiprocessor support)"},
    {"KERNEL32.DLL", "GetSystemTimeAsFileTime", 0, STAND_IN(GetSystemTimeAsFileTime), 0,
     "no difference; the stand-in runs the clock ahead when a case asks (ONDULITE_CHECKER_CLOCK)",
     "MSDN Library (June 1998), Time functions: GetSystemTimeAsFileTime in Windows 95 and NT 3.5 on"},
    {"KERNEL32.DLL", "GetTickCount", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "GetVersionExA", kOldSystems, STAND_IN(GetVersionExA), 0,
     "only an OSVERSIONINFOA: the extended structure fails",
     "MSDN Library (June 1998), OSVERSIONINFOEX: \"Windows NT: Requires version 5.0 or later. Windows: "
     "Unsupported.\" (NT 4 took it from Service Pack 6)"},
    {"KERNEL32.DLL", "InitializeCriticalSection", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "IsDBCSLeadByteEx", 0, nullptr, nullptr, 0, kNone,
     "MSDN Library (June 1998), IsDBCSLeadByteEx: Windows 95 and NT 3.5 on"},
    {"KERNEL32.DLL", "LeaveCriticalSection", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "LoadLibraryA", kNt40, STAND_IN(LoadLibraryA), 0,
     "NT 4: PASSWORD.CPL, the 9x password control panel, is not there",
     "MSDN Library (June 1998), Screen Savers: the password functions of PASSWORD.CPL and MPR.DLL are 95's"},
    {"KERNEL32.DLL", "MultiByteToWideChar", 0, nullptr, nullptr, 0, kNone,
     "Windows 95 General Limitations: implemented on 95 (one of the few wide-character functions that is)"},
    {"KERNEL32.DLL", "RaiseException", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "__C_specific_handler", 0, nullptr, nullptr, 0, k64BitOnly, k64BitOnly},
    {"KERNEL32.DLL", "ReleaseSemaphore", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "ResetEvent", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "RtlCaptureContext", 0, nullptr, nullptr, 0, k64BitOnly, k64BitOnly},
    {"KERNEL32.DLL", "RtlLookupFunctionEntry", 0, nullptr, nullptr, 0, k64BitOnly, k64BitOnly},
    {"KERNEL32.DLL", "RtlUnwindEx", 0, nullptr, nullptr, 0, k64BitOnly, k64BitOnly},
    {"KERNEL32.DLL", "RtlVirtualUnwind", 0, nullptr, nullptr, 0, k64BitOnly, k64BitOnly},
    {"KERNEL32.DLL", "SetEvent", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "SetLastError", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "SetUnhandledExceptionFilter", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "Sleep", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "TlsAlloc", 0, nullptr, nullptr, 0, kNone,
     "MSDN Library (June 1998), TlsAlloc: at least TLS_MINIMUM_AVAILABLE (64) indexes; the runtime takes two"},
    {"KERNEL32.DLL", "TlsFree", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "TlsGetValue", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "TlsSetValue", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "UnhandledExceptionFilter", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "VirtualAlloc", kOldSystems, STAND_IN(VirtualAlloc), 0,
     "allocation types other than commit, reserve and top-down (and NT 4's MEM_RESET) fail",
     "MSDN Library (June 1998), VirtualAlloc; KB Q162104: MEM_RESET came with NT 4.0; MEM_WRITE_WATCH, "
     "MEM_PHYSICAL and MEM_LARGE_PAGES are later"},
    {"KERNEL32.DLL", "VirtualFree", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "VirtualProtect", kWindows9x, STAND_IN(VirtualProtect), 0,
     "fails with ERROR_INVALID_PARAMETER for the shared and system arenas (2 to 4 GB)",
     "KB Q170426, VirtualProtect Limitations on Windows 95; Platform SDK (April 2000), Virtual Address Space "
     "for 95/98"},
    {"KERNEL32.DLL", "VirtualQuery", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "WaitForMultipleObjects", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "WaitForSingleObject", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"KERNEL32.DLL", "WideCharToMultiByte", 0, nullptr, nullptr, 0, kNone,
     "Windows 95 General Limitations: implemented on 95"},

    // USER32
    {"USER32.DLL", "BeginPaint", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "CharNextA", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "ClientToScreen", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "CreateWindowExA", kOldSystems, STAND_IN(CreateWindowExA), 0,
     "extended styles of 2000 and XP (and the right-to-left layout on 95 and NT 4) are unknown",
     "MSDN Library (June 1998) and Platform SDK (April 2000), CreateWindowEx: WS_EX_LAYERED, WS_EX_NOACTIVATE "
     "\"Windows 2000\", WS_EX_COMPOSITED \"Windows XP\", WS_EX_LAYOUTRTL \"Windows 2000, 98 and Me in "
     "right-to-left languages\""},
    {"USER32.DLL", "DefWindowProcA", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "DialogBoxParamA", 0, nullptr, nullptr, 0, kNone,
     "Windows 95 Window Management (MSDN Library, June 1998): 4.0 programs get the 3-D look; the template "
     "is a plain DLGTEMPLATE"},
    {"USER32.DLL", "DispatchMessageA", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "EndDialog", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "EndPaint", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "FindWindowA", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "GetClientRect", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "GetCursorPos", 0, STAND_IN(GetCursorPos), 0,
     "no difference on these systems; the stand-in fails it when a case asks (ONDULITE_CHECKER_CURSOR), as "
     "NT 5 and later do while the input desktop is not the saver's",
     "Platform SDK (April 2000), GetCursorPos: \"The input desktop must be the current desktop\""},
    {"USER32.DLL", "GetDC", 0, nullptr, nullptr, 0, kNone,
     "MSDN Library (June 1998), GetDC: 95's five common device contexts; the saver's class has CS_OWNDC"},
    {"USER32.DLL", "GetForegroundWindow", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "GetMessageA", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "GetParent", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "GetSystemMetrics", kOldSystems, STAND_IN(GetSystemMetrics), 0,
     "95 and NT 4: the virtual-screen and monitor metrics (76 to 81) answer 0; all four: later indices answer 0",
     "MSDN Library (June 1998), GetSystemMetrics: SM_CXVIRTUALSCREEN and the like \"Windows NT 5.0 and later, "
     "Windows 98\""},
    {"USER32.DLL", "GetWindow", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "GetWindowLongA", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "GetWindowRect", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "InvalidateRect", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "IsIconic", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "IsWindow", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "IsWindowVisible", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "LoadIconA", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "MessageBoxA", 0, nullptr, nullptr, 0, kNone,
     "MSDN Library (June 1998), MessageBox: MB_SERVICE_NOTIFICATION is NT's; the saver uses MB_OK"},
    {"USER32.DLL", "MsgWaitForMultipleObjects", kOldSystems, STAND_IN(MsgWaitForMultipleObjects), 0,
     "QS_RAWINPUT is unknown", "Platform SDK (April 2000), GetQueueStatus: QS_RAWINPUT is Windows XP's"},
    {"USER32.DLL", "PeekMessageA", kWin95 | kNt40, STAND_IN(PeekMessageA), 0,
     "the PM_QS_* flags are unknown",
     "MSDN Library (June 1998), PeekMessage: PM_QS_INPUT, PM_QS_PAINT, PM_QS_POSTMESSAGE, PM_QS_SENDMESSAGE "
     "\"Windows NT 5.0 and Windows 98\""},
    {"USER32.DLL", "PostMessageA", 0, nullptr, nullptr, 0, kNone,
     "Windows 95 Window Management: the 16-bit wParam limit is SendMessageCallback's, SendMessageTimeout's and "
     "SendNotifyMessage's only"},
    {"USER32.DLL", "PostQuitMessage", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "RegisterClassA", kWin95, STAND_IN(RegisterClassA), 0,
     "more than 40 extra class or window bytes fails",
     "KB Q131288, RegisterClass()/ClassEx() Fails If cbWndExtra > 40 Bytes (Windows 95)"},
    {"USER32.DLL", "ReleaseDC", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "SendMessageA", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "SetCursor", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "SetForegroundWindow", 0, nullptr, nullptr, 0, kNone,
     "Platform SDK (April 2000), SetForegroundWindow: 98, Me and 2000 restrict which process may set it; the "
     "saver only brings its own window forward, which a process started by the desktop may"},
    {"USER32.DLL", "SetWindowPos", 0, nullptr, nullptr, 0, kNone,
     "MSDN Library (June 1998), SetWindowPos: no Windows 95 or NT 4.0 remark on the flags the about box passes "
     "(SWP_NOZORDER, SWP_NOACTIVATE, SWP_NOMOVE); its sizes stay far inside 16 bits"},
    {"USER32.DLL", "SystemParametersInfoA", kWin95 | kNt40, STAND_IN(SystemParametersInfoA), 0,
     "NT 4: SPI_SETSCREENSAVERRUNNING (97) is not supported; 95 and NT 4: SPI_GETSCREENSAVERRUNNING (114) neither",
     "MSDN Library (June 1998), SystemParametersInfo: SPI_SCREENSAVERRUNNING \"Windows NT: Not supported\"; "
     "KB Q150785: SPI_GETSCREENSAVERRUNNING from NT 5.0 (and 98)"},
    {"USER32.DLL", "TranslateMessage", 0, nullptr, nullptr, 0, kNone, kMsdn98},
    {"USER32.DLL", "UpdateWindow", 0, nullptr, nullptr, 0, kNone, kMsdn98},

    // MSVCRT: the C runtime that the 95 saver needs installed.
    {"MSVCRT.DLL", "___lc_codepage_func", 0, nullptr, nullptr, 0, kNone,
     "msvcrt.dll; imported by the 64-bit runtime, taken by name by the 32-bit one's code-page lookup, which "
     "falls back to setlocale without it"},
    {"MSVCRT.DLL", "___mb_cur_max_func", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "__getmainargs", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "__initenv", 0, nullptr, nullptr, 0, "data, read as it is", kCrt},
    {"MSVCRT.DLL", "__iob_func", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "__mb_cur_max", 0, nullptr, nullptr, 0, "data, read as it is", kCrt},
    {"MSVCRT.DLL", "__p__acmdln", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "__p__commode", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "__p__fmode", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "__set_app_type", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "__setusermatherr", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "_acmdln", 0, nullptr, nullptr, 0, "data, read as it is", kCrt},
    {"MSVCRT.DLL", "_amsg_exit", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "_cexit", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "_commode", 0, nullptr, nullptr, 0, "data, read as it is", kCrt},
    {"MSVCRT.DLL", "_errno", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "_fmode", 0, nullptr, nullptr, 0, "data, read as it is", kCrt},
    {"MSVCRT.DLL", "_initterm", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "_iob", 0, nullptr, nullptr, 0, "data, read as it is", kCrt},
    {"MSVCRT.DLL", "_onexit", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "_time64", 0, STAND_IN(Time64), 0,
     "no difference; runs the clock ahead when a case asks (not imported: the worker reads the system clock)",
     "C runtime reference (Visual Studio 2010), time, _time32, _time64"},
    {"MSVCRT.DLL", "abort", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "atoi", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "calloc", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "exit", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "fprintf", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "fputc", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "fputs", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "free", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "fwrite", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "localeconv", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "malloc", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "memchr", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "memcpy", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "memmove", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "memset", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "realloc", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "setlocale", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "signal", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "strchr", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "strcmp", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "strerror", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "strlen", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "strncmp", 0, nullptr, nullptr, 0, kNone, kCrt},
#if defined(__i386__)
    {"MSVCRT.DLL", "time", 0, STAND_IN(Time), 0,
     "a signed 32-bit count: -1 from 2038-01-19 03:14:08 UTC on (only with a clock run ahead here; not imported)",
     "C runtime reference (Visual Studio 2010), time: the 32-bit time_t \"may fail after January 18, 2038\""},
#endif
    {"MSVCRT.DLL", "vfprintf", 0, nullptr, nullptr, 0, kNone, kCrt},
    {"MSVCRT.DLL", "wcslen", 0, nullptr, nullptr, 0, kNone, kCrt},

    // Taken by name (GetProcAddress).
    {"USER32.DLL", "EnumDisplayMonitors", 0, nullptr, nullptr, kWin95 | kNt40, "not in 95's and NT 4's user32",
     "MSDN Library (June 1998), Multiple Display Monitors: \"Windows NT: Requires version 5.0 or later. Windows: "
     "Requires Windows 98.\""},
    {"USER32.DLL", "GetMonitorInfoA", 0, nullptr, nullptr, kWin95 | kNt40, "not in 95's and NT 4's user32",
     "MSDN Library (June 1998), GetMonitorInfo, MONITORINFO: Windows 98, NT 5.0"},
    {"USER32.DLL", "MonitorFromWindow", 0, nullptr, nullptr, kWin95 | kNt40, "not in 95's and NT 4's user32",
     "MSDN Library (June 1998), MonitorFromWindow: Windows 98, NT 5.0"},
    {"USER32.DLL", "GetDpiForWindow", 0, nullptr, nullptr, kOldSystems, "Windows 10's (version 1607)",
     "Windows SDK, GetDpiForWindow: Windows 10, version 1607 and later"},
    {"USER32.DLL", "RegisterPowerSettingNotification", 0, nullptr, nullptr, kOldSystems, "Windows Vista's",
     "Windows SDK, RegisterPowerSettingNotification: Windows Vista and later"},
    {"USER32.DLL", "UnregisterPowerSettingNotification", 0, nullptr, nullptr, kOldSystems, "Windows Vista's",
     "Windows SDK, UnregisterPowerSettingNotification: Windows Vista and later"},
    {"IMM32.DLL", "ImmAssociateContext", 0, nullptr, nullptr, 0, kNone,
     "MSDN Library (June 1998), Input Method Manager: IMM32 on 95 and NT 4 with input methods; the saver uses "
     "it only when the library is already loaded"},
    {"PASSWORD.CPL", "VerifyScreenSavePwd", 0, nullptr, nullptr, kNt40, "9x only",
     "MSDN Library (June 1998), Screen Savers: the screen-saver password of 95"},
    {"MPR.DLL", "PwdChangePasswordA", 0, nullptr, nullptr, kNt40, "9x only: NT's MPR.DLL has no password provider",
     "MSDN Library (June 1998), Screen Savers: PwdChangePassword, 95's"},
    {"MSVCRT.DLL", "__lc_codepage", 0, nullptr, nullptr, 0, "data, read as it is",
     "taken by the C runtime's code-page lookup"},
    {"MSVCRT.DLL", "_set_invalid_parameter_handler", 0, nullptr, nullptr, kOldSystems,
     "not in the msvcrt.dll of these systems; the start-up code goes on without it",
     "C runtime reference (Visual Studio 2005), _set_invalid_parameter_handler: new in Visual C++ 2005"},
};

const size_t kCheckerRuleCount = sizeof kCheckerRules / sizeof kCheckerRules[0];

const CheckerRule* FindCheckerRule(const char* library, const char* function)
{
    const char* base = BaseName(library);
    for (const CheckerRule& rule : kCheckerRules)
        if (lstrcmpiA(rule.library, base) == 0 && std::strcmp(rule.function, function) == 0) return &rule;
    return nullptr;
}

void ReadCheckerConditions(void)
{
    char value[64];
    DWORD length = GetEnvironmentVariableA("ONDULITE_CHECKER_CLOCK", value, sizeof value);
    if (length > 0 && length < sizeof value) clockAheadSeconds = std::strtoll(value, nullptr, 10);
    length = GetEnvironmentVariableA("ONDULITE_CHECKER_PAINTS", paintFolder, sizeof paintFolder);
    if (length >= sizeof paintFolder) paintFolder[0] = '\0';
    length = GetEnvironmentVariableA("ONDULITE_CHECKER_CURSOR", value, sizeof value);
    if (length > 0 && length < sizeof value)
        cursorFailure = std::strcmp(value, "first") == 0 ? CursorFailure::First
                        : std::strcmp(value, "all") == 0 ? CursorFailure::All
                                                          : CursorFailure::None;
}
