#include "native/option_reader.h"

#include <cstring>

void StartOptionReader(OptionReader* reader, int argc, const char* const* argv, OptionStyle style)
{
    reader->argc = argc;
    reader->argv = argv;
    reader->style = style;
    reader->index = 0;
    reader->name.clear();
    reader->value = nullptr;
}

bool NextOption(OptionReader* reader)
{
    if (++reader->index >= reader->argc) return false;
    const char* arg = reader->argv[reader->index];
    // How many characters the written name lacks of its two-dash form.
    size_t added = 0;
    reader->name = arg;
    reader->value = nullptr;
    if (reader->style == OptionStyle::OneOrTwoDashes && arg[0] == '-' && arg[1] != '-') {
        reader->name.insert(0, 1, '-');
        added = 1;
    }
    size_t equals = reader->name.find('=');
    if (reader->name.compare(0, 2, "--") == 0 && equals != std::string::npos) {
        reader->value = arg + (equals - added) + 1;
        reader->name.erase(equals);
    }
    return true;
}

const char* OptionValue(OptionReader* reader, std::string* error)
{
    if (reader->value) return reader->value;
    if (reader->index + 1 < reader->argc) return reader->argv[++reader->index];
    *error = "option " + reader->name + " needs a value";
    return nullptr;
}

bool OptionTakesNoValue(const OptionReader* reader, std::string* error)
{
    if (!reader->value) return true;
    *error = "option " + reader->name + " takes no value";
    return false;
}

bool OptionSeed(OptionReader* reader, const char* shownName, uint32_t* seed, std::string* error)
{
    const char* value = OptionValue(reader, error);
    if (!value) return false;
    uint64_t number = 0;
    if (!ReadDecimal(value, 0xFFFFFFFFull, &number)) {
        *error = std::string(shownName) + " wants a whole number from 0 to 4294967295, not '" + value + "'";
        return false;
    }
    *seed = (uint32_t)number;
    return true;
}

bool OptionDelay(OptionReader* reader, const char* shownName, double* seconds, std::string* error)
{
    const char* value = OptionValue(reader, error);
    if (!value) return false;
    if (!ParseDelaySeconds(value, seconds)) {
        *error = std::string(shownName) + " wants seconds from 0 to 86400 such as 1 or 0.5, not '" + value + "'";
        return false;
    }
    return true;
}

bool ReadSaverOption(OptionReader* reader, const char* shownDash, SaverOptions* options, bool* matched,
                     std::string* error)
{
    const std::string& name = reader->name;
    *matched = true;
    if (name == "--help" || name == "--h") {
        if (!OptionTakesNoValue(reader, error)) return false;
        options->help = true;
    } else if (name == "--fps") {
        if (!OptionTakesNoValue(reader, error)) return false;
        options->fps = true;
    } else if (name == "--delay") {
        if (!OptionDelay(reader, (std::string(shownDash) + "delay").c_str(), &options->delaySeconds, error))
            return false;
    } else if (name == "--seed") {
        if (!OptionSeed(reader, (std::string(shownDash) + "seed").c_str(), &options->seed, error)) return false;
        options->seedGiven = true;
    } else {
        *matched = false;
    }
    return true;
}

int NextOtherOption(OptionReader* reader, const char* shownDash, SaverOptions* options, std::string* error)
{
    while (NextOption(reader)) {
        bool matched = false;
        if (!ReadSaverOption(reader, shownDash, options, &matched, error)) return -1;
        if (!matched) return 1;
    }
    return 0;
}

const char* OptionText(OptionReader* reader, const std::string& emptyMessage, std::string* error)
{
    const char* value = OptionValue(reader, error);
    if (value && !*value) {
        *error = emptyMessage;
        return nullptr;
    }
    return value;
}

std::string UnknownOption(const OptionReader* reader)
{
    std::string arg = reader->argv[reader->index];
    if (reader->style == OptionStyle::OneOrTwoDashes && arg[0] != '-')
        return "unexpected argument '" + arg + "' (see --help)";
    return "unknown option '" + arg + "' (see --help)";
}

bool ReadUnsignedNumber(const char* begin, const char* end, uint32_t base, uint64_t limit, uint64_t* value)
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
        if (result > limit) return false;
    }
    *value = result;
    return true;
}

bool ReadDecimal(const char* text, uint64_t limit, uint64_t* value)
{
    return text && ReadUnsignedNumber(text, text + std::strlen(text), 10, limit, value);
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
