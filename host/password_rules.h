// The password decisions that need no platform call.
#pragma once

#include <cstdint>

// The tick count that stands for "no password prompt yet".
constexpr uint32_t kNoVerifyTick = 0xFFFFFFFF;
// After a refused prompt, close requests within this many milliseconds are
// refused without asking, so the input that dismissed the prompt does not
// bring it straight back.
constexpr uint32_t kPromptPauseMs = 200;

// Whether the desktop's "ScreenSaveUsePassword" asks for a password, given
// the registry read's `result` (0 is success) and `sizeRead` bytes of a
// 4-byte buffer: those bytes fill a 32-bit number from its low end,
// little-endian, whatever the value's registry type, the missing bytes read
// as zero; the number is non-zero. A failed read (among them a value longer
// than 4 bytes, which does not fit the buffer) asks for none.
bool PasswordWanted(int32_t result, const uint8_t bytes[4], uint32_t sizeRead);

// Whether a close request at tick `now` falls within the pause after the
// prompt that ended at `lastVerifyTick`. The difference is taken unsigned,
// so the tick counter's wrap after 49.7 days does no harm.
bool InPromptPause(uint32_t now, uint32_t lastVerifyTick);
