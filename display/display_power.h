// The display's power state from the system's power-setting notices, read
// without any platform call.
//
// Where the system offers it, the saver window asks to be told when the
// display is switched off and on, so that no picture is made while nobody
// can see one. A notice names the setting by its GUID and carries its value:
// the console display state (0 off, 1 on, 2 dimmed) on Windows 8 and later,
// the monitor power state (0 off, 1 on) on Windows Vista and 7.
#pragma once

#include <cstdint>

enum class DisplayPower { Unknown, Off, On };

// The GUIDs as they lie in memory (Data1 to Data3 little-endian).
extern const uint8_t kConsoleDisplayStateGuid[16];
extern const uint8_t kMonitorPowerOnGuid[16];

// What a notice of setting `guid` (16 bytes) with `dataSize` bytes of value
// at `data` says about the display: Off or On for the two display settings
// with a 4-byte value (a dimmed display is still seen: On), Unknown for any
// other setting, a value of any other size or an unknown state.
DisplayPower DisplayPowerFromSetting(const uint8_t* guid, uint32_t dataSize, const uint8_t* data);
