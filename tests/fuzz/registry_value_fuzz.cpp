// Reads registry values through a registry that answers as the input says:
// any result, any reported size, any bytes, changing from read to read.
// Also reads the password flag from whatever a read leaves.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "display/registry_value.h"
#include "host/password_rules.h"

struct ScriptedRegistry {
    const uint8_t* data;
    size_t size;
    uint32_t reads;
    uint32_t lastOffer;
};

static uint32_t Take(ScriptedRegistry* registry, size_t bytes)
{
    uint32_t value = 0;
    for (size_t i = 0; i < bytes && registry->size; ++i, ++registry->data, --registry->size)
        value = value << 8 | *registry->data;
    return value;
}

static int32_t ReadScripted(void* context, char* buffer, uint32_t* size)
{
    ScriptedRegistry* registry = static_cast<ScriptedRegistry*>(context);
    ++registry->reads;
    registry->lastOffer = *size;
    uint32_t kind = Take(registry, 1);
    uint32_t reported = Take(registry, 2);
    // Sizes up to 1 MiB: past that the fuzzer would measure the allocator, not the reading.
    if (kind & 0x80) reported |= (Take(registry, 1) & 0x0F) << 16;
    if (kind & 1) {
        // Success: some bytes of the input as the value, at most the offer.
        size_t length = reported < *size ? reported : *size;
        if (length > registry->size) length = registry->size;
        std::memcpy(buffer, registry->data, length);
        registry->data += length;
        registry->size -= length;
        // The size reported may still be anything.
        *size = (kind & 2) ? (uint32_t)length : reported;
        return kRegistrySuccess;
    }
    *size = reported;
    return (kind & 2) ? kRegistryMoreData : (int32_t)Take(registry, 1);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ScriptedRegistry registry = {data, size, 0, 0};
    uint32_t valueSize = 0;
    std::unique_ptr<char[]> value(ReadWholeValue(ReadScripted, &registry, &valueSize));
    if (registry.reads > kMaxValueReads) std::abort();
    if (value) {
        if (valueSize > registry.lastOffer) std::abort();
        // Every byte said to be read must be readable.
        volatile char sum = 0;
        for (uint32_t i = 0; i < valueSize; ++i) sum = (char)(sum + value[i]);
    } else if (valueSize != 0) {
        std::abort();
    }

    uint8_t flag[4] = {0, 0, 0, 0};
    std::memcpy(flag, data, size < 4 ? size : 4);
    uint32_t sizeRead = size >= 8 ? (uint32_t)data[4] | (uint32_t)data[5] << 8 : (uint32_t)size;
    bool wanted = PasswordWanted(size > 8 ? (int32_t)data[8] : 0, flag, sizeRead);
    if (wanted && size > 8 && data[8] != 0) std::abort();
    return 0;
}
