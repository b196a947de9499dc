#include "wayland/wayland_options.h"


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
    int next;
    while ((next = NextOtherOption(&reader, "--", options, error)) > 0) {
        if (reader.name == "--background") {
            if (!OptionTakesNoValue(&reader, error)) return false;
            options->background = true;
        } else if (reader.name == "--output") {
            const char* name = OptionText(&reader, "--output wants the name of an output, such as DP-1", error);
            if (!name) return false;
            options->outputName = name;
        } else {
            *error = UnknownOption(&reader);
            return false;
        }
    }
    return next == 0;
}
