// ondulite-wayland's command line, read without a compositor so that every
// case can be tested natively. Options may be given with one dash or two,
// values after a space or after `=`, as for the X11 hack.
#pragma once

#include <cstdint>
#include <string>

#include "native/option_reader.h"

// Beside the savers' own (--delay after each cycle, --seed, --fps, --help:
// SaverOptions).
struct WaylandOptions : SaverOptions {
    bool background = false;  // a live wallpaper instead of the saver
    std::string outputName;   // empty: every output
};

// Reads argv[1..argc-1]. Returns true on success (`options->help` set for
// --help); on bad input returns false with one line of explanation, without
// the program's name, in `error`.
bool ParseWaylandOptions(int argc, const char* const* argv, WaylandOptions* options, std::string* error);

extern const char kWaylandUsage[];
