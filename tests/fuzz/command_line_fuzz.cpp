// Reads any process command line as the saver does: the program name
// skipped, then the mode and the window handle read from what follows.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    const char* commandLine = text.c_str();
    const size_t length = std::strlen(commandLine);

    const char* arguments = SkipProgramName(commandLine, NextByte);
    if (arguments < commandLine || arguments > commandLine + length) std::abort();
    if (*arguments && IsBlank(*arguments)) std::abort();

    ModeRequest request = ReadModeRequest(arguments);
    switch (request.mode) {
    case SaverMode::Preview:
    case SaverMode::ChangePassword:
        break;
    case SaverMode::ConfigureUnowned:
    case SaverMode::ConfigureForeground:
    case SaverMode::FullScreen:
    case SaverMode::Refused:
        if (request.windowHandle != 0) std::abort();
        break;
    default:
        std::abort();
    }
    ParseWindowHandle(commandLine);
    return 0;
}
