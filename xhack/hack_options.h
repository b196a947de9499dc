// The X11 hack's command line, read without touching X so that every case
// can be tested natively.
//
// The hack follows XScreenSaver's conventions: options may be given with
// one dash or two (`-root`, `--root`), values after a space or after `=`,
// and the daemon names the window to draw into either with `--window-id` or
// through the environment variable XSCREENSAVER_WINDOW.
#pragma once

#include <cstdint>
#include <string>

#include "native/option_reader.h"

enum class HackTarget {
    OwnWindow,   // a normal resizable top-level window of its own
    Root,        // the root window, or XSCREENSAVER_WINDOW when the daemon set it
    WindowId,    // an existing window named by its id
};

// Beside the savers' own (--delay, --seed, --fps, --help: SaverOptions).
struct HackOptions : SaverOptions {
    HackTarget target = HackTarget::OwnWindow;
    uint32_t windowId = 0;      // for WindowId: never 0
    std::string displayName;    // empty: $DISPLAY
};

// Reads argv[1..argc-1]. `screensaverWindow` is the value of
// XSCREENSAVER_WINDOW, or null when it is not set. Returns true on success
// (`options->help` set for --help); on bad input returns false with one
// line of explanation, without the program's name, in `error`.
//
// Which window: `--window-id` or `--window` given on the command line wins;
// otherwise a set XSCREENSAVER_WINDOW names the window, also under `--root`
// (the daemon starts its hacks with `--root` and means its own window);
// otherwise `--root` is the root window and the default is a window of
// its own.
bool ParseHackOptions(int argc, const char* const* argv, const char* screensaverWindow, HackOptions* options,
                      std::string* error);

// A window id as X tools print it: `0x` and hexadecimal digits, or decimal
// digits, at most 32 bits, not 0 (which names no window). Surrounding
// spaces are allowed, as the environment may carry them.
bool ParseWindowId(const char* text, uint32_t* id);

// --delay is read by ParseDelaySeconds (native/option_reader.h).

extern const char kHackUsage[];
