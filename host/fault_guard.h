// The fault guard around the saver's modes.
//
// MinGW has no __try/__except, so the guard is built from the top-level
// exception filter: a fault on the guarded thread that nothing else handles
// reaches it, the system's UnhandledExceptionFilter reports it in the
// system's own way and decides, and when it answers EXCEPTION_EXECUTE_HANDLER
// the guard's handler runs: the screen-saver-running flag is cleared and the
// guarded call returns. Faults on other threads go the system's usual way.
#pragma once

#include <cstdint>

typedef int32_t (*GuardedProc)(void* context);

// Runs `procedure(context)` on the calling thread under the guard and
// returns its result, or the fault's exception code (0xC0000005 for an
// access violation) when the handler ran. Not re-entrant.
int32_t RunUnderFaultGuard(GuardedProc procedure, void* context);
