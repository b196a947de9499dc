#include "host/host_state.h"

HostState hostState = {
    nullptr, false, nullptr, false, {false, 0, 0}, kMoveTolerance, false, false, kNoVerifyTick,
    nullptr, nullptr, nullptr, nullptr, nullptr,
};
