#include "host/password_rules.h"

bool PasswordWanted(int32_t result, const uint8_t bytes[4], uint32_t sizeRead)
{
    if (result != 0) return false;
    uint32_t number = 0;
    for (uint32_t i = 0; i < 4 && i < sizeRead; ++i) number |= (uint32_t)bytes[i] << (8 * i);
    return number != 0;
}

bool InPromptPause(uint32_t now, uint32_t lastVerifyTick)
{
    return lastVerifyTick != kNoVerifyTick && (uint32_t)(now - lastVerifyTick) < kPromptPauseMs;
}
