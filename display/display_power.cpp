#include "display/display_power.h"

#include <cstring>

// {6FE69556-704A-47A0-8F24-C28D936FDA47}
const uint8_t kConsoleDisplayStateGuid[16] = {0x56, 0x95, 0xE6, 0x6F, 0x4A, 0x70, 0xA0, 0x47,
                                              0x8F, 0x24, 0xC2, 0x8D, 0x93, 0x6F, 0xDA, 0x47};
// {02731015-4510-4526-99E6-E5A17EBD1AEA}
const uint8_t kMonitorPowerOnGuid[16] = {0x15, 0x10, 0x73, 0x02, 0x10, 0x45, 0x26, 0x45,
                                         0x99, 0xE6, 0xE5, 0xA1, 0x7E, 0xBD, 0x1A, 0xEA};

DisplayPower DisplayPowerFromSetting(const uint8_t* guid, uint32_t dataSize, const uint8_t* data)
{
    const bool consoleState = std::memcmp(guid, kConsoleDisplayStateGuid, 16) == 0;
    const bool monitorPower = std::memcmp(guid, kMonitorPowerOnGuid, 16) == 0;
    if ((!consoleState && !monitorPower) || dataSize != 4 || !data) return DisplayPower::Unknown;
    uint32_t value = (uint32_t)data[0] | (uint32_t)data[1] << 8 | (uint32_t)data[2] << 16 | (uint32_t)data[3] << 24;
    if (value == 0) return DisplayPower::Off;
    if (value == 1 || (consoleState && value == 2)) return DisplayPower::On;
    return DisplayPower::Unknown;
}
