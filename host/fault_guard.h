// The fault guard around the saver's modes.
//
// MinGW has no __try/__except, so the guard is built from the top-level
// exception filter: a fault on the guarded thread that nothing else handles
// reaches it, the system's UnhandledExceptionFilter reports it in the
// system's own way and decides, and when it answers EXCEPTION_EXECUTE_HANDLER
// the guard's handler runs: the screen-saver-running flag is cleared and the
// guarded call returns. A fault on another thread while the guard is armed
// (the picture worker, its helpers) is decided the same way; as that
// thread has no call to return from, the handler clears the flag and ends
// the process with the fault's exception code, which is what the guarded
// call's return leads to as well.
#pragma once

#include <cstdint>

typedef int32_t (*GuardedProc)(void* context);

// Runs `procedure(context)` on the calling thread under the guard and
// returns its result, or the fault's exception code (0xC0000005 for an
// access violation) when the handler ran. Not re-entrant.
int32_t RunUnderFaultGuard(GuardedProc procedure, void* context);
