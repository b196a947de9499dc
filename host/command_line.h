// Reading the saver's command line: which mode the desktop asks for and the
// window handle that goes with it. Plain text in, plain values out; no
// platform calls, so every edge case is tested natively.
#pragma once

#include <cstdint>

// Steps from one character of the process command line to the next. The
// host passes the system's own (`CharNextA`, which knows double-byte code
// pages); `NextByte` serves single-byte text. Never steps past the end.
typedef const char* (*CharacterStep)(const char* text);

const char* NextByte(const char* text);

// Bytes 0x01 to 0x20 are blank; 0x80 to 0xFF are not.
bool IsBlank(char c);

// The argument text of a process command line: skips the program name (a
// double-quoted name up to and past its closing quote if there is one,
// otherwise everything up to the first blank) and the blanks after it.
// Returns a pointer into `commandLine`.
const char* SkipProgramName(const char* commandLine, CharacterStep next);

// Decimal digits as an unsigned 32-bit number, modulo 2^32; stops at the
// first non-digit. No sign, no hexadecimal form, no length limit; a text
// that does not begin with a digit gives 0.
uint32_t ParseWindowHandle(const char* text);

enum class SaverMode {
    ConfigureUnowned,     // no option at all: the configuration box without an owner
    ConfigureForeground,  // C: the configuration box owned by the foreground window
    FullScreen,           // S
    Preview,              // P or L, with the parent window in `windowHandle`
    ChangePassword,       // A, with the parent window in `windowHandle` (0 when none)
    Refused,              // anything else: the process ends with -1
};

struct ModeRequest {
    SaverMode mode;
    uint32_t windowHandle;  // read for P, L and A only; 0 otherwise
};

// The mode that the argument text asks for. Leading spaces, hyphens and
// slashes are skipped (tabs are not); the next character alone decides, in
// either case. For P, L and A the handle follows the letter after any
// spaces. Whatever comes after is ignored. Whether the platform offers the
// mode, and whether the handle names a window, is for the caller to decide.
ModeRequest ReadModeRequest(const char* arguments);
