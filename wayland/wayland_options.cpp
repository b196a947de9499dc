#include "wayland/wayland_options.h"

#include "native/option_reader.h"

const char kWaylandUsage[] =
    "usage: ondulite-wayland [options]\n"
    "Shows a new ondulite picture every second on every output of a Wayland compositor\n"
    "that offers the layer shell (sway, Hyprland, river, labwc, Wayfire, niri, KDE Plasma).\n"
    "\n"
    "  --background      a live wallpaper: on the background layer, input goes past it,\n"
    "                    and only a signal ends it (default: the saver, above everything;\n"
    "                    a key, a button or moving the pointer ends it)\n"
    "  --delay SECONDS   pause after each cycle of pictures, fractions allowed (default 1)\n"
    "  --seed N          unsigned 32-bit seed (default: the current time in seconds)\n"
    "  --output NAME     only the output NAME (as swaymsg -t get_outputs names it)\n"
    "  --fps             print every picture's number, output, size and generation time\n"
    "  --help            show this text\n";

bool ParseWaylandOptions(int argc, const char* const* argv, WaylandOptions* options, std::string* error)
{
    OptionReader reader;
    StartOptionReader(&reader, argc, argv, OptionStyle::OneOrTwoDashes);
    while (NextOption(&reader)) {
        const std::string& name = reader.name;
        if (name == "--help" || name == "--h") {
            if (!OptionTakesNoValue(&reader, error)) return false;
            options->help = true;
        } else if (name == "--background") {
            if (!OptionTakesNoValue(&reader, error)) return false;
            options->background = true;
        } else if (name == "--fps") {
            if (!OptionTakesNoValue(&reader, error)) return false;
            options->fps = true;
        } else if (name == "--delay") {
            if (!OptionDelay(&reader, "--delay", &options->delaySeconds, error)) return false;
        } else if (name == "--seed") {
            if (!OptionSeed(&reader, "--seed", &options->seed, error)) return false;
            options->seedGiven = true;
        } else if (name == "--output") {
            const char* v = OptionValue(&reader, error);
            if (!v) return false;
            if (!*v) {
                *error = "--output wants the name of an output, such as DP-1";
                return false;
            }
            options->outputName = v;
        } else {
            *error = UnknownOption(&reader);
            return false;
        }
    }
    return true;
}
