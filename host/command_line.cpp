#include "host/command_line.h"

const char* NextByte(const char* text)
{
    return *text ? text + 1 : text;
}

bool IsBlank(char c)
{
    unsigned char byte = (unsigned char)c;
    return byte >= 0x01 && byte <= 0x20;
}

const char* SkipProgramName(const char* commandLine, CharacterStep next)
{
    const char* p = commandLine;
    if (*p == '"') {
        do {
            p = next(p);
        } while (*p && *p != '"');
        if (*p == '"') p = next(p);
    } else {
        while (*p && !IsBlank(*p)) p = next(p);
    }
    while (IsBlank(*p)) p = next(p);
    return p;
}

uint32_t ParseWindowHandle(const char* text)
{
    uint32_t value = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p) value = value * 10u + (uint32_t)(*p - '0');
    return value;
}

static uint32_t ReadHandleAfterLetter(const char* letter)
{
    const char* p = letter + 1;
    while (*p == ' ') ++p;
    return ParseWindowHandle(p);
}

ModeRequest ReadModeRequest(const char* arguments)
{
    const char* p = arguments;
    while (*p == ' ' || *p == '-' || *p == '/') ++p;

    switch (*p) {
    case '\0':
        return {SaverMode::ConfigureUnowned, 0};
    case 'S':
    case 's':
        return {SaverMode::FullScreen, 0};
    case 'P':
    case 'p':
    case 'L':
    case 'l':
        return {SaverMode::Preview, ReadHandleAfterLetter(p)};
    case 'C':
    case 'c':
        return {SaverMode::ConfigureForeground, 0};
    case 'A':
    case 'a':
        return {SaverMode::ChangePassword, ReadHandleAfterLetter(p)};
    default:
        return {SaverMode::Refused, 0};
    }
}
