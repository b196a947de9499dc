// The runtime libraries linked into the saver call two wide-character
// functions that Windows 95, 98 and Me have only as stubs failing with
// ERROR_CALL_NOT_IMPLEMENTED:
// - CreateSemaphoreW, from GCC's win32 thread model (libgcc's gthr-win32),
//   which makes the semaphore of every runtime lock with it: of the thread-
//   local storage of the random source (emutls), of the unwinder's frame
//   list and of the exception emergency pool, at start-up and at a thread's
//   first draw. Without the semaphore a lock still works while nobody
//   waits for it, and fails when somebody does.
// - GetModuleHandleW, from the C runtime's code-page lookup (mingw-w64's
//   ___lc_codepage_func, reached from its printf), which falls back to the
//   "C" locale's code page when it fails.
// Neither failure would show today, but both would the day a lock is
// contended or a locale set. So the saver gives the runtime these import
// entries itself: the linker takes a definition from the program's own
// objects before it looks into the system's import libraries, and these
// call the ANSI functions, which every Windows has. The 32-bit and the
// 64-bit saver import neither wide function (tests/e2e/check-imports.sh).
#include <windows.h>

namespace {

// The runtime names none of its semaphores; a name would need a
// conversion that 95 cannot do for every character.
HANDLE WINAPI CreateSemaphoreAnsi(LPSECURITY_ATTRIBUTES attributes, LONG initial, LONG maximum, LPCWSTR name)
{
    if (name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateSemaphoreA(attributes, initial, maximum, nullptr);
}

// Module names that the runtime asks for are plain ASCII ("msvcrt.dll").
HMODULE WINAPI GetModuleHandleAnsi(LPCWSTR name)
{
    if (!name) return GetModuleHandleA(nullptr);
    char ansi[MAX_PATH];
    for (int i = 0;; ++i) {
        if (i == MAX_PATH || name[i] > 0x7F) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        ansi[i] = (char)name[i];
        if (name[i] == 0) break;
    }
    return GetModuleHandleA(ansi);
}

}  // namespace

// The import entries' own names: with the stdcall decoration on i686.
#if defined(__i386__)
#define ONDULITE_IMPORT_ENTRY(function, argumentBytes) "__imp__" #function "@" #argumentBytes
#else
#define ONDULITE_IMPORT_ENTRY(function, argumentBytes) "__imp_" #function
#endif

extern "C" {
decltype(&CreateSemaphoreAnsi) ondulite_CreateSemaphoreW __asm__(ONDULITE_IMPORT_ENTRY(CreateSemaphoreW, 16)) =
    CreateSemaphoreAnsi;
decltype(&GetModuleHandleAnsi) ondulite_GetModuleHandleW __asm__(ONDULITE_IMPORT_ENTRY(GetModuleHandleW, 4)) =
    GetModuleHandleAnsi;
}
