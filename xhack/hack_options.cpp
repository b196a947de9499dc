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

// Whole number in `base` over [begin, end), no sign, at most 0xFFFFFFFF.
static bool ReadDigits(const char* begin, const char* end, uint32_t base, uint64_t* value)
{
    if (begin == end) return false;
    uint64_t result = 0;
    for (const char* p = begin; p < end; ++p) {
        uint32_t digit;
        if (*p >= '0' && *p <= '9')
            digit = (uint32_t)(*p - '0');
        else if (base == 16 && *p >= 'a' && *p <= 'f')
            digit = (uint32_t)(*p - 'a' + 10);
        else if (base == 16 && *p >= 'A' && *p <= 'F')
            digit = (uint32_t)(*p - 'A' + 10);
        else
            return false;
        result = result * base + digit;
        if (result > 0xFFFFFFFFull) return false;
    }
    *value = result;
    return true;
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
        ok = ReadDigits(begin + 2, end, 16, &value);
    else
        ok = ReadDigits(begin, end, 10, &value);
    if (!ok || value == 0) return false;
    *id = (uint32_t)value;
    return true;
}

bool ParseDelaySeconds(const char* text, double* seconds)
{
    if (!text || !*text) return false;
    double whole = 0.0;
    double fraction = 0.0;
    double scale = 0.1;
    bool digits = false;
    bool afterPoint = false;
    for (const char* p = text; *p; ++p) {
        if (*p == '.' && !afterPoint) {
            afterPoint = true;
        } else if (*p >= '0' && *p <= '9') {
            digits = true;
            if (afterPoint) {
                fraction += scale * (*p - '0');
                scale *= 0.1;
            } else {
                whole = whole * 10.0 + (*p - '0');
                if (whole > kMaxDelaySeconds) return false;
            }
        } else {
            return false;
        }
    }
    if (!digits || whole + fraction > kMaxDelaySeconds) return false;
    *seconds = whole + fraction;
    return true;
}

bool ParseHackOptions(int argc, const char* const* argv, const char* screensaverWindow, HackOptions* options,
                      std::string* error)
{
    bool rootGiven = false;
    bool explicitWindow = false;  // --window or --window-id
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string name = arg;
        const char* value = nullptr;
        if (name.compare(0, 2, "--") == 0)
            name = name.substr(1);  // one dash or two mean the same
        else if (name.empty() || name[0] != '-') {
            *error = "unexpected argument '" + arg + "' (see --help)";
            return false;
        }
        size_t equals = name.find('=');
        if (equals != std::string::npos) {
            value = argv[i] + (arg.size() - name.size()) + equals + 1;
            name = name.substr(0, equals);
        }
        auto needValue = [&]() -> const char* {
            if (value) return value;
            if (i + 1 < argc) return argv[++i];
            *error = "option -" + name + " needs a value";
            return nullptr;
        };
        auto flagOnly = [&]() -> bool {
            if (!value) return true;
            *error = "option -" + name + " takes no value";
            return false;
        };
        if (name == "-help" || name == "-h") {
            if (!flagOnly()) return false;
            options->help = true;
        } else if (name == "-root") {
            if (!flagOnly()) return false;
            rootGiven = true;
        } else if (name == "-window") {
            if (!flagOnly()) return false;
            if (explicitWindow && options->target == HackTarget::WindowId) {
                *error = "give either -window or -window-id, not both";
                return false;
            }
            options->target = HackTarget::OwnWindow;
            explicitWindow = true;
        } else if (name == "-window-id") {
            const char* v = needValue();
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
        } else if (name == "-delay") {
            const char* v = needValue();
            if (!v) return false;
            if (!ParseDelaySeconds(v, &options->delaySeconds)) {
                *error = std::string("-delay wants seconds from 0 to 86400 such as 1 or 0.5, not '") + v + "'";
                return false;
            }
        } else if (name == "-seed") {
            const char* v = needValue();
            if (!v) return false;
            uint64_t number = 0;
            if (!ReadDigits(v, v + std::strlen(v), 10, &number)) {
                *error = std::string("-seed wants a whole number from 0 to 4294967295, not '") + v + "'";
                return false;
            }
            options->seed = (uint32_t)number;
            options->seedGiven = true;
        } else if (name == "-fps") {
            if (!flagOnly()) return false;
            options->fps = true;
        } else if (name == "-display") {
            const char* v = needValue();
            if (!v) return false;
            options->displayName = v;
        } else {
            *error = "unknown option '" + arg + "' (see --help)";
            return false;
        }
    }
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
