#include "xhack/hack_options.h"

#include <cstring>

const char kHackUsage[] =
    "usage: ondulite-x11 [options]\n"
    "Shows a new ondulite picture every second in an X window.\n"
    "\n"
    "  --window          draw into a window of its own (the default); a key or closing it ends\n"
    "  --root            draw into the root window (or the screen saver's, see XSCREENSAVER_WINDOW)\n"
    "  --window-id ID    draw into the existing window ID (0x1a00003 or decimal)\n"
    "  --delay SECONDS   pause after each picture, fractions allowed (default 1)\n"
    "  --seed N          unsigned 32-bit seed (default: the current time in seconds)\n"
    "  --fps             print pictures per second and generation time on stderr\n"
    "  --display NAME    the X display (default: $DISPLAY)\n"
    "  --help            show this text\n"
    "\n"
    "XSCREENSAVER_WINDOW, set by screen saver daemons, names the window to draw into\n"
    "unless --window or --window-id is given.\n";

static bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool ParseWindowId(const char* text, uint32_t* id)
{
    if (!text) return false;
    const char* begin = text;
    const char* end = text + std::strlen(text);
    while (begin < end && IsSpace(*begin)) ++begin;
    while (end > begin && IsSpace(end[-1])) --end;
    uint64_t value = 0;
    bool ok;
    if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X'))
        ok = ReadUnsignedNumber(begin + 2, end, 16, 0xFFFFFFFFull, &value);
    else
        ok = ReadUnsignedNumber(begin, end, 10, 0xFFFFFFFFull, &value);
    if (!ok || value == 0) return false;
    *id = (uint32_t)value;
    return true;
}

bool ParseHackOptions(int argc, const char* const* argv, const char* screensaverWindow, HackOptions* options,
                      std::string* error)
{
    bool rootGiven = false;
    bool explicitWindow = false;  // --window or --window-id
    OptionReader reader;
    StartOptionReader(&reader, argc, argv, OptionStyle::OneOrTwoDashes);
    int next;
    while ((next = NextOtherOption(&reader, "-", options, error)) > 0) {
        const std::string& name = reader.name;
        if (name == "--root") {
            if (!OptionTakesNoValue(&reader, error)) return false;
            rootGiven = true;
        } else if (name == "--window") {
            if (!OptionTakesNoValue(&reader, error)) return false;
            if (explicitWindow && options->target == HackTarget::WindowId) {
                *error = "give either -window or -window-id, not both";
                return false;
            }
            options->target = HackTarget::OwnWindow;
            explicitWindow = true;
        } else if (name == "--window-id") {
            const char* v = OptionValue(&reader, error);
            if (!v) return false;
            if (explicitWindow && options->target == HackTarget::OwnWindow) {
                *error = "give either -window or -window-id, not both";
                return false;
            }
            if (!ParseWindowId(v, &options->windowId)) {
                *error = std::string("-window-id wants a window id such as 0x1a00003 or 27262979, not '") + v + "'";
                return false;
            }
            options->target = HackTarget::WindowId;
            explicitWindow = true;
        } else if (name == "--display") {
            const char* v = OptionValue(&reader, error);
            if (!v) return false;
            options->displayName = v;
        } else {
            *error = UnknownOption(&reader);
            return false;
        }
    }
    if (next < 0) return false;
    if (options->help || explicitWindow) return true;

    if (screensaverWindow) {
        if (!ParseWindowId(screensaverWindow, &options->windowId)) {
            *error = std::string("XSCREENSAVER_WINDOW holds no window id: '") + screensaverWindow + "'";
            return false;
        }
        options->target = HackTarget::WindowId;
    } else if (rootGiven) {
        options->target = HackTarget::Root;
    }
    return true;
}
