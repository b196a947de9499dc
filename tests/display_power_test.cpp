#include "display/display_power.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

DisplayPower Notice(const uint8_t* guid, uint32_t value, uint32_t size = 4)
{
    uint8_t data[8] = {(uint8_t)value, (uint8_t)(value >> 8), (uint8_t)(value >> 16), (uint8_t)(value >> 24)};
    return DisplayPowerFromSetting(guid, size, data);
}

}  // namespace

TEST(DisplayPower, ConsoleDisplayStateOffOnAndDimmed)
{
    EXPECT_EQ(Notice(kConsoleDisplayStateGuid, 0), DisplayPower::Off);
    EXPECT_EQ(Notice(kConsoleDisplayStateGuid, 1), DisplayPower::On);
    EXPECT_EQ(Notice(kConsoleDisplayStateGuid, 2), DisplayPower::On);
    EXPECT_EQ(Notice(kConsoleDisplayStateGuid, 3), DisplayPower::Unknown);
    EXPECT_EQ(Notice(kConsoleDisplayStateGuid, 0x100), DisplayPower::Unknown);
}

TEST(DisplayPower, MonitorPowerOffAndOn)
{
    EXPECT_EQ(Notice(kMonitorPowerOnGuid, 0), DisplayPower::Off);
    EXPECT_EQ(Notice(kMonitorPowerOnGuid, 1), DisplayPower::On);
    EXPECT_EQ(Notice(kMonitorPowerOnGuid, 2), DisplayPower::Unknown);
}

TEST(DisplayPower, OtherSettingsAndMalformedValuesSayNothing)
{
    uint8_t other[16];
    std::memcpy(other, kConsoleDisplayStateGuid, 16);
    other[15] ^= 1;
    EXPECT_EQ(Notice(other, 0), DisplayPower::Unknown);
    EXPECT_EQ(Notice(kConsoleDisplayStateGuid, 0, 1), DisplayPower::Unknown);
    EXPECT_EQ(Notice(kConsoleDisplayStateGuid, 0, 8), DisplayPower::Unknown);
    EXPECT_EQ(DisplayPowerFromSetting(kConsoleDisplayStateGuid, 4, nullptr), DisplayPower::Unknown);
}

TEST(DisplayPower, GuidsAreLaidOutAsInMemory)
{
    // {6FE69556-704A-47A0-...}: Data1 to Data3 little-endian, the rest as written.
    const uint8_t head[8] = {0x56, 0x95, 0xE6, 0x6F, 0x4A, 0x70, 0xA0, 0x47};
    EXPECT_EQ(std::memcmp(kConsoleDisplayStateGuid, head, 8), 0);
    EXPECT_EQ(kMonitorPowerOnGuid[0], 0x15);
    EXPECT_EQ(kMonitorPowerOnGuid[15], 0xEA);
}
