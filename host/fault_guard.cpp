#include "host/fault_guard.h"

#include <windows.h>

#include "host/password.h"

namespace {

// On i686 the head of the thread's SEH chain is at fs:0; the jump back
// must drop the dispatcher's frames that the fault linked in after it.
// x86_64 keeps its handlers in tables and has no such chain.
void* ExceptionChainHead(void)
{
    void* head = nullptr;
#if defined(__i386__)
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
#endif
    return head;
}

void RestoreExceptionChainHead(void* head)
{
#if defined(__i386__)
    __asm__ __volatile__("movl %0, %%fs:0" : : "r"(head) : "memory");
#else
    (void)head;
#endif
}

struct FaultGuard {
    bool armed;
    volatile LONG handling;  // 1 once a fault is being handled
    DWORD thread;
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter;
    void* exceptionList;  // SEH chain head at entry (i686)
    void* landing[5];  // __builtin_setjmp buffer
    DWORD exceptionCode;
};

FaultGuard faultGuard;

void Disarm(void)
{
    if (!faultGuard.armed) return;
    faultGuard.armed = false;
    SetUnhandledExceptionFilter(faultGuard.previousFilter);
    faultGuard.previousFilter = nullptr;
}

LONG WINAPI GuardFilter(EXCEPTION_POINTERS* exception)
{
    // One fault is handled; one that comes while it is (on another
    // thread) goes the system's usual way.
    if (InterlockedExchange(&faultGuard.handling, 1) != 0 || !faultGuard.armed) {
        LPTOP_LEVEL_EXCEPTION_FILTER previous = faultGuard.previousFilter;
        return previous ? previous(exception) : EXCEPTION_CONTINUE_SEARCH;
    }
    // The system's filter calls the top-level filter itself: put the
    // previous one back first so that it does not come back here.
    Disarm();
    LONG decision = UnhandledExceptionFilter(exception);
    if (decision != EXCEPTION_EXECUTE_HANDLER) return decision;
    if (GetCurrentThreadId() != faultGuard.thread) {
        SetSaverRunningFlag(false);
        ExitProcess(exception->ExceptionRecord->ExceptionCode);
    }
    faultGuard.exceptionCode = exception->ExceptionRecord->ExceptionCode;
    // No unwinding: the guarded frames are abandoned, as a handler of a
    // structured guard abandons them once the filter has chosen it.
    __builtin_longjmp(faultGuard.landing, 1);
}

}  // namespace

int32_t RunUnderFaultGuard(GuardedProc procedure, void* context)
{
    faultGuard.thread = GetCurrentThreadId();
    faultGuard.exceptionList = ExceptionChainHead();
    faultGuard.exceptionCode = 0;
    faultGuard.handling = 0;
    if (__builtin_setjmp(faultGuard.landing) == 0) {
        faultGuard.armed = true;
        faultGuard.previousFilter = SetUnhandledExceptionFilter(GuardFilter);
        int32_t result = procedure(context);
        Disarm();
        return result;
    }
    RestoreExceptionChainHead(faultGuard.exceptionList);
    SetSaverRunningFlag(false);
    return (int32_t)faultGuard.exceptionCode;
}
