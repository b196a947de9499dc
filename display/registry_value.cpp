#include "display/registry_value.h"

#include <new>

ValueReadStep NextValueReadStep(int32_t result, uint32_t offered, uint32_t reported, uint32_t readNumber)
{
    if (result == kRegistrySuccess) return {ValueReadAction::Use, reported < offered ? reported : offered};
    if (result != kRegistryMoreData || readNumber >= kMaxValueReads) return {ValueReadAction::Stop, 0};
    if (reported > offered) return {ValueReadAction::Grow, reported};
    if (offered == 0) return {ValueReadAction::Grow, kFirstValueOffer};
    if (offered > UINT32_MAX / 2) return {ValueReadAction::Stop, 0};
    return {ValueReadAction::Grow, offered * 2};
}

char* ReadWholeValue(ValueReader read, void* context, uint32_t* valueSize)
{
    *valueSize = 0;
    uint32_t offered = kFirstValueOffer;
    for (uint32_t readNumber = 1;; ++readNumber) {
        char* buffer = new (std::nothrow) char[offered ? offered : 1];
        if (!buffer) return nullptr;
        uint32_t size = offered;
        int32_t result = read(context, buffer, &size);
        ValueReadStep step = NextValueReadStep(result, offered, size, readNumber);
        if (step.action == ValueReadAction::Use) {
            *valueSize = step.size;
            return buffer;
        }
        delete[] buffer;
        if (step.action == ValueReadAction::Stop) return nullptr;
        offered = step.size;
    }
}
