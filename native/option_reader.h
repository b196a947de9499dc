// The command-line reading that the native front ends share: one argument
// at a time, split into the option's name and a value given after `=`,
// with the messages every tool prints for a missing or an unwanted value.
// Each tool keeps its own list of options and what it makes of them.
//
//   OptionReader reader;
//   StartOptionReader(&reader, argc, argv, OptionStyle::TwoDashes);
//   while (NextOption(&reader)) {
//       if (reader.name == "--seed") { const char* v = OptionValue(&reader, error); ... }
//       else { *error = UnknownOption(&reader); return false; }
//   }
#pragma once

#include <cstdint>
#include <string>

enum class OptionStyle {
    // `--name` or `--name=value`; short names such as `-o` as they stand.
    TwoDashes,
    // XScreenSaver's: one dash or two mean the same (`-root`, `--root`),
    // `-name=value` too, and an argument without a dash is refused. Names
    // are reported in their two-dash form.
    OneOrTwoDashes,
};

struct OptionReader {
    int argc = 0;
    const char* const* argv = nullptr;
    OptionStyle style = OptionStyle::TwoDashes;
    int index = 0;              // argv[index] is the argument being read
    std::string name;           // its name: `--name` (or `-o`), without any `=value`
    const char* value = nullptr;  // what followed `=`, or null
};

void StartOptionReader(OptionReader* reader, int argc, const char* const* argv, OptionStyle style);

// Moves to the next argument; false when there is none.
bool NextOption(OptionReader* reader);

// The option's value: what followed `=`, or else the next argument, which
// it then consumes. Null, with "option NAME needs a value" in `error`, when
// there is neither.
const char* OptionValue(OptionReader* reader, std::string* error);

// True for an option written without `=value`; otherwise false with
// "option NAME takes no value" in `error`.
bool OptionTakesNoValue(const OptionReader* reader, std::string* error);

// The value of a seed option: a whole number from 0 to 4294967295. False on
// a missing or bad value, with "SHOWN wants a whole number from 0 to
// 4294967295, not 'VALUE'" in `error` for a bad one.
bool OptionSeed(OptionReader* reader, const char* shownName, uint32_t* seed, std::string* error);

// The value of a pause option, in seconds as ParseDelaySeconds reads them.
// False on a missing or bad value, with "SHOWN wants seconds from 0 to
// 86400 such as 1 or 0.5, not 'VALUE'" for a bad one.
bool OptionDelay(OptionReader* reader, const char* shownName, double* seconds, std::string* error);

// The message for an argument that no option of the tool's matched.
std::string UnknownOption(const OptionReader* reader);

// A whole number in `base` (10 or 16) over [begin, end): digits only, no
// sign, no spaces, at least one digit, at most `limit` (which must not
// exceed 0xFFFFFFFF). False, and `value` untouched, otherwise.
bool ReadUnsignedNumber(const char* begin, const char* end, uint32_t base, uint64_t limit, uint64_t* value);

// The same for a whole NUL-terminated decimal text; false for null.
bool ReadDecimal(const char* text, uint64_t limit, uint64_t* value);

constexpr double kMaxDelaySeconds = 86400.0;

// Seconds as a plain decimal number with an optional fraction (`1`, `0.5`,
// `.25`), from 0 to kMaxDelaySeconds: the pause after each picture.
bool ParseDelaySeconds(const char* text, double* seconds);
