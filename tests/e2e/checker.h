// The checker: a test DLL that the probe loads into the saver before any of
// the saver's own code runs (tests/e2e/injection.h), which gives the saver
// the personality of the system that Wine claims for it: Windows 95, 98, Me
// or NT 4. It replaces the saver's import-table entries with wrappers that
// do what that system's documentation says it does differently, and call
// the function itself otherwise; functions taken by name go through its
// GetProcAddress. The rules are one table (old_windows_rules.cpp); a
// function that the table does not know is reported, never skipped.
//
// Its log, the file that ONDULITE_CHECKER_LOG names, has one line per
// finding, each said once per process:
//   "attached: <system> <rules applied>"  the checker is in place
//   "fault: ..."    a call that the claimed system refuses or carries out
//                   otherwise; the saver must not make it
//   "note: ..."     the claimed system's documented answer, which the saver
//                   is meant to cope with (a function it lacks, a zero metric)
//   "unknown: ..."  a function without a rule, imported or taken by name
//   "condition: ..." a test condition asked for below was applied
//
// Test conditions, for any claimed system, from the environment:
//   ONDULITE_CHECKER_CLOCK=<seconds>   the calendar clock runs that many
//                                      seconds ahead (GetSystemTimeAsFileTime
//                                      and the C runtime's time functions)
//   ONDULITE_CHECKER_CURSOR=first|all  GetCursorPos fails on its first call,
//                                      or on every call, as it does on NT 5
//                                      and later while the input desktop is
//                                      not the saver's
//   ONDULITE_CHECKER_PAINTS=<folder>   each paint of the whole picture that
//                                      shows new pixels is written there as
//                                      paint-N.ppm: what the window's client
//                                      area holds (Wine shows nothing of a
//                                      window inside another process's)
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The claimed systems, one bit each.
constexpr uint32_t kWin95 = 1u;
constexpr uint32_t kWin98 = 2u;
constexpr uint32_t kWinMe = 4u;
constexpr uint32_t kNt40 = 8u;
constexpr uint32_t kWindows9x = kWin95 | kWin98 | kWinMe;
constexpr uint32_t kOldSystems = kWindows9x | kNt40;

// One row of the rule table.
struct CheckerRule {
    const char* library;    // the DLL as imported or loaded, any case
    const char* function;
    uint32_t systems;       // where `behaviour` applies; 0: no system differs in what matters here
    void* wrapper;          // the checking stand-in; null: calls go straight to the system
    void** real;            // where the stand-in finds the system's own function
    uint32_t absentOn;      // systems that lack it: taken by name, it is not found there
    const char* behaviour;  // what the claimed system does differently, and so the stand-in
    const char* documented; // where that is documented
};

extern const CheckerRule kCheckerRules[];
extern const size_t kCheckerRuleCount;

// The claimed system's bit, or 0 for any other system; set before any
// stand-in runs.
extern uint32_t claimedSystem;

inline bool Claimed(uint32_t systems)
{
    return (claimedSystem & systems) != 0;
}

// Writes "<kind>: <text>" to the log, once per distinct line.
void CheckerReport(const char* kind, const char* format, ...);

// The rule of `function` in `library` (file name or path), or null.
const CheckerRule* FindCheckerRule(const char* library, const char* function);

// Reads the test conditions; called once, before the stand-ins are installed.
void ReadCheckerConditions(void);
