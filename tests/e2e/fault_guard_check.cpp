// The fault guard in the saver's own code, under Wine: a fault inside the
// guarded call lets the call return the exception code, clears the
// screen-saver-running flag on the Windows 9x family, and leaves the process
// running with the previous top-level filter back in place. A fault on
// another thread while the guard is armed (as on the picture worker) clears
// the flag too and ends the process with the fault's code; a second process
// of this program shows it, as a Wine process takes one fault only.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

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

static DWORD WINAPI FaultingThread(LPVOID parameter)
{
    (void)parameter;
    *(volatile int*)unmappedAddress = 1;
    return 0;
}

// Stands for the saver's modes with their worker: the fault comes on the
// worker, and the guarded call waits for it.
static int32_t FaultOnAnotherThread(void* context)
{
    (void)context;
    DWORD threadId = 0;  // as the saver's threads: 95, 98 and Me need one
    HANDLE thread = CreateThread(nullptr, 4096, FaultingThread, nullptr, 0, &threadId);
    if (!thread) return 3;
    WaitForSingleObject(thread, 60000);
    CloseHandle(thread);
    return 4;
}

// The exit code of `program arguments`, or 0xFFFFFFFF when it did not end.
static DWORD RunBeside(const char* program, const char* arguments)
{
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self, length);
    std::string command = "\"" + path.substr(0, path.find_last_of("\\/") + 1) + program + "\" " + arguments;
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    std::string buffer = command;
    if (!CreateProcessA(nullptr, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0xFFFFFFFF;
    DWORD code = 0xFFFFFFFF;
    if (WaitForSingleObject(process.hProcess, 90000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    else TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
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

int main(int argc, char** argv)
{
    // Report the fault without asking anyone: no debugger, no dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(MarkerFilter);

    if (argc > 1 && std::strcmp(argv[1], "worker-fault") == 0) {
        hostState.isWindows9x = true;
        UINT previous = 0;
        SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 1, &previous, 0);
        return RunUnderFaultGuard(FaultOnAnotherThread, nullptr);
    }

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

    // Wine caches the flag in each process once read: fresh processes read it.
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 1, &previous, 0);
    Check(RunBeside("running_flag.exe", "") == 1, "the screen-saver-running flag is raised before the worker's fault");
    DWORD code = RunBeside("fault_guard_check.exe", "worker-fault");
    Check(code == EXCEPTION_ACCESS_VIOLATION, "a fault on another thread ends the process with its exception code");
    Check(RunBeside("running_flag.exe", "") == 0, "that handler lowered the screen-saver-running flag");

    std::printf("%s\n", failures ? "fault guard: FAILED" : "fault guard: passed");
    return failures ? 1 : 0;
}
