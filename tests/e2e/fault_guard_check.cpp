// The fault guard in the saver's own code, under Wine: a fault inside the
// guarded call lets the call return the exception code, clears the
// screen-saver-running flag on the Windows 9x family, and leaves the process
// running with the previous top-level filter back in place.
#include <windows.h>

#include <cstdio>

#include "host/fault_guard.h"
#include "host/host_state.h"

static int failures = 0;

static void Check(bool passed, const char* what)
{
    std::printf("%s: %s\n", passed ? "ok" : "FAIL", what);
    if (!passed) ++failures;
}

static volatile uintptr_t unmappedAddress = 16;

static int32_t WriteUnmappedMemory(void* context)
{
    (void)context;
    *(volatile int*)unmappedAddress = 1;
    return 5;
}

static int32_t FinishNormally(void* context)
{
    return *(int32_t*)context;
}

static LONG WINAPI MarkerFilter(EXCEPTION_POINTERS* exception)
{
    (void)exception;
    return EXCEPTION_CONTINUE_SEARCH;
}

static bool SaverRunningFlag(void)
{
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running != FALSE;
}

int main()
{
    // Report the fault without asking anyone: no debugger, no dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(MarkerFilter);

    int32_t value = 42;
    Check(RunUnderFaultGuard(FinishNormally, &value) == 42, "a call without fault returns its own result");

    hostState.isWindows9x = true;
    UINT previous = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 1, &previous, 0);
    Check(SaverRunningFlag(), "the screen-saver-running flag is raised before the fault");
    int32_t result = RunUnderFaultGuard(WriteUnmappedMemory, nullptr);
    Check((uint32_t)result == EXCEPTION_ACCESS_VIOLATION, "a fault ends the call with its exception code");
    Check(!SaverRunningFlag(), "the handler lowered the screen-saver-running flag");

    Check(SetUnhandledExceptionFilter(MarkerFilter) == MarkerFilter, "the previous top-level filter is back");
    // (Wine's UnhandledExceptionFilter starts the debugger once per process
    // and waits for it ever after, so one fault is all a process can take.)
    Check(RunUnderFaultGuard(FinishNormally, &value) == 42, "the thread goes on normally afterwards");

    std::printf("%s\n", failures ? "fault guard: FAILED" : "fault guard: passed");
    return failures ? 1 : 0;
}
