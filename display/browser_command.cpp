#include "display/browser_command.h"

#include <cstring>

size_t ComposeBrowserCommand(const char* value, size_t valueSize, const char* address, char* command,
                             size_t commandSize)
{
    const char* nul = valueSize ? static_cast<const char*>(std::memchr(value, '\0', valueSize)) : nullptr;
    const size_t textSize = nul ? (size_t)(nul - value) : valueSize;
    const char* percent = textSize ? static_cast<const char*>(std::memchr(value, '%', textSize)) : nullptr;
    if (!percent) return 0;

    const size_t headSize = (size_t)(percent - value);
    const size_t placeholderSize = headSize + 1 < textSize ? 2 : 1;
    const char* tail = percent + placeholderSize;
    const size_t tailSize = textSize - headSize - placeholderSize;
    const size_t addressSize = std::strlen(address);

    // headSize + tailSize < textSize <= SIZE_MAX, so only the address can overflow.
    const size_t fixedSize = headSize + tailSize + 1;
    if (addressSize > SIZE_MAX - fixedSize) return 0;
    const size_t needed = fixedSize + addressSize;

    if (commandSize) {
        size_t room = commandSize - 1;  // keeps one byte for the NUL
        size_t at = 0;
        const char* parts[3] = {value, address, tail};
        const size_t sizes[3] = {headSize, addressSize, tailSize};
        for (int i = 0; i < 3 && room; ++i) {
            size_t n = sizes[i] < room ? sizes[i] : room;
            std::memcpy(command + at, parts[i], n);
            at += n;
            room -= n;
        }
        command[at] = '\0';
    }
    return needed;
}
