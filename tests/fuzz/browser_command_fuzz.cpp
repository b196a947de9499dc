// Composes browser commands from any registry bytes and any address.
// Input: a first byte that splits the rest into the value (held in a heap
// block of exactly its size, with no NUL of its own) and the address.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "display/browser_command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    size_t valueSize = data[0] < size - 1 ? data[0] : size - 1;
    if (size > 256) valueSize = (size - 1) * data[0] / 255;
    std::vector<char> value(data + 1, data + 1 + valueSize);
    std::string address(reinterpret_cast<const char*>(data + 1 + valueSize), size - 1 - valueSize);
    address = address.c_str();  // an address ends at its first NUL

    const char* bytes = value.empty() ? nullptr : value.data();
    size_t needed = ComposeBrowserCommand(bytes, value.size(), address.c_str(), nullptr, 0);
    const char* text = static_cast<const char*>(bytes ? std::memchr(bytes, '\0', value.size()) : nullptr);
    size_t textSize = text ? (size_t)(text - bytes) : value.size();
    bool hasPercent = textSize && std::memchr(bytes, '%', textSize);
    if (hasPercent != (needed != 0)) std::abort();
    if (!needed) return 0;
    // The placeholder, "%" and the character after it if any, gives way to the address.
    size_t percentAt = (size_t)(static_cast<const char*>(std::memchr(bytes, '%', textSize)) - bytes);
    size_t placeholderSize = percentAt + 1 < textSize ? 2 : 1;
    if (needed != textSize - placeholderSize + address.size() + 1) std::abort();

    std::vector<char> whole(needed);
    if (ComposeBrowserCommand(bytes, value.size(), address.c_str(), whole.data(), whole.size()) != needed)
        std::abort();
    if (std::strlen(whole.data()) != needed - 1) std::abort();
    if (std::string(whole.data()).find(address) == std::string::npos) std::abort();
    // A shorter buffer gets a terminated prefix of the whole command.
    size_t room = needed / 2;
    std::vector<char> part(room ? room : 1, '#');
    ComposeBrowserCommand(bytes, value.size(), address.c_str(), room ? part.data() : nullptr, room);
    if (room && (std::strlen(part.data()) != room - 1 || std::memcmp(part.data(), whole.data(), room - 1) != 0))
        std::abort();
    return 0;
}
