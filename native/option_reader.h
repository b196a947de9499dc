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

// The options that the savers (the X11 hack and the Wayland client) share,
// with the Windows saver's pause.
struct SaverOptions {
    double delaySeconds = 1.0;  // the pause after each picture (or cycle) is shown
    uint32_t seed = 0;
    bool seedGiven = false;     // otherwise the calendar time seeds, as in the saver
    bool fps = false;           // a line on stderr for every picture shown
    bool help = false;
};

// Reads the argument at the reader when it is one of the savers' options:
// --help (or --h), --delay SECONDS, --seed N, --fps; `matched` tells
// whether it was. Messages write the names with `shownDash` ("-" for
// "-delay wants ..."). False, with one line in `error`, on a missing, bad
// or unwanted value.
bool ReadSaverOption(OptionReader* reader, const char* shownDash, SaverOptions* options, bool* matched,
                     std::string* error);

// For a saver's reading loop: moves to the next argument that is not one of
// the savers' options, reading those on the way (ReadSaverOption). Returns
// 1 at such an argument, 0 at the end, -1 with one line in `error` when a
// saver's option had a bad value.
int NextOtherOption(OptionReader* reader, const char* shownDash, SaverOptions* options, std::string* error);

// The option's value when it is not empty; null with `emptyMessage` (or
// OptionValue's message, when there is no value at all) in `error`.
const char* OptionText(OptionReader* reader, const std::string& emptyMessage, std::string* error);

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
